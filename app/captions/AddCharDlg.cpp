#include "app/captions/AddCharDlg.h"

#include <afxdlgs.h>
#include <atltime.h>

#include "app/captions/PlayoutTimeFields.h"
#include "app/foundation/AppHelpers.h"

namespace {

const UINT kErrorCaption = 106;
const UINT kPageFilter = 143;
const UINT kNoName = 280;
const UINT kNoFile = 288;
const UINT kNoDuration = 294;

// Within the file format's 259 bytes even when every character takes two.
const int kLongestName = 129;

// A page the playout list can keep: an existing file whose path survives the ANSI code page
// within the file format's string limit.
bool IsUsablePage(const CString& path)
{
    if (path.IsEmpty())
        return false;
    const CStringA stored = ToAnsi(path);
    if (stored.GetLength() > kPlayoutStringMax)
        return false;
    const DWORD attributes = ::GetFileAttributesW(FromAnsi(stored));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

BEGIN_MESSAGE_MAP(CAddCharDlg, CDialog)
    ON_BN_CLICKED(IDC_ADD_CHAR_BROWSE, OnBrowse)
END_MESSAGE_MAP()

CAddCharDlg::CAddCharDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CAddCharDlg::SetItem(const CaptionItem& item)
{
    m_name = FromAnsi(item.name);
    m_file = FromAnsi(item.pagePath);
    m_displayTime = item.displayTime;
    m_displayDuration = item.displayDuration;
}

void CAddCharDlg::GetItem(CaptionItem& item) const
{
    item.name = ToAnsi(m_name);
    item.pagePath = ToAnsi(m_file);
    item.displayTime = static_cast<DWORD>(m_displayTime);
    item.displayDuration = static_cast<LONG>(m_displayDuration);
}

void CAddCharDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_ADD_CHAR_NAME, m_name);
    DDX_Text(pDX, IDC_ADD_CHAR_FILE, m_file);
}

BOOL CAddCharDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SendDlgItemMessageW(m_hWnd, IDC_ADD_CHAR_NAME, EM_LIMITTEXT, kLongestName, 0);
    InitMomentField(GetDlgItem(IDC_ADD_CHAR_TIME)->m_hWnd);
    InitSpanField(GetDlgItem(IDC_ADD_CHAR_DURATION)->m_hWnd);
    ShowTimes();
    return TRUE;
}

void CAddCharDlg::ShowTimes()
{
    SetMomentField(GetDlgItem(IDC_ADD_CHAR_TIME)->m_hWnd,
                   m_displayTime ? m_displayTime : CTime::GetCurrentTime().GetTime());
    SetSpanField(GetDlgItem(IDC_ADD_CHAR_DURATION)->m_hWnd, static_cast<LONG>(m_displayDuration));
}

void CAddCharDlg::ReadTimes()
{
    m_displayTime = GetMomentField(GetDlgItem(IDC_ADD_CHAR_TIME)->m_hWnd);
    m_displayDuration = GetSpanField(GetDlgItem(IDC_ADD_CHAR_DURATION)->m_hWnd);
}

void CAddCharDlg::OnBrowse()
{
    UpdateData(TRUE);
    ReadTimes();
    CString filter;
    filter.LoadString(kPageFilter);
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_HIDEREADONLY, filter, this);
    if (dialog.DoModal() != IDOK)
        return;
    m_file = dialog.GetPathName();
    UpdateData(FALSE);
    ShowTimes();
}

void CAddCharDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_name.IsEmpty()) {
        AppMessageBox(m_hWnd, kNoName, kErrorCaption, MB_OK | MB_ICONERROR);
        GotoDlgCtrl(GetDlgItem(IDC_ADD_CHAR_NAME));
        return;
    }
    if (!IsUsablePage(m_file)) {
        AppMessageBox(m_hWnd, kNoFile, kErrorCaption, MB_OK | MB_ICONERROR);
        GotoDlgCtrl(GetDlgItem(IDC_ADD_CHAR_FILE));
        return;
    }
    ReadTimes();
    if (m_displayDuration == 0) {
        AppMessageBox(m_hWnd, kNoDuration, kErrorCaption, MB_OK | MB_ICONERROR);
        GotoDlgCtrl(GetDlgItem(IDC_ADD_CHAR_DURATION));
        return;
    }
    EndDialog(IDOK);
}
