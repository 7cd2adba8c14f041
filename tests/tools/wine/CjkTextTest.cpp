// Chinese captions in the dialogs' fonts: each character must come out as its own glyph, not as
// the box a font without Chinese draws for every character alike.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/ui/ScreenshotPng.h"

namespace {

// The character drawn black on white in a 32 x 32 cell, as one bit per pixel.
std::vector<bool> Render(const wchar_t* face, wchar_t ch)
{
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 32, 32);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ oldBmp = ::SelectObject(dc, bmp);
    HFONT font = ::CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, face);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    RECT rc = {0, 0, 32, 32};
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutW(dc, 4, 4, &ch, 1);
    std::vector<bool> ink(32 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ink[y * 32 + x] = ::GetPixel(dc, x, y) != RGB(255, 255, 255);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);
    ::SelectObject(dc, oldBmp);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
    return ink;
}

int Ink(const std::vector<bool>& cell)
{
    int n = 0;
    for (bool b : cell)
        n += b;
    return n;
}

} // namespace

TEST(ChineseText, EveryDialogFaceDrawsChineseCharactersAsTheirOwnGlyphs)
{
    // The faces the resources, the message boxes and the caption styles ask for.
    const wchar_t* faces[] = {L"Tahoma", L"MS Shell Dlg", L"MS Shell Dlg 2", L"Microsoft Sans Serif",
                              L"SimSun", L"\x5b8b\x4f53" /* 宋体 */, L"Microsoft YaHei"};
    // 确, 认, 网: three different characters; U+E000 has no glyph in any font and draws the box.
    const wchar_t chars[] = {L'\x786e', L'\x8ba4', L'\x7f51'};
    for (const wchar_t* face : faces) {
        const std::vector<bool> box = Render(face, L'\xe000');
        std::vector<std::vector<bool>> cells;
        for (wchar_t ch : chars) {
            cells.push_back(Render(face, ch));
            EXPECT_GT(Ink(cells.back()), 20) << "face " << static_cast<int>(face[0]) << " char " << int(ch);
            EXPECT_NE(cells.back(), box) << "a box for U+" << std::hex << int(ch) << " in the face starting "
                                         << char(face[0]);
        }
        EXPECT_NE(cells[0], cells[1]);
        EXPECT_NE(cells[1], cells[2]);
    }
}

TEST(ChineseText, AWindowCaptionShowsTheExitQuestionReadably)
{
    // The exit question's text in a real window with the dialogs' font, kept as a picture.
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"\x786e\x8ba4\x9000\x51fa\xff1f  \x63d0\x793a  Ravelmixer",
                                 WS_POPUP | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 40, 40, 320, 48, nullptr,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    HFONT font = ::CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    ::SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ::UpdateWindow(wnd);
    Pixels shot = CaptureWindow(wnd);
    EXPECT_TRUE(SavePng(shot, L"chinese_text.png"));
    int dark = 0;
    for (COLORREF c : shot.rgb)
        dark += GetRValue(c) < 128;
    EXPECT_GT(dark, 200) << "the caption drew almost nothing";
    ::DestroyWindow(wnd);
    ::DeleteObject(font);
}
