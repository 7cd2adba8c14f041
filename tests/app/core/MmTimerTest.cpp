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
