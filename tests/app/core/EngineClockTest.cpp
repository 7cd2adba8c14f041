// The engine clock widens the 32-bit millisecond counter so that time runs on across its
// wrap, including readings that threads take out of order around it.
#include "app/core/EngineClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

DWORD g_counter = 0;
DWORD Counter()
{
    return g_counter;
}

SYSTEMTIME g_local = {};
SYSTEMTIME Local()
{
    return g_local;
}

} // namespace

TEST(EngineClock, TimeRunsOnAcrossTheCountersWrap)
{
    const LONGLONG kWrap = 1LL << 32;
    struct Case {
        const char* what;
        std::vector<DWORD> readings;
        std::vector<LONGLONG> expected;
    } cases[] = {
        {"before any wrap", {0, 40, 0x7FFFFFFF, 0xFFFFFFF0u}, {0, 40, 0x7FFFFFFF, 0xFFFFFFF0LL}},
        {"across one wrap", {0xFFFFFFD8u, 0xFFFFFFFFu, 0, 15}, {0xFFFFFFD8LL, 0xFFFFFFFFLL, kWrap, kWrap + 15}},
        {"across two wraps",
         {0xFFFFFF00u, 0x10, 0x80000010u, 0xFFFFFF00u, 0x20},
         {0xFFFFFF00LL, kWrap + 0x10, kWrap + 0x80000010LL, kWrap + 0xFFFFFF00LL, 2 * kWrap + 0x20}},
        // A thread that read the counter a moment before another one gets here later: its
        // reading is answered as it was, and does not move the clock back for the others.
        {"an older reading", {1000, 990, 1010}, {1000, 990, 1010}},
        {"an older reading from before the wrap",
         {0xFFFFFFF0u, 0x5, 0xFFFFFFFAu, 0x9},
         {0xFFFFFFF0LL, kWrap + 5, 0xFFFFFFFALL, kWrap + 9}},
    };
    for (const Case& c : cases) {
        g_counter = c.readings[0];
        EngineClock::SetSource(&Counter); // starts the widening afresh
        for (size_t i = 0; i < c.readings.size(); ++i) {
            g_counter = c.readings[i];
            EXPECT_EQ(EngineClock::Now(), c.expected[i]) << c.what << ", reading " << i;
        }
        EXPECT_EQ(EngineClock::NowReferenceTime(), c.expected.back() * 10000) << c.what;
    }
    EngineClock::SetSource(nullptr);
}

TEST(EngineClock, TheLocalTimeIsTheTestsOrTheSystems)
{
    g_local.wYear = 2007;
    g_local.wMonth = 4;
    g_local.wDay = 12;
    EngineClock::SetLocalTimeSource(&Local);
    EXPECT_EQ(EngineClock::LocalTime().wYear, 2007);
    EngineClock::SetLocalTimeSource(nullptr);
    SYSTEMTIME system = {};
    GetLocalTime(&system);
    EXPECT_EQ(EngineClock::LocalTime().wYear, system.wYear);
}
