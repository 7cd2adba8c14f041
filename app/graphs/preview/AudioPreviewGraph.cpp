#include "app/graphs/preview/AudioPreviewGraph.h"

#include <new>
#include <vector>

const CLSID CLSID_AudioPreviewSource = {0x6843AFBE, 0xAB6D, 0x4285, {0xA5, 0x3D, 0xE8, 0xE4, 0xC6, 0x52, 0xD5, 0x7E}};

namespace {

// Device names come from the device lists in the system's code page.
std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    return std::wstring(wide.data());
}

} // namespace

// --- source ---------------------------------------------------------------------

CAudioPreviewSource::CAudioPreviewSource(HRESULT* phr)
    : CSource(TEXT("CAudioPreviewSource"), nullptr, CLSID_AudioPreviewSource, phr)
{
    // The pin adds itself to the filter's list.
    m_pin = new (std::nothrow) CAPSOutputPin(phr, this, L"Audio");
    if (!m_pin && phr && SUCCEEDED(*phr))
        *phr = E_OUTOFMEMORY;
}

CAudioPreviewSource* CAudioPreviewSource::CreateInstance(HRESULT* phr)
{
    HRESULT hr = S_OK;
    CAudioPreviewSource* source = new (std::nothrow) CAudioPreviewSource(&hr);
    if (!source) {
        hr = E_OUTOFMEMORY;
    } else {
        source->NonDelegatingAddRef();
        if (FAILED(hr)) {
            source->NonDelegatingRelease();
            source = nullptr;
        }
    }
    if (phr)
        *phr = hr;
    return source;
}

// --- graph ----------------------------------------------------------------------

CAudioPreviewGraph::CAudioPreviewGraph(const char* deviceName) : m_deviceName(deviceName ? deviceName : "")
{
}

CAudioPreviewGraph::~CAudioPreviewGraph()
{
    DeleteSource();
}

HRESULT CAudioPreviewGraph::Create()
{
    HRESULT hr = CBaseGraph::Create();
    if (FAILED(hr))
        return hr;
    if (m_source)
        return E_UNEXPECTED;
    CAudioPreviewSource* source = CAudioPreviewSource::CreateInstance(&hr);
    if (!source) {
        Destroy();
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    m_source = source;
    hr = m_graph.AddFilter(m_source, L"AudioPreviewSource");
    if (FAILED(hr)) {
        Destroy();
        return hr;
    }
    return S_OK;
}

HRESULT CAudioPreviewGraph::Build()
{
    IGraphBuilder* graph = m_graph.GetGraph();
    if (!graph || !m_source)
        return E_FAIL;
    CAPSOutputPin* pin = m_source->Pin();
    if (!pin)
        return E_UNEXPECTED;
    if (!m_deviceName.empty()) {
        // Once in the graph, the named renderer is the one the pin is rendered into.
        CComPtr<IBaseFilter> renderer;
        CreateDeviceFilter(CLSID_AudioRendererCategory, Widen(m_deviceName).c_str(), &renderer, graph,
                           L"AudioRender");
    }
    return graph->Render(pin);
}

HRESULT CAudioPreviewGraph::Destroy()
{
    m_graph.Stop();
    if (m_source && m_graph.GetGraph())
        m_graph.RemoveFilter(m_source);
    HRESULT hr = CBaseGraph::Destroy();
    if (FAILED(hr))
        return hr;
    DeleteSource();
    return S_OK;
}

HRESULT CAudioPreviewGraph::SetPinMediaType(const AM_MEDIA_TYPE* type)
{
    if (!m_source || !m_source->Pin())
        return E_UNEXPECTED;
    return m_source->Pin()->SetOutputMediaType(type);
}

IGrabListener* CAudioPreviewGraph::GetPinListener()
{
    return m_source ? m_source->Pin() : nullptr;
}

void CAudioPreviewGraph::DeleteSource()
{
    if (m_source) {
        CAudioPreviewSource* source = m_source;
        m_source = nullptr;
        source->NonDelegatingRelease();
    }
}
