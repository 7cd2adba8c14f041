// The engine's clock: timeGetTime milliseconds, replaceable by tests so that time stamps and
// transition progress follow a clock they drive by hand.
#pragma once

#include <windows.h>

namespace EngineClock {

using Source = DWORD (*)();

DWORD Now();
// Null restores timeGetTime.
void SetSource(Source source);

// With manual timers the engine's periodic timers are not created: tests call the tick
// functions themselves, so nothing ticks behind their back.
void SetManualTimers(bool manual);
bool ManualTimers();

} // namespace EngineClock
