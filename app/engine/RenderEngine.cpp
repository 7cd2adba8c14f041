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

void CRenderEngine::DeleteEffects()
{
    currentEffect_ = nullptr;
    for (auto& entry : effects_)
        delete entry.second;
    effects_.clear();
}
