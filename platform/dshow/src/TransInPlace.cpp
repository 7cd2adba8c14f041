#include "dsbase/TransInPlace.h"

#include <cstring>
#include <new>

// ---------------------------------------------------------------- CTransInPlaceInputPin

CTransInPlaceInputPin::CTransInPlaceInputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter, HRESULT* phr,
                                             LPCWSTR pName)
    : CBaseInputPin(pObjectName, pFilter, &pFilter->m_csFilter, phr, pName), m_pTIPFilter(pFilter) {}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::GetAllocator(IMemAllocator** ppAllocator) {
    if (!ppAllocator) return E_POINTER;
    CAutoLock lock(m_pLock);
    CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
    if (output->IsConnected() && output->InputPin()) {
        *ppAllocator = nullptr;
        if (SUCCEEDED(output->InputPin()->GetAllocator(ppAllocator)) && *ppAllocator) return S_OK;
    }
    return CBaseInputPin::GetAllocator(ppAllocator);
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
    if (!pAllocator) return E_POINTER;
    CAutoLock lock(m_pLock);
    HRESULT hr = CBaseInputPin::NotifyAllocator(pAllocator, bReadOnly);
    if (FAILED(hr)) return hr;
    m_pTIPFilter->OutputPin()->AdoptAllocator(pAllocator, bReadOnly);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) {
    if (!pProps) return E_POINTER;
    CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
    if (output->IsConnected() && output->InputPin()) return output->InputPin()->GetAllocatorRequirements(pProps);
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::Receive(IMediaSample* pSample) {
    CAutoLock lock(&m_pTIPFilter->m_csReceive);
    HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK) return hr;
    return m_pTIPFilter->Receive(pSample);
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::EndOfStream() {
    CAutoLock lock(&m_pTIPFilter->m_csReceive);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return m_pTIPFilter->EndOfStream();
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::BeginFlush() {
    CAutoLock lock(m_pLock);
    HRESULT hr = CBaseInputPin::BeginFlush();
    if (FAILED(hr)) return hr;
    return m_pTIPFilter->BeginFlush();
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::EndFlush() {
    CAutoLock lock(m_pLock);
    HRESULT hr = m_pTIPFilter->EndFlush();
    if (FAILED(hr)) return hr;
    return CBaseInputPin::EndFlush();
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                                            double dRate) {
    CBasePin::NewSegment(tStart, tStop, dRate);
    return m_pTIPFilter->NewSegment(tStart, tStop, dRate);
}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* pmt) {
    HRESULT hr = m_pTIPFilter->CheckInputType(pmt);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
    if (output->IsConnected() && output->GetConnected()->QueryAccept(pmt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CTransInPlaceInputPin::CompleteConnect(IPin* pReceivePin) {
    HRESULT hr = CBaseInputPin::CompleteConnect(pReceivePin);
    if (FAILED(hr)) return hr;
    // Both sides carry one type: an output connected first with another type is
    // reconnected with this one.
    CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
    if (output->IsConnected() && output->CurrentMediaType() != m_mt) {
        return m_pTIPFilter->ReconnectPin(output, &m_mt);
    }
    return S_OK;
}

// ---------------------------------------------------------------- CTransInPlaceOutputPin

CTransInPlaceOutputPin::CTransInPlaceOutputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter, HRESULT* phr,
                                               LPCWSTR pName)
    : CBaseOutputPin(pObjectName, pFilter, &pFilter->m_csFilter, phr, pName), m_pTIPFilter(pFilter) {
    m_bTryMyTypesFirst = true;
}

CTransInPlaceOutputPin::~CTransInPlaceOutputPin() {
    if (m_pPosition) m_pPosition->Release();
}

HRESULT STDMETHODCALLTYPE CTransInPlaceOutputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IMediaSeeking)) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        CAutoLock lock(m_pLock);
        if (!m_pPosition) {
            HRESULT hr = CreatePosPassThru(GetOwner(), FALSE, m_pTIPFilter->InputPin(), &m_pPosition);
            if (FAILED(hr)) return hr;
        }
        return m_pPosition->QueryInterface(riid, ppv);
    }
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CTransInPlaceOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType) {
    if (iPosition < 0) return E_INVALIDARG;
    CTransInPlaceInputPin* input = m_pTIPFilter->InputPin();
    if (iPosition > 0 || !input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    return pMediaType->Set(input->CurrentMediaType());
}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* pmt) {
    CTransInPlaceInputPin* input = m_pTIPFilter->InputPin();
    if (input->IsConnected()) return *pmt == input->CurrentMediaType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    return m_pTIPFilter->CheckInputType(pmt);
}

HRESULT CTransInPlaceOutputPin::DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc) {
    if (!pPin || !ppAlloc) return E_POINTER;
    CTransInPlaceInputPin* input = m_pTIPFilter->InputPin();
    IMemAllocator* shared = input->PeekAllocator();
    if (input->IsConnected() && shared) {
        if (SUCCEEDED(pPin->NotifyAllocator(shared, input->IsReadOnly()))) {
            if (*ppAlloc) (*ppAlloc)->Release();
            *ppAlloc = shared;
            shared->AddRef();
            return S_OK;
        }
    }
    return CBaseOutputPin::DecideAllocator(pPin, ppAlloc);
}

void CTransInPlaceOutputPin::AdoptAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) {
    if (!IsConnected() || !m_pInputPin || m_pAllocator == pAllocator) return;
    if (FAILED(m_pInputPin->NotifyAllocator(pAllocator, bReadOnly))) return;
    pAllocator->AddRef();
    if (m_pAllocator) m_pAllocator->Release();
    m_pAllocator = pAllocator;
}

HRESULT CTransInPlaceOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProperties) {
    ALLOCATOR_PROPERTIES request = *pProperties;
    IMemAllocator* inputAllocator = m_pTIPFilter->InputPin()->PeekAllocator();
    ALLOCATOR_PROPERTIES upstream = {};
    if (inputAllocator && SUCCEEDED(inputAllocator->GetProperties(&upstream))) {
        if (upstream.cBuffers > request.cBuffers) request.cBuffers = upstream.cBuffers;
        if (upstream.cbBuffer > request.cbBuffer) request.cbBuffer = upstream.cbBuffer;
        if (upstream.cbAlign > request.cbAlign) request.cbAlign = upstream.cbAlign;
    }
    if (request.cBuffers < 1) request.cBuffers = 1;
    const LONG sampleSize = static_cast<LONG>(m_mt.GetSampleSize());
    if (request.cbBuffer < sampleSize) request.cbBuffer = sampleSize;
    if (request.cbBuffer < 1) request.cbBuffer = 1;
    if (request.cbAlign < 1) request.cbAlign = 1;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = pAlloc->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < request.cbBuffer || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

// ---------------------------------------------------------------- CTransInPlaceFilter

CTransInPlaceFilter::CTransInPlaceFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid, HRESULT* phr,
                                         bool bModifiesData)
    : CBaseFilter(pName, pUnk, &m_csFilter, clsid, phr), m_bModifiesData(bModifiesData) {
    m_pInput = new (std::nothrow) CTransInPlaceInputPin(L"Transform input pin", this, phr, L"Input");
    m_pOutput = new (std::nothrow) CTransInPlaceOutputPin(L"Transform output pin", this, phr, L"Output");
    if ((!m_pInput || !m_pOutput) && phr) *phr = E_OUTOFMEMORY;
}

CTransInPlaceFilter::~CTransInPlaceFilter() {
    delete m_pInput;
    delete m_pOutput;
}

int CTransInPlaceFilter::GetPinCount() { return 2; }

CBasePin* CTransInPlaceFilter::GetPin(int n) {
    if (n == 0) return m_pInput;
    if (n == 1) return m_pOutput;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CTransInPlaceFilter::Stop() {
    CAutoLock lock(&m_csFilter);
    if (m_State == State_Stopped) return S_OK;
    // The input goes first: a Receive still in progress finishes before the output's
    // allocator is decommitted under the streaming lock.
    if (m_pInput->IsConnected()) m_pInput->Inactive();
    CAutoLock receiveLock(&m_csReceive);
    if (m_pOutput->IsConnected()) m_pOutput->Inactive();
    HRESULT hr = StopStreaming();
    m_State = State_Stopped;
    return hr;
}

HRESULT STDMETHODCALLTYPE CTransInPlaceFilter::Pause() {
    CAutoLock lock(&m_csFilter);
    const FILTER_STATE oldState = m_State;
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    if (oldState == State_Stopped) {
        m_bSampleSkipped = false;
        hr = StartStreaming();
    }
    return hr;
}

bool CTransInPlaceFilter::UsingDifferentAllocators() const {
    return m_pInput->PeekAllocator() != m_pOutput->Allocator();
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* pSample) {
    if (!m_pOutput->IsConnected()) return S_OK;
    IMediaSample* work = nullptr;
    if (UsingDifferentAllocators() || (m_bModifiesData && m_pInput->IsReadOnly())) {
        work = Copy(pSample);
        if (!work) return E_UNEXPECTED;
    } else {
        work = pSample;
        work->AddRef();
    }
    HRESULT hr = Transform(work);
    if (hr == S_OK) {
        if (m_bSampleSkipped) {
            work->SetDiscontinuity(TRUE);
            m_bSampleSkipped = false;
        }
        hr = m_pOutput->Deliver(work);
    } else if (hr == S_FALSE) {
        m_bSampleSkipped = true;
        hr = S_OK;
    }
    work->Release();
    return hr;
}

IMediaSample* CTransInPlaceFilter::Copy(IMediaSample* pSource) {
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timeHr = pSource->GetTime(&start, &stop);
    IMediaSample* dest = nullptr;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(&dest, SUCCEEDED(timeHr) ? &start : nullptr,
                                              SUCCEEDED(timeHr) ? &stop : nullptr, 0);
    if (FAILED(hr) || !dest) return nullptr;

    BYTE* from = nullptr;
    BYTE* to = nullptr;
    const LONG length = pSource->GetActualDataLength();
    if (FAILED(pSource->GetPointer(&from)) || FAILED(dest->GetPointer(&to)) || length > dest->GetSize()) {
        dest->Release();
        return nullptr;
    }
    if (length > 0) std::memcpy(to, from, static_cast<size_t>(length));
    dest->SetActualDataLength(length);
    if (timeHr == S_OK) dest->SetTime(&start, &stop);
    else if (SUCCEEDED(timeHr)) dest->SetTime(&start, nullptr);
    LONGLONG mediaStart = 0, mediaStop = 0;
    if (pSource->GetMediaTime(&mediaStart, &mediaStop) == S_OK) dest->SetMediaTime(&mediaStart, &mediaStop);
    dest->SetSyncPoint(pSource->IsSyncPoint() == S_OK);
    dest->SetPreroll(pSource->IsPreroll() == S_OK);
    dest->SetDiscontinuity(pSource->IsDiscontinuity() == S_OK);
    AM_MEDIA_TYPE* type = nullptr;
    if (pSource->GetMediaType(&type) == S_OK && type) {
        dest->SetMediaType(type);
        DeleteMediaType(type);
    }
    return dest;
}

HRESULT CTransInPlaceFilter::EndOfStream() {
    if (!m_pOutput->IsConnected()) return S_OK;
    return m_pOutput->DeliverEndOfStream();
}

HRESULT CTransInPlaceFilter::BeginFlush() {
    if (!m_pOutput->IsConnected()) return S_OK;
    return m_pOutput->DeliverBeginFlush();
}

HRESULT CTransInPlaceFilter::EndFlush() {
    if (!m_pOutput->IsConnected()) return S_OK;
    return m_pOutput->DeliverEndFlush();
}

HRESULT CTransInPlaceFilter::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    if (!m_pOutput->IsConnected()) return S_OK;
    return m_pOutput->DeliverNewSegment(tStart, tStop, dRate);
}
