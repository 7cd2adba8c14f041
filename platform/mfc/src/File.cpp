#include "afx.h"

#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

[[noreturn]] void ThrowOsError(DWORD error, const CString& name)
{
    AfxThrowFileException(CFileException::OsErrorToException(static_cast<LONG>(error)),
                          static_cast<LONG>(error), name);
}

} // namespace

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE) {}

CFile::CFile(HANDLE file) : m_hFile(file) {}

CFile::CFile(LPCTSTR fileName, UINT openFlags) : m_hFile(INVALID_HANDLE_VALUE)
{
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete)
        Abort();
}

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error)
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        Close();
    m_bCloseOnDelete = FALSE;
    openFlags &= ~static_cast<UINT>(typeBinary);

    WCHAR full[MAX_PATH * 4];
    DWORD n = fileName ? ::GetFullPathNameW(fileName, MAX_PATH * 4, full, nullptr) : 0;
    m_strFileName = (n > 0 && n < MAX_PATH * 4) ? CString(full) : CString(fileName);

    DWORD access = 0;
    switch (openFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
    }
    DWORD share = 0;
    switch (openFlags & 0x70) {
    case shareCompat:
    case shareExclusive: share = 0; break;
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: break;
    }
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, (openFlags & modeNoInherit) ? FALSE : TRUE};
    DWORD create = OPEN_EXISTING;
    if (openFlags & modeCreate)
        create = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (openFlags & osNoBuffer) attributes |= FILE_FLAG_NO_BUFFERING;
    if (openFlags & osWriteThrough) attributes |= FILE_FLAG_WRITE_THROUGH;
    if (openFlags & osRandomAccess) attributes |= FILE_FLAG_RANDOM_ACCESS;
    if (openFlags & osSequentialScan) attributes |= FILE_FLAG_SEQUENTIAL_SCAN;

    HANDLE h = fileName ? ::CreateFileW(fileName, access, share, &sa, create, attributes, nullptr)
                        : INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = fileName ? ::GetLastError() : ERROR_INVALID_NAME;
        if (error) {
            error->m_lOsError = static_cast<LONG>(e);
            error->m_cause = CFileException::OsErrorToException(static_cast<LONG>(e));
            error->m_strFileName = fileName;
        }
        return FALSE;
    }
    m_hFile = h;
    m_bCloseOnDelete = TRUE;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (count == 0)
        return 0;
    DWORD read = 0;
    if (!::ReadFile(m_hFile, buffer, count, &read, nullptr))
        ThrowOsError(::GetLastError(), m_strFileName);
    return read;
}

void CFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    DWORD written = 0;
    if (!::WriteFile(m_hFile, buffer, count, &written, nullptr))
        ThrowOsError(::GetLastError(), m_strFileName);
    if (written != count)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(m_hFile, distance, &position, from))
        ThrowOsError(::GetLastError(), m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(m_hFile, &size))
        ThrowOsError(::GetLastError(), m_strFileName);
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG newLength)
{
    Seek(static_cast<LONGLONG>(newLength), begin);
    if (!::SetEndOfFile(m_hFile))
        ThrowOsError(::GetLastError(), m_strFileName);
}

ULONGLONG CFile::GetPosition() const
{
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!::SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT))
        ThrowOsError(::GetLastError(), m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::Flush()
{
    if (m_hFile != INVALID_HANDLE_VALUE && !::FlushFileBuffers(m_hFile))
        ThrowOsError(::GetLastError(), m_strFileName);
}

void CFile::Close()
{
    BOOL ok = TRUE;
    DWORD e = 0;
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ok = ::CloseHandle(m_hFile);
        e = ::GetLastError();
    }
    m_hFile = INVALID_HANDLE_VALUE;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
    if (!ok)
        ThrowOsError(e, CString());
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

CString CFile::GetFileName() const
{
    int slash = -1;
    for (int i = m_strFileName.GetLength() - 1; i >= 0; --i) {
        wchar_t c = m_strFileName[i];
        if (c == L'\\' || c == L'/' || c == L':') {
            slash = i;
            break;
        }
    }
    return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

CString CFile::GetFileTitle() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind(L'.');
    return dot > 0 ? name.Left(dot) : name;
}

BOOL CFile::GetStatus(CFileStatus& status) const
{
    status = CFileStatus();
    lstrcpynW(status.m_szFullName, m_strFileName, MAX_PATH);
    BY_HANDLE_FILE_INFORMATION info;
    if (m_hFile == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(m_hFile, &info))
        return FALSE;
    status.m_ctime = CTime(info.ftCreationTime);
    status.m_atime = CTime(info.ftLastAccessTime);
    status.m_mtime = CTime(info.ftLastWriteTime);
    status.m_size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.m_attribute = static_cast<BYTE>(info.dwFileAttributes & 0xFF);
    return TRUE;
}

BOOL PASCAL CFile::GetStatus(LPCTSTR fileName, CFileStatus& status)
{
    status = CFileStatus();
    WCHAR full[MAX_PATH];
    if (!fileName || !::GetFullPathNameW(fileName, MAX_PATH, full, nullptr))
        return FALSE;
    lstrcpynW(status.m_szFullName, full, MAX_PATH);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(fileName, GetFileExInfoStandard, &data))
        return FALSE;
    status.m_ctime = CTime(data.ftCreationTime);
    status.m_atime = CTime(data.ftLastAccessTime);
    status.m_mtime = CTime(data.ftLastWriteTime);
    status.m_size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = static_cast<BYTE>(data.dwFileAttributes & 0xFF);
    return TRUE;
}

void PASCAL CFile::Remove(LPCTSTR fileName)
{
    if (!::DeleteFileW(fileName))
        ThrowOsError(::GetLastError(), fileName);
}

void PASCAL CFile::Rename(LPCTSTR oldName, LPCTSTR newName)
{
    if (!::MoveFileW(oldName, newName))
        ThrowOsError(::GetLastError(), oldName);
}

// ---------------------------------------------------------------------------------------

CMemFile::CMemFile(UINT growBytes) : m_nGrowBytes(growBytes) {}

CMemFile::CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes) : m_nGrowBytes(0)
{
    Attach(buffer, bufferSize, growBytes);
}

CMemFile::~CMemFile()
{
    if (m_lpBuffer)
        Close();
}

void CMemFile::Attach(BYTE* buffer, UINT bufferSize, UINT growBytes)
{
    m_nGrowBytes = growBytes;
    m_nPosition = 0;
    m_nBufferSize = bufferSize;
    // A fixed buffer (growBytes 0) is read as it stands; a growable one starts empty.
    m_nFileSize = growBytes == 0 ? bufferSize : 0;
    m_lpBuffer = buffer;
    m_bAutoDelete = FALSE;
}

BYTE* CMemFile::Detach()
{
    BYTE* buffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nFileSize = m_nBufferSize = m_nPosition = 0;
    m_bAutoDelete = TRUE;
    return buffer;
}

BYTE* CMemFile::Alloc(SIZE_T bytes) { return static_cast<BYTE*>(malloc(bytes)); }
BYTE* CMemFile::Realloc(BYTE* block, SIZE_T bytes) { return static_cast<BYTE*>(realloc(block, bytes)); }
void CMemFile::Free(BYTE* block) { free(block); }

void CMemFile::GrowFile(SIZE_T newLength)
{
    if (newLength <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0)
        AfxThrowMemoryException();
    SIZE_T size = m_nBufferSize;
    while (size < newLength) {
        if (size > static_cast<SIZE_T>(-1) - m_nGrowBytes)
            AfxThrowMemoryException();
        size += m_nGrowBytes;
    }
    BYTE* grown = nullptr;
    if (m_lpBuffer && !m_bAutoDelete) {
        // An attached block stays the caller's: the file moves to memory of its own.
        grown = Alloc(size);
        if (!grown)
            AfxThrowMemoryException();
        memcpy(grown, m_lpBuffer, m_nFileSize);
        m_bAutoDelete = TRUE;
    } else {
        grown = m_lpBuffer ? Realloc(m_lpBuffer, size) : Alloc(size);
        if (!grown)
            AfxThrowMemoryException();
    }
    m_lpBuffer = grown;
    m_nBufferSize = size;
}

UINT CMemFile::Read(void* buffer, UINT count)
{
    if (m_nPosition >= m_nFileSize || count == 0)
        return 0;
    SIZE_T n = m_nFileSize - m_nPosition;
    if (n > count)
        n = count;
    memcpy(buffer, m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    if (m_nPosition > static_cast<SIZE_T>(-1) - count)
        AfxThrowFileException(CFileException::badSeek);
    SIZE_T end = m_nPosition + count;
    if (end > m_nBufferSize)
        GrowFile(end);
    memcpy(m_lpBuffer + m_nPosition, buffer, count);
    m_nPosition = end;
    if (m_nPosition > m_nFileSize)
        m_nFileSize = m_nPosition;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from)
{
    LONGLONG base = from == begin ? 0 : from == current ? static_cast<LONGLONG>(m_nPosition)
                                                         : static_cast<LONGLONG>(m_nFileSize);
    LONGLONG target = base + offset;
    if (target < 0)
        AfxThrowFileException(CFileException::badSeek);
    if (static_cast<ULONGLONG>(target) > m_nBufferSize)
        GrowFile(static_cast<SIZE_T>(target));
    m_nPosition = static_cast<SIZE_T>(target);
    return static_cast<ULONGLONG>(target);
}

void CMemFile::SetLength(ULONGLONG newLength)
{
    if (newLength > m_nBufferSize)
        GrowFile(static_cast<SIZE_T>(newLength));
    if (newLength < m_nPosition)
        m_nPosition = static_cast<SIZE_T>(newLength);
    m_nFileSize = static_cast<SIZE_T>(newLength);
}

void CMemFile::Close()
{
    m_nGrowBytes = m_nPosition = m_nBufferSize = m_nFileSize = 0;
    if (m_lpBuffer && m_bAutoDelete)
        Free(m_lpBuffer);
    m_lpBuffer = nullptr;
}
