// A 32-bit top-down DIB section selected into a memory device context, for tests that draw
// with GDI and read the pixels back.
#pragma once

#include <windows.h>

#include <cstdint>

namespace fixtures {

struct GdiCanvas {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    int w, h;

    GdiCanvas(int width, int height, uint32_t fill) : w(width), h(height)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* p = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        old = SelectObject(dc, bmp);
        Fill(fill);
    }
    ~GdiCanvas()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void Fill(uint32_t rgb)
    {
        GdiFlush();
        for (int i = 0; i < w * h; ++i) bits[i] = rgb;
    }
    // 0x00RRGGBB of a pixel.
    uint32_t At(int x, int y) const
    {
        GdiFlush();
        return bits[y * w + x] & 0xFFFFFF;
    }
};

// COLORREF (0x00BBGGRR) as a DIB pixel (0x00RRGGBB).
inline uint32_t Pixel(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

} // namespace fixtures
