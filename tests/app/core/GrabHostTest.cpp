// The audio listener registry: replacement by id, removal, call order, null and empty maps.
#include "app/core/GrabHost.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Call {
    int listener;
    int id;
    IMediaSample* sample;
    LONGLONG time;
};

class RecordingListener : public IGrabListener
{
public:
    RecordingListener(int tag, std::vector<Call>& calls) : m_tag(tag), m_calls(calls) {}
    void OnSample(int id, IMediaSample* sample, int low, int high) override
    {
        m_calls.push_back(Call{m_tag, id, sample, JoinSampleTime(low, high)});
    }

private:
    int m_tag;
    std::vector<Call>& m_calls;
};

// A producer as the channel renderers and the mixer are: it owns the registry and walks it.
class Producer : public CGrabHost
{
public:
    using CGrabHost::DeliverSample;
};

IMediaSample* const kSample = reinterpret_cast<IMediaSample*>(static_cast<INT_PTR>(0x1234));

class GrabHostTest : public ::testing::Test
{
protected:
    std::vector<Call> calls;
    RecordingListener a{1, calls}, b{2, calls}, c{3, calls};
    Producer host;
};

TEST_F(GrabHostTest, SecondListenerUnderSameIdReplacesTheFirst)
{
    host.AddListener(7, &a);
    host.AddListener(7, &b);
    host.DeliverSample(kSample, 0, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].listener, 2);
    EXPECT_EQ(calls[0].id, 7);
    EXPECT_EQ(calls[0].sample, kSample);
}

TEST_F(GrabHostTest, CallsInAscendingIdOrderWithEachEntrysOwnId)
{
    host.AddListener(254, &a);
    host.AddListener(3, &b);
    host.AddListener(1, &c);
    host.DeliverSample(kSample, 0, 0);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(std::make_pair(calls[0].id, calls[0].listener), std::make_pair(1, 3));
    EXPECT_EQ(std::make_pair(calls[1].id, calls[1].listener), std::make_pair(3, 2));
    EXPECT_EQ(std::make_pair(calls[2].id, calls[2].listener), std::make_pair(254, 1));
}

TEST_F(GrabHostTest, RemovingAnUnknownIdChangesNothing)
{
    host.AddListener(1, &a);
    host.RemoveListener(2);
    host.DeliverSample(kSample, 0, 0);
    ASSERT_EQ(calls.size(), 1u);
    host.RemoveListener(1);
    host.DeliverSample(kSample, 0, 0);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(GrabHostTest, EmptyMapAndNullListenerDeliverToNobody)
{
    host.DeliverSample(kSample, 0, 0);
    EXPECT_TRUE(calls.empty());
    host.AddListener(1, nullptr);
    host.AddListener(2, &b);
    host.DeliverSample(kSample, 0, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].id, 2);
}

TEST_F(GrabHostTest, TimeTravelsAsTwoHalvesLowFirst)
{
    const LONGLONG times[] = {0, 1, 0xFFFFFFFFLL, 0x100000000LL, 0x123456789ABCDEFLL, -1, -400000};
    host.AddListener(1, &a);
    for (LONGLONG t : times) {
        int low = 0, high = 0;
        SplitSampleTime(t, low, high);
        EXPECT_EQ(static_cast<DWORD>(low), static_cast<DWORD>(static_cast<ULONGLONG>(t)));
        host.DeliverSample(kSample, low, high);
        EXPECT_EQ(calls.back().time, t);
    }
}

} // namespace
