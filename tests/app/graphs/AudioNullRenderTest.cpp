#include "app/graphs/input/AudioNullRender.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "tests/platform/dshow/test_filters.h"

using namespace rvxtest;

namespace {

CMediaType Pcm(DWORD rate) {
    CMediaType mt(&MEDIATYPE_Audio);
    mt.SetSubtype(&MEDIASUBTYPE_PCM);
    mt.SetFormatType(&FORMAT_WaveFormatEx);
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(mt.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    wfx->wFormatTag = WAVE_FORMAT_PCM;
    wfx->nChannels = 2;
    wfx->nSamplesPerSec = rate;
    wfx->wBitsPerSample = 16;
    wfx->nBlockAlign = 4;
    wfx->nAvgBytesPerSec = rate * 4;
    wfx->cbSize = 0;
    return mt;
}

struct Heard {
    int id;
    IMediaSample* sample;
    int low, high;
};

class RecordingListener : public IGrabListener {
public:
    explicit RecordingListener(std::vector<Heard>* log, bool throws = false) : m_log(log), m_throws(throws) {
        m_event = CreateSemaphoreW(nullptr, 0, 1 << 20, nullptr);
    }
    ~RecordingListener() { CloseHandle(m_event); }
    void OnSample(int id, IMediaSample* sample, int low, int high) override {
        m_log->push_back(Heard{id, sample, low, high});
        ReleaseSemaphore(m_event, 1, nullptr);
        if (m_throws) throw std::runtime_error("listener failed");
    }
    void OnFlush(int id) override {
        ++flushes;
        m_log->push_back(Heard{id, nullptr, -1, -1});
        if (m_throws) throw 7;
    }
    bool WaitFor(int samples, DWORD timeoutMs) {
        for (int i = 0; i < samples; ++i) {
            if (WaitForSingleObject(m_event, timeoutMs) != WAIT_OBJECT_0) return false;
        }
        return true;
    }
    int flushes = 0;

private:
    std::vector<Heard>* m_log;
    bool m_throws;
    HANDLE m_event;
};

class AudioNullRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        HRESULT hr = S_OK;
        renderer = new CAudioNullRender(nullptr, &hr);
        rendererRef = static_cast<IBaseFilter*>(renderer);
    }
    void TearDown() override {
        rendererRef.Release();
        CoUninitialize();
    }
    CAudioNullRender* renderer = nullptr;
    CComPtr<IBaseFilter> rendererRef;
};

TEST_F(AudioNullRenderTest, AcceptsAudioInFullAndVideoByTypeAndSubtype) {
    const CMediaType pcm = Pcm(44100);
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, renderer->CheckMediaType(&pcm));  // empty list
    EXPECT_EQ(E_INVALIDARG, renderer->CheckMediaType(nullptr));
    renderer->AddAcceptedType(Pcm(44100));
    CMediaType video = TestVideoType();
    renderer->AddAcceptedType(video);

    CMediaType otherVideo = TestVideoType();
    reinterpret_cast<VIDEOINFOHEADER*>(otherVideo.Format())->bmiHeader.biWidth = 720;
    CMediaType yuv = TestVideoType();
    yuv.SetSubtype(&MEDIASUBTYPE_YUY2);
    CMediaType shortFormat = Pcm(44100);
    shortFormat.ReallocFormatBuffer(16);  // the same sound as a PCMWAVEFORMAT
    struct Case {
        const char* what;
        CMediaType type;
        HRESULT hr;
    } cases[] = {
        {"the accepted PCM", Pcm(44100), S_OK},
        {"48000 Hz", Pcm(48000), static_cast<HRESULT>(0x8004022A)},
        {"a shorter format block", shortFormat, VFW_E_TYPE_NOT_ACCEPTED},
        {"video of another size", otherVideo, S_OK},
        {"video of another subtype", yuv, VFW_E_TYPE_NOT_ACCEPTED},
    };
    for (Case& c : cases) EXPECT_EQ(c.hr, renderer->CheckMediaType(&c.type)) << c.what;

    renderer->ClearAcceptedTypes();
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, renderer->CheckMediaType(&video));
}

TEST_F(AudioNullRenderTest, EveryListenerHearsTheSampleWithTheStreamTime) {
    ManualClock* clock = new ManualClock();
    CComPtr<IReferenceClock> clockRef;
    clockRef.Attach(clock);
    renderer->SetSyncSource(clock);
    renderer->Run(5);
    clock->Set(0x0000000200000007LL);  // stream time 0x2'00000002

    std::vector<Heard> log;
    RecordingListener thrower(&log, true), second(&log), third(&log);
    renderer->AddListener(3, &third);
    renderer->AddListener(1, &thrower);
    renderer->AddListener(2, &second);
    renderer->AddListener(4, nullptr);  // kept and skipped
    BYTE data[4] = {};
    CComPtr<IMediaSample> sample(new CMediaSample(L"s", nullptr, nullptr, data, sizeof(data)));
    EXPECT_EQ(S_OK, renderer->DoRenderSample(sample));
    ASSERT_EQ(3u, log.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(i + 1, log[i].id);  // ascending ids, past the one that threw
        EXPECT_EQ(sample.Get(), log[i].sample);
        EXPECT_EQ(2, log[i].low);
        EXPECT_EQ(2, log[i].high);
    }
    renderer->Stop();

    // Without a clock the time is 0.
    renderer->SetSyncSource(nullptr);
    log.clear();
    renderer->DoRenderSample(sample);
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(0, log[0].low);
    EXPECT_EQ(0, log[0].high);
}

TEST_F(AudioNullRenderTest, AFlushReachesEveryListenerTwice) {
    std::vector<Heard> log;
    RecordingListener thrower(&log, true), other(&log);
    renderer->AddListener(1, &thrower);
    renderer->AddListener(2, &other);
    CComPtr<IPin> pin = FirstPin(rendererRef, PINDIR_INPUT);
    ASSERT_TRUE(pin);
    EXPECT_EQ(S_OK, pin->BeginFlush());
    EXPECT_EQ(S_OK, pin->EndFlush());
    EXPECT_EQ(2, thrower.flushes);
    EXPECT_EQ(2, other.flushes);

    AM_MEDIA_TYPE mt;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, renderer->GetConnectionMediaType(&mt));
    ALLOCATOR_PROPERTIES props;
    EXPECT_EQ(VFW_E_NO_ALLOCATOR, renderer->GetAllocatorProperties(&props));
}

// A graph on a hand-driven clock whose only sample is stamped one second in.
struct ClockedGraph {
    explicit ClockedGraph(CAudioNullRender* renderer, IBaseFilter* rendererRef) {
        clock = new ManualClock();
        clockRef.Attach(clock);
        graph = MakeGraph(clock);
        auto* source = new CTestSource(1);
        source->Stream()->offset = UNITS;
        sourceRef = static_cast<IBaseFilter*>(source);
        renderer->AddAcceptedType(TestVideoType());
        graph->AddFilter(sourceRef, L"Source");
        graph->AddFilter(rendererRef, L"Audio Null Render");
        connected = ConnectFilters(graph, sourceRef, rendererRef);
        UseClock(graph, clock);
        control = CComQIPtr<IMediaControl>(graph);
    }
    ManualClock* clock;
    CComPtr<IReferenceClock> clockRef;
    CComPtr<IGraphBuilder> graph;
    CComPtr<IBaseFilter> sourceRef;
    CComPtr<IMediaControl> control;
    HRESULT connected;
};

TEST_F(AudioNullRenderTest, WithoutLiveASampleWaitsForItsTime) {
    std::vector<Heard> log;
    RecordingListener listener(&log);
    renderer->AddListener(1, &listener);
    ClockedGraph g(renderer, rendererRef);
    ASSERT_EQ(S_OK, g.connected);
    g.control->Pause();
    OAFilterState state;
    ASSERT_EQ(S_OK, g.control->GetState(10000, &state));
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    EXPECT_EQ(1u, g.clock->PendingAdvises());  // scheduled on the clock, not rendered
    EXPECT_TRUE(log.empty());
    g.clock->Set(MAXLONGLONG / 4);
    EXPECT_TRUE(listener.WaitFor(1, 10000));
    EXPECT_TRUE(WaitForEvent(g.graph, EC_COMPLETE, 10000));
    g.control->Stop();
    renderer->RemoveListener(1);
}

TEST_F(AudioNullRenderTest, LiveRendersAtOnce) {
    std::vector<Heard> log;
    RecordingListener listener(&log);
    renderer->AddListener(1, &listener);
    renderer->SetLive(TRUE);
    ClockedGraph g(renderer, rendererRef);
    ASSERT_EQ(S_OK, g.connected);
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    EXPECT_TRUE(listener.WaitFor(1, 10000));  // the clock never moved
    EXPECT_EQ(0u, g.clock->PendingAdvises());
    g.control->Stop();
    renderer->RemoveListener(1);
}

}  // namespace
