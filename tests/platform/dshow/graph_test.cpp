// The base classes driven by Wine's filter graph manager.
#include <gtest/gtest.h>

#include <thread>

#include "test_filters.h"

using namespace rvxtest;

namespace {

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

// source -> in-place transform -> renderer, all ours, in one graph.
struct Chain {
    explicit Chain(int count, IReferenceClock* clock = nullptr) : clock(clock) {
        graph = MakeGraph(clock);
        source = new CTestSource(count);
        transform = new CTestTransform();
        renderer = new CTestRenderer();
        sourceRef = static_cast<IBaseFilter*>(source);
        transformRef = static_cast<IBaseFilter*>(transform);
        rendererRef = static_cast<IBaseFilter*>(renderer);
    }
    HRESULT Build() {
        HRESULT hr = graph->AddFilter(sourceRef, L"Source");
        if (SUCCEEDED(hr)) hr = graph->AddFilter(transformRef, L"Transform");
        if (SUCCEEDED(hr)) hr = graph->AddFilter(rendererRef, L"Renderer");
        if (SUCCEEDED(hr)) hr = ConnectFilters(graph, sourceRef, transformRef);
        if (SUCCEEDED(hr)) hr = ConnectFilters(graph, transformRef, rendererRef);
        // Wine hands the graph's clock only to the filters in the graph at the time.
        UseClock(graph, clock);
        return hr;
    }
    CComPtr<IMediaControl> Control() { return CComQIPtr<IMediaControl>(graph); }

    IReferenceClock* clock;
    CComPtr<IGraphBuilder> graph;
    CTestSource* source;
    CTestTransform* transform;
    CTestRenderer* renderer;
    CComPtr<IBaseFilter> sourceRef, transformRef, rendererRef;
};

TEST_F(GraphTest, ChainRunsToCompletionWithTimesAndSharedAllocator) {
    Chain chain(10);
    ASSERT_TRUE(chain.graph);
    ASSERT_EQ(S_OK, chain.Build());
    EXPECT_TRUE(chain.transform->SharesAllocator());

    ASSERT_TRUE(SUCCEEDED(chain.Control()->Run()));
    EXPECT_TRUE(WaitForEvent(chain.graph, EC_COMPLETE, 10000));
    ASSERT_TRUE(SUCCEEDED(chain.Control()->Stop()));

    auto samples = chain.renderer->Samples();
    ASSERT_EQ(10u, samples.size());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(i * kFrame, samples[i].start) << i;
        EXPECT_EQ(i + 1, samples[i].firstByte) << i;  // the transform's mark
    }
    EXPECT_TRUE(samples[0].discontinuity);
    EXPECT_EQ(10, chain.transform->passed);
}

TEST_F(GraphTest, RunAgainAfterStop) {
    Chain chain(3);
    ASSERT_EQ(S_OK, chain.Build());
    for (int round = 1; round <= 2; ++round) {
        ASSERT_TRUE(SUCCEEDED(chain.Control()->Run()));
        EXPECT_TRUE(WaitForEvent(chain.graph, EC_COMPLETE, 10000)) << round;
        ASSERT_TRUE(SUCCEEDED(chain.Control()->Stop()));
        EXPECT_EQ(3u * round, chain.renderer->Samples().size());
    }
}

TEST_F(GraphTest, PauseHoldsTheFirstSampleAndTheClockReleasesTheRest) {
    ManualClock* clock = new ManualClock();
    CComPtr<IReferenceClock> clockRef;
    clockRef.Attach(clock);
    Chain chain(3, clock);
    ASSERT_EQ(S_OK, chain.Build());

    chain.Control()->Pause();
    OAFilterState state = State_Stopped;
    ASSERT_EQ(S_OK, chain.Control()->GetState(10000, &state));
    EXPECT_EQ(State_Paused, state);
    EXPECT_TRUE(chain.renderer->HoldsSample());
    EXPECT_TRUE(chain.renderer->Samples().empty());

    ASSERT_TRUE(SUCCEEDED(chain.Control()->Run()));
    // The held sample is scheduled on the clock; nothing renders before the clock moves.
    EXPECT_EQ(1u, clock->PendingAdvises());
    EXPECT_TRUE(chain.renderer->Samples().empty());
    clock->Set(MAXLONGLONG / 4);
    EXPECT_TRUE(chain.renderer->WaitForSamples(3, 10000));
    EXPECT_TRUE(WaitForEvent(chain.graph, EC_COMPLETE, 10000));
    chain.Control()->Stop();
}

TEST_F(GraphTest, StoppingAGraphWaitingOnTheClockDoesNotHang) {
    ManualClock* clock = new ManualClock();
    CComPtr<IReferenceClock> clockRef;
    clockRef.Attach(clock);
    Chain chain(-1, clock);  // never ends
    ASSERT_EQ(S_OK, chain.Build());
    ASSERT_TRUE(SUCCEEDED(chain.Control()->Run()));
    OAFilterState state;
    chain.Control()->GetState(10000, &state);

    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CComPtr<IMediaControl> control = chain.Control();
    IMediaControl* raw = control;
    HRESULT stopped = E_FAIL;
    std::thread stopper([raw, done, &stopped] {
        stopped = raw->Stop();
        SetEvent(done);
    });
    const bool finished = WaitForSingleObject(done, 10000) == WAIT_OBJECT_0;
    if (!finished) clock->Set(MAXLONGLONG / 4);  // let the graph go so the test can end
    stopper.join();
    CloseHandle(done);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(SUCCEEDED(stopped));
    EXPECT_FALSE(chain.renderer->HoldsSample());
}

TEST_F(GraphTest, SeekingPassesThroughToTheSource) {
    Chain chain(20);
    ASSERT_EQ(S_OK, chain.Build());
    CComQIPtr<IMediaSeeking> seeking(chain.graph);
    ASSERT_TRUE(seeking);
    DWORD caps = 0;
    ASSERT_EQ(S_OK, seeking->GetCapabilities(&caps));
    EXPECT_TRUE(caps & AM_SEEKING_CanSeekAbsolute);
    LONGLONG duration = 0;
    ASSERT_EQ(S_OK, seeking->GetDuration(&duration));
    EXPECT_EQ(20 * kFrame, duration);

    LONGLONG position = 15 * kFrame;
    ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning)));
    ASSERT_TRUE(SUCCEEDED(chain.Control()->Run()));
    EXPECT_TRUE(WaitForEvent(chain.graph, EC_COMPLETE, 10000));
    chain.Control()->Stop();
    auto samples = chain.renderer->Samples();
    ASSERT_EQ(5u, samples.size());
    EXPECT_EQ(16, samples[0].firstByte);
    EXPECT_EQ(0, samples[0].start);
}

TEST_F(GraphTest, SeekWhilePausedFlushesAndPrerollsTheNewPosition) {
    ManualClock* clock = new ManualClock();
    CComPtr<IReferenceClock> clockRef;
    clockRef.Attach(clock);
    Chain chain(20, clock);
    ASSERT_EQ(S_OK, chain.Build());
    chain.Control()->Pause();
    OAFilterState state;
    ASSERT_EQ(S_OK, chain.Control()->GetState(10000, &state));

    CComQIPtr<IMediaSeeking> seeking(chain.graph);
    LONGLONG position = 18 * kFrame;
    ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning)));
    ASSERT_EQ(S_OK, chain.Control()->GetState(10000, &state));
    EXPECT_EQ(State_Paused, state);
    ASSERT_TRUE(SUCCEEDED(chain.Control()->Run()));
    clock->Set(MAXLONGLONG / 4);
    EXPECT_TRUE(WaitForEvent(chain.graph, EC_COMPLETE, 10000));
    chain.Control()->Stop();
    auto samples = chain.renderer->Samples();
    ASSERT_EQ(2u, samples.size());
    EXPECT_EQ(19, samples[0].firstByte);
    EXPECT_EQ(20, samples[1].firstByte);
}

TEST_F(GraphTest, FailingSourceAbortsTheGraph) {
    Chain chain(10);
    chain.source->Stream()->failAt = 4;
    chain.source->Stream()->failWith = E_OUTOFMEMORY;
    ASSERT_EQ(S_OK, chain.Build());
    ASSERT_TRUE(SUCCEEDED(chain.Control()->Run()));
    LONG_PTR reason = 0;
    EXPECT_TRUE(WaitForEvent(chain.graph, EC_ERRORABORT, 10000, &reason));
    EXPECT_EQ(E_OUTOFMEMORY, static_cast<HRESULT>(reason));
    chain.Control()->Stop();
    EXPECT_EQ(4u, chain.renderer->Samples().size());
}

TEST_F(GraphTest, OurSourceFeedsWinesNullRenderer) {
    CComPtr<IGraphBuilder> graph = MakeGraph(nullptr);
    CComPtr<IBaseFilter> source(static_cast<IBaseFilter*>(new CTestSource(5)));
    CComPtr<IBaseFilter> sink;
    ASSERT_EQ(S_OK, sink.CoCreateInstance(CLSID_NullRenderer));
    ASSERT_EQ(S_OK, graph->AddFilter(source, L"Source"));
    ASSERT_EQ(S_OK, graph->AddFilter(sink, L"Null"));
    ASSERT_EQ(S_OK, ConnectFilters(graph, source, sink));
    CComQIPtr<IMediaControl> control(graph);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_TRUE(WaitForEvent(graph, EC_COMPLETE, 10000));
    control->Stop();
}

TEST_F(GraphTest, RendererRefusesOtherTypesAndAnUnconnectedOneCompletesAtOnce) {
    CComPtr<IGraphBuilder> graph = MakeGraph(nullptr);
    auto* renderer = new CTestRenderer();
    CComPtr<IBaseFilter> rendererRef(static_cast<IBaseFilter*>(renderer));
    CComPtr<IBaseFilter> source(static_cast<IBaseFilter*>(new CTestSource(1)));
    ASSERT_EQ(S_OK, graph->AddFilter(source, L"Source"));
    ASSERT_EQ(S_OK, graph->AddFilter(rendererRef, L"Renderer"));
    CMediaType audio(&MEDIATYPE_Audio);
    EXPECT_TRUE(FAILED(ConnectFilters(graph, source, rendererRef, &audio)));
    EXPECT_FALSE(FirstPin(rendererRef, PINDIR_INPUT) == nullptr);

    CComQIPtr<IMediaControl> control(graph);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_TRUE(WaitForEvent(graph, EC_COMPLETE, 10000));
    control->Stop();
}

TEST_F(GraphTest, FilterAndPinIdentity) {
    CComPtr<IGraphBuilder> graph = MakeGraph(nullptr);
    const LONG before = CBaseObject::ObjectsActive();
    {
        auto* renderer = new CTestRenderer();
        CComPtr<IBaseFilter> filter(static_cast<IBaseFilter*>(renderer));
        ASSERT_EQ(S_OK, graph->AddFilter(filter, L"My renderer"));
        FILTER_INFO info = {};
        ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
        EXPECT_STREQ(L"My renderer", info.achName);
        EXPECT_TRUE(info.pGraph != nullptr);
        if (info.pGraph) info.pGraph->Release();

        CComPtr<IPin> pin;
        ASSERT_EQ(S_OK, filter->FindPin(L"In", &pin));
        PIN_INFO pinInfo = {};
        ASSERT_EQ(S_OK, pin->QueryPinInfo(&pinInfo));
        EXPECT_EQ(PINDIR_INPUT, pinInfo.dir);
        EXPECT_EQ(filter.Get(), pinInfo.pFilter);
        pinInfo.pFilter->Release();
        CComPtr<IPin> missing;
        EXPECT_EQ(VFW_E_NOT_FOUND, filter->FindPin(L"Out", &missing));

        AM_MEDIA_TYPE mt;
        EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectionMediaType(&mt));
        CComPtr<IPin> peer;
        EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectedTo(&peer));

        CComQIPtr<IAMFilterMiscFlags> flags(filter);
        ASSERT_TRUE(flags);
        EXPECT_EQ(static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_RENDERER), flags->GetMiscFlags());
        CLSID clsid;
        filter->GetClassID(&clsid);
        EXPECT_TRUE(IsEqualGUID(CLSID_TestRenderer, clsid));
        ASSERT_EQ(S_OK, graph->RemoveFilter(filter));
    }
    // The filter and its pin went with their last reference.
    EXPECT_EQ(before, CBaseObject::ObjectsActive());
}

}  // namespace
