// The two control panes: the rules they share as tables, what they send to the channel panels
// (stand-in panels that record every message), their skinning, the clip pane's speed menu and
// position bar, and the hook that hides a pane on a click anywhere else, driven by real input.
#include "app/ui/AllCtrlPane.h"
#include "app/ui/VolCtrlPane.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "tests/app/ui/PaneSkinFixture.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

struct Received {
    int panel;
    UINT message;   // WM_COMMAND: the command id is the value
    WPARAM value;
};
std::vector<Received>* g_log = nullptr;

// A channel panel as the panes see it: it answers the position question and takes or refuses
// a playback rate.
class FakePanel : public CWnd {
public:
    FakePanel(int number, const CRect& rc, CWnd* owner = nullptr) : number_(number)
    {
        CreateEx(0, nullptr, L"panel", WS_POPUP | WS_VISIBLE, rc.left, rc.top, rc.Width(), rc.Height(),
                 owner->GetSafeHwnd(), nullptr);
    }
    ~FakePanel() override
    {
        if (m_hWnd != nullptr)
            DestroyWindow();
    }
    int percent = 0;
    bool takesRate = true;
    std::vector<double> rates;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_COMMAND:
            Log(message, LOWORD(wParam));
            EXPECT_EQ(lParam, 0);
            return 0;
        case WM_PANEL_SEEK_PERCENT:
        case WM_PANEL_STEP_FRAME:
            Log(message, wParam);
            return 1;
        case WM_PANEL_GET_PERCENT:
            Log(message, 0);
            *reinterpret_cast<int*>(wParam) = percent;
            return 1;
        case WM_PANEL_SET_RATE:
            Log(message, 0);
            rates.push_back(*reinterpret_cast<double*>(wParam));
            return takesRate ? 1 : 0;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }

private:
    void Log(UINT message, WPARAM value)
    {
        if (g_log != nullptr)
            g_log->push_back({ number_, message, value });
    }
    int number_;
};

// The main window stand-in: a top-level window with the pane button and another button.
class Desk : public CWnd {
public:
    Desk()
    {
        CreateEx(0, nullptr, L"desk", WS_POPUP | WS_VISIBLE, 100, 100, 500, 320, nullptr, nullptr);
        paneButton.Create(L"pane", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 70, 34), this, 1064);
        otherButton.Create(L"other", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(400, 260, 480, 300), this, 1065);
    }
    ~Desk() override { DestroyWindow(); }
    CButton paneButton;
    CButton otherButton;
};

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!AfxPumpMessage())
            break;
    }
}

void SendMouse(int x, int y, DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65535) / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (y * 65535) / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    ::SendInput(1, &in, sizeof(in));
    Pump();
}

void ClickAt(CPoint pt)
{
    SendMouse(pt.x, pt.y, 0);
    SendMouse(pt.x, pt.y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(pt.x, pt.y, MOUSEEVENTF_LEFTUP);
}

CPoint CentreOf(HWND hwnd)
{
    CRect rc;
    ::GetWindowRect(hwnd, &rc);
    return rc.CenterPoint();
}

struct ToolTipSearch {
    HWND button;
    CString text;
};

// An enumeration callback: the system calling convention, which a lambda lacks on 32-bit Windows.
BOOL CALLBACK FindToolTipText(HWND hwnd, LPARAM lParam)
{
    auto* s = reinterpret_cast<ToolTipSearch*>(lParam);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (lstrcmpiW(cls, TOOLTIPS_CLASSW) != 0)
        return TRUE;
    wchar_t text[128] = {};
    TTTOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = ::GetParent(s->button);
    ti.uFlags = TTF_IDISHWND;
    ti.uId = reinterpret_cast<UINT_PTR>(s->button);
    ti.lpszText = text;
    ::SendMessageW(hwnd, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&ti));
    if (text[0] == 0)
        return TRUE;
    s->text = text;
    return FALSE;
}

// The text of the tool tip a button made for itself (its tool is the button in its parent).
CString ToolTipOf(HWND button)
{
    ToolTipSearch search = { button, CString() };
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindToolTipText, reinterpret_cast<LPARAM>(&search));
    return search.text;
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

class PaneTest : public ::testing::Test {
protected:
    void SetUp() override { g_log = &log_; }
    void TearDown() override { g_log = nullptr; }
    std::vector<Received> log_;
};

} // namespace

TEST(PaneRules, ButtonsAreCentredOnTheirPlaceWithTheOddPixelRightAndBelow)
{
    struct Case {
        CRect slot;
        CSize size;
        CRect placed;
    } cases[] = {
        { CRect(10, 10, 40, 30), CSize(20, 10), CRect(15, 15, 35, 25) },
        { CRect(10, 10, 41, 31), CSize(20, 10), CRect(15, 15, 35, 25) },    // 6 right, 6 below
        { CRect(10, 10, 20, 20), CSize(13, 13), CRect(9, 9, 22, 22) },      // larger than its place
        { CRect(0, 0, 18, 14), CSize(18, 14), CRect(0, 0, 18, 14) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CentreInSlot(c.slot, c.size), c.placed);
}

TEST(PaneRules, PlaybackSpeedsRoundUpToTheTable)
{
    struct Case {
        double rate;
        int index;
    } cases[] = { { 0.1, 0 }, { 0.2, 0 }, { 0.3, 1 }, { 1.0, 3 }, { 1.5, 4 }, { 8.0, 6 }, { 10.0, 6 }, { -1.0, 0 } };
    for (const Case& c : cases)
        EXPECT_EQ(PlaybackSpeed::IndexOf(c.rate), c.index) << c.rate;
    const double rates[] = { 0.2, 0.5, 0.8, 1.0, 2.0, 4.0, 8.0 };
    for (int i = 0; i < PlaybackSpeed::kCount; ++i)
        EXPECT_DOUBLE_EQ(PlaybackSpeed::RateOf(i), rates[i]);
    EXPECT_DOUBLE_EQ(PlaybackSpeed::RateOf(-1), 1.0);
    EXPECT_DOUBLE_EQ(PlaybackSpeed::RateOf(7), 1.0);
}

TEST(PaneRules, OnlyClicksOutsideThePaneAndItsCompanionClose)
{
    HWND pane = reinterpret_cast<HWND>(0x100);
    HWND other = reinterpret_cast<HWND>(0x200);
    const RECT paneRect = { 100, 100, 200, 150 };
    const RECT companion = { 300, 300, 340, 320 };
    struct Case {
        UINT message;
        HWND target;
        POINT cursor;
        const RECT* companion;
        bool close;
    } cases[] = {
        { WM_LBUTTONDOWN, other, { 10, 10 }, &companion, true },
        { WM_RBUTTONUP, other, { 10, 10 }, &companion, true },
        { WM_LBUTTONDBLCLK, other, { 10, 10 }, nullptr, true },
        { WM_MOUSEWHEEL, other, { 10, 10 }, nullptr, true },
        { WM_MOUSEMOVE, other, { 10, 10 }, nullptr, false },          // moving never closes
        { WM_NCLBUTTONDOWN, other, { 10, 10 }, nullptr, false },
        { WM_LBUTTONDOWN, pane, { 10, 10 }, nullptr, false },         // aimed at the pane itself
        { WM_LBUTTONDOWN, other, { 150, 120 }, nullptr, false },      // a child of the pane
        { WM_LBUTTONDOWN, other, { 310, 310 }, &companion, false },   // the companion
        { WM_LBUTTONDOWN, other, { 310, 310 }, nullptr, true },       // no companion
        { WM_LBUTTONDOWN, other, { 200, 120 }, nullptr, true },       // right edge is outside
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOutsideClick(c.message, c.target, pane, c.cursor, paneRect, c.companion), c.close)
            << std::hex << c.message << std::dec << " at " << c.cursor.x << "," << c.cursor.y;
}

TEST_F(PaneTest, AllPanelsPaneSendsEachCommandToEveryPanelThatExistsInOrder)
{
    Desk desk;
    FakePanel p1(1, CRect(0, 400, 50, 450)), p2(2, CRect(60, 400, 110, 450)), p3(3, CRect(120, 400, 170, 450)),
        p4(4, CRect(180, 400, 230, 450));
    p3.DestroyWindow();   // a panel whose window is gone is skipped
    CWnd* targets[5] = { &p1, &p2, &p3, &p4, nullptr };
    CAllCtrlPane pane(targets, 5, &desk);
    pane.SetOwnerButton(&desk.paneButton);
    ASSERT_TRUE(pane.Create());

    const std::pair<UINT, UINT> expected[] = {
        { 1090, ID_PANEL_BACK10 }, { 1179, ID_PANEL_BACK1 }, { 1092, ID_PANEL_STOP }, { 1093, ID_PANEL_PAUSE },
        { 1094, ID_PANEL_PLAY },   { 1178, ID_PANEL_FORWARD1 }, { 1096, ID_PANEL_FORWARD10 },
    };
    for (const auto& e : expected) {
        log_.clear();
        HWND button = ::GetDlgItem(pane.m_hWnd, static_cast<int>(e.first));
        ASSERT_NE(button, nullptr) << e.first;
        pane.SendMessage(WM_COMMAND, MAKEWPARAM(e.first, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        ASSERT_EQ(log_.size(), 3u) << e.first;
        const int order[] = { 1, 2, 4 };
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(log_[i].panel, order[i]);
            EXPECT_EQ(log_[i].message, static_cast<UINT>(WM_COMMAND));
            EXPECT_EQ(log_[i].value, e.second);
        }
    }
}

TEST_F(PaneTest, AllPanelsPaneTakesItsLookFromTheSkin)
{
    std::map<UINT, CRect> items;
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WritePaneSkin(L"allpane", &items).c_str()));
    Desk desk;
    CAllCtrlPane pane(nullptr, 0, &desk);
    pane.SetSkinMap(&skin);
    pane.SetOwnerButton(&desk.paneButton);

    // Where each button stands in the resource, before it is skinned.
    CAllCtrlPane plain(nullptr, 0, &desk);
    ASSERT_TRUE(plain.Create());
    ASSERT_TRUE(pane.Create());
    pane.SetWindowPos(nullptr, 150, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pane.ShowWindow(SW_SHOWNOACTIVATE);
    pane.UpdateWindow();

    const UINT tips[] = { 200, 206, 202, 203, 199, 207, 201 };
    for (int i = 0; i < CAllCtrlPane::kButtonCount; ++i) {
        const PaneButtonLook& look = CAllCtrlPane::ButtonLook(i);
        UI::SDrawBtn& button = pane.GetButton(i);
        EXPECT_EQ(button.GetButtonStyle() & BS_TYPEMASK, static_cast<UINT>(BS_OWNERDRAW));
        EXPECT_EQ(button.GetStateImage(0).id, look.skinBase);
        EXPECT_EQ(button.GetStateImage(3).id, look.skinBase + 3);
        CRect slot;
        ::GetWindowRect(::GetDlgItem(plain.m_hWnd, static_cast<int>(look.control)), &slot);
        plain.ScreenToClient(slot);
        CRect placed;
        button.GetWindowRect(placed);
        pane.ScreenToClient(placed);
        EXPECT_EQ(placed, CentreInSlot(slot, items[look.skinBase].Size())) << look.control;
        EXPECT_TRUE(button.GetExStyle() & WS_EX_TRANSPARENT);
        EXPECT_STREQ(ToolTipOf(button.m_hWnd), LoadText(tips[i])) << look.control;
        EXPECT_EQ(look.tooltip, tips[i]);
    }
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(pane.GetWindowRgn(rgn), ERROR);   // rounded corners
    EXPECT_FALSE(::PtInRegion(rgn, 0, 0));
    ::DeleteObject(rgn);
    HRGN plainRgn = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(plain.GetWindowRgn(plainRgn), ERROR);   // no skin, no region
    ::DeleteObject(plainRgn);

    Pixels shot = CaptureScreen(pane.m_hWnd);
    SavePng(shot, L"all_panels_pane.png");
    CRect play;
    pane.GetButton(4).GetWindowRect(play);
    CRect paneRect;
    pane.GetWindowRect(paneRect);
    EXPECT_EQ(shot.At(play.CenterPoint().x - paneRect.left, play.CenterPoint().y - paneRect.top),
              PaneItemColour(1431));
    EXPECT_EQ(shot.At(paneRect.Width() / 2, paneRect.Height() - 2), PaneItemColour(1400));   // the background
}

TEST_F(PaneTest, ClipPaneDrivesItsPanel)
{
    Desk desk;
    FakePanel panel(2, CRect(120, 150, 360, 330), &desk);
    CVolCtrlPane pane(&desk);
    ASSERT_TRUE(pane.Create());
    pane.SetTarget(&panel);

    struct Case {
        UINT control;
        UINT message;
        WPARAM value;
    } buttons[] = {
        { IDC_VOLCTRL_BACK1, WM_COMMAND, ID_PANEL_BACK1 },
        { IDC_VOLCTRL_FORWARD1, WM_COMMAND, ID_PANEL_FORWARD1 },
        { IDC_VOLCTRL_NEXT_FRAME, WM_PANEL_STEP_FRAME, 0 },
    };
    for (const Case& c : buttons) {
        log_.clear();
        pane.SendMessage(WM_COMMAND, MAKEWPARAM(c.control, BN_CLICKED),
                         reinterpret_cast<LPARAM>(::GetDlgItem(pane.m_hWnd, static_cast<int>(c.control))));
        ASSERT_EQ(log_.size(), 1u) << c.control;
        EXPECT_EQ(log_[0].message, c.message);
        EXPECT_EQ(log_[0].value, c.value);
    }

    // The position bar covers the whole clip, 0..100, and seeks the panel when moved.
    CSpeedSliderCtl& bar = pane.GetPositionBar();
    EXPECT_EQ(bar.GetRangeMin(), 0);
    EXPECT_EQ(bar.GetRangeMax(), 100);
    for (int pos : { 0, 37, 100 }) {
        log_.clear();
        bar.SetPos(pos);
        pane.SendMessage(WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos), reinterpret_cast<LPARAM>(bar.m_hWnd));
        ASSERT_EQ(log_.size(), 1u);
        EXPECT_EQ(log_[0].message, static_cast<UINT>(WM_PANEL_SEEK_PERCENT));
        EXPECT_EQ(log_[0].value, static_cast<WPARAM>(pos));
        EXPECT_EQ(pane.GetPosition(), pos);
    }

    // Each tick of the one-second timer asks the panel where it is.
    for (int percent : { 42, 0, 100 }) {
        panel.percent = percent;
        pane.SendMessage(WM_TIMER, CVolCtrlPane::kPositionTimer);
        EXPECT_EQ(bar.GetPos(), percent);
        EXPECT_EQ(pane.GetPosition(), percent);
    }
    panel.percent = 250;   // a panel's wrong answer stays on the bar
    pane.SendMessage(WM_TIMER, CVolCtrlPane::kPositionTimer);
    EXPECT_EQ(bar.GetPos(), 100);

    // Without a target nothing is sent.
    pane.SetTarget(nullptr);
    log_.clear();
    pane.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_VOLCTRL_BACK1, BN_CLICKED), 0);
    pane.SendMessage(WM_TIMER, CVolCtrlPane::kPositionTimer);
    pane.SendMessage(WM_COMMAND, ID_SPEED_X0_2 + 4);
    EXPECT_TRUE(log_.empty());
}

TEST_F(PaneTest, ClipPaneSpeedMenuChecksTheCurrentRateAndFollowsThePanelsAnswer)
{
    Desk desk;
    FakePanel panel(1, CRect(120, 150, 360, 330), &desk);
    UI_Mgr::SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WritePaneSkin(L"volpane").c_str()));
    CVolCtrlPane pane(&desk);
    pane.SetSkinMap(&skin);
    ASSERT_TRUE(pane.Create());
    pane.SetTarget(&panel);

    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_POPUP_MENUS));
    CMenu* speeds = menu.GetSubMenu(IDM_POPUP_SPEED);
    ASSERT_NE(speeds, nullptr);
    ASSERT_EQ(speeds->GetMenuItemCount(), 7u);
    struct Case {
        double rate;
        UINT checked;
    } cases[] = { { 1.5, 34518 }, { 10.0, 34520 }, { 0.1, 34514 }, { 1.0, 34517 } };
    for (const Case& c : cases) {
        pane.SetRate(c.rate);
        pane.PrepareSpeedMenu(speeds);
        for (UINT id = ID_SPEED_X0_2; id <= ID_SPEED_X8_0; ++id)
            EXPECT_EQ((speeds->GetMenuState(id, MF_BYCOMMAND) & MF_CHECKED) != 0, id == c.checked)
                << c.rate << " item " << id;
    }
    HWND speedButton = pane.GetButton(3).m_hWnd;
    EXPECT_STREQ(ToolTipOf(speedButton), LoadText(212));   // x1.0

    pane.SendMessage(WM_COMMAND, ID_SPEED_X0_2 + 4);   // x2.0, taken
    ASSERT_EQ(panel.rates.size(), 1u);
    EXPECT_DOUBLE_EQ(panel.rates[0], 2.0);
    EXPECT_DOUBLE_EQ(pane.GetRate(), 2.0);
    EXPECT_STREQ(ToolTipOf(speedButton), LoadText(213));

    panel.takesRate = false;
    pane.SendMessage(WM_COMMAND, ID_SPEED_X0_2 + 6);   // x8.0, refused
    ASSERT_EQ(panel.rates.size(), 2u);
    EXPECT_DOUBLE_EQ(panel.rates[1], 8.0);
    EXPECT_DOUBLE_EQ(pane.GetRate(), 2.0);
    EXPECT_STREQ(ToolTipOf(speedButton), LoadText(213));

    pane.SetWindowPos(nullptr, 150, 350, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pane.ShowWindow(SW_SHOWNOACTIVATE);
    Pixels shot = CaptureScreen(pane.m_hWnd);
    SavePng(shot, L"clip_pane.png");
    EXPECT_EQ(shot.At(2, shot.height / 2), PaneItemColour(1443));               // left end
    EXPECT_EQ(shot.At(shot.width - 3, shot.height / 2), PaneItemColour(1445));  // right end
}

TEST_F(PaneTest, ClipPaneShowsOnItsPanelAndASecondRequestHidesIt)
{
    Desk desk;
    FakePanel one(1, CRect(120, 150, 360, 330), &desk);
    FakePanel two(2, CRect(380, 150, 600, 330), &desk);
    CVolCtrlPane pane(&desk);

    pane.ShowForPanel(&one, 30, 0.5);   // created on first use
    ASSERT_NE(pane.m_hWnd, nullptr);
    EXPECT_TRUE(pane.IsWindowVisible());
    EXPECT_EQ(pane.GetTarget(), &one);
    EXPECT_EQ(pane.GetPositionBar().GetPos(), 30);
    EXPECT_DOUBLE_EQ(pane.GetRate(), 0.5);
    CRect rc;
    pane.GetWindowRect(rc);
    EXPECT_EQ(rc.TopLeft(), CPoint(120, 150));
    EXPECT_TRUE(CPaneMouseHook<CVolCtrlPane>::IsInstalled());
    EXPECT_NE(::GetActiveWindow(), pane.m_hWnd);

    pane.ShowForPanel(&two, 80, 2.0);   // another panel: moves over
    EXPECT_TRUE(pane.IsWindowVisible());
    EXPECT_EQ(pane.GetTarget(), &two);
    pane.GetWindowRect(rc);
    EXPECT_EQ(rc.TopLeft(), CPoint(380, 150));

    two.SetWindowPos(nullptr, 390, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pane.FollowTarget();
    pane.GetWindowRect(rc);
    EXPECT_EQ(rc.TopLeft(), CPoint(390, 160));

    pane.ShowForPanel(&two, 80, 2.0);   // the same panel again: hides
    EXPECT_FALSE(pane.IsWindowVisible());
    EXPECT_EQ(pane.GetTarget(), nullptr);
    EXPECT_FALSE(CPaneMouseHook<CVolCtrlPane>::IsInstalled());

    pane.ShowForPanel(&one, 10, 1.0);
    pane.ShowForPanel(nullptr, 0, 1.0);   // an emptied panel asks with none
    EXPECT_FALSE(pane.IsWindowVisible());
    EXPECT_EQ(pane.GetTarget(), nullptr);
}

TEST_F(PaneTest, AllPanelsPaneTogglesOnItsOwnerButton)
{
    Desk desk;
    CAllCtrlPane pane(nullptr, 0, &desk);
    pane.SetOwnerButton(&desk.paneButton);
    pane.Toggle();
    ASSERT_NE(pane.m_hWnd, nullptr);
    EXPECT_TRUE(pane.IsWindowVisible());
    CRect rc;
    CRect button;
    pane.GetWindowRect(rc);
    desk.paneButton.GetWindowRect(button);
    EXPECT_EQ(rc.TopLeft(), button.TopLeft());
    EXPECT_TRUE(CPaneMouseHook<CAllCtrlPane>::IsInstalled());
    desk.SetWindowPos(nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pane.FollowOwnerButton();
    pane.GetWindowRect(rc);
    desk.paneButton.GetWindowRect(button);
    EXPECT_EQ(rc.TopLeft(), button.TopLeft());
    pane.Toggle();
    EXPECT_FALSE(pane.IsWindowVisible());
    EXPECT_FALSE(CPaneMouseHook<CAllCtrlPane>::IsInstalled());
}

TEST_F(PaneTest, APaneHidesOnAClickElsewhereButNotOnItselfOrItsCompanion)
{
    Desk desk;
    FakePanel panel(1, CRect(120, 150, 360, 330), &desk);
    CWnd* targets[1] = { &panel };
    CAllCtrlPane all(targets, 1, &desk);
    all.SetOwnerButton(&desk.paneButton);
    ASSERT_TRUE(all.Create());
    CVolCtrlPane clip(&desk);
    ASSERT_TRUE(clip.Create());
    clip.SetTarget(&panel);
    CRect panelRect;
    panel.GetWindowRect(panelRect);

    auto showAll = [&] {
        all.SetWindowPos(nullptr, 140, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    };
    auto showClip = [&] { clip.ShowForPanel(&panel, 0, 1.0); };

    struct Case {
        const char* what;
        std::function<void()> show;
        CWnd* pane;
        std::function<CPoint()> where;
        bool hides;
        bool moveOnly;
    } cases[] = {
        { "another control of the main window", showAll, &all, [&] { return CentreOf(desk.otherButton.m_hWnd); }, true, false },
        { "the pane's own button", showAll, &all, [&] { return CentreOf(::GetDlgItem(all.m_hWnd, IDC_ALLCTRL_STOP)); }, false, false },
        { "the owner button", showAll, &all, [&] { return CentreOf(desk.paneButton.m_hWnd); }, false, false },
        { "a move over the main window", showAll, &all, [&] { return CentreOf(desk.otherButton.m_hWnd); }, false, true },
        { "the main window", showClip, &clip, [&] { return CPoint(450, 400); }, true, false },
        { "the target panel", showClip, &clip, [&] { return CPoint(panelRect.right - 5, panelRect.bottom - 5); }, false, false },
        { "the clip pane's button", showClip, &clip, [&] { return CentreOf(::GetDlgItem(clip.m_hWnd, IDC_VOLCTRL_FORWARD1)); }, false, false },
    };
    for (const Case& c : cases) {
        c.show();
        Pump();
        ASSERT_TRUE(c.pane->IsWindowVisible()) << c.what;
        CPoint pt = c.where();
        if (c.moveOnly) {
            SendMouse(pt.x, pt.y, 0);
            SendMouse(pt.x + 3, pt.y + 2, 0);
        } else {
            ClickAt(pt);
        }
        EXPECT_EQ(c.pane->IsWindowVisible() == FALSE, c.hides) << c.what;
        c.pane->ShowWindow(SW_HIDE);
    }
    EXPECT_FALSE(CPaneMouseHook<CAllCtrlPane>::IsInstalled());
    EXPECT_FALSE(CPaneMouseHook<CVolCtrlPane>::IsInstalled());
    // The clicks on the panes' buttons reached the panel.
    bool stopped = false;
    bool forward = false;
    for (const Received& r : log_) {
        stopped = stopped || (r.message == WM_COMMAND && r.value == ID_PANEL_STOP);
        forward = forward || (r.message == WM_COMMAND && r.value == ID_PANEL_FORWARD1);
    }
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(forward);
}
