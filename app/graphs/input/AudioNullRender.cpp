#include "app/graphs/input/AudioNullRender.h"

const CLSID CLSID_AudioNullRender = {0x801b87e8, 0x7f9e, 0x4c7d, {0x87, 0x4b, 0xf2, 0xc1, 0x31, 0x72, 0x1f, 0xf1}};

CAudioNullRender::CAudioNullRender(LPUNKNOWN pUnk, HRESULT* phr)
    : CBaseRenderer(CLSID_AudioNullRender, L"AudioNullRender", pUnk, phr) {}

void CAudioNullRender::AddAcceptedType(const CMediaType& mt) {
    CAutoLock lock(&m_acceptLock);
    m_accepted.push_back(mt);
}

void CAudioNullRender::ClearAcceptedTypes() {
    CAutoLock lock(&m_acceptLock);
    m_accepted.clear();
}

HRESULT CAudioNullRender::CheckMediaType(const CMediaType* pmt) {
    if (!pmt) return E_INVALIDARG;
    CAutoLock lock(&m_acceptLock);
    const bool audio = IsEqualGUID(*pmt->Type(), MEDIATYPE_Audio) != FALSE;
    const bool video = IsEqualGUID(*pmt->Type(), MEDIATYPE_Video) != FALSE;
    for (const CMediaType& accepted : m_accepted) {
        if (audio && accepted == *pmt) return S_OK;
        if (video && IsEqualGUID(*accepted.Type(), *pmt->Type()) && IsEqualGUID(*accepted.Subtype(), *pmt->Subtype())) {
            return S_OK;
        }
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAudioNullRender::GetSampleTimes(IMediaSample* pMediaSample, REFERENCE_TIME* pStartTime,
                                         REFERENCE_TIME* pEndTime) {
    if (m_live) {
        pMediaSample->GetTime(pStartTime, pEndTime);
        return S_OK;
    }
    return CBaseRenderer::GetSampleTimes(pMediaSample, pStartTime, pEndTime);
}

HRESULT CAudioNullRender::DoRenderSample(IMediaSample* pMediaSample) {
    // Without a clock there is no stream time: listeners are told 0, not garbage.
    CRefTime now;
    if (FAILED(StreamTime(now))) now = CRefTime();
    const ULONGLONG time = static_cast<ULONGLONG>(now.GetUnits());
    const int low = static_cast<int>(static_cast<DWORD>(time & 0xFFFFFFFFu));
    const int high = static_cast<int>(static_cast<DWORD>(time >> 32));
    TellListeners([&](int id, IGrabListener* listener) { listener->OnSample(id, pMediaSample, low, high); });
    return S_OK;
}

HRESULT CAudioNullRender::BeginFlush() {
    TellListeners([](int id, IGrabListener* listener) { listener->OnFlush(id); });
    return CBaseRenderer::BeginFlush();
}

HRESULT CAudioNullRender::EndFlush() {
    TellListeners([](int id, IGrabListener* listener) { listener->OnFlush(id); });
    return CBaseRenderer::EndFlush();
}

HRESULT CAudioNullRender::GetConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    CBasePin* pin = GetPin(0);
    if (!pin) return E_UNEXPECTED;
    return pin->ConnectionMediaType(pmt);
}

HRESULT CAudioNullRender::GetAllocatorProperties(ALLOCATOR_PROPERTIES* pProps) {
    if (!pProps) return E_POINTER;
    CRendererInputPin* pin = static_cast<CRendererInputPin*>(GetPin(0));
    if (!pin) return E_UNEXPECTED;
    IMemAllocator* allocator = pin->Allocator();
    if (!allocator) return VFW_E_NO_ALLOCATOR;
    return allocator->GetProperties(pProps);
}
