// The operator's desk on a real window and a real Direct3D device under Xvfb, from a copy of the
// build's program folder: the engine with the program's own graphs, the sample clips loaded into
// the panels, and every switch, timer and layer driven by the messages the desk's windows send.
// Timers are fired by sending their WM_TIMER; the engine's timers run only by hand.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/LISLayer.h"
#include "app/core/DeskMessages.h"
#include "app/core/EngineClock.h"
#include "app/core/OutputType.h"
#include "app/engine/AudioMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/settings/OPConfigPage.h"
#include "app/settings/OutputSettingsIni.h"
#include "app/ui/VolCtrlPane.h"
#include "tests/app/ui/DeskFixture.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/ScreenshotPng.h"
#include "tests/system/ProgramProcess.h"

#include <streams.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace desk_test;

// The program's graphs, with an audio preview that keeps its volume in the test's hands (Wine
// has no sound device to render to).
class VolumePreview : public IAudioPreviewGraph, public IGrabListener {
public:
    HRESULT Create() override { return S_OK; }
    HRESULT Build() override { return S_OK; }
    HRESULT Destroy() override { return S_OK; }
    HRESULT Run() override { return S_OK; }
    HRESULT Stop() override { return S_OK; }
    HRESULT SetPinMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    IGrabListener* GetPinListener() override { return this; }
    HRESULT GetVolume(long* volume) override
    {
        *volume = m_volume;
        return S_OK;
    }
    HRESULT SetVolume(long volume) override
    {
        m_volume = volume;
        return S_OK;
    }
    void OnSample(int, IMediaSample*, int, int) override {}
    static long m_volume;
};
long VolumePreview::m_volume = 0;

class DeskGraphs : public CProgramGraphFactory {
public:
    IAudioPreviewGraph* CreateAudioPreviewGraph(const char*) override { return new VolumePreview(); }
};

class DeskTest : public DeskFixture {
protected:
    static void SetUpTestSuite() { PrepareFolder(L"rvx_desk_test", 100000); }
    static void TearDownTestSuite() { RemoveFolder(); }
    void SetUp() override { OpenDesk(&m_graphs); }
    void TearDown() override { CloseDesk(); }

    void Timer(UINT_PTR id) { m_desk->SendMessage(WM_TIMER, id, 0); }
    bool Visible(UINT control) { return ::IsWindowVisible(::GetDlgItem(m_desk->GetSafeHwnd(), control)) != FALSE; }

    DeskGraphs m_graphs;
};

const int kOnAir = CDVPlayWnd::kOnAir, kPreview = CDVPlayWnd::kPreview, kIdle = CDVPlayWnd::kIdle;

} // namespace

TEST_F(DeskTest, TwoClipsBecomeProgramAndPreviewWithTheirTallies)
{
    EXPECT_EQ(State(), (std::vector<int>{0, 0, kIdle, kIdle, kIdle, kIdle, kIdle}));
    EXPECT_FALSE(m_desk->GetView().IsWindowEnabled());
    LoadBoth();
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    EXPECT_EQ(m_desk->GetDirector().GetProgramChannel(), 1);
    EXPECT_EQ(m_desk->GetDirector().GetPreviewChannel(), 2);
    EXPECT_TRUE(m_desk->GetView().IsWindowEnabled());
    EXPECT_TRUE(m_seams->boxes.empty());

    // A source that does not load is reported with its code and leaves the panel empty.
    SourceDescriptor missing = Clip(L"no-such-clip.avi");
    EXPECT_FALSE(m_desk->GetPanel(2).LoadSources(missing, missing));
    EXPECT_EQ(m_desk->GetPanel(2).GetChannel(), nullptr);
    ASSERT_EQ(m_seams->boxes.size(), 1u);
    EXPECT_EQ(m_seams->boxes[0].substr(0, 6), L"Error|");
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));

    Pump();
    EXPECT_TRUE(SavePng(CaptureScreen(m_desk->GetSafeHwnd()), L"desk_two_clips.png"));
}

TEST_F(DeskTest, HardCutsSwapProgramAndPreviewAndTheTalliesFollow)
{
    LoadBoth();
    m_desk->HardCut(2);
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    EXPECT_EQ(m_desk->GetDirector().GetProgramChannel(), 2);
    EXPECT_FALSE(m_desk->IsTransitionRunning());

    // A double click on panel 1's picture takes it back to air.
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_TAKE, reinterpret_cast<WPARAM>(&m_desk->GetPanel(0)), 0), 1);
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));

    // The program itself and an empty panel are no cut.
    m_desk->HardCut(1);
    m_desk->HardCut(4);
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
}

TEST_F(DeskTest, TimedTransitionRefusesSelectionAndEndsOnItsTimer)
{
    LoadBoth();
    m_desk->SetDlgItemText(1024, L"2.5");
    m_desk->AutoSwitch();
    ASSERT_TRUE(m_desk->IsTransitionRunning());
    EXPECT_TRUE(m_desk->IsAutoSwitchArmed());
    EXPECT_TRUE(Latched(1019));

    // Nothing else switches while it runs.
    CWnd& panel1 = m_desk->GetPanel(0);
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_SELECT, reinterpret_cast<WPARAM>(&panel1), 1), 0);
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_TAKE, reinterpret_cast<WPARAM>(&panel1), 0), 0);
    EXPECT_EQ(m_desk->StartTransition(1, FALSE, 1000), E_UNEXPECTED);
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));

    Timer(CRavelmixerDlg::kAutoSwitchTimer);
    EXPECT_FALSE(m_desk->IsTransitionRunning());
    EXPECT_FALSE(m_desk->IsAutoSwitchArmed());
    EXPECT_FALSE(Latched(1019));
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));

    // Ended another way (the button again), the automatic end is disarmed with it.
    m_desk->AutoSwitch();
    ASSERT_TRUE(m_desk->IsAutoSwitchArmed());
    m_desk->AutoSwitch();
    EXPECT_FALSE(m_desk->IsTransitionRunning());
    EXPECT_FALSE(m_desk->IsAutoSwitchArmed());
    EXPECT_EQ(State(), (std::vector<int>{1, 2, kOnAir, kPreview, kIdle, kIdle, kIdle}));
    // The duration is read back limited to what the switch allows.
    CString duration;
    m_desk->GetDlgItemText(1024, duration);
    EXPECT_EQ(duration, L"2.5");
}

TEST_F(DeskTest, TransitionControlRefusesWithoutTwoChannels)
{
    EXPECT_EQ(m_desk->StartTransition(0, TRUE, 1000), E_UNEXPECTED);
    EXPECT_EQ(m_desk->EndTransition(TRUE), E_UNEXPECTED);
    ASSERT_TRUE(m_desk->GetPanel(0).LoadSources(Clip(L"sample1.avi"), Clip(L"sample1.avi")));
    EXPECT_EQ(m_desk->StartTransition(0, TRUE, 1000), E_UNEXPECTED);
    EXPECT_FALSE(m_desk->IsTransitionRunning());
}

TEST_F(DeskTest, MeterTimerGivesPanelsAndViewTheMixersLevels)
{
    CAudioMixer* mixer = m_desk->GetDirector().GetAudioMixer();
    ASSERT_TRUE(mixer);
    // One 40 ms chunk of the program format: input 3 loud on the left, silent on the right.
    std::vector<short> stereo(48000 * 4 / 25 / 2);
    for (size_t i = 0; i < stereo.size(); i += 2)
        stereo[i] = 16384;
    HRESULT hr = S_OK;
    CMediaSample* sample = new CMediaSample(TEXT("meter"), nullptr, &hr, reinterpret_cast<BYTE*>(stereo.data()),
                                            static_cast<LONG>(stereo.size() * 2));
    sample->AddRef();
    mixer->PushSample(2, sample);
    sample->Release();
    mixer->Tick();

    Timer(CRavelmixerDlg::kMeterTimer);
    for (int input = 0; input < CRavelmixerDlg::kPanelCount; ++input) {
        const DWORD word = static_cast<DWORD>(mixer->GetLevel(input));
        EXPECT_EQ(m_desk->GetPanel(input).GetLevelBar(0).GetLevel(), MeterLow(word)) << "panel " << input + 1;
        EXPECT_EQ(m_desk->GetPanel(input).GetLevelBar(1).GetLevel(), MeterHigh(word)) << "panel " << input + 1;
    }
    EXPECT_EQ(m_desk->GetPanel(2).GetLevelBar(0).GetLevel(), -6);
    const DWORD mix = static_cast<DWORD>(mixer->GetLevel(CRavelmixerDlg::kPanelCount));
    EXPECT_EQ(m_desk->GetView().GetLevel(0), MeterLow(mix));
    EXPECT_EQ(m_desk->GetView().GetLevel(1), MeterHigh(mix));
    EXPECT_EQ(m_desk->GetView().GetLevel(0), -6);
}

TEST_F(DeskTest, LogosTakeTheFourCornersAndShowOnlyWhileSwitchedOn)
{
    // A 4 x 4 white-keyed picture.
    const std::wstring path = s_folder + L"\\logo.bmp";
    {
        const unsigned char bmp[] = {
            'B', 'M', 0x76, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 1, 0, 24, 0,
            0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        };
        FILE* out = _wfopen(path.c_str(), L"wb");
        ASSERT_TRUE(out);
        fwrite(bmp, 1, sizeof(bmp), out);
        for (int i = 0; i < 16; ++i)
            fwrite("\xff\x00\x00", 1, 3, out);
        fclose(out);
    }
    CLISScene* scene = m_desk->GetDirector().GetOverlayScene();
    const float m = m_desk->GetLogoMargin();
    ASSERT_TRUE(m_desk->LoadLogo(1, path.c_str()));
    CLISLayer* logo = m_desk->GetLogoLayer(1);
    ASSERT_TRUE(logo);
    EXPECT_TRUE(Latched(1042)) << "the first corner is taken when none is";
    EXPECT_FALSE(scene->Contains(logo)) << "the switch is off";
    EXPECT_FLOAT_EQ(logo->GetZ(), 2.0f);

    struct Corner {
        int corner;
        UINT button;
        float x, y;
    };
    const Corner corners[] = {{1, 1043, 1 - m, m}, {2, 1044, 1 - m, 1 - m}, {3, 1045, m, 1 - m}, {0, 1042, m, m}};
    // The layer keeps its top-left corner: an anchor on the right or bottom moves it in by its size.
    const float w = static_cast<float>(logo->GetWidth()) / scene->GetWidth();
    const float h = static_cast<float>(logo->GetHeight()) / scene->GetHeight();
    for (const Corner& c : corners) {
        m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
        const bool right = c.corner == 1 || c.corner == 2, bottom = c.corner == 2 || c.corner == 3;
        EXPECT_NEAR(logo->GetX(), c.x - (right ? w : 0.0f), 1e-5) << "corner " << c.corner;
        EXPECT_NEAR(logo->GetY(), c.y - (bottom ? h : 0.0f), 1e-5) << "corner " << c.corner;
        for (UINT b = 1042; b <= 1045; ++b)
            EXPECT_EQ(Latched(b), b == c.button) << "corner " << c.corner << ", button " << b;
    }

    m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(1040, BN_CLICKED), 0);
    EXPECT_TRUE(Latched(1040));
    EXPECT_TRUE(scene->Contains(logo));
    m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(1040, BN_CLICKED), 0);
    EXPECT_FALSE(scene->Contains(logo));

    // Logo 2 lies above logo 1, and a new picture replaces the layer in the scene.
    m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(1041, BN_CLICKED), 0);
    ASSERT_TRUE(m_desk->LoadLogo(2, path.c_str()));
    CLISLayer* second = m_desk->GetLogoLayer(2);
    ASSERT_TRUE(second);
    EXPECT_FLOAT_EQ(second->GetZ(), 3.0f);
    EXPECT_TRUE(scene->Contains(second));
    ASSERT_TRUE(m_desk->LoadLogo(2, path.c_str()));
    EXPECT_TRUE(scene->Contains(m_desk->GetLogoLayer(2)));
    EXPECT_EQ(scene->GetLayerCount(), 1u);
}

TEST_F(DeskTest, SubtitleLineLandsAboveTheMarginOnlyWhileCaptionsAreOn)
{
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 720, 600);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    const WPARAM line = reinterpret_cast<WPARAM>(dc);
    const int W = m_desk->GetOutputWidth(), H = m_desk->GetOutputHeight();
    const float m = m_desk->GetSubtitleMargin();

    // Captions off: answered, nothing shown.
    EXPECT_EQ(m_desk->SendMessage(WM_CAPTION_BITMAP, line, MAKELPARAM(360, 48)), 1);
    EXPECT_EQ(m_desk->GetSubtitleLayer(), nullptr);

    m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(1038, BN_CLICKED), 0);
    ASSERT_TRUE(Latched(1038));
    struct Case {
        const char* what;
        int w, h;
        int align;
        float x, y;
    };
    const Case cases[] = {
        {"centred", 360, 48, kSubtitleCentre, (W - 360) / (2.0f * W), 1.0f - 48.0f / H - m},
        {"right", 360, 48, kSubtitleRight, (W - 360) / static_cast<float>(W), 1.0f - 48.0f / H - m},
        {"left", 360, 48, kSubtitleLeft, 0.0f, 1.0f - 48.0f / H - m},
        {"taller than the picture above the margin", 720, 560, kSubtitleCentre, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        m_desk->SetSubtitleAlign(c.align);
        EXPECT_EQ(m_desk->SendMessage(WM_CAPTION_BITMAP, line, MAKELPARAM(c.w, c.h)), 1) << c.what;
        CLISLayer* layer = m_desk->GetSubtitleLayer();
        ASSERT_TRUE(layer) << c.what;
        EXPECT_NEAR(layer->GetX(), c.x, 1e-5) << c.what;
        EXPECT_NEAR(layer->GetY(), c.y, 1e-5) << c.what;
        EXPECT_FLOAT_EQ(layer->GetZ(), 1.0f) << c.what;
        EXPECT_TRUE(m_desk->GetDirector().GetOverlayScene()->Contains(layer)) << c.what;
    }
    // No bitmap hides the line.
    EXPECT_EQ(m_desk->SendMessage(WM_CAPTION_BITMAP, 0, 0), 1);
    EXPECT_EQ(m_desk->GetSubtitleLayer(), nullptr);
    EXPECT_EQ(m_desk->GetDirector().GetOverlayScene()->GetLayerCount(), 0u);

    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
}

TEST_F(DeskTest, PagerShowsNineCategoriesOnTwoPages)
{
    const UINT buttons[] = {1035, 1036, 1051, 1053, 1052, 1059, 1060, 1061};
    m_desk->SetCategories({1, 2, 3, 4, 5, 6, 7, 8, 9});
    for (UINT b : buttons)
        EXPECT_TRUE(Visible(b)) << "button " << b;
    EXPECT_FALSE(Visible(1065));
    EXPECT_TRUE(Visible(1066));

    m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(1066, BN_CLICKED), 0);
    EXPECT_EQ(m_desk->GetPager().GetPage(), 1);
    EXPECT_TRUE(Visible(1035));
    for (size_t i = 1; i < 8; ++i)
        EXPECT_FALSE(Visible(buttons[i])) << "button " << buttons[i];
    EXPECT_TRUE(Visible(1065));
    EXPECT_FALSE(Visible(1066));

    // Category 9 is shown from page 1; showing category 3 turns back and latches its button.
    m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(1035, BN_CLICKED), 0);
    EXPECT_EQ(m_desk->GetShownCategory(), 9);
    EXPECT_TRUE(Latched(1035));
    m_desk->ShowCategory(3);
    EXPECT_EQ(m_desk->GetPager().GetPage(), 0);
    EXPECT_EQ(m_desk->GetShownCategory(), 3);
    for (UINT b : buttons)
        EXPECT_EQ(Latched(b), b == 1051) << "button " << b;
    EXPECT_TRUE(Visible(1066));
    EXPECT_FALSE(Visible(1065));
}

TEST_F(DeskTest, ShippedCategoriesFillTheEffectList)
{
    Pump();
    ASSERT_GT(m_desk->GetPager().GetEntryCount(), 0) << "no effect category was found";
    EXPECT_EQ(m_desk->GetShownCategory(), 1) << "the first category button is pressed at start-up";
    EXPECT_TRUE(Latched(1035));
    EXPECT_GT(m_desk->GetEffectList().GetItemCount(), 0);
    // Only the buttons of shipped categories show, and no page beyond the first.
    const UINT buttons[] = {1035, 1036, 1051, 1053, 1052, 1059, 1060, 1061};
    for (int slot = 0; slot < 8; ++slot)
        EXPECT_EQ(Visible(buttons[slot]), slot < m_desk->GetPager().GetEntryCount()) << "button " << buttons[slot];
    EXPECT_FALSE(Visible(1065));
    EXPECT_EQ(Visible(1066), m_desk->GetPager().GetEntryCount() > 8);
    std::printf("%d categories\n", m_desk->GetPager().GetEntryCount());
}

TEST_F(DeskTest, ProgramVolumeGetAndSetOnTheAudioPreview)
{
    // Without a preview there is no volume.
    EXPECT_EQ(m_desk->SendMessage(WM_PROGRAM_VOLUME, 1, 0), 0);
    CString device = L"Speakers";
    EXPECT_EQ(m_desk->SendMessage(WM_SET_AUDIO_OUTPUT, 1, reinterpret_cast<LPARAM>(&device)), 1);
    ASSERT_TRUE(m_desk->GetDirector().GetAudioPreview());

    struct Case {
        int percent;
        long volume;
        int readBack;
    };
    const Case cases[] = {{100, 0, 100}, {50, -1500, 50}, {99, -30, 99}, {0, -10000, 0}, {150, 0, 100}, {-5, -10000, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<long>(m_desk->SendMessage(WM_PROGRAM_VOLUME, 0, c.percent)), c.volume) << c.percent;
        EXPECT_EQ(VolumePreview::m_volume, c.volume) << c.percent;
        EXPECT_EQ(m_desk->SendMessage(WM_PROGRAM_VOLUME, 1, 0), c.readBack) << c.percent;
    }
    EXPECT_EQ(m_desk->SendMessage(WM_SET_AUDIO_OUTPUT, 0, 0), 1);
    EXPECT_EQ(m_desk->GetDirector().GetAudioPreview(), nullptr);
}

TEST_F(DeskTest, ProbeNeverTouchesThePanelsOfALiveShow)
{
    LoadBoth();
    const std::vector<int> before = State();
    SourceDescriptor pair[2] = {Clip(L"sample2.avi"), Clip(L"sample2.avi")};
    int seekable = -1;
    const LRESULT seconds = m_desk->SendMessage(WM_PROBE_PLAY_SOURCE, reinterpret_cast<WPARAM>(pair),
                                                reinterpret_cast<LPARAM>(&seekable));
    EXPECT_GT(seconds, 0);
    EXPECT_EQ(seekable, 1);
    EXPECT_EQ(State(), before);
    for (int i = 2; i < CRavelmixerDlg::kPanelCount; ++i)
        EXPECT_EQ(m_desk->GetPanel(i).GetChannel(), nullptr) << "panel " << i + 1;

    // A source that does not open answers 0.
    SourceDescriptor missing[2] = {Clip(L"no-such-clip.avi"), Clip(L"no-such-clip.avi")};
    seekable = -1;
    EXPECT_EQ(m_desk->SendMessage(WM_PROBE_PLAY_SOURCE, reinterpret_cast<WPARAM>(missing),
                                  reinterpret_cast<LPARAM>(&seekable)),
              0);
    EXPECT_EQ(seekable, 0);
    EXPECT_EQ(State(), before);
}

TEST_F(DeskTest, StaleOutputEventIsIgnored)
{
    // A graph that is not the running IEEE-1394 output (stopped since the event was posted).
    int gone = 0;
    EXPECT_EQ(m_desk->SendMessage(WM_DV_OUTPUT_EVENT, 0, reinterpret_cast<LPARAM>(&gone)), 0);
    EXPECT_TRUE(m_seams->boxes.empty());
}

TEST_F(DeskTest, ClosingWithAnOutputRunningEndsEverything)
{
    LoadBoth();
    ASSERT_EQ(m_desk->StartOutput(kOutputAvi), S_OK);
    EXPECT_TRUE(m_desk->IsOnAirLocked());
    EXPECT_TRUE(Latched(1016));
    EXPECT_TRUE(m_desk->GetDirector().IsFrameThreadRunning());
    // The locked program is not free; the preview is.
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_IS_FREE, reinterpret_cast<WPARAM>(&m_desk->GetPanel(0)), 0), 0);
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_IS_FREE, reinterpret_cast<WPARAM>(&m_desk->GetPanel(1)), 0), 1);

    // The exit question: No keeps the desk, Yes closes it.
    m_seams->answers.push_back(IDNO);
    m_desk->SendMessage(WM_CLOSE);
    ASSERT_TRUE(m_desk->GetSafeHwnd());
    ASSERT_EQ(m_seams->boxes.size(), 1u);
    EXPECT_NE(m_seams->boxes[0].find(L"\x786e\x8ba4\x9000\x51fa\xff1f"), std::wstring::npos);

    m_desk->DestroyWindow();
    EXPECT_FALSE(m_desk->GetDirector().IsFrameThreadRunning());
    EXPECT_FALSE(m_desk->GetDirector().AreOutputsRunning());
    EXPECT_EQ(m_desk->GetDirector().GetVideoMixer(), nullptr);
    for (int i = 0; i < CRavelmixerDlg::kPanelCount; ++i)
        EXPECT_EQ(m_desk->GetPanel(i).GetChannel(), nullptr);
}

TEST_F(DeskTest, TBarCompletesATransitionEndToEndAndCancelsItBack)
{
    LoadBoth();
    CSpeedSliderCtl& bar = m_desk->GetTBar();
    auto moveTo = [&](int position) {
        bar.SetPos(position);
        m_desk->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, position), reinterpret_cast<LPARAM>(bar.m_hWnd));
    };
    // From its resting end at the bottom, through the middle to the top: a completed switch.
    moveTo(50);
    EXPECT_TRUE(m_desk->IsTransitionRunning());
    moveTo(0);
    EXPECT_FALSE(m_desk->IsTransitionRunning());
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
    // Into the middle and back to the top where it rests: cancelled, nothing changes.
    moveTo(40);
    EXPECT_TRUE(m_desk->IsTransitionRunning());
    moveTo(0);
    EXPECT_FALSE(m_desk->IsTransitionRunning());
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
}

TEST_F(DeskTest, PanelMessagesDeviceLossAndTheClipPane)
{
    LoadBoth();
    CDVPlayWnd& panel1 = m_desk->GetPanel(0);
    const WPARAM p1 = reinterpret_cast<WPARAM>(&panel1);
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_DEVICE_LOST, p1, 0), 1);
    ASSERT_EQ(m_seams->boxes.size(), 1u);
    EXPECT_EQ(m_seams->boxes[0], L"Error|\x901a\x9053" L"1\x8bbe\x5907\x4e22\x5931.\n");
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_STARTED, p1, 0), 1);
    EXPECT_EQ(m_desk->SendMessage(WM_MAIN_PING, 0, 0), 1);
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_SELECT, 0, 1), 0) << "no panel";
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_SELECT, p1, 0), 0) << "no channel number";

    // The clip pane toggles for one panel and moves to another.
    EXPECT_EQ(m_desk->SendMessage(WM_PANEL_MORE_CONTROLS, p1, 40), 1);
    ASSERT_TRUE(m_desk->GetClipPane());
    EXPECT_TRUE(m_desk->GetClipPane()->IsWindowVisible());
    EXPECT_EQ(m_desk->GetClipPane()->GetTarget(), &panel1);
    EXPECT_EQ(m_desk->GetClipPane()->GetPosition(), 40);
    m_desk->SendMessage(WM_PANEL_MORE_CONTROLS, reinterpret_cast<WPARAM>(&m_desk->GetPanel(1)), 10);
    EXPECT_EQ(m_desk->GetClipPane()->GetTarget(), &m_desk->GetPanel(1));
    m_desk->SendMessage(WM_PANEL_MORE_CONTROLS, reinterpret_cast<WPARAM>(&m_desk->GetPanel(1)), 10);
    EXPECT_FALSE(m_desk->GetClipPane()->IsWindowVisible());
}

namespace {

// A finished version request whose body the test gives; it reports as the HTTP worker does, by
// posting the message it was given.
class VersionAnswer : public IVersionRequest {
public:
    VersionAnswer(bool ok, std::wstring body) : m_ok(ok), m_body(std::move(body)) {}
    void Start(HWND notify, UINT message) override { ::PostMessageW(notify, message, 0, 0); }
    bool Succeeded() const override { return m_ok; }
    std::wstring Body() const override { return m_body; }

private:
    bool m_ok;
    std::wstring m_body;
};

std::string ReadAll(const std::wstring& path)
{
    std::string text;
    FILE* in = _wfopen(path.c_str(), L"rb");
    if (!in)
        return text;
    char buffer[256];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof(buffer), in)) > 0)
        text.append(buffer, n);
    fclose(in);
    return text;
}

} // namespace

TEST_F(DeskTest, NewVersionIsOfferedOnlyWhenItsNumbersAreGreater)
{
    const std::wstring notes = s_folder + L"\\rvxrelease.txt";
    struct Case {
        bool ok;
        const wchar_t* body;
        bool offered;
    };
    const Case cases[] = {
        {true, L"1.0.0.0\r\nthe same build", false},
        {false, L"9.0.0.0\r\nthe request failed", false},
        {true, L"9.0.0.0 without a line break", false},
        {true, L"1.0.10.0\r\nnew transitions", true},
    };
    for (const Case& c : cases) {
        ::DeleteFileW(notes.c_str());
        m_seams->boxes.clear();
        m_seams->answers.push_back(IDNO);
        m_desk->SetVersionRequest(std::unique_ptr<IVersionRequest>(new VersionAnswer(c.ok, c.body)));
        Timer(CRavelmixerDlg::kVersionTimer);
        Pump();
        EXPECT_EQ(m_seams->boxes.size(), c.offered ? 1u : 0u) << testing::PrintToString(std::wstring(c.body));
        EXPECT_EQ(::GetFileAttributesW(notes.c_str()) != INVALID_FILE_ATTRIBUTES, c.offered);
        m_seams->answers.clear();
    }
    EXPECT_EQ(ReadAll(notes), "1.0.10.0\r\nnew transitions");
    ASSERT_EQ(m_seams->boxes.size(), 1u);
    EXPECT_NE(m_seams->boxes[0].find(L"1.0.10.0"), std::wstring::npos);
    EXPECT_EQ(m_seams->boxes[0].substr(0, 3), L"\x66f4\x65b0|");
}

TEST_F(DeskTest, AFailedReloadOfTheProgramFallsBackToTheEnginesProgram)
{
    LoadBoth();
    SourceDescriptor missing = Clip(L"no-such-clip.avi");
    EXPECT_FALSE(m_desk->GetPanel(0).LoadSources(missing, missing));
    EXPECT_EQ(m_desk->GetPanel(0).GetChannel(), nullptr);
    ASSERT_EQ(m_seams->boxes.size(), 1u);
    EXPECT_EQ(m_seams->boxes[0].substr(0, 6), L"Error|");
    // Channel 2 is the engine's program now, and its panel is on air.
    EXPECT_EQ(m_desk->GetDirector().GetProgramChannel(), 2);
    EXPECT_EQ(State(), (std::vector<int>{2, 0, kIdle, kOnAir, kIdle, kIdle, kIdle}));
    EXPECT_TRUE(m_desk->GetView().IsWindowEnabled());

    // A new clip in panel 1 becomes the preview again.
    ASSERT_TRUE(m_desk->GetPanel(0).LoadSources(Clip(L"sample1.avi"), Clip(L"sample1.avi")));
    EXPECT_EQ(State(), (std::vector<int>{2, 1, kPreview, kOnAir, kIdle, kIdle, kIdle}));
}

TEST_F(DeskTest, OperationSettingsDecideWhatAnEndedClipAndATakenPreviewDo)
{
    struct Case {
        int actionWhenOver;
        int secPause;
        bool playingAfterEnd;      // panel 1 was playing when its clip ended
        bool oldProgramPlaying;    // panel 1 was playing when panel 2 was taken to air
    };
    const Case cases[] = {
        {0, 0, true, true},
        {1, 0, false, true},
        {2, 1, true, false},
    };
    for (const Case& c : cases) {
        COPConfigPage operation;
        operation.m_nActionWhenOver = c.actionWhenOver;
        operation.m_nSecPause = c.secPause;
        ASSERT_TRUE(operation.SaveSettings());
        // A desk reads the operation page when it starts.
        m_desk->DestroyWindow();
        m_desk.reset(new CRavelmixerDlg());
        m_desk->SetGraphFactories(nullptr, &m_graphs);
        ASSERT_TRUE(m_desk->Create(CRavelmixerDlg::IDD, nullptr));
        LoadBoth();
        CDVPlayWnd& panel1 = m_desk->GetPanel(0);
        ASSERT_TRUE(panel1.Play());

        EXPECT_EQ(m_desk->SendMessage(WM_PANEL_MEDIA_ENDED, reinterpret_cast<WPARAM>(&panel1), 0), 1);
        EXPECT_EQ(panel1.IsPositionTimerRunning() != FALSE, c.playingAfterEnd) << "ActionWhenOver " << c.actionWhenOver;

        ASSERT_TRUE(panel1.Play());
        m_desk->HardCut(2);
        EXPECT_EQ(m_desk->GetPreviewChannel(), 1);
        EXPECT_EQ(panel1.IsPositionTimerRunning() != FALSE, c.oldProgramPlaying) << "SecPause " << c.secPause;
    }
    ::DeleteFileW(COPConfigPage::SettingsPath());
}
