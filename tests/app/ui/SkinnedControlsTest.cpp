// The skinned button and the skinned slider, drawn from the test skin.
#include "app/ui/DrawBtn.h"
#include "app/ui/SpeedSliderCtl.h"

#include <gtest/gtest.h>

#include "tests/app/ui/ScreenshotPng.h"
#include "tests/app/ui/SkinFixture.h"

using UI::SDrawBtn;

namespace {

class TestButton : public SDrawBtn {
public:
    void SetTracking(BOOL tracking) { m_bTracking = tracking; }
};

// A visible top-level window holding the controls under test.
class Host : public CWnd {
public:
    Host() { CreateEx(0, nullptr, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr); }
    ~Host() override { DestroyWindow(); }
};

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!AfxPumpMessage())
            break;
    }
}

void MovePointerTo(int x, int y)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65535) / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (y * 65535) / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}

} // namespace

TEST(SkinnedButton, ChoosesItsImageFromItsState)
{
    struct Case {
        BOOL checked, tracking;
        UINT itemState;
        int image;
    } cases[] = {
        { FALSE, FALSE, 0, SDrawBtn::kNormal },
        { FALSE, TRUE, 0, SDrawBtn::kHover },
        { FALSE, TRUE, ODS_SELECTED, SDrawBtn::kPressed },
        { FALSE, FALSE, ODS_SELECTED, SDrawBtn::kNormal },
        { FALSE, FALSE, ODS_DISABLED, SDrawBtn::kDisabled },
        { TRUE, FALSE, 0, SDrawBtn::kPressed },
        { TRUE, TRUE, 0, SDrawBtn::kPressed },
        { TRUE, FALSE, ODS_DISABLED, SDrawBtn::kPressed },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SDrawBtn::ChooseImage(c.checked, c.tracking, c.itemState), c.image)
            << c.checked << c.tracking << c.itemState;
}

TEST(SkinnedButton, StateImagesOutsideOneToFourAreRefused)
{
    SDrawBtn button;
    EXPECT_EQ(button.SetStateImage(101, 1), 1);
    EXPECT_EQ(button.SetStateImage(555, 0), 0);
    EXPECT_EQ(button.SetStateImage(555, 5), 0);
    EXPECT_EQ(button.SetStateRect(0, 0, 1, 1, 5), 0);
    EXPECT_EQ(button.SetStateBitmap(nullptr, 0), 0);
    EXPECT_EQ(button.GetStateImage(0).id, 101u);
    EXPECT_EQ(button.GetStateImage(0).kind, SDrawBtn::kSkinItem);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(button.GetStateImage(i).kind, SDrawBtn::kNone);
}

TEST(SkinnedButton, DrawsItsFourStatesFromTheSkinBitmap)
{
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WriteTestSkin(L"button").c_str()));
    Host host;
    TestButton button;
    ASSERT_TRUE(button.Create(L"", WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 50, 30), &host, 1050));
    EXPECT_EQ(button.GetButtonStyle() & BS_TYPEMASK, static_cast<UINT>(BS_OWNERDRAW));
    button.SetSkinMap(&skin);
    for (int state = 1; state <= 4; ++state)
        button.SetStateImage(100 + state, state);

    struct Case {
        const wchar_t* name;
        BOOL checked, tracking, enabled;
        COLORREF colour;
    } cases[] = {
        { L"button_normal.png", FALSE, FALSE, TRUE, kRed },
        { L"button_hover.png", FALSE, TRUE, TRUE, kGreen },
        { L"button_checked.png", TRUE, TRUE, TRUE, kBlue },
        { L"button_disabled.png", FALSE, FALSE, FALSE, kYellow },
    };
    for (const Case& c : cases) {
        button.SetCheck(c.checked);
        button.SetTracking(c.tracking);
        button.EnableWindow(c.enabled);
        Pixels shot = CaptureWindow(button.m_hWnd);
        SavePng(shot, c.name);
        // The button's 40 x 20 window shows the state's 10 x 10 item stretched.
        ASSERT_EQ(shot.width, 40);
        EXPECT_EQ(shot.At(0, 0), c.colour) << c.name;
        EXPECT_EQ(shot.At(39, 19), c.colour) << c.name;
        EXPECT_EQ(shot.At(20, 10), c.colour) << c.name;
    }
}

TEST(SkinnedButton, TracksThePointerAndHover)
{
    Host host;
    SDrawBtn button;
    ASSERT_TRUE(button.Create(L"", WS_VISIBLE, CRect(10, 10, 50, 30), &host, 1051));
    CRect rc;
    button.GetWindowRect(rc);

    MovePointerTo(rc.left + 5, rc.top + 5);
    Pump();
    EXPECT_TRUE(button.IsTracking());
    button.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsHover());

    // Leaving the button (the system's leave notice comes from its own timer) ends both.
    button.SendMessage(WM_MOUSELEAVE);
    EXPECT_FALSE(button.IsTracking());
    EXPECT_FALSE(button.IsHover());
}

TEST(SkinnedButton, BlinksBetweenPressedAndNormalOnlyWhileEnabled)
{
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WriteTestSkin(L"blink").c_str()));
    Host host;
    SDrawBtn button;
    ASSERT_TRUE(button.Create(L"", WS_VISIBLE, CRect(10, 10, 50, 30), &host, 1052));
    button.SetSkinMap(&skin);
    button.SetStateImage(101, 1);
    button.SetStateImage(103, 3);
    button.UpdateWindow();
    ASSERT_EQ(button.GetLastImage(), SDrawBtn::kNormal);
    EXPECT_FALSE(button.SetBlink(TRUE));

    std::vector<int> seen;
    for (int i = 0; i < 3; ++i) {
        button.SendMessage(WM_TIMER, SDrawBtn::kBlinkTimer);
        seen.push_back(button.GetLastImage());
    }
    EXPECT_EQ(seen, (std::vector<int>{ SDrawBtn::kPressed, SDrawBtn::kNormal, SDrawBtn::kPressed }));

    button.EnableWindow(FALSE);
    button.UpdateWindow();
    const int whileDisabled = button.GetLastImage();
    button.SendMessage(WM_TIMER, SDrawBtn::kBlinkTimer);
    button.SendMessage(WM_TIMER, SDrawBtn::kBlinkTimer);
    EXPECT_EQ(button.GetLastImage(), whileDisabled);
    EXPECT_TRUE(button.SetBlink(FALSE));
}

TEST(SkinnedButton, RoundRegionAndTransparency)
{
    Host host;
    SDrawBtn button;
    ASSERT_TRUE(button.Create(L"", WS_VISIBLE, CRect(10, 10, 50, 30), &host, 1053));
    button.SetRoundRegion(10, 10);
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(button.GetWindowRgn(rgn), ERROR);
    EXPECT_FALSE(::PtInRegion(rgn, 0, 0));     // the corner is cut off
    EXPECT_TRUE(::PtInRegion(rgn, 20, 10));
    ::DeleteObject(rgn);

    EXPECT_FALSE(button.SetTransparent(TRUE, kWhite));
    EXPECT_TRUE(button.GetExStyle() & WS_EX_TRANSPARENT);
    EXPECT_TRUE(button.SetTransparent(FALSE, kWhite));
    EXPECT_FALSE(button.GetExStyle() & WS_EX_TRANSPARENT);
}

TEST(SkinnedSlider, GrowsTheThumbImageOutAtItsLeftAndTop)
{
    CRect rc = CSpeedSliderCtl::SkinnedThumbRect(CRect(20, 4, 30, 24), CRect(0, 0, 14, 26));
    EXPECT_EQ(rc, CRect(18, 1, 30, 24));
}

TEST(SkinnedSlider, DrawsBackgroundAndThumbFromTheSkin)
{
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WriteTestSkin(L"slider").c_str()));
    Host host;
    CSpeedSliderCtl slider;
    ASSERT_TRUE(slider.Create(WS_VISIBLE | TBS_HORZ | TBS_NOTICKS, CRect(0, 0, 160, 30), &host, 1060));
    slider.SetRange(0, 100);
    slider.SetPos(50);
    slider.SetSkinMap(&skin);
    slider.SetBackgroundItem(102);
    slider.SetThumbItem(105);
    slider.SetThumbColorKey(kWhite);
    Pixels shot = CaptureWindow(slider.m_hWnd);
    SavePng(shot, L"slider.png");
    CRect thumb;
    slider.GetThumbRect(thumb);
    EXPECT_EQ(shot.At(2, 2), kGreen);   // background item over the client area
    // The thumb item is keyed: its black centre shows, its white frame lets the background through.
    CPoint centre = CSpeedSliderCtl::SkinnedThumbRect(thumb, CRect(0, 0, 10, 10)).CenterPoint();
    EXPECT_EQ(shot.At(centre.x, centre.y), kBlack);
}

namespace {

class TipButton : public SDrawBtn {
public:
    CToolTipCtrl& Tip() { return m_ToolTip; }
};

} // namespace

TEST(SkinnedButton, KeepsOneToolTipToolWhoseTextFollowsSetToolTip)
{
    Host host;
    TipButton button;
    ASSERT_TRUE(button.Create(L"", WS_VISIBLE, CRect(10, 10, 50, 30), &host, 1054));
    button.SetToolTip(L"切换");
    ASSERT_NE(button.Tip().m_hWnd, nullptr);
    button.SetToolTip(L"过渡");
    EXPECT_EQ(button.Tip().GetToolCount(), 1);
    EXPECT_STREQ(button.Tip().GetText(&button), L"过渡");
    button.SetToolTip(L"");   // deactivates, keeps the control
    EXPECT_NE(button.Tip().m_hWnd, nullptr);
    HWND tip = button.Tip().m_hWnd;
    button.DestroyWindow();
    EXPECT_FALSE(::IsWindow(tip));   // the tool tip goes with its button
}
