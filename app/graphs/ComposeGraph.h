// The base of every output graph: a graph that starts at a compose source ("ComposeSource",
// fed by the director with program frames and mixed audio) and ends in the output's sink.
// Each output's Create adds its sink and the source, Build connects them with the capture
// graph builder, Destroy removes and deletes both; the director runs it in between.
#pragma once

#include "app/core/GraphContracts.h"
#include "app/graphs/ComposeSource.h"
#include "app/graphs/DXGraph.h"

class CComposeGraph : public CBaseGraph, public IOutputGraph {
public:
    CComposeGraph() = default;
    ~CComposeGraph() override;

    HRESULT Create() override;
    HRESULT Destroy() override;
    HRESULT Build() override = 0;

    HRESULT Run() override { return m_graph.Run(); }
    HRESULT Stop() override { return m_graph.Stop(); }
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override { return m_graph.GetState(timeoutMs, state); }
    IComposeSource* GetComposeSource() override { return m_source; }
    void SetNotifyWindow(HWND window, UINT message, LPARAM param) override;

    CComposeSource* ComposeSource() const { return m_source; }

protected:
    // Creates the compose source with the one reference the graph holds and adds it as
    // "ComposeSource". On failure nothing of it is left and the caller undoes its own part.
    HRESULT AddComposeSource();
    // Takes the source out of the graph (when there is one); the reference stays.
    void RemoveComposeSource();
    // Drops the graph's reference; the filter is gone with its pins.
    void DeleteComposeSource();

    // The checks every Build starts with: a graph and a compose source, then a capture
    // graph builder on the graph.
    HRESULT BeginBuild(CComPtr<ICaptureGraphBuilder2>& builder);
    // RenderStream from the source's pin of that major type, through `via` (may be null),
    // into `sink`.
    HRESULT RenderSourceStream(ICaptureGraphBuilder2* builder, const GUID* majorType, IBaseFilter* via,
                               IBaseFilter* sink);

    // Adds a filter the graph holds a reference to; removes nothing on failure.
    HRESULT AddOwnFilter(IBaseFilter* filter, LPCWSTR name);
    void RemoveOwnFilter(IBaseFilter* filter);

    // For outputs whose sink is a filter of ours (the frame server, the card renderer):
    // `sink` comes with one reference, which the graph keeps, and `made` is its creation
    // result. The sink is added as `name`, then the compose source; a failed creation or a
    // failed add destroys whatever was done.
    HRESULT AddOwnSinkAndSource(CBaseFilter* sink, HRESULT made, LPCWSTR name);
    // Their Destroy: stop, take the source and the sink out, let the graph go, then drop
    // both.
    HRESULT DestroyOwnSinkGraph();
    CBaseFilter* OwnSink() const { return m_ownSink; }

private:
    void DeleteOwnSink();

    CComposeSource* m_source = nullptr;
    CBaseFilter* m_ownSink = nullptr;  // one reference held
};
