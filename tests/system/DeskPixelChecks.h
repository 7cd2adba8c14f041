// What the shipped program's main window must show right after start, pixel by pixel: each row
// names a skin image (a skin item of ui.skn, or a bitmap file of the skins folder), a point of it,
// and where the image lies in the main window: inside a control of the desk's layout table
// (tools/skin/ui-layout.tsv, built into skin/DeskLayout.h), so moving a control in the table moves
// its check with it.
//
// The rows describe the desk (dialog 102) at rest: nothing loaded, no output running, category 1
// shown. They are checked when the main window is that dialog.
#pragma once

#include "skin/DeskLayout.h"

#include <windows.h>

struct DeskPixelCheck {
    const char* what;
    unsigned item;          // a skin item of ui.skn, or 0 when file names the image
    const wchar_t* file;    // a bitmap under skins\, or nullptr
    int control;            // the main-window control the image lies in, 0 for the client area
    POINT imageAt;          // the image's top-left corner inside that control (or the client area)
    POINT point;            // the point of the image that is checked
};

// Inside a channel panel the places are its fixed layout: the tally lamp at (65, 5), the play
// button (4115) at (137, 152).
const DeskPixelCheck kDeskPixelChecks[] = {
    {"background: header", 101, nullptr, 0, {0, 0}, {600, 20}},
    {"background: program frame title", 101, nullptr, 0, {0, 0}, {120, 60}},
    {"background: input channel badge 1", 101, nullptr, 0, {0, 0}, {39, 500}},
    {"panel 1 background", 1301, nullptr, 1000, {0, 0}, {150, 8}},
    {"panel 5 background", 1301, nullptr, 1004, {0, 0}, {150, 8}},
    {"panel 1 idle tally lamp", 1192, nullptr, 1000, {65, 5}, {28, 6}},
    {"panel 1 play button, disabled without a channel", 1208, nullptr, 1000, {137, 152}, {2, 2}},
    {"program view background", 1302, nullptr, 1030, {0, 0}, {10, 150}},
    {"T-bar track", 1311, nullptr, 1018, {0, 0}, {6, 120}},
    {"automatic switch, not latched", 1145, nullptr, 1019, {0, 0}, {4, 14}},
    {"output button, not latched", 1101, nullptr, 1016, {0, 0}, {20, 32}},
    {"category 1, latched by the pager", 0, L"btns\\1_s.bmp", 1035, {0, 0}, {4, 12}},
};

// Where a row's point must appear in the main window's client area; false when the layout table
// has no such control.
inline bool DeskPixelPlace(const DeskPixelCheck& check, POINT& inClient)
{
    POINT origin = {0, 0};
    if (check.control != 0) {
        const skin_layout::Placement* found = nullptr;
        for (const auto& placement : skin_layout::kMainWindow)
            if (placement.control == check.control)
                found = &placement;
        if (!found)
            return false;
        origin = {found->rect.left, found->rect.top};
    }
    inClient = {origin.x + check.imageAt.x + check.point.x, origin.y + check.imageAt.y + check.point.y};
    return true;
}
