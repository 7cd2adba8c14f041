// The automatic file splitting of the AVI output. A one-second tick (the multimedia timer,
// or a test by hand) only looks at the size of the file being written; the switch to a new
// file (stop the graph, name the new file, run again) runs on the splitter's own worker,
// because stopping closes the AVI and writes its index, which can take seconds and must not
// hold up the timer thread that also paces the mixing clock and the audio mixer.
#pragma once

#include "app/core/MmTimer.h"
#include "app/foundation/HandleOwner.h"

#include <windows.h>

#include <afx.h>

#include <functional>

// What a split does to the output graph.
class IAviSplitTarget {
public:
    virtual ~IAviSplitTarget() = default;
    virtual HRESULT StopGraph() = 0;
    virtual HRESULT SetFileName(LPCWSTR name) = 0;
    virtual HRESULT RunGraph() = 0;
};

// The recording's file name for a moment: the folder (a trailing backslash dropped), then
// the local time as yymmddHHMMSS.avi (12 April 2007, 15:30:05 gives 070412153005.avi).
// When a file of that name exists, or it is the name being replaced, "_2", "_3"... go
// before the extension, so a split or a restart within one second overwrites nothing.
CString MakeAviFileName(const CString& folder, const SYSTEMTIME& localTime, const CString& inUse = CString());

class CAviFileSplitter {
public:
    // The file's size in bytes; false when it cannot be opened.
    typedef std::function<bool(LPCWSTR path, ULONGLONG* size)> FileSizeFn;

    CAviFileSplitter(IAviSplitTarget* target, const CString& folder, bool split, long maxMegabytes);
    ~CAviFileSplitter();
    CAviFileSplitter(const CAviFileSplitter&) = delete;
    CAviFileSplitter& operator=(const CAviFileSplitter&) = delete;

    void SetFileSize(FileSizeFn size) { fileSize_ = size; }

    // The worker starts; fails only when no thread or event can be made.
    HRESULT Start(const CString& currentFile);
    // The periodic multimedia timer that calls Tick; not started twice.
    HRESULT StartTimer();
    // Kills the timer (waiting for a tick in progress) and the worker (waiting for a split in
    // progress). No tick after this call can stop or run the graph. Safe to call twice.
    void Shutdown();

    // One tick: when the file has reached the limit, the worker is asked to switch files.
    // Never blocks on the graph.
    void Tick();

    CString CurrentFile();
    // Completed switches, and an event signalled after each (auto-reset; tests wait on it).
    long Splits() const { return splits_; }
    HANDLE SplitDoneEvent() const { return splitDone_.Get(); }
    // The result of the last switch (S_OK before any).
    HRESULT LastError() const { return lastError_; }

    // The largest file a split leaves behind is this many whole megabytes; 0 or less never
    // splits (a non-number on the settings page is stored as 0, which would otherwise split
    // on every tick).
    static bool ShouldSplit(ULONGLONG bytes, long maxMegabytes);
    static bool DefaultFileSize(LPCWSTR path, ULONGLONG* size);

private:
    static DWORD WINAPI WorkerProc(void* self);
    static void TimerTick(void* self);
    void WorkerLoop();
    void SwitchFile();

    IAviSplitTarget* target_;
    CString folder_;
    bool split_;
    long maxMegabytes_;
    FileSizeFn fileSize_;

    CCritSec lock_;  // current file, stopping, pending
    CString currentFile_;
    bool stopping_ = false;
    bool pending_ = false;

    CHandleOwner wake_;
    CHandleOwner splitDone_;
    CHandleOwner worker_;
    CMmTimer timer_;
    volatile LONG splits_ = 0;
    HRESULT lastError_ = S_OK;
};
