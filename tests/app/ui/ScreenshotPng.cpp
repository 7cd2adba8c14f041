#include "tests/app/ui/ScreenshotPng.h"

#include <png.h>

#include <cstdio>

Pixels ReadBitmap(HDC dc, int width, int height)
{
    Pixels out;
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.rgb[static_cast<size_t>(y) * width + x] = ::GetPixel(dc, x, y);
    return out;
}

Pixels CaptureWindow(HWND hwnd)
{
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    int w = rc.right - rc.left;
    int h = rc.bottom - rc.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::PrintWindow(hwnd, mem, 0);
    Pixels out = ReadBitmap(mem, w, h);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return out;
}

Pixels CaptureScreen(HWND hwnd)
{
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Wine paints into a surface of its own and shows it on the display when the thread next
    // waits: without a wait the screen still holds an older picture (measured: a half-drawn
    // property sheet, unchanged 300 ms later). A wait that returns at once is enough.
    ::GdiFlush();
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    int w = rc.right - rc.left;
    int h = rc.bottom - rc.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    Pixels out = ReadBitmap(mem, w, h);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return out;
}

bool SavePng(const Pixels& pixels, const std::wstring& name)
{
    ::CreateDirectoryW(L"artefacts", nullptr);
    std::wstring path = L"artefacts\\" + name;
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, pixels.width, pixels.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(pixels.width) * 3);
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            COLORREF c = pixels.At(x, y);
            row[x * 3] = GetRValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetBValue(c);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(file);
    return true;
}
