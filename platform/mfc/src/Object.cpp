#include "afx.h"

#include <cstring>

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base)
            return TRUE;
    return FALSE;
}

// ---------------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CResourceException, CSimpleException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)

namespace {

BOOL CopyMessage(LPCTSTR text, LPTSTR error, UINT maxError)
{
    if (!error || maxError == 0)
        return FALSE;
    lstrcpynW(error, text, static_cast<int>(maxError));
    return TRUE;
}

} // namespace

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    if (error && maxError)
        *error = 0;
    return FALSE;
}

int CException::ReportError(UINT type, UINT messageId) const
{
    WCHAR text[512];
    CString message;
    if (GetErrorMessage(text, 512))
        message = text;
    else if (messageId)
        message.LoadString(messageId);
    else
        message = L"An unsupported operation was attempted.";
    return AfxMessageBox(message, type);
}

BOOL CSimpleException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    const wchar_t* text = L"An unknown error has occurred.";
    if (IsKindOf(RUNTIME_CLASS(CMemoryException)))
        text = L"Out of memory.";
    else if (IsKindOf(RUNTIME_CLASS(CNotSupportedException)))
        text = L"An unsupported operation was attempted.";
    else if (IsKindOf(RUNTIME_CLASS(CInvalidArgException)))
        text = L"Encountered an improper argument.";
    else if (IsKindOf(RUNTIME_CLASS(CResourceException)))
        text = L"A required resource was unavailable.";
    return CopyMessage(text, error, maxError);
}

int PASCAL CFileException::OsErrorToException(LONG osError)
{
    switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_CANNOT_MAKE: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

BOOL CFileException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    static const wchar_t* const texts[] = {
        L"No error occurred.", L"An unknown error occurred while accessing %s.",
        L"%s was not found.", L"%s contains an incorrect path.",
        L"%s could not be opened because there are too many open files.",
        L"Access to %s was denied.", L"An incorrect file handle was associated with %s.",
        L"%s could not be removed because it is the current directory.",
        L"%s could not be created because the directory is full.", L"Seek failed on %s.",
        L"A hardware I/O error was reported while accessing %s.",
        L"A sharing violation occurred while accessing %s.",
        L"A locking violation occurred while accessing %s.", L"Disk full while accessing %s.",
        L"An attempt was made to access %s past its end."};
    int cause = (m_cause >= 0 && m_cause <= endOfFile) ? m_cause : genericException;
    CString text;
    text.Format(texts[cause], m_strFileName.IsEmpty() ? L"an unnamed file" : m_strFileName.GetString());
    return CopyMessage(text, error, maxError);
}

BOOL CArchiveException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    static const wchar_t* const texts[] = {
        L"No error occurred.", L"An unknown error occurred while accessing %s.",
        L"An attempt was made to write to the reading %s.",
        L"An attempt was made to access %s past its end.",
        L"An attempt was made to read from the writing %s.", L"%s has a bad format.",
        L"%s contained an unexpected object.", L"%s contains an incorrect schema."};
    int cause = (m_cause >= 0 && m_cause <= badSchema) ? m_cause : genericException;
    CString text;
    text.Format(texts[cause], m_strFileName.IsEmpty() ? L"an unnamed file" : m_strFileName.GetString());
    return CopyMessage(text, error, maxError);
}

void AFXAPI AfxThrowMemoryException() { throw new CMemoryException; }
void AFXAPI AfxThrowNotSupportedException() { throw new CNotSupportedException; }
void AFXAPI AfxThrowInvalidArgException() { throw new CInvalidArgException; }
void AFXAPI AfxThrowResourceException() { throw new CResourceException; }

void AFXAPI AfxThrowFileException(int cause, LONG osError, LPCTSTR fileName)
{
    throw new CFileException(cause, osError, fileName);
}

void AFXAPI AfxThrowArchiveException(int cause, LPCTSTR fileName)
{
    throw new CArchiveException(cause, fileName);
}
