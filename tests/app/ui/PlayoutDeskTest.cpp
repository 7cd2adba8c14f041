// The automatic playout on the real desk under Xvfb, from a copy of the build's program folder
// with the sample clips: the playout dialog opened from the desk's menu command, a playout list
// loaded through its file dialog, and both schedulers run second by second on a clock the test
// sets (their timers are sent by hand). The program frames are read back through an output of
// the test's own, as the director hands them to every output.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/CharObjList.h"
#include "app/captions/CharObject.h"
#include "app/captions/DiskBoDlg.h"
#include "app/core/ChannelTransport.h"
#include "app/core/DeskMessages.h"
#include "app/core/OutputType.h"
#include "app/engine/Channel.h"
#include "app/engine/VideoMixer.h"
#include "tests/app/ui/DeskFixture.h"
#include "tests/app/ui/DeskReadBack.h"
#include "tests/app/ui/ScreenshotPng.h"

#include <atltime.h>
#include "app/captions/image/ximage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace desk_test;

const __time64_t T0 = 1800000000;
__time64_t g_wallClock = T0;
__time64_t WallClock()
{
    return g_wallClock;
}

// A width x height picture of one colour, as a 24-bit BMP.
void WriteBmp(const std::wstring& path, int width, int height, BYTE r, BYTE g, BYTE b)
{
    const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + row * height;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = row * height;
    FILE* out = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(out);
    fwrite(&file, sizeof file, 1, out);
    fwrite(&info, sizeof info, 1, out);
    std::vector<BYTE> bytes(row, 0);
    for (int x = 0; x < width; ++x) {
        bytes[x * 3] = b;
        bytes[x * 3 + 1] = g;
        bytes[x * 3 + 2] = r;
    }
    for (int y = 0; y < height; ++y)
        fwrite(bytes.data(), 1, row, out);
    fclose(out);
}

bool NearColour(DWORD pixel, BYTE r, BYTE g, BYTE b)
{
    const int channels[3][2] = {{static_cast<int>((pixel >> 16) & 0xFF), r},
                                {static_cast<int>((pixel >> 8) & 0xFF), g},
                                {static_cast<int>(pixel & 0xFF), b}};
    for (const auto& c : channels)
        if (std::abs(c[0] - c[1]) > 12)
            return false;
    return true;
}

PlayItem Programme(DWORD type, const char* name, const wchar_t* clip, __time64_t start, LONG duration)
{
    PlayItem item;
    item.type = type;
    item.name = name;
    item.video = Clip(clip);
    item.audio = Clip(clip);
    item.scheduledStart = start ? static_cast<DWORD>(start) : 0;
    item.duration = duration;
    return item;
}

class PlayoutDeskTest : public DeskFixture {
protected:
    // A clip that does not exist, and a timed programme of it.
    static std::wstring GoneClip() { return s_folder + L"\\gone.avi"; }
    static PlayItem GoneProgramme(const char* name, __time64_t start, LONG duration)
    {
        PlayItem item = Programme(kPlayTimed, name, L"sample1.avi", start, duration);
        item.video.name = GoneClip().c_str();
        item.audio.name = GoneClip().c_str();
        return item;
    }
    static void SetUpTestSuite() { PrepareFolder(L"rvx_playout_desk_test"); }
    static void TearDownTestSuite() { RemoveFolder(); }
    void SetUp() override
    {
        g_wallClock = T0;
        m_previousClock = CTime::SetTimeSource(&WallClock);
        OpenDesk(&m_graphs);
    }
    void TearDown() override
    {
        StopWatchingBoxes();
        CloseDesk();
        CTime::SetTimeSource(m_previousClock);
    }

    void Command(UINT id) { m_desk->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void Click(UINT id)
    {
        CDiskBoDlg* playout = m_desk->GetPlayoutDialog();
        playout->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(::GetDlgItem(playout->m_hWnd, id)));
    }
    // Opens the playout from the desk's menu and loads the lists through its file dialog.
    CDiskBoDlg* OpenPlayout(PlayoutList& lists)
    {
        const std::wstring path = s_folder + L"\\show.rxb";
        EXPECT_TRUE(SavePlayoutFile(path.c_str(), lists));
        Command(34542);
        CDiskBoDlg* playout = m_desk->GetPlayoutDialog();
        if (!playout)
            return nullptr;
        m_seams->nextFiles.push_back(path);
        Click(IDC_DISKBO_LOAD);
        Pump();
        return playout;
    }
    // One second of the playout: the programme scheduler's timer, then the caption
    // scheduler's, as they come in a second.
    void Second(__time64_t second)
    {
        g_wallClock = T0 + second;
        CDiskBoDlg* playout = m_desk->GetPlayoutDialog();
        playout->SendMessage(WM_TIMER, CDiskBoDlg::kProgrammeTimer);
        playout->SendMessage(WM_TIMER, CDiskBoDlg::kCaptionTimer);
        Pump();
    }
    // The next program frame: the engine clock moves on a frame's time and the mixing clock
    // ticks twice (an interlaced program, the desk's default, completes a frame at every second
    // field); frames are stamped with the engine clock, so one composed before cannot pass.
    std::vector<DWORD> NextProgramFrame()
    {
        std::vector<DWORD> pixels;
        s_now += 40;
        const LONGLONG start = EngineClock::Now() * 10000LL;
        m_desk->GetDirector().GetVideoMixer()->OnClockTick();
        m_desk->GetDirector().GetVideoMixer()->OnClockTick();
        EXPECT_TRUE(m_graphs.frames.WaitForFrameFrom(start, pixels)) << "no program frame came";
        return pixels;
    }
    CString LoadedClip(int panel)
    {
        CChannel* channel = m_desk->GetPanel(panel).GetChannel();
        return channel ? CString(channel->GetVideoSource().name) : CString();
    }

    OAFilterState PanelState(int panel)
    {
        CChannel* channel = m_desk->GetPanel(panel).GetChannel();
        IChannelTransport* transport = channel && channel->GetGraph() ? channel->GetGraph()->GetTransport() : nullptr;
        OAFilterState state = State_Stopped;
        if (transport)
            transport->GetState(1000, &state);
        return state;
    }
    std::wstring LogText()
    {
        std::wstring all;
        for (const CString& row : m_desk->GetPlayoutDialog()->GetLogRows())
            all += std::wstring(row) + L"\n";
        return all;
    }
    // The desk's message boxes from here on: written down, with how many were open at once;
    // while the first is open the operator has not answered yet, and the given seconds pass
    // (the playout's timers come to it in the box's loop).
    void WatchBoxes(std::vector<__time64_t> whileFirstOpen)
    {
        m_passing = whileFirstOpen;
        m_previousBoxes = AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR, UINT) {
            m_boxes.push_back(text ? text : L"");
            m_deepest = std::max(m_deepest, ++m_open);
            if (m_boxes.size() == 1) {
                for (__time64_t s : m_passing)
                    Second(s);
            }
            --m_open;
            return IDOK;
        });
        m_watching = true;
    }
    void StopWatchingBoxes()
    {
        if (m_watching)
            AfxSetMessageBoxProc(m_previousBoxes);
        m_watching = false;
    }

    // The virtual-device output is read back.
    ReadBackGraphs m_graphs{kOutputVirtualDevice};
    CTime::TimeSource m_previousClock = nullptr;
    bool m_watching = false;
    AFX_MESSAGEBOX_PROC m_previousBoxes;
    std::vector<__time64_t> m_passing;
    std::vector<std::wstring> m_boxes;
    int m_open = 0, m_deepest = 0;
};

} // namespace

TEST_F(PlayoutDeskTest, TimedProgrammeLoadsAheadGoesToAirAtItsSecondAndACaptionShowsAndHides)
{
    const int W = m_desk->GetOutputWidth(), H = m_desk->GetOutputHeight();
    // The caption page: one picture of a colour no clip shows, at a known place on the canvas.
    const BYTE r = 20, g = 210, b = 90;
    const RECT spot = {W / 4, H / 4, W / 4 + 96, H / 4 + 64};
    const std::wstring picture = s_folder + L"\\spot.bmp";
    WriteBmp(picture, spot.right - spot.left, spot.bottom - spot.top, r, g, b);
    const std::wstring pagePath = s_folder + L"\\spot.rxf";
    {
        CCharObjList page;
        page.SetWidth(W);
        page.SetHeight(H);
        CCharObject* object = new CCharObject;
        CharTextStyle style;
        style.SetDefault();
        ASSERT_TRUE(object->SetImage(picture.c_str(), CXIMAGE_FORMAT_BMP, style));
        object->SetRect(spot);
        object->SetMotion(0);
        page.Add(object);
        ASSERT_TRUE(page.SaveToFile(pagePath.c_str()));
    }
    const int cx = (spot.left + spot.right) / 2, cy = (spot.top + spot.bottom) / 2;

    // Programme A from the start for 30 s, B at second 30 for 20 s; the caption at 35 for 5 s.
    PlayoutList lists;
    lists.queue.Add(Programme(kPlayTimed, "A", L"sample1.avi", T0, 30));
    lists.queue.Add(Programme(kPlayTimed, "B", L"sample2.avi", T0 + 30, 20));
    CaptionItem caption;
    caption.name = "spot";
    caption.pagePath = CStringA(pagePath.c_str());
    caption.displayTime = static_cast<DWORD>(T0 + 35);
    caption.displayDuration = 5;
    lists.captions.push_back(caption);

    CDiskBoDlg* playout = OpenPlayout(lists);
    ASSERT_TRUE(playout) << "the desk's command made no playout dialog";
    ASSERT_TRUE(playout->IsWindowVisible());
    ASSERT_EQ(playout->GetLists().queue.GetCount(), 2);
    ASSERT_EQ(playout->GetLists().captions.size(), 1u);
    EXPECT_TRUE(m_seams->boxes.empty());
    SavePng(CaptureScreen(::GetDesktopWindow()), L"desk_playout.png");

    ASSERT_EQ(m_desk->GetDirector().StartOutput(kOutputVirtualDevice), S_OK);
    const CString first = Clip(L"sample1.avi").name, second = Clip(L"sample2.avi").name;

    // Started at second 0: A is on air in channel 1 at once.
    Click(IDC_DISKBO_START);
    Pump();
    ASSERT_TRUE(playout->IsRunning());
    EXPECT_EQ(LoadedClip(0), first);
    EXPECT_EQ(m_desk->GetProgramChannel(), 1);
    EXPECT_EQ(m_desk->GetPanel(0).GetTallyState(), CDVPlayWnd::kOnAir);

    // The look-ahead finds B when its window reaches second 30, at second 11, and loads it into
    // the free channel 2, which waits while A plays on.
    for (__time64_t s = 1; s <= 10; ++s) {
        Second(s);
        EXPECT_TRUE(LoadedClip(1).IsEmpty()) << "second " << s;
    }
    Second(11);
    EXPECT_EQ(LoadedClip(1), second);
    EXPECT_EQ(m_desk->GetProgramChannel(), 1);
    for (__time64_t s = 12; s <= 29; ++s) {
        Second(s);
        EXPECT_EQ(m_desk->GetProgramChannel(), 1) << "second " << s;
    }
    // At its second B goes to air.
    Second(30);
    EXPECT_EQ(m_desk->GetProgramChannel(), 2);
    EXPECT_EQ(m_desk->GetPanel(1).GetTallyState(), CDVPlayWnd::kOnAir);
    EXPECT_EQ(LoadedClip(1), second);

    // The caption page over B's picture from second 35 to second 40, gone at 41.
    struct Moment {
        __time64_t second;
        bool shown;
    };
    const Moment moments[] = {{34, false}, {35, true}, {40, true}, {41, false}};
    __time64_t at = 31;
    for (const Moment& m : moments) {
        for (; at <= m.second; ++at)
            Second(at);
        const std::vector<DWORD> frame = NextProgramFrame();
        ASSERT_EQ(frame.size(), static_cast<size_t>(W) * H) << "second " << m.second;
        const DWORD pixel = frame[static_cast<size_t>(cy) * W + cx];
        EXPECT_EQ(NearColour(pixel, r, g, b), m.shown) << "second " << m.second << std::hex << ", pixel 0x" << pixel;
        EXPECT_EQ(playout->GetLists().captions[0].enabled, 1);
    }
    EXPECT_EQ(m_desk->GetProgramChannel(), 2);

    Click(IDC_DISKBO_STOP);
    EXPECT_FALSE(playout->IsRunning());
    const std::vector<CString> log = playout->GetLogRows();
    ASSERT_FALSE(log.empty());
    std::wstring all;
    for (const CString& row : log)
        all += std::wstring(row) + L"\n";
    EXPECT_NE(all.find(L"\x663e\x793a\x98de\x5e55 spot"), std::wstring::npos) << "caption shown: " << all.c_str();
    EXPECT_NE(all.find(L"\x53d6\x6d88\x98de\x5e55 spot"), std::wstring::npos) << "caption hidden: " << all.c_str();
    EXPECT_EQ(all.find(L"spot \x5931\x8d25"), std::wstring::npos) << "no show was refused: " << all.c_str();
    EXPECT_TRUE(m_seams->boxes.empty());
    EXPECT_EQ(m_desk->GetDirector().StopOutput(kOutputVirtualDevice), S_OK);
}

TEST_F(PlayoutDeskTest, AProgrammeWhoseFileIsGoneIsReportedOnceAndTheShowGoesOnWithTheNextItem)
{
    // A from the start for 20 s; M at 20 for 10 s, its file gone; B at 30 for 20 s.
    const std::wstring gone = GoneClip();
    PlayoutList lists;
    lists.queue.Add(Programme(kPlayTimed, "A", L"sample1.avi", T0, 20));
    lists.queue.Add(GoneProgramme("M", T0 + 20, 10));
    lists.queue.Add(Programme(kPlayTimed, "B", L"sample2.avi", T0 + 30, 20));
    CDiskBoDlg* playout = OpenPlayout(lists);
    ASSERT_TRUE(playout);
    const CString first = Clip(L"sample1.avi").name, second = Clip(L"sample2.avi").name;

    // Seconds 3 to 5 pass while the box about M waits for the operator: no pass runs inside it.
    WatchBoxes({3, 4, 5});
    Click(IDC_DISKBO_START);
    Pump();
    ASSERT_EQ(m_desk->GetProgramChannel(), 1);
    Second(1);
    EXPECT_TRUE(m_boxes.empty());
    // The look-ahead reaches M at second 2: its load fails and the desk says so, once.
    Second(2);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_NE(m_boxes[0].find(L"\x52a0\x8f7d\x6e90\x5931\x8d25"), std::wstring::npos) << m_boxes[0].c_str();
    EXPECT_EQ(m_deepest, 1);
    for (int panel = 1; panel < CRavelmixerDlg::kPanelCount; ++panel)
        EXPECT_TRUE(LoadedClip(panel).IsEmpty()) << "panel " << panel + 1;

    // M's second comes and goes: A stays on air, playing.
    for (__time64_t s = 6; s <= 29; ++s) {
        Second(s);
        ASSERT_EQ(m_desk->GetProgramChannel(), 1) << "second " << s;
    }
    EXPECT_EQ(LoadedClip(0), first);
    EXPECT_EQ(PanelState(0), State_Running);
    // B was loaded ahead into the slot M never took, and goes to air at its second.
    EXPECT_EQ(LoadedClip(1), second);
    Second(30);
    EXPECT_EQ(m_desk->GetProgramChannel(), 2);
    EXPECT_EQ(m_boxes.size(), 1u);

    // A play for a slot with nothing in it leaves the program as it is.
    m_desk->SendMessage(WM_AUTOPLAY_PLAY, MakePlayParam(0), 4);
    EXPECT_EQ(m_desk->GetProgramChannel(), 2);
    EXPECT_EQ(PanelState(1), State_Running);

    // The playout runs on with its list as it was, and its log names only what loaded.
    EXPECT_TRUE(playout->IsRunning());
    ASSERT_EQ(playout->GetLists().queue.GetCount(), 3);
    EXPECT_EQ(playout->GetLists().queue.At(1)->name, CStringA("M"));
    EXPECT_EQ(CString(playout->GetLists().queue.At(1)->video.name), CString(gone.c_str()));
    EXPECT_FALSE(playout->IsModified());
    const std::wstring log = LogText();
    EXPECT_NE(log.find(L"\x52a0\x8f7d\x8282\x76ee A"), std::wstring::npos) << log.c_str();
    EXPECT_NE(log.find(L"\x52a0\x8f7d\x8282\x76ee B"), std::wstring::npos) << log.c_str();
    EXPECT_EQ(log.find(L"\x8282\x76ee M"), std::wstring::npos) << log.c_str();
    Click(IDC_DISKBO_STOP);
    EXPECT_FALSE(playout->IsRunning());
}

TEST_F(PlayoutDeskTest, AFirstProgrammeThatCannotLoadLetsItsSpanPassAndTheNextGoesToAir)
{
    // M from the start for 10 s, its file gone; A at 10 for 20 s.
    PlayoutList lists;
    lists.queue.Add(GoneProgramme("M", T0, 10));
    lists.queue.Add(Programme(kPlayTimed, "A", L"sample1.avi", T0 + 10, 20));
    CDiskBoDlg* playout = OpenPlayout(lists);
    ASSERT_TRUE(playout);

    // The box about M comes from the start's own pass; seconds 1 and 2 pass while it is open.
    WatchBoxes({1, 2});
    Click(IDC_DISKBO_START);
    Pump();
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_deepest, 1) << "a box stacked on the open one";
    EXPECT_EQ(m_desk->GetProgramChannel(), 0);
    // The look-ahead takes M up once more at the next pass (its time is still ahead of the
    // cursor), then finds A and loads it; A goes to air at its second.
    Second(3);
    EXPECT_EQ(m_boxes.size(), 2u);
    Second(4);
    EXPECT_EQ(LoadedClip(0), Clip(L"sample1.avi").name);
    for (__time64_t s = 5; s <= 9; ++s)
        Second(s);
    EXPECT_EQ(PanelState(0), State_Paused) << "loaded ahead, waiting for its second";
    Second(10);
    EXPECT_EQ(m_desk->GetProgramChannel(), 1);
    EXPECT_EQ(PanelState(0), State_Running);
    EXPECT_EQ(m_boxes.size(), 2u);
    EXPECT_EQ(m_deepest, 1);
    EXPECT_TRUE(playout->IsRunning());
    Click(IDC_DISKBO_STOP);
}
