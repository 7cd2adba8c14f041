// The filter graph manager of one graph with the control interfaces the program uses on
// it. Every operation is one call on the right interface, with a fixed failure when the
// graph or that interface is not there. The wrapper holds all six graph interfaces or none.
#pragma once

#include <d3d9.h>
#include <streams.h>
#include <vmr9.h>

#include "app/foundation/DShowHelpers.h"

class CDXGraph {
public:
    CDXGraph() = default;
    virtual ~CDXGraph();
    CDXGraph(const CDXGraph&) = delete;
    CDXGraph& operator=(const CDXGraph&) = delete;

    // S_FALSE when a graph is already held.
    virtual HRESULT Create();
    // Releases what is held and holds the given graph instead. When the graph lacks one
    // of the interfaces, the wrapper is left empty and the caller's graph untouched.
    virtual void ReleaseAll();
    virtual HRESULT Attach(IGraphBuilder* graph);

    HRESULT QueryGraphInterfaces();
    HRESULT CreateCaptureGraphBuilder(ICaptureGraphBuilder2** builder);

    IGraphBuilder* GetGraph() const { return m_graph; }
    int GetRenderMode() const { return m_renderMode; }

    // Control
    HRESULT Run();
    HRESULT Stop();
    HRESULT Pause();
    bool IsRunning();
    bool IsStopped();
    bool IsPaused();
    // Without the control interface: S_OK with the state stopped.
    HRESULT GetState(LONG timeoutMs, OAFilterState* state);
    HRESULT SetNotifyWindow(HWND window, long message, LONG_PTR instanceData);
    HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs);
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2);
    HRESULT WaitForCompletion(long* code);
    // Takes events until one that matters (buffering, complete, device lost, abort).
    HRESULT GetSignificantEvent(long* code);
    // Takes every waiting event; true when the last was EC_COMPLETE or EC_ERRORABORT.
    bool DrainEvents();

    HRESULT GetVolume(long* volume);
    HRESULT SetVolume(long volume);
    HRESULT GetCurrentPosition(LONGLONG* position);
    // E_FAIL unless the graph can seek to an absolute position.
    HRESULT SetCurrentPosition(LONGLONG position);
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags);
    HRESULT GetDuration(LONGLONG* duration);
    HRESULT GetCapabilities(DWORD* capabilities);
    HRESULT SetRate(double rate);
    HRESULT GetRate(double* rate);
    HRESULT StepFrames(DWORD frames);

    // Building
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name);
    HRESULT RemoveFilter(IBaseFilter* filter);
    HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType);
    HRESULT Disconnect(IPin* pin);
    HRESULT Connect(IPin* output, IPin* input);
    HRESULT RenderPin(IPin* pin);
    HRESULT RenderFile(LPCWSTR fileName);
    HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter);

    // Video window, by render mode (0 windowed, 1 VMR-7 and 2 VMR-9 windowless).
    HRESULT SetVideoPosition(long x, long y, long width, long height);
    HRESULT SetVideoWindow(HWND window);
    HRESULT GetNativeVideoSize(long* width, long* height);
    HRESULT RepaintVideo(HWND window, HDC dc);
    HRESULT DisplayModeChanged();
    HRESULT SetWindowVisible(bool visible);
    HRESULT SetFullScreen(bool fullScreen);
    HRESULT HideCursor(bool hide);
    HRESULT SetMessageDrain(HWND window);
    HRESULT SetWindowStyle(long style);
    bool IsFullScreen();
    bool IsCursorHidden();

protected:
    // Drops the references; with removeFilters the graph is emptied first.
    void Release(bool removeFilters);

    CComPtr<IGraphBuilder> m_graph;
    CComPtr<IMediaControl> m_control;
    CComPtr<IMediaEventEx> m_events;
    CComPtr<IBasicAudio> m_audio;
    CComPtr<IBasicVideo> m_video;
    CComPtr<IVideoWindow> m_window;
    CComPtr<IMediaSeeking> m_seeking;
    CComPtr<IVMRWindowlessControl> m_vmr7;
    CComPtr<IVMRWindowlessControl9> m_vmr9;
    int m_renderMode = 0;
};

// The base of every concrete graph: Create, then Build, then the control operations
// through the graph, then Destroy, after which it can be created again.
class CBaseGraph {
public:
    CBaseGraph() = default;
    virtual ~CBaseGraph() = default;
    CBaseGraph(const CBaseGraph&) = delete;
    CBaseGraph& operator=(const CBaseGraph&) = delete;

    virtual HRESULT Create() { return m_graph.Create(); }
    virtual HRESULT Destroy() {
        m_graph.ReleaseAll();
        return S_OK;
    }
    virtual HRESULT Build() = 0;

    CDXGraph& Graph() { return m_graph; }

protected:
    CDXGraph m_graph;
};
