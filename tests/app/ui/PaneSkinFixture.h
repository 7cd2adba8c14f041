// A skin for the control panes: every item the panes draw, each a block of its own colour in
// one bitmap, with the skin map written by the skin map manager itself.
#pragma once

#include "app/ui/BmpMapMgr.h"

#include <map>
#include <string>
#include <vector>

#include "tests/app/ui/UiTestFiles.h"

struct PaneSkinItem {
    UINT id;
    int width, height;
};

// Distinct, never white (white is the panes' colour key) and never black.
inline COLORREF PaneItemColour(UINT id)
{
    return RGB(40 + (id * 37) % 200, 30 + (id * 91) % 200, 20 + (id * 53) % 200);
}

inline std::vector<PaneSkinItem> PaneSkinItems()
{
    std::vector<PaneSkinItem> items = { { 1400, 40, 20 }, { 1401, 30, 10 }, { 1402, 8, 12 },
                                        { 1443, 10, 30 }, { 1444, 10, 30 }, { 1445, 10, 30 } };
    for (UINT id = 1407; id <= 1434; ++id)
        items.push_back({ id, 18, 14 });
    for (UINT id = 1439; id <= 1442; ++id)
        items.push_back({ id, 18, 14 });
    for (UINT id = 1446; id <= 1449; ++id)
        items.push_back({ id, 24, 14 });
    return items;
}

// Writes the bitmap and the map into a test folder; returns the map's path. Items are laid
// out left to right in rows of 300 pixels.
inline std::wstring WritePaneSkin(const std::wstring& folderName, std::map<UINT, CRect>* rects = nullptr)
{
    std::wstring folder = MakeTestFolder(folderName);
    const int width = 300;
    const int height = 120;
    std::vector<COLORREF> px(static_cast<size_t>(width) * height, RGB(255, 255, 255));
    UI_Mgr::SBmpMapMgr map;
    map.SetBitmapPath("..\\pane.bmp");   // taken from the map file's own path
    int x = 0;
    int y = 0;
    int rowHeight = 0;
    for (const PaneSkinItem& item : PaneSkinItems()) {
        if (x + item.width > width) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        for (int j = 0; j < item.height; ++j)
            for (int i = 0; i < item.width; ++i)
                px[static_cast<size_t>(y + j) * width + x + i] = PaneItemColour(item.id);
        UI_Mgr::SBmpItem entry;
        entry.ID = item.id;
        entry.Rect = { x, y, x + item.width, y + item.height };
        entry.Name = "item" + std::to_string(item.id);
        map.SetItem(entry);
        if (rects != nullptr)
            (*rects)[item.id] = CRect(entry.Rect);
        x += item.width;
        rowHeight = std::max(rowHeight, item.height);
    }
    WriteBytes(folder + L"\\pane.bmp", BmpFile(width, height, px));
    std::wstring path = folder + L"\\ui.skn";
    map.Save(path.c_str());
    return path;
}
