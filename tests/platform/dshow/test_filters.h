// Small filters and a hand-driven clock for running real graphs in the test process.
#pragma once

#include <streams.h>

#include <map>
#include <mutex>
#include <vector>

namespace rvxtest {

// {6E4C61A0-38F5-4F3B-9A59-2F7E0C1D9A01} and neighbours: class ids of the test filters.
const CLSID CLSID_TestSource = {0x6e4c61a0, 0x38f5, 0x4f3b, {0x9a, 0x59, 0x2f, 0x7e, 0x0c, 0x1d, 0x9a, 0x01}};
const CLSID CLSID_TestTransform = {0x6e4c61a0, 0x38f5, 0x4f3b, {0x9a, 0x59, 0x2f, 0x7e, 0x0c, 0x1d, 0x9a, 0x02}};
const CLSID CLSID_TestRenderer = {0x6e4c61a0, 0x38f5, 0x4f3b, {0x9a, 0x59, 0x2f, 0x7e, 0x0c, 0x1d, 0x9a, 0x03}};

const REFERENCE_TIME kFrame = 10000;  // 1 ms per sample
const LONG kWidth = 4, kHeight = 2;

CMediaType TestVideoType();

// An IReferenceClock whose time only moves when the test says so.
class ManualClock final : public IReferenceClock {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTime) override;
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME base, REFERENCE_TIME offset, HEVENT event,
                                         DWORD_PTR* cookie) override;
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME start, REFERENCE_TIME period, HSEMAPHORE semaphore,
                                             DWORD_PTR* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR cookie) override;

    void Set(REFERENCE_TIME now);
    size_t PendingAdvises();

private:
    struct Advise {
        REFERENCE_TIME due;
        HANDLE event;
    };
    volatile LONG m_refs = 1;
    std::mutex m_lock;
    REFERENCE_TIME m_now = 0;
    DWORD_PTR m_next = 1;
    std::map<DWORD_PTR, Advise> m_advises;
};

class CTestSource;

// Sends `count` samples (or without end for count < 0) of 1 ms each; the first byte of a
// sample is its frame number. Seekable in media time.
class CTestStream : public CSourceStream, public CSourceSeeking {
public:
    CTestStream(HRESULT* phr, CTestSource* filter, int count);

    // Two CUnknown bases: the pin's is the identity, the seeking part delegates to it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return CSourceStream::GetOwner()->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return CSourceStream::GetOwner()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return CSourceStream::GetOwner()->Release(); }
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override { return CSourceStream::NonDelegatingAddRef(); }
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override { return CSourceStream::NonDelegatingRelease(); }

    HRESULT GetMediaType(CMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStartPlay() override;

    int failAt = -1;  // frame whose FillBuffer fails
    REFERENCE_TIME offset = 0;  // added to every time stamp
    bool seekable = true;       // false: the pin answers no IMediaSeeking
    HRESULT failWith = E_FAIL;

protected:
    HRESULT ChangeStart() override;
    HRESULT ChangeStop() override { return S_OK; }
    HRESULT ChangeRate() override { return S_OK; }

private:
    CCritSec m_seekLock;
    int m_count;
    int m_frame = 0;
    bool m_discontinuity = true;
};

class CTestSource : public CSource {
public:
    explicit CTestSource(int count);
    CTestStream* Stream() { return m_stream; }

private:
    CTestStream* m_stream;
};

// Adds one to the first byte of every sample it passes.
class CTestTransform : public CTransInPlaceFilter {
public:
    CTestTransform();
    HRESULT CheckInputType(const CMediaType* mt) override;
    HRESULT Transform(IMediaSample* sample) override;
    bool SharesAllocator() const { return !UsingDifferentAllocators(); }
    LONG passed = 0;
};

// Records the start time and first byte of every sample it renders.
class CTestRenderer : public CBaseRenderer {
public:
    CTestRenderer();
    ~CTestRenderer() override;
    HRESULT CheckMediaType(const CMediaType* mt) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    HRESULT GetSampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* end) override;

    struct Rendered {
        REFERENCE_TIME start;
        int firstByte;
        bool discontinuity;
    };
    std::vector<Rendered> Samples();
    // Waits for the n-th rendered sample (an event, not a sleep).
    bool WaitForSamples(size_t n, DWORD timeoutMs);
    bool HoldsSample() { return HaveCurrentSample() != FALSE; }
    bool live = false;

private:
    std::mutex m_lock;
    std::vector<Rendered> m_samples;
    HANDLE m_rendered;
};

// Wine's graph, with the given clock or none.
CComPtr<IGraphBuilder> MakeGraph(IReferenceClock* clock);
// Hands the clock to the graph and so to the filters already in it.
void UseClock(IGraphBuilder* graph, IReferenceClock* clock);
// Waits for one event code from the graph; false on timeout.
bool WaitForEvent(IGraphBuilder* graph, long wanted, DWORD timeoutMs, LONG_PTR* param1 = nullptr);
// Connects the first output pin of `up` to the first input pin of `down` directly.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* up, IBaseFilter* down, const AM_MEDIA_TYPE* mt = nullptr);
CComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION dir);

}  // namespace rvxtest
