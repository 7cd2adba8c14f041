#include "app/core/EngineClock.h"

#include <mmsystem.h>

#include <atomic>

namespace EngineClock {

namespace {

std::atomic<Source> g_source{nullptr};
std::atomic<LocalTimeSource> g_localTime{nullptr};
std::atomic<bool> g_manual{false};
// The newest widened reading: its high half counts the wraps seen so far.
std::atomic<unsigned long long> g_latest{0};

const unsigned long long kWrap = 1ull << 32;
const DWORD kHalfRange = 0x80000000u;

LONGLONG Widen(DWORD low)
{
    unsigned long long latest = g_latest.load();
    for (;;) {
        const DWORD latestLow = static_cast<DWORD>(latest);
        unsigned long long widened = (latest & ~(kWrap - 1)) | low;
        if (low < latestLow && latestLow - low > kHalfRange) {
            // Far below the newest reading: the counter wrapped.
            widened += kWrap;
        } else if (low > latestLow && low - latestLow > kHalfRange && widened >= kWrap) {
            // Far above it after a wrap: read just before the wrap by a thread that was slower
            // to get here than one that read just after.
            widened -= kWrap;
        }
        // An older reading than the newest one is answered but not kept.
        if (widened <= latest)
            return static_cast<LONGLONG>(widened);
        if (g_latest.compare_exchange_weak(latest, widened))
            return static_cast<LONGLONG>(widened);
    }
}

} // namespace

LONGLONG Now()
{
    const Source s = g_source.load();
    return Widen(s ? s() : timeGetTime());
}

void SetSource(Source source)
{
    g_source.store(source);
    g_latest.store(0);
}

SYSTEMTIME LocalTime()
{
    const LocalTimeSource s = g_localTime.load();
    if (s)
        return s();
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return now;
}

void SetLocalTimeSource(LocalTimeSource source)
{
    g_localTime.store(source);
}

void SetManualTimers(bool manual)
{
    g_manual.store(manual);
}

bool ManualTimers()
{
    return g_manual.load();
}

} // namespace EngineClock
