// The channel panel on a real window with the shipped skin, its channel loaded through a real
// director whose channel graphs are scripted stand-ins, and its level bars.
#include "app/ui/DVPlayWnd.h"

#include <gtest/gtest.h>

#include "tests/app/ui/PanelStandIns.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <memory>

using namespace panel_test;

namespace {

const UINT kBackground = 1301;
const int kPanelWidth = 190;
const int kPanelHeight = 170;

const UINT kButtonIds[CDVPlayWnd::kButtonCount] = { ID_PANEL_BACK10, ID_PANEL_STOP, ID_PANEL_PAUSE, ID_PANEL_PLAY,
                                                     ID_PANEL_FORWARD10, ID_PANEL_LOAD_SOURCE, ID_PANEL_MORE_CONTROLS };

std::wstring ShippedSkinMap()
{
    return std::wstring(L"" RVX_SKINS_FOLDER L"\\ui.skn");
}

SourceDescriptor FileSource(const wchar_t* path)
{
    SourceDescriptor d;
    d.name = path;
    d.flags = SourceDescriptor::kNamed;
    return d;
}

SourceDescriptor DeviceSource(const wchar_t* name)
{
    SourceDescriptor d;
    d.name = name;
    d.path = name;
    d.flags = SourceDescriptor::kNamed | SourceDescriptor::kCaptureDevice;
    return d;
}

// Which of the seven buttons are enabled, as a string of 0 and 1 in creation order
// (back 10, stop, pause, play, forward 10, load, more).
std::string EnabledButtons(CDVPlayWnd& panel)
{
    std::string s;
    for (UINT id : kButtonIds) {
        HWND button = ::GetDlgItem(panel.m_hWnd, static_cast<int>(id));
        s += button != nullptr && ::IsWindowEnabled(button) ? '1' : '0';
    }
    return s;
}

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_skin.Load(ShippedSkinMap().c_str())) << "the shipped skin is missing";
        m_director.SetChannelGraphFactory(&m_graphs);
        m_desk.reset(new DeskStandIn(m_director, 400, 200));
        ASSERT_TRUE(m_panel.Create(CRect(5, 5, 5 + kPanelWidth, 5 + kPanelHeight), m_desk.get(), 1000));
        m_panel.SetupControls(&m_skin, kBackground);
        m_panel.SetChannelNumber(1);
    }
    void TearDown() override
    {
        m_panel.UnloadChannel();
        m_panel.DestroyWindow();
        m_desk.reset();
        EXPECT_EQ(Script().liveGraphs, 0) << "a channel graph outlived its panel";
    }

    TransportScript& Script() { return m_graphs.scripts[0]; }
    BOOL LoadFile() { return m_panel.LoadSources(FileSource(L"clip.avi"), FileSource(L"clip.avi")); }
    BOOL LoadDevice() { return m_panel.LoadSources(DeviceSource(L"Mic"), DeviceSource(L"Camera")); }
    void Command(UINT id) { m_panel.SendMessage(WM_COMMAND, id, 0); }

    UI_Mgr::SBmpMapMgr m_skin;
    StandInChannelFactory m_graphs;
    CDirector m_director;
    std::unique_ptr<DeskStandIn> m_desk;
    CDVPlayWnd m_panel;
};

} // namespace

TEST_F(PanelTest, TransportButtonsFollowTheChannelState)
{
    struct Case {
        const char* name;
        bool capture;
        std::vector<UINT> commands;   // after loading
        HRESULT failing;              // what every transport call answers from then on
        std::vector<UINT> afterFailure;
        const char* enabled;          // back10 stop pause play fwd10 load more
        bool timer;
    } cases[] = {
        { "a file loads paused", false, {}, S_OK, {}, "1101111", false },
        { "a capture source loads playing", true, {}, S_OK, {}, "1110111", true },
        { "playing", false, { ID_PANEL_PLAY }, S_OK, {}, "1110111", true },
        { "paused after playing", false, { ID_PANEL_PLAY, ID_PANEL_PAUSE }, S_OK, {}, "1101111", false },
        { "stopped after playing", false, { ID_PANEL_PLAY, ID_PANEL_STOP }, S_OK, {}, "0001011", false },
        { "play again after stop", false, { ID_PANEL_PLAY, ID_PANEL_STOP, ID_PANEL_PLAY }, S_OK, {}, "1110111", true },
        { "a refused pause changes nothing", false, { ID_PANEL_PLAY }, E_FAIL, { ID_PANEL_PAUSE, ID_PANEL_STOP },
          "1110111", true },
        { "a refused play changes nothing", false, { ID_PANEL_PLAY, ID_PANEL_STOP }, E_FAIL, { ID_PANEL_PLAY },
          "0001011", false },
    };
    EXPECT_EQ(EnabledButtons(m_panel), "0000010") << "an empty panel only loads";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script().Reset();
        ASSERT_TRUE(c.capture ? LoadDevice() : LoadFile());
        for (UINT id : c.commands)
            Command(id);
        Script().runResult = Script().pauseResult = Script().stopResult = c.failing;
        for (UINT id : c.afterFailure)
            Command(id);
        EXPECT_EQ(EnabledButtons(m_panel), c.enabled);
        EXPECT_EQ(m_panel.IsPositionTimerRunning() != FALSE, c.timer);
        EXPECT_EQ(::KillTimer(m_panel.m_hWnd, CDVPlayWnd::kPositionTimer) != FALSE, c.timer);
        Script().runResult = Script().pauseResult = Script().stopResult = S_OK;
        m_panel.UnloadChannel();
        EXPECT_EQ(EnabledButtons(m_panel), "0000010") << "an unloaded panel only loads";
        EXPECT_EQ(m_panel.GetPositionText(), CString(L"00:00:00"));
        EXPECT_EQ(m_panel.GetDurationText(), CString(L"00:00:00"));
    }
}

TEST_F(PanelTest, StopRewindsAFileButLeavesACaptureSourceStopped)
{
    ASSERT_TRUE(LoadFile());
    Command(ID_PANEL_PLAY);
    Script().position = 20 * kSecond;
    Script().calls.clear();
    Command(ID_PANEL_STOP);
    EXPECT_EQ(Script().calls, (std::vector<std::string>{ "stop", "pause" }));
    EXPECT_EQ(Script().position, 0);
    m_panel.UnloadChannel();

    Script().Reset();
    Script().capabilities = 0;
    ASSERT_TRUE(LoadDevice());
    Script().calls.clear();
    EXPECT_FALSE(m_panel.Pause(TRUE)) << "a live source keeps running when told to skip capture";
    Command(ID_PANEL_STOP);
    EXPECT_EQ(Script().calls, (std::vector<std::string>{ "stop" }));
    EXPECT_EQ(Script().state, State_Stopped);
    EXPECT_TRUE(Script().seeks.empty());
}

TEST_F(PanelTest, RelativeSeeksClampAtTheStartAndPassTheEnd)
{
    const DWORD absolute = AM_SEEKING_CanSeekAbsolute;
    struct Case {
        DWORD capabilities;
        LONGLONG start;
        UINT command;
        LONGLONG expected;
        bool seeks;
    } cases[] = {
        { absolute, 4 * kSecond, ID_PANEL_BACK10, 0, true },
        { absolute, 10 * kSecond, ID_PANEL_BACK10, 0, true },
        { absolute, 0, ID_PANEL_BACK1, 0, true },
        { absolute, 30 * kSecond, ID_PANEL_BACK1, 29 * kSecond, true },
        { absolute, 30 * kSecond, ID_PANEL_FORWARD1, 31 * kSecond, true },
        { absolute, 55 * kSecond, ID_PANEL_FORWARD10, 65 * kSecond, true }, // past the 60 s: the graph's call
        { AM_SEEKING_CanSeekForwards, 30 * kSecond, ID_PANEL_BACK10, 30 * kSecond, false }, // a live source
        { 0, 30 * kSecond, ID_PANEL_FORWARD10, 30 * kSecond, false },
    };
    ASSERT_TRUE(LoadFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << " at " << c.start);
        Script().capabilities = c.capabilities;
        Script().position = c.start;
        Script().seeks.clear();
        Command(c.command);
        EXPECT_EQ(Script().position, c.expected);
        EXPECT_EQ(!Script().seeks.empty(), c.seeks);
        if (c.seeks) {
            EXPECT_EQ(m_panel.GetPositionText(), CDVPlayWnd::FormatTime(c.expected));
        }
    }
}

TEST_F(PanelTest, SeekToSecondsAnswersWhetherThePositionWasSet)
{
    EXPECT_EQ(m_panel.SeekToSeconds(5), 0) << "no channel";
    ASSERT_TRUE(LoadFile());
    EXPECT_EQ(m_panel.SeekToSeconds(30), 1);
    EXPECT_EQ(Script().position, 30 * kSecond);
    m_panel.UnloadChannel();

    Script().Reset();
    Script().capabilities = 0;
    ASSERT_TRUE(LoadDevice());
    Script().calls.clear();
    EXPECT_EQ(m_panel.SeekToSeconds(5), 0) << "a live source is not sought";
    EXPECT_TRUE(Script().calls.empty());
    // Zero is tried even on a live source; the refused position starts it playing.
    EXPECT_EQ(m_panel.SeekToSeconds(0), 0);
    EXPECT_EQ(Script().calls, (std::vector<std::string>{ "run" }));
}

TEST(PanelTimeText, HoursRunPastADay)
{
    struct Case {
        LONGLONG time;
        const wchar_t* text;
    } cases[] = {
        { 0, L"00:00:00" },
        { 59 * kSecond + kSecond - 1, L"00:00:59" },
        { 3600 * kSecond, L"01:00:00" },
        { (24 * 3600 + 61) * kSecond, L"24:01:01" },
        { 100LL * 3600 * kSecond, L"100:00:00" },
        { (99 * 3600 + 59 * 60 + 59) * kSecond, L"99:59:59" },
        { -5 * kSecond, L"00:00:00" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDVPlayWnd::FormatTime(c.time), CString(c.text)) << c.time;
}

TEST_F(PanelTest, ADurationOfAHundredHoursShowsAHundredHours)
{
    Script().duration = 100LL * 3600 * kSecond;
    Script().position = (25 * 3600 + 2 * 60 + 3) * kSecond;
    ASSERT_TRUE(LoadFile());
    EXPECT_EQ(m_panel.GetDurationText(), CString(L"100:00:00"));
    EXPECT_EQ(m_panel.GetPositionText(), CString(L"25:02:03"));
}

TEST_F(PanelTest, PercentMessagesSurviveALiveSource)
{
    struct Case {
        const char* name;
        bool loaded;
        bool nullPointer;
        LONGLONG duration;
        LONGLONG position;
        LRESULT answer;
        int percent;
    } cases[] = {
        { "a quarter of a file", true, false, 60 * kSecond, 15 * kSecond, 1, 25 },
        { "a truncated percent", true, false, 3 * kSecond, 2 * kSecond, 1, 66 },
        { "a live source has no duration", true, false, 0, 7 * kSecond, 1, 0 },
        { "a negative duration", true, false, -1, 7 * kSecond, 1, 0 },
        { "no pointer", true, true, 60 * kSecond, 15 * kSecond, 0, -1 },
        { "an empty panel", false, false, 60 * kSecond, 0, 1, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_panel.UnloadChannel();
        Script().Reset();
        if (c.loaded) {
            ASSERT_TRUE(LoadFile());
        }
        Script().duration = c.duration;
        Script().position = c.position;
        int percent = -1;
        const LRESULT answer =
            m_panel.SendMessage(WM_PANEL_GET_PERCENT, c.nullPointer ? 0 : reinterpret_cast<WPARAM>(&percent), 0);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(percent, c.percent);

        // The more-controls button carries the same percent.
        m_desk->sent.clear();
        if (c.loaded && !c.nullPointer) {
            m_panel.SendMessage(WM_COMMAND, ID_PANEL_MORE_CONTROLS, 0);
            ASSERT_EQ(m_desk->sent.size(), 1u);
            EXPECT_EQ(m_desk->sent[0].message, WM_PANEL_MORE_CONTROLS);
            EXPECT_EQ(m_desk->sent[0].wParam, reinterpret_cast<WPARAM>(&m_panel));
            EXPECT_EQ(m_desk->sent[0].lParam, c.percent);
        }
    }
}

TEST_F(PanelTest, PaneMessagesSeekStepAndSetTheRate)
{
    ASSERT_TRUE(LoadFile());
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_SEEK_PERCENT, 50, 0), 1);
    EXPECT_EQ(Script().position, 30 * kSecond);

    Command(ID_PANEL_PLAY);
    Script().calls.clear();
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_STEP_FRAME, 0, 0), 1);
    EXPECT_EQ(Script().calls, (std::vector<std::string>{ "pause" })) << "a running graph is paused first";
    EXPECT_EQ(Script().steps, 1);
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_STEP_FRAME, 0, 0), 1);
    EXPECT_EQ(Script().calls.size(), 1u) << "a paused graph only steps";
    EXPECT_EQ(Script().steps, 2);

    double rate = 2.0;
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_SET_RATE, reinterpret_cast<WPARAM>(&rate), 0), 1);
    EXPECT_DOUBLE_EQ(m_panel.GetRate(), 2.0);
    Script().refuseRate = true;
    rate = 0.2;
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_SET_RATE, reinterpret_cast<WPARAM>(&rate), 0), 0);
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_SET_RATE, 0, 0), 0);
    EXPECT_DOUBLE_EQ(m_panel.GetRate(), 2.0);

    m_panel.UnloadChannel();
    EXPECT_DOUBLE_EQ(m_panel.GetRate(), 1.0) << "no channel plays at normal speed";
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_SEEK_PERCENT, 50, 0), 1);
    EXPECT_EQ(m_panel.SendMessage(WM_PANEL_STEP_FRAME, 0, 0), 1);
}

TEST_F(PanelTest, GraphEventsReachTheMainWindowAndAreFreed)
{
    ASSERT_TRUE(LoadFile());
    // Any COM object stands for the lost filter: the panel only holds a reference while it tells.
    IStream* stream = nullptr;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    const LONG_PTR lost = reinterpret_cast<LONG_PTR>(stream);
    Script().events = { { EC_COMPLETE, 0, 0 },
                        { EC_DEVICE_LOST, lost, 0 },
                        { EC_DEVICE_LOST, lost, 1 },
                        { EC_DEVICE_LOST, lost, 2 },
                        { EC_PAUSED, 0, 0 } };
    m_desk->sent.clear();
    EXPECT_EQ(m_panel.SendMessage(WM_CHANNEL_GRAPH_EVENT, 0, 1), 1);
    EXPECT_EQ(m_desk->Messages(),
              (std::vector<UINT>{ WM_PANEL_MEDIA_ENDED, WM_PANEL_DEVICE_LOST, WM_PANEL_DEVICE_BACK }));
    for (const SentMessage& m : m_desk->sent)
        EXPECT_EQ(m.wParam, reinterpret_cast<WPARAM>(&m_panel));
    EXPECT_EQ(m_desk->sent[0].lParam, 0);
    EXPECT_EQ(m_desk->sent[1].lParam, lost);
    EXPECT_EQ(m_desk->sent[2].lParam, lost);
    EXPECT_EQ(Script().freed.size(), 5u);
    EXPECT_TRUE(Script().events.empty());
    EXPECT_EQ(stream->Release(), 0u) << "the panel's own reference to the lost filter was given back";
}

TEST_F(PanelTest, AMainWindowThatUnloadsOnAnEventEndsTheDrain)
{
    ASSERT_TRUE(LoadFile());
    Script().events = { { EC_COMPLETE, 0, 0 }, { EC_COMPLETE, 0, 0 } };
    m_desk->onMessage = [this](const SentMessage& m) {
        if (m.message == WM_PANEL_MEDIA_ENDED)
            m_panel.UnloadChannel();
    };
    m_desk->sent.clear();
    EXPECT_EQ(m_panel.SendMessage(WM_CHANNEL_GRAPH_EVENT, 0, 1), 1);
    m_desk->onMessage = nullptr;
    EXPECT_EQ(m_desk->Messages(), (std::vector<UINT>{ WM_PANEL_MEDIA_ENDED, WM_PANEL_MORE_CONTROLS }));
    EXPECT_EQ(Script().liveGraphs, 0);
    EXPECT_EQ(Script().events.size(), 1u) << "the deleted graph was not asked again";
}

TEST_F(PanelTest, PreviewAreaClicksOfferTheChannel)
{
    HWND area = m_panel.GetPreviewArea().m_hWnd;
    ASSERT_NE(area, nullptr);
    ::SendMessageW(area, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(area, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(m_desk->sent.empty()) << "an empty panel sends nothing";

    struct Case {
        int tally;
        LRESULT answer;
        int tallyAfter;
        BOOL previewAfter;
    } cases[] = {
        { CDVPlayWnd::kIdle, 1, CDVPlayWnd::kPreview, TRUE },
        { CDVPlayWnd::kIdle, 0, CDVPlayWnd::kIdle, FALSE },
        { CDVPlayWnd::kOnAir, 1, CDVPlayWnd::kOnAir, TRUE },
        { CDVPlayWnd::kOnAir, 0, CDVPlayWnd::kOnAir, FALSE },
        { CDVPlayWnd::kPreview, 1, CDVPlayWnd::kPreview, TRUE },
    };
    ASSERT_TRUE(LoadFile());
    m_panel.SetChannelNumber(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tally " << c.tally << " answer " << c.answer);
        m_panel.SetTallyState(c.tally);
        m_desk->selectAnswer = c.answer;
        m_desk->sent.clear();
        ::SendMessageW(area, c.tally == CDVPlayWnd::kOnAir ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, 0, 0);
        ASSERT_EQ(m_desk->sent.size(), 1u);
        EXPECT_EQ(m_desk->sent[0].message, WM_PANEL_SELECT);
        EXPECT_EQ(m_desk->sent[0].lParam, 3);
        EXPECT_EQ(m_panel.GetTallyState(), c.tallyAfter);
        EXPECT_EQ(m_panel.IsPreview(), c.previewAfter);
        EXPECT_EQ(m_panel.IsOnAir(), c.tally == CDVPlayWnd::kOnAir);
    }
    m_desk->sent.clear();
    ::SendMessageW(area, WM_RBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(m_desk->Messages(), (std::vector<UINT>{ WM_PANEL_TAKE }));
}

TEST_F(PanelTest, PlayOnAirTellsTheMainWindow)
{
    ASSERT_TRUE(LoadFile());
    m_desk->sent.clear();
    Command(ID_PANEL_PLAY);
    EXPECT_TRUE(m_desk->sent.empty()) << "an idle panel plays quietly";
    Command(ID_PANEL_PAUSE);
    m_panel.SetTallyState(CDVPlayWnd::kOnAir);
    Command(ID_PANEL_PLAY);
    ASSERT_EQ(m_desk->Messages(), (std::vector<UINT>{ WM_PANEL_STARTED }));
    EXPECT_EQ(m_desk->sent[0].wParam, reinterpret_cast<WPARAM>(&m_panel));
}

TEST_F(PanelTest, ARefusedLoadLeavesThePanelEmpty)
{
    Script().buildFails = true;
    EXPECT_FALSE(LoadFile());
    EXPECT_EQ(m_panel.GetChannel(), nullptr);
    EXPECT_EQ(EnabledButtons(m_panel), "0000010");
    ASSERT_EQ(m_desk->loadedNames.size(), 1u);
    EXPECT_EQ(m_desk->loadedNames[0], CString(L"clip.avi"));
}

// --- level bars ---------------------------------------------------------------------------

TEST(LevelBar, BandsOfEveryLevel)
{
    struct Case {
        int level;
        int green, yellow, red;
    } cases[] = {
        { -32768, 0, 0, 0 }, { -61, 0, 0, 0 }, { -60, 0, 0, 0 }, { -59, 1, 1, 1 },  { -30, 30, 30, 30 },
        { -20, 30, 40, 40 }, { -10, 30, 50, 50 }, { -5, 30, 50, 55 }, { 0, 30, 50, 60 }, { 6, 30, 50, 60 },
        { 32767, 30, 50, 60 },
    };
    for (const Case& c : cases) {
        const CDBDisplayWnd::Bands b = CDBDisplayWnd::BandsFor(60, c.level);
        EXPECT_EQ(b.greenEnd, c.green) << c.level;
        EXPECT_EQ(b.yellowEnd, c.yellow) << c.level;
        EXPECT_EQ(b.redEnd, c.red) << c.level;
    }
    EXPECT_EQ(CDBDisplayWnd::LitLength(0, 0), 0);
}

TEST_F(PanelTest, LevelBarsPaintTheirColours)
{
    const COLORREF g = CDBDisplayWnd::kGreen, y = CDBDisplayWnd::kYellow, r = CDBDisplayWnd::kRed,
                   k = CDBDisplayWnd::kUnlit;
    // The bars are 163 pixels: green ends at 81, yellow at 135.
    const int probes[] = { 0, 80, 81, 134, 135, 162 };
    struct Case {
        short level;
        COLORREF colours[6];
    } cases[] = {
        { -60, { k, k, k, k, k, k } },
        { -90, { k, k, k, k, k, k } },
        { -30, { g, g, k, k, k, k } },
        { 0, { g, g, y, y, r, r } },
        { 12, { g, g, y, y, r, r } },
    };
    for (const Case& c : cases) {
        m_panel.SetLevels(c.level, -70);
        Pixels bar = CaptureWindow(m_panel.GetLevelBar(0).m_hWnd);
        ASSERT_EQ(bar.width, 163);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(bar.At(probes[i], 1), c.colours[i]) << "level " << c.level << " x " << probes[i];
        Pixels second = CaptureWindow(m_panel.GetLevelBar(1).m_hWnd);
        EXPECT_EQ(second.At(0, 1), k) << "the second bar has its own level";
    }
}

// --- project file record ----------------------------------------------------------------------

namespace {

using Bytes = std::vector<BYTE>;

// A loaded panel: preview tally, playing at 90 s, audio "ab" and video "cd" (files, no
// paths), graph options manual format, automatic deinterlace, 16:9, even lines first, no
// kept aspect.
const Bytes kLoadedRecord = {
    0x01,                                                  // has a channel
    0x01, 0x00, 0x00, 0x00,                                // tally: preview
    0x01,                                                  // has a graph
    0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 'b', 0x00,          // audio name
    0xFF, 0xFE, 0xFF, 0x00,                                // audio path
    0x01, 0x00, 0x00, 0x00,                                // audio flags: named
    0xFF, 0xFE, 0xFF, 0x02, 'c', 0x00, 'd', 0x00,          // video name
    0xFF, 0xFE, 0xFF, 0x00,                                // video path
    0x01, 0x00, 0x00, 0x00,                                // video flags
    0x02, 0x00, 0x00, 0x00,                                // graph state: running
    0x00, 0xE9, 0xA4, 0x35, 0x00, 0x00, 0x00, 0x00,        // position 900000000 (90 s)
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,        // image format, deinterlace
    0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,        // aspect, field order
    0x00, 0x00, 0x00, 0x00,                                // keep aspect
};

InputFormatOptions RecordOptions()
{
    InputFormatOptions o;
    o.imageFormat = 1;
    o.deinterlace = 0;
    o.aspect = 1;
    o.fieldOrder = 1;
    o.keepAspect = 0;
    return o;
}

Bytes Store(CDVPlayWnd& panel)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        panel.Serialize(ar);
    }
    const UINT n = static_cast<UINT>(file.GetLength());
    BYTE* data = file.Detach();
    Bytes bytes(data, data + n);
    free(data);
    return bytes;
}

} // namespace

TEST_F(PanelTest, TheRecordOfAnEmptyAndOfALoadedPanel)
{
    EXPECT_EQ(Store(m_panel), Bytes{ 0x00 });

    SourceDescriptor audio, video;
    audio.name = L"ab";
    audio.flags = SourceDescriptor::kNamed;
    video.name = L"cd";
    video.flags = SourceDescriptor::kNamed;
    ASSERT_TRUE(m_panel.LoadSources(audio, video));
    Command(ID_PANEL_PLAY);
    Script().position = 90 * kSecond;
    Script().options = RecordOptions();
    m_panel.SetTallyState(CDVPlayWnd::kPreview);
    EXPECT_EQ(Store(m_panel), kLoadedRecord);
}

TEST_F(PanelTest, ALoadedRecordLoadsTheSourcesAndRestoresTheTransport)
{
    // The record, then an empty panel's record, then a value of the file after them.
    Bytes file = kLoadedRecord;
    file.insert(file.end(), { 0x00, 0x2A, 0x00, 0x00, 0x00 });
    CDVPlayWnd next;
    ASSERT_TRUE(next.Create(CRect(200, 5, 390, 175), m_desk.get(), 1001));
    next.SetChannelNumber(2);

    struct Case {
        const char* name;
        bool missingSource;
    } cases[] = { { "the source is there", false }, { "the source is missing", true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_panel.UnloadChannel();
        Script().Reset();
        Script().buildFails = c.missingSource;
        m_desk->loadedNames.clear();
        CMemFile in(file.data(), static_cast<UINT>(file.size()));
        CArchive ar(&in, CArchive::load);
        m_panel.Serialize(ar);
        next.Serialize(ar);
        int after = 0;
        ar >> after;
        EXPECT_EQ(after, 42) << "the records after the panel stay in step";
        EXPECT_EQ(m_desk->loadedNames, std::vector<CString>{ CString(L"cd") });
        EXPECT_EQ(next.GetChannel(), nullptr);
        EXPECT_EQ(m_panel.GetTallyState(), CDVPlayWnd::kPreview) << "stored as it was";
        EXPECT_FALSE(m_panel.IsPreview()) << "the main window sets the lamps afterwards";
        if (c.missingSource) {
            EXPECT_EQ(m_panel.GetChannel(), nullptr);
            continue;
        }
        ASSERT_NE(m_panel.GetChannel(), nullptr);
        EXPECT_EQ(Script().state, State_Running);
        EXPECT_EQ(Script().position, 90 * kSecond);
        EXPECT_TRUE(Script().options == RecordOptions());
        EXPECT_TRUE(m_panel.IsPositionTimerRunning());
        EXPECT_EQ(Store(m_panel), kLoadedRecord) << "stored again, the same bytes";
    }
    next.DestroyWindow();
}

TEST_F(PanelTest, ACutRecordThrowsAndLoadsNothing)
{
    for (size_t length : { size_t(0), size_t(3), size_t(30), size_t(49), kLoadedRecord.size() - 1 }) {
        SCOPED_TRACE(length);
        Bytes cut(kLoadedRecord.begin(), kLoadedRecord.begin() + static_cast<std::ptrdiff_t>(length));
        cut.push_back(0); // the memory file wants a buffer; the archive reads only `length`
        CMemFile in(cut.data(), static_cast<UINT>(length));
        bool thrown = false;
        try {
            CArchive ar(&in, CArchive::load);
            m_panel.Serialize(ar);
        } catch (CArchiveException* e) {
            thrown = true;
            e->Delete();
        }
        EXPECT_TRUE(thrown);
        EXPECT_EQ(m_panel.GetChannel(), nullptr);
        EXPECT_TRUE(m_desk->loadedNames.empty());
    }
}

TEST_F(PanelTest, APanelOnScreenShowsItsSkin)
{
    ASSERT_TRUE(LoadFile());
    m_panel.SetTallyState(CDVPlayWnd::kPreview);
    m_panel.SetLevels(-3, -12);
    const Pixels screen = CaptureScreen(m_panel.m_hWnd);
    EXPECT_TRUE(SavePng(screen, L"panel_on_screen.png"));
    const Pixels printed = CaptureWindow(m_panel.m_hWnd);
    EXPECT_TRUE(SavePng(printed, L"panel_printed.png"));
    ASSERT_EQ(screen.width, kPanelWidth);
    ASSERT_EQ(printed.width, kPanelWidth);
    // Each button shows its skin image where it stands, on the screen and printed alike.
    for (int i = 0; i < CDVPlayWnd::kButtonCount; ++i) {
        CRect rc;
        m_panel.GetButton(i).GetWindowRect(rc);
        m_panel.ScreenToClient(rc);
        const CPoint p = rc.CenterPoint();
        EXPECT_EQ(printed.At(p.x, p.y), screen.At(p.x, p.y)) << "button " << i;
    }
}

namespace {

bool g_chooserAnswers = false;
int g_chooserCalls = 0;

bool StandInChooser(CWnd* parent, SourceDescriptor& audio, SourceDescriptor& video)
{
    ++g_chooserCalls;
    EXPECT_NE(parent, nullptr);
    if (!g_chooserAnswers)
        return false;
    audio = FileSource(L"chosen.wav");
    video = FileSource(L"chosen.avi");
    return true;
}

} // namespace

TEST_F(PanelTest, TheLoadButtonAsksForSourcesAndLoadsTheChosenPair)
{
    CDVPlayWnd::SetSourceChooser(&StandInChooser);
    g_chooserCalls = 0;
    g_chooserAnswers = false;
    Command(ID_PANEL_LOAD_SOURCE);
    EXPECT_EQ(g_chooserCalls, 1);
    EXPECT_TRUE(m_desk->sent.empty()) << "a cancelled choice loads nothing";

    g_chooserAnswers = true;
    Command(ID_PANEL_LOAD_SOURCE);
    CDVPlayWnd::SetSourceChooser(nullptr);
    EXPECT_EQ(m_desk->loadedNames, std::vector<CString>{ CString(L"chosen.avi") });
    ASSERT_NE(m_panel.GetChannel(), nullptr);
    EXPECT_EQ(m_panel.GetChannel()->GetAudioSource().name, CString(L"chosen.wav"));
    EXPECT_EQ(EnabledButtons(m_panel), "1101111");
}
