// What the shipped program's main window must show right after start, pixel by pixel: each row
// names a place of the main window's client area and the skin image (a skin item of ui.skn, or a
// bitmap file of the skins folder) whose pixel must be there. The places come from the desk's
// layout table (tools/skin/ui-layout.tsv, built into skin/DeskLayout.h).
//
// The rows describe the desk (dialog 102) at rest: nothing loaded, no output running, category 1
// shown. They are checked when the main window is that dialog.
#pragma once

#include <windows.h>

struct DeskPixelCheck {
    const char* what;
    unsigned item;          // a skin item of ui.skn, or 0 when file names the image
    const wchar_t* file;    // a bitmap under skins\, or nullptr
    POINT inImage;          // a point of the image
    POINT inClient;         // where that point must appear in the main window's client area
};

// Panel 1 (control 1000) lies at (66, 418), the program view at (16, 74), the T-bar at (440, 74).
const DeskPixelCheck kDeskPixelChecks[] = {
    {"background: header", 101, nullptr, {600, 20}, {600, 20}},
    {"background: program frame title", 101, nullptr, {120, 60}, {120, 60}},
    {"background: input channel badge 1", 101, nullptr, {39, 500}, {39, 500}},
    {"panel 1 background", 1301, nullptr, {150, 8}, {66 + 150, 418 + 8}},
    {"panel 5 background", 1301, nullptr, {150, 8}, {1058 + 150, 418 + 8}},
    {"panel 1 idle tally lamp", 1192, nullptr, {28, 6}, {66 + 65 + 28, 418 + 5 + 6}},
    {"panel 1 play button, disabled without a channel", 1208, nullptr, {2, 2}, {66 + 137 + 2, 418 + 152 + 2}},
    {"program view background", 1302, nullptr, {10, 150}, {16 + 10, 74 + 150}},
    {"T-bar track", 1311, nullptr, {6, 120}, {440 + 6, 74 + 120}},
    {"automatic switch, not latched", 1145, nullptr, {4, 14}, {420 + 4, 312 + 14}},
    {"output button, not latched", 1101, nullptr, {20, 32}, {24 + 20, 754 + 32}},
    {"category 1, latched by the pager", 0, L"btns\\1_s.bmp", {4, 12}, {576 + 4, 74 + 12}},
};
