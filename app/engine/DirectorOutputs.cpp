// The director's outputs: output graphs by type, the video listener list and the frame
// distribution thread that reads every mixed program frame back for them.
#include "app/engine/Director.h"

#include "app/engine/VideoMixer.h"

#include <new>

// --- output graphs --------------------------------------------------------------

HRESULT CDirector::StartOutput(int type)
{
    if (m_startingOutputs.count(type))
        return E_UNEXPECTED;
    m_startingOutputs.insert(type);
    const HRESULT hr = StartOutputGraph(type);
    m_startingOutputs.erase(type);
    return hr;
}

HRESULT CDirector::StartOutputGraph(int type)
{
    if (!m_initialized || m_channels.empty() || !m_videoMixer)
        return E_UNEXPECTED;
    {
        CAutoLock lock(&m_outputLock);
        if (m_outputs.count(type))
            return E_UNEXPECTED;
    }
    // Frames reach an output only through the frame thread: an output without it would
    // run and receive nothing while reporting success.
    if (!m_threadRunning) {
        HRESULT hr = StartFrameThread();
        if (FAILED(hr))
            return hr;
    }
    if (!m_outputFactory)
        return E_UNEXPECTED;

    OutputGraphSettings settings;
    switch (type) {
    case kOutputIeee1394:
        settings.dv = m_dv;
        break;
    case kOutputVirtualDevice:
        settings.listenPort = m_listenPort;
        break;
    case kOutputCard:
        settings.card.Clear();
        settings.card.Ntsc = m_height == 480 ? 1 : 0;
        settings.fieldType = m_fieldType;
        break;
    case kOutputDecklink:
        settings.decklink = m_decklink;
        break;
    default:
        break;
    }
    IOutputGraph* graph = m_outputFactory->CreateOutputGraph(type, settings);
    if (!graph)
        return E_INVALIDARG;

    HRESULT hr = graph->Create();
    if (FAILED(hr)) {
        DestroyOutputGraph(graph);
        return hr;
    }
    IComposeSource* source = graph->GetComposeSource();
    if (!source) {
        DestroyOutputGraph(graph);
        return E_FAIL;
    }
    CMediaType video;
    hr = m_videoMixer->GetOutputMediaType(&video);
    if (SUCCEEDED(hr))
        hr = source->SetPinMediaType(0, &video);
    if (SUCCEEDED(hr))
        hr = source->SetPinMediaType(1, &m_audioType);
    if (FAILED(hr)) {
        DestroyOutputGraph(graph);
        return hr;
    }
    if (type == kOutputWindowsMedia)
        graph->SetEncodeSettings(m_encode);
    else if (type == kOutputAvi)
        graph->SetAviSettings(m_avi);

    hr = graph->Build();
    if (SUCCEEDED(hr))
        hr = graph->Run();
    if (FAILED(hr)) {
        graph->Stop();
        DestroyOutputGraph(graph);
        return hr;
    }
    OAFilterState state = 0;
    graph->GetState(100, &state);

    AddVideoListener(source->GetVideoListener());
    AddAudioListener(source->GetAudioListener());
    source->ActivatePins();
    {
        CAutoLock lock(&m_outputLock);
        m_outputs[type] = graph;
        m_outputsRunning = true;
    }
    if (type == kOutputIeee1394)
        graph->SetNotifyWindow(m_notifyWindow, WM_DV_OUTPUT_EVENT, reinterpret_cast<LPARAM>(graph));
    return hr;
}

IOutputGraph* CDirector::GetOutputGraph(int type)
{
    CAutoLock lock(&m_outputLock);
    const auto found = m_outputs.find(type);
    return found == m_outputs.end() ? nullptr : found->second;
}

void CDirector::DestroyOutputGraph(IOutputGraph* graph)
{
    graph->Destroy();
    delete graph;
}

HRESULT CDirector::StopOutput(int type)
{
    if (type == kOutputAll) {
        // Each type is stopped with the map lock released in between, so the output-map
        // lock is never held while a listener lock is taken.
        for (;;) {
            int first;
            {
                CAutoLock lock(&m_outputLock);
                if (m_outputs.empty())
                    break;
                first = m_outputs.begin()->first;
            }
            StopOutput(first);
        }
        return S_OK;
    }
    IOutputGraph* graph;
    {
        CAutoLock lock(&m_outputLock);
        std::map<int, IOutputGraph*>::iterator it = m_outputs.find(type);
        if (it == m_outputs.end())
            return E_UNEXPECTED;
        graph = it->second;
    }
    // The pins leave both lists before the graph stops, so none is called while it goes.
    if (IComposeSource* source = graph->GetComposeSource()) {
        RemoveVideoListener(source->GetVideoListener());
        RemoveAudioListener(source->GetAudioListener());
    }
    graph->Stop();
    HRESULT hr = graph->Destroy();
    {
        CAutoLock lock(&m_outputLock);
        m_outputs.erase(type);
        if (m_outputs.empty())
            m_outputsRunning = false;
    }
    delete graph;
    return hr;
}

int CDirector::IsOutputRunning(int type)
{
    CAutoLock lock(&m_outputLock);
    return m_outputs.count(type) ? 1 : 0;
}

// --- video listeners ------------------------------------------------------------

void CDirector::AddVideoListener(IVideoListener* listener)
{
    if (!listener)
        return;
    {
        CAutoLock lock(&m_videoLock);
        m_videoListeners.push_back(listener);
    }
    // The engine queues and reads back frames only while somebody listens.
    if (m_videoMixer)
        m_videoMixer->SetListener(this);
}

void CDirector::RemoveVideoListener(IVideoListener* listener)
{
    bool empty;
    {
        CAutoLock lock(&m_videoLock);
        m_videoListeners.remove(listener);
        empty = m_videoListeners.empty();
    }
    if (empty && m_videoMixer)
        m_videoMixer->SetListener(nullptr);
}

// --- frame distribution thread ---------------------------------------------------

void CDirector::OnFrameReady(LONGLONG, LONGLONG)
{
    CAutoLock lock(&m_eventLock);
    if (m_frameEvent)
        SetEvent(m_frameEvent);
}

HRESULT CDirector::StartFrameThread()
{
    if (m_threadRunning)
        return S_FALSE;
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event)
        return HRESULT_FROM_WIN32(GetLastError());
    {
        CAutoLock lock(&m_eventLock);
        m_frameEvent = event;
    }
    m_thread = CreateThread(nullptr, 0, &CDirector::FrameThreadProc, this, CREATE_SUSPENDED, nullptr);
    if (!m_thread) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        CAutoLock lock(&m_eventLock);
        CloseHandle(m_frameEvent);
        m_frameEvent = nullptr;
        return FAILED(hr) ? hr : E_FAIL;
    }
    InterlockedExchange(&m_threadRunning, 1);
    ResumeThread(m_thread);
    return S_OK;
}

void CDirector::StopFrameThread()
{
    if (m_thread) {
        InterlockedExchange(&m_threadRunning, 0);
        OnFrameReady(0, 0);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    {
        CAutoLock lock(&m_eventLock);
        if (m_frameEvent) {
            CloseHandle(m_frameEvent);
            m_frameEvent = nullptr;
        }
    }
    delete[] m_readback;
    m_readback = nullptr;
    m_readbackSize = 0;
    {
        CAutoLock lock(&m_videoLock);
        m_videoListeners.clear();
    }
    // Nobody reads frames any more: the engine stops queuing them.
    if (m_videoMixer)
        m_videoMixer->SetListener(nullptr);
}

DWORD WINAPI CDirector::FrameThreadProc(void* self)
{
    static_cast<CDirector*>(self)->FrameLoop();
    return 0;
}

void CDirector::FrameLoop()
{
    bool eventReset = false;
    while (m_threadRunning) {
        const HRESULT hr = GetNextFrame();
        if (hr == VFW_S_NO_MORE_ITEMS || hr == E_UNEXPECTED) {
            // The event is reset before the queue is looked at once more, so a frame queued
            // between the look and the reset is not left waiting for the next one.
            if (!eventReset) {
                ResetEvent(m_frameEvent);
                eventReset = true;
                continue;
            }
            if (!m_threadRunning)
                break;
            WaitForSingleObject(m_frameEvent, INFINITE);
            eventReset = false;
            continue;
        }
        eventReset = false;
        if (FAILED(hr))
            continue;
        DistributeFrame();
    }
}

IProgramFrameSource* CDirector::FrameSource() const
{
    return m_videoMixer ? m_videoMixer->GetProgramFrames() : nullptr;
}

HRESULT CDirector::GetNextFrame()
{
    IProgramFrameSource* frames = FrameSource();
    if (!frames)
        return E_UNEXPECTED;
    HRESULT made = S_OK;
    if (!m_readback) {
        const long size = static_cast<long>(m_width) * m_height * 4;
        m_readback = new (std::nothrow) BYTE[size];
        if (m_readback)
            m_readbackSize = size;
        else
            made = E_OUTOFMEMORY;
    }
    // Without a buffer the frame is still taken, and dropped, so the queue keeps moving.
    ProgramFrameInfo frame;
    long count = m_readbackSize;
    const HRESULT hr = frames->ReadNextFrame(m_readback, &count, &frame);
    if (hr == VFW_S_NO_MORE_ITEMS)
        return hr;

    ZeroMemory(&m_frame, sizeof(m_frame));
    if (frame.flags & 8) {
        m_frame.dwSampleFlags |= AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
        m_frame.tStart = frame.start;
        m_frame.tStop = frame.stop;
    }
    if (frame.flags & 1)
        m_frame.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
    if (frame.flags & 2)
        m_frame.dwSampleFlags |= AM_SAMPLE_PREROLL;
    if (frame.flags & 4)
        m_frame.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
    if (FAILED(made))
        return made;
    if (FAILED(hr))
        return hr;
    m_frame.pbBuffer = m_readback;
    m_frame.cbBuffer = m_readbackSize;
    m_frame.lActual = count;
    return S_OK;
}

void CDirector::DistributeFrame()
{
    CAutoLock lock(&m_videoLock);
    for (IVideoListener* listener : m_videoListeners) {
        try {
            listener->OnVideoFrame(0, &m_frame);
        } catch (...) {
            // One failing output must not stop the others.
        }
    }
}
