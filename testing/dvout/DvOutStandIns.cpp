#include "testing/dvout/DvOutStandIns.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <new>

namespace standin {

const CLSID CLSID_StandInDvEncoder = {0x8E1F4C2A, 0x3B6D, 0x4E57, {0xA1, 0xC9, 0x5D, 0x2E, 0x7F, 0x0B, 0x3A, 0x41}};

// {65E8773E-8F56-11D0-A3B9-00A0C9223196}
const GUID kDeckCategory = {0x65E8773E, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

namespace {

// {8E1F4C2B-3B6D-4E57-A1C9-5D2E7F0B3A41} and the two after it.
const CLSID kDeckClassIds[kDeckSlots] = {
    {0x8E1F4C2B, 0x3B6D, 0x4E57, {0xA1, 0xC9, 0x5D, 0x2E, 0x7F, 0x0B, 0x3A, 0x41}},
    {0x8E1F4C2C, 0x3B6D, 0x4E57, {0xA1, 0xC9, 0x5D, 0x2E, 0x7F, 0x0B, 0x3A, 0x41}},
    {0x8E1F4C2D, 0x3B6D, 0x4E57, {0xA1, 0xC9, 0x5D, 0x2E, 0x7F, 0x0B, 0x3A, 0x41}},
};

// Audio the multiplexer holds for the next frames at most: one second of program audio.
const size_t kMaxPendingAudio = 176400;

std::mutex g_lock;
std::condition_variable g_framesArrived;
DvEncoderSettings g_encoderSettings;
int g_encoderCalls = 0;
DWORD g_muxAudioBytes = 0;
DeckScript g_scripts[kDeckSlots];
DeckRecord g_records[kDeckSlots];

bool ValidSlot(int slot)
{
    return slot >= 0 && slot < kDeckSlots;
}

DeckScript Script(int slot)
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_scripts[slot];
}

template <class T>
IUnknown* AsUnknown(T* filter)
{
    filter->NonDelegatingAddRef();
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(filter));
}

} // namespace

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

// --- encoder ------------------------------------------------------------------------

CStandInDvEncoder::CStandInDvEncoder(HRESULT* phr)
    : CBaseFilter(TEXT("StandInDvEncoder"), nullptr, &lock_, CLSID_StandInDvEncoder, phr)
{
    input_.reset(new CForwardingInputPin(
        this, &lock_, phr, L"XForm In", MEDIATYPE_Video, MEDIASUBTYPE_RGB32,
        [this](IMediaSample* s) { return Receive(s); },
        [this]() { return output_->IsConnected() ? output_->DeliverEndOfStream() : S_OK; }));
    output_.reset(new CFixedOutputPin(this, &lock_, phr, L"XForm Out", DvVideoType(), kDvFrameBytes));
}

CStandInDvEncoder::~CStandInDvEncoder() = default;

IUnknown* CStandInDvEncoder::Create(HRESULT* phr)
{
    CStandInDvEncoder* f = new (std::nothrow) CStandInDvEncoder(phr);
    return f ? AsUnknown(f) : nullptr;
}

HRESULT STDMETHODCALLTYPE CStandInDvEncoder::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IDVEnc)
        return GetInterface(static_cast<IDVEnc*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* CStandInDvEncoder::GetPin(int n)
{
    return n == 0 ? static_cast<CBasePin*>(input_.get()) : n == 1 ? output_.get() : nullptr;
}

HRESULT STDMETHODCALLTYPE CStandInDvEncoder::get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution,
                                                                    BYTE, DVINFO*)
{
    if (!videoFormat || !dvFormat || !resolution)
        return E_POINTER;
    CAutoLock lock(&lock_);
    *videoFormat = settings_.videoFormat;
    *dvFormat = settings_.dvFormat;
    *resolution = settings_.resolution;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStandInDvEncoder::put_IFormatResolution(int videoFormat, int dvFormat, int resolution,
                                                                    BYTE withDvInfo, DVINFO* info)
{
    DvEncoderSettings s;
    s.videoFormat = videoFormat;
    s.dvFormat = dvFormat;
    s.resolution = resolution;
    s.withDvInfo = withDvInfo;
    s.dvInfoGiven = info != nullptr;
    {
        CAutoLock lock(&lock_);
        settings_ = s;
    }
    std::lock_guard<std::mutex> lock(g_lock);
    g_encoderSettings = s;
    ++g_encoderCalls;
    return S_OK;
}

DvEncoderSettings CStandInDvEncoder::LastSettings()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_encoderSettings;
}

int CStandInDvEncoder::SettingsCalls()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_encoderCalls;
}

void CStandInDvEncoder::Reset()
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_encoderSettings = DvEncoderSettings();
    g_encoderCalls = 0;
}

// The "encoding" keeps the picture's first pixel as the frame's colour and numbers the frames.
HRESULT CStandInDvEncoder::Receive(IMediaSample* sample)
{
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || sample->GetActualDataLength() < 4)
        return E_FAIL;
    DvPayload payload = {};
    payload.magic = kDvMagic;
    std::memcpy(&payload.colour, data, sizeof payload.colour);
    payload.frame = frames_++;
    payload.audioBytes = 0;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    return output_->DeliverFilled(
        [&](BYTE* out, long size) {
            const long n = std::min<long>(size, long(sizeof payload));
            std::memcpy(out, &payload, static_cast<size_t>(n));
            return size < kDvFrameBytes ? n : kDvFrameBytes;
        },
        timed ? &start : nullptr, timed ? &stop : nullptr);
}

// --- multiplexer --------------------------------------------------------------------

CStandInDvMux::CStandInDvMux(HRESULT* phr) : CBaseFilter(TEXT("StandInDvMux"), nullptr, &lock_, CLSID_DVMux, phr)
{
    video_.reset(new CForwardingInputPin(
        this, &lock_, phr, L"Input 01", MEDIATYPE_Video, MEDIASUBTYPE_dvsd,
        [this](IMediaSample* s) { return ReceiveVideo(s); },
        [this]() { return output_->IsConnected() ? output_->DeliverEndOfStream() : S_OK; }));
    audioIn_.reset(new CForwardingInputPin(
        this, &lock_, phr, L"Input 02", MEDIATYPE_Audio, MEDIASUBTYPE_PCM,
        [this](IMediaSample* s) { return ReceiveAudio(s); }, nullptr));
    output_.reset(new CFixedOutputPin(this, &lock_, phr, L"Output", InterleavedDvType(), kDvFrameBytes));
}

CStandInDvMux::~CStandInDvMux() = default;

IUnknown* CStandInDvMux::Create(HRESULT* phr)
{
    CStandInDvMux* f = new (std::nothrow) CStandInDvMux(phr);
    return f ? AsUnknown(f) : nullptr;
}

CBasePin* CStandInDvMux::GetPin(int n)
{
    switch (n) {
    case 0:
        return video_.get();
    case 1:
        return audioIn_.get();
    case 2:
        return output_.get();
    default:
        return nullptr;
    }
}

// Each video frame leaves with the audio that arrived before it.
HRESULT CStandInDvMux::ReceiveVideo(IMediaSample* sample)
{
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || sample->GetActualDataLength() < long(sizeof(DvPayload)))
        return E_FAIL;
    DvPayload payload;
    std::memcpy(&payload, data, sizeof payload);
    if (payload.magic != kDvMagic)
        return E_FAIL;
    {
        std::lock_guard<std::mutex> lock(audioLock_);
        const size_t n = std::min(audio_.size(), sizeof payload.audio);
        std::memcpy(payload.audio, audio_.data(), n);
        audio_.erase(audio_.begin(), audio_.begin() + static_cast<std::ptrdiff_t>(n));
        payload.audioBytes = DWORD(n);
    }
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    return output_->DeliverFilled(
        [&](BYTE* out, long size) {
            const long n = std::min<long>(size, long(sizeof payload));
            std::memcpy(out, &payload, static_cast<size_t>(n));
            return size < kDvFrameBytes ? n : kDvFrameBytes;
        },
        timed ? &start : nullptr, timed ? &stop : nullptr);
}

HRESULT CStandInDvMux::ReceiveAudio(IMediaSample* sample)
{
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)))
        return E_FAIL;
    const long length = sample->GetActualDataLength();
    {
        std::lock_guard<std::mutex> lock(audioLock_);
        audio_.insert(audio_.end(), data, data + length);
        if (audio_.size() > kMaxPendingAudio)
            audio_.erase(audio_.begin(), audio_.end() - static_cast<std::ptrdiff_t>(kMaxPendingAudio));
    }
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_muxAudioBytes += DWORD(length);
    }
    g_framesArrived.notify_all();
    return S_OK;
}

bool CStandInDvMux::WaitForAudio(DWORD bytes, DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(g_lock);
    return g_framesArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&]() { return g_muxAudioBytes >= bytes; });
}

void CStandInDvMux::Reset()
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_muxAudioBytes = 0;
}

// --- ACM wrapper ------------------------------------------------------------------

CStandInAcmWrapper::CStandInAcmWrapper(HRESULT* phr)
    : CTransInPlaceFilter(TEXT("StandInAcmWrapper"), nullptr, CLSID_ACMWrapper, phr, false)
{
}

IUnknown* CStandInAcmWrapper::Create(HRESULT* phr)
{
    CStandInAcmWrapper* f = new (std::nothrow) CStandInAcmWrapper(phr);
    return f ? AsUnknown(f) : nullptr;
}

HRESULT CStandInAcmWrapper::CheckInputType(const CMediaType* type)
{
    if (!type)
        return E_POINTER;
    const bool pcm = type->majortype == MEDIATYPE_Audio && type->subtype == MEDIASUBTYPE_PCM &&
                     type->formattype == FORMAT_WaveFormatEx && type->cbFormat >= sizeof(WAVEFORMATEX);
    return pcm ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

// --- decks --------------------------------------------------------------------------

CStandInDvDeck::CStandInDvDeck(int slot, HRESULT* phr)
    : CBaseFilter(TEXT("StandInDvDeck"), nullptr, &lock_, kDeckClassIds[slot], phr), slot_(slot)
{
    input_.reset(new CForwardingInputPin(
        this, &lock_, phr, L"DV In", MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd,
        [this](IMediaSample* s) { return Receive(s); }, [this]() { return EndOfStream(); }));
}

CStandInDvDeck::~CStandInDvDeck() = default;

IUnknown* CStandInDvDeck::Create(int slot, HRESULT* phr)
{
    if (!ValidSlot(slot)) {
        *phr = E_INVALIDARG;
        return nullptr;
    }
    CStandInDvDeck* f = new (std::nothrow) CStandInDvDeck(slot, phr);
    return f ? AsUnknown(f) : nullptr;
}

const CLSID& CStandInDvDeck::ClassId(int slot)
{
    return kDeckClassIds[ValidSlot(slot) ? slot : 0];
}

void CStandInDvDeck::SetScript(int slot, const DeckScript& script)
{
    if (!ValidSlot(slot))
        return;
    std::lock_guard<std::mutex> lock(g_lock);
    g_scripts[slot] = script;
}

DeckRecord CStandInDvDeck::Record(int slot)
{
    if (!ValidSlot(slot))
        return DeckRecord();
    std::lock_guard<std::mutex> lock(g_lock);
    return g_records[slot];
}

bool CStandInDvDeck::WaitForFrames(int slot, size_t count, DWORD timeoutMs)
{
    if (!ValidSlot(slot))
        return false;
    std::unique_lock<std::mutex> lock(g_lock);
    return g_framesArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&]() { return g_records[slot].frames.size() >= count; });
}

void CStandInDvDeck::Reset()
{
    std::lock_guard<std::mutex> lock(g_lock);
    for (int i = 0; i < kDeckSlots; ++i) {
        g_scripts[i] = DeckScript();
        g_records[i] = DeckRecord();
    }
}

HRESULT STDMETHODCALLTYPE CStandInDvDeck::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IAMExtDevice) {
        if (!Script(slot_).hasExtDevice) {
            if (ppv)
                *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return GetInterface(static_cast<IAMExtDevice*>(this), ppv);
    }
    if (riid == IID_IAMExtTransport)
        return GetInterface(static_cast<IAMExtTransport*>(this), ppv);
    if (riid == IID_IAMFilterMiscFlags)
        return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* CStandInDvDeck::GetPin(int n)
{
    return n == 0 ? input_.get() : nullptr;
}

HRESULT STDMETHODCALLTYPE CStandInDvDeck::GetCapability(LONG capability, LONG* value, double* number)
{
    if (!value)
        return E_POINTER;
    if (number)
        *number = 0;
    const DeckScript script = Script(slot_);
    if (capability != 4103)
        return E_NOTIMPL;
    if (FAILED(script.capabilityResult))
        return script.capabilityResult;
    *value = script.deviceType;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStandInDvDeck::GetStatus(LONG item, LONG* value)
{
    if (!value)
        return E_POINTER;
    const DeckScript script = Script(slot_);
    if (FAILED(script.statusResult))
        return script.statusResult;
    switch (item) {
    case 4607:
        *value = script.medium;
        return S_OK;
    case 5036:
        *value = script.signal;
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}

HRESULT STDMETHODCALLTYPE CStandInDvDeck::put_Mode(LONG mode)
{
    bool inGraph;
    {
        CAutoLock lock(&lock_);
        mode_ = mode;
        inGraph = GetFilterGraph() != nullptr;
    }
    std::lock_guard<std::mutex> lock(g_lock);
    g_records[slot_].modes.push_back(mode);
    g_records[slot_].modeInGraph.push_back(inGraph);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStandInDvDeck::get_Mode(LONG* mode)
{
    if (!mode)
        return E_POINTER;
    CAutoLock lock(&lock_);
    *mode = mode_;
    return S_OK;
}

HRESULT CStandInDvDeck::Receive(IMediaSample* sample)
{
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || sample->GetActualDataLength() < long(sizeof(DvPayload)))
        return E_FAIL;
    DvPayload header;
    std::memcpy(&header, data, offsetof(DvPayload, audio));
    if (header.magic != kDvMagic)
        return E_FAIL;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        DeckRecord& record = g_records[slot_];
        record.frames.push_back(header.frame);
        record.colours.push_back(header.colour);
        record.audioBytes += header.audioBytes;
    }
    g_framesArrived.notify_all();
    return S_OK;
}

HRESULT CStandInDvDeck::EndOfStream()
{
    return NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

// --- registration -------------------------------------------------------------------

CDeviceEntry::CDeviceEntry(const GUID& category, const CLSID& clsid, const wchar_t* instance,
                           const wchar_t* friendlyName, const wchar_t* description)
    : category_(category), clsid_(clsid), instance_(instance ? instance : L"")
{
    CComPtr<IFilterMapper2> mapper;
    hr_ = mapper.CoCreateInstance(CLSID_FilterMapper2);
    if (FAILED(hr_))
        return;
    REGFILTER2 rf = {};
    rf.dwVersion = 1;
    rf.dwMerit = MERIT_DO_NOT_USE;
    CComPtr<IMoniker> moniker;
    hr_ = mapper->RegisterFilter(clsid, friendlyName, &moniker, &category, instance, &rf);
    if (FAILED(hr_) || !description)
        return;
    CComPtr<IPropertyBag> bag;
    hr_ = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag));
    if (FAILED(hr_))
        return;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(description);
    hr_ = bag->Write(L"Description", &v);
    VariantClear(&v);
}

CDeviceEntry::~CDeviceEntry()
{
    Remove(category_, clsid_, instance_.c_str());
}

HRESULT CDeviceEntry::Remove(const GUID& category, const CLSID& clsid, const wchar_t* instance)
{
    CComPtr<IFilterMapper2> mapper;
    HRESULT hr = mapper.CoCreateInstance(CLSID_FilterMapper2);
    return SUCCEEDED(hr) ? mapper->UnregisterFilter(&category, instance, clsid) : hr;
}

CDvOutStandIns::CDvOutStandIns()
    : encoder_(CLSID_StandInDvEncoder, &CStandInDvEncoder::Create), mux_(CLSID_DVMux, &CStandInDvMux::Create),
      acm_(CLSID_ACMWrapper, &CStandInAcmWrapper::Create)
{
    CStandInDvEncoder::Reset();
    CStandInDvMux::Reset();
    CStandInDvDeck::Reset();
    hr_ = FAILED(encoder_.Result()) ? encoder_.Result() : FAILED(mux_.Result()) ? mux_.Result() : acm_.Result();
    for (int slot = 0; slot < kDeckSlots; ++slot) {
        decks_.emplace_back(new CClassRegistration(
            kDeckClassIds[slot], [slot](HRESULT* phr) { return CStandInDvDeck::Create(slot, phr); }));
        if (SUCCEEDED(hr_))
            hr_ = decks_.back()->Result();
    }
    encoderEntry_.reset(new CDeviceEntry(CLSID_VideoCompressorCategory, CLSID_StandInDvEncoder, L"DV Video Encoder",
                                         L"DV Video Encoder"));
    if (SUCCEEDED(hr_))
        hr_ = encoderEntry_->Result();
}

CDvOutStandIns::~CDvOutStandIns() = default;

} // namespace standin
