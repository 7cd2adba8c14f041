#include "app/graphs/VDComposeGraph.h"

#include <new>

namespace {

// The system's colour space converter.
const CLSID kColourConverter = {0x1643E180, 0x90F5, 0x11CE, {0x97, 0xD5, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

} // namespace

CVDComposeGraph::~CVDComposeGraph()
{
    DeleteFrameServer();
}

HRESULT CVDComposeGraph::Create()
{
    HRESULT hr = CComposeGraph::Create();
    if (FAILED(hr))
        return hr;
    HRESULT serverResult = S_OK;
    CVDRender* render = new (std::nothrow) CVDRender(nullptr, m_port, &serverResult);
    if (!render) {
        Destroy();
        return E_OUTOFMEMORY;
    }
    render->NonDelegatingAddRef();
    m_render = render;
    hr = serverResult;
    if (SUCCEEDED(hr))
        hr = AddOwnFilter(m_render, L"VDRender");
    if (SUCCEEDED(hr))
        hr = AddComposeSource();
    if (FAILED(hr)) {
        Destroy();
        return hr;
    }
    return S_OK;
}

HRESULT CVDComposeGraph::Destroy()
{
    m_graph.Stop();
    RemoveComposeSource();
    RemoveOwnFilter(m_render);
    HRESULT hr = CComposeGraph::Destroy();
    if (FAILED(hr))
        return hr;
    DeleteComposeSource();
    DeleteFrameServer();
    return S_OK;
}

HRESULT CVDComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    if (!m_render)
        return E_FAIL;
    CComPtr<IBaseFilter> converter;
    hr = AddFilterByCLSID(m_graph.GetGraph(), kColourConverter, L"Colour", &converter);
    if (FAILED(hr))
        return hr;
    hr = RenderSourceStream(builder, &MEDIATYPE_Video, converter, m_render);
    if (FAILED(hr))
        return hr;
    return RenderSourceStream(builder, &MEDIATYPE_Audio, nullptr, m_render);
}

void CVDComposeGraph::DeleteFrameServer()
{
    if (m_render) {
        CVDRender* render = m_render;
        m_render = nullptr;
        render->NonDelegatingRelease();
    }
}
