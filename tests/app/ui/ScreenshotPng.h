// Test helpers: what a window or a memory bitmap shows, as pixels, and saved as a PNG artefact
// of the test run (in "artefacts" under the test's working folder).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> rgb;   // row by row, top first
    COLORREF At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// The window as it paints itself (WM_PRINT), so overlapping windows do not matter.
Pixels CaptureWindow(HWND hwnd);
// What the screen shows where the window is, once it has painted (window, frame and children).
Pixels CaptureScreen(HWND hwnd);
// The pixels of a bitmap selected into a memory DC.
Pixels ReadBitmap(HDC dc, int width, int height);
bool SavePng(const Pixels& pixels, const std::wstring& name);
