#include "app/core/EngineClock.h"

#include <mmsystem.h>

#include <atomic>

namespace EngineClock {

namespace {
std::atomic<Source> g_source{nullptr};
std::atomic<bool> g_manual{false};
} // namespace

DWORD Now()
{
    const Source s = g_source.load();
    return s ? s() : timeGetTime();
}

void SetSource(Source source)
{
    g_source.store(source);
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
