#include "afx.h"

IMPLEMENT_DYNAMIC(CFileFind, CObject)

CFileFind::CFileFind() {}

CFileFind::~CFileFind() { Close(); }

void CFileFind::Close()
{
    if (m_hContext && m_hContext != INVALID_HANDLE_VALUE)
        ::FindClose(m_hContext);
    m_hContext = nullptr;
    m_hasNext = m_hasFound = false;
    m_strRoot.Empty();
}

BOOL CFileFind::FindFile(LPCTSTR name, DWORD)
{
    Close();
    if (!name || !*name)
        name = L"*.*";
    HANDLE h = ::FindFirstFileW(name, &m_next);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hContext = h;
    m_hasNext = true;

    // The root is the full path of the searched folder with a trailing separator.
    WCHAR full[MAX_PATH * 4];
    LPWSTR filePart = nullptr;
    DWORD n = ::GetFullPathNameW(name, MAX_PATH * 4, full, &filePart);
    if (n > 0 && n < MAX_PATH * 4) {
        if (filePart)
            *filePart = 0;
        m_strRoot = full;
    } else {
        CString path(name);
        int slash = -1;
        for (int i = path.GetLength() - 1; i >= 0; --i)
            if (path[i] == L'\\' || path[i] == L'/' || path[i] == L':') {
                slash = i;
                break;
            }
        m_strRoot = path.Left(slash + 1);
    }
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_hContext || !m_hasNext)
        return FALSE;
    m_found = m_next;
    m_hasFound = true;
    m_hasNext = ::FindNextFileW(m_hContext, &m_next) != FALSE;
    return m_hasNext ? TRUE : FALSE;
}

CString CFileFind::GetFileName() const { return m_hasFound ? CString(m_found.cFileName) : CString(); }

CString CFileFind::GetFilePath() const
{
    if (!m_hasFound)
        return CString();
    CString path = m_strRoot;
    if (!path.IsEmpty() && path[path.GetLength() - 1] != L'\\' && path[path.GetLength() - 1] != L'/')
        path += L'\\';
    return path + m_found.cFileName;
}

CString CFileFind::GetFileTitle() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind(L'.');
    return dot > 0 ? name.Left(dot) : name;
}

ULONGLONG CFileFind::GetLength() const
{
    return m_hasFound ? ((static_cast<ULONGLONG>(m_found.nFileSizeHigh) << 32) | m_found.nFileSizeLow) : 0;
}

BOOL CFileFind::GetLastWriteTime(FILETIME* time) const
{
    if (!m_hasFound || !time)
        return FALSE;
    *time = m_found.ftLastWriteTime;
    return TRUE;
}

BOOL CFileFind::GetLastWriteTime(CTime& time) const
{
    if (!m_hasFound)
        return FALSE;
    time = CTime(m_found.ftLastWriteTime);
    return TRUE;
}

BOOL CFileFind::GetCreationTime(CTime& time) const
{
    if (!m_hasFound)
        return FALSE;
    time = CTime(m_found.ftCreationTime);
    return TRUE;
}

BOOL CFileFind::MatchesMask(DWORD mask) const
{
    return (m_hasFound && (m_found.dwFileAttributes & mask)) ? TRUE : FALSE;
}

BOOL CFileFind::IsDots() const
{
    if (!m_hasFound || !IsDirectory())
        return FALSE;
    const wchar_t* n = m_found.cFileName;
    return (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) ? TRUE : FALSE;
}
