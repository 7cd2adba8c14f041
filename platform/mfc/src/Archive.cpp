#include "afx.h"

#include <climits>
#include <cstring>
#include <vector>

namespace {

// Strings are read in pieces, so that a hostile length in a short file ends in
// CArchiveException::endOfFile instead of one huge allocation.
const UINT kStringChunk = 64 * 1024;

} // namespace

CArchive::CArchive(CFile* file, UINT mode, int bufferSize, void* buffer)
    : m_nMode(mode), m_pFile(file), m_nBufSize(bufferSize < 128 ? 128u : static_cast<UINT>(bufferSize)),
      m_bUserBuf(buffer != nullptr)
{
    if (buffer && bufferSize < 128)
        AfxThrowInvalidArgException();
    if (file)
        m_strFileName = file->GetFilePath();
    m_lpBufStart = m_bUserBuf ? static_cast<BYTE*>(buffer) : new BYTE[m_nBufSize];
    m_lpBufCur = m_lpBufStart;
    // Loading starts with an empty buffer; storing with all of it free.
    m_lpBufMax = IsLoading() ? m_lpBufStart : m_lpBufStart + m_nBufSize;
}

CArchive::~CArchive()
{
    if (m_pFile && !(m_nMode & bNoFlushOnDelete)) {
        try {
            Close();
        } catch (CException* e) {
            // A destructor must not throw; Close reports failures to those who call it.
            e->Delete();
        }
    }
    Abort();
}

void CArchive::Abort()
{
    if (!m_bUserBuf)
        delete[] m_lpBufStart;
    m_lpBufStart = m_lpBufCur = m_lpBufMax = nullptr;
    m_bUserBuf = true; // nothing left to free
    m_pFile = nullptr;
}

void CArchive::Close()
{
    if (m_pFile) {
        Flush();
        m_pFile = nullptr;
    }
}

void CArchive::Flush()
{
    if (!m_pFile)
        return;
    if (IsStoring()) {
        if (m_lpBufCur != m_lpBufStart)
            m_pFile->Write(m_lpBufStart, static_cast<UINT>(m_lpBufCur - m_lpBufStart));
        m_lpBufCur = m_lpBufStart;
    } else if (m_lpBufCur != m_lpBufMax) {
        // Give the unread part of the buffer back, so the file position is where reading stopped.
        m_pFile->Seek(-static_cast<LONGLONG>(m_lpBufMax - m_lpBufCur), CFile::current);
        m_lpBufCur = m_lpBufMax = m_lpBufStart;
    }
}

void CArchive::CheckLoading() const
{
    if (!IsLoading())
        AfxThrowArchiveException(CArchiveException::writeOnly, m_strFileName);
}

void CArchive::CheckStoring() const
{
    if (!IsStoring())
        AfxThrowArchiveException(CArchiveException::readOnly, m_strFileName);
}

ULONGLONG CArchive::GetBytesRemaining() const
{
    ULONGLONG inBuffer = static_cast<ULONGLONG>(m_lpBufMax - m_lpBufCur);
    if (!m_pFile || !IsLoading())
        return inBuffer;
    ULONGLONG length = m_pFile->GetLength(), position = m_pFile->GetPosition();
    return inBuffer + (length > position ? length - position : 0);
}

// Makes at least `needed` bytes available at m_lpBufCur, or throws endOfFile.
void CArchive::FillBuffer(UINT needed)
{
    CheckLoading();
    UINT have = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
    if (have >= needed)
        return;
    if (needed > m_nBufSize)
        AfxThrowArchiveException(CArchiveException::genericException, m_strFileName);
    memmove(m_lpBufStart, m_lpBufCur, have);
    m_lpBufCur = m_lpBufStart;
    m_lpBufMax = m_lpBufStart + have;
    while (have < needed && m_pFile) {
        UINT n = m_pFile->Read(m_lpBufMax, m_nBufSize - have);
        if (n == 0)
            break;
        have += n;
        m_lpBufMax += n;
    }
    if (have < needed)
        AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
}

UINT CArchive::Read(void* buffer, UINT count)
{
    CheckLoading();
    BYTE* out = static_cast<BYTE*>(buffer);
    UINT done = 0;
    while (done < count) {
        UINT have = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
        if (have == 0) {
            m_lpBufCur = m_lpBufMax = m_lpBufStart;
            UINT n = m_pFile ? m_pFile->Read(m_lpBufStart, m_nBufSize) : 0;
            if (n == 0)
                break;
            m_lpBufMax += n;
            continue;
        }
        UINT n = count - done < have ? count - done : have;
        memcpy(out + done, m_lpBufCur, n);
        m_lpBufCur += n;
        done += n;
    }
    return done;
}

void CArchive::Write(const void* buffer, UINT count)
{
    CheckStoring();
    const BYTE* in = static_cast<const BYTE*>(buffer);
    while (count > 0) {
        UINT room = static_cast<UINT>(m_lpBufMax - m_lpBufCur);
        if (room == 0) {
            Flush();
            continue;
        }
        UINT n = count < room ? count : room;
        memcpy(m_lpBufCur, in, n);
        m_lpBufCur += n;
        in += n;
        count -= n;
    }
}

template <typename T> CArchive& CArchive::Put(T v)
{
    CheckStoring();
    if (static_cast<size_t>(m_lpBufMax - m_lpBufCur) < sizeof(T))
        Flush();
    memcpy(m_lpBufCur, &v, sizeof(T)); // both targets are little-endian, as the format is
    m_lpBufCur += sizeof(T);
    return *this;
}

template <typename T> CArchive& CArchive::Get(T& v)
{
    FillBuffer(sizeof(T));
    memcpy(&v, m_lpBufCur, sizeof(T));
    m_lpBufCur += sizeof(T);
    return *this;
}

template CArchive& CArchive::Put(BYTE);
template CArchive& CArchive::Put(WORD);
template CArchive& CArchive::Put(LONG);
template CArchive& CArchive::Put(DWORD);
template CArchive& CArchive::Put(float);
template CArchive& CArchive::Put(double);
template CArchive& CArchive::Put(LONGLONG);
template CArchive& CArchive::Put(ULONGLONG);
template CArchive& CArchive::Get(BYTE&);
template CArchive& CArchive::Get(WORD&);
template CArchive& CArchive::Get(LONG&);
template CArchive& CArchive::Get(DWORD&);
template CArchive& CArchive::Get(float&);
template CArchive& CArchive::Get(double&);
template CArchive& CArchive::Get(LONGLONG&);
template CArchive& CArchive::Get(ULONGLONG&);

void CArchive::WriteStringLength(ULONGLONG length, bool wide)
{
    if (wide) {
        *this << static_cast<BYTE>(0xFF);
        *this << static_cast<WORD>(0xFFFE);
    }
    if (length < 0xFF) {
        *this << static_cast<BYTE>(length);
        return;
    }
    *this << static_cast<BYTE>(0xFF);
    if (length < 0xFFFE) {
        *this << static_cast<WORD>(length);
        return;
    }
    *this << static_cast<WORD>(0xFFFF);
    if (length < 0xFFFFFFFF) {
        *this << static_cast<DWORD>(length);
        return;
    }
    *this << static_cast<DWORD>(0xFFFFFFFF);
    *this << static_cast<ULONGLONG>(length);
}

ULONGLONG CArchive::ReadStringLength(bool& wide)
{
    wide = false;
    BYTE b;
    *this >> b;
    if (b < 0xFF)
        return b;
    WORD w;
    *this >> w;
    if (w == 0xFFFE) {
        wide = true;
        *this >> b;
        if (b < 0xFF)
            return b;
        *this >> w;
    }
    if (w < 0xFFFF)
        return w;
    DWORD d;
    *this >> d;
    if (d < 0xFFFFFFFF)
        return d;
    ULONGLONG q;
    *this >> q;
    return q;
}

namespace {

// Reads `length` characters of `size` bytes each into `out`, piece by piece.
void ReadChars(CArchive& ar, ULONGLONG length, UINT size, std::vector<BYTE>& out)
{
    if (length > INT_MAX / 2)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    ULONGLONG total = length * size;
    out.clear();
    while (out.size() < total) {
        size_t piece = static_cast<size_t>(total - out.size());
        if (piece > kStringChunk)
            piece = kStringChunk;
        size_t old = out.size();
        out.resize(old + piece);
        if (ar.Read(out.data() + old, static_cast<UINT>(piece)) != piece)
            AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    }
}

} // namespace

CArchive& AFXAPI operator<<(CArchive& ar, const CStringW& s)
{
    ar.WriteStringLength(static_cast<ULONGLONG>(s.GetLength()), true);
    ar.Write(s.GetString(), static_cast<UINT>(s.GetLength()) * sizeof(wchar_t));
    return ar;
}

CArchive& AFXAPI operator<<(CArchive& ar, const CStringA& s)
{
    ar.WriteStringLength(static_cast<ULONGLONG>(s.GetLength()), false);
    ar.Write(s.GetString(), static_cast<UINT>(s.GetLength()));
    return ar;
}

CArchive& AFXAPI operator<<(CArchive& ar, const wchar_t* s) { return ar << CStringW(s); }
CArchive& AFXAPI operator<<(CArchive& ar, const char* s) { return ar << CStringA(s); }

CArchive& AFXAPI operator>>(CArchive& ar, CStringW& s)
{
    bool wide;
    ULONGLONG length = ar.ReadStringLength(wide);
    std::vector<BYTE> bytes;
    ReadChars(ar, length, wide ? 2 : 1, bytes);
    if (wide) {
        CStringW r;
        if (length)
            memcpy(r.GetBufferSetLength(static_cast<int>(length)), bytes.data(), bytes.size());
        s = r;
    } else {
        s = CStringW(CStringA(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(length)));
    }
    return ar;
}

CArchive& AFXAPI operator>>(CArchive& ar, CStringA& s)
{
    CStringW w;
    bool wide;
    ULONGLONG length = ar.ReadStringLength(wide);
    std::vector<BYTE> bytes;
    ReadChars(ar, length, wide ? 2 : 1, bytes);
    if (wide) {
        if (length)
            memcpy(w.GetBufferSetLength(static_cast<int>(length)), bytes.data(), bytes.size());
        s = CStringA(w);
    } else {
        s = CStringA(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(length));
    }
    return ar;
}

CArchive& AFXAPI operator<<(CArchive& ar, const CTime& t) { return ar << static_cast<LONGLONG>(t.GetTime()); }
CArchive& AFXAPI operator>>(CArchive& ar, CTime& t)
{
    LONGLONG v;
    ar >> v;
    t = CTime(static_cast<__time64_t>(v));
    return ar;
}
CArchive& AFXAPI operator<<(CArchive& ar, const CTimeSpan& t) { return ar << static_cast<LONGLONG>(t.GetTimeSpan()); }
CArchive& AFXAPI operator>>(CArchive& ar, CTimeSpan& t)
{
    LONGLONG v;
    ar >> v;
    t = CTimeSpan(static_cast<__time64_t>(v));
    return ar;
}

// ---------------------------------------------------------------------------------------
// Lines

void CArchive::WriteString(LPCTSTR text)
{
    if (text)
        Write(text, static_cast<UINT>(wcslen(text) * sizeof(wchar_t)));
}

LPTSTR CArchive::ReadString(LPTSTR buffer, UINT maxChars)
{
    if (!buffer)
        return nullptr;
    UINT n = 0;
    bool any = false;
    while (n < maxChars) {
        wchar_t c;
        if (Read(&c, sizeof(c)) != sizeof(c))
            break;
        any = true;
        if (c == L'\n')
            break;
        if (c == L'\r') {
            // Take the "\n" of a "\r\n" pair; anything else stays for the next read.
            if (IsBufferEmpty())
                FillBufferQuietly();
            if (static_cast<size_t>(m_lpBufMax - m_lpBufCur) >= sizeof(wchar_t)) {
                wchar_t next;
                memcpy(&next, m_lpBufCur, sizeof(next));
                if (next == L'\n')
                    m_lpBufCur += sizeof(next);
            }
            break;
        }
        buffer[n++] = c;
    }
    buffer[n] = 0;
    return any ? buffer : nullptr;
}

BOOL CArchive::ReadString(CString& text)
{
    text.Empty();
    bool any = false;
    for (;;) {
        wchar_t c;
        if (Read(&c, sizeof(c)) != sizeof(c))
            break;
        any = true;
        if (c == L'\n')
            break;
        if (c == L'\r') {
            FillBufferQuietly();
            if (static_cast<size_t>(m_lpBufMax - m_lpBufCur) >= sizeof(wchar_t)) {
                wchar_t next;
                memcpy(&next, m_lpBufCur, sizeof(next));
                if (next == L'\n')
                    m_lpBufCur += sizeof(next);
            }
            break;
        }
        text += c;
    }
    return any ? TRUE : FALSE;
}

// Tries to have one character in the buffer; at the end of the file it leaves it as it is.
void CArchive::FillBufferQuietly()
{
    if (static_cast<size_t>(m_lpBufMax - m_lpBufCur) >= sizeof(wchar_t))
        return;
    try {
        FillBuffer(sizeof(wchar_t));
    } catch (CArchiveException* e) {
        e->Delete();
    }
}
