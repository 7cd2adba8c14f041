#include "app/graphs/outputs/avi/AviFileSplitter.h"

#include "app/core/EngineClock.h"

#include <objbase.h>

#include <cwchar>

namespace {

bool FileExists(const CString& path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

const ULONGLONG kMegabyte = 1048576;

}  // namespace

CString MakeAviFileName(const CString& folder, const SYSTEMTIME& t, const CString& inUse)
{
    CString base = folder;
    while (!base.IsEmpty() && (base.Right(1) == L"\\" || base.Right(1) == L"/"))
        base = base.Left(base.GetLength() - 1);
    CString stamp;
    stamp.Format(L"%02d%02d%02d%02d%02d%02d", t.wYear % 100, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    CString name;
    name.Format(L"%s\\%s.avi", static_cast<LPCWSTR>(base), static_cast<LPCWSTR>(stamp));
    for (int n = 2; FileExists(name) || (!inUse.IsEmpty() && name.CompareNoCase(inUse) == 0); ++n)
        name.Format(L"%s\\%s_%d.avi", static_cast<LPCWSTR>(base), static_cast<LPCWSTR>(stamp), n);
    return name;
}

CAviFileSplitter::CAviFileSplitter(IAviSplitTarget* target, const CString& folder, bool split, long maxMegabytes)
    : target_(target), folder_(folder), split_(split), maxMegabytes_(maxMegabytes),
      fileSize_(DefaultFileSize)
{
}

CAviFileSplitter::~CAviFileSplitter()
{
    Shutdown();
}

bool CAviFileSplitter::ShouldSplit(ULONGLONG bytes, long maxMegabytes)
{
    return maxMegabytes > 0 && bytes / kMegabyte >= ULONGLONG(maxMegabytes);
}

bool CAviFileSplitter::DefaultFileSize(LPCWSTR path, ULONGLONG* size)
{
    CHandleOwner file(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    // 64 bits: a 32-bit size wraps above 4 GB and the file would never split.
    LARGE_INTEGER bytes;
    const BOOL ok = GetFileSizeEx(file.Get(), &bytes);
    file.Close();
    if (!ok)
        return false;
    *size = ULONGLONG(bytes.QuadPart);
    return true;
}

HRESULT CAviFileSplitter::Start(const CString& currentFile)
{
    {
        CAutoLock lock(&lock_);
        currentFile_ = currentFile;
        stopping_ = false;
    }
    if (worker_)
        return S_OK;
    if (!wake_)
        wake_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!splitDone_)
        splitDone_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!wake_ || !splitDone_)
        return HRESULT_FROM_WIN32(GetLastError());
    worker_.Reset(CreateThread(nullptr, 0, WorkerProc, this, 0, nullptr));
    return worker_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT CAviFileSplitter::StartTimer()
{
    const HRESULT hr = timer_.Start(1000, &CAviFileSplitter::TimerTick, this);
    return SUCCEEDED(hr) ? S_OK : hr;
}

void CAviFileSplitter::Shutdown()
{
    timer_.Stop(&lock_);
    {
        CAutoLock lock(&lock_);
        stopping_ = true;
        pending_ = false;
    }
    if (worker_) {
        SetEvent(wake_.Get());
        WaitForSingleObject(worker_.Get(), INFINITE);
        worker_.Close();
    }
}

void CAviFileSplitter::TimerTick(void* self)
{
    static_cast<CAviFileSplitter*>(self)->Tick();
}

void CAviFileSplitter::Tick()
{
    CString file;
    {
        CAutoLock lock(&lock_);
        if (stopping_ || pending_ || !split_ || currentFile_.IsEmpty() || !worker_)
            return;
        file = currentFile_;
    }
    ULONGLONG size = 0;
    if (!fileSize_(file, &size) || !ShouldSplit(size, maxMegabytes_))
        return;
    {
        CAutoLock lock(&lock_);
        if (stopping_ || pending_)
            return;
        pending_ = true;
    }
    SetEvent(wake_.Get());
}

CString CAviFileSplitter::CurrentFile()
{
    CAutoLock lock(&lock_);
    return currentFile_;
}

DWORD WINAPI CAviFileSplitter::WorkerProc(void* self)
{
    // A switch may make filters (a new file can need a new multiplexer and writer).
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<CAviFileSplitter*>(self)->WorkerLoop();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void CAviFileSplitter::WorkerLoop()
{
    for (;;) {
        WaitForSingleObject(wake_.Get(), INFINITE);
        {
            CAutoLock lock(&lock_);
            if (stopping_)
                return;
            if (!pending_)
                continue;
        }
        SwitchFile();
    }
}

void CAviFileSplitter::SwitchFile()
{
    // The graph is stopped, renamed and run with the lock free: stopping closes the file and
    // writes its index, which takes seconds, and a tick on the timer thread or the window
    // asking for the current file must not wait that long. Shutdown joins this worker, so it
    // still returns only after the switch, and a Shutdown during it leaves the graph stopped.
    CString current;
    bool began;
    {
        CAutoLock lock(&lock_);
        began = !stopping_;
        current = currentFile_;
    }
    HRESULT hr = S_OK;
    if (began) {
        const CString next = MakeAviFileName(folder_, EngineClock::LocalTime(), current);
        target_->StopGraph();
        // Running again under the old name would truncate the recording just closed, so a
        // file name that is refused leaves the output stopped instead.
        hr = target_->SetFileName(next);
        if (SUCCEEDED(hr)) {
            bool stopping;
            {
                CAutoLock lock(&lock_);
                currentFile_ = next;
                stopping = stopping_;
            }
            if (!stopping)
                hr = target_->RunGraph();
        }
    }
    {
        CAutoLock lock(&lock_);
        if (began)
            lastError_ = hr;
        pending_ = false;
    }
    if (began)
        InterlockedIncrement(&splits_);
    SetEvent(splitDone_.Get());
}
