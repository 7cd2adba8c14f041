#include "app/captions/PlayoutTimeFields.h"

#include <afx.h>
#include <atltime.h>
#include <commctrl.h>

namespace {

// The date part of a span's picker: today, which the span does not depend on.
SYSTEMTIME SpanTime(LONG seconds)
{
    SYSTEMTIME time = {};
    ::GetLocalTime(&time);
    time.wHour = static_cast<WORD>(seconds / 3600);
    time.wMinute = static_cast<WORD>(seconds / 60 % 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    time.wMilliseconds = 0;
    return time;
}

LONG ClampSpan(LONG seconds)
{
    return seconds < 0 ? 0 : seconds > kLongestSpan ? kLongestSpan : seconds;
}

} // namespace

void InitMomentField(HWND picker)
{
    ::SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"yyyy-MM-dd HH:mm:ss"));
}

void SetMomentField(HWND picker, __time64_t time)
{
    SYSTEMTIME shown = {};
    if (!CTime(time).GetAsSystemTime(shown))
        ::GetLocalTime(&shown);
    ::SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&shown));
}

__time64_t GetMomentField(HWND picker)
{
    SYSTEMTIME shown = {};
    if (::SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown)) != GDT_VALID)
        return 0;
    shown.wMilliseconds = 0;
    return CTime(shown).GetTime();
}

void InitSpanField(HWND picker, LONG longest)
{
    ::SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm:ss"));
    SYSTEMTIME range[2] = {SpanTime(0), SpanTime(ClampSpan(longest))};
    ::SendMessageW(picker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
}

void SetSpanField(HWND picker, LONG seconds)
{
    SYSTEMTIME shown = SpanTime(ClampSpan(seconds));
    ::SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&shown));
}

LONG GetSpanField(HWND picker)
{
    SYSTEMTIME shown = {};
    if (::SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown)) != GDT_VALID)
        return 0;
    return shown.wHour * 3600L + shown.wMinute * 60L + shown.wSecond;
}
