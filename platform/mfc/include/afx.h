// The framework's core, without windows: objects with run-time class information, the
// exception family, strings, times, files, archives, worker threads, the resource module,
// and the one function every message box goes through. afxwin.h builds on this header.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <oleauto.h>

#include <cstddef>
#include <functional>

#include "afxstr.h"
#include "atltime.h"

#ifndef AFXAPI
#define AFXAPI
#endif
#ifndef AFX_CDECL
#define AFX_CDECL __cdecl
#endif

// Diagnostics; other layers (the DirectShow base classes) may have defined their own.
#ifndef ASSERT
#ifdef _DEBUG
#include <cassert>
#define ASSERT(f) assert(f)
#else
#define ASSERT(f) ((void)0)
#endif
#endif
#ifndef VERIFY
#define VERIFY(f) ((void)(f))
#endif
#ifndef ASSERT_VALID
#define ASSERT_VALID(p) ((void)0)
#endif
#ifndef ASSERT_KINDOF
#define ASSERT_KINDOF(cls, p) ((void)0)
#endif
#ifndef UNUSED
#define UNUSED(x) ((void)(x))
#endif
#ifndef UNUSED_ALWAYS
#define UNUSED_ALWAYS(x) ((void)(x))
#endif
template <typename... Args> inline void AfxTrace(const Args&...) {}
#ifndef TRACE
#define TRACE 1 ? (void)0 : ::AfxTrace
#endif

class CArchive;
class CObject;
class CWnd;

// ---------------------------------------------------------------------------------------
// Run-time classes

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema; // 0xFFFF for classes that are not serializable
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() {}
    virtual void Serialize(CArchive& ar);
    virtual BOOL IsSerializable() const;
    BOOL IsKindOf(const CRuntimeClass* cls) const;

    static CRuntimeClass classCObject;

protected:
    CObject() {}

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                        \
public:                                                                                    \
    static CRuntimeClass class##class_name;                                                \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                      \
    DECLARE_DYNAMIC(class_name)                                                            \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_name, schema, create)                  \
    CRuntimeClass class_name::class##class_name = {                                        \
        #class_name, static_cast<int>(sizeof(class_name)), schema, create,                 \
        RUNTIME_CLASS(base_name)};                                                         \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_name)                                           \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_name)                                         \
    CObject* class_name::CreateObject() { return new class_name; }                         \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_name, schema)                                    \
    CObject* class_name::CreateObject() { return new class_name; }                         \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_name, schema, class_name::CreateObject)

// ---------------------------------------------------------------------------------------
// Exceptions: thrown as pointers (throw new ...), caught as pointers and freed with Delete(),
// as the framework's code expects.

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    CException() {}
    explicit CException(BOOL autoDelete) : m_bAutoDelete(autoDelete) {}
    void Delete();
    virtual BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const;
    virtual int ReportError(UINT type = MB_OK, UINT messageId = 0) const;

protected:
    BOOL m_bAutoDelete = TRUE;
};

class CSimpleException : public CException {
    DECLARE_DYNAMIC(CSimpleException)
public:
    CSimpleException() {}
    BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const override;
};

class CMemoryException : public CSimpleException {
    DECLARE_DYNAMIC(CMemoryException)
};
class CNotSupportedException : public CSimpleException {
    DECLARE_DYNAMIC(CNotSupportedException)
};
class CInvalidArgException : public CSimpleException {
    DECLARE_DYNAMIC(CInvalidArgException)
};
class CResourceException : public CSimpleException {
    DECLARE_DYNAMIC(CResourceException)
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none, genericException, fileNotFound, badPath, tooManyOpenFiles, accessDenied,
        invalidFile, removeCurrentDir, directoryFull, badSeek, hardIO, sharingViolation,
        lockViolation, diskFull, endOfFile
    };
    explicit CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
    static int PASCAL OsErrorToException(LONG osError);
    BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    explicit CArchiveException(int cause = none, LPCTSTR fileName = nullptr)
        : m_cause(cause), m_strFileName(fileName) {}
    BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const override;

    int m_cause;
    CString m_strFileName;
};

[[noreturn]] void AFXAPI AfxThrowMemoryException();
[[noreturn]] void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] void AFXAPI AfxThrowInvalidArgException();
[[noreturn]] void AFXAPI AfxThrowResourceException();
[[noreturn]] void AFXAPI AfxThrowFileException(int cause, LONG osError = -1, LPCTSTR fileName = nullptr);
[[noreturn]] void AFXAPI AfxThrowArchiveException(int cause, LPCTSTR fileName = nullptr);

#define TRY try
#define CATCH(class_name, e) catch (class_name* e)
#define AND_CATCH(class_name, e) catch (class_name* e)
#define END_CATCH
#define CATCH_ALL(e) catch (CException* e)
#define AND_CATCH_ALL(e) catch (CException* e)
#define END_CATCH_ALL
#define THROW(e) throw e
#define THROW_LAST() throw

// ---------------------------------------------------------------------------------------
// Files

struct CFileStatus {
    CTime m_ctime;
    CTime m_mtime;
    CTime m_atime;
    ULONGLONG m_size = 0;
    BYTE m_attribute = 0;
    TCHAR m_szFullName[MAX_PATH] = {};
};

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030, shareDenyNone = 0x0040, modeNoInherit = 0x0080,
        modeCreate = 0x1000, modeNoTruncate = 0x2000, typeText = 0x4000, typeBinary = 0x8000,
        osNoBuffer = 0x10000, osWriteThrough = 0x20000, osRandomAccess = 0x40000,
        osSequentialScan = 0x80000
    };
    enum Attribute { normal = 0x00, readOnly = 0x01, hidden = 0x02, system = 0x04, volume = 0x08, directory = 0x10, archive = 0x20 };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };
    static const HANDLE hFileNull;

    CFile();
    explicit CFile(HANDLE file);
    CFile(LPCTSTR fileName, UINT openFlags); // throws CFileException
    ~CFile() override;

    operator HANDLE() const { return m_hFile; }
    virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG newLength);
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    virtual void Close();
    virtual void Abort();
    virtual CString GetFileName() const;
    virtual CString GetFileTitle() const;
    virtual CString GetFilePath() const { return m_strFileName; }
    virtual void SetFilePath(LPCTSTR newName) { m_strFileName = newName; }
    BOOL GetStatus(CFileStatus& status) const;
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }

    static BOOL PASCAL GetStatus(LPCTSTR fileName, CFileStatus& status);
    static void PASCAL Remove(LPCTSTR fileName);                        // throws
    static void PASCAL Rename(LPCTSTR oldName, LPCTSTR newName);        // throws

    HANDLE m_hFile;

protected:
    BOOL m_bCloseOnDelete = FALSE;
    CString m_strFileName;
};

// A file in memory that grows as it is written; the framework's memory file.
class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)
public:
    explicit CMemFile(UINT growBytes = 1024);
    CMemFile(BYTE* buffer, UINT bufferSize, UINT growBytes = 0);
    ~CMemFile() override;

    void Attach(BYTE* buffer, UINT bufferSize, UINT growBytes = 0);
    BYTE* Detach(); // the caller owns the memory afterwards

    BOOL Open(LPCTSTR, UINT, CFileException* = nullptr) override { return FALSE; }
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    ULONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetLength() const override { return m_nFileSize; }
    void SetLength(ULONGLONG newLength) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    void Flush() override {}
    void Close() override;
    void Abort() override { Close(); }

protected:
    virtual BYTE* Alloc(SIZE_T bytes);
    virtual BYTE* Realloc(BYTE* block, SIZE_T bytes);
    virtual void Free(BYTE* block);
    virtual void GrowFile(SIZE_T newLength);

    SIZE_T m_nGrowBytes;
    SIZE_T m_nPosition = 0;
    SIZE_T m_nBufferSize = 0;
    SIZE_T m_nFileSize = 0;
    BYTE* m_lpBuffer = nullptr;
    BOOL m_bAutoDelete = TRUE;
};

// Finds files by a wild-card name; FindNextFile must be called before the first file's
// attributes are read, and returns FALSE for the last file (whose attributes stay readable).
class CFileFind : public CObject {
    DECLARE_DYNAMIC(CFileFind)
public:
    CFileFind();
    ~CFileFind() override;

    BOOL FindFile(LPCTSTR name = nullptr, DWORD unused = 0);
    BOOL FindNextFile();
    void Close();

    CString GetFileName() const;
    CString GetFilePath() const;
    CString GetFileTitle() const;
    CString GetRoot() const { return m_strRoot; }
    ULONGLONG GetLength() const;
    BOOL GetLastWriteTime(CTime& time) const;
    BOOL GetLastWriteTime(FILETIME* time) const;
    BOOL GetCreationTime(CTime& time) const;
    BOOL MatchesMask(DWORD mask) const;
    BOOL IsDots() const;
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
    BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
    BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
    BOOL IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }
    BOOL IsNormal() const { return MatchesMask(FILE_ATTRIBUTE_NORMAL); }

private:
    HANDLE m_hContext = nullptr;
    bool m_hasNext = false;
    bool m_hasFound = false;
    WIN32_FIND_DATAW m_next = {};
    WIN32_FIND_DATAW m_found = {};
    CString m_strRoot;
};

// ---------------------------------------------------------------------------------------
// Archives: the framework's stored format. Numbers are little-endian; a string is a length
// prefix of 1, 3 or 7 bytes (the wide form marked by 0xFF 0xFFFE) followed by its characters
// without terminator. A read past the end throws CArchiveException::endOfFile and leaves the
// value being read untouched.

class CArchive {
public:
    enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

    CArchive(CFile* file, UINT mode, int bufferSize = 4096, void* buffer = nullptr);
    ~CArchive();

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    BOOL IsByteSwapping() const { return FALSE; }
    // Whether the read buffer holds nothing more (the file may still).
    BOOL IsBufferEmpty() const { return m_lpBufCur == m_lpBufMax; }
    // Bytes not yet read: the buffer's rest and what the file holds behind its position.
    ULONGLONG GetBytesRemaining() const;
    CFile* GetFile() const { return m_pFile; }

    UINT Read(void* buffer, UINT count); // returns fewer bytes at the end, never throws for it
    void Write(const void* buffer, UINT count);
    void Flush();
    void Close();
    void Abort();

    // Text lines in the archive's character width: WriteString writes the characters without
    // terminator; ReadString reads up to "\n" (a preceding "\r" is dropped) and returns FALSE
    // only when nothing was left to read.
    void WriteString(LPCTSTR text);
    BOOL ReadString(CString& text);
    LPTSTR ReadString(LPTSTR buffer, UINT maxChars);

    CArchive& operator<<(BYTE v) { return Put(v); }
    CArchive& operator<<(WORD v) { return Put(v); }
    CArchive& operator<<(LONG v) { return Put(v); }
    CArchive& operator<<(DWORD v) { return Put(v); }
    CArchive& operator<<(float v) { return Put(v); }
    CArchive& operator<<(double v) { return Put(v); }
    CArchive& operator<<(LONGLONG v) { return Put(v); }
    CArchive& operator<<(ULONGLONG v) { return Put(v); }
    CArchive& operator<<(int v) { return Put(static_cast<LONG>(v)); }
    CArchive& operator<<(unsigned int v) { return Put(static_cast<DWORD>(v)); }
    CArchive& operator<<(short v) { return Put(static_cast<WORD>(v)); }
    CArchive& operator<<(char v) { return Put(static_cast<BYTE>(v)); }
    CArchive& operator<<(signed char v) { return Put(static_cast<BYTE>(v)); }
    CArchive& operator<<(wchar_t v) { return Put(static_cast<WORD>(v)); }

    CArchive& operator>>(BYTE& v) { return Get(v); }
    CArchive& operator>>(WORD& v) { return Get(v); }
    CArchive& operator>>(LONG& v) { return Get(v); }
    CArchive& operator>>(DWORD& v) { return Get(v); }
    CArchive& operator>>(float& v) { return Get(v); }
    CArchive& operator>>(double& v) { return Get(v); }
    CArchive& operator>>(LONGLONG& v) { return Get(v); }
    CArchive& operator>>(ULONGLONG& v) { return Get(v); }
    CArchive& operator>>(int& v) { return GetAs<LONG>(v); }
    CArchive& operator>>(unsigned int& v) { return GetAs<DWORD>(v); }
    CArchive& operator>>(short& v) { return GetAs<WORD>(v); }
    CArchive& operator>>(char& v) { return GetAs<BYTE>(v); }
    CArchive& operator>>(signed char& v) { return GetAs<BYTE>(v); }
    CArchive& operator>>(wchar_t& v) { return GetAs<WORD>(v); }

    // String length prefixes, shared with the string operators.
    void WriteStringLength(ULONGLONG length, bool wide);
    ULONGLONG ReadStringLength(bool& wide);

    CString m_strFileName;

private:
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    template <typename T> CArchive& Put(T v);
    template <typename T> CArchive& Get(T& v);
    template <typename S, typename T> CArchive& GetAs(T& v)
    {
        S s;
        Get(s);
        v = static_cast<T>(s);
        return *this;
    }
    void FillBuffer(UINT needed);
    void FillBufferQuietly();
    void CheckLoading() const;
    void CheckStoring() const;

    UINT m_nMode;
    CFile* m_pFile;
    UINT m_nBufSize;
    bool m_bUserBuf;
    BYTE* m_lpBufStart;
    BYTE* m_lpBufCur;
    BYTE* m_lpBufMax;
};

CArchive& AFXAPI operator<<(CArchive& ar, const CStringW& s);
CArchive& AFXAPI operator<<(CArchive& ar, const CStringA& s);
// A wide literal is stored as a CString is, a narrow one as a CStringA.
CArchive& AFXAPI operator<<(CArchive& ar, const wchar_t* s);
CArchive& AFXAPI operator<<(CArchive& ar, const char* s);
CArchive& AFXAPI operator>>(CArchive& ar, CStringW& s);
CArchive& AFXAPI operator>>(CArchive& ar, CStringA& s);
CArchive& AFXAPI operator<<(CArchive& ar, const CTime& t);
CArchive& AFXAPI operator>>(CArchive& ar, CTime& t);
CArchive& AFXAPI operator<<(CArchive& ar, const CTimeSpan& t);
CArchive& AFXAPI operator>>(CArchive& ar, CTimeSpan& t);

// ---------------------------------------------------------------------------------------
// Worker threads

typedef UINT(AFX_CDECL* AFX_THREADPROC)(LPVOID);

// Enough of the framework's thread object for worker threads (and as the base the
// application object builds on). With m_bAutoDelete set, as AfxBeginThread leaves it, the
// object deletes itself and closes its handle when the thread ends.
class CWinThread : public CObject {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    CWinThread(AFX_THREADPROC proc, LPVOID param);
    ~CWinThread() override;

    BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);
    DWORD SuspendThread() { return ::SuspendThread(m_hThread); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
    int GetThreadPriority() const { return ::GetThreadPriority(m_hThread); }
    BOOL SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }
    operator HANDLE() const { return m_hThread; }

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }
    virtual int Run() { return ExitInstance(); }
    virtual void Delete();

    CWnd* m_pMainWnd = nullptr;
    BOOL m_bAutoDelete = TRUE;
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;

protected:
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;

private:
    static unsigned __stdcall ThreadEntry(void* self);
};

CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC proc, LPVOID param,
                                  int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                                  DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
// Ends the calling worker thread (started by AfxBeginThread) with the given code.
[[noreturn]] void AFXAPI AfxEndThread(UINT exitCode, BOOL deleteThread = TRUE);

// ---------------------------------------------------------------------------------------
// The resource module: where strings, dialogs and menus are loaded from. The program
// switches it to a language library at start-up; until set it is the program itself.

HINSTANCE AFXAPI AfxGetResourceHandle();
void AFXAPI AfxSetResourceHandle(HINSTANCE module);

// ---------------------------------------------------------------------------------------
// Message boxes: every box of the program goes through AfxShowMessageBox, so that tests
// replace it with a recorder that answers without blocking.

typedef std::function<int(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)> AFX_MESSAGEBOX_PROC;

// Replaces the function behind every message box; an empty function restores MessageBoxW.
// Returns the previous one.
AFX_MESSAGEBOX_PROC AFXAPI AfxSetMessageBoxProc(AFX_MESSAGEBOX_PROC proc);
int AFXAPI AfxShowMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);

// The framework's boxes with the program's caption (set through AfxSetMessageBoxCaption by
// the application object; empty means the program's file title).
int AFXAPI AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
int AFXAPI AfxMessageBox(UINT textId, UINT type = MB_OK, UINT helpId = (UINT)-1);
void AFXAPI AfxSetMessageBoxCaption(LPCTSTR caption);
// The owner AfxMessageBox gives its boxes (the window half points it at the main window).
void AFXAPI AfxSetMessageBoxOwnerProc(HWND (*ownerProc)());

// The file dialogs of the window half go through one replaceable function of this type,
// given the dialog's filled OPENFILENAMEW and whether it is an open dialog.
typedef std::function<BOOL(BOOL openFileDialog, OPENFILENAMEW* ofn)> AFX_FILEDIALOG_PROC;
