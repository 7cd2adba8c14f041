// The audio mixing console on a real window, bound to a running audio mixer whose clock the
// test drives: each fader, selection and switch changes the mixer at once and the next mixed
// chunk; and the director's console, made on first use and closed before its mixer goes.
#include "app/settings/VolAdjustDlg.h"

#include "app/engine/Director.h"
#include "app/core/EngineClock.h"
#include "app/settings/ControlDialogs.h"
#include "tests/app/engine/AudioMixerFixture.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <afxcmn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace audio_test;

const int kChunkSamples = kChunkBytes / 2;

// A dialog's close box posts its cancel command: the queue is run until it is empty.
void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

class VolumeConsoleTest : public AudioMixerTest {
protected:
    void SetUp() override
    {
        AudioMixerTest::SetUp();
        MakeStartedMixer();
        console_.SetAudioMixer(mixer.get());
    }
    void TearDown() override
    {
        console_.Close();
        AudioMixerTest::TearDown();
    }

    HWND Item(UINT id) const { return ::GetDlgItem(console_.m_hWnd, static_cast<int>(id)); }
    static UINT Fader(int index) { return index < 5 ? IDC_VOL_FADER1 + index : IDC_VOL_FADER_OUT; }
    int Position(int index) const { return static_cast<int>(::SendMessageW(Item(Fader(index)), TBM_GETPOS, 0, 0)); }

    // The operator drags a fader: the thumb moves, the console hears the drag, then its end.
    void Drag(int index, int position)
    {
        HWND fader = Item(Fader(index));
        ::SendMessageW(fader, TBM_SETPOS, TRUE, position);
        console_.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(position)),
                             reinterpret_cast<LPARAM>(fader));
        console_.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(fader));
    }

    void Click(UINT id)
    {
        HWND check = Item(id);
        const bool checked = ::SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        ::SendMessageW(check, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
        console_.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(check));
    }

    // One period: input 0 plays 1000, input 1 plays 2000; the first sample of the mix.
    short MixOnce()
    {
        Push(*mixer, 0, std::vector<short>(kChunkSamples, 1000));
        Push(*mixer, 1, std::vector<short>(kChunkSamples, 2000));
        const size_t before = listener.chunks.size();
        FakeTime::now += 40;
        FakeTime::Fire();
        if (listener.chunks.size() != before + 1) {
            ADD_FAILURE() << "no chunk was mixed";
            return -1;
        }
        return listener.chunks.back().samples.at(0);
    }

    CVolAdjustDlg console_;
};

} // namespace

TEST(VolumeConsoleMapping, GainsAndFaderPositions)
{
    struct Case {
        int dB, position;
    } toPosition[] = { { 12, -62 }, { 0, -50 }, { -6, -44 }, { -62, 12 }, { -100, 12 }, { 20, -62 }, { -80, 12 } };
    for (const Case& c : toPosition)
        EXPECT_EQ(CVolAdjustDlg::PositionFromGain(c.dB), c.position) << c.dB;
    EXPECT_EQ(CVolAdjustDlg::GainFromPosition(-62), 12);
    EXPECT_EQ(CVolAdjustDlg::GainFromPosition(12), -62);

    // Every gain the console can set survives the mixer and comes back to the same position.
    CAudioMixer mixer(5);
    for (int dB = -60; dB <= 12; ++dB) {
        mixer.SetGainDb(0, dB);
        ASSERT_EQ(mixer.GetGainDb(0), dB);
        EXPECT_EQ(CVolAdjustDlg::GainFromPosition(CVolAdjustDlg::PositionFromGain(mixer.GetGainDb(0))), dB);
    }
}

TEST_F(VolumeConsoleTest, OpeningShowsTheMixersGainsSelectionsAndSwitches)
{
    mixer->SetGainDb(0, -6);
    mixer->SetGainDb(2, -100);   // input 3 silent
    mixer->SetGainDb(5, 6);
    const bool selected[5] = { true, false, true, false, true };
    for (int i = 0; i < 5; ++i)
        mixer->SetSel(i, selected[i]);
    mixer->SetAGC(1);
    mixer->SetAutoSwitch(0);

    ASSERT_TRUE(console_.Present(nullptr));
    EXPECT_TRUE(console_.IsReady());
    EXPECT_TRUE(console_.IsWindowVisible());
    const int positions[6] = { -44, -50, 12, -50, -50, -56 };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Position(i), positions[i]) << "fader " << i;
    EXPECT_EQ(::SendMessageW(Item(IDC_VOL_FADER1), TBM_GETRANGEMIN, 0, 0), -62);
    EXPECT_EQ(::SendMessageW(Item(IDC_VOL_FADER1), TBM_GETRANGEMAX, 0, 0), 12);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(::SendMessageW(Item(IDC_VOL_SEL1 + i), BM_GETCHECK, 0, 0), selected[i] ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(Item(IDC_VOL_AGC), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_VOL_FADER_OUT)));   // AGC sets the output itself
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_VOL_FADER1)));
    SavePng(CaptureScreen(console_.m_hWnd), L"volume_console.png");
}

TEST_F(VolumeConsoleTest, EveryControlChangesTheMixerAtOnce)
{
    mixer->SetAGC(0);
    mixer->SetSel(0, true);
    mixer->SetSel(1, false);
    ASSERT_TRUE(console_.Present(nullptr));
    ASSERT_EQ(MixOnce(), 1000);

    struct Step {
        const char* what;
        std::function<void()> act;
        std::function<bool()> readBack;
        short mix;
    } steps[] = {
        { "input 1 to -6 dB", [&] { Drag(0, -44); }, [&] { return mixer->GetGainDb(0) == -6; }, 501 },
        { "input 2 into the mix", [&] { Click(IDC_VOL_SEL1 + 1); }, [&] { return mixer->GetSel(1) != 0; }, 2501 },
        { "output to -6 dB", [&] { Drag(5, -44); }, [&] { return mixer->GetGainDb(5) == -6; }, 1253 },
        { "input 1 out of the mix", [&] { Click(IDC_VOL_SEL1); }, [&] { return mixer->GetSel(0) == 0; }, 1002 },
        { "AGC on: the output fader no longer counts",
          [&] { Click(IDC_VOL_AGC); },
          [&] { return mixer->GetAGC() == 1 && !::IsWindowEnabled(Item(IDC_VOL_FADER_OUT)) && Position(5) == -44; },
          2000 },
        { "AGC off", [&] { Click(IDC_VOL_AGC); },
          [&] { return mixer->GetAGC() == 0 && ::IsWindowEnabled(Item(IDC_VOL_FADER_OUT)); }, 1002 },
        { "input 2 to +12 dB", [&] { Drag(1, -62); }, [&] { return mixer->GetGainDb(1) == 12; }, 3990 },
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_TRUE(s.readBack()) << s.what;
        EXPECT_NEAR(MixOnce(), s.mix, 2) << s.what;
    }

    // Following the program channel, the inputs are the mixer's choice: their controls rest.
    Click(IDC_VOL_AUTOSWITCH);
    EXPECT_EQ(mixer->GetAutoSwitch(), 1);
    for (UINT id = IDC_VOL_SEL1; id <= IDC_VOL_FADER5; ++id)
        EXPECT_FALSE(::IsWindowEnabled(Item(id))) << id;
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_VOL_AGC)));
    Click(IDC_VOL_AUTOSWITCH);
    EXPECT_EQ(mixer->GetAutoSwitch(), 0);
    for (UINT id = IDC_VOL_SEL1; id <= IDC_VOL_FADER5; ++id)
        EXPECT_TRUE(::IsWindowEnabled(Item(id))) << id;
}

TEST_F(VolumeConsoleTest, AFaderBelowMinus60MutesAndTheNextMoveStillCounts)
{
    mixer->SetAGC(0);
    mixer->SetSel(0, true);
    mixer->SetSel(1, false);
    ASSERT_TRUE(console_.Present(nullptr));

    // One notification each, as a click on the track gives: the console's own move to the
    // bottom is not the operator's, and the very next notification is.
    HWND fader = Item(IDC_VOL_FADER1);
    ::SendMessageW(fader, TBM_SETPOS, TRUE, 11);   // -61 dB
    console_.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 11), reinterpret_cast<LPARAM>(fader));
    EXPECT_EQ(mixer->GetGainDb(0), -100);
    EXPECT_EQ(Position(0), 12);
    EXPECT_EQ(MixOnce(), 0);

    ::SendMessageW(fader, TBM_SETPOS, TRUE, -50);
    console_.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(-50)), reinterpret_cast<LPARAM>(fader));
    EXPECT_EQ(mixer->GetGainDb(0), 0);
    EXPECT_EQ(MixOnce(), 1000);

    Drag(0, 10);   // -60 dB is still a gain
    EXPECT_EQ(mixer->GetGainDb(0), -60);
    EXPECT_EQ(Position(0), 10);
}

TEST_F(VolumeConsoleTest, ClosingKeepsTheObjectAndReopeningReloads)
{
    ASSERT_TRUE(console_.Present(nullptr));
    console_.SendMessage(WM_CLOSE);
    Pump();
    EXPECT_EQ(console_.m_hWnd, nullptr);
    mixer->SetGainDb(3, -12);
    ASSERT_TRUE(console_.Present(nullptr));
    EXPECT_EQ(Position(3), -38);
}

TEST(VolumeConsoleUnbound, AConsoleWithoutAMixerDoesNothing)
{
    CVolAdjustDlg console;
    ASSERT_TRUE(console.Present(nullptr));
    EXPECT_FALSE(console.IsReady());
    HWND fader = ::GetDlgItem(console.m_hWnd, IDC_VOL_FADER1);
    console.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(fader));
    console.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_VOL_AGC, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(console.m_hWnd, IDC_VOL_AGC)));
    console.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_VOL_SEL1, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(console.m_hWnd, IDC_VOL_SEL1)));
    console.Close();
}

// ---------------------------------------------------------------------------------------------
// The director's console

namespace {

DWORD g_clock = 0;
DWORD TestClock()
{
    return g_clock;
}

struct ConsoleLog {
    std::vector<std::string> events;
    CDirector* director = nullptr;
};
ConsoleLog* g_consoleLog = nullptr;

// The real console, telling the test when its window goes and whether its mixer still lives.
class ProbeConsole : public CVolAdjustDlg {
public:
    ~ProbeConsole() override { g_consoleLog->events.push_back("delete"); }
    void Close() override
    {
        const bool mixerAlive = g_consoleLog->director->GetAudioMixer() == GetAudioMixer() && GetAudioMixer() != nullptr;
        g_consoleLog->events.push_back(std::string(m_hWnd ? "close window" : "close") + (mixerAlive ? ", mixer alive" : ", mixer gone"));
        CVolAdjustDlg::Close();
    }
};

IVolumeConsole* MakeProbeConsole()
{
    g_consoleLog->events.push_back("make");
    return new ProbeConsole;
}

// The shipped effects in a program folder of the test's own, where the mixer keeps audio.ini.
void CopyShippedEffects()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring from(exe);
    from.resize(from.find_last_of(L'\\'));
    from += L"\\..\\out\\fx\\";
    const std::wstring to = std::wstring(static_cast<LPCWSTR>(GetExeDirectory())) + L"\\fx\\";
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd = {};
    HANDLE find = FindFirstFileW((from + L"*.fxo").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "the build's fx folder is missing";
    do {
        CopyFileW((from + fd.cFileName).c_str(), (to + fd.cFileName).c_str(), FALSE);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

class DirectorConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        RemoveConfigFile();
        CopyShippedEffects();
        FakeTime::Reset();
        EngineClock::SetSource(&TestClock);
        EngineClock::SetManualTimers(true);
        window_ = CreateWindowExW(0, L"STATIC", L"director", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override
    {
        director_.Shutdown();
        CDirector::SetVolumeConsoleFactory(nullptr);
        if (window_)
            DestroyWindow(window_);
        EngineClock::SetManualTimers(false);
        EngineClock::SetSource(nullptr);
        RemoveConfigFile();
        CoUninitialize();
    }
    void Init()
    {
        director_.SetAudioTimerApi(FakeTime::Api());
        WAVEFORMATEX pcm = kPcm;
        director_.SetAudioFormat(&pcm);
        ASSERT_EQ(director_.Init(window_, window_, 64, 48, 25.0f, 1.0, 2), S_OK);
    }

    HWND window_ = nullptr;
    CDirector director_;
};

} // namespace

TEST_F(DirectorConsoleTest, TheRegisteredConsoleDrivesTheDirectorsMixer)
{
    RegisterControlDialogs();
    director_.ShowVolumeDialog();   // before Init: no mixer, no console
    EXPECT_EQ(director_.GetVolumeConsole(), nullptr);
    Init();
    director_.ShowVolumeDialog();
    auto* console = dynamic_cast<CVolAdjustDlg*>(director_.GetVolumeConsole());
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(console->GetAudioMixer(), director_.GetAudioMixer());
    EXPECT_TRUE(console->IsWindowVisible());
    EXPECT_TRUE(console->IsReady());
    EXPECT_EQ(::GetWindow(console->m_hWnd, GW_OWNER), window_);

    // Closed by the operator, shown again: the same object, a new window.
    console->SendMessage(WM_CLOSE);
    Pump();
    EXPECT_EQ(console->m_hWnd, nullptr);
    director_.ShowVolumeDialog();
    EXPECT_EQ(director_.GetVolumeConsole(), console);
    EXPECT_TRUE(console->IsWindowVisible());

    HWND fader = ::GetDlgItem(console->m_hWnd, IDC_VOL_FADER1 + 2);
    ::SendMessageW(fader, TBM_SETPOS, TRUE, -38);
    console->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(-38)), reinterpret_cast<LPARAM>(fader));
    EXPECT_EQ(director_.GetAudioMixer()->GetGainDb(2), -12);
}

TEST_F(DirectorConsoleTest, ShutdownClosesTheConsoleBeforeTheMixerGoes)
{
    ConsoleLog log;
    log.director = &director_;
    g_consoleLog = &log;
    CDirector::SetVolumeConsoleFactory(&MakeProbeConsole);
    Init();
    director_.ShowVolumeDialog();
    director_.ShowVolumeDialog();   // already there: shown, not made again
    ASSERT_NE(director_.GetVolumeConsole(), nullptr);
    HWND window = static_cast<ProbeConsole*>(director_.GetVolumeConsole())->m_hWnd;
    ASSERT_TRUE(::IsWindow(window));

    ASSERT_EQ(director_.Shutdown(), S_OK);
    const std::vector<std::string> expected = { "make", "close window, mixer alive", "delete" };
    EXPECT_EQ(log.events, expected);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(director_.GetVolumeConsole(), nullptr);
    g_consoleLog = nullptr;
}
