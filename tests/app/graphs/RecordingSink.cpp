#include "RecordingSink.h"

namespace graphstest {

namespace {

// Far beyond any hold a test means to make, even on a loaded machine.
const DWORD kHoldGuardMs = 20000;

class CSinkPin : public CBaseInputPin
{
public:
    CSinkPin(CRecordingSink* sink, CCritSec* lock, HRESULT* phr)
        : CBaseInputPin(TEXT("RecordingSinkPin"), sink, lock, phr, L"In"), sink_(sink)
    {
    }
    HRESULT CheckMediaType(const CMediaType* type) override { return type ? S_OK : E_POINTER; }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        sink_->NoteReceiveCall();
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK)
            return hr;
        return sink_->OnReceive(sample);
    }
    HRESULT STDMETHODCALLTYPE BeginFlush() override
    {
        sink_->OnStopOrFlush();
        return CBaseInputPin::BeginFlush();
    }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }

private:
    CRecordingSink* sink_;
};

} // namespace

CRecordingSink::CRecordingSink() : CBaseFilter(TEXT("RecordingSink"), nullptr, &filterLock_, GUID_NULL)
{
    arrived_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    holding_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    released_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HRESULT hr = S_OK;
    pin_.reset(new CSinkPin(this, &filterLock_, &hr));
}

CRecordingSink::~CRecordingSink()
{
    pin_.reset();
    CloseHandle(arrived_);
    CloseHandle(holding_);
    CloseHandle(released_);
}

CRecordingSink* CRecordingSink::Create()
{
    CRecordingSink* sink = new CRecordingSink();
    sink->NonDelegatingAddRef();
    return sink;
}

CBasePin* CRecordingSink::GetPin(int n)
{
    return n == 0 ? pin_.get() : nullptr;
}

HRESULT STDMETHODCALLTYPE CRecordingSink::Stop()
{
    OnStopOrFlush();
    return CBaseFilter::Stop();
}

void CRecordingSink::NoteReceiveCall()
{
    if (m_State == State_Stopped)
        InterlockedIncrement(&callsWhileStopped_);
}

void CRecordingSink::Block()
{
    ResetEvent(released_);
}

void CRecordingSink::Unblock()
{
    SetEvent(released_);
}

void CRecordingSink::OnStopOrFlush()
{
    SetEvent(released_);
}

HRESULT CRecordingSink::OnReceive(IMediaSample* sample)
{
    ReceivedSample r = {};
    r.timeResult = sample->GetTime(&r.start, &r.stop);
    r.syncPoint = sample->IsSyncPoint() == S_OK;
    r.preroll = sample->IsPreroll() == S_OK;
    r.discontinuity = sample->IsDiscontinuity() == S_OK;
    r.length = sample->GetActualDataLength();
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data && r.length >= 4)
        r.firstWord = *reinterpret_cast<const DWORD*>(data);
    {
        std::lock_guard<std::mutex> lock(lock_);
        samples_.push_back(r);
    }
    SetEvent(arrived_);
    if (WaitForSingleObject(released_, 0) != WAIT_OBJECT_0) {
        SetEvent(holding_);
        if (WaitForSingleObject(released_, kHoldGuardMs) != WAIT_OBJECT_0)
            InterlockedIncrement(&holdsTimedOut_);
    }
    return S_OK;
}

bool CRecordingSink::WaitForSamples(size_t count, DWORD timeoutMs)
{
    const DWORD begin = GetTickCount();
    for (;;) {
        if (Count() >= count)
            return true;
        const DWORD spent = GetTickCount() - begin;
        if (spent >= timeoutMs)
            return false;
        WaitForSingleObject(arrived_, timeoutMs - spent);
    }
}

bool CRecordingSink::WaitUntilHolding(DWORD timeoutMs)
{
    return WaitForSingleObject(holding_, timeoutMs) == WAIT_OBJECT_0;
}

std::vector<ReceivedSample> CRecordingSink::Samples()
{
    std::lock_guard<std::mutex> lock(lock_);
    return samples_;
}

size_t CRecordingSink::Count()
{
    std::lock_guard<std::mutex> lock(lock_);
    return samples_.size();
}

} // namespace graphstest
