// The compositor's abstract face towards the video mixer: the transition effects by id, the
// one selected, and one composition per clock tick.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

class CRenderEffect;
class CVideoMixer;

class CRenderEngine
{
public:
    explicit CRenderEngine(CVideoMixer* mixer);
    virtual ~CRenderEngine();
    CRenderEngine(const CRenderEngine&) = delete;
    CRenderEngine& operator=(const CRenderEngine&) = delete;

    virtual HRESULT Create() = 0;
    virtual HRESULT Destroy() = 0;
    // 0 clears the selection; any other id must be loaded.
    virtual HRESULT SelectEffect(int id);
    // One composition of the active mixer inputs (element 0 program, 1 preview).
    virtual HRESULT RenderFrame(const std::vector<int>& activeInputs, float progress) = 0;

    CRenderEffect* GetCurrentEffect() const { return currentEffect_; }
    const std::map<int, CRenderEffect*>& GetEffectMap() const { return effects_; }

    // The T-bar runs back: the effect gets the inputs in reverse order.
    void SetTransitionReversed(bool reversed) { transitionReversed_ = reversed; }
    bool IsTransitionReversed() const { return transitionReversed_; }

protected:
    // Takes ownership; a previous effect with the same id is deleted.
    void StoreEffect(CRenderEffect* effect);
    void DeleteEffects();

    CVideoMixer* mixer_;
    std::map<int, CRenderEffect*> effects_;
    CRenderEffect* currentEffect_ = nullptr;
    bool transitionReversed_ = false;
};
