#include "StubCapture.h"

#include <cstring>
#include <new>

namespace rvxstub {

namespace {

CMediaType VideoType(LONG width, LONG height, REFERENCE_TIME interval) {
    CMediaType mt(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB24);
    mt.SetFormatType(&FORMAT_VideoInfo);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    std::memset(vih, 0, sizeof(*vih));
    vih->AvgTimePerFrame = interval;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 24;
    vih->bmiHeader.biCompression = BI_RGB;
    vih->bmiHeader.biSizeImage = ((width * 3 + 3) & ~3) * height;
    mt.SetSampleSize(vih->bmiHeader.biSizeImage);
    mt.SetTemporalCompression(FALSE);
    return mt;
}

CMediaType AudioType(WORD channels, DWORD rate) {
    CMediaType mt(&MEDIATYPE_Audio);
    mt.SetSubtype(&MEDIASUBTYPE_PCM);
    mt.SetFormatType(&FORMAT_WaveFormatEx);
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(mt.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    wfx->wFormatTag = WAVE_FORMAT_PCM;
    wfx->nChannels = channels;
    wfx->nSamplesPerSec = rate;
    wfx->wBitsPerSample = 16;
    wfx->nBlockAlign = static_cast<WORD>(channels * 2);
    wfx->nAvgBytesPerSec = rate * wfx->nBlockAlign;
    wfx->cbSize = 0;
    mt.SetSampleSize(wfx->nBlockAlign);
    return mt;
}

const REFERENCE_TIME kInterval = 400000;  // 25 frames a second
const REFERENCE_TIME kAudioChunk = 400000;  // 40 ms of sound per sample

}  // namespace

// ---------------------------------------------------------------- CStubCapturePin

CStubCapturePin::CStubCapturePin(HRESULT* phr, CStubCaptureFilter* filter, bool video)
    : CSourceStream(L"stub capture pin", phr, filter, L"Capture"), m_video(video) {
    BuildCaps();
    m_format = m_capTypes.front();
}

void CStubCapturePin::BuildCaps() {
    if (m_video) {
        const SIZE sizes[] = {{320, 240}, {640, 480}};
        for (const SIZE& size : sizes) {
            m_capTypes.push_back(VideoType(size.cx, size.cy, kInterval));
            VIDEO_STREAM_CONFIG_CAPS caps = {};
            caps.guid = FORMAT_VideoInfo;
            caps.InputSize = size;
            caps.MinCroppingSize = caps.MaxCroppingSize = size;
            caps.MinOutputSize = caps.MaxOutputSize = size;
            caps.OutputGranularityX = caps.OutputGranularityY = 0;
            caps.MinFrameInterval = 333333;
            caps.MaxFrameInterval = 1000000;
            caps.MinBitsPerSecond = caps.MaxBitsPerSecond = size.cx * size.cy * 24 * 25;
            m_videoCaps.push_back(caps);
        }
    } else {
        m_capTypes.push_back(AudioType(2, 44100));
        m_audioCaps.guid = MEDIATYPE_Audio;
        m_audioCaps.MinimumChannels = 1;
        m_audioCaps.MaximumChannels = 2;
        m_audioCaps.ChannelsGranularity = 1;
        m_audioCaps.MinimumBitsPerSample = m_audioCaps.MaximumBitsPerSample = 16;
        m_audioCaps.BitsPerSampleGranularity = 8;
        m_audioCaps.MinimumSampleFrequency = 8000;
        m_audioCaps.MaximumSampleFrequency = 48000;
        m_audioCaps.SampleFrequencyGranularity = 1;
    }
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IAMStreamConfig)) return GetInterface(static_cast<IAMStreamConfig*>(this), ppv);
    if (IsEqualIID(riid, IID_IKsPropertySet)) return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
    return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
}

bool CStubCapturePin::MatchesCaps(const CMediaType& mt) const {
    if (!mt.IsValid() || !mt.Format()) return false;
    if (m_video) {
        if (!IsEqualGUID(*mt.Subtype(), MEDIASUBTYPE_RGB24) || !IsEqualGUID(*mt.FormatType(), FORMAT_VideoInfo) ||
            mt.FormatLength() < sizeof(VIDEOINFOHEADER)) {
            return false;
        }
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.Format());
        for (const VIDEO_STREAM_CONFIG_CAPS& caps : m_videoCaps) {
            if (vih->bmiHeader.biWidth == caps.MaxOutputSize.cx && vih->bmiHeader.biHeight == caps.MaxOutputSize.cy &&
                vih->bmiHeader.biBitCount == 24 &&
                (vih->AvgTimePerFrame == 0 ||
                 (vih->AvgTimePerFrame >= caps.MinFrameInterval && vih->AvgTimePerFrame <= caps.MaxFrameInterval))) {
                return true;
            }
        }
        return false;
    }
    if (!IsEqualGUID(*mt.Subtype(), MEDIASUBTYPE_PCM) || mt.FormatLength() < sizeof(WAVEFORMATEX) - 2) return false;
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt.Format());
    return wfx->wFormatTag == WAVE_FORMAT_PCM && wfx->wBitsPerSample == 16 &&
           wfx->nChannels >= m_audioCaps.MinimumChannels && wfx->nChannels <= m_audioCaps.MaximumChannels &&
           wfx->nSamplesPerSec >= m_audioCaps.MinimumSampleFrequency &&
           wfx->nSamplesPerSec <= m_audioCaps.MaximumSampleFrequency &&
           wfx->nBlockAlign == wfx->nChannels * 2 && wfx->nAvgBytesPerSec == wfx->nSamplesPerSec * wfx->nBlockAlign;
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::SetFormat(AM_MEDIA_TYPE* pmt) {
    if (!pmt) return E_POINTER;
    CAutoLock lock(m_pFilter->pStateLock());
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    CMediaType wanted(*pmt);
    if (!MatchesCaps(wanted)) return VFW_E_INVALIDMEDIATYPE;
    m_format = wanted;
    IncrementTypeVersion();
    if (IsConnected() && CurrentMediaType() != m_format) return m_pFilter->ReconnectPin(this, &m_format);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::GetFormat(AM_MEDIA_TYPE** ppmt) {
    if (!ppmt) return E_POINTER;
    CAutoLock lock(m_pFilter->pStateLock());
    *ppmt = CreateMediaType(IsConnected() ? &CurrentMediaType() : &m_format);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::GetNumberOfCapabilities(int* piCount, int* piSize) {
    if (!piCount || !piSize) return E_POINTER;
    *piCount = static_cast<int>(m_capTypes.size());
    *piSize = m_video ? static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)) : static_cast<int>(sizeof(AUDIO_STREAM_CONFIG_CAPS));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) {
    if (!ppmt || !pSCC) return E_POINTER;
    *ppmt = nullptr;
    if (iIndex < 0 || iIndex >= static_cast<int>(m_capTypes.size())) return S_FALSE;
    *ppmt = CreateMediaType(&m_capTypes[static_cast<size_t>(iIndex)]);
    if (!*ppmt) return E_OUTOFMEMORY;
    if (m_video) std::memcpy(pSCC, &m_videoCaps[static_cast<size_t>(iIndex)], sizeof(VIDEO_STREAM_CONFIG_CAPS));
    else std::memcpy(pSCC, &m_audioCaps, sizeof(AUDIO_STREAM_CONFIG_CAPS));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
    return E_PROP_ID_UNSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID, DWORD, LPVOID pPropData,
                                               DWORD cbPropData, DWORD* pcbReturned) {
    if (!IsEqualGUID(guidPropSet, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
    if (dwPropID != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (pcbReturned) *pcbReturned = sizeof(GUID);
    if (!pPropData) return pcbReturned ? S_OK : E_POINTER;
    if (cbPropData < sizeof(GUID)) return E_UNEXPECTED;
    *static_cast<GUID*>(pPropData) = PIN_CATEGORY_CAPTURE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStubCapturePin::QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) {
    if (!IsEqualGUID(guidPropSet, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
    if (dwPropID != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (pTypeSupport) *pTypeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

HRESULT CStubCapturePin::GetMediaType(int iPosition, CMediaType* pmt) {
    CAutoLock lock(m_pFilter->pStateLock());
    if (iPosition < 0) return E_INVALIDARG;
    // The chosen format first, then every capability.
    if (iPosition == 0) return pmt->Set(m_format);
    if (iPosition > static_cast<int>(m_capTypes.size())) return VFW_S_NO_MORE_ITEMS;
    return pmt->Set(m_capTypes[static_cast<size_t>(iPosition - 1)]);
}

HRESULT CStubCapturePin::CheckMediaType(const CMediaType* pmt) { return MatchesCaps(*pmt) ? S_OK : E_FAIL; }

HRESULT CStubCapturePin::SetMediaType(const CMediaType* pmt) {
    HRESULT hr = CSourceStream::SetMediaType(pmt);
    if (SUCCEEDED(hr)) m_format = *pmt;
    return hr;
}

REFERENCE_TIME CStubCapturePin::SampleDuration() const {
    if (!m_video) return kAudioChunk;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(m_mt.Format());
    return vih && vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : kInterval;
}

HRESULT CStubCapturePin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    LONG size = 0;
    if (m_video) {
        size = static_cast<LONG>(m_mt.GetSampleSize());
    } else {
        const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(m_mt.Format());
        size = static_cast<LONG>(wfx->nAvgBytesPerSec * (kAudioChunk / 10000) / 1000);
        size -= size % wfx->nBlockAlign;
    }
    if (props->cBuffers < 4) props->cBuffers = 4;
    if (props->cbBuffer < size) props->cbBuffer = size;
    if (props->cbAlign < 1) props->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = alloc->SetProperties(props, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < size ? E_FAIL : S_OK;
}

HRESULT CStubCapturePin::OnThreadStartPlay() {
    m_sampleNumber = 0;
    return S_OK;
}

HRESULT CStubCapturePin::FillBuffer(IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    LONG length = sample->GetSize();
    if (m_video) {
        length = static_cast<LONG>(m_mt.GetSampleSize());
        std::memset(data, static_cast<int>(m_sampleNumber & 0xFF), static_cast<size_t>(length));
    } else {
        const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(m_mt.Format());
        length = static_cast<LONG>(wfx->nAvgBytesPerSec * (kAudioChunk / 10000) / 1000);
        length -= length % wfx->nBlockAlign;
        std::memset(data, 0, static_cast<size_t>(length));
    }
    sample->SetActualDataLength(length);
    const REFERENCE_TIME duration = SampleDuration();
    REFERENCE_TIME start = m_sampleNumber * duration;
    REFERENCE_TIME stop = start + duration;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(m_sampleNumber == 0);
    ++m_sampleNumber;
    return S_OK;
}

// ---------------------------------------------------------------- CStubCaptureFilter

CStubCaptureFilter::CStubCaptureFilter(LPUNKNOWN pUnk, HRESULT* phr, const StubDevice& device)
    : CSource(L"stub capture filter", pUnk, device.clsid, phr), m_device(device) {
    if (!new (std::nothrow) CStubCapturePin(phr, this, device.video) && phr) *phr = E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CStubCaptureFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
    if (pGraph && m_device.refusesGraph) return E_FAIL;
    return CSource::JoinFilterGraph(pGraph, pName);
}

HRESULT STDMETHODCALLTYPE CStubCaptureFilter::QueryVendorInfo(LPWSTR* pVendorInfo) {
    if (!pVendorInfo) return E_POINTER;
    const size_t bytes = (wcslen(m_device.instance) + 1) * sizeof(WCHAR);
    *pVendorInfo = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*pVendorInfo) return E_OUTOFMEMORY;
    std::memcpy(*pVendorInfo, m_device.instance, bytes);
    return S_OK;
}

CUnknown* WINAPI CreateStubDevice(int index, LPUNKNOWN pUnk, HRESULT* phr) {
    auto* filter = new (std::nothrow) CStubCaptureFilter(pUnk, phr, kDevices[index]);
    if (!filter && phr) *phr = E_OUTOFMEMORY;
    return filter;
}

}  // namespace rvxstub
