// The desk's working state on the real main window with the two sample clips: an effect's
// parameter window from a double click in the palette, the automatic switch's duration and the
// interval buttons, the T-bar taken to the middle and back, and a project holding everything on
// the desk saved, changed and opened again.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/LISLayer.h"
#include "app/captions/LISScene.h"
#include "app/core/ChannelTransport.h"
#include "app/core/GraphContracts.h"
#include "app/engine/Channel.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/VideoMixer.h"
#include "app/settings/TemplateDialogIds.h"
#include "tests/app/ui/DeskFixture.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/ModalDriver.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace desk_test;

const int kOnAir = CDVPlayWnd::kOnAir, kPreview = CDVPlayWnd::kPreview, kIdle = CDVPlayWnd::kIdle;
const LONGLONG kSecond = 10000000;

std::wstring TextOf(HWND window)
{
    wchar_t text[128] = {};
    ::GetWindowTextW(window, text, 128);
    return text;
}

struct OwnedSearch {
    HWND owner;
    const wchar_t* title;
    std::vector<HWND> found;
};

// A plain enumeration procedure: the 32-bit build calls it with the system's convention.
BOOL CALLBACK CollectOwned(HWND window, LPARAM data)
{
    OwnedSearch& s = *reinterpret_cast<OwnedSearch*>(data);
    if (::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == s.owner && TextOf(window) == s.title)
        s.found.push_back(window);
    return TRUE;
}

// The visible top-level windows of this thread owned by `owner` with the title `title`.
std::vector<HWND> OwnedWindows(HWND owner, const wchar_t* title)
{
    OwnedSearch search = {owner, title, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A 4 x 4 picture of one colour, written as a bitmap file.
void WriteLogo(const std::wstring& path, const char* bgr)
{
    const unsigned char header[] = {
        'B', 'M', 0x66, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 1, 0, 24, 0,
        0, 0, 0, 0, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    };
    FILE* out = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(out);
    fwrite(header, 1, sizeof(header), out);
    for (int i = 0; i < 16; ++i)
        fwrite(bgr, 1, 3, out);
    fclose(out);
}

class DeskWorkTest : public DeskFixture {
protected:
    static void SetUpTestSuite() { PrepareFolder(L"rvx_desk_work_test"); }
    static void TearDownTestSuite() { RemoveFolder(); }
    void SetUp() override { OpenDesk(); }
    void TearDown() override { CloseDesk(); }

    void Click(UINT control) { m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0); }
    void Command(UINT id) { m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    CString Text(UINT control)
    {
        CString text;
        m_desk->GetDlgItemText(control, text);
        return text;
    }

    // The effect of that identifier in the video mixer, or null.
    CRenderEffect* Effect(int id)
    {
        std::vector<CRenderEffect*> effects;
        m_desk->GetDirector().GetVideoMixer()->GetEffectList(effects);
        for (CRenderEffect* effect : effects)
            if (effect && effect->GetID() == id)
                return effect;
        return nullptr;
    }
    // Shows the effect's category and double-clicks its cell as the operator does.
    void DoubleClickEffect(int id)
    {
        CRenderEffect* effect = Effect(id);
        ASSERT_NE(effect, nullptr) << "effect " << id;
        m_desk->ShowCategory(effect->GetType());
        CEffectList& list = m_desk->GetEffectList();
        int row = -1;
        for (int i = 0; i < list.GetItemCount(); ++i)
            if (static_cast<int>(list.GetItemData(i)) == id)
                row = i;
        ASSERT_GE(row, 0) << "effect " << id << " is not listed";
        CRect cell;
        ASSERT_TRUE(list.GetCellRect(row, cell)) << "effect " << id << " has no cell";
        const LPARAM at = MAKELPARAM(cell.CenterPoint().x, cell.CenterPoint().y);
        list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
        list.SendMessage(WM_LBUTTONUP, 0, at);
        list.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        list.SendMessage(WM_LBUTTONUP, 0, at);
        Pump();
    }

    // The channel graph's transport of a panel, null when it holds none.
    IChannelTransport* Transport(int panel)
    {
        CChannel* channel = m_desk->GetPanel(panel).GetChannel();
        return channel && channel->GetGraph() ? channel->GetGraph()->GetTransport() : nullptr;
    }
    OAFilterState PlayState(int panel)
    {
        OAFilterState state = -1;
        IChannelTransport* transport = Transport(panel);
        if (!transport || FAILED(transport->GetState(1000, &state)))
            return -1;
        return state;
    }
    LONGLONG Position(int panel)
    {
        LONGLONG position = -1;
        IChannelTransport* transport = Transport(panel);
        if (!transport || FAILED(transport->GetCurrentPosition(&position)))
            return -1;
        return position;
    }
    std::vector<bool> Latches(UINT first, UINT last)
    {
        std::vector<bool> latched;
        for (UINT control = first; control <= last; ++control)
            latched.push_back(Latched(control));
        return latched;
    }
    // The subtitle style through the font dialog: a style of its own (not a preset) with the
    // bold box flipped, then OK.
    void FlipSubtitleBold()
    {
        CModalDriver driver;
        driver.driver = [](HWND dialog, const std::wstring&) {
            ::SendMessageW(::GetDlgItem(dialog, 1096), BM_CLICK, 0, 0);
            ::SendMessageW(::GetDlgItem(dialog, 1071), BM_CLICK, 0, 0);
            CModalDriver::Command(dialog, IDOK);
        };
        Command(32878);
        ASSERT_EQ(driver.shown.size(), 1u) << "the font dialog did not open";
    }
};

} // namespace

TEST_F(DeskWorkTest, DoubleClickingAnEffectOpensItsParameterWindowOverTheDesk)
{
    LoadBoth();
    HWND desk = m_desk->GetSafeHwnd();
    const int softWipe = 7, mix = 1;
    ASSERT_NE(Effect(softWipe), nullptr);

    // An effect with nothing to tune opens nothing. Its click named it and marked it on the
    // quick list too.
    m_desk->DropQuickEffect(softWipe, -1);
    const std::vector<DWORD> quick = m_desk->GetQuickEffects();
    ASSERT_EQ(quick.back(), static_cast<DWORD>(softWipe));
    auto quickSelected = [&]() -> DWORD {
        HWND list = ::GetDlgItem(desk, 1031);
        const LRESULT row = ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        return row < 0 ? 0 : quick[static_cast<size_t>(row)];
    };
    DoubleClickEffect(mix);
    EXPECT_TRUE(OwnedWindows(desk, L"\x5c5e\x6027").empty());
    EXPECT_EQ(TextOf(::GetDlgItem(desk, 1032)), std::wstring(Effect(mix)->GetName()));
    if (quick.front() == static_cast<DWORD>(mix)) {
        EXPECT_EQ(quickSelected(), static_cast<DWORD>(mix));
    }

    DoubleClickEffect(softWipe);
    EXPECT_EQ(quickSelected(), static_cast<DWORD>(softWipe));
    std::vector<HWND> windows = OwnedWindows(desk, L"\x5c5e\x6027");
    ASSERT_EQ(windows.size(), 1u) << "the parameter window did not open";
    HWND window = windows[0];
    HWND track = ::GetDlgItem(window, IDC_TEMPLATE_TRACK_BASE);
    HWND label = ::GetDlgItem(window, IDC_TEMPLATE_LABEL_BASE);
    ASSERT_TRUE(track && label);
    EXPECT_EQ(TextOf(label), L"Softness 0.10");
    const LRESULT range = ::SendMessageW(track, TBM_GETRANGEMAX, 0, 0);
    EXPECT_GE(range, 48);
    SavePng(CaptureScreen(::GetDesktopWindow()), L"desk_effect_parameters.png");

    // A move to the end reaches the label (the effect takes it on its next frame).
    ::SendMessageW(track, TBM_SETPOS, TRUE, range);
    ::SendMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, range), reinterpret_cast<LPARAM>(track));
    EXPECT_EQ(TextOf(label), L"Softness 0.50");

    // Opened again: one window, the old one gone; the desk closes with it open.
    DoubleClickEffect(softWipe);
    windows = OwnedWindows(desk, L"\x5c5e\x6027");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_TRUE(m_seams->boxes.empty());
}

TEST_F(DeskWorkTest, AutomaticSwitchDurationAndIntervalButtonsKeepTheirLimits)
{
    LoadBoth();
    // The automatic switch reads edit 1024, limits it and shows what it used.
    struct Switch {
        const wchar_t* typed;
        const wchar_t* shown;
        int tenths;
    };
    const Switch switches[] = {
        {L"0.1", L"0.2", 2}, {L"25", L"10.0", 100}, {L"2.5", L"2.5", 25}, {L"-3", L"0.2", 2}, {L"1e30", L"10.0", 100},
    };
    for (const Switch& s : switches) {
        m_desk->SetDlgItemText(1024, s.typed);
        m_desk->AutoSwitch();
        EXPECT_TRUE(m_desk->IsTransitionRunning()) << s.typed;
        EXPECT_TRUE(m_desk->IsAutoSwitchArmed()) << s.typed;
        EXPECT_EQ(Text(1024), s.shown) << s.typed;
        EXPECT_EQ(m_desk->GetAutoDuration(), s.tenths) << s.typed;
        m_desk->AutoSwitch(); // ends it
        EXPECT_FALSE(m_desk->IsTransitionRunning()) << s.typed;
    }

    // The duration and interval buttons step half a second within their limits.
    struct Step {
        UINT button;
        UINT edit;
        const wchar_t* before;
        const wchar_t* after;
    };
    const Step steps[] = {
        {1055, 1024, L"2.5", L"3.0"},  {1054, 1024, L"2.5", L"2.0"},  {1054, 1024, L"0.5", L"0.2"},
        {1055, 1024, L"9.8", L"10.0"}, {1055, 1024, L"10.0", L"10.0"}, {1057, 1058, L"1.0", L"1.5"},
        {1056, 1058, L"1.0", L"0.5"},  {1056, 1058, L"0.7", L"0.5"},  {1057, 1058, L"9.9", L"10.0"},
    };
    for (const Step& s : steps) {
        m_desk->SetDlgItemText(s.edit, s.before);
        Click(s.button);
        EXPECT_EQ(Text(s.edit), s.after) << s.button << " from " << CStringA(s.before).GetString();
    }
}

TEST_F(DeskWorkTest, TBarToTheMiddleAndBackLeavesProgramAndPreview)
{
    LoadBoth();
    CSpeedSliderCtl& bar = m_desk->GetTBar();
    const int top = bar.GetRangeMin(), bottom = bar.GetRangeMax(), middle = (top + bottom) / 2;
    auto moveTo = [&](int position) {
        bar.SetPos(position);
        m_desk->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, position), reinterpret_cast<LPARAM>(bar.m_hWnd));
    };
    // From either resting end, to the middle and back: nothing switches; the bar rests there.
    struct Case {
        int rest;
        std::vector<int> state;
    };
    const Case cases[] = {
        {bottom, {1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}},
        {top, {2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}},
    };
    for (const Case& c : cases) {
        if (bar.GetPos() != c.rest) { // a completed move brings the bar to the other end
            moveTo(middle);
            moveTo(c.rest);
        }
        ASSERT_EQ(State(), c.state);
        moveTo(middle);
        EXPECT_TRUE(m_desk->IsTransitionRunning()) << c.rest;
        moveTo(c.rest);
        EXPECT_FALSE(m_desk->IsTransitionRunning()) << c.rest;
        EXPECT_EQ(State(), c.state) << c.rest;
        EXPECT_EQ(m_desk->GetDirector().GetProgramChannel(), c.state[0]) << c.rest;
        // The next move starts from that end again, without a jump.
        moveTo(middle);
        EXPECT_TRUE(m_desk->IsTransitionRunning()) << c.rest;
        moveTo(c.rest);
        EXPECT_EQ(State(), c.state) << c.rest;
    }
}

TEST_F(DeskWorkTest, AProjectRestoresPanelsLogosQuickEffectsSwitchesIntervalAndStyle)
{
    LoadBoth();
    const std::wstring logoA = s_folder + L"\\logo_a.bmp", logoB = s_folder + L"\\logo_b.bmp";
    WriteLogo(logoA, "\x00\x00\xff");
    WriteLogo(logoB, "\x00\xff\x00");

    // The state to save: channel 2 on air; panel 1 paused at 1 s, panel 2 playing.
    Command(34466);
    ASSERT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    ASSERT_TRUE(m_desk->GetPanel(0).Pause(TRUE));
    ASSERT_TRUE(Transport(0));
    ASSERT_EQ(Transport(0)->SetCurrentPosition(kSecond), S_OK);
    ASSERT_TRUE(m_desk->GetPanel(1).Play());
    ASSERT_EQ(PlayState(0), State_Paused);
    ASSERT_EQ(PlayState(1), State_Running);
    // Logo 1 on in the bottom-right corner; logo 2 loaded, off, bottom left.
    ASSERT_TRUE(m_desk->LoadLogo(1, logoA.c_str()));
    Click(1040);
    Click(1044);
    ASSERT_TRUE(m_desk->LoadLogo(2, logoB.c_str()));
    Click(1049);
    // Two more quick effects.
    CEffectList& effects = m_desk->GetEffectList();
    ASSERT_GE(effects.GetItemCount(), 4);
    m_desk->DropQuickEffect(static_cast<DWORD>(effects.GetItemData(2)), -1);
    m_desk->DropQuickEffect(static_cast<DWORD>(effects.GetItemData(3)), -1);
    const std::vector<DWORD> quick = m_desk->GetQuickEffects();
    // Captions on, which presses manual publishing as neither mode is on; interval 2.5 s; a
    // bold subtitle.
    Click(1038);
    m_desk->SetDlgItemText(1058, L"2.5");
    FlipSubtitleBold();
    const CharTextStyle style = m_desk->GetSubtitleStyle();

    const std::vector<bool> logo1Corners = {false, false, true, false};
    const std::vector<bool> logo2Corners = {false, false, false, true};
    const std::vector<bool> switches = {true, true, false}; // 1038, 1021, 1020
    auto expectSaved = [&](const char* when) {
        EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle})) << when;
        EXPECT_EQ(m_desk->GetDirector().GetProgramChannel(), 2) << when;
        EXPECT_EQ(PlayState(0), State_Paused) << when;
        EXPECT_NEAR(static_cast<double>(Position(0)), static_cast<double>(kSecond), kSecond / 5.0) << when;
        EXPECT_EQ(PlayState(1), State_Running) << when;
        EXPECT_TRUE(Latched(1040)) << when;
        EXPECT_EQ(Latches(1042, 1045), logo1Corners) << when;
        EXPECT_FALSE(Latched(1041)) << when;
        EXPECT_EQ(Latches(1046, 1049), logo2Corners) << when;
        EXPECT_STREQ(m_desk->GetLogoPath(1), logoA.c_str()) << when;
        EXPECT_STREQ(m_desk->GetLogoPath(2), logoB.c_str()) << when;
        CLISScene* scene = m_desk->GetDirector().GetOverlayScene();
        ASSERT_TRUE(m_desk->GetLogoLayer(1) && m_desk->GetLogoLayer(2)) << when;
        EXPECT_TRUE(scene->Contains(m_desk->GetLogoLayer(1))) << when;
        EXPECT_FALSE(scene->Contains(m_desk->GetLogoLayer(2))) << when;
        EXPECT_EQ(m_desk->GetQuickEffects(), quick) << when;
        EXPECT_EQ((std::vector<bool>{Latched(1038), Latched(1021), Latched(1020)}), switches) << when;
        EXPECT_EQ(Text(1058), L"2.5") << when;
        EXPECT_EQ(std::memcmp(&m_desk->GetSubtitleStyle(), &style, sizeof(style)), 0) << when;
    };
    expectSaved("before saving");

    const std::wstring path = s_folder + L"\\work.rvp";
    m_seams->nextFiles.push_back(path);
    Command(32887);
    ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(m_desk->GetPublishingInterval(), 25);

    // Everything changed.
    Command(34465);
    ASSERT_TRUE(m_desk->GetPanel(0).Play());
    ASSERT_TRUE(m_desk->GetPanel(1).Pause(TRUE));
    ASSERT_TRUE(m_desk->LoadLogo(1, logoB.c_str()));
    Click(1040);
    Click(1042);
    Click(1041);
    Click(1047);
    m_desk->DropQuickEffect(static_cast<DWORD>(effects.GetItemData(0)), 0);
    m_desk->DropQuickEffect(static_cast<DWORD>(effects.GetItemData(1)), 1);
    Click(1038);
    Command(32879);
    m_desk->SetDlgItemText(1058, L"4.0");
    FlipSubtitleBold();
    ASSERT_NE(std::memcmp(&m_desk->GetSubtitleStyle(), &style, sizeof(style)), 0);
    ASSERT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    ASSERT_NE(m_desk->GetQuickEffects(), quick);

    m_seams->nextFiles.push_back(path);
    Command(32785);
    Pump();
    expectSaved("opened again");
    EXPECT_EQ(m_desk->GetPublishingInterval(), 25);
    EXPECT_TRUE(m_seams->boxes.empty());
    SavePng(CaptureScreen(m_desk->GetSafeHwnd()), L"desk_project_reopened.png");
}
