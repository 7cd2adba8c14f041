#include "app/engine/OutputFrameQueue.h"

COutputFrameQueue::COutputFrameQueue() = default;

COutputFrameQueue::~COutputFrameQueue()
{
    Clear();
}

void COutputFrameQueue::AddFree(IDirect3DSurface9* surface)
{
    if (!surface)
        return;
    CAutoLock lock(&freeLock_);
    free_.push_back(surface);
}

IDirect3DSurface9* COutputFrameQueue::TakeSurface()
{
    {
        CAutoLock lock(&freeLock_);
        if (!free_.empty()) {
            IDirect3DSurface9* s = free_.front();
            free_.pop_front();
            return s;
        }
    }
    CAutoLock lock(&readyLock_);
    if (ready_.empty())
        return nullptr;
    IDirect3DSurface9* s = ready_.front().surface;
    ready_.pop_front();
    return s;
}

void COutputFrameQueue::PushReady(const OutputFrame& frame)
{
    CAutoLock lock(&readyLock_);
    ready_.push_back(frame);
}

bool COutputFrameQueue::PopFrame(OutputFrame& frame)
{
    CAutoLock lock(&readyLock_);
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
        CAutoLock lock(&freeLock_);
        freeSurfaces.swap(free_);
    }
    {
        CAutoLock lock(&readyLock_);
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
    CAutoLock lock(&freeLock_);
    return free_.size();
}

size_t COutputFrameQueue::ReadyCount() const
{
    CAutoLock lock(&readyLock_);
    return ready_.size();
}
