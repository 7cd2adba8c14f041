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

HRESULT CMmTimer::Start(UINT periodMs, TickFn tick, void* context)
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
    api_.timeBeginPeriod(1);
    id_ = api_.timeSetEvent(periodMs, 1, &CMmTimer::TimerProc, reinterpret_cast<DWORD_PTR>(this),
                            TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (!id_) {
        api_.timeEndPeriod(1);
        return E_FAIL;
    }
    running_ = true;
    return S_OK;
}

HRESULT CMmTimer::Stop(CCritSec* ownerLock)
{
    if (!running_)
        return S_FALSE;
    running_ = false;
    if (id_) {
        // Never under the owner's lock: a tick in flight may be waiting for it, and the
        // synchronous kill waits for that tick.
        api_.timeKillEvent(id_);
        id_ = 0;
        api_.timeEndPeriod(1);
    }
    if (ownerLock) {
        CAutoLock pass(ownerLock);
    }
    return S_OK;
}

void CALLBACK CMmTimer::TimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    CMmTimer* timer = reinterpret_cast<CMmTimer*>(user);
    try {
        timer->tick_(timer->context_);
    } catch (...) {
        // Unwinding into the system's timer thread would end the program; this tick is lost
        // and the next one goes on.
    }
}
