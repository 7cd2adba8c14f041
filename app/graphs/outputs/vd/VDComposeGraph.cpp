#include "app/graphs/outputs/vd/VDComposeGraph.h"

#include <new>

namespace {

// The system's colour space converter.
const CLSID kColourConverter = {0x1643E180, 0x90F5, 0x11CE, {0x97, 0xD5, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

} // namespace

HRESULT CVDComposeGraph::AddOutputFilters()
{
    HRESULT serverResult = S_OK;
    CVDRender* render = new (std::nothrow) CVDRender(nullptr, m_port, &serverResult);
    if (render)
        render->NonDelegatingAddRef();
    return AddOwnSink(render, serverResult, L"VDRender");
}

HRESULT CVDComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    if (!FrameServer())
        return E_FAIL;
    CComPtr<IBaseFilter> converter;
    hr = AddFilterByCLSID(m_graph.GetGraph(), kColourConverter, L"Colour", &converter);
    if (FAILED(hr))
        return hr;
    hr = RenderSourceStream(builder, &MEDIATYPE_Video, converter, FrameServer());
    if (FAILED(hr))
        return hr;
    return RenderSourceStream(builder, &MEDIATYPE_Audio, nullptr, FrameServer());
}
