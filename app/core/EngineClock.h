// The one clock of the engine and its graphs: the multimedia millisecond counter behind every
// frame, audio chunk and pin time, the millisecond clock that times caption motion and waits,
// and the local time that names recordings. Tests replace the sources to drive time by hand.
#pragma once

#include <windows.h>

namespace EngineClock {

using Source = DWORD (*)();
using LocalTimeSource = SYSTEMTIME (*)();

// Milliseconds of the counter (timeGetTime unless replaced), widened to 64 bits: the
// counter's wraps (every 49.7 days) are counted, so time never runs back and stamps in
// 100-ns units stay comparable across a wrap. The engine reads it many times a second; the
// widening only needs one reading in every 24 days.
LONGLONG Now();
// Now() in 100-ns units.
inline LONGLONG NowReferenceTime() { return Now() * 10000LL; }
// Null restores timeGetTime. Replacing the source starts the widening afresh.
void SetSource(Source source);

// The local wall-clock time (GetLocalTime unless replaced; null restores it).
SYSTEMTIME LocalTime();
void SetLocalTimeSource(LocalTimeSource source);

// With manual timers the engine's periodic timers that were given no timer functions of
// their own are not created: tests call the tick functions themselves, so nothing ticks
// behind their back.
void SetManualTimers(bool manual);
bool ManualTimers();

} // namespace EngineClock
