// CTime (a 64-bit count of seconds since 1970, shown in local time) and CTimeSpan.
#pragma once

#include <windows.h>

#include <ctime>

#include "afxstr.h"

// winbase.h keeps the 16-bit name GetCurrentTime as a macro for GetTickCount; here it is
// CTime's member.
#ifdef GetCurrentTime
#undef GetCurrentTime
#endif

class CTimeSpan {
public:
    CTimeSpan() {}
    CTimeSpan(__time64_t seconds) : m_span(seconds) {}
    CTimeSpan(LONG days, int hours, int minutes, int seconds)
        : m_span(((static_cast<__time64_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}

    LONGLONG GetDays() const { return m_span / (24 * 3600); }
    LONGLONG GetTotalHours() const { return m_span / 3600; }
    LONG GetHours() const { return static_cast<LONG>(GetTotalHours() - GetDays() * 24); }
    LONGLONG GetTotalMinutes() const { return m_span / 60; }
    LONG GetMinutes() const { return static_cast<LONG>(GetTotalMinutes() - GetTotalHours() * 60); }
    LONGLONG GetTotalSeconds() const { return m_span; }
    LONG GetSeconds() const { return static_cast<LONG>(GetTotalSeconds() - GetTotalMinutes() * 60); }
    __time64_t GetTimeSpan() const { return m_span; }

    // %D days, %H hours of the day, %M minutes, %S seconds (two digits each), %% a percent sign.
    CString Format(LPCTSTR format) const;
    CString Format(UINT formatId) const;

    CTimeSpan operator+(CTimeSpan o) const { return CTimeSpan(m_span + o.m_span); }
    CTimeSpan operator-(CTimeSpan o) const { return CTimeSpan(m_span - o.m_span); }
    CTimeSpan& operator+=(CTimeSpan o) { m_span += o.m_span; return *this; }
    CTimeSpan& operator-=(CTimeSpan o) { m_span -= o.m_span; return *this; }
    bool operator==(CTimeSpan o) const { return m_span == o.m_span; }
    bool operator!=(CTimeSpan o) const { return m_span != o.m_span; }
    bool operator<(CTimeSpan o) const { return m_span < o.m_span; }
    bool operator>(CTimeSpan o) const { return m_span > o.m_span; }
    bool operator<=(CTimeSpan o) const { return m_span <= o.m_span; }
    bool operator>=(CTimeSpan o) const { return m_span >= o.m_span; }

private:
    __time64_t m_span = 0;
};

class CTime {
public:
    CTime() {}
    CTime(__time64_t time) : m_time(time) {}
    // Local time; dst -1 lets the run time decide whether daylight saving applies.
    CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);
    CTime(const SYSTEMTIME& time, int dst = -1);
    CTime(const FILETIME& time, int dst = -1); // a UTC file time

    // The current time: the system clock, or the clock a test set with SetTimeSource.
    static CTime WINAPI GetCurrentTime();
    typedef __time64_t (*TimeSource)();
    static TimeSource SetTimeSource(TimeSource source); // null restores the system clock

    __time64_t GetTime() const { return m_time; }
    struct tm* GetLocalTm(struct tm* out) const;
    struct tm* GetGmtTm(struct tm* out) const;
    bool GetAsSystemTime(SYSTEMTIME& time) const;

    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday

    // strftime's codes, in local time (FormatGmt: in UTC).
    CString Format(LPCTSTR format) const;
    CString Format(UINT formatId) const;
    CString FormatGmt(LPCTSTR format) const;

    CTimeSpan operator-(CTime o) const { return CTimeSpan(m_time - o.m_time); }
    CTime operator-(CTimeSpan s) const { return CTime(m_time - s.GetTimeSpan()); }
    CTime operator+(CTimeSpan s) const { return CTime(m_time + s.GetTimeSpan()); }
    CTime& operator+=(CTimeSpan s) { m_time += s.GetTimeSpan(); return *this; }
    CTime& operator-=(CTimeSpan s) { m_time -= s.GetTimeSpan(); return *this; }
    bool operator==(CTime o) const { return m_time == o.m_time; }
    bool operator!=(CTime o) const { return m_time != o.m_time; }
    bool operator<(CTime o) const { return m_time < o.m_time; }
    bool operator>(CTime o) const { return m_time > o.m_time; }
    bool operator<=(CTime o) const { return m_time <= o.m_time; }
    bool operator>=(CTime o) const { return m_time >= o.m_time; }

private:
    __time64_t m_time = 0;
};
