#include "app/core/MmTimer.h"

#include "app/core/EngineClock.h"

MmTimerApi MmTimerApi::System()
{
    MmTimerApi api;
    api.timeBeginPeriod = &::timeBeginPeriod;
    api.timeEndPeriod = &::timeEndPeriod;
    api.timeSetEvent = &::timeSetEvent;
    api.timeKillEvent = &::timeKillEvent;
    return api;
}

CMmTimer::~CMmTimer()
{
    Stop();
}

void CMmTimer::SetApi(const MmTimerApi& api)
{
    if (running_)
        return;
    api_ = api;
    ownApi_ = true;
}

HRESULT CMmTimer::Start(UINT periodMs, TickFn tick, void* context, TickThread where)
{
    if (running_)
        return S_FALSE;
    if (!tick || periodMs == 0)
        return E_INVALIDARG;
    tick_ = tick;
    context_ = context;
    if (!ownApi_ && EngineClock::ManualTimers()) {
        running_ = true;
        return S_OK;
    }
    UINT flags = TIME_PERIODIC | TIME_KILL_SYNCHRONOUS;
    LPTIMECALLBACK callback = &CMmTimer::TimerProc;
    DWORD_PTR user = reinterpret_cast<DWORD_PTR>(this);
    if (where == TickThread::Own) {
        const HRESULT hr = StartOwnThread();
        if (FAILED(hr))
            return hr;
        // The system's timer only sets the event: the tick itself runs on the own thread.
        flags |= TIME_CALLBACK_EVENT_SET;
        callback = reinterpret_cast<LPTIMECALLBACK>(reinterpret_cast<DWORD_PTR>(wake_.Get()));
        user = 0;
    } else {
        flags |= TIME_CALLBACK_FUNCTION;
    }
    api_.timeBeginPeriod(1);
    id_ = api_.timeSetEvent(periodMs, 1, callback, user, flags);
    if (!id_) {
        api_.timeEndPeriod(1);
        StopOwnThread();
        return E_FAIL;
    }
    running_ = true;
    return S_OK;
}

HRESULT CMmTimer::Stop(CCritSec* ownerLock)
{
    if (!running_)
        return S_FALSE;
    // The own thread cannot wait for itself; its owner stops the timer from elsewhere.
    if (thread_ && GetCurrentThreadId() == threadId_)
        return VFW_E_WRONG_STATE;
    running_ = false;
    if (id_) {
        // Never under the owner's lock: a tick in flight may be waiting for it, and the
        // synchronous kill waits for that tick.
        api_.timeKillEvent(id_);
        id_ = 0;
        api_.timeEndPeriod(1);
    }
    // No event is set any more; a tick running on the own thread ends before it does.
    StopOwnThread();
    if (ownerLock) {
        CAutoLock pass(ownerLock);
    }
    return S_OK;
}

HRESULT CMmTimer::StartOwnThread()
{
    wake_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    quit_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (wake_ && quit_)
        thread_.Reset(CreateThread(nullptr, 0, &CMmTimer::ThreadProc, this, 0, &threadId_));
    if (!thread_) {
        StopOwnThread();
        return E_FAIL;
    }
    // It paces the program as the system's timer thread would.
    SetThreadPriority(thread_.Get(), THREAD_PRIORITY_HIGHEST);
    return S_OK;
}

void CMmTimer::StopOwnThread()
{
    if (thread_) {
        SetEvent(quit_.Get());
        WaitForSingleObject(thread_.Get(), INFINITE);
        thread_.Close();
    }
    threadId_ = 0;
    wake_.Close();
    quit_.Close();
}

DWORD WINAPI CMmTimer::ThreadProc(void* self)
{
    CMmTimer* timer = static_cast<CMmTimer*>(self);
    // The quit event comes first, so a stop is seen before another pending tick.
    const HANDLE events[2] = {timer->quit_.Get(), timer->wake_.Get()};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        timer->RunTick();
    return 0;
}

void CALLBACK CMmTimer::TimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    reinterpret_cast<CMmTimer*>(user)->RunTick();
}

void CMmTimer::RunTick()
{
    try {
        tick_(context_);
    } catch (...) {
        // Unwinding out of a timer thread would end the program; this tick is lost and the
        // next one goes on.
    }
}
