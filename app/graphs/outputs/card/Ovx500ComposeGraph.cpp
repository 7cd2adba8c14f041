#include "app/graphs/outputs/card/Ovx500ComposeGraph.h"

#include <new>

HRESULT COvx500ComposeGraph::AddOutputFilters()
{
    Ovx500RenderConfig config;
    config.cardIndex = static_cast<unsigned int>(m_settings.CardIndex);
    config.ntsc = m_settings.Ntsc;
    config.fieldType = m_fieldType;
    HRESULT cardResult = S_OK;
    COvx500Render* render = new (std::nothrow) COvx500Render(nullptr, &cardResult, config);
    if (render)
        render->NonDelegatingAddRef();
    // A renderer without a card is released at once, which also gives back whatever part
    // of the card it had opened. The compose pins deliver each frame as soon as it arrives,
    // never paced by a timer: the renderer's own worker keeps time with the card's fields.
    return AddOwnSink(render, cardResult, L"Ovx500Render");
}

HRESULT COvx500ComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    if (!Renderer())
        return E_FAIL;
    return RenderSourceStream(builder, &MEDIATYPE_Video, nullptr, Renderer());
}
