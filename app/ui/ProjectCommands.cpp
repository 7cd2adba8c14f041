#include "app/ui/ProjectCommands.h"

#include "app/foundation/AppHelpers.h"

#include <afxdlgs.h>

namespace {

const UINT kIdsProjectFailed = 307;
const UINT kIdsErrorCaption = 106;

void ReportFailure(HWND owner)
{
    AppMessageBox(owner, kIdsProjectFailed, kIdsErrorCaption, MB_OK | MB_ICONERROR);
}

} // namespace

const wchar_t CProjectCommands::kDefaultExtension[] = L"rvp";
const wchar_t CProjectCommands::kFilter[] = L"Ravelmixer Project Files(*.rvp)|*.rvp||";

CString CProjectCommands::AskPath(BOOL open, CWnd* owner) const
{
    const DWORD flags = open ? OFN_HIDEREADONLY | OFN_FILEMUSTEXIST : OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    CFileDialog dialog(open, kDefaultExtension, open ? nullptr : m_path.GetString(), flags, kFilter, owner);
    if (dialog.DoModal() != IDOK)
        return CString();
    return dialog.GetPathName();
}

BOOL CProjectCommands::OnOpen(CWnd* owner)
{
    const CString path = AskPath(TRUE, owner);
    return !path.IsEmpty() && OpenPath(path, owner ? owner->GetSafeHwnd() : nullptr);
}

BOOL CProjectCommands::OnSave(CWnd* owner)
{
    if (m_path.IsEmpty()) {
        const CString path = AskPath(FALSE, owner);
        if (path.IsEmpty())
            return FALSE;
        m_path = path;
    }
    return SavePath(m_path, owner ? owner->GetSafeHwnd() : nullptr);
}

BOOL CProjectCommands::OnSaveAs(CWnd* owner)
{
    const CString path = AskPath(FALSE, owner);
    if (path.IsEmpty())
        return FALSE;
    m_path = path;
    return SavePath(m_path, owner ? owner->GetSafeHwnd() : nullptr);
}

BOOL CProjectCommands::OpenPath(LPCWSTR path, HWND owner)
{
    ProjectRecord record;
    switch (CProjectFile::LoadFromFile(path, m_host.GetProjectLayout(), record)) {
    case CProjectFile::kNotOpened:
        return FALSE;
    case CProjectFile::kFailed:
        ReportFailure(owner);
        return FALSE;
    case CProjectFile::kOk:
        break;
    }
    m_host.ApplyProject(record);
    m_path = path;
    return TRUE;
}

BOOL CProjectCommands::SavePath(LPCWSTR path, HWND owner)
{
    ProjectRecord record;
    m_host.CaptureProject(record);
    if (CProjectFile::SaveToFile(path, record) != CProjectFile::kOk) {
        ReportFailure(owner);
        return FALSE;
    }
    return TRUE;
}
