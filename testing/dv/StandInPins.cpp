#include "testing/dv/StandInPins.h"

#include <mmreg.h>

#include <cstring>
#include <new>

namespace standin {

CFixedOutputPin::CFixedOutputPin(CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name,
                                 const CMediaType& type, long bufferSize, long buffers)
    : CBaseOutputPin(TEXT("StandInOutput"), filter, lock, phr, name), type_(type), bufferSize_(bufferSize),
      buffers_(buffers)
{
}

HRESULT CFixedOutputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    return *type == type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFixedOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Set(type_);
}

HRESULT CFixedOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    request->cBuffers = buffers_;
    request->cbBuffer = bufferSize_;
    request->cbAlign = 1;
    request->cbPrefix = 0;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer >= bufferSize_ ? S_OK : E_FAIL;
}

HRESULT CFixedOutputPin::DeliverFilled(const std::function<long(BYTE*, long)>& fill, const REFERENCE_TIME* start,
                                       const REFERENCE_TIME* stop)
{
    if (!IsConnected())
        return S_FALSE;
    IMediaSample* sample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long actual = fill(data, sample->GetSize());
    sample->SetActualDataLength(actual);
    REFERENCE_TIME s = start ? *start : 0, e = stop ? *stop : 0;
    sample->SetTime(start ? &s : nullptr, stop ? &e : nullptr);
    sample->SetSyncPoint(TRUE);
    if (queued_) {
        std::lock_guard<std::mutex> lock(queueLock_);
        if (stopping_ || !worker_.joinable()) {
            sample->Release();
            return S_FALSE;
        }
        queue_.push_back(sample);
        queueReady_.notify_one();
        return S_OK;
    }
    hr = Deliver(sample);
    sample->Release();
    return hr;
}

HRESULT CFixedOutputPin::Active()
{
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr) || !queued_ || worker_.joinable())
        return hr;
    stopping_ = false;
    worker_ = std::thread([this]() { Worker(); });
    return hr;
}

HRESULT CFixedOutputPin::Inactive()
{
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(queueLock_);
            stopping_ = true;
            queueReady_.notify_one();
        }
        worker_.join();
        for (IMediaSample* s : queue_)
            s->Release();
        queue_.clear();
    }
    return CBaseOutputPin::Inactive();
}

void CFixedOutputPin::Worker()
{
    for (;;) {
        IMediaSample* sample = nullptr;
        {
            std::unique_lock<std::mutex> lock(queueLock_);
            queueReady_.wait(lock, [this]() { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            sample = queue_.front();
            queue_.pop_front();
        }
        Deliver(sample);
        sample->Release();
    }
}

CForwardingInputPin::CForwardingInputPin(CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name,
                                         const GUID& major, const GUID& subtype,
                                         std::function<HRESULT(IMediaSample*)> receive,
                                         std::function<HRESULT()> endOfStream)
    : CBaseInputPin(TEXT("StandInInput"), filter, lock, phr, name), major_(major), subtype_(subtype),
      receive_(std::move(receive)), endOfStream_(std::move(endOfStream))
{
}

HRESULT CForwardingInputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    return type->majortype == major_ && type->subtype == subtype_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT STDMETHODCALLTYPE CForwardingInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return receive_(sample);
}

HRESULT STDMETHODCALLTYPE CForwardingInputPin::EndOfStream()
{
    return endOfStream_ ? endOfStream_() : S_OK;
}

namespace {

class CFactory : public IClassFactory
{
public:
    explicit CFactory(CClassRegistration::Create create) : create_(std::move(create)) {}
    virtual ~CFactory() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&ref_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG n = InterlockedDecrement(&ref_);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        HRESULT hr = S_OK;
        IUnknown* object = create_(&hr);
        if (!object)
            return FAILED(hr) ? hr : E_OUTOFMEMORY;
        hr = SUCCEEDED(hr) ? object->QueryInterface(riid, ppv) : hr;
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    CClassRegistration::Create create_;
    LONG ref_ = 1;
};

} // namespace

CClassRegistration::CClassRegistration(const CLSID& clsid, Create create)
{
    factory_ = new CFactory(std::move(create));
    hr_ = CoRegisterClassObject(clsid, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
}

CClassRegistration::~CClassRegistration()
{
    if (SUCCEEDED(hr_))
        CoRevokeClassObject(cookie_);
    factory_->Release();
}

CMediaType ProgramPcmType(DWORD rate, ULONG sampleSize)
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Audio);
    mt.SetSubtype(&MEDIASUBTYPE_PCM);
    mt.SetFormatType(&FORMAT_WaveFormatEx);
    WAVEFORMATEX* wf = reinterpret_cast<WAVEFORMATEX*>(mt.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    ZeroMemory(wf, sizeof *wf);
    wf->wFormatTag = WAVE_FORMAT_PCM;
    wf->nChannels = 2;
    wf->nSamplesPerSec = rate;
    wf->wBitsPerSample = 16;
    wf->nBlockAlign = 4;
    wf->nAvgBytesPerSec = rate * 4;
    wf->cbSize = 0;
    mt.SetSampleSize(sampleSize);
    return mt;
}

CMediaType Rgb32Type(LONG width, LONG height, REFERENCE_TIME frameInterval)
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    ZeroMemory(vih, sizeof *vih);
    vih->rcSource = {0, 0, width, height};
    vih->rcTarget = vih->rcSource;
    vih->AvgTimePerFrame = frameInterval;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    vih->bmiHeader.biCompression = BI_RGB;
    vih->bmiHeader.biSizeImage = static_cast<DWORD>(width * height * 4);
    mt.SetSampleSize(vih->bmiHeader.biSizeImage);
    mt.SetTemporalCompression(FALSE);
    return mt;
}

} // namespace standin
