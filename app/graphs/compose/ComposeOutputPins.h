// The output pins of the compose source. Each copies what the director hands it (program
// frames on the video pin, mixed audio on the audio pin) into its queue at once, so the
// caller's buffer is free again, and delivers the copies downstream from its own streaming
// thread with their times rebased to the moment that thread started.
#pragma once

#include "app/core/Listeners.h"
#include "app/graphs/compose/ComposeSampleQueue.h"

#include <streams.h>

class CCSBaseOutputPin : public CSourceStream
{
public:
    CCSBaseOutputPin(LPCTSTR objectName, HRESULT* phr, CSource* filter, LPCWSTR pinName);
    ~CCSBaseOutputPin() override;

    // The only type the pin offers; set before the pin is connected.
    HRESULT SetOutputMediaType(const AM_MEDIA_TYPE* type);
    void SetAllocatorRequest(long buffers, long bufferSize, long alignment, long prefix);
    const ALLOCATOR_PROPERTIES& AllocatorRequest() const { return request_; }

    void SetActive(bool active) { active_ = active; }
    bool IsActive() const { return active_; }
    bool IsIdle() const { return queue_.IsIdle(); }
    REFERENCE_TIME StartTime() const { return startTime_; }
    CComposeSampleQueue& Queue() { return queue_; }
    // Records the streaming thread handed downstream and the renderer took.
    LONG Delivered() const { return delivered_; }

    // A restart that must lose nothing (an output switching files): from this call the pin
    // keeps what arrives, delivers nothing more and queues even while it is briefly
    // unconnected; a delivery in progress has returned when it returns (it waits up to 5 s
    // for one, so a renderer that holds its sample until the graph stops cannot hang it). The
    // next start counts its times from RestartFrom's moment instead of the start itself, and
    // ends the holding.
    void HoldForRestart();
    void RestartFrom(REFERENCE_TIME start);
    bool IsHolding() const { return holding_; }
    // The start time of the oldest waiting record that has one; false when none waits.
    bool OldestWaitingStart(REFERENCE_TIME* start) const;

    // 0 for video, 1 for audio.
    virtual int GetMediaKind() const = 0;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadDestroy() override;
    HRESULT OnThreadStartPlay() override { return S_OK; }
    HRESULT DoBufferProcessingLoop() override;
    HRESULT GetMediaType(CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // Non-zero drops the record instead of delivering it; null when the queue ran dry.
    virtual int AdjustSampleTimes(AM_SAMPLE2_PROPERTIES* record) = 0;
    // The shared rule: records stamped before the thread started are dropped, the others
    // are made relative to that moment.
    int RebaseSampleTimes(AM_SAMPLE2_PROPERTIES* record) const;

    // Copies size bytes into a pool buffer of the record; FALSE when none can be had.
    BOOL CopyIntoPoolBuffer(AM_SAMPLE2_PROPERTIES* record, const BYTE* data, long size);
    // Queues a record (dropping the oldest above the bound) and wakes an idle thread. Never
    // waits for the streaming thread: the caller is the mixer or the director, which must
    // not stall behind a renderer that holds a delivery.
    void QueueRecord(AM_SAMPLE2_PROPERTIES* record);
    // The idle thread's wait: for the next arrival or the next command.
    void WaitForWorkOrCommand();

    bool CanQueue() const { return active_ && (holding_ || IsConnected()); }

    ALLOCATOR_PROPERTIES request_;
    volatile bool active_ = false;
    REFERENCE_TIME startTime_ = 0;
    CComposeSampleQueue queue_;
    // Set by the arrival that finds the thread idle (auto-reset).
    CAMEvent work_;
    volatile LONG delivered_ = 0;
    // The holding state, and whether the thread is between taking a record and its delivery's
    // return: both under holdLock_, which is never held across a delivery.
    CCritSec holdLock_;
    volatile bool holding_ = false;
    bool delivering_ = false;
    bool restartSet_ = false;
    REFERENCE_TIME restartFrom_ = 0;
    // Set while no delivery is under way (manual reset).
    CAMEvent notDelivering_;
};

class CCSVideoOutputPin : public CCSBaseOutputPin, public IVideoListener
{
public:
    CCSVideoOutputPin(HRESULT* phr, CSource* filter, LPCWSTR pinName = L"Video");

    // IVideoListener: the record and its buffer are the caller's; a copy is queued.
    void OnVideoFrame(int id, const AM_SAMPLE2_PROPERTIES* frame) override;

    int GetMediaKind() const override { return 0; }

    // Quality notifications from downstream are answered and ignored.
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* self, Quality q) override;

protected:
    int AdjustSampleTimes(AM_SAMPLE2_PROPERTIES* record) override;
};

class CCSAudioOutputPin : public CCSBaseOutputPin, public IGrabListener
{
public:
    CCSAudioOutputPin(HRESULT* phr, CSource* filter, LPCWSTR pinName = L"Audio");

    // The mixer's sample is valid only during the call; a copy is queued. The result tells
    // the caller what became of it: S_FALSE while the pin is inactive or unconnected.
    HRESULT QueueSample(IMediaSample* sample);

    // IGrabListener
    void OnSample(int id, IMediaSample* sample, int timeLow, int timeHigh) override;
    void OnFlush(int id) override { (void)id; }

    int GetMediaKind() const override { return 1; }

protected:
    int AdjustSampleTimes(AM_SAMPLE2_PROPERTIES* record) override;
};

// The audio preview's pin: low delay over completeness. Samples go out without times, and
// whatever waits behind the one being delivered is thrown away.
class CAPSOutputPin : public CCSAudioOutputPin
{
public:
    CAPSOutputPin(HRESULT* phr, CSource* filter, LPCWSTR pinName = L"Audio");

protected:
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadDestroy() override;
    int AdjustSampleTimes(AM_SAMPLE2_PROPERTIES* record) override;
};
