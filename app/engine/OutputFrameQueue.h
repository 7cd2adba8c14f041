// The pool of output surfaces through which composed program frames reach the director's
// frame thread. Every surface is at any time in the free queue, in the ready queue, or held
// by the reader between PopFrame and ReturnSurface. The two queues have a lock each because
// the reader works without the mixer lock.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <streams.h>

#include <deque>

struct OutputFrame
{
    // 1 sync point, 2 preroll, 4 discontinuity, 8 times valid.
    int flags = 0;
    LONGLONG start = 0;
    LONGLONG stop = 0;
    IDirect3DSurface9* surface = nullptr; // holds a reference
};

class COutputFrameQueue
{
public:
    static const int kFrameFlags = 9; // sync point and valid times

    COutputFrameQueue();
    ~COutputFrameQueue();
    COutputFrameQueue(const COutputFrameQueue&) = delete;
    COutputFrameQueue& operator=(const COutputFrameQueue&) = delete;

    // Takes over the caller's reference.
    void AddFree(IDirect3DSurface9* surface);

    // The front of the free queue or, when it is empty, the surface of the oldest ready frame
    // (that frame is dropped, so the newest frames always survive). Null when the pool is empty.
    IDirect3DSurface9* TakeSurface();

    void PushReady(const OutputFrame& frame);
    // Moves the oldest ready frame out; its surface reference passes to the caller.
    bool PopFrame(OutputFrame& frame);
    void ReturnSurface(IDirect3DSurface9* surface);

    // Releases every surface in both queues.
    void Clear();

    size_t FreeCount() const;
    size_t ReadyCount() const;

private:
    mutable CCritSec freeLock_;
    mutable CCritSec readyLock_;
    std::deque<IDirect3DSurface9*> free_;
    std::deque<OutputFrame> ready_;
};
