// The base of every output graph: a graph that starts at a compose source ("ComposeSource",
// fed by the director with program frames and mixed audio) and ends in the output's sink.
// The steps every output shares live here: Create makes the graph, lets the output add its
// own filters, then adds the source, and undoes all of it when any step fails; Destroy takes
// them apart in one order (the output's stop, the source and the output's filters out of the
// graph, the graph released, then the source and sink objects dropped). Each output keeps
// only its own filters and its Build; the director runs it in between.
#pragma once

#include "app/core/GraphContracts.h"
#include "app/graphs/compose/ComposeSource.h"
#include "app/graphs/base/DXGraph.h"

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
    // The output's own part of Create, called once the graph is made and before the compose
    // source is added; on failure Create destroys whatever was done.
    virtual HRESULT AddOutputFilters() { return S_OK; }
    // The first step of Destroy, before anything leaves the graph: stops the graph unless
    // the output has its own way (a deck to stop recording, a session to end).
    virtual void StopForTeardown();
    // Takes the output's own filters out of the graph and lets them go; by default the own
    // sink is taken out (it is deleted with the source once the graph is released).
    virtual void RemoveOutputFilters();

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
    // result. The sink is added as `name`; the compose source follows in Create.
    HRESULT AddOwnSink(CBaseFilter* sink, HRESULT made, LPCWSTR name);
    CBaseFilter* OwnSink() const { return m_ownSink; }

private:
    void DeleteOwnSink();

    CComposeSource* m_source = nullptr;
    CBaseFilter* m_ownSink = nullptr;  // one reference held
};
