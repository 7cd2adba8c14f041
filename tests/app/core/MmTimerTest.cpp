// The one multimedia-timer owner: how it asks the system for its timer, that it always kills
// synchronously and passes the owner's lock before Stop returns, and that a tick's exception
// stays on the timer thread.
#include "app/core/EngineClock.h"
#include "app/core/MmTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

struct FakeTimers {
    static inline int begins = 0, ends = 0, sets = 0;
    static inline UINT period = 0, resolution = 0, flags = 0;
    static inline LPTIMECALLBACK callback = nullptr;
    static inline DWORD_PTR user = 0;
    static inline std::vector<UINT> killed;
    static inline bool fail = false;

    static void Reset()
    {
        begins = ends = sets = 0;
        period = resolution = flags = 0;
        callback = nullptr;
        user = 0;
        killed.clear();
        fail = false;
    }
    static MMRESULT WINAPI Begin(UINT) { ++begins; return TIMERR_NOERROR; }
    static MMRESULT WINAPI End(UINT) { ++ends; return TIMERR_NOERROR; }
    static MMRESULT WINAPI Set(UINT delay, UINT res, LPTIMECALLBACK cb, DWORD_PTR u, UINT f)
    {
        if (fail)
            return 0;
        ++sets;
        period = delay;
        resolution = res;
        flags = f;
        callback = cb;
        user = u;
        return 41;
    }
    static MMRESULT WINAPI Kill(UINT id) { killed.push_back(id); return TIMERR_NOERROR; }
    static MmTimerApi Api() { return {&Begin, &End, &Set, &Kill}; }
    static void Fire() { callback(41, 0, user, 0, 0); }
};

struct Counter {
    int ticks = 0;
    bool throwNext = false;
    static void Tick(void* self)
    {
        Counter* c = static_cast<Counter*>(self);
        ++c->ticks;
        if (c->throwNext) {
            c->throwNext = false;
            throw std::runtime_error("listener failed");
        }
    }
};

class MmTimerTest : public ::testing::Test {
protected:
    void SetUp() override { FakeTimers::Reset(); }
    void TearDown() override { EngineClock::SetManualTimers(false); }
};

} // namespace

TEST_F(MmTimerTest, APeriodicSynchronouslyKilledTimerAtOneMillisecondResolution)
{
    Counter counter;
    CMmTimer timer;
    timer.SetApi(FakeTimers::Api());
    ASSERT_EQ(timer.Start(40, &Counter::Tick, &counter), S_OK);
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_EQ(timer.Start(40, &Counter::Tick, &counter), S_FALSE);
    EXPECT_EQ(FakeTimers::sets, 1);
    EXPECT_EQ(FakeTimers::period, 40u);
    EXPECT_EQ(FakeTimers::resolution, 1u);
    EXPECT_EQ(FakeTimers::flags, static_cast<UINT>(TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS));
    EXPECT_EQ(FakeTimers::begins, 1);

    FakeTimers::Fire();
    FakeTimers::Fire();
    EXPECT_EQ(counter.ticks, 2);

    EXPECT_EQ(timer.Stop(), S_OK);
    EXPECT_EQ(timer.Stop(), S_FALSE);
    EXPECT_EQ(FakeTimers::killed, std::vector<UINT>{41});
    EXPECT_EQ(FakeTimers::ends, 1);
    EXPECT_FALSE(timer.IsRunning());
}

TEST_F(MmTimerTest, ATimerTheSystemRefusesLeavesNothingRunning)
{
    Counter counter;
    CMmTimer timer;
    timer.SetApi(FakeTimers::Api());
    FakeTimers::fail = true;
    EXPECT_EQ(timer.Start(40, &Counter::Tick, &counter), E_FAIL);
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(FakeTimers::begins, 1);
    EXPECT_EQ(FakeTimers::ends, 1);
    EXPECT_EQ(timer.Stop(), S_FALSE);
    EXPECT_TRUE(FakeTimers::killed.empty());
    EXPECT_EQ(timer.Start(0, &Counter::Tick, &counter), E_INVALIDARG);
}

TEST_F(MmTimerTest, ManualTimersCreateNothingUnlessTheOwnerBroughtItsOwnFunctions)
{
    EngineClock::SetManualTimers(true);
    Counter counter;
    CMmTimer manual;
    ASSERT_EQ(manual.Start(40, &Counter::Tick, &counter), S_OK);
    EXPECT_TRUE(manual.IsRunning());
    EXPECT_EQ(manual.Stop(), S_OK);

    CMmTimer own;
    own.SetApi(FakeTimers::Api());
    ASSERT_EQ(own.Start(10, &Counter::Tick, &counter), S_OK);
    EXPECT_EQ(FakeTimers::sets, 1);
    EXPECT_EQ(own.Stop(), S_OK);
}

TEST_F(MmTimerTest, AnExceptionInATickStaysOnTheTimerThread)
{
    Counter counter;
    CMmTimer timer;
    timer.SetApi(FakeTimers::Api());
    ASSERT_EQ(timer.Start(40, &Counter::Tick, &counter), S_OK);
    counter.throwNext = true;
    EXPECT_NO_THROW(FakeTimers::Fire());
    FakeTimers::Fire();
    EXPECT_EQ(counter.ticks, 2);
}

namespace {

struct StopCall {
    CMmTimer* timer;
    CCritSec* lock;
    std::atomic<bool> returned{false};
};

DWORD WINAPI StopThread(void* p)
{
    StopCall* call = static_cast<StopCall*>(p);
    call->timer->Stop(call->lock);
    call->returned = true;
    return 0;
}

} // namespace

TEST_F(MmTimerTest, StopReturnsOnlyAfterATickHoldingTheOwnersLockHasLeftIt)
{
    Counter counter;
    CMmTimer timer;
    timer.SetApi(FakeTimers::Api());
    ASSERT_EQ(timer.Start(40, &Counter::Tick, &counter), S_OK);
    // A tick that entered the owner's lock where the kill would not wait for it.
    CCritSec ownerLock;
    ownerLock.Lock();
    StopCall call{&timer, &ownerLock};
    HANDLE thread = CreateThread(nullptr, 0, &StopThread, &call, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // Still waiting while the lock is held (a negative check, not a pacing wait).
    EXPECT_EQ(WaitForSingleObject(thread, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(call.returned.load());
    ownerLock.Unlock();
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_TRUE(call.returned.load());
    EXPECT_EQ(FakeTimers::killed, std::vector<UINT>{41});
}

namespace {

// A tick that reports where it ran and, once, waits inside the owner's lock until released,
// as a composition in progress does.
struct HeldTick {
    CCritSec* ownerLock = nullptr;
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> ticks{0};
    std::atomic<bool> inside{false};
    std::atomic<DWORD> thread{0};
    std::atomic<bool> hold{true};

    ~HeldTick()
    {
        CloseHandle(entered);
        CloseHandle(release);
    }
    static void Tick(void* self)
    {
        HeldTick* t = static_cast<HeldTick*>(self);
        CAutoLock lock(t->ownerLock);
        t->inside = true;
        t->thread = GetCurrentThreadId();
        ++t->ticks;
        if (t->hold.exchange(false)) {
            SetEvent(t->entered);
            WaitForSingleObject(t->release, INFINITE);
        }
        t->inside = false;
    }
};

// The event the timer gave the system in place of a callback function.
HANDLE FiredEvent()
{
    return reinterpret_cast<HANDLE>(reinterpret_cast<DWORD_PTR>(FakeTimers::callback));
}

bool ThreadHasEnded(DWORD id)
{
    HANDLE h = OpenThread(SYNCHRONIZE, FALSE, id);
    if (!h)
        return true; // gone altogether
    const bool ended = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}

} // namespace

TEST_F(MmTimerTest, OnItsOwnThreadTheSystemTimerOnlySetsTheEvent)
{
    CCritSec ownerLock;
    HeldTick tick;
    tick.ownerLock = &ownerLock;
    tick.hold = false;
    CMmTimer timer;
    timer.SetApi(FakeTimers::Api());
    ASSERT_EQ(timer.Start(40, &HeldTick::Tick, &tick, CMmTimer::TickThread::Own), S_OK);
    EXPECT_EQ(FakeTimers::flags, static_cast<UINT>(TIME_PERIODIC | TIME_CALLBACK_EVENT_SET | TIME_KILL_SYNCHRONOUS));
    EXPECT_EQ(FakeTimers::user, 0u);
    const DWORD own = timer.TickThreadId();
    ASSERT_NE(own, 0u);
    EXPECT_NE(own, GetCurrentThreadId());

    // The system's timer sets the event; the tick runs on the timer's own thread.
    ASSERT_TRUE(SetEvent(FiredEvent()));
    tick.hold = true;
    ASSERT_TRUE(SetEvent(FiredEvent()));
    ASSERT_EQ(WaitForSingleObject(tick.entered, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(tick.thread.load(), own);
    SetEvent(tick.release);

    EXPECT_EQ(timer.Stop(&ownerLock), S_OK);
    EXPECT_EQ(FakeTimers::killed, std::vector<UINT>{41});
    EXPECT_EQ(timer.TickThreadId(), 0u);
    EXPECT_TRUE(ThreadHasEnded(own));
    EXPECT_FALSE(tick.inside.load());
}

namespace {

struct StopFromTick {
    CMmTimer* timer = nullptr;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HRESULT> result{S_OK};
    ~StopFromTick() { CloseHandle(done); }
    static void Tick(void* self)
    {
        StopFromTick* s = static_cast<StopFromTick*>(self);
        s->result = s->timer->Stop();
        SetEvent(s->done);
    }
};

} // namespace

TEST_F(MmTimerTest, ATickCannotStopItsOwnThread)
{
    CMmTimer timer;
    timer.SetApi(FakeTimers::Api());
    StopFromTick stop;
    stop.timer = &timer;
    ASSERT_EQ(timer.Start(40, &StopFromTick::Tick, &stop, CMmTimer::TickThread::Own), S_OK);
    ASSERT_TRUE(SetEvent(FiredEvent()));
    ASSERT_EQ(WaitForSingleObject(stop.done, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(stop.result.load(), VFW_E_WRONG_STATE);
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_EQ(timer.Stop(), S_OK);
}

// The system's real timer at 1 ms: the clock is stopped while a tick is rendering inside the
// owner's lock. Stop waits for that tick, the own thread has ended when it returns, and no
// tick runs after it.
TEST_F(MmTimerTest, StoppingTheRealClockWhileATickRendersWaitsForIt)
{
    CCritSec ownerLock;
    HeldTick tick;
    tick.ownerLock = &ownerLock;
    CMmTimer timer;
    ASSERT_EQ(timer.Start(1, &HeldTick::Tick, &tick, CMmTimer::TickThread::Own), S_OK);
    const DWORD own = timer.TickThreadId();
    ASSERT_EQ(WaitForSingleObject(tick.entered, 10000), WAIT_OBJECT_0);

    StopCall call{&timer, &ownerLock};
    HANDLE stopper = CreateThread(nullptr, 0, &StopThread, &call, 0, nullptr);
    ASSERT_NE(stopper, nullptr);
    // The tick is held inside the lock, so Stop cannot have returned.
    EXPECT_EQ(WaitForSingleObject(stopper, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(call.returned.load());
    SetEvent(tick.release);
    EXPECT_EQ(WaitForSingleObject(stopper, 10000), WAIT_OBJECT_0);
    CloseHandle(stopper);

    EXPECT_TRUE(call.returned.load());
    EXPECT_FALSE(tick.inside.load());
    EXPECT_TRUE(ThreadHasEnded(own));
    EXPECT_GE(tick.ticks.load(), 1);
}
