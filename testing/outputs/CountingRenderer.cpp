#include "testing/outputs/CountingRenderer.h"

#include <chrono>
#include <new>

namespace standin {

// --- log ------------------------------------------------------------------------

void CReceiveLog::Add(const ReceivedRecord& record)
{
    std::lock_guard<std::mutex> lock(lock_);
    records_.push_back(record);
    arrived_.notify_all();
}

void CReceiveLog::Reset()
{
    std::lock_guard<std::mutex> lock(lock_);
    records_.clear();
    connected_ = CMediaType();
    blocked_ = false;
    holdsTimedOut_ = 0;
    released_.notify_all();
}

void CReceiveLog::SetConnected(const CMediaType* type)
{
    std::lock_guard<std::mutex> lock(lock_);
    connected_ = type ? *type : CMediaType();
}

size_t CReceiveLog::Count()
{
    std::lock_guard<std::mutex> lock(lock_);
    return records_.size();
}

std::vector<ReceivedRecord> CReceiveLog::Records()
{
    std::lock_guard<std::mutex> lock(lock_);
    return records_;
}

CMediaType CReceiveLog::Connected()
{
    std::lock_guard<std::mutex> lock(lock_);
    return connected_;
}

int CReceiveLog::Instances()
{
    std::lock_guard<std::mutex> lock(lock_);
    return instances_;
}

void CReceiveLog::AddInstance(int delta)
{
    std::lock_guard<std::mutex> lock(lock_);
    instances_ += delta;
}

bool CReceiveLog::WaitForCount(size_t count, DWORD guardMs)
{
    std::unique_lock<std::mutex> lock(lock_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(guardMs), [&]() { return records_.size() >= count; });
}

void CReceiveLog::Block()
{
    std::lock_guard<std::mutex> lock(lock_);
    blocked_ = true;
}

void CReceiveLog::Unblock()
{
    std::lock_guard<std::mutex> lock(lock_);
    blocked_ = false;
    released_.notify_all();
}

bool CReceiveLog::WaitUntilHolding(DWORD guardMs)
{
    std::unique_lock<std::mutex> lock(lock_);
    return held_.wait_for(lock, std::chrono::milliseconds(guardMs), [&]() { return holding_; });
}

void CReceiveLog::Hold(DWORD guardMs)
{
    std::unique_lock<std::mutex> lock(lock_);
    if (!blocked_)
        return;
    holding_ = true;
    held_.notify_all();
    if (!released_.wait_for(lock, std::chrono::milliseconds(guardMs), [&]() { return !blocked_; }))
        ++holdsTimedOut_;
    holding_ = false;
}

size_t CReceiveLog::HoldsTimedOut()
{
    std::lock_guard<std::mutex> lock(lock_);
    return holdsTimedOut_;
}

// --- renderer -------------------------------------------------------------------

namespace {

class CCountingInputPin : public CBaseInputPin
{
public:
    CCountingInputPin(CCountingRenderer* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name, const GUID& major)
        : CBaseInputPin(TEXT("CountingInput"), filter, lock, phr, name), renderer_(filter), major_(major)
    {
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (!type)
            return E_POINTER;
        return type->majortype == major_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT CompleteConnect(IPin* receivePin) override
    {
        HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
        if (SUCCEEDED(hr))
            renderer_->Log()->SetConnected(&m_mt);
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK)
            return hr;
        return renderer_->Receive(sample);
    }

    HRESULT STDMETHODCALLTYPE BeginFlush() override
    {
        renderer_->Log()->Unblock();
        return CBaseInputPin::BeginFlush();
    }

private:
    CCountingRenderer* renderer_;
    GUID major_;
};

} // namespace

CCountingRenderer::CCountingRenderer(HRESULT* phr, const CLSID& clsid, const GUID& major, LPCWSTR pinName,
                                     CReceiveLog* log)
    : CBaseFilter(TEXT("CountingRenderer"), nullptr, &lock_, clsid, phr), log_(log)
{
    pin_.reset(new CCountingInputPin(this, &lock_, phr, pinName, major));
    log_->AddInstance(1);
}

CCountingRenderer::~CCountingRenderer()
{
    log_->AddInstance(-1);
}

IUnknown* CCountingRenderer::Create(HRESULT* phr, const CLSID& clsid, const GUID& major, LPCWSTR pinName,
                                    CReceiveLog* log)
{
    CCountingRenderer* f = new (std::nothrow) CCountingRenderer(phr, clsid, major, pinName, log);
    if (!f)
        return nullptr;
    f->NonDelegatingAddRef();
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(f));
}

CBasePin* CCountingRenderer::GetPin(int n)
{
    return n == 0 ? pin_.get() : nullptr;
}

HRESULT STDMETHODCALLTYPE CCountingRenderer::Stop()
{
    log_->Unblock();
    return CBaseFilter::Stop();
}

HRESULT CCountingRenderer::Receive(IMediaSample* sample)
{
    ReceivedRecord record = {};
    record.length = sample->GetActualDataLength();
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data && record.length >= 4)
        record.firstWord = *reinterpret_cast<const DWORD*>(data);
    REFERENCE_TIME stop = 0;
    record.timed = sample->GetTime(&record.start, &stop) != VFW_E_SAMPLE_TIME_NOT_SET;
    log_->Add(record);
    log_->Hold();
    return S_OK;
}

} // namespace standin
