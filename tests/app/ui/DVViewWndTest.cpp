// The program view and its video window on real windows under Xvfb: what the view tells the
// main window when the video window is shown, hidden and closed, full screen and its return,
// placement on a monitor (the one monitor of the test display, and numbers beyond it), the
// elapsed on-air time driven tick by tick, the level bars and the painted view.
#include "app/ui/DVViewWnd.h"
#include "app/ui/MonitorList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/core/DeskMessages.h"
#include "app/ui/DBDisplayWnd.h"
#include "tests/app/ui/ScreenshotPng.h"
#include "tests/app/ui/UiTestFiles.h"

namespace {

const UINT kBackgroundItem = 1302;
const COLORREF kBackground = RGB(30, 60, 110);
// The video-window button's four states; white is its colour key.
const COLORREF kButtonStates[4] = { RGB(200, 40, 40), RGB(40, 200, 40), RGB(40, 40, 200), RGB(120, 120, 120) };
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);

// The view's skin: its background item and the button's four items in one bitmap.
std::wstring WriteViewSkin()
{
    std::wstring folder = MakeTestFolder(L"view");
    const int width = 380 + 4 * 21;
    const int height = 296;
    std::vector<COLORREF> px(static_cast<size_t>(width) * height, RGB(255, 255, 255));
    UI_Mgr::SBmpMapMgr map;
    map.SetBitmapPath("..\\view.bmp");
    auto fill = [&](UINT id, const RECT& rc, COLORREF colour) {
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                px[static_cast<size_t>(y) * width + x] = colour;
        UI_Mgr::SBmpItem item;
        item.ID = id;
        item.Rect = rc;
        item.Name = "item" + std::to_string(id);
        map.SetItem(item);
    };
    fill(kBackgroundItem, { 0, 0, 380, 296 }, kBackground);
    for (int i = 0; i < 4; ++i)
        fill(CDVViewWnd::kButtonSkinBase + static_cast<UINT>(i), { 380 + 21 * i, 0, 401 + 21 * i, 19 },
             kButtonStates[i]);
    WriteBytes(folder + L"\\view.bmp", BmpFile(width, height, px));
    std::wstring path = folder + L"\\ui.skn";
    map.Save(path.c_str());
    return path;
}

struct VideoMessage {
    UINT message;
    HWND window;
};

// The main window as the view sees it: it records what it is told about presentation windows.
class FakeMain : public CWnd {
public:
    FakeMain()
    {
        CreateEx(0, nullptr, L"desk", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 420, 340, nullptr,
                 nullptr);
    }
    ~FakeMain() override
    {
        if (m_hWnd != nullptr)
            DestroyWindow();
    }
    std::vector<VideoMessage> received;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_ADD_VIDEO_WINDOW || message == WM_REMOVE_VIDEO_WINDOW) {
            EXPECT_EQ(lParam, 0);
            received.push_back({ message, reinterpret_cast<HWND>(wParam) });
            return 1;
        }
        if (message == WM_DESTROY)
            received.push_back({ message, nullptr });
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

CRect WindowRectOf(HWND hwnd)
{
    CRect rc;
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

CRect ClientRectOf(HWND hwnd)
{
    CRect rc;
    ::GetClientRect(hwnd, &rc);
    return rc;
}

// A child's place in its parent's client area.
CRect PlaceOf(HWND child)
{
    CRect rc = WindowRectOf(child);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool HasStyle(HWND hwnd, DWORD style)
{
    return (static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)) & style) == style;
}

bool IsTopmost(HWND hwnd)
{
    return (::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

CRect PrimaryMonitor()
{
    return CRect(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

// One main window for the suite: a shown top-level window costs Wine about 2 s to destroy
// without a window manager. Each test has its own view, video window and skin.
class ViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_app = new CWinApp;
        s_main = new FakeMain;
    }
    static void TearDownTestSuite()
    {
        delete s_main;
        delete s_app;
        s_main = nullptr;
        s_app = nullptr;
    }
    void SetUp() override
    {
        main_.received.clear();
        ASSERT_TRUE(skin_.Load(WriteViewSkin().c_str()));
        app_.m_pMainWnd = &main_;
        ASSERT_TRUE(view_.Create(&main_, CRect(10, 10, 390, 306), 1030));
        view_.SetupControls(&skin_, kBackgroundItem);
        view_.SetOutputSize(360, 288);
        view_.SetAspect(360.0 / 288.0);
    }
    void TearDown() override
    {
        view_.DestroyWindow();
        app_.m_pMainWnd = nullptr;
    }
    void PressVideoButton() { view_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_VIEW_VIDEO_BUTTON, BN_CLICKED)); }
    HWND Child() { return view_.GetVideoDlg().GetVideoWindow(); }
    CVideoDlg& Dlg() { return view_.GetVideoDlg(); }

    static CWinApp* s_app;
    static FakeMain* s_main;
    CWinApp& app_ = *s_app;
    FakeMain& main_ = *s_main;
    UI_Mgr::SBmpMapMgr skin_;
    CDVViewWnd view_;
};

CWinApp* ViewTest::s_app = nullptr;
FakeMain* ViewTest::s_main = nullptr;

} // namespace

TEST(ElapsedTime, ShowsMinutesAndSecondsInTheFirstHourAndWrapsHoursAtADay)
{
    struct Case {
        LONGLONG seconds;
        const wchar_t* text;
    } cases[] = {
        { 0, L"00:00" },          { 1, L"00:01" },          { 59, L"00:59" },
        { 61, L"01:01" },         { 3599, L"59:59" },       { 3600, L"01:00:00" },
        { 3661, L"01:01:01" },    { 86399, L"23:59:59" },   { 86400, L"00:00" },   // a whole day: hours 0
        { 90000, L"01:00:00" },   { 86400 + 59, L"00:59" },
    };
    for (const Case& c : cases)
        EXPECT_STREQ(CDVViewWnd::FormatElapsed(c.seconds).GetString(), c.text) << c.seconds;
}

TEST(MonitorChoice, TakesOneBasedNumbersWithinTheListAndRefusesAnyOther)
{
    const std::vector<RECT> one = { { 0, 0, 1280, 1024 } };
    const std::vector<RECT> two = { { 0, 0, 1280, 1024 }, { 1280, 0, 2000, 576 } };
    const RECT untouched = { 1, 2, 3, 4 };
    struct Case {
        const std::vector<RECT>* monitors;
        int number;
        bool chosen;
        RECT rc;
    } cases[] = {
        { &one, 1, true, { 0, 0, 1280, 1024 } },
        { &one, 2, false, untouched },   // the graphics-card output's default monitor, on a one-monitor desk
        { &one, 0, false, untouched },
        { &one, -1, false, untouched },
        { &one, 1000000, false, untouched },
        { &two, 2, true, { 1280, 0, 2000, 576 } },
        { &two, 3, false, untouched },
    };
    for (const Case& c : cases) {
        RECT rc = untouched;
        EXPECT_EQ(ChooseMonitorRect(*c.monitors, c.number, &rc), c.chosen) << c.number;
        EXPECT_EQ(CRect(rc), CRect(c.rc)) << c.number;
    }
    RECT rc = untouched;
    EXPECT_FALSE(ChooseMonitorRect({}, 1, &rc));
    // The test display is one monitor.
    ASSERT_EQ(ListMonitorRects().size(), 1u);
    EXPECT_EQ(CRect(ListMonitorRects()[0]), PrimaryMonitor());
}

TEST_F(ViewTest, SetUpLaysTheChildrenOutAtTheirPlacesWithTheButtonDisabled)
{
    struct Case {
        UINT id;
        RECT place;
    } cases[] = {
        { IDC_VIEW_VIDEO_AREA, CDVViewWnd::kVideoAreaRect },
        { IDC_VIEW_LEVEL1, CDVViewWnd::kLevel1Rect },
        { IDC_VIEW_LEVEL2, CDVViewWnd::kLevel2Rect },
        { IDC_VIEW_VIDEO_BUTTON, CDVViewWnd::kButtonRect },
    };
    for (const Case& c : cases) {
        HWND child = ::GetDlgItem(view_.m_hWnd, static_cast<int>(c.id));
        ASSERT_NE(child, nullptr) << c.id;
        EXPECT_TRUE(::IsWindowVisible(child)) << c.id;
        EXPECT_EQ(PlaceOf(child), CRect(c.place)) << c.id;
    }
    EXPECT_EQ(view_.GetVideoArea(), ::GetDlgItem(view_.m_hWnd, IDC_VIEW_VIDEO_AREA));
    EXPECT_EQ(view_.GetElapsedText(), CString(L"00:00:00"));
    // No program yet: the view and its button start disabled.
    EXPECT_FALSE(view_.IsWindowEnabled());
    EXPECT_FALSE(view_.GetVideoButton().IsWindowEnabled());

    // The button follows the view: the main window enables the view while there is a program.
    view_.EnableWindow(TRUE);
    EXPECT_TRUE(view_.GetVideoButton().IsWindowEnabled());
    view_.EnableWindow(FALSE);
    EXPECT_FALSE(view_.GetVideoButton().IsWindowEnabled());
    view_.EnableWindow(TRUE);
    EXPECT_TRUE(view_.GetVideoButton().IsWindowEnabled());

    // A second set-up makes no second set of children.
    view_.SetupControls(&skin_, kBackgroundItem);
    int buttons = 0;
    for (HWND h = ::GetWindow(view_.m_hWnd, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT))
        buttons += ::GetDlgCtrlID(h) == IDC_VIEW_VIDEO_BUTTON ? 1 : 0;
    EXPECT_EQ(buttons, 1);
}

TEST(ViewSetUp, DoesNothingWithoutAWindowOrASkin)
{
    CWinApp app;
    UI_Mgr::SBmpMapMgr skin;
    CDVViewWnd unborn;
    unborn.SetupControls(&skin, kBackgroundItem);
    EXPECT_EQ(unborn.GetVideoArea(), nullptr);

    FakeMain main;
    CDVViewWnd view;
    ASSERT_TRUE(view.Create(&main, CRect(0, 0, 380, 296), 1030));
    view.SetupControls(nullptr, kBackgroundItem);
    EXPECT_EQ(::GetWindow(view.m_hWnd, GW_CHILD), nullptr);
    // Levels given before set-up reach the bars made later.
    view.SetLevels(-12, -30);
    view.SetupControls(&skin, kBackgroundItem);
    ASSERT_NE(view.GetLevelBar(0), nullptr);
    EXPECT_EQ(view.GetLevelBar(0)->GetLevel(), -12);
    EXPECT_EQ(view.GetLevelBar(1)->GetLevel(), -30);
    view.DestroyWindow();
}

TEST_F(ViewTest, TogglingTwiceAddsAndRemovesTheSameChildOnce)
{
    // The operator's click on the enabled button.
    view_.EnableWindow(TRUE);
    view_.GetVideoButton().SendMessage(BM_CLICK);
    Pump();
    ASSERT_NE(Dlg().GetSafeHwnd(), nullptr);
    HWND child = Child();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(::GetDlgCtrlID(child), IDC_VIDEO_CHILD);
    EXPECT_TRUE(view_.IsVideoWindowVisible());
    EXPECT_EQ(Dlg().GetShownFlag(), 1);
    EXPECT_DOUBLE_EQ(Dlg().GetAspect(), 360.0 / 288.0);

    PressVideoButton();
    EXPECT_FALSE(view_.IsVideoWindowVisible());
    EXPECT_EQ(Dlg().GetShownFlag(), 0);
    ASSERT_EQ(main_.received.size(), 2u);
    EXPECT_EQ(main_.received[0].message, WM_ADD_VIDEO_WINDOW);
    EXPECT_EQ(main_.received[1].message, WM_REMOVE_VIDEO_WINDOW);
    EXPECT_EQ(main_.received[0].window, child);
    EXPECT_EQ(main_.received[1].window, child);

    // Later uses keep the one window.
    PressVideoButton();
    EXPECT_EQ(Child(), child);
    EXPECT_EQ(main_.received.size(), 3u);
    // Hiding through the view's operation; hiding a hidden window tells nobody.
    view_.HideVideoWindow();
    view_.HideVideoWindow();
    ASSERT_EQ(main_.received.size(), 4u);
    EXPECT_EQ(main_.received[3].message, WM_REMOVE_VIDEO_WINDOW);
}

TEST_F(ViewTest, ClosingTheVideoWindowRemovesItAndTheViewAddsItAgain)
{
    struct Case {
        const char* how;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        { "close box", WM_SYSCOMMAND, SC_CLOSE },
        { "WM_CLOSE", WM_CLOSE, 0 },
        // Escape ends in the same cancel as the close box: the mixer must not keep presenting
        // into a window nobody sees.
        { "escape", WM_COMMAND, IDCANCEL },
    };
    for (const Case& c : cases) {
        main_.received.clear();
        PressVideoButton();
        ASSERT_TRUE(view_.IsVideoWindowVisible()) << c.how;
        Dlg().SendMessage(c.message, c.wParam, 0);
        Pump();
        EXPECT_FALSE(view_.IsVideoWindowVisible()) << c.how;
        EXPECT_EQ(Dlg().GetShownFlag(), 0) << c.how;
        ASSERT_EQ(main_.received.size(), 2u) << c.how;
        EXPECT_EQ(main_.received[1].message, WM_REMOVE_VIDEO_WINDOW) << c.how;
        EXPECT_EQ(main_.received[1].window, Child()) << c.how;
    }
    main_.received.clear();
    PressVideoButton();
    ASSERT_EQ(main_.received.size(), 1u);
    EXPECT_EQ(main_.received[0].message, WM_ADD_VIDEO_WINDOW);
    EXPECT_EQ(main_.received[0].window, Child());
}

TEST_F(ViewTest, WithoutAMainWindowTheVideoWindowStillShowsAndHides)
{
    app_.m_pMainWnd = nullptr;
    PressVideoButton();
    EXPECT_TRUE(view_.IsVideoWindowVisible());
    EXPECT_EQ(Dlg().GetShownFlag(), 0);
    PressVideoButton();
    EXPECT_FALSE(view_.IsVideoWindowVisible());
    Dlg().SendMessage(WM_CLOSE);
    EXPECT_TRUE(main_.received.empty());
}

TEST_F(ViewTest, TheVideoWindowsClientIsTheOutputSizeAndTheChildFillsIt)
{
    PressVideoButton();
    EXPECT_EQ(ClientRectOf(Dlg().m_hWnd), CRect(0, 0, 360, 288));
    EXPECT_EQ(PlaceOf(Child()), CRect(0, 0, 360, 288));
    EXPECT_TRUE(HasStyle(Dlg().m_hWnd, WS_CAPTION | WS_THICKFRAME));
    // Centred on its owner, the main window.
    const CRect rc = WindowRectOf(Dlg().m_hWnd);
    const CRect owner = WindowRectOf(main_.m_hWnd);
    EXPECT_LE(std::abs(rc.CenterPoint().x - owner.CenterPoint().x), 1);
    EXPECT_LE(std::abs(rc.CenterPoint().y - owner.CenterPoint().y), 1);

    Dlg().SetWindowPos(nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(PlaceOf(Child()), ClientRectOf(Dlg().m_hWnd));

    Pixels shot = CaptureScreen(Dlg().m_hWnd);
    SavePng(shot, L"video_window.png");
    const CRect client = ClientRectOf(Dlg().m_hWnd);
    CPoint origin(0, 0);
    ::ClientToScreen(Dlg().m_hWnd, &origin);
    const CPoint at = origin - WindowRectOf(Dlg().m_hWnd).TopLeft();
    EXPECT_EQ(shot.At(at.x + client.Width() / 2, at.y + client.Height() / 2), kBlack);
    EXPECT_EQ(shot.At(at.x + client.Width() - 1, at.y + client.Height() - 1), kBlack);
}

TEST_F(ViewTest, DoubleClickGoesFullScreenOnItsMonitorAndBackToExactlyWhereItWas)
{
    PressVideoButton();
    Dlg().SetWindowPos(nullptr, 33, 47, 401, 333, SWP_NOZORDER);
    const CRect before = WindowRectOf(Dlg().m_hWnd);
    ASSERT_FALSE(IsTopmost(Dlg().m_hWnd));

    // On the child (which covers the client area) and on the frame alike.
    const HWND targets[] = { Child(), Dlg().m_hWnd };
    for (HWND target : targets) {
        ::SendMessageW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_TRUE(Dlg().IsFullScreen());
        EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), PrimaryMonitor());
        EXPECT_FALSE(HasStyle(Dlg().m_hWnd, WS_CAPTION));
        EXPECT_FALSE(HasStyle(Dlg().m_hWnd, WS_THICKFRAME));
        EXPECT_TRUE(IsTopmost(Dlg().m_hWnd));
        EXPECT_EQ(PlaceOf(Child()), ClientRectOf(Dlg().m_hWnd));

        ::SendMessageW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_FALSE(Dlg().IsFullScreen());
        EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), before);
        EXPECT_TRUE(HasStyle(Dlg().m_hWnd, WS_CAPTION | WS_THICKFRAME));
        EXPECT_FALSE(IsTopmost(Dlg().m_hWnd));
        EXPECT_EQ(::GetWindow(Dlg().m_hWnd, GW_OWNER), main_.m_hWnd);
    }
}

TEST_F(ViewTest, PlacingWhileFullScreenKeepsTheFirstSavedRectangleForTheReturn)
{
    PressVideoButton();
    Dlg().SetWindowPos(nullptr, 40, 30, 380, 300, SWP_NOZORDER);
    const CRect before = WindowRectOf(Dlg().m_hWnd);

    ::SendMessageW(Child(), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    ASSERT_TRUE(Dlg().IsFullScreen());
    const CRect elsewhere(100, 50, 740, 530);
    EXPECT_TRUE(Dlg().PlaceOnRect(elsewhere));
    EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), elsewhere);
    EXPECT_EQ(Dlg().GetSavedRect(), before);
    // A second placement likewise.
    EXPECT_TRUE(Dlg().PlaceOnRect(CRect(0, 0, 320, 240)));
    EXPECT_EQ(Dlg().GetSavedRect(), before);

    ::SendMessageW(Child(), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), before);
}

TEST_F(ViewTest, ShowOnRectShowsFullScreenThereOnceAndTheNextUseHides)
{
    const CRect monitor(0, 0, 640, 480);
    view_.ShowOnRect(monitor);
    ASSERT_TRUE(view_.IsVideoWindowVisible());
    EXPECT_TRUE(Dlg().IsFullScreen());
    EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), monitor);
    ASSERT_EQ(main_.received.size(), 1u);
    EXPECT_EQ(main_.received[0].message, WM_ADD_VIDEO_WINDOW);

    view_.HideVideoWindow();
    EXPECT_FALSE(view_.IsVideoWindowVisible());
    // The placement was for that one showing: the button shows the window as it was left.
    PressVideoButton();
    EXPECT_TRUE(view_.IsVideoWindowVisible());
    EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), monitor);
    EXPECT_EQ(main_.received.size(), 3u);
}

TEST_F(ViewTest, ShowsOnTheConfiguredMonitorOnlyWhenItExists)
{
    // The test display has one monitor: numbers beyond it (the default is 2), 0 and negative
    // numbers show nothing and tell the main window nothing.
    const int refused[] = { 2, 3, 0, -1 };
    for (int number : refused) {
        EXPECT_FALSE(view_.ShowOnMonitor(number)) << number;
        EXPECT_FALSE(view_.IsVideoWindowVisible()) << number;
    }
    EXPECT_TRUE(main_.received.empty());

    EXPECT_TRUE(view_.ShowOnMonitor(1));
    EXPECT_TRUE(Dlg().IsFullScreen());
    EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), PrimaryMonitor());
    ASSERT_EQ(main_.received.size(), 1u);
    EXPECT_EQ(main_.received[0].window, Child());
    Pixels shot = CaptureScreen(Dlg().m_hWnd);
    SavePng(shot, L"video_window_full_screen.png");
    EXPECT_EQ(shot.At(shot.width / 2, shot.height / 2), kBlack);

    // Asked again while shown: it stays, registered once.
    EXPECT_TRUE(view_.ShowOnMonitor(1));
    EXPECT_TRUE(view_.IsVideoWindowVisible());
    EXPECT_EQ(WindowRectOf(Dlg().m_hWnd), PrimaryMonitor());
    EXPECT_EQ(main_.received.size(), 1u);
}

TEST_F(ViewTest, ElapsedTimeCountsTicksChangesFormAfterTheFirstHourAndStopsAtZero)
{
    view_.StartTimer();
    for (int i = 0; i < 3599; ++i)
        view_.SendMessage(WM_TIMER, CDVViewWnd::kElapsedTimer);
    EXPECT_EQ(view_.GetElapsedSeconds(), 3599);
    EXPECT_EQ(view_.GetElapsedText(), CString(L"59:59"));
    view_.SendMessage(WM_TIMER, CDVViewWnd::kElapsedTimer);
    EXPECT_EQ(view_.GetElapsedText(), CString(L"01:00:00"));

    // Another timer's tick is not a second.
    view_.SendMessage(WM_TIMER, 7);
    EXPECT_EQ(view_.GetElapsedSeconds(), 3600);

    view_.StopTimer();
    EXPECT_EQ(view_.GetElapsedSeconds(), 0);
    EXPECT_EQ(view_.GetElapsedText(), CString(L"00:00"));

    // A new start counts from 0.
    view_.StartTimer();
    view_.SendMessage(WM_TIMER, CDVViewWnd::kElapsedTimer);
    EXPECT_EQ(view_.GetElapsedText(), CString(L"00:01"));
    view_.StopTimer();
}

TEST_F(ViewTest, StartingTheClockMarksAVisibleVideoWindow)
{
    PressVideoButton();
    Dlg().SetShownFlag(0);
    view_.StartTimer();
    EXPECT_EQ(Dlg().GetShownFlag(), 1);
    view_.StopTimer();
}

TEST_F(ViewTest, LevelsReachTheTwoBars)
{
    view_.SetLevels(-6, -45);
    EXPECT_EQ(view_.GetLevelBar(0)->GetLevel(), -6);
    EXPECT_EQ(view_.GetLevelBar(1)->GetLevel(), -45);
}

TEST_F(ViewTest, PaintsTheSkinTheBlackVideoAreaTheGreenTimeAndTheButton)
{
    view_.EnableWindow(TRUE);
    view_.SetLevels(0, -60);
    view_.StartTimer();
    for (int i = 0; i < 3725; ++i)
        view_.SendMessage(WM_TIMER, CDVViewWnd::kElapsedTimer);
    Pump();
    Pixels shot = CaptureScreen(view_.m_hWnd);
    SavePng(shot, L"program_view.png");
    ASSERT_EQ(shot.width, 380);
    ASSERT_EQ(shot.height, 296);

    EXPECT_EQ(shot.At(2, 2), kBackground);
    EXPECT_EQ(shot.At(377, 150), kBackground);
    EXPECT_EQ(shot.At(25, 22), kBlack);           // the video area's corners
    EXPECT_EQ(shot.At(353, 266), kBlack);
    EXPECT_EQ(shot.At(24, 22), kBackground);
    // Level bar 1 at 0 dB: green at its start, red at its end; bar 2 at the floor: unlit.
    EXPECT_EQ(shot.At(76, 9), kGreen);
    EXPECT_EQ(shot.At(302, 9), RGB(255, 0, 0));
    EXPECT_EQ(shot.At(76, 14), RGB(66, 65, 66));   // unlit
    // The time "01:02:05": green text on black, nothing outside its rectangle.
    int green = 0;
    for (int y = 270; y < 287; ++y)
        for (int x = 147; x < 227; ++x)
            green += shot.At(x, y) == kGreen ? 1 : 0;
    EXPECT_GT(green, 20);
    EXPECT_EQ(shot.At(147, 270), kBlack);
    EXPECT_EQ(shot.At(146, 270), kBackground);
    EXPECT_EQ(view_.GetElapsedText(), CString(L"01:02:05"));
    // The enabled button shows its normal state.
    EXPECT_EQ(shot.At(338, 278), kButtonStates[0]);

    view_.EnableWindow(FALSE);
    shot = CaptureScreen(view_.m_hWnd);
    EXPECT_EQ(shot.At(338, 278), kButtonStates[3]);
    view_.StopTimer();
}

TEST(ViewDestroy, DestroysTheVideoWindowAndTheBarsAndTheMixerIsToldFirst)
{
    CWinApp app;
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WriteViewSkin().c_str()));
    FakeMain main;
    app.m_pMainWnd = &main;
    CDVViewWnd view;
    ASSERT_TRUE(view.Create(&main, CRect(0, 0, 380, 296), 1030));
    view.SetupControls(&skin, kBackgroundItem);
    view.SendMessage(WM_COMMAND, IDC_VIEW_VIDEO_BUTTON);
    const HWND dlg = view.GetVideoDlg().m_hWnd;
    const HWND bar = view.GetLevelBar(0)->m_hWnd;
    const HWND child = view.GetVideoDlg().GetVideoWindow();
    ASSERT_TRUE(::IsWindow(dlg));
    main.received.clear();
    view.DestroyWindow();
    EXPECT_FALSE(::IsWindow(dlg));
    // The window went while the mixer presented into it: the main window was told.
    ASSERT_EQ(main.received.size(), 1u);
    EXPECT_EQ(main.received[0].message, WM_REMOVE_VIDEO_WINDOW);
    EXPECT_EQ(main.received[0].window, child);
    EXPECT_FALSE(::IsWindow(bar));
    EXPECT_EQ(view.GetVideoDlg().m_hWnd, nullptr);
    app.m_pMainWnd = nullptr;
}

TEST(ViewDestroy, ClosingTheMainWindowRemovesTheShownVideoWindowBeforeTheMainWindowGoes)
{
    CWinApp app;
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WriteViewSkin().c_str()));
    FakeMain main;
    app.m_pMainWnd = &main;
    CDVViewWnd view;
    ASSERT_TRUE(view.Create(&main, CRect(0, 0, 380, 296), 1030));
    view.SetupControls(&skin, kBackgroundItem);
    view.SendMessage(WM_COMMAND, IDC_VIEW_VIDEO_BUTTON);
    const HWND child = view.GetVideoDlg().GetVideoWindow();
    // The video window is owned by the main window, which destroys it first.
    EXPECT_EQ(::GetWindow(view.GetVideoDlg().m_hWnd, GW_OWNER), main.m_hWnd);
    main.DestroyWindow();
    ASSERT_EQ(main.received.size(), 3u);
    EXPECT_EQ(main.received[0].message, WM_ADD_VIDEO_WINDOW);
    EXPECT_EQ(main.received[1].message, WM_REMOVE_VIDEO_WINDOW);
    EXPECT_EQ(main.received[1].window, child);
    EXPECT_EQ(main.received[2].message, static_cast<UINT>(WM_DESTROY));
    app.m_pMainWnd = nullptr;
}

// The skin the program ships: the view's background and button items fit the view's layout,
// and the view drawn with it is saved for a look.
TEST(ViewShippedSkin, FitsTheViewsLayout)
{
    CWinApp app;
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(L"" RVX_PROGRAM_FOLDER L"\\skins\\ui.skn"));
    CRect background;
    ASSERT_TRUE(skin.GetItemRect(kBackgroundItem, background));
    EXPECT_EQ(background.Size(), CSize(380, 296));
    const CRect button(CDVViewWnd::kButtonRect);
    for (UINT item = 1312; item <= 1315; ++item) {
        CRect rc;
        ASSERT_TRUE(skin.GetItemRect(item, rc)) << item;
        EXPECT_EQ(rc.Size(), button.Size()) << item;
    }

    FakeMain main;
    app.m_pMainWnd = &main;
    CDVViewWnd view;
    ASSERT_TRUE(view.Create(&main, CRect(10, 10, 390, 306), 1030));
    view.SetupControls(&skin, kBackgroundItem);
    view.EnableWindow(TRUE);
    view.SetLevels(-3, -20);
    view.StartTimer();
    for (int i = 0; i < 754; ++i)
        view.SendMessage(WM_TIMER, CDVViewWnd::kElapsedTimer);
    Pump();
    Pixels shot = CaptureScreen(view.m_hWnd);
    SavePng(shot, L"program_view_shipped_skin.png");
    EXPECT_EQ(shot.At(180, 140), kBlack);   // the video area
    // The button is drawn from the skin, with the white key around its shape left to the
    // background: its middle is not the key.
    EXPECT_NE(shot.At(button.CenterPoint().x, button.CenterPoint().y), RGB(255, 255, 255));
    view.StopTimer();
    view.DestroyWindow();
    app.m_pMainWnd = nullptr;
}
