#include "app/graphs/compose/ComposeGraph.h"

CComposeGraph::~CComposeGraph()
{
    // A graph deleted without Destroy still frees its source; the filter graph goes with
    // the wrapper.
    DeleteComposeSource();
    DeleteOwnSink();
}

HRESULT CComposeGraph::Create()
{
    HRESULT hr = CBaseGraph::Create();
    if (FAILED(hr))
        return hr;
    hr = AddOutputFilters();
    if (SUCCEEDED(hr))
        hr = AddComposeSource();
    if (FAILED(hr)) {
        // Nothing of a failed start stays in the graph, whichever step failed.
        Destroy();
        return hr;
    }
    return S_OK;
}

HRESULT CComposeGraph::Destroy()
{
    StopForTeardown();
    RemoveComposeSource();
    RemoveOutputFilters();
    HRESULT hr = CBaseGraph::Destroy();
    if (FAILED(hr))
        return hr;
    DeleteComposeSource();
    DeleteOwnSink();
    return S_OK;
}

void CComposeGraph::StopForTeardown()
{
    if (m_graph.GetGraph())
        m_graph.Stop();
}

void CComposeGraph::RemoveOutputFilters()
{
    RemoveOwnFilter(m_ownSink);
}

void CComposeGraph::SetNotifyWindow(HWND window, UINT message, LPARAM param)
{
    m_graph.SetNotifyWindow(window, static_cast<long>(message), param);
}

HRESULT CComposeGraph::AddComposeSource()
{
    if (m_source)
        return E_UNEXPECTED;
    HRESULT hr = S_OK;
    CComposeSource* source = CComposeSource::CreateInstance(&hr);
    if (!source)
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    hr = m_graph.AddFilter(source, L"ComposeSource");
    if (FAILED(hr)) {
        source->NonDelegatingRelease();
        return hr;
    }
    m_source = source;
    return S_OK;
}

void CComposeGraph::RemoveComposeSource()
{
    if (m_source && m_graph.GetGraph())
        m_graph.RemoveFilter(m_source);
}

void CComposeGraph::DeleteComposeSource()
{
    if (m_source) {
        CComposeSource* source = m_source;
        m_source = nullptr;
        source->NonDelegatingRelease();
    }
}

HRESULT CComposeGraph::BeginBuild(CComPtr<ICaptureGraphBuilder2>& builder)
{
    if (!m_graph.GetGraph() || !m_source)
        return E_FAIL;
    builder.Release();
    return m_graph.CreateCaptureGraphBuilder(&builder);
}

HRESULT CComposeGraph::RenderSourceStream(ICaptureGraphBuilder2* builder, const GUID* majorType, IBaseFilter* via,
                                          IBaseFilter* sink)
{
    if (!builder || !m_source)
        return E_POINTER;
    return builder->RenderStream(nullptr, majorType, static_cast<IBaseFilter*>(m_source), via, sink);
}

HRESULT CComposeGraph::AddOwnFilter(IBaseFilter* filter, LPCWSTR name)
{
    if (!filter)
        return E_POINTER;
    return m_graph.AddFilter(filter, name);
}

void CComposeGraph::RemoveOwnFilter(IBaseFilter* filter)
{
    if (filter && m_graph.GetGraph())
        m_graph.RemoveFilter(filter);
}

HRESULT CComposeGraph::AddOwnSink(CBaseFilter* sink, HRESULT made, LPCWSTR name)
{
    if (!sink)
        return E_OUTOFMEMORY;
    DeleteOwnSink();
    m_ownSink = sink;
    if (FAILED(made))
        return made;
    return AddOwnFilter(m_ownSink, name);
}

void CComposeGraph::DeleteOwnSink()
{
    if (m_ownSink) {
        CBaseFilter* sink = m_ownSink;
        m_ownSink = nullptr;
        sink->NonDelegatingRelease();
    }
}
