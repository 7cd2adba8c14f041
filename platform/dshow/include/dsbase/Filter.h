// The filter and pin base classes. A filter owns its pins; pins hand their reference
// counts to the filter, so a pin lives exactly as long as its filter.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>
#include <evcode.h>

#include "dsbase/MediaType.h"
#include "dsbase/RefTime.h"
#include "dsbase/Sync.h"
#include "dsbase/Unknown.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
public:
    // pLock is the filter's state lock, shared with its pins.
    CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid, HRESULT* phr = nullptr);
    ~CBaseFilter() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClsID) override;

    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD dwMSecs, FILTER_STATE* State) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* pClock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** pClock) override;

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin** ppPin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) override;

    virtual int GetPinCount() = 0;
    // The pin at n (0-based), or null; no reference is added.
    virtual CBasePin* GetPin(int n) = 0;

    // Current stream time: the clock's time less the start time given to Run.
    // VFW_E_NO_CLOCK without a clock (the time is then 0).
    virtual HRESULT StreamTime(CRefTime& rtStream);
    // Sends an event to the graph; EC_COMPLETE carries this filter as its second parameter.
    HRESULT NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2);
    // Asks the graph to reconnect a pin (with a type when given).
    HRESULT ReconnectPin(IPin* pPin, const AM_MEDIA_TYPE* pmt);

    BOOL IsActive() const {
        CAutoLock lock(m_pLock);
        return m_State != State_Stopped;
    }
    BOOL IsStopped() const { return m_State == State_Stopped; }
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }
    LPCWSTR FilterName() const { return m_pName; }
    CCritSec* StateLock() const { return m_pLock; }

    // Enumerators made before a change of the pin set report themselves out of sync.
    virtual LONG GetPinVersion() const { return m_PinVersion; }
    void IncrementPinVersion() { InterlockedIncrement(&m_PinVersion); }

protected:
    friend class CBasePin;

    FILTER_STATE m_State = State_Stopped;
    IReferenceClock* m_pClock = nullptr;  // referenced
    CRefTime m_tStart;
    CLSID m_clsid;
    CCritSec* m_pLock;
    WCHAR* m_pName = nullptr;
    // Neither is referenced: the graph holds the filter, never the other way round.
    IFilterGraph* m_pGraph = nullptr;
    IMediaEventSink* m_pSink = nullptr;
    volatile LONG m_PinVersion = 1;
};

class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
    CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName,
             PIN_DIRECTION dir);
    ~CBasePin() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pPin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override = 0;
    HRESULT STDMETHODCALLTYPE EndFlush() override = 0;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // IQualityControl
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* pSelf, Quality q) override;
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* piqc) override;

    // Hooks of the connection protocol.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    virtual HRESULT SetMediaType(const CMediaType* pmt);
    virtual HRESULT CheckConnect(IPin* pPin);
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* pReceivePin);
    // The preferred type at iPosition: S_OK, VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType);
    virtual LONG GetMediaTypeVersion() const { return m_TypeVersion; }
    void IncrementTypeVersion() { InterlockedIncrement(&m_TypeVersion); }

    // State changes of the filter, for connected pins.
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }
    virtual HRESULT Run(REFERENCE_TIME tStart);

    BOOL IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    BOOL IsStopped() const { return m_pFilter->IsStopped(); }
    const CMediaType& CurrentMediaType() const { return m_mt; }
    LPCWSTR Name() const { return m_pName; }
    CBaseFilter* Filter() const { return m_pFilter; }
    PIN_DIRECTION Direction() const { return m_dir; }

    REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
    REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
    double CurrentRate() const { return m_dRate; }

protected:
    // Disconnects without the state check (the filter's destructor, failed connections).
    HRESULT DisconnectInternal();
    virtual HRESULT AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt);
    virtual HRESULT AttemptConnection(IPin* pReceivePin, const CMediaType* pmt);
    HRESULT TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum);

    WCHAR* m_pName = nullptr;
    IPin* m_Connected = nullptr;  // referenced
    PIN_DIRECTION m_dir;
    CCritSec* m_pLock;
    bool m_bRunTimeError = false;
    bool m_bCanReconnectWhenActive = false;
    bool m_bTryMyTypesFirst = false;
    CBaseFilter* m_pFilter;
    IQualityControl* m_pQSink = nullptr;
    volatile LONG m_TypeVersion = 1;
    CMediaType m_mt;
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = MAXLONGLONG;
    double m_dRate = 1.0;
};

// Pins of a filter, read live from the filter; a change of the pin set makes the
// enumerator report VFW_E_ENUM_OUT_OF_SYNC until it is reset.
class CEnumPins : public IEnumPins, public CBaseObject {
public:
    CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnumPins);
    ~CEnumPins() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cPins) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** ppEnum) override;

private:
    volatile LONG m_cRef = 1;
    CBaseFilter* m_pFilter;  // referenced
    int m_Position = 0;
    LONG m_Version;
};

// A pin's preferred types, from its GetMediaType.
class CEnumMediaTypes : public IEnumMediaTypes, public CBaseObject {
public:
    CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnumMediaTypes);
    ~CEnumMediaTypes() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cMediaTypes) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** ppEnum) override;

private:
    volatile LONG m_cRef = 1;
    CBasePin* m_pPin;  // referenced
    int m_Position = 0;
    LONG m_Version;
};
