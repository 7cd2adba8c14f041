#include "afx.h"

#include <atomic>
#include <cwchar>

namespace {

std::atomic<CTime::TimeSource> g_timeSource{nullptr};

CString FormatTm(const struct tm* t, LPCTSTR format)
{
    if (!t || !format || !*format)
        return CString();
    // strftime gives no length in advance: grow until the text fits.
    for (size_t size = 128; size <= 64 * 1024; size *= 4) {
        CString out;
        wchar_t* buffer = out.GetBuffer(static_cast<int>(size));
        size_t n = wcsftime(buffer, size, format, t);
        if (n > 0 || size > 4 * wcslen(format) + 64) {
            out.ReleaseBuffer(static_cast<int>(n));
            return out;
        }
    }
    return CString();
}

} // namespace

CString CTimeSpan::Format(LPCTSTR format) const
{
    CString out;
    if (!format)
        return out;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%' || !p[1]) {
            out += *p;
            continue;
        }
        ++p;
        CString piece;
        switch (*p) {
        case L'D': piece.Format(L"%I64d", static_cast<LONGLONG>(GetDays())); break;
        case L'H': piece.Format(L"%02ld", GetHours()); break;
        case L'M': piece.Format(L"%02ld", GetMinutes()); break;
        case L'S': piece.Format(L"%02ld", GetSeconds()); break;
        default: piece = *p; break;
        }
        out += piece;
    }
    return out;
}

CString CTimeSpan::Format(UINT formatId) const
{
    CString format;
    format.LoadString(formatId);
    return Format(format.GetString());
}

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = dst;
    m_time = _mktime64(&t);
    if (m_time == -1)
        AfxThrowInvalidArgException();
}

CTime::CTime(const SYSTEMTIME& time, int dst)
    : CTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, dst)
{
}

CTime::CTime(const FILETIME& time, int dst)
{
    FILETIME local;
    SYSTEMTIME st;
    if (!::FileTimeToLocalFileTime(&time, &local) || !::FileTimeToSystemTime(&local, &st))
        AfxThrowInvalidArgException();
    *this = CTime(st, dst);
}

CTime WINAPI CTime::GetCurrentTime()
{
    TimeSource source = g_timeSource.load();
    return CTime(source ? source() : _time64(nullptr));
}

CTime::TimeSource CTime::SetTimeSource(TimeSource source) { return g_timeSource.exchange(source); }

struct tm* CTime::GetLocalTm(struct tm* out) const
{
    return (out && _localtime64_s(out, &m_time) == 0) ? out : nullptr;
}

struct tm* CTime::GetGmtTm(struct tm* out) const
{
    return (out && _gmtime64_s(out, &m_time) == 0) ? out : nullptr;
}

bool CTime::GetAsSystemTime(SYSTEMTIME& time) const
{
    struct tm t;
    if (!GetLocalTm(&t))
        return false;
    time.wYear = static_cast<WORD>(t.tm_year + 1900);
    time.wMonth = static_cast<WORD>(t.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(t.tm_wday);
    time.wDay = static_cast<WORD>(t.tm_mday);
    time.wHour = static_cast<WORD>(t.tm_hour);
    time.wMinute = static_cast<WORD>(t.tm_min);
    time.wSecond = static_cast<WORD>(t.tm_sec);
    time.wMilliseconds = 0;
    return true;
}

namespace {
struct tm LocalOf(__time64_t v)
{
    struct tm t = {};
    _localtime64_s(&t, &v);
    return t;
}
} // namespace

int CTime::GetYear() const { return LocalOf(m_time).tm_year + 1900; }
int CTime::GetMonth() const { return LocalOf(m_time).tm_mon + 1; }
int CTime::GetDay() const { return LocalOf(m_time).tm_mday; }
int CTime::GetHour() const { return LocalOf(m_time).tm_hour; }
int CTime::GetMinute() const { return LocalOf(m_time).tm_min; }
int CTime::GetSecond() const { return LocalOf(m_time).tm_sec; }
int CTime::GetDayOfWeek() const { return LocalOf(m_time).tm_wday + 1; }

CString CTime::Format(LPCTSTR format) const
{
    struct tm t;
    return FormatTm(GetLocalTm(&t), format);
}

CString CTime::Format(UINT formatId) const
{
    CString format;
    format.LoadString(formatId);
    return Format(format.GetString());
}

CString CTime::FormatGmt(LPCTSTR format) const
{
    struct tm t;
    return FormatTm(GetGmtTm(&t), format);
}
