#include "app/engine/RenderEngine.h"

#include "app/engine/RenderEffect.h"

CRenderEngine::CRenderEngine(CVideoMixer* mixer) : mixer_(mixer)
{
}

CRenderEngine::~CRenderEngine()
{
    DeleteEffects();
}

HRESULT CRenderEngine::SelectEffect(int id)
{
    if (id == 0) {
        currentEffect_ = nullptr;
        return S_OK;
    }
    auto it = effects_.find(id);
    if (it == effects_.end())
        return E_INVALIDARG;
    currentEffect_ = it->second;
    return S_OK;
}

void CRenderEngine::StoreEffect(CRenderEffect* effect)
{
    const int id = effect->GetId();
    auto it = effects_.find(id);
    if (it != effects_.end()) {
        // A later file with the same id takes the entry; the earlier effect must not leak.
        if (currentEffect_ == it->second)
            currentEffect_ = effect;
        delete it->second;
        it->second = effect;
    } else {
        effects_[id] = effect;
    }
}

void CRenderEngine::DeleteEffects()
{
    currentEffect_ = nullptr;
    for (auto& entry : effects_)
        delete entry.second;
    effects_.clear();
}
