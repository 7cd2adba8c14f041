#include "app/graphs/compose/ComposeOutputPins.h"

#include "app/core/EngineClock.h"

#include <mmsystem.h>

#include <cstring>
#include <new>

namespace {

const DWORD kSplicePoint = AM_SAMPLE_SPLICEPOINT;
const DWORD kPreroll = AM_SAMPLE_PREROLL;
const DWORD kDiscontinuity = AM_SAMPLE_DATADISCONTINUITY;
const DWORD kTypeChanged = AM_SAMPLE_TYPECHANGED;
const DWORD kTimeValid = AM_SAMPLE_TIMEVALID;
const DWORD kStopValid = AM_SAMPLE_STOPVALID;

} // namespace

// --- base pin -------------------------------------------------------------------

CCSBaseOutputPin::CCSBaseOutputPin(LPCTSTR objectName, HRESULT* phr, CSource* filter, LPCWSTR pinName)
    : CSourceStream(objectName, phr, filter, pinName), work_(FALSE, phr), notDelivering_(TRUE, phr)
{
    notDelivering_.Set();
    request_.cBuffers = 0;
    request_.cbBuffer = 0;
    request_.cbAlign = 0;
    request_.cbPrefix = 0;
}

CCSBaseOutputPin::~CCSBaseOutputPin() = default;

HRESULT CCSBaseOutputPin::SetOutputMediaType(const AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    CAutoLock lock(m_pFilter->pStateLock());
    HRESULT hr = m_mt.Set(*type);
    return hr;
}

void CCSBaseOutputPin::SetAllocatorRequest(long buffers, long bufferSize, long alignment, long prefix)
{
    request_.cBuffers = buffers;
    request_.cbBuffer = bufferSize;
    request_.cbAlign = alignment;
    request_.cbPrefix = prefix;
}

HRESULT CCSBaseOutputPin::GetMediaType(CMediaType* type)
{
    if (!type)
        return E_POINTER;
    CAutoLock lock(m_pFilter->pStateLock());
    if (!m_mt.IsValid())
        return E_UNEXPECTED;
    return type->Set(m_mt);
}

HRESULT CCSBaseOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    if (!allocator || !request)
        return E_POINTER;
    CAutoLock lock(m_pFilter->pStateLock());
    const long sampleSize = static_cast<long>(m_mt.lSampleSize);
    request->cBuffers = 1;
    request->cbBuffer = sampleSize;
    request->cbAlign = 1;
    request->cbPrefix = 0;
    request_ = *request;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    // A buffer smaller than a frame would go downstream empty, frame after frame.
    if (actual.cbBuffer < sampleSize || actual.cBuffers < 1)
        return E_FAIL;
    return S_OK;
}

HRESULT CCSBaseOutputPin::OnThreadCreate()
{
    timeBeginPeriod(1);
    startTime_ = EngineClock::NowReferenceTime();
    {
        CAutoLock lock(&holdLock_);
        if (restartSet_ && restartFrom_ < startTime_)
            startTime_ = restartFrom_;
        restartSet_ = false;
        holding_ = false;
    }
    return CSourceStream::OnThreadCreate();
}

void CCSBaseOutputPin::HoldForRestart()
{
    {
        CAutoLock lock(&holdLock_);
        holding_ = true;
        if (!delivering_)
            return;
    }
    notDelivering_.Wait(5000);
}

void CCSBaseOutputPin::RestartFrom(REFERENCE_TIME start)
{
    CAutoLock lock(&holdLock_);
    restartFrom_ = start;
    restartSet_ = true;
}

bool CCSBaseOutputPin::OldestWaitingStart(REFERENCE_TIME* start) const
{
    return start && queue_.OldestStart(start);
}

HRESULT CCSBaseOutputPin::OnThreadDestroy()
{
    timeEndPeriod(1);
    return CSourceStream::OnThreadDestroy();
}

int CCSBaseOutputPin::RebaseSampleTimes(AM_SAMPLE2_PROPERTIES* record) const
{
    if (record->tStart < startTime_)
        return 1;
    record->tStart -= startTime_;
    record->tStop -= startTime_;
    return 0;
}

BOOL CCSBaseOutputPin::CopyIntoPoolBuffer(AM_SAMPLE2_PROPERTIES* record, const BYTE* data, long size)
{
    if (size < 0)
        return FALSE;
    const size_t bufferSize = request_.cbBuffer > 0 ? static_cast<size_t>(request_.cbBuffer) : 0;
    if (static_cast<size_t>(size) > bufferSize)
        return FALSE;
    BYTE* buffer = queue_.TakeBuffer(bufferSize);
    if (!buffer)
        return FALSE;
    if (size > 0)
        std::memcpy(buffer, data, static_cast<size_t>(size));
    record->pbBuffer = buffer;
    record->cbBuffer = static_cast<LONG>(queue_.BufferSize());
    record->lActual = size;
    return TRUE;
}

void CCSBaseOutputPin::QueueRecord(AM_SAMPLE2_PROPERTIES* record)
{
    // Only the arrival that finds the thread idle signals it. A command handed to the thread
    // here would wait for its reply, and the thread may already be inside a delivery the
    // renderer holds (it takes what waits before it looks at commands). Without a thread
    // the record waits for the next start.
    if (queue_.Push(record))
        work_.Set();
}

void CCSBaseOutputPin::WaitForWorkOrCommand()
{
    HANDLE waits[2] = {GetRequestHandle(), work_};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
}

HRESULT CCSBaseOutputPin::FillBuffer(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    AM_SAMPLE2_PROPERTIES* record = nullptr;
    if (!queue_.Pop(record)) {
        AdjustSampleTimes(nullptr);
        return VFW_S_NO_MORE_ITEMS;
    }
    if (!record)
        return S_FALSE;

    HRESULT hr = S_OK;
    if (AdjustSampleTimes(record) != 0) {
        hr = E_FAIL;
    } else {
        const DWORD flags = record->dwSampleFlags;
        if (flags & kSplicePoint)
            sample->SetSyncPoint(TRUE);
        if (flags & kPreroll)
            sample->SetPreroll(TRUE);
        if (flags & kDiscontinuity)
            sample->SetDiscontinuity(TRUE);
        if ((flags & kTypeChanged) && record->pMediaType)
            sample->SetMediaType(record->pMediaType);
        REFERENCE_TIME start = record->tStart, stop = record->tStop;
        sample->SetTime((flags & kTimeValid) ? &start : nullptr, (flags & kStopValid) ? &stop : nullptr);
        BYTE* data = nullptr;
        if (SUCCEEDED(sample->GetPointer(&data)) && data && sample->GetSize() >= record->lActual &&
            record->lActual >= 0) {
            std::memcpy(data, record->pbBuffer, static_cast<size_t>(record->lActual));
            sample->SetActualDataLength(record->lActual);
        } else {
            sample->SetActualDataLength(0);
        }
    }
    // Dropped or delivered, the buffer goes back and the record is freed.
    queue_.Discard(record);
    return hr;
}

HRESULT CCSBaseOutputPin::DoBufferProcessingLoop()
{
    OnThreadStartPlay();
    queue_.MarkBusy();
    for (;;) {
        if (WaitForRequest(0)) {
            // A stop or exit is left for the thread's command loop, which answers it (an exit
            // taken here would leave the thread waiting for a command that never comes).
            const DWORD command = GetRequestParam();
            if (command == CMD_STOP || command == CMD_EXIT) {
                queue_.MarkIdle();
                return S_FALSE;
            }
            Command taken;
            if (CheckRequest(&taken))
                Reply(taken == CMD_RUN || taken == CMD_PAUSE ? S_OK : static_cast<DWORD>(E_UNEXPECTED));
            continue;
        }

        IMediaSample* sample = nullptr;
        HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr) || !sample) {
            // The allocator is decommitted while the graph stops: wait for the command.
            WaitForRequest(1);
            continue;
        }

        bool held = false;
        {
            // Holding for a restart: what waits stays for the next start. The thread waits
            // for its stop command without marking itself idle, so arrivals do not wake it.
            CAutoLock lock(&holdLock_);
            held = holding_;
            if (!held) {
                delivering_ = true;
                notDelivering_.Reset();
            }
        }
        if (held) {
            sample->Release();
            WaitForRequest(INFINITE);
            continue;
        }
        HRESULT delivered = S_OK;
        hr = FillBuffer(sample);
        if (hr == S_OK) {
            try {
                delivered = Deliver(sample);
            } catch (...) {
                delivered = S_OK;
            }
            if (delivered == S_OK)
                InterlockedIncrement(&delivered_);
        }
        {
            CAutoLock lock(&holdLock_);
            delivering_ = false;
            notDelivering_.Set();
        }
        if (hr == S_OK) {
            sample->Release();
            if (delivered != S_OK) {
                // Refused (flushing, stopping or failed): the next arrival tries again.
                queue_.MarkIdle();
                WaitForWorkOrCommand();
            }
        } else if (hr == S_FALSE) {
            sample->Release();
            DeliverEndOfStream();
            queue_.MarkIdle();
            WaitForWorkOrCommand();
        } else if (hr == VFW_S_NO_MORE_ITEMS) {
            // The queue marked the thread idle when it found itself empty; the next arrival
            // signals it.
            sample->Release();
            WaitForWorkOrCommand();
        } else {
            sample->Release();
        }
    }
}

// --- video pin --------------------------------------------------------------------

CCSVideoOutputPin::CCSVideoOutputPin(HRESULT* phr, CSource* filter, LPCWSTR pinName)
    : CCSBaseOutputPin(TEXT("ComposeVideoPin"), phr, filter, pinName)
{
}

void CCSVideoOutputPin::OnVideoFrame(int id, const AM_SAMPLE2_PROPERTIES* frame)
{
    (void)id;
    if (!frame || !CanQueue())
        return;
    AM_SAMPLE2_PROPERTIES* record = new (std::nothrow) AM_SAMPLE2_PROPERTIES(*frame);
    if (!record)
        return;
    record->pbBuffer = nullptr;
    // A frame larger than a pool buffer, or one without data, is refused like audio.
    if (!frame->pbBuffer || !CopyIntoPoolBuffer(record, frame->pbBuffer, frame->lActual)) {
        delete record;
        return;
    }
    QueueRecord(record);
}

HRESULT STDMETHODCALLTYPE CCSVideoOutputPin::Notify(IBaseFilter* self, Quality q)
{
    (void)self;
    (void)q;
    return S_OK;
}

int CCSVideoOutputPin::AdjustSampleTimes(AM_SAMPLE2_PROPERTIES* record)
{
    // Called with none when the queue ran dry: nothing to adjust.
    if (!record)
        return 0;
    return RebaseSampleTimes(record);
}

// --- audio pin --------------------------------------------------------------------

CCSAudioOutputPin::CCSAudioOutputPin(HRESULT* phr, CSource* filter, LPCWSTR pinName)
    : CCSBaseOutputPin(TEXT("ComposeAudioPin"), phr, filter, pinName)
{
}

HRESULT CCSAudioOutputPin::QueueSample(IMediaSample* sample)
{
    if (!CanQueue())
        return S_FALSE;
    if (!sample)
        return E_INVALIDARG;
    AM_SAMPLE2_PROPERTIES* record = new (std::nothrow) AM_SAMPLE2_PROPERTIES();
    if (!record)
        return E_OUTOFMEMORY;
    record->cbData = sizeof(AM_SAMPLE2_PROPERTIES);
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    if (times == S_OK) {
        record->dwSampleFlags |= kTimeValid | kStopValid;
    } else if (times == VFW_S_NO_STOP_TIME) {
        record->dwSampleFlags |= kTimeValid;
    }
    record->tStart = start;
    record->tStop = stop;
    if (sample->IsDiscontinuity() == S_OK)
        record->dwSampleFlags |= kDiscontinuity;
    if (sample->IsPreroll() == S_OK)
        record->dwSampleFlags |= kPreroll;
    if (sample->IsSyncPoint() == S_OK)
        record->dwSampleFlags |= kSplicePoint;

    BYTE* data = nullptr;
    const long actual = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || !data || !CopyIntoPoolBuffer(record, data, actual)) {
        delete record;
        return E_FAIL;
    }
    QueueRecord(record);
    return times;
}

void CCSAudioOutputPin::OnSample(int id, IMediaSample* sample, int timeLow, int timeHigh)
{
    (void)id;
    (void)timeLow;
    (void)timeHigh;
    QueueSample(sample);
}

int CCSAudioOutputPin::AdjustSampleTimes(AM_SAMPLE2_PROPERTIES* record)
{
    if (!record)
        return E_INVALIDARG;
    return RebaseSampleTimes(record);
}

// --- audio preview pin ------------------------------------------------------------

CAPSOutputPin::CAPSOutputPin(HRESULT* phr, CSource* filter, LPCWSTR pinName)
    : CCSAudioOutputPin(phr, filter, pinName)
{
}

HRESULT CAPSOutputPin::OnThreadCreate()
{
    // Preview samples carry no times, so nothing is rebased.
    startTime_ = 0;
    HRESULT hr = CSourceStream::OnThreadCreate();
    if (SUCCEEDED(hr))
        active_ = true;
    return hr;
}

HRESULT CAPSOutputPin::OnThreadDestroy()
{
    HRESULT hr = CSourceStream::OnThreadDestroy();
    active_ = false;
    return hr;
}

int CAPSOutputPin::AdjustSampleTimes(AM_SAMPLE2_PROPERTIES* record)
{
    if (!record)
        return E_POINTER;
    record->dwSampleFlags = kSplicePoint;
    queue_.DropAllWaiting();
    return 0;
}
