#include "test_filters.h"

#include <cstring>

namespace rvxtest {

CMediaType TestVideoType() {
    CMediaType mt(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    std::memset(vih, 0, sizeof(*vih));
    vih->AvgTimePerFrame = kFrame;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = kWidth;
    vih->bmiHeader.biHeight = kHeight;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    vih->bmiHeader.biSizeImage = kWidth * kHeight * 4;
    mt.SetSampleSize(kWidth * kHeight * 4);
    return mt;
}

// ---------------------------------------------------------------- ManualClock

HRESULT STDMETHODCALLTYPE ManualClock::QueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IReferenceClock)) {
        *ppv = static_cast<IReferenceClock*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ManualClock::Release() {
    LONG count = InterlockedDecrement(&m_refs);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE ManualClock::GetTime(REFERENCE_TIME* pTime) {
    std::lock_guard<std::mutex> lock(m_lock);
    *pTime = m_now;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ManualClock::AdviseTime(REFERENCE_TIME base, REFERENCE_TIME offset, HEVENT event,
                                                  DWORD_PTR* cookie) {
    std::lock_guard<std::mutex> lock(m_lock);
    HANDLE handle = reinterpret_cast<HANDLE>(event);
    if (base + offset <= m_now) {
        SetEvent(handle);
        *cookie = 0;
        return S_OK;
    }
    *cookie = m_next++;
    m_advises[*cookie] = Advise{base + offset, handle};
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ManualClock::AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ManualClock::Unadvise(DWORD_PTR cookie) {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_advises.erase(cookie) ? S_OK : S_FALSE;
}

void ManualClock::Set(REFERENCE_TIME now) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_now = now;
    for (auto it = m_advises.begin(); it != m_advises.end();) {
        if (it->second.due <= now) {
            SetEvent(it->second.event);
            it = m_advises.erase(it);
        } else {
            ++it;
        }
    }
}

size_t ManualClock::PendingAdvises() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_advises.size();
}

// ---------------------------------------------------------------- CTestStream

CTestStream::CTestStream(HRESULT* phr, CTestSource* filter, int count)
    : CSourceStream(L"test stream", phr, filter, L"Out"),
      CSourceSeeking(L"test seeking", static_cast<IPin*>(this), phr, &m_seekLock),
      m_count(count) {
    m_rtDuration = m_rtStop = count < 0 ? MAXLONGLONG : count * kFrame;
}

HRESULT STDMETHODCALLTYPE CTestStream::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IMediaSeeking)) {
        if (!seekable) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return CSourceSeeking::NonDelegatingQueryInterface(riid, ppv);
    }
    return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CTestStream::GetMediaType(CMediaType* pmt) { return pmt->Set(TestVideoType()); }

HRESULT CTestStream::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    props->cBuffers = props->cBuffers < 2 ? 2 : props->cBuffers;
    props->cbBuffer = kWidth * kHeight * 4;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = alloc->SetProperties(props, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < props->cbBuffer ? E_FAIL : S_OK;
}

HRESULT CTestStream::OnThreadStartPlay() {
    CAutoLock lock(&m_seekLock);
    m_frame = static_cast<int>(m_rtStart / kFrame);
    m_discontinuity = true;
    return DeliverNewSegment(m_rtStart, m_rtStop, m_dRateSeeking);
}

HRESULT CTestStream::FillBuffer(IMediaSample* sample) {
    CAutoLock lock(&m_seekLock);
    if (m_count >= 0 && m_frame >= m_count) return S_FALSE;
    if (m_frame == failAt) return failWith;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memset(data, 0, static_cast<size_t>(sample->GetSize()));
    data[0] = static_cast<BYTE>(m_frame);
    REFERENCE_TIME start = m_frame * kFrame - m_rtStart + offset;
    REFERENCE_TIME stop = start + kFrame;
    sample->SetTime(&start, &stop);
    sample->SetActualDataLength(kWidth * kHeight * 4);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(m_discontinuity);
    m_discontinuity = false;
    ++m_frame;
    return S_OK;
}

HRESULT CTestStream::ChangeStart() {
    // A running stream restarts from the new position: flush what is downstream, stop
    // the worker, start it again.
    if (ThreadExists()) {
        DeliverBeginFlush();
        Stop();
        DeliverEndFlush();
        Run();
    }
    return S_OK;
}

CTestSource::CTestSource(int count) : CSource(L"test source", nullptr, CLSID_TestSource, nullptr) {
    HRESULT hr = S_OK;
    m_stream = new CTestStream(&hr, this, count);
}

// ---------------------------------------------------------------- CTestTransform

CTestTransform::CTestTransform() : CTransInPlaceFilter(L"test transform", nullptr, CLSID_TestTransform, nullptr) {}

HRESULT CTestTransform::CheckInputType(const CMediaType* mt) {
    return IsEqualGUID(*mt->Type(), MEDIATYPE_Video) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTestTransform::Transform(IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[0] = static_cast<BYTE>(data[0] + 1);
    InterlockedIncrement(&passed);
    return S_OK;
}

// ---------------------------------------------------------------- CTestRenderer

CTestRenderer::CTestRenderer()
    : CBaseRenderer(CLSID_TestRenderer, L"test renderer", nullptr, nullptr),
      m_rendered(CreateSemaphoreW(nullptr, 0, 1 << 20, nullptr)) {}

CTestRenderer::~CTestRenderer() { CloseHandle(m_rendered); }

HRESULT CTestRenderer::CheckMediaType(const CMediaType* mt) {
    return IsEqualGUID(*mt->Type(), MEDIATYPE_Video) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTestRenderer::GetSampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (live) {
        sample->GetTime(start, end);
        return S_OK;
    }
    return CBaseRenderer::GetSampleTimes(sample, start, end);
}

HRESULT CTestRenderer::DoRenderSample(IMediaSample* sample) {
    REFERENCE_TIME start = 0, stop = 0;
    sample->GetTime(&start, &stop);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_samples.push_back(Rendered{start, data[0], sample->IsDiscontinuity() == S_OK});
    }
    ReleaseSemaphore(m_rendered, 1, nullptr);
    return S_OK;
}

std::vector<CTestRenderer::Rendered> CTestRenderer::Samples() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_samples;
}

bool CTestRenderer::WaitForSamples(size_t n, DWORD timeoutMs) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_samples.size() >= n) return true;
        }
        if (WaitForSingleObject(m_rendered, timeoutMs) != WAIT_OBJECT_0) return false;
    }
}

// ---------------------------------------------------------------- graph helpers

CComPtr<IGraphBuilder> MakeGraph(IReferenceClock* clock) {
    CComPtr<IGraphBuilder> graph;
    if (FAILED(graph.CoCreateInstance(CLSID_FilterGraph))) return nullptr;
    CComQIPtr<IMediaFilter> filter(graph);
    if (filter) filter->SetSyncSource(clock);
    return graph;
}

void UseClock(IGraphBuilder* graph, IReferenceClock* clock) {
    CComQIPtr<IMediaFilter> filter(graph);
    if (filter) filter->SetSyncSource(clock);
}

bool WaitForEvent(IGraphBuilder* graph, long wanted, DWORD timeoutMs, LONG_PTR* param1) {
    CComQIPtr<IMediaEvent> events(graph);
    if (!events) return false;
    const DWORD deadline = GetTickCount() + timeoutMs;
    for (;;) {
        const DWORD now = GetTickCount();
        const long wait = static_cast<long>(deadline - now);
        if (wait <= 0) return false;
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        HRESULT hr = events->GetEvent(&code, &p1, &p2, wait);
        // The graph's event handle can stay signalled after its queue was emptied, so an
        // E_ABORT before the deadline only means "ask again".
        if (hr == E_ABORT) continue;
        if (FAILED(hr)) return false;
        events->FreeEventParams(code, p1, p2);
        if (code == wanted) {
            if (param1) *param1 = p1;
            return true;
        }
    }
}

CComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION dir) {
    CComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) return nullptr;
    CComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == dir) return pin;
    }
    return nullptr;
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* up, IBaseFilter* down, const AM_MEDIA_TYPE* mt) {
    CComPtr<IPin> out = FirstPin(up, PINDIR_OUTPUT);
    CComPtr<IPin> in = FirstPin(down, PINDIR_INPUT);
    if (!out || !in) return E_FAIL;
    return graph->ConnectDirect(out, in, mt);
}

}  // namespace rvxtest
