#include "app/graphs/compose/ComposeSampleQueue.h"

#include <gtest/gtest.h>

#include <functional>

#include <vector>

namespace {

AM_SAMPLE2_PROPERTIES* Record(CComposeSampleQueue& q, LONGLONG start)
{
    AM_SAMPLE2_PROPERTIES* r = new AM_SAMPLE2_PROPERTIES();
    r->tStart = start;
    r->pbBuffer = q.TakeBuffer(64);
    r->cbBuffer = 64;
    return r;
}

} // namespace

TEST(ComposeSampleQueueTest, AboveOneHundredWaitingTheOldestIsDropped)
{
    CComposeSampleQueue q;
    for (int i = 0; i < 110; ++i)
        q.Push(Record(q, i));
    EXPECT_EQ(q.Waiting(), 101u);
    EXPECT_EQ(q.Dropped(), 9u);
    EXPECT_EQ(q.BuffersInUse(), 101u);
    std::vector<LONGLONG> starts;
    AM_SAMPLE2_PROPERTIES* r = nullptr;
    while (q.Pop(r)) {
        starts.push_back(r->tStart);
        q.Discard(r);
    }
    ASSERT_EQ(starts.size(), 101u);
    EXPECT_EQ(starts.front(), 9);
    EXPECT_EQ(starts.back(), 109);
    EXPECT_EQ(q.BuffersInUse(), 0u);
}

TEST(ComposeSampleQueueTest, OnlyTheFirstArrivalAfterIdleWakesTheThread)
{
    CComposeSampleQueue q;
    EXPECT_TRUE(q.IsIdle());
    EXPECT_TRUE(q.Push(Record(q, 1)));
    EXPECT_FALSE(q.Push(Record(q, 2)));
    AM_SAMPLE2_PROPERTIES* r = nullptr;
    ASSERT_TRUE(q.Pop(r));
    q.Discard(r);
    ASSERT_TRUE(q.Pop(r));
    q.Discard(r);
    EXPECT_FALSE(q.IsIdle()); // still delivering until it finds the queue empty
    EXPECT_FALSE(q.Pop(r));
    EXPECT_EQ(r, nullptr);
    EXPECT_TRUE(q.IsIdle());
    // The thread found the queue empty and went idle under the lock: the next arrival wakes it.
    EXPECT_TRUE(q.Push(Record(q, 3)));
}

// The idle event is what a waiter waits on instead of polling Waiting() and IsIdle().
TEST(ComposeSampleQueueTest, TheIdleEventIsSetOnlyWhileIdleWithNothingWaiting)
{
    CComposeSampleQueue q;
    auto signalled = [&q] { return WaitForSingleObject(q.IdleEvent(), 0) == WAIT_OBJECT_0; };
    AM_SAMPLE2_PROPERTIES* r = nullptr;
    struct Step {
        const char* what;
        std::function<void()> act;
        bool set;
    } steps[] = {
        {"new", [] {}, true},
        {"push", [&] { q.Push(Record(q, 1)); }, false},
        {"push again", [&] { q.Push(Record(q, 2)); }, false},
        {"pop one of two", [&] { ASSERT_TRUE(q.Pop(r)); q.Discard(r); }, false},
        {"pop the last", [&] { ASSERT_TRUE(q.Pop(r)); q.Discard(r); }, false}, // still delivering it
        {"find it empty", [&] { EXPECT_FALSE(q.Pop(r)); }, true},
        {"loop entered", [&] { q.MarkBusy(); }, false},
        {"left the loop", [&] { q.MarkIdle(); }, true},
        {"push while idle", [&] { q.Push(Record(q, 3)); }, false},
        {"left with one waiting", [&] { q.MarkIdle(); }, false},
        {"waiting dropped", [&] { q.DropAllWaiting(); }, true},
    };
    for (Step& step : steps) {
        step.act();
        EXPECT_EQ(signalled(), step.set) << step.what;
    }
}

TEST(ComposeSampleQueueTest, TheEndMarkerPassesThroughTheQueue)
{
    CComposeSampleQueue q;
    q.Push(nullptr);
    AM_SAMPLE2_PROPERTIES* r = reinterpret_cast<AM_SAMPLE2_PROPERTIES*>(1);
    EXPECT_TRUE(q.Pop(r));
    EXPECT_EQ(r, nullptr);
}

TEST(ComposeSampleQueueTest, PoolKeepsItsBufferSizeAndRecyclesBuffers)
{
    CComposeSampleQueue q;
    EXPECT_EQ(q.TakeBuffer(0), nullptr);
    BYTE* a = q.TakeBuffer(1000);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(q.BufferSize(), 1000u);
    EXPECT_EQ(q.TakeBuffer(1001), nullptr);
    BYTE* b = q.TakeBuffer(10);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(q.BuffersInUse(), 2u);
    q.ReturnBuffer(a);
    q.ReturnBuffer(b);
    q.ReturnBuffer(nullptr);
    EXPECT_EQ(q.BuffersInUse(), 0u);
    // More than one chunk's worth comes from further chunks of at most 16 buffers.
    std::vector<BYTE*> many;
    for (int i = 0; i < 40; ++i) {
        many.push_back(q.TakeBuffer(1000));
        ASSERT_NE(many.back(), nullptr);
    }
    for (BYTE* p : many)
        q.ReturnBuffer(p);
    EXPECT_EQ(q.BuffersInUse(), 0u);
}

TEST(ComposeSampleQueueTest, DropAllWaitingGivesEveryBufferBack)
{
    CComposeSampleQueue q;
    for (int i = 0; i < 3; ++i)
        q.Push(Record(q, i));
    q.DropAllWaiting();
    EXPECT_EQ(q.Waiting(), 0u);
    EXPECT_EQ(q.BuffersInUse(), 0u);
}
