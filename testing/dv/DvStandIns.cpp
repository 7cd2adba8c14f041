#include "testing/dv/DvStandIns.h"

#include <edevdefs.h>
#include <mmreg.h>

#include <cstring>
#include <mutex>
#include <new>

namespace standin {

const CLSID CLSID_StandInDvCamcorder = {0x5A3C1E2B, 0x7D11, 0x4F0A, {0x9E, 0x61, 0x2B, 0x7C, 0x4D, 0x9E, 0x0A, 0x11}};

namespace {

std::mutex g_modesLock;
std::vector<LONG> g_modes;

CMediaType InterleavedDvType()
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Interleaved);
    mt.SetSubtype(&MEDIASUBTYPE_dvsd);
    mt.SetFormatType(&FORMAT_DvInfo);
    BYTE* info = mt.AllocFormatBuffer(sizeof(DVINFO));
    ZeroMemory(info, sizeof(DVINFO));
    mt.SetSampleSize(kDvFrameBytes);
    return mt;
}

// The camcorder's one pin: numbered frames of one colour with a rising audio ramp.
class CDvStream : public CSourceStream
{
public:
    CDvStream(HRESULT* phr, CSource* filter) : CSourceStream(TEXT("DvStream"), phr, filter, L"DV A/V Out") {}

    HRESULT GetMediaType(CMediaType* type) override { return type->Set(InterleavedDvType()); }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = 2;
        request->cbBuffer = kDvFrameBytes;
        request->cbAlign = 1;
        request->cbPrefix = 0;
        ALLOCATOR_PROPERTIES actual = {};
        HRESULT hr = allocator->SetProperties(request, &actual);
        return FAILED(hr) ? hr : (actual.cbBuffer >= kDvFrameBytes ? S_OK : E_FAIL);
    }
    HRESULT OnThreadStartPlay() override
    {
        frame_ = 0;
        return S_OK;
    }
    HRESULT FillBuffer(IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        if (sample->GetSize() < kDvFrameBytes)
            return E_FAIL;
        DvPayload* p = reinterpret_cast<DvPayload*>(data);
        p->magic = kDvMagic;
        p->colour = 0x00C08040;
        p->frame = frame_;
        p->audioBytes = sizeof p->audio;
        short* pcm = reinterpret_cast<short*>(p->audio);
        for (size_t i = 0; i < sizeof p->audio / 2; ++i)
            pcm[i] = static_cast<short>(frame_ * 16 + i % 256);
        sample->SetActualDataLength(kDvFrameBytes);
        REFERENCE_TIME start = REFERENCE_TIME(frame_) * 400000, stop = start + 400000;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        ++frame_;
        return S_OK;
    }

private:
    DWORD frame_ = 0;
};

} // namespace

// --- camcorder ----------------------------------------------------------------------

CStandInDvCamcorder::CStandInDvCamcorder(HRESULT* phr)
    : CSource(TEXT("StandInDvCamcorder"), nullptr, CLSID_StandInDvCamcorder, phr)
{
    new (std::nothrow) CDvStream(phr, this);
}

IUnknown* CStandInDvCamcorder::Create(HRESULT* phr)
{
    CStandInDvCamcorder* f = new (std::nothrow) CStandInDvCamcorder(phr);
    if (!f)
        return nullptr;
    f->NonDelegatingAddRef();
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(f));
}

HRESULT STDMETHODCALLTYPE CStandInDvCamcorder::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IAMExtTransport)
        return GetInterface(static_cast<IAMExtTransport*>(this), ppv);
    return CSource::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CStandInDvCamcorder::put_Mode(LONG mode)
{
    mode_ = mode;
    std::lock_guard<std::mutex> lock(g_modesLock);
    g_modes.push_back(mode);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStandInDvCamcorder::get_Mode(LONG* mode)
{
    if (!mode)
        return E_POINTER;
    *mode = mode_;
    return S_OK;
}

std::vector<LONG> CStandInDvCamcorder::ModesAsked()
{
    std::lock_guard<std::mutex> lock(g_modesLock);
    return g_modes;
}

void CStandInDvCamcorder::ResetModes()
{
    std::lock_guard<std::mutex> lock(g_modesLock);
    g_modes.clear();
}

// --- splitter -----------------------------------------------------------------------

CMediaType DvVideoType()
{
    CMediaType mt = Rgb32Type(kDvWidth, kDvHeight);
    mt.SetSubtype(&MEDIASUBTYPE_dvsd);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.Format());
    vih->bmiHeader.biCompression = MAKEFOURCC('d', 'v', 's', 'd');
    vih->bmiHeader.biBitCount = 24;
    vih->bmiHeader.biSizeImage = kDvFrameBytes;
    mt.SetSampleSize(kDvFrameBytes);
    return mt;
}

CStandInDvSplitter::CStandInDvSplitter(HRESULT* phr)
    : CBaseFilter(TEXT("StandInDvSplitter"), nullptr, &lock_, CLSID_DVSplitter, phr)
{
    input_.reset(new CForwardingInputPin(
        this, &lock_, phr, L"Input", MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd,
        [this](IMediaSample* s) { return Receive(s); }, [this]() { return EndOfStream(); }));
    video_.reset(new CFixedOutputPin(this, &lock_, phr, L"DVVidOut0", DvVideoType(), kDvFrameBytes));
    audio_.reset(new CFixedOutputPin(this, &lock_, phr, L"AudOut00", ProgramPcmType(), sizeof(DvPayload::audio), 4));
    video_->DeliverFromOwnThread();
    audio_->DeliverFromOwnThread();
}

CStandInDvSplitter::~CStandInDvSplitter() = default;

IUnknown* CStandInDvSplitter::Create(HRESULT* phr)
{
    CStandInDvSplitter* f = new (std::nothrow) CStandInDvSplitter(phr);
    if (!f)
        return nullptr;
    f->NonDelegatingAddRef();
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(f));
}

CBasePin* CStandInDvSplitter::GetPin(int n)
{
    switch (n) {
    case 0:
        return input_.get();
    case 1:
        return video_.get();
    case 2:
        return audio_.get();
    default:
        return nullptr;
    }
}

HRESULT CStandInDvSplitter::Receive(IMediaSample* sample)
{
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || sample->GetActualDataLength() < long(sizeof(DvPayload)))
        return E_FAIL;
    const DvPayload* p = reinterpret_cast<const DvPayload*>(data);
    if (p->magic != kDvMagic)
        return E_FAIL;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    const long length = sample->GetActualDataLength();
    HRESULT hr = video_->DeliverFilled(
        [&](BYTE* out, long size) {
            const long n = length < size ? length : size;
            std::memcpy(out, data, static_cast<size_t>(n));
            return n;
        },
        timed ? &start : nullptr, timed ? &stop : nullptr);
    if (FAILED(hr))
        return hr;
    audio_->DeliverFilled(
        [&](BYTE* out, long size) {
            const long n = long(p->audioBytes) < size ? long(p->audioBytes) : size;
            std::memcpy(out, p->audio, static_cast<size_t>(n));
            return n;
        },
        timed ? &start : nullptr, timed ? &stop : nullptr);
    return S_OK;
}

HRESULT CStandInDvSplitter::EndOfStream()
{
    if (video_->IsConnected())
        video_->DeliverEndOfStream();
    if (audio_->IsConnected())
        audio_->DeliverEndOfStream();
    return S_OK;
}

// --- decoder ------------------------------------------------------------------------

CStandInDvDecoder::CStandInDvDecoder(HRESULT* phr)
    : CBaseFilter(TEXT("StandInDvDecoder"), nullptr, &lock_, CLSID_DVVideoCodec, phr)
{
    input_.reset(new CForwardingInputPin(
        this, &lock_, phr, L"XForm In", MEDIATYPE_Video, MEDIASUBTYPE_dvsd,
        [this](IMediaSample* s) { return Receive(s); },
        [this]() { return output_->IsConnected() ? output_->DeliverEndOfStream() : S_OK; }));
    const CMediaType out = Rgb32Type(kDvWidth, kDvHeight);
    output_.reset(new CFixedOutputPin(this, &lock_, phr, L"XForm Out", out, long(out.lSampleSize)));
}

CStandInDvDecoder::~CStandInDvDecoder() = default;

IUnknown* CStandInDvDecoder::Create(HRESULT* phr)
{
    CStandInDvDecoder* f = new (std::nothrow) CStandInDvDecoder(phr);
    if (!f)
        return nullptr;
    f->NonDelegatingAddRef();
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(f));
}

CBasePin* CStandInDvDecoder::GetPin(int n)
{
    return n == 0 ? static_cast<CBasePin*>(input_.get()) : n == 1 ? output_.get() : nullptr;
}

HRESULT CStandInDvDecoder::Receive(IMediaSample* sample)
{
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || sample->GetActualDataLength() < long(sizeof(DvPayload)))
        return E_FAIL;
    const DWORD colour = reinterpret_cast<const DvPayload*>(data)->colour;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    return output_->DeliverFilled(
        [&](BYTE* out, long size) {
            DWORD* px = reinterpret_cast<DWORD*>(out);
            const long n = size / 4;
            for (long i = 0; i < n; ++i)
                px[i] = colour;
            return n * 4;
        },
        timed ? &start : nullptr, timed ? &stop : nullptr);
}

// --- registration -------------------------------------------------------------------

HRESULT RegisterDevice(const CLSID& category, const CLSID& clsid, const wchar_t* name, const wchar_t* devicePath)
{
    CComPtr<IFilterMapper2> mapper;
    HRESULT hr = mapper.CoCreateInstance(CLSID_FilterMapper2);
    if (FAILED(hr))
        return hr;
    REGFILTER2 rf = {};
    rf.dwVersion = 1;
    rf.dwMerit = MERIT_DO_NOT_USE;
    rf.cPins = 0;
    rf.rgPins = nullptr;
    CComPtr<IMoniker> moniker;
    hr = mapper->RegisterFilter(clsid, name, &moniker, &category, name, &rf);
    if (FAILED(hr) || !devicePath)
        return hr;
    CComPtr<IPropertyBag> bag;
    hr = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag));
    if (FAILED(hr))
        return hr;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(devicePath);
    hr = bag->Write(L"DevicePath", &v);
    VariantClear(&v);
    return hr;
}

HRESULT UnregisterDevice(const CLSID& category, const CLSID& clsid, const wchar_t* name)
{
    CComPtr<IFilterMapper2> mapper;
    HRESULT hr = mapper.CoCreateInstance(CLSID_FilterMapper2);
    if (FAILED(hr))
        return hr;
    return mapper->UnregisterFilter(&category, name, clsid);
}

CDvStandIns::CDvStandIns(const wchar_t* devicePath)
    : camcorder_(CLSID_StandInDvCamcorder, &CStandInDvCamcorder::Create),
      splitter_(CLSID_DVSplitter, &CStandInDvSplitter::Create), decoder_(CLSID_DVVideoCodec, &CStandInDvDecoder::Create)
{
    hr_ = FAILED(camcorder_.Result()) ? camcorder_.Result()
          : FAILED(splitter_.Result()) ? splitter_.Result()
                                       : decoder_.Result();
    if (SUCCEEDED(hr_))
        hr_ = RegisterDevice(CLSID_VideoInputDeviceCategory, CLSID_StandInDvCamcorder, DeviceName(), devicePath);
}

CDvStandIns::~CDvStandIns()
{
    UnregisterDevice(CLSID_VideoInputDeviceCategory, CLSID_StandInDvCamcorder, DeviceName());
}

} // namespace standin
