// The date-time pickers of the playout's dialogs: a moment shown as "yyyy-MM-dd HH:mm:ss" and
// read as `time` seconds, and a span of whole seconds shown as a time of day "HH:mm:ss"
// (0..86,399 s). A span is plain hours, minutes and seconds: it never passes through a local
// midnight, so a day that changes to or from summer time does not move it by an hour.
#pragma once

#include <windows.h>

const LONG kLongestSpan = 86399;

void InitMomentField(HWND picker);
void SetMomentField(HWND picker, __time64_t time);
__time64_t GetMomentField(HWND picker);

// longest: the largest span the field takes (at most kLongestSpan).
void InitSpanField(HWND picker, LONG longest = kLongestSpan);
void SetSpanField(HWND picker, LONG seconds);
LONG GetSpanField(HWND picker);
