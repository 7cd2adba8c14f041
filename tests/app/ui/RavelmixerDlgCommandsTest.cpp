// The desk's commands on the real main window under Xvfb, from a copy of the build's program
// folder with the sample clips: commands are sent as WM_COMMAND, keys and wheel turns are
// posted and pumped through the window's own message routing, and the numeric pad's clock is
// the engine clock the test holds.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/MoreCharDlg.h"
#include "app/core/DeskMessages.h"
#include "app/core/EngineClock.h"
#include "app/core/OutputType.h"
#include "app/engine/Channel.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/foundation/DShowHelpers.h"
#include "app/settings/InputConfigDlgIds.h"
#include "app/settings/HotKeyPropertyPage.h"
#include "app/settings/OutputSettingsIni.h"
#include "app/ui/DeskHotKeys.h"
#include "testing/capture/StubRegistration.h"
#include "tests/app/ui/DeskFixture.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/ModalDriver.h"
#include "tests/app/ui/ScreenshotPng.h"
#include "tests/system/ProgramProcess.h"

#include <prsht.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace desk_test;

std::vector<std::wstring> g_shellOpened;
void RecordShellOpen(HWND, LPCWSTR target)
{
    g_shellOpened.push_back(target);
}

// Watches the desk's pop-up menu: once it is open and idle, notes the AVI item's state, saves a
// screenshot of the screen with the menu on it and closes the menu.
struct MenuWatch {
    HHOOK hook = nullptr;
    HMENU shown = nullptr;
    bool captured = false;
    UINT aviState = 0;
};
MenuWatch g_menu;

LRESULT CALLBACK WatchMenu(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP)
        g_menu.shown = reinterpret_cast<HMENU>(call->wParam);
    if (code == HC_ACTION && call->message == WM_ENTERIDLE && g_menu.shown && !g_menu.captured) {
        g_menu.captured = true;
        g_menu.aviState = ::GetMenuState(g_menu.shown, 34524, MF_BYCOMMAND);
        SavePng(CaptureScreen(::GetDesktopWindow()), L"desk_output_menu.png");
        ::EndMenu();
    }
    return ::CallNextHookEx(g_menu.hook, code, wParam, lParam);
}

class DeskCommandsTest : public DeskFixture {
protected:
    static void SetUpTestSuite()
    {
        PrepareFolder(L"rvx_desk_commands_test", 200000);
        SetDeskShellOpen(&RecordShellOpen);
    }
    static void TearDownTestSuite()
    {
        SetDeskShellOpen(nullptr);
        RemoveFolder();
    }
    void SetUp() override
    {
        g_shellOpened.clear();
        // Hot keys: F1 and F2 cut to channels 1 and 2, F5 is the automatic switch (a test may
        // change them on the hot-key page; every test starts from these).
        CHotKeyPropertyPage keys;
        keys.m_nHotKeys[0] = VK_F1;
        keys.m_nHotKeys[1] = VK_F2;
        keys.m_nHotKeys[21] = VK_F5;
        ASSERT_TRUE(keys.SaveSettings());
        OpenDesk();
    }
    void TearDown() override { CloseDesk(); }

    void Command(UINT id) { m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // A key press as the operator makes it: posted to a window and pumped through the routing.
    void Key(HWND target, UINT key)
    {
        ::PostMessageW(target, WM_KEYDOWN, key, 1);
        ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        Pump();
    }
    int SelectedRow(CEffectList& list) { return list.GetNextItem(-1, LVNI_SELECTED); }

};

const int kOnAir = CDVPlayWnd::kOnAir, kPreview = CDVPlayWnd::kPreview, kIdle = CDVPlayWnd::kIdle;

// A stand-in capture device found by its device path and bound.
SourceDescriptor StubDevice(const CLSID& category, const wchar_t* path)
{
    SourceDescriptor device;
    device.name = path;
    device.path = path;
    CComPtr<IMoniker> moniker;
    if (SUCCEEDED(FindDeviceMoniker(category, path, &moniker)) && moniker)
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&device.filter));
    device.flags = device.filter ? SourceDescriptor::kNamed | SourceDescriptor::kCaptureDevice : SourceDescriptor::kNamed;
    return device;
}

} // namespace

TEST_F(DeskCommandsTest, HardCutsByMenuAndHotKeyAndTheirMenuStates)
{
    LoadBoth();
    ASSERT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    // The cut to the program or to an empty panel is greyed and does nothing.
    struct Item {
        UINT command;
        BOOL enabled;
    };
    const Item items[] = {{34465, FALSE}, {34466, TRUE}, {34467, FALSE}, {34468, FALSE}, {34469, FALSE}};
    for (const Item& item : items)
        EXPECT_EQ(m_desk->QueryDeskCommand(item.command).enabled, item.enabled) << item.command;
    Command(34465);
    Command(34467);
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));

    // Channel 2 by the menu, channel 1 back by its hot key (F1).
    Command(34466);
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    EXPECT_FALSE(m_desk->QueryDeskCommand(34466).enabled);
    Key(m_desk->GetSafeHwnd(), VK_F1);
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));

    // Typed into an edit box, the same key is text: no cut.
    HWND duration = ::GetDlgItem(m_desk->GetSafeHwnd(), 1024);
    ASSERT_TRUE(duration);
    ::SetFocus(duration);
    Key(duration, VK_F2);
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    // Escape never closes the desk.
    Key(m_desk->GetSafeHwnd(), VK_ESCAPE);
    EXPECT_TRUE(::IsWindow(m_desk->GetSafeHwnd()));
    EXPECT_TRUE(m_seams->boxes.empty());
}

TEST_F(DeskCommandsTest, OutputsStartAndStopFromTheOutputMenu)
{
    // Nothing on air: the output button says so and shows no menu.
    Command(1016);
    ASSERT_EQ(m_seams->boxes.size(), 1u);
    EXPECT_NE(m_seams->boxes[0].find(L"\x4e3b\x901a\x9053"), std::wstring::npos) << "message 105";
    EXPECT_FALSE(Latched(1016));

    LoadBoth();
    Command(34524);
    EXPECT_TRUE(m_desk->GetDirector().IsOutputRunning(kOutputAvi));
    EXPECT_TRUE(m_desk->IsOnAirLocked());
    EXPECT_TRUE(Latched(1016));
    EXPECT_EQ(m_desk->QueryDeskCommand(34524).checked, 1);
    EXPECT_EQ(m_desk->QueryDeskCommand(34523).checked, 0);

    // The output menu open over the desk, with the running AVI output checked.
    g_menu = MenuWatch();
    g_menu.hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &WatchMenu, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(g_menu.hook);
    CRect button;
    ::GetWindowRect(::GetDlgItem(m_desk->GetSafeHwnd(), 1016), &button);
    ::SetCursorPos(button.CenterPoint().x, button.CenterPoint().y);
    Command(1016);
    ::UnhookWindowsHookEx(g_menu.hook);
    EXPECT_TRUE(g_menu.captured) << "the output menu did not open";
    EXPECT_TRUE(g_menu.aviState & MF_CHECKED);
    EXPECT_TRUE(m_desk->GetDirector().IsOutputRunning(kOutputAvi));

    // The same item stops it; the last stop unlatches and unlocks.
    Command(34524);
    EXPECT_FALSE(m_desk->GetDirector().IsOutputRunning(kOutputAvi));
    EXPECT_FALSE(m_desk->IsOnAirLocked());
    EXPECT_FALSE(Latched(1016));
    EXPECT_EQ(m_desk->QueryDeskCommand(34524).checked, 0);
}

TEST_F(DeskCommandsTest, ASavedProjectOpensAgainWithProgramPreviewAndQuickEffects)
{
    LoadBoth();
    Command(34466);
    ASSERT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    CEffectList& effects = m_desk->GetEffectList();
    ASSERT_GE(effects.GetItemCount(), 3);
    const DWORD second = static_cast<DWORD>(effects.GetItemData(1));
    const DWORD third = static_cast<DWORD>(effects.GetItemData(2));
    m_desk->DropQuickEffect(second, -1);
    m_desk->DropQuickEffect(third, -1);
    const std::vector<DWORD> quick = m_desk->GetQuickEffects();
    ASSERT_EQ(quick.size(), 3u);

    const std::wstring path = s_folder + L"\\show.rvp";
    m_seams->nextFiles.push_back(path);
    Command(32887);
    ASSERT_EQ(m_seams->files.size(), 1u);
    EXPECT_FALSE(m_seams->files[0].open);
    EXPECT_EQ(m_seams->files[0].defaultExtension, L"rvp");
    EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_STREQ(m_desk->GetProjectCommands().GetPath(), path.c_str());

    // Change the desk, then open the project again.
    Command(34465);
    m_desk->DropQuickEffect(second, 0);
    ASSERT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    m_seams->nextFiles.push_back(path);
    Command(32785);
    Pump();
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    EXPECT_EQ(m_desk->GetDirector().GetProgramChannel(), 2);
    EXPECT_EQ(m_desk->GetQuickEffects(), quick);
    EXPECT_TRUE(m_seams->boxes.empty());

    // Save writes to the same path without asking; New forgets it.
    Command(32787);
    EXPECT_EQ(m_seams->files.size(), 2u);
    Command(32784);
    EXPECT_TRUE(m_desk->GetProjectCommands().GetPath().IsEmpty());
}

TEST_F(DeskCommandsTest, QuickListHoldsFiveAndADropOnItsEmptyAreaReplacesTheFifth)
{
    CEffectList& effects = m_desk->GetEffectList();
    ASSERT_GE(effects.GetItemCount(), 7);
    std::vector<DWORD> ids;
    for (int i = 0; i < 7; ++i)
        ids.push_back(static_cast<DWORD>(effects.GetItemData(i)));
    const std::vector<DWORD> start = m_desk->GetQuickEffects();
    ASSERT_EQ(start.size(), 1u);
    std::vector<DWORD> expected = start;
    for (int i = 1; i < 5; ++i) {
        if (ids[i] == start[0])
            continue;
        m_desk->DropQuickEffect(ids[i], -1);
        expected.push_back(ids[i]);
    }
    ASSERT_EQ(m_desk->GetQuickEffects(), expected);
    // An effect already there is only selected.
    m_desk->DropQuickEffect(expected[1], -1);
    EXPECT_EQ(m_desk->GetQuickEffects(), expected);
    if (expected.size() == 5) {
        m_desk->DropQuickEffect(ids[6], -1);
        expected[4] = ids[6];
        EXPECT_EQ(m_desk->GetQuickEffects(), expected);
    }
}

TEST_F(DeskCommandsTest, QuickEffectAndEffectKeysStartTheAutomaticSwitch)
{
    LoadBoth();
    CEffectList& effects = m_desk->GetEffectList();
    ASSERT_GE(effects.GetItemCount(), 3);
    const DWORD chosen = static_cast<DWORD>(effects.GetItemData(2));
    m_desk->DropQuickEffect(chosen, -1);
    const size_t count = m_desk->GetQuickEffects().size();
    ASSERT_GE(count, 2u);

    // A quick-effect key beyond the list does nothing.
    Command(static_cast<UINT>(34490 + count));
    Pump();
    EXPECT_FALSE(m_desk->IsTransitionRunning());

    // The key of the new entry selects its effect and the posted automatic switch starts.
    Command(static_cast<UINT>(34490 + count - 1));
    EXPECT_EQ(static_cast<DWORD>(effects.GetItemData(SelectedRow(effects))), chosen);
    Pump();
    EXPECT_TRUE(m_desk->IsTransitionRunning());
    EXPECT_TRUE(Latched(1019));
    // The automatic switch pressed again ends it: channel 2 on air.
    Command(32777);
    EXPECT_FALSE(m_desk->IsTransitionRunning());
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));

    // The effect key of the program channel does nothing; that of channel 1 starts a switch.
    Command(34453);
    EXPECT_FALSE(m_desk->IsTransitionRunning());
    Command(34452);
    EXPECT_TRUE(m_desk->IsTransitionRunning());
}

TEST_F(DeskCommandsTest, NumericPadPicksACategoryThenAnEffectWithinHalfASecond)
{
    // Category button 1051 (the third) shows category 1, the shipped one.
    m_desk->SetCategories({2, 3, 1});
    HWND desk = m_desk->GetSafeHwnd();
    Key(desk, VK_NUMPAD3);
    EXPECT_EQ(m_desk->GetShownCategory(), 1);
    CEffectList& effects = m_desk->GetEffectList();
    const int count = effects.GetItemCount();
    ASSERT_GE(count, 2);
    s_now += 100;
    Key(desk, VK_NUMPAD1);
    EXPECT_EQ(SelectedRow(effects), 0) << "entry 1";
    s_now += 100;
    Key(desk, VK_NUMPAD2);
    if (count >= 12)
        EXPECT_EQ(SelectedRow(effects), 11) << "entry 12";
    else
        EXPECT_EQ(SelectedRow(effects), 0) << "entry 12 does not exist: the selection stays";

    // After more than 500 ms the digit is a category key again: 2 shows category 3.
    s_now += 501;
    Key(desk, VK_NUMPAD2);
    EXPECT_EQ(m_desk->GetShownCategory(), 3);
    // 0 and 9 only start afresh.
    s_now += 600;
    Key(desk, VK_NUMPAD0);
    EXPECT_EQ(m_desk->GetShownCategory(), 3);
}

TEST_F(DeskCommandsTest, WheelMovesTheTBarAndHelpAndLanguageGoWhereTheySay)
{
    LoadBoth();
    CSpeedSliderCtl& bar = m_desk->GetTBar();
    // The bar rests at its bottom end: a turn away moves it one step into a transition, a
    // turn back returns it and cancels the transition.
    const int rest = bar.GetPos();
    ASSERT_EQ(rest, bar.GetRangeMax());
    ::PostMessageW(m_desk->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    Pump();
    EXPECT_LT(bar.GetPos(), rest);
    EXPECT_TRUE(m_desk->IsTransitionRunning());
    ::PostMessageW(m_desk->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    Pump();
    EXPECT_EQ(bar.GetPos(), rest);
    EXPECT_FALSE(m_desk->IsTransitionRunning());
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));

    Command(32860);
    Command(34522);
    ASSERT_EQ(g_shellOpened.size(), 2u);
    EXPECT_EQ(g_shellOpened[0], s_folder + L"\\help.chm");
    EXPECT_EQ(g_shellOpened[1].substr(0, 7), L"http://");

    // Languages: written to lang.ini, each offered only with its files.
    struct Case {
        UINT command;
        const wchar_t* name;
    };
    const Case cases[] = {{34506, L"spchinese"}, {34538, L"tdchinese"}, {34505, L"english"}};
    for (const Case& c : cases) {
        Command(c.command);
        wchar_t value[32] = {};
        ::GetPrivateProfileStringW(L"language", L"current", L"", value, 32,
                                   (s_folder + L"\\config\\lang.ini").c_str());
        EXPECT_STREQ(value, c.name);
    }
    EXPECT_EQ(m_seams->boxes.size(), 3u);
    const bool english = ::GetFileAttributesW((s_folder + L"\\skins\\ui_en.bmp").c_str()) != INVALID_FILE_ATTRIBUTES &&
                         ::GetFileAttributesW((s_folder + L"\\uirc_en.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
    EXPECT_EQ(m_desk->QueryDeskCommand(34505).enabled != FALSE, english);
    ::DeleteFileW((s_folder + L"\\config\\lang.ini").c_str());
}

TEST_F(DeskCommandsTest, SubtitleLinesAndTheCaptionEditorOpenFromTheirCommands)
{
    ASSERT_TRUE(m_desk->GetSubtitleWindow().GetSafeHwnd()) << "the subtitle line window";
    // A subtitle file: loading it switches manual publishing on, as neither mode was on.
    const std::wstring lines = s_folder + L"\\lines.txt";
    FILE* file = _wfopen(lines.c_str(), L"wb");
    ASSERT_TRUE(file);
    std::fputs("first line\r\nsecond line\r\n", file);
    std::fclose(file);
    m_seams->nextFiles.push_back(lines);
    Command(32877);
    ASSERT_EQ(m_seams->files.size(), 1u);
    EXPECT_TRUE(m_seams->files[0].open);
    EXPECT_TRUE(Latched(1021));
    EXPECT_TRUE(m_desk->GetSubtitleWindow().IsManualMode());
    EXPECT_EQ(m_desk->QueryDeskCommand(32880).checked, 1);

    // Captions on, next line: the line goes on air as the subtitle layer.
    m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(1038, BN_CLICKED), 0);
    Command(32881);
    EXPECT_STREQ(m_desk->GetSubtitleWindow().GetCurrentText(), L"first line");
    EXPECT_NE(m_desk->GetSubtitleLayer(), nullptr);

    // Automatic publishing takes over from manual with the interval edit's period.
    ::SetDlgItemTextW(m_desk->GetSafeHwnd(), 1058, L"0.3");
    Command(32879);
    EXPECT_TRUE(Latched(1020));
    EXPECT_FALSE(Latched(1021));
    EXPECT_TRUE(m_desk->GetSubtitleWindow().IsAutoMode());
    EXPECT_FALSE(m_desk->GetSubtitleWindow().IsManualMode());
    wchar_t interval[16] = {};
    ::GetDlgItemTextW(m_desk->GetSafeHwnd(), 1058, interval, 16);
    EXPECT_STREQ(interval, L"0.5");
    // Its end unlatches the button.
    m_desk->SendMessage(WM_SUBTITLE_AUTO_ENDED, 0, 0);
    EXPECT_FALSE(Latched(1020));

    // The caption editor shows and hides from its button; the desk closes with it open.
    Command(1050);
    ASSERT_NE(m_desk->GetCaptionEditor(), nullptr);
    EXPECT_TRUE(m_desk->GetCaptionEditor()->IsWindowVisible());
    Command(1050);
    EXPECT_FALSE(m_desk->GetCaptionEditor()->IsWindowVisible());
    Command(1050);
    Pump();
    m_desk->DestroyWindow();
    EXPECT_EQ(m_desk->GetCaptionEditor(), nullptr);
}

TEST_F(DeskCommandsTest, InputFormatAndSourceCommandsOpenTheSelectedChannelsDialogs)
{
    rvxstub::ScopedStubDevices devices;
    ASSERT_TRUE(devices.Registered()) << "regsvr32 rvxcapstub.dll failed";
    const SourceDescriptor video = StubDevice(CLSID_VideoInputDeviceCategory, L"\\\\?\\rvxtest#camera#0001");
    const SourceDescriptor audio = StubDevice(CLSID_AudioInputDeviceCategory, L"\\\\?\\rvxtest#linein#0008");
    ASSERT_TRUE(video.filter && audio.filter);
    LoadBoth();
    CDVPlayWnd& panel = m_desk->GetPanel(2);
    ASSERT_TRUE(panel.LoadSources(audio, video));
    Pump();

    // Greyed until a panel holding a channel is selected.
    EXPECT_FALSE(m_desk->QueryDeskCommand(32850).enabled);
    EXPECT_FALSE(m_desk->QueryDeskCommand(32849).enabled);
    ASSERT_EQ(m_desk->SendMessage(WM_PANEL_SELECT, reinterpret_cast<WPARAM>(&panel), 3), 1);
    EXPECT_TRUE(m_desk->QueryDeskCommand(32850).enabled);
    EXPECT_TRUE(m_desk->QueryDeskCommand(32849).enabled);
    ASSERT_TRUE(panel.GetChannel()->GetGraph()->GetTransport());
    EXPECT_EQ(panel.GetChannel()->GetGraph()->GetTransport()->GetInputOptions().imageFormat, 0);

    // The input format dialog of channel 3's devices: a manual format rebuilds the channel with it.
    CModalDriver dialogs;
    dialogs.driver = [](HWND dialog, const std::wstring&) {
        ::CheckRadioButton(dialog, IDC_INPUT_FORMAT_AUTO, IDC_INPUT_FORMAT_MANUAL, IDC_INPUT_FORMAT_MANUAL);
        CModalDriver::Command(dialog, IDC_INPUT_FORMAT_MANUAL);
        SavePng(CaptureScreen(::GetDesktopWindow()), L"desk_input_format.png");
        CModalDriver::Command(dialog, IDOK);
    };
    Command(32850);
    ASSERT_EQ(dialogs.shown, (std::vector<std::wstring>{L"\x8f93\x5165\x683c\x5f0f\x8bbe\x7f6e"}));
    IChannelTransport* transport = panel.GetChannel()->GetGraph()->GetTransport();
    EXPECT_EQ(transport->GetInputOptions().imageFormat, 1);
    OAFilterState state = State_Stopped;
    EXPECT_TRUE(SUCCEEDED(transport->GetState(5000, &state)));
    EXPECT_EQ(state, State_Running) << "the channel runs again after its rebuild";
    // The clips' channels were not touched.
    EXPECT_EQ(m_desk->GetPanel(0).GetChannel()->GetGraph()->GetTransport()->GetInputOptions().imageFormat, 0);

    // The stand-in devices have no property pages of their own: the sources command shows no
    // window and leaves the channel as it was.
    Command(32849);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(transport->GetInputOptions().imageFormat, 1);
    EXPECT_TRUE(m_seams->boxes.empty());
}

TEST_F(DeskCommandsTest, NoHotKeyFiresWhileTheHotKeySheetIsOpenAndTheRebuiltTableFiresAfterOk)
{
    LoadBoth();
    ASSERT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    const HWND desk = m_desk->GetSafeHwnd();

    // While the sheet is open F2 (channel 2's cut) does nothing; the operator moves that cut to F3.
    bool keysOffInSheet = false;
    std::vector<int> stateInSheet;
    CModalDriver dialogs;
    dialogs.driver = [&](HWND sheet, const std::wstring&) {
        keysOffInSheet = !DeskHotKeys().enabled;
        Key(sheet, VK_F2);
        Key(desk, VK_F2);
        stateInSheet = State();
        HWND page = SheetPage(sheet);
        ASSERT_TRUE(page);
        ::SendMessageW(::GetDlgItem(page, 1192), HKM_SETHOTKEY, MAKEWORD(VK_F3, 0), 0);
        SavePng(CaptureScreen(::GetDesktopWindow()), L"desk_hotkey_sheet.png");
        ::SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    Command(34497);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(keysOffInSheet);
    EXPECT_EQ(stateInSheet, (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    EXPECT_TRUE(DeskHotKeys().enabled);

    // After OK the rebuilt table is the one that fires: F2 no longer cuts, F3 does.
    Key(desk, VK_F2);
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    Key(desk, VK_F3);
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
}
