// The director's frame thread: woken by the mixer's frame notices, it reads every composed
// program frame back once and hands it to each video listener (the outputs' video pins).
#pragma once

#include "app/core/Listeners.h"
#include "app/engine/ProgramFrameSource.h"
#include "app/foundation/HandleOwner.h"

#include <streams.h>

#include <functional>
#include <list>

class CProgramFrameThread {
public:
    // Asked before every read, so the reader may change or go (null: nothing to read).
    using FrameSourceFn = std::function<IProgramFrameSource*()>;

    explicit CProgramFrameThread(FrameSourceFn source);
    ~CProgramFrameThread();
    CProgramFrameThread(const CProgramFrameThread&) = delete;
    CProgramFrameThread& operator=(const CProgramFrameThread&) = delete;

    // Frames are read into a buffer of `frameBytes`; a failure leaves no thread and no event.
    HRESULT Start(long frameBytes);
    // Ends the thread, frees the buffer and forgets every listener.
    void Stop();
    bool IsRunning() const { return m_running != 0; }
    // A frame is waiting (any thread).
    void Wake();

    void AddListener(IVideoListener* listener);
    // True when no listener is left.
    bool RemoveListener(IVideoListener* listener);

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Loop();
    HRESULT GetNextFrame();
    void Distribute();

    FrameSourceFn m_source;
    CHandleOwner m_thread;
    CHandleOwner m_frameEvent;
    // The mixing clock may announce a frame while the thread is being stopped: the event
    // handle is set and closed under this lock only.
    CCritSec m_eventLock;
    volatile LONG m_running = 0;

    std::list<IVideoListener*> m_listeners;
    CCritSec m_listenerLock;

    long m_frameBytes = 0;
    AM_SAMPLE2_PROPERTIES m_frame = {};
    BYTE* m_readback = nullptr;
    long m_readbackSize = 0;
};
