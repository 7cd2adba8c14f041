// The one owner of a periodic multimedia timer, used by the video mixer's clock, the audio
// mixer and the AVI splitter. It always kills synchronously, so once Stop returns no tick
// runs; given the owner's lock, Stop also takes and leaves it once, so a tick that had
// already entered it (where a kill would not wait) has left before the owner frees anything.
//
// The system runs every multimedia timer of the process on one thread, so a slow tick of one
// owner delays the ticks of all. An owner whose tick takes long (the video mixer composes a
// picture on every tick) has its ticks run on a thread of the timer's own instead, which the
// system's timer wakes by setting an event; ticks that come while one runs fold into one.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <streams.h>

#include "app/foundation/HandleOwner.h"

// The winmm timer functions, replaceable by tests that start and fire timers by hand.
struct MmTimerApi {
    MMRESULT(WINAPI* timeBeginPeriod)(UINT period);
    MMRESULT(WINAPI* timeEndPeriod)(UINT period);
    MMRESULT(WINAPI* timeSetEvent)(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
    MMRESULT(WINAPI* timeKillEvent)(UINT id);

    // The winmm functions themselves.
    static MmTimerApi System();
};

class CMmTimer {
public:
    using TickFn = void (*)(void* context);
    // Where the ticks run.
    enum class TickThread { System, Own };

    CMmTimer() = default;
    // Stops a running timer (without an owner lock: the owner stops it first).
    ~CMmTimer();
    CMmTimer(const CMmTimer&) = delete;
    CMmTimer& operator=(const CMmTimer&) = delete;

    // Timer functions of the owner's own; only while stopped. Without them the system's are
    // used, or, while the engine clock runs manual timers, none: Start then creates nothing
    // and the owner's tick is called by hand.
    void SetApi(const MmTimerApi& api);

    // A periodic timer of `periodMs` with 1 ms resolution, the system's timer resolution
    // raised to 1 ms while it runs. `tick` runs on the system's timer thread; an exception
    // it lets out is caught there, as it would end the program. S_FALSE when running;
    // E_FAIL when the system gives no timer.
    // With TickThread::Own the ticks run on the timer's own thread instead, woken through an
    // event the system timer sets (TIME_CALLBACK_EVENT_SET); E_FAIL also when no thread or
    // event can be made.
    HRESULT Start(UINT periodMs, TickFn tick, void* context, TickThread where = TickThread::System);
    // S_FALSE when not running. With an own thread, Stop also waits for that thread to end
    // (a tick in progress included), so the caller must not hold a lock the tick takes.
    // Called from a tick itself, it only asks the thread to end after that tick.
    HRESULT Stop(CCritSec* ownerLock = nullptr);
    bool IsRunning() const { return running_; }
    // The own thread's id while it runs (0 without one), for checks and diagnostics.
    DWORD TickThreadId() const { return threadId_; }

private:
    static void CALLBACK TimerProc(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    static DWORD WINAPI ThreadProc(void* self);
    void RunTick();
    HRESULT StartOwnThread();
    void StopOwnThread();

    MmTimerApi api_ = MmTimerApi::System();
    bool ownApi_ = false;
    bool running_ = false;
    UINT id_ = 0;
    TickFn tick_ = nullptr;
    void* context_ = nullptr;
    // The own thread, woken by wake_ (set by the system's timer) and ended by quit_.
    CHandleOwner thread_;
    DWORD threadId_ = 0;
    CHandleOwner wake_;
    CHandleOwner quit_;
};
