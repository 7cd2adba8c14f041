// A channel panel of the desk with a sample clip of the program folder loaded through the
// director and the program's own channel graphs.
#include "app/ui/DVPlayWnd.h"

#include "app/foundation/AppHelpers.h"
#include "app/graphs/ProgramGraphs.h"

#include <gtest/gtest.h>

#include "tests/app/ui/PanelStandIns.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <memory>

using namespace panel_test;

namespace {

// The engine reads its passes from the fx folder beside the program: the test's copy of the
// build's.
bool CopyShippedEffects()
{
    const std::wstring from = std::wstring(L"" RVX_OUTPUT_FOLDER) + L"\\fx\\";
    const std::wstring to = std::wstring(static_cast<LPCWSTR>(GetExeDirectory())) + L"\\fx\\";
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd = {};
    HANDLE find = ::FindFirstFileW((from + L"*.fxo").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        ::CopyFileW((from + fd.cFileName).c_str(), (to + fd.cFileName).c_str(), FALSE);
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return true;
}

} // namespace

TEST(PanelWithSample, ASampleClipLoadsPlaysOnAirAndUnloads)
{
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(CopyShippedEffects()) << "the build's fx folder is missing";
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load((std::wstring(L"" RVX_OUTPUT_FOLDER) + L"\\skins\\ui.skn").c_str()));
    {
        CProgramGraphFactory graphs;
        CDirector director;
        director.SetChannelGraphFactory(&graphs);
        director.SetOutputGraphFactory(&graphs);
        WAVEFORMATEX pcm = {};
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        pcm.nChannels = 2;
        pcm.nSamplesPerSec = 44100;
        pcm.wBitsPerSample = 16;
        pcm.nBlockAlign = 4;
        pcm.nAvgBytesPerSec = 44100 * 4;
        director.SetAudioFormat(&pcm);

        DeskStandIn desk(director, 220, 200);
        HWND render = ::CreateWindowExW(0, L"STATIC", L"program", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_EQ(director.Init(render, desk.m_hWnd, 640, 480, 25.0f, 1.0, 0), S_OK);
        {
            CDVPlayWnd panel;
            ASSERT_TRUE(panel.Create(CRect(15, 15, 205, 185), &desk, 1000));
            panel.SetupControls(&skin, 1301);
            panel.SetChannelNumber(1);
            const CString clip = L"" RVX_OUTPUT_FOLDER L"\\samples\\sample1.avi";
            SourceDescriptor file;
            file.name = clip;
            file.flags = SourceDescriptor::kNamed;
            ASSERT_TRUE(panel.LoadSources(file, file));
            ASSERT_NE(panel.GetChannel(), nullptr);
            EXPECT_EQ(panel.GetDurationText(), CString(L"00:00:10")) << "the sample clips last ten seconds";
            panel.SendMessage(WM_COMMAND, ID_PANEL_PLAY, 0);
            EXPECT_TRUE(panel.IsPositionTimerRunning());
            const Pixels idle = CaptureWindow(panel.m_hWnd);
            panel.SetTallyState(CDVPlayWnd::kOnAir);
            panel.SetLevels(-6, -20);

            // The panel as it paints itself: the engine presents the picture into the preview
            // area from its own thread, which a copy of the screen would race with.
            Pixels shot = CaptureWindow(panel.m_hWnd);
            EXPECT_TRUE(SavePng(shot, L"panel_with_sample.png"));
            ASSERT_EQ(shot.width, 190);
            ASSERT_EQ(idle.width, 190);
            // The lamp changed from idle to on air.
            const CRect lamp = CDVPlayWnd::LampRect();
            EXPECT_NE(shot.At(lamp.CenterPoint().x, lamp.CenterPoint().y),
                      idle.At(lamp.CenterPoint().x, lamp.CenterPoint().y));
            // The level bars below the picture: green at their start.
            EXPECT_EQ(shot.At(14, 143), CDBDisplayWnd::kGreen);
            EXPECT_EQ(shot.At(14, 148), CDBDisplayWnd::kGreen);
            // The time texts: green on black.
            bool greenText = false;
            for (int x = 5; x < 49; ++x)
                for (int y = 152; y < 163; ++y)
                    greenText = greenText || GetGValue(shot.At(x, y)) > 128;
            EXPECT_TRUE(greenText);

            panel.UnloadChannel();
            EXPECT_EQ(director.GetChannel(1), nullptr);
        }
        director.Shutdown();
        ::DestroyWindow(render);
    }
    ::CoUninitialize();
}
