// The monitors of the desktop, in the order the system lists them, and the choice of one by
// its 1-based number (the graphics-card output's configured monitor).
#pragma once

#include <windows.h>

#include <vector>

// The monitors' rectangles in desktop coordinates.
std::vector<RECT> ListMonitorRects();

// Monitor `number` (1-based) of `monitors`; false for 0, a negative number or one beyond the
// list, and `rc` is left alone.
bool ChooseMonitorRect(const std::vector<RECT>& monitors, int number, RECT* rc);
