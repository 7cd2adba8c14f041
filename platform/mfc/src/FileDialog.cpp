// The file dialog, behind one replaceable function.
#include <afxdlgs.h>

namespace {

BOOL SystemFileDialog(BOOL bOpenFileDialog, OPENFILENAMEW* ofn)
{
    return bOpenFileDialog ? ::GetOpenFileNameW(ofn) : ::GetSaveFileNameW(ofn);
}

AFX_FILEDIALOG_PROC& FileDialogProc()
{
    static AFX_FILEDIALOG_PROC proc = &SystemFileDialog;
    return proc;
}

} // namespace

AFX_FILEDIALOG_PROC AFXAPI AfxSetFileDialogProc(AFX_FILEDIALOG_PROC proc)
{
    AFX_FILEDIALOG_PROC previous = FileDialogProc();
    FileDialogProc() = proc ? std::move(proc) : AFX_FILEDIALOG_PROC(&SystemFileDialog);
    return previous;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCWSTR defExt, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* pParentWnd)
    : m_ofn(), m_bOpenFileDialog(bOpenFileDialog), m_file(32768, L'\0'), m_defExt(defExt)
{
    m_pParentWnd = pParentWnd;
    if (fileName != nullptr)
        ::lstrcpynW(m_file.data(), fileName, static_cast<int>(m_file.size()));
    if (filter != nullptr) {
        // "a|b|c|d||": every bar becomes the terminator of one string.
        for (const wchar_t* p = filter; *p; ++p)
            m_filter.push_back(*p == L'|' ? L'\0' : *p);
        m_filter.push_back(L'\0');
        m_filter.push_back(L'\0');
    }
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.lpstrFile = m_file.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_file.size());
    m_ofn.lpstrDefExt = m_defExt.IsEmpty() ? nullptr : m_defExt.GetString();
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.data();
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal()
{
    CWnd* parent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    m_ofn.hwndOwner = parent ? parent->GetSafeHwnd() : nullptr;
    m_ofn.hInstance = AfxGetResourceHandle();
    return FileDialogProc()(m_bOpenFileDialog, &m_ofn) ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const
{
    const wchar_t* file = m_ofn.lpstrFile;
    if ((m_ofn.Flags & OFN_ALLOWMULTISELECT) && file[::lstrlenW(file) + 1] != L'\0') {
        std::vector<CString> all = GetPathNames();
        return all.empty() ? CString() : all.front();
    }
    return CString(file);
}

CString CFileDialog::GetFileName() const
{
    CString path = GetPathName();
    const wchar_t* s = path;
    const wchar_t* name = s;
    for (const wchar_t* p = s; *p; ++p) {
        if (*p == L'\\' || *p == L'/' || *p == L':')
            name = p + 1;
    }
    return CString(name);
}

CString CFileDialog::GetFileExt() const
{
    CString name = GetFileName();
    const wchar_t* s = name;
    const wchar_t* dot = nullptr;
    for (const wchar_t* p = s; *p; ++p) {
        if (*p == L'.')
            dot = p;
    }
    return dot ? CString(dot + 1) : CString();
}

CString CFileDialog::GetFileTitle() const
{
    CString name = GetFileName();
    CString ext = GetFileExt();
    if (ext.IsEmpty())
        return name;
    return CString(name.GetString(), name.GetLength() - ext.GetLength() - 1);
}

CString CFileDialog::GetFolderPath() const
{
    CString path = GetPathName();
    CString name = GetFileName();
    int length = path.GetLength() - name.GetLength();
    if (length > 0 && (path[length - 1] == L'\\' || path[length - 1] == L'/'))
        --length;
    return CString(path.GetString(), length > 0 ? length : 0);
}

std::vector<CString> CFileDialog::GetPathNames() const
{
    std::vector<CString> paths;
    const wchar_t* p = m_ofn.lpstrFile;
    if (p == nullptr || *p == 0)
        return paths;
    const wchar_t* first = p;
    p += ::lstrlenW(p) + 1;
    if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || *p == 0) {
        paths.push_back(CString(first));
        return paths;
    }
    // A folder, then the names chosen in it.
    CString folder(first);
    for (; *p; p += ::lstrlenW(p) + 1) {
        CString path = folder;
        if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != L'\\')
            path += L"\\";
        path += p;
        paths.push_back(path);
    }
    return paths;
}
