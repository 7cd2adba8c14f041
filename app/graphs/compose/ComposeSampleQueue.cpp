#include "app/graphs/compose/ComposeSampleQueue.h"

#include <new>

CComposeSampleQueue::CComposeSampleQueue() : idleEvent_(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
}

CComposeSampleQueue::~CComposeSampleQueue()
{
    {
        CAutoLock lock(&queueLock_);
        while (!queue_.empty()) {
            AM_SAMPLE2_PROPERTIES* r = queue_.front();
            queue_.pop_front();
            Discard(r);
        }
    }
    {
        CAutoLock lock(&poolLock_);
        if (pool_)
            pool_->purge_memory();
        pool_.reset();
    }
}

void CComposeSampleQueue::UpdateIdleEvent()
{
    if (!idleEvent_)
        return;
    if (idle_ && queue_.empty())
        SetEvent(idleEvent_.Get());
    else
        ResetEvent(idleEvent_.Get());
}

BYTE* CComposeSampleQueue::TakeBuffer(size_t size)
{
    CAutoLock lock(&poolLock_);
    if (!pool_) {
        if (size == 0)
            return nullptr;
        pool_.reset(new (std::nothrow) boost::pool<>(size, kMaxChunk));
        if (!pool_)
            return nullptr;
        bufferSize_ = size;
    }
    if (size > bufferSize_)
        return nullptr;
    if (pool_->get_next_size() > kMaxChunk)
        pool_->set_next_size(kMaxChunk);
    BYTE* buffer = static_cast<BYTE*>(pool_->malloc());
    if (buffer)
        ++inUse_;
    return buffer;
}

void CComposeSampleQueue::ReturnBuffer(BYTE* buffer)
{
    if (!buffer)
        return;
    CAutoLock lock(&poolLock_);
    if (pool_ && pool_->is_from(buffer)) {
        pool_->free(buffer);
        --inUse_;
    }
}

size_t CComposeSampleQueue::BuffersInUse() const
{
    CAutoLock lock(&poolLock_);
    return inUse_;
}

void CComposeSampleQueue::Discard(AM_SAMPLE2_PROPERTIES* record)
{
    if (!record)
        return;
    ReturnBuffer(record->pbBuffer);
    delete record;
}

bool CComposeSampleQueue::Push(AM_SAMPLE2_PROPERTIES* record)
{
    CAutoLock lock(&queueLock_);
    if (queue_.size() > kMaxWaiting) {
        AM_SAMPLE2_PROPERTIES* oldest = queue_.front();
        queue_.pop_front();
        Discard(oldest);
        ++dropped_;
    }
    queue_.push_back(record);
    const bool wake = idle_;
    idle_ = false;
    UpdateIdleEvent();
    return wake;
}

bool CComposeSampleQueue::Pop(AM_SAMPLE2_PROPERTIES*& record)
{
    CAutoLock lock(&queueLock_);
    if (queue_.empty()) {
        idle_ = true;
        UpdateIdleEvent();
        record = nullptr;
        return false;
    }
    record = queue_.front();
    queue_.pop_front();
    return true;
}

void CComposeSampleQueue::MarkIdle()
{
    CAutoLock lock(&queueLock_);
    idle_ = true;
    UpdateIdleEvent();
}

void CComposeSampleQueue::MarkBusy()
{
    CAutoLock lock(&queueLock_);
    idle_ = false;
    UpdateIdleEvent();
}

bool CComposeSampleQueue::IsIdle() const
{
    CAutoLock lock(&queueLock_);
    return idle_;
}

void CComposeSampleQueue::DropAllWaiting()
{
    CAutoLock lock(&queueLock_);
    while (!queue_.empty()) {
        AM_SAMPLE2_PROPERTIES* r = queue_.front();
        queue_.pop_front();
        Discard(r);
        ++dropped_;
    }
    UpdateIdleEvent();
}

size_t CComposeSampleQueue::Waiting() const
{
    CAutoLock lock(&queueLock_);
    return queue_.size();
}

bool CComposeSampleQueue::OldestStart(REFERENCE_TIME* start) const
{
    CAutoLock lock(&queueLock_);
    for (const AM_SAMPLE2_PROPERTIES* r : queue_) {
        if (r && (r->dwSampleFlags & AM_SAMPLE_TIMEVALID)) {
            *start = r->tStart;
            return true;
        }
    }
    return false;
}

size_t CComposeSampleQueue::Dropped() const
{
    CAutoLock lock(&queueLock_);
    return dropped_;
}
