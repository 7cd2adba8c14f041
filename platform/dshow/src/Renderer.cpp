#include "dsbase/Renderer.h"

#include <new>

// ---------------------------------------------------------------- CRendererInputPin

CRendererInputPin::CRendererInputPin(CBaseRenderer* pRenderer, HRESULT* phr, LPCWSTR Name)
    : CBaseInputPin(L"Renderer input pin", pRenderer, &pRenderer->m_InterfaceLock, phr, Name),
      m_pRenderer(pRenderer) {}

HRESULT STDMETHODCALLTYPE CRendererInputPin::Receive(IMediaSample* pMediaSample) {
    return m_pRenderer->Receive(pMediaSample);
}

HRESULT STDMETHODCALLTYPE CRendererInputPin::EndOfStream() {
    CAutoLock lock(&m_pRenderer->m_InterfaceLock);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    CAutoLock sampleLock(&m_pRenderer->m_RendererLock);
    hr = m_pRenderer->EndOfStream();
    if (SUCCEEDED(hr)) hr = CBaseInputPin::EndOfStream();
    return hr;
}

HRESULT STDMETHODCALLTYPE CRendererInputPin::BeginFlush() {
    CAutoLock lock(&m_pRenderer->m_InterfaceLock);
    // Refuse new samples first, then release the one that waits.
    CBaseInputPin::BeginFlush();
    return m_pRenderer->BeginFlush();
}

HRESULT STDMETHODCALLTYPE CRendererInputPin::EndFlush() {
    CAutoLock lock(&m_pRenderer->m_InterfaceLock);
    HRESULT hr = m_pRenderer->EndFlush();
    if (SUCCEEDED(hr)) hr = CBaseInputPin::EndFlush();
    return hr;
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* pmt) { return m_pRenderer->CheckMediaType(pmt); }

HRESULT CRendererInputPin::SetMediaType(const CMediaType* pmt) {
    HRESULT hr = CBaseInputPin::SetMediaType(pmt);
    if (FAILED(hr)) return hr;
    return m_pRenderer->SetMediaType(pmt);
}

HRESULT CRendererInputPin::BreakConnect() {
    HRESULT hr = m_pRenderer->BreakConnect();
    if (FAILED(hr)) return hr;
    return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::CompleteConnect(IPin* pReceivePin) {
    HRESULT hr = m_pRenderer->CompleteConnect(pReceivePin);
    if (FAILED(hr)) return hr;
    return CBaseInputPin::CompleteConnect(pReceivePin);
}

HRESULT CRendererInputPin::Active() { return m_pRenderer->Active(); }

HRESULT CRendererInputPin::Inactive() {
    m_pRenderer->Inactive();
    return CBaseInputPin::Inactive();
}

// ---------------------------------------------------------------- CBaseRenderer

CBaseRenderer::CBaseRenderer(REFCLSID RenderClass, LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr)
    : CBaseFilter(pName, pUnk, &m_InterfaceLock, RenderClass, phr),
      m_evComplete(TRUE, phr),
      m_RenderEvent(FALSE, phr),
      m_ThreadSignal(TRUE, phr),
      m_RenderClass(RenderClass) {
    Ready();
}

CBaseRenderer::~CBaseRenderer() {
    CancelNotification();
    ClearPendingSample();
    if (m_pPosition) m_pPosition->Release();
    delete m_pInputPin;
}

HRESULT STDMETHODCALLTYPE CBaseRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IMediaSeeking)) return GetMediaPositionInterface(riid, ppv);
    if (IsEqualIID(riid, IID_IAMFilterMiscFlags)) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseRenderer::GetMediaPositionInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    CAutoLock lock(&m_InterfaceLock);
    if (!m_pPosition) {
        CBasePin* pin = GetPin(0);
        if (!pin) return E_UNEXPECTED;
        HRESULT hr = CreatePosPassThru(GetOwner(), TRUE, pin, &m_pPosition);
        if (FAILED(hr)) return hr;
    }
    return m_pPosition->QueryInterface(riid, ppv);
}

int CBaseRenderer::GetPinCount() { return GetPin(0) ? 1 : 0; }

CBasePin* CBaseRenderer::GetPin(int n) {
    if (n != 0) return nullptr;
    CAutoLock lock(&m_InterfaceLock);
    if (!m_pInputPin) {
        HRESULT hr = S_OK;
        m_pInputPin = new (std::nothrow) CRendererInputPin(this, &hr, L"In");
        if (m_pInputPin && FAILED(hr)) {
            delete m_pInputPin;
            m_pInputPin = nullptr;
        }
    }
    return m_pInputPin;
}

HRESULT STDMETHODCALLTYPE CBaseRenderer::Stop() {
    CAutoLock lock(&m_InterfaceLock);
    if (m_State == State_Stopped) return S_OK;
    if (!m_pInputPin || !m_pInputPin->IsConnected()) {
        m_State = State_Stopped;
        Ready();
        return S_OK;
    }
    // Decommitting the allocator (in the pin) frees an upstream thread waiting for a
    // buffer; the thread signal frees one waiting here for its time or for Run.
    CBaseFilter::Stop();
    StopStreaming();
    SourceThreadCanWait(FALSE);
    ResetEndOfStream();
    CancelNotification();
    ClearPendingSample();
    Ready();
    m_bAbort = FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseRenderer::Pause() {
    CAutoLock lock(&m_InterfaceLock);
    const FILTER_STATE oldState = m_State;
    if (oldState == State_Paused) return CompleteStateChange();
    if (!m_pInputPin || !m_pInputPin->IsConnected()) {
        m_State = State_Paused;
        Ready();
        return S_OK;
    }
    if (oldState == State_Stopped) {
        m_bAbort = FALSE;
        ClearPendingSample();
    }
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    StopStreaming();
    SourceThreadCanWait(TRUE);
    // A sample waiting for its time while running now waits for the next Run.
    CancelNotification();
    return CompleteStateChange();
}

HRESULT STDMETHODCALLTYPE CBaseRenderer::Run(REFERENCE_TIME StartTime) {
    CAutoLock lock(&m_InterfaceLock);
    if (m_State == State_Running) return S_OK;
    if (!m_pInputPin || !m_pInputPin->IsConnected()) {
        // Nothing will ever end this stream: report it complete, so the graph's end of
        // stream does not wait for this renderer.
        HRESULT hr = CBaseFilter::Run(StartTime);
        Ready();
        NotifyEvent(EC_COMPLETE, S_OK, 0);
        return hr;
    }
    HRESULT hr = CBaseFilter::Run(StartTime);
    if (FAILED(hr)) return hr;
    Ready();
    SourceThreadCanWait(TRUE);
    return StartStreaming();
}

HRESULT STDMETHODCALLTYPE CBaseRenderer::GetState(DWORD dwMSecs, FILTER_STATE* State) {
    if (!State) return E_POINTER;
    if (WaitForSingleObject(m_evComplete, dwMSecs) == WAIT_TIMEOUT) {
        *State = m_State;
        return VFW_S_STATE_INTERMEDIATE;
    }
    *State = m_State;
    return S_OK;
}

HRESULT CBaseRenderer::CompleteStateChange() {
    if (!m_pInputPin || !m_pInputPin->IsConnected() || m_bEOS || HaveCurrentSample()) {
        Ready();
        return S_OK;
    }
    NotReady();
    return S_FALSE;
}

HRESULT CBaseRenderer::StartStreaming() {
    CAutoLock lock(&m_RendererLock);
    if (m_bStreaming) return S_OK;
    m_bStreaming = TRUE;
    OnStartStreaming();
    if (m_pMediaSample) {
        // The sample held while paused goes at its time, or now when it cannot be scheduled.
        if (!ScheduleSample(m_pMediaSample)) m_RenderEvent.Set();
    } else if (m_bEOS) {
        SendEndOfStream();
    }
    return S_OK;
}

HRESULT CBaseRenderer::StopStreaming() {
    CAutoLock lock(&m_RendererLock);
    if (m_bStreaming) {
        m_bStreaming = FALSE;
        OnStopStreaming();
    }
    return S_OK;
}

HRESULT CBaseRenderer::GetSampleTimes(IMediaSample* pMediaSample, REFERENCE_TIME* pStartTime,
                                      REFERENCE_TIME* pEndTime) {
    HRESULT hr = pMediaSample->GetTime(pStartTime, pEndTime);
    if (FAILED(hr)) return S_OK;  // no time stamps: render at once
    if (!m_pClock) return S_OK;
    hr = ShouldDrawSampleNow(pMediaSample, pStartTime, pEndTime);
    if (hr == S_OK) return S_OK;
    if (hr == S_FALSE) return VFW_E_SAMPLE_REJECTED;
    return S_FALSE;
}

HRESULT CBaseRenderer::ShouldDrawSampleNow(IMediaSample*, REFERENCE_TIME*, REFERENCE_TIME*) { return E_NOTIMPL; }

BOOL CBaseRenderer::ScheduleSample(IMediaSample* pMediaSample) {
    REFERENCE_TIME start = 0, end = 0;
    HRESULT hr = GetSampleTimes(pMediaSample, &start, &end);
    if (FAILED(hr)) return FALSE;
    if (hr == S_OK || !m_pClock) {
        m_RenderEvent.Set();
        return TRUE;
    }
    hr = m_pClock->AdviseTime(m_tStart, start, reinterpret_cast<HEVENT>(static_cast<HANDLE>(m_RenderEvent)),
                              &m_dwAdvise);
    if (FAILED(hr)) {
        m_dwAdvise = 0;
        m_RenderEvent.Set();
    }
    return TRUE;
}

void CBaseRenderer::CancelNotification() {
    CAutoLock lock(&m_RendererLock);
    if (m_dwAdvise) {
        if (m_pClock) m_pClock->Unadvise(m_dwAdvise);
        m_dwAdvise = 0;
    }
    m_RenderEvent.Reset();
}

void CBaseRenderer::ClearPendingSample() {
    CAutoLock lock(&m_RendererLock);
    if (m_pMediaSample) {
        m_pMediaSample->Release();
        m_pMediaSample = nullptr;
    }
}

BOOL CBaseRenderer::HaveCurrentSample() {
    CAutoLock lock(&m_RendererLock);
    return m_pMediaSample != nullptr;
}

IMediaSample* CBaseRenderer::GetCurrentSample() {
    CAutoLock lock(&m_RendererLock);
    if (m_pMediaSample) m_pMediaSample->AddRef();
    return m_pMediaSample;
}

void CBaseRenderer::SourceThreadCanWait(BOOL bCanWait) {
    if (bCanWait) m_ThreadSignal.Reset();
    else m_ThreadSignal.Set();
}

HRESULT CBaseRenderer::PrepareReceive(IMediaSample* pMediaSample) {
    CAutoLock lock(&m_InterfaceLock);
    m_bInReceive = TRUE;
    HRESULT hr = m_pInputPin->CBaseInputPin::Receive(pMediaSample);
    if (hr != S_OK) {
        m_bInReceive = FALSE;
        return hr;
    }
    const AM_SAMPLE2_PROPERTIES* props = m_pInputPin->SampleProps();
    if ((props->dwSampleFlags & AM_SAMPLE_TYPECHANGED) && props->pMediaType) {
        CMediaType changed(*props->pMediaType);
        hr = m_pInputPin->SetMediaType(&changed);
        if (FAILED(hr)) {
            m_bInReceive = FALSE;
            return hr;
        }
    }

    CAutoLock sampleLock(&m_RendererLock);
    if (m_pMediaSample || m_bEOS || m_bAbort) {
        m_bInReceive = FALSE;
        return m_bEOS ? VFW_E_SAMPLE_REJECTED_EOS : E_UNEXPECTED;
    }
    if (m_bStreaming) {
        if (!ScheduleSample(pMediaSample)) {
            m_bInReceive = FALSE;
            return VFW_E_SAMPLE_REJECTED;
        }
        m_SignalTime = props->tStop;
    }
    m_pMediaSample = pMediaSample;
    m_pMediaSample->AddRef();
    return S_OK;
}

HRESULT CBaseRenderer::WaitForRenderTime() {
    HANDLE waits[2] = {m_ThreadSignal, m_RenderEvent};
    DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return which == WAIT_OBJECT_0 + 1 ? S_OK : VFW_E_STATE_CHANGED;
}

HRESULT CBaseRenderer::Receive(IMediaSample* pMediaSample) {
    if (!pMediaSample) return E_POINTER;
    HRESULT hr = PrepareReceive(pMediaSample);
    if (hr != S_OK) return hr == VFW_E_SAMPLE_REJECTED ? S_OK : hr;

    if (m_State == State_Paused) {
        {
            CAutoLock sampleLock(&m_RendererLock);
            OnReceiveFirstSample(pMediaSample);
        }
        Ready();
    }
    hr = WaitForRenderTime();
    if (FAILED(hr)) {
        // Stopped or flushed while waiting: the sample is dropped, not refused.
        m_bInReceive = FALSE;
        return S_OK;
    }

    CAutoLock sampleLock(&m_RendererLock);
    m_bInReceive = FALSE;
    if (!m_pMediaSample) return S_OK;
    hr = Render(m_pMediaSample);
    ClearPendingSample();
    SendEndOfStream();
    CancelNotification();
    return SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT CBaseRenderer::Render(IMediaSample* pMediaSample) {
    if (!pMediaSample) return E_UNEXPECTED;
    OnRenderStart(pMediaSample);
    HRESULT hr = DoRenderSample(pMediaSample);
    OnRenderEnd(pMediaSample);
    return hr;
}

HRESULT CBaseRenderer::EndOfStream() {
    if (m_State == State_Stopped) return S_OK;
    m_bEOS = TRUE;
    // The end comes after the sample still waiting to be rendered.
    if (m_pMediaSample) return S_OK;
    if (m_State == State_Paused) Ready();
    return SendEndOfStream();
}

HRESULT CBaseRenderer::SendEndOfStream() {
    if (!m_bEOS || m_bEOSDelivered || !m_bStreaming) return S_OK;
    return NotifyEndOfStream();
}

HRESULT CBaseRenderer::NotifyEndOfStream() {
    m_bEOSDelivered = TRUE;
    return NotifyEvent(EC_COMPLETE, S_OK, 0);
}

void CBaseRenderer::ResetEndOfStream() {
    CAutoLock lock(&m_RendererLock);
    m_bEOS = FALSE;
    m_bEOSDelivered = FALSE;
}

HRESULT CBaseRenderer::BeginFlush() {
    // While paused, the pause is incomplete again until a sample after the flush arrives.
    if (m_State == State_Paused) NotReady();
    SourceThreadCanWait(FALSE);
    CancelNotification();
    ClearPendingSample();
    return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
    ResetEndOfStream();
    SourceThreadCanWait(TRUE);
    return S_OK;
}

HRESULT CBaseRenderer::BreakConnect() { return S_OK; }

HRESULT CBaseRenderer::CompleteConnect(IPin*) {
    ResetEndOfStream();
    return S_OK;
}
