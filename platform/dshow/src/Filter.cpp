#include "dsbase/Filter.h"

#include <cwchar>
#include <new>

namespace {

// A CoTaskMem-free heap copy of a pin or filter name; null stays null.
WCHAR* CopyName(LPCWSTR name) {
    if (!name) return nullptr;
    const size_t length = wcslen(name) + 1;
    WCHAR* copy = new (std::nothrow) WCHAR[length];
    if (copy) wmemcpy(copy, name, length);
    return copy;
}

// FILTER_INFO and PIN_INFO carry names of at most MAX_FILTER_NAME/MAX_PIN_NAME characters.
void CopyBoundedName(WCHAR* target, size_t capacity, LPCWSTR name) {
    target[0] = L'\0';
    if (!name) return;
    size_t length = wcslen(name);
    if (length >= capacity) length = capacity - 1;
    wmemcpy(target, name, length);
    target[length] = L'\0';
}

}  // namespace

// ---------------------------------------------------------------- CBaseFilter

CBaseFilter::CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid, HRESULT* phr)
    : CUnknown(pName, pUnk, phr), m_clsid(clsid), m_pLock(pLock) {}

CBaseFilter::~CBaseFilter() {
    delete[] m_pName;
    if (m_pClock) m_pClock->Release();
}

HRESULT STDMETHODCALLTYPE CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IBaseFilter)) return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    if (IsEqualIID(riid, IID_IMediaFilter)) return GetInterface(static_cast<IMediaFilter*>(this), ppv);
    if (IsEqualIID(riid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetClassID(CLSID* pClsID) {
    if (!pClsID) return E_POINTER;
    *pClsID = m_clsid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Stop() {
    CAutoLock lock(m_pLock);
    HRESULT hr = S_OK;
    if (m_State != State_Stopped) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                // Every pin is told, even after one fails, so no streaming thread is left running.
                HRESULT pinHr = pin->Inactive();
                if (FAILED(pinHr) && SUCCEEDED(hr)) hr = pinHr;
            }
        }
    }
    m_State = State_Stopped;
    return hr;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Pause() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr)) return hr;
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Run(REFERENCE_TIME tStart) {
    CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    if (m_State != State_Running) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Run(tStart);
                if (FAILED(hr)) return hr;
            }
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetState(DWORD, FILTER_STATE* State) {
    if (!State) return E_POINTER;
    *State = m_State;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::SetSyncSource(IReferenceClock* pClock) {
    CAutoLock lock(m_pLock);
    if (pClock) pClock->AddRef();
    if (m_pClock) m_pClock->Release();
    m_pClock = pClock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetSyncSource(IReferenceClock** pClock) {
    if (!pClock) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pClock = m_pClock;
    if (m_pClock) m_pClock->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::StreamTime(CRefTime& rtStream) {
    rtStream = CRefTime();
    if (!m_pClock) return VFW_E_NO_CLOCK;
    REFERENCE_TIME now = 0;
    HRESULT hr = m_pClock->GetTime(&now);
    if (FAILED(hr)) return hr;
    rtStream = now - m_tStart.m_time;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::EnumPins(IEnumPins** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new (std::nothrow) CEnumPins(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
    if (!ppPin) return E_POINTER;
    *ppPin = nullptr;
    if (!Id) return E_POINTER;
    CAutoLock lock(m_pLock);
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        CBasePin* pin = GetPin(i);
        if (pin && pin->Name() && wcscmp(pin->Name(), Id) == 0) {
            *ppPin = pin;
            pin->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    if (!pInfo) return E_POINTER;
    CopyBoundedName(pInfo->achName, MAX_FILTER_NAME, m_pName);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
    CAutoLock lock(m_pLock);
    m_pGraph = pGraph;
    m_pSink = nullptr;
    if (pGraph) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))) && sink) {
            // Holding this reference would keep the graph alive through its own filter.
            m_pSink = sink;
            sink->Release();
        }
    }
    delete[] m_pName;
    m_pName = CopyName(pName);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

HRESULT CBaseFilter::NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) {
    IMediaEventSink* sink = m_pSink;
    if (!sink) return E_NOTIMPL;
    if (EventCode == EC_COMPLETE) EventParam2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return sink->Notify(EventCode, EventParam1, EventParam2);
}

HRESULT CBaseFilter::ReconnectPin(IPin* pPin, const AM_MEDIA_TYPE* pmt) {
    if (!m_pGraph) return E_NOINTERFACE;
    IFilterGraph2* graph2 = nullptr;
    if (SUCCEEDED(m_pGraph->QueryInterface(IID_IFilterGraph2, reinterpret_cast<void**>(&graph2)))) {
        HRESULT hr = graph2->ReconnectEx(pPin, pmt);
        graph2->Release();
        return hr;
    }
    return m_pGraph->Reconnect(pPin);
}

// ---------------------------------------------------------------- CBasePin

CBasePin::CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName,
                   PIN_DIRECTION dir)
    : CUnknown(pObjectName, nullptr), m_pName(CopyName(pName)), m_dir(dir), m_pLock(pLock), m_pFilter(pFilter) {
    if (pName && !m_pName && phr) *phr = E_OUTOFMEMORY;
}

CBasePin::~CBasePin() {
    if (m_Connected) {
        m_Connected->Release();
        m_Connected = nullptr;
    }
    delete[] m_pName;
}

HRESULT STDMETHODCALLTYPE CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IPin)) return GetInterface(static_cast<IPin*>(this), ppv);
    if (IsEqualIID(riid, IID_IQualityControl)) return GetInterface(static_cast<IQualityControl*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

HRESULT STDMETHODCALLTYPE CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    if (!pReceivePin) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;
    if (pmt) {
        CMediaType wanted(*pmt);
        return AgreeMediaType(pReceivePin, &wanted);
    }
    return AgreeMediaType(pReceivePin, nullptr);
}

HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt) {
    // A complete type is tried alone; a partial one (or none) filters the types both
    // pins offer.
    if (pmt && !pmt->IsPartiallySpecified()) return AttemptConnection(pReceivePin, pmt);

    HRESULT hrFailure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int round = 0; round < 2; ++round) {
        const bool mine = (round == 0) == m_bTryMyTypesFirst;
        IEnumMediaTypes* types = nullptr;
        HRESULT hr = mine ? EnumMediaTypes(&types) : pReceivePin->EnumMediaTypes(&types);
        if (SUCCEEDED(hr) && types) {
            hr = TryMediaTypes(pReceivePin, pmt, types);
            types->Release();
            if (SUCCEEDED(hr)) return S_OK;
            // Keep a reason more telling than "no type", as a refused connection gives.
            if (hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED) hrFailure = hr;
        }
    }
    return hrFailure;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum) {
    HRESULT hr = pEnum->Reset();
    if (FAILED(hr)) return hr;
    HRESULT hrFailure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (;;) {
        AM_MEDIA_TYPE* type = nullptr;
        ULONG fetched = 0;
        hr = pEnum->Next(1, &type, &fetched);
        if (hr != S_OK || fetched != 1 || !type) {
            DeleteMediaType(type);
            return hrFailure;
        }
        CMediaType candidate(*type);
        DeleteMediaType(type);
        if (pmt && !candidate.MatchesPartial(pmt)) continue;
        hr = AttemptConnection(pReceivePin, &candidate);
        if (SUCCEEDED(hr)) return S_OK;
        if (hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED) hrFailure = hr;
    }
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt) {
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(pmt);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    m_Connected = pReceivePin;
    m_Connected->AddRef();
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) {
        hr = pReceivePin->ReceiveConnection(this, pmt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(pReceivePin);
            if (SUCCEEDED(hr)) return S_OK;
            pReceivePin->Disconnect();
        }
    }
    BreakConnect();
    m_Connected->Release();
    m_Connected = nullptr;
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
    if (!pConnector || !pmt) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    CMediaType offered(*pmt);
    hr = CheckMediaType(&offered);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    m_Connected = pConnector;
    m_Connected->AddRef();
    hr = SetMediaType(&offered);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pConnector);
        if (SUCCEEDED(hr)) return S_OK;
    }
    m_Connected->Release();
    m_Connected = nullptr;
    BreakConnect();
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::Disconnect() {
    CAutoLock lock(m_pLock);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
    if (!m_Connected) return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr)) return hr;
    m_Connected->Release();
    m_Connected = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectedTo(IPin** pPin) {
    if (!pPin) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pPin = m_Connected;
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    if (!pmt) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!m_Connected) {
        ZeroMemory(pmt, sizeof(*pmt));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &m_mt);
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
    if (!pInfo) return E_POINTER;
    pInfo->pFilter = m_pFilter;
    if (m_pFilter) m_pFilter->AddRef();
    pInfo->dir = m_dir;
    CopyBoundedName(pInfo->achName, MAX_PIN_NAME, m_pName);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryDirection(PIN_DIRECTION* pPinDir) {
    if (!pPinDir) return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryId(LPWSTR* Id) {
    if (!Id) return E_POINTER;
    const size_t length = (m_pName ? wcslen(m_pName) : 0) + 1;
    *Id = static_cast<LPWSTR>(CoTaskMemAlloc(length * sizeof(WCHAR)));
    if (!*Id) return E_OUTOFMEMORY;
    if (m_pName) wmemcpy(*Id, m_pName, length);
    else (*Id)[0] = L'\0';
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
    if (!pmt) return E_POINTER;
    CMediaType offered(*pmt);
    return CheckMediaType(&offered) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBasePin::EndOfStream() { return S_OK; }

HRESULT STDMETHODCALLTYPE CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBasePin::SetSink(IQualityControl* piqc) {
    CAutoLock lock(m_pLock);
    m_pQSink = piqc;
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* pmt) { return m_mt.Set(*pmt); }

HRESULT CBasePin::CheckConnect(IPin* pPin) {
    PIN_DIRECTION other;
    HRESULT hr = pPin->QueryDirection(&other);
    if (FAILED(hr)) return hr;
    return other == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBasePin::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

HRESULT CBasePin::Run(REFERENCE_TIME) { return S_OK; }

// ---------------------------------------------------------------- CEnumPins

CEnumPins::CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnumPins)
    : CBaseObject(L"CEnumPins"), m_pFilter(pFilter), m_Version(pFilter->GetPinVersion()) {
    m_pFilter->AddRef();
    if (pEnumPins) {
        m_Position = pEnumPins->m_Position;
        m_Version = pEnumPins->m_Version;
    }
}

CEnumPins::~CEnumPins() { m_pFilter->Release(); }

HRESULT STDMETHODCALLTYPE CEnumPins::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IEnumPins) || IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CEnumPins::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CEnumPins::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) {
    if (!ppPins) return E_POINTER;
    if (!pcFetched && cPins != 1) return E_INVALIDARG;
    if (pcFetched) *pcFetched = 0;
    if (m_Version != m_pFilter->GetPinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG fetched = 0;
    const int count = m_pFilter->GetPinCount();
    while (fetched < cPins && m_Position < count) {
        CBasePin* pin = m_pFilter->GetPin(m_Position++);
        if (!pin) continue;
        ppPins[fetched++] = pin;
        pin->AddRef();
    }
    if (pcFetched) *pcFetched = fetched;
    return fetched == cPins ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Skip(ULONG cPins) {
    if (m_Version != m_pFilter->GetPinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    const int count = m_pFilter->GetPinCount();
    if (static_cast<ULONG>(count - m_Position) < cPins) {
        m_Position = count;
        return S_FALSE;
    }
    m_Position += static_cast<int>(cPins);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Reset() {
    m_Version = m_pFilter->GetPinVersion();
    m_Position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Clone(IEnumPins** ppEnum) {
    if (!ppEnum) return E_POINTER;
    if (m_Version != m_pFilter->GetPinVersion()) {
        *ppEnum = nullptr;
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    *ppEnum = new (std::nothrow) CEnumPins(m_pFilter, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

// ---------------------------------------------------------------- CEnumMediaTypes

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnumMediaTypes)
    : CBaseObject(L"CEnumMediaTypes"), m_pPin(pPin), m_Version(pPin->GetMediaTypeVersion()) {
    m_pPin->AddRef();
    if (pEnumMediaTypes) {
        m_Position = pEnumMediaTypes->m_Position;
        m_Version = pEnumMediaTypes->m_Version;
    }
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pPin->Release(); }

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IEnumMediaTypes) || IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CEnumMediaTypes::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CEnumMediaTypes::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) {
    if (!ppMediaTypes) return E_POINTER;
    if (!pcFetched && cMediaTypes != 1) return E_INVALIDARG;
    if (pcFetched) *pcFetched = 0;
    if (m_Version != m_pPin->GetMediaTypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG fetched = 0;
    while (fetched < cMediaTypes) {
        CMediaType type;
        if (m_pPin->GetMediaType(m_Position, &type) != S_OK) break;
        ++m_Position;
        AM_MEDIA_TYPE* copy = CreateMediaType(&type);
        if (!copy) {
            for (ULONG i = 0; i < fetched; ++i) {
                DeleteMediaType(ppMediaTypes[i]);
                ppMediaTypes[i] = nullptr;
            }
            return E_OUTOFMEMORY;
        }
        ppMediaTypes[fetched++] = copy;
    }
    if (pcFetched) *pcFetched = fetched;
    return fetched == cMediaTypes ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Skip(ULONG cMediaTypes) {
    if (m_Version != m_pPin->GetMediaTypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    while (cMediaTypes > 0) {
        CMediaType type;
        if (m_pPin->GetMediaType(m_Position, &type) != S_OK) return S_FALSE;
        ++m_Position;
        --cMediaTypes;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Reset() {
    m_Version = m_pPin->GetMediaTypeVersion();
    m_Position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum) {
    if (!ppEnum) return E_POINTER;
    if (m_Version != m_pPin->GetMediaTypeVersion()) {
        *ppEnum = nullptr;
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    *ppEnum = new (std::nothrow) CEnumMediaTypes(m_pPin, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}
