// What an output pin keeps between a listener call and its streaming thread: copies of the
// frames or samples it was given, oldest first, in buffers recycled through a fixed-size pool.
#pragma once

#include <windows.h>
#include <streams.h>

#include "app/foundation/HandleOwner.h"

#include <boost/pool/pool.hpp>

#include <deque>
#include <memory>

class CComposeSampleQueue
{
public:
    // More waiting records than this push out the oldest.
    static const size_t kMaxWaiting = 100;
    // The pool grows by at most this many buffers at a time.
    static const size_t kMaxChunk = 16;

    CComposeSampleQueue();
    // Empties the queue and frees the pool's memory.
    ~CComposeSampleQueue();
    CComposeSampleQueue(const CComposeSampleQueue&) = delete;
    CComposeSampleQueue& operator=(const CComposeSampleQueue&) = delete;

    // A buffer of the pool's size. The pool is made at the first take with the given buffer
    // size and keeps it; null when size exceeds it or memory runs out.
    BYTE* TakeBuffer(size_t size);
    void ReturnBuffer(BYTE* buffer);
    size_t BufferSize() const { return bufferSize_; }
    size_t BuffersInUse() const;

    // Appends a record (its buffer from this pool; a null record marks the end of the
    // stream), dropping the oldest above the bound. True when the streaming thread was idle
    // and must be woken: the flag is cleared here, under the queue lock, so exactly one
    // arrival wakes it and none is missed.
    bool Push(AM_SAMPLE2_PROPERTIES* record);
    // Takes the oldest record. When none waits the queue marks the thread idle (under the
    // lock, so a record pushed after this wakes it) and answers false.
    bool Pop(AM_SAMPLE2_PROPERTIES*& record);
    // The thread leaves its loop for another reason; the next arrival wakes it.
    void MarkIdle();
    // The thread (re)enters its loop.
    void MarkBusy();
    bool IsIdle() const;
    // Set while the thread is idle and nothing waits: everything pushed has been delivered.
    // Manual-reset, owned by the queue; waiters only wait on it.
    HANDLE IdleEvent() const { return idleEvent_.Get(); }
    // Drops every waiting record (the one being delivered is already out of the queue).
    void DropAllWaiting();
    size_t Waiting() const;
    // The start time of the oldest waiting record with a valid one; false when none.
    bool OldestStart(REFERENCE_TIME* start) const;
    size_t Dropped() const;

    // Frees a record and gives its buffer back.
    void Discard(AM_SAMPLE2_PROPERTIES* record);

private:
    // Under the queue lock, after every change of the queue or the idle flag.
    void UpdateIdleEvent();

    // Queue lock first, pool lock inside it, never the other way round.
    mutable CCritSec queueLock_;
    mutable CCritSec poolLock_;
    std::deque<AM_SAMPLE2_PROPERTIES*> queue_;
    bool idle_ = true;
    CHandleOwner idleEvent_;
    size_t dropped_ = 0;
    std::unique_ptr<boost::pool<>> pool_;
    size_t bufferSize_ = 0;
    size_t inUse_ = 0;
};
