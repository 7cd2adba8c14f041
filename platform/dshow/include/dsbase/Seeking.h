// Seeking: the pass-through a renderer or transform hands out for its upstream peer, and
// the seeking state of a source pin.
#pragma once

#include <strmif.h>

#include "dsbase/Sync.h"
#include "dsbase/Unknown.h"

// IMediaSeeking of a filter that does not seek itself: every call goes to the filter
// connected to its pin (VFW_E_NOT_CONNECTED while unconnected). The pin is not referenced;
// the pass-through lives inside the pin's filter.
class CPosPassThru : public CUnknown, public IMediaSeeking {
public:
    CPosPassThru(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, IPin* pPin);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* pCapabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* pCapabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* pDuration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* pStop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* pCurrent) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                                const GUID* pSourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                           DWORD dwStopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double dRate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* pdRate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* pllPreroll) override;

private:
    HRESULT GetPeerSeeking(IMediaSeeking** ppSeeking);
    IPin* m_pPin;
};

// Makes a CPosPassThru aggregated into pOuter; the caller owns the returned inner
// IUnknown and answers IMediaSeeking by querying it.
HRESULT WINAPI CreatePosPassThru(LPUNKNOWN pOuter, BOOL bRenderer, IPin* pPin, IUnknown** ppPassThru);

// IMediaSeeking of a source pin in media time: the derived pin restarts its stream in
// ChangeStart and follows the stop and rate in ChangeStop and ChangeRate.
class CSourceSeeking : public IMediaSeeking, public CUnknown {
public:
    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* pCapabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* pCapabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* pFormat) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* pDuration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* pStop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* pCurrent) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                                const GUID* pSourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                           DWORD dwStopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double dRate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* pdRate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* pllPreroll) override;

protected:
    CSourceSeeking(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr, CCritSec* pLock);

    virtual HRESULT ChangeStart() = 0;
    virtual HRESULT ChangeStop() = 0;
    virtual HRESULT ChangeRate() = 0;

    REFERENCE_TIME m_rtDuration;
    REFERENCE_TIME m_rtStart = 0;
    REFERENCE_TIME m_rtStop;
    double m_dRateSeeking = 1.0;
    DWORD m_dwSeekingCaps;
    CCritSec* m_pLock;
};
