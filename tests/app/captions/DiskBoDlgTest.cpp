// The playout dialog on a real window under Xvfb, on a clock the test sets: a playout list
// loaded through the file dialog, run by its timers against a recording stand-in of the main
// window, stopped, saved, reloaded, closed; the log and its export.
#include "app/captions/DiskBoDlg.h"

#include <afxdlgs.h>
#include <atltime.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/captions/RecordingMainWindow.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

const __time64_t T0 = 1700000000;
__time64_t g_clock = T0;

__time64_t TestClock()
{
    return g_clock;
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::string ReadAll(const std::wstring& path)
{
    std::string bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back(static_cast<char>(c));
    fclose(f);
    return bytes;
}

PlayItem Programme(DWORD type, const char* name, __time64_t start, LONG duration)
{
    PlayItem item;
    item.type = type;
    item.name = name;
    item.video.name = CString(L"C:\\media\\") + CString(name) + L".avi";
    item.video.flags = SourceDescriptor::kNamed;
    item.scheduledStart = start ? static_cast<DWORD>(T0 + start) : 0;
    item.duration = duration;
    return item;
}

class DiskBoDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_clock = T0;
        m_previousClock = CTime::SetTimeSource(&TestClock);
        m_window.origin = T0;
        m_window.clock = [] { return g_clock; };
        // A playout list: one sequential programme, one insert, one caption.
        PlayoutList lists;
        lists.queue.Add(Programme(kPlaySequential, "A", 0, 10));
        lists.queue.Add(Programme(kPlayInsert, "I", 30, 5));
        CaptionItem caption;
        caption.name = "C";
        caption.pagePath = "c.rxf";
        caption.displayTime = static_cast<DWORD>(T0 + 12);
        caption.displayDuration = 3;
        lists.captions.push_back(caption);
        m_listPath = TempPath(L"rvx_diskbo_test.rxb");
        ASSERT_TRUE(SavePlayoutFile(m_listPath.c_str(), lists));

        m_dialog.reset(new CDiskBoDlg(&m_context, m_window.Handle()));
        ASSERT_TRUE(m_dialog->Create(nullptr));
        m_dialog->ShowCentred();
    }
    void TearDown() override
    {
        m_dialog.reset();
        CTime::SetTimeSource(m_previousClock);
        DeleteFileW(m_listPath.c_str());
    }

    void Command(UINT id)
    {
        m_dialog->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                              reinterpret_cast<LPARAM>(::GetDlgItem(m_dialog->m_hWnd, id)));
    }
    void Load(const std::wstring& path)
    {
        m_seams.nextFiles = {path};
        Command(IDC_DISKBO_LOAD);
        m_seams.nextFiles.clear();
    }
    // Both timers of one second, the programme scheduler's first.
    void Tick(__time64_t second)
    {
        g_clock = T0 + second;
        m_dialog->SendMessage(WM_TIMER, CDiskBoDlg::kProgrammeTimer);
        m_dialog->SendMessage(WM_TIMER, CDiskBoDlg::kCaptionTimer);
    }
    std::wstring Cell(UINT listId, int row, int column)
    {
        wchar_t text[256] = {};
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendMessageW(::GetDlgItem(m_dialog->m_hWnd, listId), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    int Rows(UINT listId)
    {
        return static_cast<int>(::SendMessageW(::GetDlgItem(m_dialog->m_hWnd, listId), LVM_GETITEMCOUNT, 0, 0));
    }
    void SelectRow(UINT listId, int row)
    {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        ::SendMessageW(::GetDlgItem(m_dialog->m_hWnd, listId), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    void PressDelete(UINT listId)
    {
        NMLVKEYDOWN key = {};
        key.hdr.hwndFrom = ::GetDlgItem(m_dialog->m_hWnd, listId);
        key.hdr.idFrom = listId;
        key.hdr.code = LVN_KEYDOWN;
        key.wVKey = VK_DELETE;
        m_dialog->SendMessage(WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&key));
    }
    bool Enabled(UINT id) { return ::IsWindowEnabled(::GetDlgItem(m_dialog->m_hWnd, id)) != FALSE; }

    int m_context = 0;
    CRecordingMainWindow m_window;
    std::unique_ptr<CDiskBoDlg> m_dialog;
    std::wstring m_listPath;
    CDialogSeams m_seams;
    CTime::TimeSource m_previousClock = nullptr;
};

TEST_F(DiskBoDlgTest, ALoadedListRunsOnItsTimersAndStops)
{
    Load(m_listPath);
    ASSERT_EQ(1u, m_seams.files.size());
    EXPECT_TRUE(m_seams.files[0].open);
    EXPECT_EQ(L"rxb", m_seams.files[0].defaultExtension);
    EXPECT_EQ(L"RXB文件|*.rxb||", m_seams.files[0].filter);
    EXPECT_TRUE(m_seams.files[0].flags & OFN_HIDEREADONLY);
    EXPECT_EQ(m_listPath, std::wstring(m_dialog->GetFilePath()));
    EXPECT_FALSE(m_dialog->IsModified());
    ASSERT_EQ(2, Rows(IDC_DISKBO_PROGRAMMES));
    EXPECT_EQ(L"A", Cell(IDC_DISKBO_PROGRAMMES, 0, 0));
    EXPECT_EQ(L"顺播", Cell(IDC_DISKBO_PROGRAMMES, 0, 1));
    EXPECT_EQ(L"C:\\media\\A.avi", Cell(IDC_DISKBO_PROGRAMMES, 0, 2));
    EXPECT_EQ(L"", Cell(IDC_DISKBO_PROGRAMMES, 0, 3));
    EXPECT_EQ(L"1", Cell(IDC_DISKBO_PROGRAMMES, 0, 4));
    EXPECT_EQ(L"", Cell(IDC_DISKBO_PROGRAMMES, 0, 5)); // no scheduled start
    EXPECT_EQ(L"00:00:10", Cell(IDC_DISKBO_PROGRAMMES, 0, 6));
    EXPECT_EQ(L"00:00:00", Cell(IDC_DISKBO_PROGRAMMES, 0, 7));
    EXPECT_EQ(L"插播", Cell(IDC_DISKBO_PROGRAMMES, 1, 1));
    EXPECT_EQ(std::wstring(CTime(T0 + 30).Format(L"%Y-%m-%d %H:%M:%S")), Cell(IDC_DISKBO_PROGRAMMES, 1, 5));
    EXPECT_EQ(19u, Cell(IDC_DISKBO_PROGRAMMES, 1, 5).size());
    ASSERT_EQ(1, Rows(IDC_DISKBO_CAPTIONS));
    EXPECT_EQ(L"c.rxf", Cell(IDC_DISKBO_CAPTIONS, 0, 1));
    EXPECT_EQ(L"00:00:03", Cell(IDC_DISKBO_CAPTIONS, 0, 3));
    EXPECT_FALSE(Enabled(IDC_DISKBO_STOP));

    Command(IDC_DISKBO_START);
    EXPECT_TRUE(m_dialog->IsRunning());
    EXPECT_FALSE(Enabled(IDC_DISKBO_START));
    EXPECT_FALSE(Enabled(IDC_DISKBO_LOAD));
    EXPECT_FALSE(Enabled(IDC_DISKBO_SAVE));
    EXPECT_FALSE(Enabled(IDC_DISKBO_PROGRAMMES));
    EXPECT_FALSE(Enabled(IDC_DISKBO_CAPTIONS));
    EXPECT_TRUE(Enabled(IDC_DISKBO_STOP));
    for (__time64_t s = 1; s <= 40; ++s) {
        Tick(s);
        if (s == 30)
            Tick(30); // timers that piled up behind a busy second run once
        if (s == 31)
            SavePng(CaptureScreen(m_dialog->m_hWnd), L"playout_dialog_running.png");
    }
    Command(IDC_DISKBO_STOP);
    EXPECT_FALSE(m_dialog->IsRunning());
    EXPECT_TRUE(Enabled(IDC_DISKBO_START));

    const std::vector<std::string> expected = {
        "+0 LOAD A slot=0 start=+0 pos=0 dur=10",
        "+0 PLAY slot=0 from=0",
        "+11 PLAY slot=0 from=0", // the only sequential item plays again
        "+12 SHOW 0 c.rxf",
        "+16 HIDE 0 c.rxf",
        "+20 LOAD I slot=1 start=+30 pos=0 dur=5",
        "+30 PLAY slot=1 from=0",
        "+31 LOAD A slot=0 start=+36 pos=0 dur=10",
        "+36 PLAY slot=0 from=0",
        "+40 STOP",
    };
    EXPECT_EQ(expected, m_window.sent);

    const std::vector<CString> log = m_dialog->GetLogRows();
    ASSERT_GE(log.size(), 4u);
    const CString at = CTime(T0).Format(L"%H:%M:%S");
    EXPECT_STREQ(L"[" + at + L"]: 开始播出...", log.front());
    EXPECT_STREQ(L"[" + at + L"]: 加载节目 A", log[1]);
    EXPECT_STREQ(L"[" + at + L"]: 播放节目 A", log[2]);
    EXPECT_STREQ(L"[" + CTime(T0 + 40).Format(L"%H:%M:%S") + L"]: 停止播出", log.back());

    // The log goes out as it stands; cleared, it gives an empty file.
    const std::wstring logPath = TempPath(L"rvx_diskbo_log.txt");
    m_seams.nextFiles = {logPath};
    Command(ID_PLAYOUT_EXPORT_LOG);
    std::string text;
    for (const CString& row : log)
        text += std::string(CW2A(row).c_str()) + "\r\n";
    EXPECT_EQ(text, ReadAll(logPath));
    EXPECT_FALSE(m_seams.files.back().open);
    EXPECT_EQ(L"txt", m_seams.files.back().defaultExtension);
    EXPECT_EQ(L"日志文件(*.txt)|*.txt||", m_seams.files.back().filter);
    EXPECT_TRUE(m_seams.files.back().flags & OFN_OVERWRITEPROMPT);
    Command(ID_PLAYOUT_CLEAR_LOG);
    EXPECT_TRUE(m_dialog->GetLogRows().empty());
    m_seams.nextFiles = {logPath};
    Command(ID_PLAYOUT_EXPORT_LOG);
    EXPECT_EQ("", ReadAll(logPath));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(logPath.c_str()));
    DeleteFileW(logPath.c_str());
}

TEST_F(DiskBoDlgTest, StoppingWhileCaptionsAreShownHidesThemAllWithOneMessage)
{
    Load(m_listPath);
    Command(IDC_DISKBO_START);
    for (__time64_t s = 1; s <= 13; ++s)
        Tick(s);
    Command(IDC_DISKBO_STOP);
    ASSERT_GE(m_window.sent.size(), 2u);
    EXPECT_EQ("+13 HIDE ALL", m_window.sent[m_window.sent.size() - 2]);
    EXPECT_EQ("+13 STOP", m_window.sent.back());
    // Timers after the stop do nothing.
    const size_t sent = m_window.sent.size();
    Tick(14);
    EXPECT_EQ(sent, m_window.sent.size());
}

TEST_F(DiskBoDlgTest, AnEmptyListDoesNotStart)
{
    Command(IDC_DISKBO_START);
    EXPECT_FALSE(m_dialog->IsRunning());
    EXPECT_TRUE(m_window.sent.empty());
}

TEST_F(DiskBoDlgTest, AFailedSaveIsReportedAndKeepsTheChangesMarked)
{
    Load(m_listPath);
    const std::string stored = ReadAll(m_listPath);
    SelectRow(IDC_DISKBO_PROGRAMMES, 0);
    PressDelete(IDC_DISKBO_PROGRAMMES);
    EXPECT_EQ(1, Rows(IDC_DISKBO_PROGRAMMES));
    EXPECT_EQ(1, m_dialog->GetLists().queue.GetCount());
    EXPECT_STREQ("I", m_dialog->GetLists().queue.At(0)->name);
    EXPECT_TRUE(m_dialog->IsModified());

    // Another program holds the file: the save fails, says so, and nothing is lost.
    HANDLE reader = CreateFileW(m_listPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    Command(IDC_DISKBO_SAVE);
    CloseHandle(reader);
    ASSERT_EQ(1u, m_seams.boxes.size());
    EXPECT_EQ(L"错误|文件路径：" + m_listPath + L"错误！", m_seams.boxes[0]);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), m_seams.boxTypes[0]);
    EXPECT_TRUE(m_dialog->IsModified());
    EXPECT_EQ(stored, ReadAll(m_listPath));

    // Closing asks; Cancel keeps the dialog, No lets it go without saving.
    m_seams.boxes.clear();
    m_seams.boxTypes.clear();
    m_seams.answers = {IDCANCEL};
    m_dialog->SendMessage(WM_CLOSE);
    ASSERT_EQ(1u, m_seams.boxes.size());
    EXPECT_EQ(L"提示|文件 rvx_diskbo_test.rxb 已经修改，是否要保存？", m_seams.boxes[0]);
    EXPECT_EQ(static_cast<UINT>(MB_YESNOCANCEL), m_seams.boxTypes[0] & 0xF);
    EXPECT_TRUE(m_dialog->IsWindowVisible());

    // Yes saves to the known file, now free.
    m_seams.answers = {IDYES};
    m_dialog->SendMessage(WM_CLOSE);
    EXPECT_FALSE(m_dialog->IsWindowVisible());
    EXPECT_FALSE(m_dialog->IsModified());
    PlayoutList back;
    ASSERT_TRUE(LoadPlayoutFile(m_listPath.c_str(), back));
    ASSERT_EQ(1, back.queue.GetCount());
    EXPECT_STREQ("I", back.queue.At(0)->name);
    EXPECT_EQ(1u, back.captions.size());
}

TEST_F(DiskBoDlgTest, AFileThatIsNoPlayoutListLeavesTheListsAsTheyWere)
{
    Load(m_listPath);
    std::string bytes = ReadAll(m_listPath);
    const std::wstring cutPath = TempPath(L"rvx_diskbo_cut.rxb");
    FILE* f = _wfopen(cutPath.c_str(), L"wb");
    ASSERT_NE(nullptr, f);
    fwrite(bytes.data(), 1, bytes.size() - 3, f);
    fclose(f);

    Load(cutPath);
    ASSERT_EQ(1u, m_seams.boxes.size());
    EXPECT_EQ(L"提示|导入文件失败，可能是您选择的文件的格式不正确。", m_seams.boxes[0]);
    EXPECT_EQ(2, m_dialog->GetLists().queue.GetCount());
    EXPECT_EQ(2, Rows(IDC_DISKBO_PROGRAMMES));
    EXPECT_EQ(1, Rows(IDC_DISKBO_CAPTIONS));
    EXPECT_EQ(m_listPath, std::wstring(m_dialog->GetFilePath()));

    // With changes pending, Cancel at the save question ends the load before any file dialog.
    SelectRow(IDC_DISKBO_CAPTIONS, 0);
    PressDelete(IDC_DISKBO_CAPTIONS);
    EXPECT_EQ(0, Rows(IDC_DISKBO_CAPTIONS));
    const size_t requests = m_seams.files.size();
    m_seams.answers = {IDCANCEL};
    Load(m_listPath);
    EXPECT_EQ(requests, m_seams.files.size());
    EXPECT_TRUE(m_dialog->GetLists().captions.empty());
    DeleteFileW(cutPath.c_str());
}

TEST_F(DiskBoDlgTest, ClosingWhileRunningAsksFirstAndStopsOnYes)
{
    Load(m_listPath);
    Command(IDC_DISKBO_START);
    m_seams.answers = {IDNO};
    m_dialog->SendMessage(WM_CLOSE);
    ASSERT_EQ(1u, m_seams.boxes.size());
    EXPECT_EQ(L"提示|自动播出将停止，是否要关闭？", m_seams.boxes[0]);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), m_seams.boxTypes[0]);
    EXPECT_TRUE(m_dialog->IsRunning());
    EXPECT_TRUE(m_dialog->IsWindowVisible());

    g_clock = T0 + 5;
    m_seams.answers = {IDYES};
    m_dialog->SendMessage(WM_CLOSE);
    EXPECT_FALSE(m_dialog->IsRunning());
    EXPECT_FALSE(m_dialog->IsWindowVisible());
    EXPECT_EQ("+5 STOP", m_window.sent.back());

    // Shown again by the main window's command, centred, as it was.
    m_dialog->ShowCentred();
    EXPECT_TRUE(m_dialog->IsWindowVisible());
    EXPECT_EQ(2, Rows(IDC_DISKBO_PROGRAMMES));
}

} // namespace
