#include "dsbase/Source.h"

#include <algorithm>

// ---------------------------------------------------------------- CSource

CSource::CSource(LPCTSTR pName, LPUNKNOWN lpunk, CLSID clsid, HRESULT* phr)
    : CBaseFilter(pName, lpunk, &m_cStateLock, clsid, phr) {}

CSource::~CSource() {
    while (!m_paStreams.empty()) delete m_paStreams.back();  // each removes itself
}

int CSource::GetPinCount() {
    CAutoLock lock(&m_cStateLock);
    return static_cast<int>(m_paStreams.size());
}

CBasePin* CSource::GetPin(int n) {
    CAutoLock lock(&m_cStateLock);
    if (n < 0 || n >= static_cast<int>(m_paStreams.size())) return nullptr;
    return m_paStreams[static_cast<size_t>(n)];
}

HRESULT CSource::AddPin(CSourceStream* pStream) {
    CAutoLock lock(&m_cStateLock);
    m_paStreams.push_back(pStream);
    IncrementPinVersion();
    return S_OK;
}

HRESULT CSource::RemovePin(CSourceStream* pStream) {
    CAutoLock lock(&m_cStateLock);
    auto it = std::find(m_paStreams.begin(), m_paStreams.end(), pStream);
    if (it == m_paStreams.end()) return S_FALSE;
    m_paStreams.erase(it);
    IncrementPinVersion();
    return S_OK;
}

int CSource::FindPinNumber(IPin* iPin) {
    CAutoLock lock(&m_cStateLock);
    for (size_t i = 0; i < m_paStreams.size(); ++i) {
        if (static_cast<IPin*>(m_paStreams[i]) == iPin) return static_cast<int>(i);
    }
    return -1;
}

// ---------------------------------------------------------------- CSourceStream

CSourceStream::CSourceStream(LPCTSTR pObjectName, HRESULT* phr, CSource* pms, LPCWSTR pName)
    : CAMThread(phr), CBaseOutputPin(pObjectName, pms, pms->pStateLock(), phr, pName), m_pFilter(pms) {
    m_pFilter->AddPin(this);
}

CSourceStream::~CSourceStream() { m_pFilter->RemovePin(this); }

HRESULT CSourceStream::Active() {
    CAutoLock lock(m_pFilter->pStateLock());
    if (m_pFilter->IsActive()) return S_FALSE;
    if (!IsConnected()) return S_OK;
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    if (ThreadExists()) return E_UNEXPECTED;
    if (!Create()) return E_FAIL;
    hr = Init();
    if (FAILED(hr)) {
        // The worker has ended after a failed OnThreadCreate.
        Close();
        return hr;
    }
    return Pause();
}

HRESULT CSourceStream::Inactive() {
    CAutoLock lock(m_pFilter->pStateLock());
    if (!IsConnected()) return S_OK;
    // Decommitting first turns the worker away from a blocking GetDeliveryBuffer, so it
    // sees the stop command.
    HRESULT hr = CBaseOutputPin::Inactive();
    if (FAILED(hr)) return hr;
    if (ThreadExists()) {
        hr = Stop();
        if (FAILED(hr) && hr != E_FAIL) return hr;
        Exit();
        Close();
    }
    return S_OK;
}

HRESULT CSourceStream::CheckMediaType(const CMediaType* pMediaType) {
    CAutoLock lock(m_pFilter->pStateLock());
    CMediaType mine;
    if (FAILED(GetMediaType(&mine))) return E_FAIL;
    return mine == *pMediaType ? S_OK : E_FAIL;
}

HRESULT CSourceStream::GetMediaType(int iPosition, CMediaType* pMediaType) {
    CAutoLock lock(m_pFilter->pStateLock());
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
    return GetMediaType(pMediaType);
}

HRESULT CSourceStream::GetMediaType(CMediaType*) { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE CSourceStream::QueryId(LPWSTR* Id) {
    if (!Id) return E_POINTER;
    // Pins of a source are named by number: "1", "2"...
    const int number = m_pFilter->FindPinNumber(this) + 1;
    if (number < 1) return VFW_E_NOT_FOUND;
    *Id = static_cast<LPWSTR>(CoTaskMemAlloc(12 * sizeof(WCHAR)));
    if (!*Id) return E_OUTOFMEMORY;
    wsprintfW(*Id, L"%d", number);
    return S_OK;
}

BOOL CSourceStream::CheckRequest(Command* pCom) {
    DWORD param = 0;
    if (!CAMThread::CheckRequest(&param)) return FALSE;
    *pCom = static_cast<Command>(param);
    return TRUE;
}

DWORD CSourceStream::ThreadProc() {
    Command com;
    do {
        com = GetRequest();
        if (com != CMD_INIT) Reply(static_cast<DWORD>(E_UNEXPECTED));
    } while (com != CMD_INIT);

    HRESULT hr = OnThreadCreate();
    if (FAILED(hr)) {
        OnThreadDestroy();
        Reply(static_cast<DWORD>(hr));
        return 1;
    }
    Reply(S_OK);

    Command cmd;
    do {
        cmd = GetRequest();
        switch (cmd) {
        case CMD_EXIT:
        case CMD_STOP:
            Reply(S_OK);
            break;
        case CMD_RUN:
        case CMD_PAUSE:
            Reply(S_OK);
            DoBufferProcessingLoop();
            break;
        default:
            Reply(static_cast<DWORD>(E_NOTIMPL));
            break;
        }
    } while (cmd != CMD_EXIT);

    OnThreadDestroy();
    return 0;
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
    OnThreadStartPlay();
    Command com;
    do {
        while (!CheckRequest(&com)) {
            IMediaSample* sample = nullptr;
            HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
            if (FAILED(hr)) {
                // Decommitted: the stop command is on its way; wait for it rather than spin.
                WaitForRequest(INFINITE);
                continue;
            }
            hr = FillBuffer(sample);
            if (hr == S_OK) {
                hr = Deliver(sample);
                sample->Release();
                if (hr != S_OK) {
                    // Downstream refused (flushing, stopping or failed): wait for the next
                    // command.
                    return S_OK;
                }
            } else if (hr == S_FALSE) {
                sample->Release();
                DeliverEndOfStream();
                return S_OK;
            } else {
                sample->Release();
                DeliverEndOfStream();
                m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
                return hr;
            }
        }
        if (com == CMD_RUN || com == CMD_PAUSE) {
            Reply(S_OK);
        } else if (com != CMD_STOP) {
            Reply(static_cast<DWORD>(E_UNEXPECTED));
        }
    } while (com != CMD_STOP);
    // The stop request was taken here, so it is answered here.
    Reply(S_OK);
    return S_FALSE;
}
