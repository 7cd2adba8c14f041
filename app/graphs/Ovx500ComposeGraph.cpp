#include "app/graphs/Ovx500ComposeGraph.h"

#include <new>

COvx500ComposeGraph::~COvx500ComposeGraph()
{
    DeleteRenderer();
}

HRESULT COvx500ComposeGraph::Create()
{
    HRESULT hr = CComposeGraph::Create();
    if (FAILED(hr))
        return hr;
    Ovx500RenderConfig config;
    config.cardIndex = static_cast<unsigned int>(m_settings.CardIndex);
    config.ntsc = m_settings.Ntsc;
    config.fieldType = m_fieldType;
    HRESULT cardResult = S_OK;
    COvx500Render* render = new (std::nothrow) COvx500Render(nullptr, &cardResult, config);
    if (!render) {
        Destroy();
        return E_OUTOFMEMORY;
    }
    render->NonDelegatingAddRef();
    m_render = render;
    // A renderer without a card is released at once, which also gives back whatever part
    // of the card it had opened.
    hr = cardResult;
    if (SUCCEEDED(hr))
        hr = AddOwnFilter(m_render, L"Ovx500Render");
    if (SUCCEEDED(hr))
        hr = AddComposeSource();
    if (FAILED(hr)) {
        Destroy();
        return hr;
    }
    // The compose pins deliver each frame as soon as it arrives, never paced by a timer:
    // the renderer's own worker keeps time with the card's fields.
    return S_OK;
}

HRESULT COvx500ComposeGraph::Destroy()
{
    m_graph.Stop();
    RemoveComposeSource();
    RemoveOwnFilter(m_render);
    HRESULT hr = CComposeGraph::Destroy();
    if (FAILED(hr))
        return hr;
    DeleteComposeSource();
    DeleteRenderer();
    return S_OK;
}

HRESULT COvx500ComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    if (!m_render)
        return E_FAIL;
    return RenderSourceStream(builder, &MEDIATYPE_Video, nullptr, m_render);
}

void COvx500ComposeGraph::DeleteRenderer()
{
    if (m_render) {
        COvx500Render* render = m_render;
        m_render = nullptr;
        render->NonDelegatingRelease();
    }
}
