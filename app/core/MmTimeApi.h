// The multimedia clock and timer functions the engine's periodic work runs on, gathered so
// that tests can read a clock they set and call the timer's tick themselves.
#pragma once

#include <windows.h>
#include <mmsystem.h>

struct MmTimeApi {
    DWORD(WINAPI* timeGetTime)();
    MMRESULT(WINAPI* timeBeginPeriod)(UINT period);
    MMRESULT(WINAPI* timeEndPeriod)(UINT period);
    MMRESULT(WINAPI* timeSetEvent)(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
    MMRESULT(WINAPI* timeKillEvent)(UINT id);

    // The winmm functions themselves.
    static MmTimeApi System();
};
