#include "app/graphs/outputs/decklink/DecklinkComposeGraph.h"

#include "app/foundation/AppHelpers.h"

namespace {

// The system's video renderer devices (the platform headers do not name the category).
const CLSID kVideoRendererCategory = {0xCC7BFB41, 0xF175, 0x11D1, {0xA3, 0x92, 0x00, 0xE0, 0x29, 0x1F, 0x39, 0x59}};

const UINT kIdsCreateDeviceFailed = 320;
const UINT kIdsErrorCaption = 106;

bool IsNone(const CString& name)
{
    return name == L"None";
}

} // namespace

CDecklinkComposeGraph::~CDecklinkComposeGraph()
{
    m_video.Release();
    m_audio.Release();
}

HRESULT CDecklinkComposeGraph::AddRenderer(REFGUID category, const CString& name, CComPtr<IBaseFilter>& renderer)
{
    renderer.Release();
    if (IsNone(name))
        return S_OK;
    HRESULT hr = CreateDeviceFilter(category, name, &renderer, m_graph.GetGraph(), name);
    if (FAILED(hr)) {
        renderer.Release();
        AppMessageBox(nullptr, kIdsCreateDeviceFailed, kIdsErrorCaption, MB_ICONERROR);
    }
    return hr;
}

HRESULT CDecklinkComposeGraph::AddOutputFilters()
{
    HRESULT hr = AddRenderer(kVideoRendererCategory, m_settings.VideoDevice, m_video);
    if (SUCCEEDED(hr))
        hr = AddRenderer(CLSID_AudioRendererCategory, m_settings.AudioDevice, m_audio);
    return hr;
}

void CDecklinkComposeGraph::RemoveOutputFilters()
{
    RemoveOwnFilter(m_video);
    RemoveOwnFilter(m_audio);
    m_video.Release();
    m_audio.Release();
}

HRESULT CDecklinkComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    if (m_video) {
        hr = RenderSourceStream(builder, &MEDIATYPE_Video, nullptr, m_video);
        if (FAILED(hr))
            return hr;
    }
    if (m_audio)
        hr = RenderSourceStream(builder, &MEDIATYPE_Audio, nullptr, m_audio);
    return hr;
}
