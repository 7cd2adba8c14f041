#include "app/graphs/base/DXGraph.h"

CDXGraph::~CDXGraph() { ReleaseAll(); }

HRESULT CDXGraph::Create() {
    if (m_graph) return S_FALSE;
    HRESULT hr = m_graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL);
    if (FAILED(hr)) return hr;
    return QueryGraphInterfaces();
}

HRESULT CDXGraph::Attach(IGraphBuilder* graph) {
    if (!graph) return E_POINTER;
    ReleaseAll();
    m_graph = graph;
    HRESULT hr = QueryGraphInterfaces();
    return hr;
}

HRESULT CDXGraph::QueryGraphInterfaces() {
    if (!m_graph) return E_POINTER;
    CComQIPtr<IBasicAudio> audio(m_graph);
    CComQIPtr<IBasicVideo> video(m_graph);
    CComQIPtr<IMediaControl> control(m_graph);
    CComQIPtr<IMediaEventEx> events(m_graph);
    CComQIPtr<IMediaSeeking> seeking(m_graph);
    CComQIPtr<IVideoWindow> window(m_graph);
    if (!audio || !video || !control || !events || !seeking || !window) {
        // Only the references go: the filters belong to whoever handed the graph in.
        Release(false);
        return DSH_E_GRAPH_INTERFACE;
    }
    m_audio = audio;
    m_video = video;
    m_control = control;
    m_events = events;
    m_seeking = seeking;
    m_window = window;
    m_seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    return S_OK;
}

void CDXGraph::ReleaseAll() { Release(true); }

void CDXGraph::Release(bool removeFilters) {
    if (!m_graph) return;
    RECT empty = {0, 0, 0, 0};
    if (m_vmr9) {
        m_vmr9->SetVideoPosition(nullptr, &empty);
        m_vmr9.Release();
    }
    if (m_vmr7) {
        m_vmr7->SetVideoPosition(nullptr, &empty);
        m_vmr7.Release();
    }
    m_renderMode = 0;
    if (removeFilters) {
        ClearFilterCache(m_graph);
        RemoveAllFilters(m_graph);
    }
    m_audio.Release();
    m_video.Release();
    m_control.Release();
    m_seeking.Release();
    if (m_events) {
        m_events->SetNotifyWindow(0, 0, 0);
        m_events.Release();
    }
    if (m_window) {
        m_window->put_Visible(OAFALSE);
        m_window->put_MessageDrain(0);
        m_window->put_Owner(0);
        m_window.Release();
    }
    m_graph.Release();
}

HRESULT CDXGraph::CreateCaptureGraphBuilder(ICaptureGraphBuilder2** builder) {
    if (!m_graph || !builder) return E_POINTER;
    *builder = nullptr;
    CComPtr<ICaptureGraphBuilder2> made;
    HRESULT hr = made.CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_ALL);
    if (FAILED(hr)) return hr;
    hr = made->SetFiltergraph(m_graph);
    if (FAILED(hr)) return hr;
    *builder = made.Detach();
    return S_OK;
}

// ---------------------------------------------------------------- control

HRESULT CDXGraph::Run() { return m_control ? m_control->Run() : E_POINTER; }
HRESULT CDXGraph::Stop() { return m_control ? m_control->Stop() : E_POINTER; }
HRESULT CDXGraph::Pause() { return m_control ? m_control->Pause() : E_POINTER; }

bool CDXGraph::IsRunning() {
    OAFilterState state = State_Stopped;
    return m_control && SUCCEEDED(m_control->GetState(0, &state)) && state == State_Running;
}

bool CDXGraph::IsStopped() {
    OAFilterState state = State_Running;
    return m_control && SUCCEEDED(m_control->GetState(0, &state)) && state == State_Stopped;
}

bool CDXGraph::IsPaused() {
    OAFilterState state = State_Stopped;
    return m_control && SUCCEEDED(m_control->GetState(0, &state)) && state == State_Paused;
}

HRESULT CDXGraph::GetState(LONG timeoutMs, OAFilterState* state) {
    if (!m_control) {
        // Success with a state the caller can store, never an unset one.
        if (state) *state = State_Stopped;
        return S_OK;
    }
    return m_control->GetState(timeoutMs, state);
}

HRESULT CDXGraph::SetNotifyWindow(HWND window, long message, LONG_PTR instanceData) {
    return m_events ? m_events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), message, instanceData) : E_POINTER;
}

HRESULT CDXGraph::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) {
    return m_events ? m_events->GetEvent(code, param1, param2, timeoutMs) : E_POINTER;
}

HRESULT CDXGraph::FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) {
    return m_events ? m_events->FreeEventParams(code, param1, param2) : E_POINTER;
}

HRESULT CDXGraph::WaitForCompletion(long* code) {
    return m_events ? m_events->WaitForCompletion(INFINITE, code) : E_POINTER;
}

HRESULT CDXGraph::GetSignificantEvent(long* code) {
    if (!m_events || !code) return E_POINTER;
    for (;;) {
        long event = 0;
        LONG_PTR p1 = 0, p2 = 0;
        HRESULT hr = m_events->GetEvent(&event, &p1, &p2, 0);
        if (FAILED(hr)) return hr;
        m_events->FreeEventParams(event, p1, p2);
        if (event == EC_BUFFERING_DATA || event == EC_COMPLETE || event == EC_DEVICE_LOST ||
            event == EC_ERRORABORT || event == EC_USERABORT) {
            *code = event;
            return S_OK;
        }
    }
}

bool CDXGraph::DrainEvents() {
    if (!m_events) return false;
    bool ended = false;
    long event = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (SUCCEEDED(m_events->GetEvent(&event, &p1, &p2, 0))) {
        m_events->FreeEventParams(event, p1, p2);
        ended = event == EC_COMPLETE || event == EC_ERRORABORT;
    }
    return ended;
}

HRESULT CDXGraph::GetVolume(long* volume) { return m_audio ? m_audio->get_Volume(volume) : E_POINTER; }
HRESULT CDXGraph::SetVolume(long volume) { return m_audio ? m_audio->put_Volume(volume) : E_POINTER; }

HRESULT CDXGraph::GetCurrentPosition(LONGLONG* position) {
    return m_seeking ? m_seeking->GetCurrentPosition(position) : E_POINTER;
}

HRESULT CDXGraph::SetCurrentPosition(LONGLONG position) {
    if (!m_seeking) return E_POINTER;
    DWORD capabilities = 0;  // a failed query reads as "cannot seek"
    m_seeking->GetCapabilities(&capabilities);
    if (!(capabilities & AM_SEEKING_CanSeekAbsolute)) return E_FAIL;
    return m_seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT CDXGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
    return m_seeking ? m_seeking->SetPositions(current, currentFlags, stop, stopFlags) : E_POINTER;
}

HRESULT CDXGraph::GetDuration(LONGLONG* duration) { return m_seeking ? m_seeking->GetDuration(duration) : E_POINTER; }

HRESULT CDXGraph::GetCapabilities(DWORD* capabilities) {
    return m_seeking ? m_seeking->GetCapabilities(capabilities) : E_POINTER;
}

HRESULT CDXGraph::SetRate(double rate) { return m_seeking ? m_seeking->SetRate(rate) : E_POINTER; }
HRESULT CDXGraph::GetRate(double* rate) { return m_seeking ? m_seeking->GetRate(rate) : E_POINTER; }

HRESULT CDXGraph::StepFrames(DWORD frames) {
    CComQIPtr<IVideoFrameStep> step(m_graph);
    if (!step) return E_POINTER;
    return step->Step(frames, nullptr);
}

// ---------------------------------------------------------------- building

HRESULT CDXGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    return m_graph ? m_graph->AddFilter(filter, name) : E_POINTER;
}

HRESULT CDXGraph::RemoveFilter(IBaseFilter* filter) { return m_graph ? m_graph->RemoveFilter(filter) : E_POINTER; }

HRESULT CDXGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) {
    return m_graph ? m_graph->ConnectDirect(output, input, mediaType) : E_POINTER;
}

HRESULT CDXGraph::Disconnect(IPin* pin) { return m_graph ? m_graph->Disconnect(pin) : E_POINTER; }

HRESULT CDXGraph::Connect(IPin* output, IPin* input) { return m_graph ? m_graph->Connect(output, input) : E_POINTER; }

HRESULT CDXGraph::RenderPin(IPin* pin) {
    if (!m_graph) return E_POINTER;
    if (m_renderMode == 2) {
        CComQIPtr<IFilterGraph2> graph2(m_graph);
        if (graph2) return graph2->RenderEx(pin, AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr);
    }
    return m_graph->Render(pin);
}

HRESULT CDXGraph::RenderFile(LPCWSTR fileName) { return m_graph ? m_graph->RenderFile(fileName, nullptr) : E_POINTER; }

HRESULT CDXGraph::AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) {
    return m_graph ? m_graph->AddSourceFilter(fileName, filterName, filter) : E_POINTER;
}

// ---------------------------------------------------------------- video window

HRESULT CDXGraph::SetVideoPosition(long x, long y, long width, long height) {
    RECT target = {x, y, x + width, y + height};
    switch (m_renderMode) {
    case 0: return m_window ? m_window->SetWindowPosition(x, y, width, height) : E_FAIL;
    case 1: return m_vmr7 ? m_vmr7->SetVideoPosition(nullptr, &target) : E_FAIL;
    case 2: return m_vmr9 ? m_vmr9->SetVideoPosition(nullptr, &target) : E_FAIL;
    default: return E_FAIL;
    }
}

HRESULT CDXGraph::SetVideoWindow(HWND window) {
    switch (m_renderMode) {
    case 0: return m_window ? m_window->put_Owner(reinterpret_cast<OAHWND>(window)) : E_FAIL;
    case 1: return m_vmr7 ? m_vmr7->SetVideoClippingWindow(window) : E_FAIL;
    case 2: return m_vmr9 ? m_vmr9->SetVideoClippingWindow(window) : E_FAIL;
    default: return E_FAIL;
    }
}

HRESULT CDXGraph::GetNativeVideoSize(long* width, long* height) {
    long aspectX = 0, aspectY = 0;
    switch (m_renderMode) {
    case 0: return m_video ? m_video->GetVideoSize(width, height) : E_FAIL;
    case 1: return m_vmr7 ? m_vmr7->GetNativeVideoSize(width, height, &aspectX, &aspectY) : E_FAIL;
    case 2: return m_vmr9 ? m_vmr9->GetNativeVideoSize(width, height, &aspectX, &aspectY) : E_FAIL;
    default: return E_FAIL;
    }
}

HRESULT CDXGraph::RepaintVideo(HWND window, HDC dc) {
    switch (m_renderMode) {
    case 0: return S_OK;  // the renderer's own window paints itself
    case 1: return m_vmr7 ? m_vmr7->RepaintVideo(window, dc) : E_FAIL;
    case 2: return m_vmr9 ? m_vmr9->RepaintVideo(window, dc) : E_FAIL;
    default: return E_FAIL;
    }
}

HRESULT CDXGraph::DisplayModeChanged() {
    switch (m_renderMode) {
    case 0: return S_OK;
    case 1: return m_vmr7 ? m_vmr7->DisplayModeChanged() : E_FAIL;
    case 2: return m_vmr9 ? m_vmr9->DisplayModeChanged() : E_FAIL;
    default: return E_FAIL;
    }
}

HRESULT CDXGraph::SetWindowVisible(bool visible) {
    if (m_renderMode != 0 || !m_window) return E_FAIL;
    return m_window->put_Visible(visible ? OATRUE : OAFALSE);
}

HRESULT CDXGraph::SetFullScreen(bool fullScreen) {
    if (m_renderMode != 0 || !m_window) return E_FAIL;
    return m_window->put_FullScreenMode(fullScreen ? OATRUE : OAFALSE);
}

HRESULT CDXGraph::HideCursor(bool hide) {
    if (m_renderMode != 0 || !m_window) return E_FAIL;
    return m_window->HideCursor(hide ? OATRUE : OAFALSE);
}

HRESULT CDXGraph::SetMessageDrain(HWND window) {
    if (m_renderMode != 0 || !m_window) return E_FAIL;
    return m_window->put_MessageDrain(reinterpret_cast<OAHWND>(window));
}

HRESULT CDXGraph::SetWindowStyle(long style) {
    if (m_renderMode != 0 || !m_window) return E_FAIL;
    return m_window->put_WindowStyle(style);
}

bool CDXGraph::IsFullScreen() {
    long mode = OAFALSE;
    return m_renderMode == 0 && m_window && SUCCEEDED(m_window->get_FullScreenMode(&mode)) && mode == OATRUE;
}

bool CDXGraph::IsCursorHidden() {
    long hidden = OAFALSE;
    return m_renderMode == 0 && m_window && SUCCEEDED(m_window->IsCursorHidden(&hidden)) && hidden == OATRUE;
}
