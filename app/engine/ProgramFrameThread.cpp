#include "app/engine/ProgramFrameThread.h"

#include <new>
#include <utility>

CProgramFrameThread::CProgramFrameThread(FrameSourceFn source) : m_source(std::move(source))
{
}

CProgramFrameThread::~CProgramFrameThread()
{
    Stop();
}

void CProgramFrameThread::Wake()
{
    CAutoLock lock(&m_eventLock);
    if (m_frameEvent)
        SetEvent(m_frameEvent.Get());
}

HRESULT CProgramFrameThread::Start(long frameBytes)
{
    if (m_running)
        return S_FALSE;
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event)
        return HRESULT_FROM_WIN32(GetLastError());
    {
        CAutoLock lock(&m_eventLock);
        m_frameEvent.Reset(event);
    }
    m_frameBytes = frameBytes;
    m_thread.Reset(CreateThread(nullptr, 0, &CProgramFrameThread::ThreadProc, this, CREATE_SUSPENDED, nullptr));
    if (!m_thread) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        CAutoLock lock(&m_eventLock);
        m_frameEvent.Close();
        return FAILED(hr) ? hr : E_FAIL;
    }
    InterlockedExchange(&m_running, 1);
    ResumeThread(m_thread.Get());
    return S_OK;
}

void CProgramFrameThread::Stop()
{
    if (m_thread) {
        InterlockedExchange(&m_running, 0);
        Wake();
        WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Close();
    }
    {
        CAutoLock lock(&m_eventLock);
        m_frameEvent.Close();
    }
    delete[] m_readback;
    m_readback = nullptr;
    m_readbackSize = 0;
    CAutoLock lock(&m_listenerLock);
    m_listeners.clear();
}

void CProgramFrameThread::AddListener(IVideoListener* listener)
{
    CAutoLock lock(&m_listenerLock);
    m_listeners.push_back(listener);
}

bool CProgramFrameThread::RemoveListener(IVideoListener* listener)
{
    CAutoLock lock(&m_listenerLock);
    m_listeners.remove(listener);
    return m_listeners.empty();
}

DWORD WINAPI CProgramFrameThread::ThreadProc(void* self)
{
    static_cast<CProgramFrameThread*>(self)->Loop();
    return 0;
}

void CProgramFrameThread::Loop()
{
    bool eventReset = false;
    while (m_running) {
        const HRESULT hr = GetNextFrame();
        if (hr == VFW_S_NO_MORE_ITEMS || hr == E_UNEXPECTED) {
            // The event is reset before the queue is looked at once more, so a frame queued
            // between the look and the reset is not left waiting for the next one.
            if (!eventReset) {
                ResetEvent(m_frameEvent.Get());
                eventReset = true;
                continue;
            }
            if (!m_running)
                break;
            WaitForSingleObject(m_frameEvent.Get(), INFINITE);
            eventReset = false;
            continue;
        }
        eventReset = false;
        if (FAILED(hr))
            continue;
        Distribute();
    }
}

HRESULT CProgramFrameThread::GetNextFrame()
{
    IProgramFrameSource* frames = m_source ? m_source() : nullptr;
    if (!frames)
        return E_UNEXPECTED;
    HRESULT made = S_OK;
    if (!m_readback) {
        m_readback = new (std::nothrow) BYTE[m_frameBytes];
        if (m_readback)
            m_readbackSize = m_frameBytes;
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

void CProgramFrameThread::Distribute()
{
    CAutoLock lock(&m_listenerLock);
    for (IVideoListener* listener : m_listeners) {
        try {
            listener->OnVideoFrame(0, &m_frame);
        } catch (...) {
            // One failing output must not stop the others.
        }
    }
}
