#include "dsbase/Seeking.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <new>

namespace {

bool IsMediaTime(const GUID* format) { return !format || IsEqualGUID(*format, TIME_FORMAT_MEDIA_TIME); }

}  // namespace

// ---------------------------------------------------------------- CPosPassThru

CPosPassThru::CPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin)
    : CUnknown(pName, pUnk, phr), m_pPin(pPin) {
    if (!pPin && phr) *phr = E_POINTER;
}

HRESULT STDMETHODCALLTYPE CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IMediaSeeking)) return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CPosPassThru::GetPeerSeeking(IMediaSeeking** ppSeeking) {
    *ppSeeking = nullptr;
    if (!m_pPin) return E_POINTER;
    IPin* peer = nullptr;
    HRESULT hr = m_pPin->ConnectedTo(&peer);
    if (FAILED(hr) || !peer) return VFW_E_NOT_CONNECTED;
    hr = peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(ppSeeking));
    peer->Release();
    return FAILED(hr) ? E_NOTIMPL : S_OK;
}

#define RVX_PASS_THROUGH(call)                      \
    IMediaSeeking* peer = nullptr;                  \
    HRESULT hr = GetPeerSeeking(&peer);             \
    if (FAILED(hr)) return hr;                      \
    hr = peer->call;                                \
    peer->Release();                                \
    return hr

HRESULT STDMETHODCALLTYPE CPosPassThru::GetCapabilities(DWORD* p) { RVX_PASS_THROUGH(GetCapabilities(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::CheckCapabilities(DWORD* p) { RVX_PASS_THROUGH(CheckCapabilities(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::IsFormatSupported(const GUID* p) { RVX_PASS_THROUGH(IsFormatSupported(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::QueryPreferredFormat(GUID* p) { RVX_PASS_THROUGH(QueryPreferredFormat(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::GetTimeFormat(GUID* p) { RVX_PASS_THROUGH(GetTimeFormat(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::IsUsingTimeFormat(const GUID* p) { RVX_PASS_THROUGH(IsUsingTimeFormat(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::SetTimeFormat(const GUID* p) { RVX_PASS_THROUGH(SetTimeFormat(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::GetDuration(LONGLONG* p) { RVX_PASS_THROUGH(GetDuration(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::GetStopPosition(LONGLONG* p) { RVX_PASS_THROUGH(GetStopPosition(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::GetCurrentPosition(LONGLONG* p) { RVX_PASS_THROUGH(GetCurrentPosition(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat,
                                                          LONGLONG Source, const GUID* pSourceFormat) {
    RVX_PASS_THROUGH(ConvertTimeFormat(pTarget, pTargetFormat, Source, pSourceFormat));
}
HRESULT STDMETHODCALLTYPE CPosPassThru::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                                     DWORD dwStopFlags) {
    RVX_PASS_THROUGH(SetPositions(pCurrent, dwCurrentFlags, pStop, dwStopFlags));
}
HRESULT STDMETHODCALLTYPE CPosPassThru::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) {
    RVX_PASS_THROUGH(GetPositions(pCurrent, pStop));
}
HRESULT STDMETHODCALLTYPE CPosPassThru::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) {
    RVX_PASS_THROUGH(GetAvailable(pEarliest, pLatest));
}
HRESULT STDMETHODCALLTYPE CPosPassThru::SetRate(double dRate) { RVX_PASS_THROUGH(SetRate(dRate)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::GetRate(double* p) { RVX_PASS_THROUGH(GetRate(p)); }
HRESULT STDMETHODCALLTYPE CPosPassThru::GetPreroll(LONGLONG* p) { RVX_PASS_THROUGH(GetPreroll(p)); }

#undef RVX_PASS_THROUGH

HRESULT WINAPI CreatePosPassThru(LPUNKNOWN pOuter, BOOL, IPin* pPin, IUnknown** ppPassThru) {
    if (!ppPassThru) return E_POINTER;
    *ppPassThru = nullptr;
    HRESULT hr = S_OK;
    auto* passThru = new (std::nothrow) CPosPassThru(L"Seeking pass-through", pOuter, &hr, pPin);
    if (!passThru) return E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete passThru;
        return hr;
    }
    passThru->NonDelegatingAddRef();
    *ppPassThru = reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(passThru));
    return S_OK;
}

// ---------------------------------------------------------------- CSourceSeeking

CSourceSeeking::CSourceSeeking(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, CCritSec* pLock)
    : CUnknown(pName, pUnk, phr),
      m_rtDuration(MAXLONGLONG),
      m_rtStop(MAXLONGLONG),
      m_dwSeekingCaps(AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanSeekAbsolute |
                      AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration),
      m_pLock(pLock) {}

HRESULT STDMETHODCALLTYPE CSourceSeeking::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IMediaSeeking)) return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetCapabilities(DWORD* pCapabilities) {
    if (!pCapabilities) return E_POINTER;
    *pCapabilities = m_dwSeekingCaps;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::CheckCapabilities(DWORD* pCapabilities) {
    if (!pCapabilities) return E_POINTER;
    const DWORD asked = *pCapabilities;
    *pCapabilities &= m_dwSeekingCaps;
    if (*pCapabilities == asked) return S_OK;
    return *pCapabilities ? S_FALSE : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::IsFormatSupported(const GUID* pFormat) {
    if (!pFormat) return E_POINTER;
    return IsEqualGUID(*pFormat, TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::QueryPreferredFormat(GUID* pFormat) {
    if (!pFormat) return E_POINTER;
    *pFormat = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetTimeFormat(GUID* pFormat) { return QueryPreferredFormat(pFormat); }

HRESULT STDMETHODCALLTYPE CSourceSeeking::IsUsingTimeFormat(const GUID* pFormat) {
    if (!pFormat) return E_POINTER;
    return IsEqualGUID(*pFormat, TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::SetTimeFormat(const GUID* pFormat) {
    if (!pFormat) return E_POINTER;
    return IsEqualGUID(*pFormat, TIME_FORMAT_MEDIA_TIME) ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetDuration(LONGLONG* pDuration) {
    if (!pDuration) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pDuration = m_rtDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetStopPosition(LONGLONG* pStop) {
    if (!pStop) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pStop = m_rtStop;
    return S_OK;
}

// The graph keeps the current position from its clock; a source cannot know it.
HRESULT STDMETHODCALLTYPE CSourceSeeking::GetCurrentPosition(LONGLONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CSourceSeeking::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat,
                                                            LONGLONG Source, const GUID* pSourceFormat) {
    if (!pTarget) return E_POINTER;
    if (!IsMediaTime(pTargetFormat) || !IsMediaTime(pSourceFormat)) return E_INVALIDARG;
    *pTarget = Source;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                                       DWORD dwStopFlags) {
    const DWORD startBits = dwCurrentFlags & AM_SEEKING_PositioningBitsMask;
    const DWORD stopBits = dwStopFlags & AM_SEEKING_PositioningBitsMask;
    if (startBits != AM_SEEKING_NoPositioning && !pCurrent) return E_POINTER;
    if (stopBits != AM_SEEKING_NoPositioning && !pStop) return E_POINTER;
    if (startBits == AM_SEEKING_IncrementalPositioning) return E_INVALIDARG;

    bool startChanged = false;
    bool stopChanged = false;
    {
        CAutoLock lock(m_pLock);
        REFERENCE_TIME start = m_rtStart;
        REFERENCE_TIME stop = m_rtStop;
        if (startBits == AM_SEEKING_AbsolutePositioning) start = *pCurrent;
        else if (startBits == AM_SEEKING_RelativePositioning) start += *pCurrent;
        if (stopBits == AM_SEEKING_AbsolutePositioning) stop = *pStop;
        else if (stopBits == AM_SEEKING_RelativePositioning) stop += *pStop;
        else if (stopBits == AM_SEEKING_IncrementalPositioning) stop = start + *pStop;
        if (start < 0 || stop < start) return E_INVALIDARG;

        startChanged = startBits != AM_SEEKING_NoPositioning;
        stopChanged = stopBits != AM_SEEKING_NoPositioning;
        m_rtStart = start;
        m_rtStop = stop;
        if ((dwCurrentFlags & AM_SEEKING_ReturnTime) && pCurrent) *pCurrent = start;
        if ((dwStopFlags & AM_SEEKING_ReturnTime) && pStop) *pStop = stop;
    }
    // Outside the lock: restarting the stream waits for the streaming thread, which may
    // need the lock itself.
    HRESULT hr = S_OK;
    if (startChanged) hr = ChangeStart();
    if (SUCCEEDED(hr) && stopChanged) hr = ChangeStop();
    return hr;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) {
    CAutoLock lock(m_pLock);
    if (pCurrent) *pCurrent = m_rtStart;
    if (pStop) *pStop = m_rtStop;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) {
    CAutoLock lock(m_pLock);
    if (pEarliest) *pEarliest = 0;
    if (pLatest) *pLatest = m_rtDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::SetRate(double dRate) {
    if (dRate <= 0.0) return E_INVALIDARG;
    {
        CAutoLock lock(m_pLock);
        m_dRateSeeking = dRate;
    }
    return ChangeRate();
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetRate(double* pdRate) {
    if (!pdRate) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pdRate = m_dRateSeeking;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSourceSeeking::GetPreroll(LONGLONG* pllPreroll) {
    if (!pllPreroll) return E_POINTER;
    *pllPreroll = 0;
    return S_OK;
}
