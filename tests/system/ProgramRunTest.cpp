// The shipped program as an operator starts it: Ravelmixer.exe from a copy of the build's program
// folder, its main window found and photographed, the skin's pixels checked at their places, and
// the program closed through its exit question, ending with code 0 and leaving nothing running.
#include "app/ui/BmpMapMgr.h"
#include "tests/app/ui/ScreenshotPng.h"
#include "tests/system/DeskPixelChecks.h"
#include "tests/system/ProgramProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::wstring kBuiltFolder = L"" RVX_PROGRAM_FOLDER;
// Generous bounds for a loaded machine: start-up builds the Direct3D device and loads the effects.
const DWORD kStartBoundMs = 90000;
const DWORD kPaintBoundMs = 30000;
const DWORD kExitBoundMs = 60000;

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// The colour of one pixel of a skin image: an item of the loaded skin map or a bitmap file.
bool ImagePixel(const UI_Mgr::SBmpMapMgr& skin, const std::wstring& skins, const DeskPixelCheck& check,
                COLORREF& colour)
{
    if (check.item != 0) {
        CRect rc;
        if (!skin.GetItemRect(check.item, rc) || check.point.x < 0 || check.point.y < 0 ||
            check.point.x >= rc.Width() || check.point.y >= rc.Height())
            return false;
        colour = ::GetPixel(skin.GetMemDC(), rc.left + check.point.x, rc.top + check.point.y);
        return colour != CLR_INVALID;
    }
    HBITMAP bmp = static_cast<HBITMAP>(
        ::LoadImageW(nullptr, (skins + L"\\" + check.file).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bmp)
        return false;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    colour = ::GetPixel(dc, check.point.x, check.point.y);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(bmp);
    return colour != CLR_INVALID;
}

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= 6 && std::abs(GetGValue(a) - GetGValue(b)) <= 6 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 6;
}

// The rows that do not show their image yet, as text; empty when every row does.
std::string Mismatches(HWND main, const UI_Mgr::SBmpMapMgr& skin, const std::wstring& skins)
{
    std::string report;
    HDC screen = ::GetDC(nullptr);
    for (const DeskPixelCheck& check : kDeskPixelChecks) {
        COLORREF expected = 0;
        if (!ImagePixel(skin, skins, check, expected)) {
            report += std::string(check.what) + ": the image is missing from the skin\n";
            continue;
        }
        POINT inClient = {};
        if (!DeskPixelPlace(check, inClient)) {
            report += std::string(check.what) + ": its control is not in the layout table\n";
            continue;
        }
        POINT at = inClient;
        ::ClientToScreen(main, &at);
        const COLORREF shown = ::GetPixel(screen, at.x, at.y);
        if (!Near(shown, expected)) {
            char line[256];
            snprintf(line, sizeof(line), "%s: client (%ld, %ld) shows #%02x%02x%02x, the skin has #%02x%02x%02x\n",
                     check.what, inClient.x, inClient.y, GetRValue(shown), GetGValue(shown),
                     GetBValue(shown), GetRValue(expected), GetGValue(expected), GetBValue(expected));
            report += line;
        }
    }
    ::ReleaseDC(nullptr, screen);
    return report;
}

} // namespace

TEST(ShippedProgram, StartsShowsItsDeskAndEndsThroughTheExitQuestion)
{
    // A program folder of its own, as an installation would be: the build's folder without the
    // sample clips, and a config folder the program fills itself.
    const std::wstring folder = system_test::TempFolder(L"rvx_system_program");
    ASSERT_TRUE(system_test::CopyProgramFolder(kBuiltFolder, folder));

    // Every row of the pixel table names an image of the shipped skin and a place in the client area.
    const std::wstring skins = folder + L"\\skins";
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load((skins + L"\\ui.skn").c_str()));
    for (const DeskPixelCheck& check : kDeskPixelChecks) {
        POINT inClient = {};
        COLORREF colour = 0;
        EXPECT_TRUE(DeskPixelPlace(check, inClient)) << check.what << ": no such control in the layout table";
        EXPECT_TRUE(inClient.x >= 0 && inClient.x < skin_layout::kClientWidth && inClient.y >= 0 &&
                    inClient.y < skin_layout::kClientHeight)
            << check.what << ": (" << inClient.x << ", " << inClient.y << ") is outside the client area";
        EXPECT_TRUE(ImagePixel(skin, skins, check, colour)) << check.what << ": the image is not in the skin";
    }

    system_test::ProgramProcess program;
    ASSERT_TRUE(program.Start(folder + L"\\Ravelmixer.exe", folder)) << "error " << ::GetLastError();

    HWND main = nullptr;
    std::wstring unexpected;
    const bool up = program.PollUntil(kStartBoundMs, [&] {
        main = program.FindWindowTitled(L"Ravelmixer");
        unexpected = program.MessageBoxText();
        return (main && ::IsWindowVisible(main)) || !unexpected.empty();
    });
    ASSERT_TRUE(up) << "no main window within " << kStartBoundMs / 1000 << " s; exit code "
                    << program.ExitCode();
    ASSERT_TRUE(unexpected.empty()) << "a message box stands before the main window: " << Narrow(unexpected);
    EXPECT_GT(program.ThreadCount(), 0);

    // The desk is dialog 102; its skin must show at the places of the layout table once painted.
    const bool isDesk = system_test::ClassName(main) == L"#32770";
    std::string mismatches;
    if (isDesk) {
        program.PollUntil(kPaintBoundMs, [&] {
            mismatches = Mismatches(main, skin, skins);
            return mismatches.empty();
        });
    }
    EXPECT_TRUE(SavePng(CaptureScreen(main), L"program_main_window.png"));
    EXPECT_EQ(mismatches, "") << "the desk does not show its skin";
    if (!isDesk)
        std::printf("the main window is not dialog 102 yet: its skin pixels are not checked\n");

    // Closing: the desk asks "确认退出？" and ends only on Yes.
    const std::vector<DWORD> children = program.ChildProcesses();
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    bool asked = false;
    program.PollUntil(kExitBoundMs, [&] {
        if (!asked) {
            HWND yes = program.FindExitQuestionYes(L"\x786e\x8ba4\x9000\x51fa\xff1f");
            if (yes) {
                asked = true;
                ::PostMessageW(yes, BM_CLICK, 0, 0);
            }
        }
        return program.HasEnded();
    });
    EXPECT_EQ(asked, isDesk) << "the desk asks before it closes; nothing else does";
    ASSERT_TRUE(program.HasEnded()) << "the program still runs " << kExitBoundMs / 1000 << " s after closing";
    EXPECT_EQ(program.ExitCode(), 0u);

    // Nothing of it stays: no thread of its process, no process it started.
    EXPECT_EQ(program.ThreadCount(), 0);
    for (DWORD child : children)
        EXPECT_FALSE(system_test::IsRunning(child)) << "process " << child << " started by the program still runs";
    EXPECT_TRUE(program.ChildProcesses().empty());
    system_test::DeleteTree(folder);
}
