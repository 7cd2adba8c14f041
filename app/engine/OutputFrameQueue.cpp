#include "app/engine/OutputFrameQueue.h"

namespace {

class CsLock
{
public:
    explicit CsLock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    ~CsLock() { LeaveCriticalSection(&cs_); }
    CsLock(const CsLock&) = delete;
    CsLock& operator=(const CsLock&) = delete;

private:
    CRITICAL_SECTION& cs_;
};

} // namespace

COutputFrameQueue::COutputFrameQueue()
{
    InitializeCriticalSection(&freeLock_);
    InitializeCriticalSection(&readyLock_);
}

COutputFrameQueue::~COutputFrameQueue()
{
    Clear();
    DeleteCriticalSection(&readyLock_);
    DeleteCriticalSection(&freeLock_);
}

void COutputFrameQueue::AddFree(IDirect3DSurface9* surface)
{
    if (!surface)
        return;
    CsLock lock(freeLock_);
    free_.push_back(surface);
}

IDirect3DSurface9* COutputFrameQueue::TakeSurface()
{
    {
        CsLock lock(freeLock_);
        if (!free_.empty()) {
            IDirect3DSurface9* s = free_.front();
            free_.pop_front();
            return s;
        }
    }
    CsLock lock(readyLock_);
    if (ready_.empty())
        return nullptr;
    IDirect3DSurface9* s = ready_.front().surface;
    ready_.pop_front();
    return s;
}

void COutputFrameQueue::PushReady(const OutputFrame& frame)
{
    CsLock lock(readyLock_);
    ready_.push_back(frame);
}

bool COutputFrameQueue::PopFrame(OutputFrame& frame)
{
    CsLock lock(readyLock_);
    if (ready_.empty())
        return false;
    frame = ready_.front();
    ready_.pop_front();
    return true;
}

void COutputFrameQueue::ReturnSurface(IDirect3DSurface9* surface)
{
    AddFree(surface);
}

void COutputFrameQueue::Clear()
{
    std::deque<IDirect3DSurface9*> freeSurfaces;
    std::deque<OutputFrame> readyFrames;
    {
        CsLock lock(freeLock_);
        freeSurfaces.swap(free_);
    }
    {
        CsLock lock(readyLock_);
        readyFrames.swap(ready_);
    }
    for (IDirect3DSurface9* s : freeSurfaces)
        s->Release();
    for (OutputFrame& f : readyFrames)
        if (f.surface)
            f.surface->Release();
}

size_t COutputFrameQueue::FreeCount() const
{
    CsLock lock(freeLock_);
    return free_.size();
}

size_t COutputFrameQueue::ReadyCount() const
{
    CsLock lock(readyLock_);
    return ready_.size();
}
