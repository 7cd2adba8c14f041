// The add-programme and add-caption dialogs on real windows under Xvfb, against the stand-in
// capture devices and a recording stand-in of the main window that answers the probes: what
// OK refuses and with which message, how the sources are read, the probe, the spans.
#include "app/captions/AddCharDlg.h"
#include "app/captions/AddPlayDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/captions/PlayoutTimeFields.h"
#include "tests/app/captions/RecordingMainWindow.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/DrivenDialog.h"
#include "tests/app/ui/ScreenshotPng.h"
#include "tests/support/devices/StandInSources.h"

namespace {

typedef CDrivenDialog<CAddPlayDlg> DrivenAddPlay;
typedef CDrivenDialog<CAddCharDlg> DrivenAddChar;

std::wstring Text(HWND dialog, UINT id)
{
    wchar_t text[512] = {};
    ::GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

template <class D>
void Choose(D& d, UINT id, const wchar_t* entry)
{
    HWND list = ::GetDlgItem(d.m_hWnd, id);
    const LRESULT index =
        ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry));
    ASSERT_NE(index, CB_ERR) << Narrow(entry);
    ::SendMessageW(list, CB_SETCURSEL, index, 0);
    d.Command(id, CBN_SELCHANGE);
}

void ChooseType(DrivenAddPlay& d, DWORD type)
{
    ::SendDlgItemMessageW(d.m_hWnd, IDC_ADD_PLAY_TYPE, CB_SETCURSEL, type, 0);
    d.Command(IDC_ADD_PLAY_TYPE, CBN_SELCHANGE);
}

HWND Picker(CWnd& d, UINT id)
{
    return ::GetDlgItem(d.m_hWnd, id);
}

std::wstring TempFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    return path;
}

class AddPlayDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CStandInSources::SetUp(); }
    static void TearDownTestSuite() { CStandInSources::TearDown(); }
    void SetUp() override
    {
        ASSERT_TRUE(CStandInSources::Ready());
        m_clip = TempFile(L"rvx_add_play_clip.avi");
    }
    void TearDown() override { DeleteFileW(m_clip.c_str()); }

    // A programme with a name, a play count and a video file.
    void Fill(DrivenAddPlay& d, const wchar_t* name, const wchar_t* count)
    {
        ::SetDlgItemTextW(d.m_hWnd, IDC_ADD_PLAY_NAME, name);
        ::SetDlgItemTextW(d.m_hWnd, IDC_ADD_PLAY_COUNT, count);
    }

    CRecordingMainWindow m_window;
    CDialogSeams m_seams;
    std::wstring m_clip;
    int m_context = 0;
};

TEST_F(AddPlayDlgTest, OkRefusesWhatCannotPlayWithItsMessageAndStaysOpen)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* count;
        const wchar_t* video;
        const wchar_t* audio;
        const wchar_t* message; // empty: accepted
    };
    const Case cases[] = {
        {L"", L"1", L"", L"", L"错误|请输入节目名称"},
        {L"News", L"0", L"", L"", L"错误|播放次数不能为0"},
        {L"News", L"65536", L"", L"", L"错误|播放次数过多，请重新设置"},
        {L"News", L"65535", L"", L"", L""},
        {L"News", L"2", L"Unplugged Camera", L"", L"错误|无效的视频源.\n"},
        {L"News", L"2", L"C:\\media\\a.avi", L"Unplugged Mic", L"错误|无效的音频源.\n"},
        {L"News", L"2", L"http://server/live", L"", L""},
    };
    for (const Case& c : cases) {
        m_seams.boxes.clear();
        DrivenAddPlay dlg(&m_context, m_window.Handle());
        bool open = false;
        dlg.driver = [&](DrivenAddPlay& d) {
            Fill(d, c.name, c.count);
            ::SetDlgItemTextW(d.m_hWnd, IDC_ADD_PLAY_VIDEO, c.video);
            ::SetDlgItemTextW(d.m_hWnd, IDC_ADD_PLAY_AUDIO, c.audio);
            d.Command(IDOK);
            open = d.IsOpen();
        };
        const INT_PTR result = dlg.DoModal();
        const std::string label = Narrow(c.name) + "/" + Narrow(c.count) + "/" + Narrow(c.video);
        if (*c.message) {
            EXPECT_TRUE(open) << label;
            ASSERT_EQ(1u, m_seams.boxes.size()) << label;
            EXPECT_EQ(c.message, m_seams.boxes[0]) << label;
            EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), m_seams.boxTypes.back()) << label;
        } else {
            EXPECT_EQ(IDOK, result) << label;
            EXPECT_TRUE(m_seams.boxes.empty()) << label;
        }
    }
}

TEST_F(AddPlayDlgTest, AFileIsProbedAndChosenForBothSourcesAndAPictureLeavesTheSoundUnchosen)
{
    m_window.probeSeconds = 5;
    m_window.probeSeekable = 1;
    DrivenAddPlay dlg(&m_context, m_window.Handle());
    std::wstring videoText, audioText, pictureAudio;
    LONG durationShown = -1;
    std::vector<std::string> probes;
    bool tooLateOpen = false;
    dlg.driver = [&](DrivenAddPlay& d) {
        Fill(d, L"Clip", L"1");
        m_seams.nextFiles = {L"C:\\media\\still.jpg"};
        Choose(d, IDC_ADD_PLAY_VIDEO, L"File Source...");
        pictureAudio = Text(d.m_hWnd, IDC_ADD_PLAY_AUDIO);
        m_seams.nextFiles = {m_clip};
        Choose(d, IDC_ADD_PLAY_VIDEO, L"File Source...");
        videoText = Text(d.m_hWnd, IDC_ADD_PLAY_VIDEO);
        audioText = Text(d.m_hWnd, IDC_ADD_PLAY_AUDIO);
        durationShown = GetSpanField(Picker(d, IDC_ADD_PLAY_DURATION));
        probes = m_window.sent;
        SavePng(CaptureScreen(d.m_hWnd), L"add_play_dialog.png");
        // Ten seconds into a five-second file: refused.
        SetSpanField(Picker(d, IDC_ADD_PLAY_POSITION), 10);
        d.Command(IDOK);
        tooLateOpen = d.IsOpen();
        SetSpanField(Picker(d, IDC_ADD_PLAY_POSITION), 5);
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(L"", pictureAudio);
    EXPECT_EQ(m_clip, videoText);
    EXPECT_EQ(m_clip, audioText);
    EXPECT_EQ(5, durationShown);
    ASSERT_EQ(2u, probes.size());
    EXPECT_EQ("PROBE audio= video=C:\\media\\still.jpg seekable=0", probes[0]);
    EXPECT_EQ("PROBE audio=" + Narrow(m_clip.c_str()) + " video=" + Narrow(m_clip.c_str()) + " seekable=0", probes[1]);
    EXPECT_TRUE(tooLateOpen);
    ASSERT_EQ(1u, m_seams.boxes.size());
    EXPECT_EQ(L"错误|起始位置过大", m_seams.boxes[0]);
    ASSERT_EQ(2u, m_seams.files.size());
    EXPECT_EQ(L"All Support Files|*.avi;*.mpg;*.mpeg;*.dat;*.wmv;*.asf;*.vob;*.rm;*.rmvb;*.flv;*.mp3;*.wav;*.wma;*.bmp;"
              L"*.jpg;*.jpe;*.jpeg;*.gif;*.tga;*.dib;*.jfif|All Files (*.*)|*.*||",
              m_seams.files[0].filter);
    EXPECT_TRUE(m_seams.files[0].flags & OFN_HIDEREADONLY);

    PlayItem item;
    item.reserved = 42;
    dlg.GetItem(item);
    EXPECT_STREQ("Clip", item.name);
    EXPECT_STREQ(m_clip.c_str(), item.video.name);
    EXPECT_EQ(1u, item.video.flags);
    EXPECT_EQ(5, item.startPosition);
    EXPECT_EQ(5, item.duration);
    EXPECT_EQ(1, item.playCount);
    EXPECT_EQ(0u, item.scheduledStart); // sequential
    EXPECT_EQ(42, item.reserved);
}

TEST_F(AddPlayDlgTest, ASourceThatCannotSeekAsksBeforeItsStartPositionGoes)
{
    m_window.probeSeconds = 0; // nothing could be loaded: any start is accepted
    m_window.probeSeekable = 0;
    for (int answer : {IDNO, IDYES}) {
        m_seams.boxes.clear();
        m_seams.boxTypes.clear();
        m_seams.answers = {answer};
        DrivenAddPlay dlg(&m_context, m_window.Handle());
        bool open = false;
        dlg.driver = [&](DrivenAddPlay& d) {
            Fill(d, L"Live", L"1");
            m_seams.nextFiles = {m_clip};
            Choose(d, IDC_ADD_PLAY_VIDEO, L"File Source...");
            SetSpanField(Picker(d, IDC_ADD_PLAY_POSITION), 30);
            d.Command(IDOK);
            open = d.IsOpen();
        };
        const INT_PTR result = dlg.DoModal();
        ASSERT_EQ(1u, m_seams.boxes.size());
        EXPECT_EQ(L"错误|该源不能设置位置，起始位置将置为0，是否确认？", m_seams.boxes[0]);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), m_seams.boxTypes[0] & 0xF);
        if (answer == IDNO) {
            EXPECT_TRUE(open);
        } else {
            ASSERT_EQ(IDOK, result);
            PlayItem item;
            dlg.GetItem(item);
            EXPECT_EQ(0, item.startPosition);
        }
    }
}

TEST_F(AddPlayDlgTest, ADvCamcorderWithoutAnAudioSourceGivesTheAudioACopyOfTheVideo)
{
    DrivenAddPlay dlg(&m_context, m_window.Handle());
    bool settings = false;
    dlg.driver = [&](DrivenAddPlay& d) {
        Fill(d, L"Camera", L"1");
        Choose(d, IDC_ADD_PLAY_VIDEO, L"Microsoft DV Camera and VCR");
        settings = d.Enabled(IDC_ADD_PLAY_VIDEO_SETTINGS);
        // A live device may start anywhere: no probe, no length to stay within.
        SetSpanField(Picker(d, IDC_ADD_PLAY_POSITION), 600);
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(settings);
    EXPECT_TRUE(m_window.sent.empty());
    PlayItem item;
    dlg.GetItem(item);
    EXPECT_EQ(3u, item.video.flags);
    ASSERT_TRUE(item.video.filter);
    EXPECT_STREQ(item.video.name, item.audio.name);
    EXPECT_STREQ(item.video.path, item.audio.path);
    EXPECT_EQ(item.video.flags, item.audio.flags);
    EXPECT_EQ(item.video.filter.Get(), item.audio.filter.Get());
    EXPECT_EQ(600, item.startPosition);
}

TEST_F(AddPlayDlgTest, EditingKeepsWhatWasNotTouchedAndAChangedKindStartsClean)
{
    PlayItem stored;
    stored.type = kPlayTimed;
    stored.name = "Morning";
    stored.video.name = L"Rvx Test Capture #2";
    stored.video.path = L"Rvx Test Capture #2";
    stored.video.flags = 3;
    stored.scheduledStart = 1700003600;
    stored.startPosition = 100;
    stored.duration = 3723;
    stored.playCount = 4;
    stored.reserved = 9;

    // Untouched: nothing is probed, the device is bound again, the times come back as they
    // went in (spans as plain hours, minutes and seconds).
    {
        DrivenAddPlay dlg(&m_context, m_window.Handle());
        dlg.SetItem(stored);
        std::wstring video, count;
        bool startEnabled = false, startEnabledSequential = true;
        dlg.driver = [&](DrivenAddPlay& d) {
            video = Text(d.m_hWnd, IDC_ADD_PLAY_VIDEO);
            count = Text(d.m_hWnd, IDC_ADD_PLAY_COUNT);
            startEnabled = d.Enabled(IDC_ADD_PLAY_START);
            ChooseType(d, kPlaySequential);
            startEnabledSequential = d.Enabled(IDC_ADD_PLAY_START);
            ChooseType(d, kPlayTimed);
            d.Command(IDOK);
        };
        ASSERT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(L"Rvx Test Capture #2", video);
        EXPECT_EQ(L"4", count);
        EXPECT_TRUE(startEnabled);
        EXPECT_FALSE(startEnabledSequential);
        EXPECT_TRUE(m_window.sent.empty());
        PlayItem item = stored;
        dlg.GetItem(item);
        EXPECT_EQ(static_cast<DWORD>(kPlayTimed), item.type);
        EXPECT_EQ(1700003600u, item.scheduledStart);
        EXPECT_EQ(100, item.startPosition);
        EXPECT_EQ(3723, item.duration);
        EXPECT_EQ(4, item.playCount);
        EXPECT_EQ(9, item.reserved);
        EXPECT_EQ(3u, item.video.flags);
        EXPECT_TRUE(item.video.filter);
        EXPECT_EQ(0u, item.audio.flags);
    }
    // The device replaced by a file: nothing of the device is left in the descriptor.
    {
        m_window.probeSeconds = 7200;
        DrivenAddPlay dlg(&m_context, m_window.Handle());
        dlg.SetItem(stored);
        dlg.driver = [&](DrivenAddPlay& d) {
            m_seams.nextFiles = {m_clip};
            Choose(d, IDC_ADD_PLAY_VIDEO, L"File Source...");
            d.Command(IDOK);
        };
        ASSERT_EQ(IDOK, dlg.DoModal());
        PlayItem item;
        dlg.GetItem(item);
        EXPECT_STREQ(m_clip.c_str(), item.video.name);
        EXPECT_TRUE(item.video.path.IsEmpty());
        EXPECT_EQ(1u, item.video.flags);
        EXPECT_FALSE(item.video.filter);
        EXPECT_EQ(7200, item.duration);
    }
}

TEST_F(AddPlayDlgTest, StartPositionsStopAtWhatAPlayMessageCarries)
{
    DrivenAddPlay dlg(&m_context, m_window.Handle());
    LONG shown = -1;
    dlg.driver = [&](DrivenAddPlay& d) {
        Fill(d, L"Long", L"1");
        SetSpanField(Picker(d, IDC_ADD_PLAY_POSITION), 72000); // 20:00:00
        shown = GetSpanField(Picker(d, IDC_ADD_PLAY_POSITION));
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    PlayItem item;
    dlg.GetItem(item);
    EXPECT_LE(shown, CAddPlayDlg::kLongestStartPosition);
    EXPECT_LE(item.startPosition, CAddPlayDlg::kLongestStartPosition);
}

TEST_F(AddPlayDlgTest, SpansGoInAndComeBackAsPlainSeconds)
{
    DrivenAddPlay dlg(&m_context, m_window.Handle());
    std::vector<LONG> back;
    dlg.driver = [&](DrivenAddPlay& d) {
        for (LONG seconds : {0L, 1L, 59L, 3600L, 3723L, 86399L}) {
            SetSpanField(Picker(d, IDC_ADD_PLAY_DURATION), seconds);
            back.push_back(GetSpanField(Picker(d, IDC_ADD_PLAY_DURATION)));
        }
        d.Command(IDCANCEL);
    };
    dlg.DoModal();
    EXPECT_EQ((std::vector<LONG>{0, 1, 59, 3600, 3723, 86399}), back);
}

TEST_F(AddPlayDlgTest, ACaptionNeedsANameAnExistingPageAndADuration)
{
    const std::wstring page = TempFile(L"rvx_add_char_page.rxf");
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring folderPath(folder);
    folderPath.pop_back();
    struct Case {
        const wchar_t* name;
        std::wstring file;
        LONG duration;
        const wchar_t* message;
    };
    const Case cases[] = {
        {L"", page, 10, L"错误|请输入节目名称"},
        {L"Title", L"", 10, L"错误|请选择适当的文件"},
        {L"Title", L"C:\\no such folder\\a.rxf", 10, L"错误|请选择适当的文件"},
        {L"Title", folderPath, 10, L"错误|请选择适当的文件"},
        {L"Title", page, 0, L"错误|显示时长不能为0"},
        {L"Title", page, 10, L""},
    };
    for (const Case& c : cases) {
        m_seams.boxes.clear();
        DrivenAddChar dlg;
        bool open = false;
        dlg.driver = [&](DrivenAddChar& d) {
            ::SetDlgItemTextW(d.m_hWnd, IDC_ADD_CHAR_NAME, c.name);
            ::SetDlgItemTextW(d.m_hWnd, IDC_ADD_CHAR_FILE, c.file.c_str());
            SetSpanField(Picker(d, IDC_ADD_CHAR_DURATION), c.duration);
            d.Command(IDOK);
            open = d.IsOpen();
        };
        const INT_PTR result = dlg.DoModal();
        const std::string label = Narrow(c.name) + "/" + Narrow(c.file.c_str());
        if (*c.message) {
            EXPECT_TRUE(open) << label;
            ASSERT_EQ(1u, m_seams.boxes.size()) << label;
            EXPECT_EQ(c.message, m_seams.boxes[0]) << label;
        } else {
            ASSERT_EQ(IDOK, result) << label;
            CaptionItem caption;
            caption.enabled = 0;
            dlg.GetItem(caption);
            EXPECT_STREQ("Title", caption.name);
            EXPECT_STREQ(page.c_str(), FromAnsi(caption.pagePath));
            EXPECT_EQ(10, caption.displayDuration);
            EXPECT_EQ(0, caption.enabled);
        }
    }
    DeleteFileW(page.c_str());
}

TEST_F(AddPlayDlgTest, ACaptionPageIsBrowsedForAndAnEditedCaptionKeepsItsTimes)
{
    const std::wstring page = TempFile(L"rvx_add_char_browse.rxf");
    CaptionItem stored;
    stored.name = "Lower third";
    stored.pagePath = "c:\\old.rxf";
    stored.displayTime = 1700007200;
    stored.displayDuration = 45;
    DrivenAddChar dlg;
    dlg.SetItem(stored);
    std::wstring name, file;
    __time64_t shownTime = 0;
    dlg.driver = [&](DrivenAddChar& d) {
        m_seams.nextFiles = {page};
        d.Command(IDC_ADD_CHAR_BROWSE);
        name = Text(d.m_hWnd, IDC_ADD_CHAR_NAME);
        file = Text(d.m_hWnd, IDC_ADD_CHAR_FILE);
        shownTime = GetMomentField(Picker(d, IDC_ADD_CHAR_TIME));
        SavePng(CaptureScreen(d.m_hWnd), L"add_caption_dialog.png");
        d.Command(IDOK);
    };
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(L"Lower third", name);
    EXPECT_EQ(page, file);
    EXPECT_EQ(1700007200, shownTime);
    ASSERT_EQ(1u, m_seams.files.size());
    EXPECT_EQ(L"飞幕文件(*.rxf)|*.rxf||", m_seams.files[0].filter);
    CaptionItem caption;
    dlg.GetItem(caption);
    EXPECT_EQ(1700007200u, caption.displayTime);
    EXPECT_EQ(45, caption.displayDuration);
    EXPECT_STREQ(page.c_str(), FromAnsi(caption.pagePath));
    DeleteFileW(page.c_str());
}

} // namespace
