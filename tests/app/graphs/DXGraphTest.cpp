#include "app/graphs/base/DXGraph.h"

#include <gtest/gtest.h>

#include "tests/platform/dshow/test_filters.h"

using namespace rvxtest;

namespace {

// A graph that forwards to Wine's but hides one control interface.
class PartialGraph : public IGraphBuilder {
public:
    PartialGraph(IGraphBuilder* real, REFIID hidden) : m_real(real), m_hidden(hidden) {}
    virtual ~PartialGraph() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, m_hidden)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IGraphBuilder) || IsEqualIID(riid, IID_IFilterGraph)) {
            *ppv = static_cast<IGraphBuilder*>(this);
            AddRef();
            return S_OK;
        }
        return m_real->QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* f, LPCWSTR n) override { return m_real->AddFilter(f, n); }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* f) override { return m_real->RemoveFilter(f); }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** e) override { return m_real->EnumFilters(e); }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR n, IBaseFilter** f) override {
        return m_real->FindFilterByName(n, f);
    }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* a, IPin* b, const AM_MEDIA_TYPE* t) override {
        return m_real->ConnectDirect(a, b, t);
    }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin* p) override { return m_real->Reconnect(p); }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin* p) override { return m_real->Disconnect(p); }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return m_real->SetDefaultSyncSource(); }
    HRESULT STDMETHODCALLTYPE Connect(IPin* a, IPin* b) override { return m_real->Connect(a, b); }
    HRESULT STDMETHODCALLTYPE Render(IPin* p) override { return m_real->Render(p); }
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR f, LPCWSTR l) override { return m_real->RenderFile(f, l); }
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR f, LPCWSTR n, IBaseFilter** o) override {
        return m_real->AddSourceFilter(f, n, o);
    }
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR h) override { return m_real->SetLogFile(h); }
    HRESULT STDMETHODCALLTYPE Abort() override { return m_real->Abort(); }
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override { return m_real->ShouldOperationContinue(); }

private:
    volatile LONG m_refs = 1;
    CComPtr<IGraphBuilder> m_real;
    IID m_hidden;
};

size_t FilterCount(IGraphBuilder* graph) {
    CComPtr<IEnumFilters> filters;
    graph->EnumFilters(&filters);
    size_t count = 0;
    CComPtr<IBaseFilter> filter;
    while (filters->Next(1, &filter, nullptr) == S_OK) ++count;
    return count;
}

class DXGraphTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(DXGraphTest, CreateTwiceKeepsTheFirstGraph) {
    CDXGraph graph;
    ASSERT_EQ(S_OK, graph.Create());
    IGraphBuilder* first = graph.GetGraph();
    EXPECT_EQ(S_FALSE, graph.Create());
    EXPECT_EQ(first, graph.GetGraph());
    CComPtr<ICaptureGraphBuilder2> builder;
    EXPECT_EQ(S_OK, graph.CreateCaptureGraphBuilder(&builder));
    EXPECT_TRUE(builder);
}

TEST_F(DXGraphTest, AnEmptyWrapperAnswersWithFixedResults) {
    CDXGraph graph;
    ASSERT_EQ(S_OK, graph.Create());
    graph.ReleaseAll();
    EXPECT_EQ(nullptr, graph.GetGraph());
    EXPECT_EQ(E_POINTER, graph.Run());
    EXPECT_EQ(E_POINTER, graph.SetCurrentPosition(0));
    EXPECT_EQ(E_POINTER, graph.AddFilter(nullptr, L"x"));
    EXPECT_FALSE(graph.IsPaused());
    EXPECT_FALSE(graph.IsStopped());
    OAFilterState state = 12345;
    EXPECT_EQ(S_OK, graph.GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);  // never success with an unset state
    EXPECT_EQ(E_FAIL, graph.SetVideoPosition(0, 0, 10, 10));
    EXPECT_EQ(S_OK, graph.RepaintVideo(nullptr, nullptr));
    EXPECT_EQ(S_OK, graph.DisplayModeChanged());
    EXPECT_FALSE(graph.IsFullScreen());
    EXPECT_FALSE(graph.DrainEvents());
    CComPtr<ICaptureGraphBuilder2> builder;
    EXPECT_EQ(E_POINTER, graph.CreateCaptureGraphBuilder(&builder));
    ASSERT_EQ(S_OK, graph.Create());  // reusable
}

TEST_F(DXGraphTest, AFailedAttachLeavesTheCallersGraphIntact) {
    const IID* hidden[] = {&IID_IBasicAudio, &IID_IBasicVideo, &IID_IMediaControl,
                           &IID_IMediaEventEx, &IID_IMediaSeeking, &IID_IVideoWindow};
    for (const IID* iid : hidden) {
        CComPtr<IGraphBuilder> real = MakeGraph(nullptr);
        CComPtr<IBaseFilter> renderer(static_cast<IBaseFilter*>(new CTestRenderer()));
        ASSERT_EQ(S_OK, real->AddFilter(renderer, L"Renderer"));
        CComPtr<IGraphBuilder> partial;
        partial.Attach(new PartialGraph(real, *iid));
        CDXGraph graph;
        EXPECT_EQ(DSH_E_GRAPH_INTERFACE, graph.Attach(partial));
        EXPECT_EQ(nullptr, graph.GetGraph());
        EXPECT_EQ(E_POINTER, graph.Run());
        EXPECT_EQ(1u, FilterCount(real));
    }
    CDXGraph graph;
    EXPECT_EQ(E_POINTER, graph.Attach(nullptr));
    CComPtr<IGraphBuilder> real = MakeGraph(nullptr);
    EXPECT_EQ(S_OK, graph.Attach(real));
    EXPECT_EQ(real.Get(), graph.GetGraph());
}

TEST_F(DXGraphTest, RunsSeeksAndReportsTheEnd) {
    CDXGraph graph;
    ASSERT_EQ(S_OK, graph.Create());
    auto* source = new CTestSource(20);
    auto* renderer = new CTestRenderer();
    CComPtr<IBaseFilter> sourceRef(static_cast<IBaseFilter*>(source)), rendererRef(static_cast<IBaseFilter*>(renderer));
    ASSERT_EQ(S_OK, graph.AddFilter(sourceRef, L"Source"));
    ASSERT_EQ(S_OK, graph.AddFilter(rendererRef, L"Renderer"));
    ASSERT_EQ(S_OK, graph.ConnectDirect(FirstPin(sourceRef, PINDIR_OUTPUT), FirstPin(rendererRef, PINDIR_INPUT),
                                        nullptr));
    UseClock(graph.GetGraph(), nullptr);
    EXPECT_TRUE(graph.IsStopped());
    LONGLONG duration = 0;
    ASSERT_EQ(S_OK, graph.GetDuration(&duration));
    EXPECT_EQ(20 * kFrame, duration);
    ASSERT_EQ(S_OK, graph.SetCurrentPosition(10 * kFrame));

    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    EXPECT_TRUE(WaitForEvent(graph.GetGraph(), EC_COMPLETE, 10000));
    EXPECT_TRUE(graph.IsRunning());
    ASSERT_TRUE(SUCCEEDED(graph.Stop()));
    EXPECT_TRUE(graph.IsStopped());
    auto samples = renderer->Samples();
    ASSERT_EQ(10u, samples.size());
    EXPECT_EQ(10, samples[0].firstByte);
    EXPECT_EQ(S_OK, graph.RepaintVideo(nullptr, nullptr));  // windowed mode: nothing to do

    graph.ReleaseAll();  // takes the filters out of the graph
    EXPECT_EQ(nullptr, graph.GetGraph());
}

TEST_F(DXGraphTest, ASourceThatCannotSeekRefusesAPosition) {
    CDXGraph graph;
    ASSERT_EQ(S_OK, graph.Create());
    auto* source = new CTestSource(5);
    source->Stream()->seekable = false;
    CComPtr<IBaseFilter> sourceRef(static_cast<IBaseFilter*>(source));
    CComPtr<IBaseFilter> rendererRef(static_cast<IBaseFilter*>(new CTestRenderer()));
    graph.AddFilter(sourceRef, L"Source");
    graph.AddFilter(rendererRef, L"Renderer");
    ASSERT_EQ(S_OK, graph.ConnectDirect(FirstPin(sourceRef, PINDIR_OUTPUT), FirstPin(rendererRef, PINDIR_INPUT),
                                        nullptr));
    // Wine's graph reports absolute seeking whatever its renderers say, so the refusal
    // comes from the seek itself; either way the position is refused.
    EXPECT_TRUE(FAILED(graph.SetCurrentPosition(2 * kFrame)));
}

}  // namespace
