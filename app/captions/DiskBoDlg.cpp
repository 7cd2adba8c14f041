#include "app/captions/DiskBoDlg.h"

#include <afxdlgs.h>
#include <atltime.h>

#include <algorithm>

#include "app/captions/AddCharDlg.h"
#include "app/captions/AddPlayDlg.h"
#include "app/foundation/AppHelpers.h"

namespace {

const UINT kErrorCaption = 106;
const UINT kPromptCaption = 141;
const UINT kSavePrompt = 142;
const UINT kLoadFailed = 144;
const UINT kFileFailed = 253;
const UINT kLogFilter = 269;
const UINT kTypeTexts = 270;
const UINT kLogStart = 290;
const UINT kLogStop = 291;
const UINT kUntitled = 298;
const UINT kPlayoutFilter = 299;
const UINT kCloseWhileRunning = 309;

const DWORD kListStyles = LVS_EX_GRIDLINES | LVS_EX_TRACKSELECT | LVS_EX_FULLROWSELECT;
const UINT kSecond = 1000;

enum { kProgrammeMenu = 4, kCaptionMenu = 5, kLogMenu = 6 };

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

CString Moment(DWORD time)
{
    return time ? CTime(static_cast<__time64_t>(time)).Format(L"%Y-%m-%d %H:%M:%S") : CString();
}

CString Span(LONG seconds)
{
    return CTimeSpan(static_cast<__time64_t>(seconds)).Format(L"%H:%M:%S");
}

__time64_t Now()
{
    return CTime::GetCurrentTime().GetTime();
}

struct Column {
    UINT textId;
    int width;
    int format;
};

void AddColumns(CListCtrl& list, std::initializer_list<Column> columns)
{
    list.SetExtendedStyle(list.GetExtendedStyle() | kListStyles);
    int index = 0;
    for (const Column& column : columns)
        list.InsertColumn(index++, LoadText(column.textId), column.format, column.width);
}

} // namespace

BEGIN_MESSAGE_MAP(CDiskBoDlg, CDialog)
    ON_BN_CLICKED(IDC_DISKBO_START, OnStart)
    ON_BN_CLICKED(IDC_DISKBO_STOP, OnStop)
    ON_BN_CLICKED(IDC_DISKBO_LOAD, OnLoad)
    ON_BN_CLICKED(IDC_DISKBO_SAVE, OnSave)
    ON_WM_TIMER()
    ON_WM_CLOSE()
    ON_NOTIFY(NM_RCLICK, IDC_DISKBO_PROGRAMMES, OnListRightClick)
    ON_NOTIFY(NM_RCLICK, IDC_DISKBO_CAPTIONS, OnListRightClick)
    ON_NOTIFY(NM_RCLICK, IDC_DISKBO_LOG, OnListRightClick)
    ON_NOTIFY(NM_DBLCLK, IDC_DISKBO_PROGRAMMES, OnProgrammeDoubleClick)
    ON_NOTIFY(NM_DBLCLK, IDC_DISKBO_CAPTIONS, OnCaptionDoubleClick)
    ON_NOTIFY(LVN_KEYDOWN, IDC_DISKBO_PROGRAMMES, OnListKeyDown)
    ON_NOTIFY(LVN_KEYDOWN, IDC_DISKBO_CAPTIONS, OnListKeyDown)
    ON_COMMAND(ID_PLAYOUT_ADD_PROGRAMME, OnAddProgramme)
    ON_COMMAND(ID_PLAYOUT_EDIT_PROGRAMME, OnEditProgramme)
    ON_COMMAND(ID_PLAYOUT_DELETE_PROGRAMMES, OnDeleteProgrammes)
    ON_COMMAND(ID_PLAYOUT_DELETE_ALL_PROGRAMMES, OnDeleteAllProgrammes)
    ON_COMMAND(ID_PLAYOUT_ADD_CAPTION, OnAddCaption)
    ON_COMMAND(ID_PLAYOUT_EDIT_CAPTION, OnEditCaption)
    ON_COMMAND(ID_PLAYOUT_DELETE_CAPTIONS, OnDeleteCaptions)
    ON_COMMAND(ID_PLAYOUT_DELETE_ALL_CAPTIONS, OnDeleteAllCaptions)
    ON_COMMAND(ID_PLAYOUT_EXPORT_LOG, OnExportLog)
    ON_COMMAND(ID_PLAYOUT_CLEAR_LOG, OnClearLog)
END_MESSAGE_MAP()

CDiskBoDlg::CDiskBoDlg(void* context, HWND mainWindow)
    : CDialog(IDD), m_context(context), m_programmes(m_lists.queue, m_target), m_captions(m_lists.captions, m_target)
{
    m_target.mainWindow = mainWindow;
    m_target.log = [this](const CString& text) { Log(text); };
}

CDiskBoDlg::~CDiskBoDlg()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

BOOL CDiskBoDlg::Create(CWnd* parent)
{
    return CDialog::Create(IDD, parent);
}

void CDiskBoDlg::ShowCentred()
{
    if (m_hWnd == nullptr || IsWindowVisible())
        return;
    CenterWindow();
    ShowWindow(SW_SHOW);
}

BOOL CDiskBoDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_programmeList.SubclassDlgItem(IDC_DISKBO_PROGRAMMES, this);
    m_captionList.SubclassDlgItem(IDC_DISKBO_CAPTIONS, this);
    m_logList.SubclassDlgItem(IDC_DISKBO_LOG, this);
    AddColumns(m_programmeList, {{273, 80, LVCFMT_LEFT},
                                 {276, 80, LVCFMT_LEFT},
                                 {274, 100, LVCFMT_LEFT},
                                 {275, 100, LVCFMT_LEFT},
                                 {281, 50, LVCFMT_RIGHT},
                                 {277, 100, LVCFMT_LEFT},
                                 {278, 100, LVCFMT_LEFT},
                                 {279, 100, LVCFMT_LEFT}});
    AddColumns(m_captionList, {{284, 80, LVCFMT_LEFT},
                               {285, 180, LVCFMT_LEFT},
                               {286, 100, LVCFMT_LEFT},
                               {287, 100, LVCFMT_LEFT}});
    AddColumns(m_logList, {{289, 280, LVCFMT_LEFT}});
    RefreshLists();
    EnableEditing(true);
    return TRUE;
}

void CDiskBoDlg::OnOK()
{
    // Enter in a list does not close the playout.
}

void CDiskBoDlg::OnCancel()
{
    OnClose();
}

void CDiskBoDlg::Log(const CString& text)
{
    if (m_logList.m_hWnd == nullptr)
        return;
    CString row;
    row.Format(L"[%s]: %s", CTime::GetCurrentTime().Format(L"%H:%M:%S").GetString(), text.GetString());
    m_logList.InsertItem(m_logList.GetItemCount(), row);
}

std::vector<CString> CDiskBoDlg::GetLogRows() const
{
    std::vector<CString> rows;
    for (int i = 0; i < m_logList.GetItemCount(); ++i)
        rows.push_back(m_logList.GetItemText(i, 0));
    return rows;
}

void CDiskBoDlg::FillProgrammeRow(int row, const PlayItem& item)
{
    CString count;
    count.Format(L"%d", item.playCount);
    m_programmeList.SetItemText(row, 0, FromAnsi(item.name));
    m_programmeList.SetItemText(row, 1, LoadText(kTypeTexts + std::min<DWORD>(item.type, kPlayInsert)));
    m_programmeList.SetItemData(row, item.type);
    m_programmeList.SetItemText(row, 2, item.video.name);
    m_programmeList.SetItemText(row, 3, item.audio.name);
    m_programmeList.SetItemText(row, 4, count);
    m_programmeList.SetItemText(row, 5, Moment(item.scheduledStart));
    m_programmeList.SetItemText(row, 6, Span(item.duration));
    m_programmeList.SetItemText(row, 7, Span(item.startPosition));
}

void CDiskBoDlg::FillCaptionRow(int row, const CaptionItem& caption)
{
    m_captionList.SetItemText(row, 0, FromAnsi(caption.name));
    m_captionList.SetItemText(row, 1, FromAnsi(caption.pagePath));
    m_captionList.SetItemText(row, 2, Moment(caption.displayTime));
    m_captionList.SetItemText(row, 3, Span(caption.displayDuration));
}

void CDiskBoDlg::RefreshLists()
{
    m_programmeList.DeleteAllItems();
    for (int i = 0; i < m_lists.queue.GetCount(); ++i) {
        m_programmeList.InsertItem(i, L"");
        FillProgrammeRow(i, *m_lists.queue.At(i));
    }
    m_captionList.DeleteAllItems();
    for (int i = 0; i < static_cast<int>(m_lists.captions.size()); ++i) {
        m_captionList.InsertItem(i, L"");
        FillCaptionRow(i, m_lists.captions[static_cast<size_t>(i)]);
    }
}

void CDiskBoDlg::EnableEditing(bool enable)
{
    for (UINT id : {IDC_DISKBO_START, IDC_DISKBO_LOAD, IDC_DISKBO_SAVE, IDC_DISKBO_PROGRAMMES, IDC_DISKBO_CAPTIONS})
        GetDlgItem(id)->EnableWindow(enable);
    GetDlgItem(IDC_DISKBO_STOP)->EnableWindow(!enable);
}

void CDiskBoDlg::OnStart()
{
    if (m_running || m_lists.queue.GetCount() == 0)
        return;
    m_running = true;
    Log(LoadText(kLogStart));
    const __time64_t now = Now();
    m_inPass = true;
    m_programmes.Start(now);
    m_lastProgrammePass = now;
    SetTimer(kProgrammeTimer, kSecond, nullptr);
    if (!m_lists.captions.empty()) {
        m_captions.Start(now);
        m_lastCaptionPass = now;
        SetTimer(kCaptionTimer, kSecond, nullptr);
    }
    EnableEditing(false);
    EndPass();
}

void CDiskBoDlg::EndPass()
{
    m_inPass = false;
    if (m_stopAsked) {
        m_stopAsked = false;
        OnStop();
    }
}

void CDiskBoDlg::OnStop()
{
    if (!m_running)
        return;
    if (m_inPass) {
        // Asked from inside a pass (while a message box waits): the pass finishes first, on
        // the slots it started with.
        m_stopAsked = true;
        return;
    }
    m_running = false;
    KillTimer(kCaptionTimer);
    KillTimer(kProgrammeTimer);
    m_captions.Stop();
    m_programmes.Stop();
    Log(LoadText(kLogStop));
    EnableEditing(true);
}

void CDiskBoDlg::OnTimer(UINT_PTR id)
{
    // A pass that waits in the main window (its message box over a programme that failed to
    // load) lets timers through. They start no pass inside it: one would work on the slots the
    // waiting pass is still filling, and could open another box on top of the first. The pass
    // after it catches up, as items are due from their time on.
    if (!m_running || m_inPass)
        return;
    m_inPass = true;
    const __time64_t now = Now();
    if (id == kCaptionTimer && now != m_lastCaptionPass) {
        m_lastCaptionPass = now;
        m_captions.Pass(now);
    } else if (id == kProgrammeTimer && now != m_lastProgrammePass) {
        m_lastProgrammePass = now;
        m_programmes.Pass(now);
    }
    EndPass();
}

void CDiskBoDlg::OnClose()
{
    if (m_running) {
        if (AppMessageBox(m_hWnd, kCloseWhileRunning, kPromptCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        OnStop();
    }
    if (!ConfirmDiscard())
        return;
    ShowWindow(SW_HIDE);
}

bool CDiskBoDlg::Save()
{
    CString path = m_filePath;
    if (path.IsEmpty()) {
        CFileDialog dialog(FALSE, L"rxb", LoadText(kUntitled), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                           LoadText(kPlayoutFilter), this);
        if (dialog.DoModal() != IDOK)
            return false;
        path = dialog.GetPathName();
    }
    if (!SavePlayoutFile(path, m_lists)) {
        // Unsaved lists stay marked as changed, so closing still asks.
        CString text;
        text.Format(LoadText(kFileFailed), path.GetString());
        AppMessageBoxText(m_hWnd, text, kErrorCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    m_filePath = path;
    m_modified = false;
    return true;
}

bool CDiskBoDlg::ConfirmDiscard()
{
    if (!m_modified)
        return true;
    CString name = LoadText(kUntitled);
    if (!m_filePath.IsEmpty())
        name = m_filePath.Mid(m_filePath.ReverseFind(L'\\') + 1);
    CString text;
    text.Format(LoadText(kSavePrompt), name.GetString());
    switch (AppMessageBoxText(m_hWnd, text, kPromptCaption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        // A save that was cancelled or failed stops the caller: nothing is lost unasked.
        return Save();
    case IDNO:
        m_modified = false;
        return true;
    default:
        return false;
    }
}

void CDiskBoDlg::OnSave()
{
    if (!m_running)
        Save();
}

void CDiskBoDlg::OnLoad()
{
    if (m_running || !ConfirmDiscard())
        return;
    CFileDialog dialog(TRUE, L"rxb", nullptr, OFN_EXPLORER | OFN_HIDEREADONLY, LoadText(kPlayoutFilter), this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    if (!LoadPlayoutFile(path, m_lists)) {
        AppMessageBox(m_hWnd, kLoadFailed, kPromptCaption, MB_OK);
        return;
    }
    m_filePath = path;
    m_modified = false;
    RefreshLists();
    m_logList.DeleteAllItems();
}

std::vector<int> CDiskBoDlg::SelectedRows(CListCtrl& list) const
{
    std::vector<int> rows;
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

void CDiskBoDlg::OnListRightClick(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const int menuIndex = header->idFrom == IDC_DISKBO_PROGRAMMES ? kProgrammeMenu
                          : header->idFrom == IDC_DISKBO_CAPTIONS ? kCaptionMenu
                                                                  : kLogMenu;
    if (m_running && menuIndex != kLogMenu)
        return;
    CMenu menu;
    if (!menu.LoadMenu(IDR_DISKBO_MENUS))
        return;
    CMenu* popup = menu.GetSubMenu(menuIndex);
    if (!popup)
        return;
    POINT at = {};
    ::GetCursorPos(&at);
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, this);
}

void CDiskBoDlg::OnProgrammeDoubleClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    OnEditProgramme();
}

void CDiskBoDlg::OnCaptionDoubleClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    OnEditCaption();
}

void CDiskBoDlg::OnListKeyDown(NMHDR* header, LRESULT* result)
{
    *result = 0;
    if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey != VK_DELETE)
        return;
    if (header->idFrom == IDC_DISKBO_PROGRAMMES)
        OnDeleteProgrammes();
    else
        OnDeleteCaptions();
}

void CDiskBoDlg::OnAddProgramme()
{
    if (m_running)
        return;
    CAddPlayDlg dialog(m_context, m_target.mainWindow, this);
    if (dialog.DoModal() != IDOK)
        return;
    PlayItem item;
    dialog.GetItem(item);
    const int index = m_lists.queue.Add(item);
    m_programmeList.InsertItem(index, L"");
    FillProgrammeRow(index, item);
    m_modified = true;
}

void CDiskBoDlg::OnEditProgramme()
{
    const std::vector<int> rows = SelectedRows(m_programmeList);
    PlayItem item;
    if (m_running || rows.empty() || !m_lists.queue.Get(rows.front(), item))
        return;
    CAddPlayDlg dialog(m_context, m_target.mainWindow, this);
    dialog.SetItem(item);
    if (dialog.DoModal() != IDOK)
        return;
    dialog.GetItem(item);
    m_lists.queue.Replace(rows.front(), item);
    FillProgrammeRow(rows.front(), item);
    m_modified = true;
}

void CDiskBoDlg::OnDeleteProgrammes()
{
    const std::vector<int> rows = SelectedRows(m_programmeList);
    if (m_running || rows.empty())
        return;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        m_lists.queue.Remove(*row);
        m_programmeList.DeleteItem(*row);
    }
    m_modified = true;
}

void CDiskBoDlg::OnDeleteAllProgrammes()
{
    if (m_running)
        return;
    m_lists.queue.Clear();
    m_programmeList.DeleteAllItems();
    m_modified = true;
}

void CDiskBoDlg::OnAddCaption()
{
    if (m_running)
        return;
    CAddCharDlg dialog(this);
    if (dialog.DoModal() != IDOK)
        return;
    CaptionItem caption;
    dialog.GetItem(caption);
    m_lists.captions.push_back(caption);
    const int row = static_cast<int>(m_lists.captions.size()) - 1;
    m_captionList.InsertItem(row, L"");
    FillCaptionRow(row, caption);
    m_modified = true;
}

void CDiskBoDlg::OnEditCaption()
{
    const std::vector<int> rows = SelectedRows(m_captionList);
    if (m_running || rows.empty() || rows.front() >= static_cast<int>(m_lists.captions.size()))
        return;
    CaptionItem& caption = m_lists.captions[static_cast<size_t>(rows.front())];
    CAddCharDlg dialog(this);
    dialog.SetItem(caption);
    if (dialog.DoModal() != IDOK)
        return;
    dialog.GetItem(caption);
    FillCaptionRow(rows.front(), caption);
    m_modified = true;
}

void CDiskBoDlg::OnDeleteCaptions()
{
    const std::vector<int> rows = SelectedRows(m_captionList);
    if (m_running || rows.empty())
        return;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (*row < static_cast<int>(m_lists.captions.size()))
            m_lists.captions.erase(m_lists.captions.begin() + *row);
        m_captionList.DeleteItem(*row);
    }
    m_modified = true;
}

void CDiskBoDlg::OnDeleteAllCaptions()
{
    if (m_running)
        return;
    m_lists.captions.clear();
    m_captionList.DeleteAllItems();
    m_modified = true;
}

void CDiskBoDlg::OnExportLog()
{
    CFileDialog dialog(FALSE, L"txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LoadText(kLogFilter), this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    if (!ExportLogFile(path, GetLogRows())) {
        CString text;
        text.Format(LoadText(kFileFailed), path.GetString());
        AppMessageBoxText(m_hWnd, text, kErrorCaption, MB_OK | MB_ICONERROR);
    }
}

void CDiskBoDlg::OnClearLog()
{
    m_logList.DeleteAllItems();
}
