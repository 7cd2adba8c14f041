// The audio preview graph: the preview pin rendered into the named sound device, or into
// the default audio renderer the graph finds, playing the newest audio with low delay.
#include "OutputSinksFixture.h"

#include "app/graphs/preview/AudioPreviewGraph.h"

using namespace sinkstest;
using standin::COutputStandIns;

namespace {

std::string Narrow(const wchar_t* text)
{
    char buffer[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

class AudioPreviewGraphTest : public OutputSinksTest {
protected:
    void TearDown() override
    {
        if (graph_) {
            graph_->Stop();
            graph_->Destroy();
            graph_.reset();
        }
        OutputSinksTest::TearDown();
    }

    // As the director starts the preview: construct, Create, the pin's type, Build.
    void Start(const std::string& device)
    {
        graph_.reset(new CAudioPreviewGraph(device.c_str()));
        ASSERT_EQ(graph_->Create(), S_OK);
        const CMediaType audio = ProgramAudioType();
        ASSERT_EQ(graph_->SetPinMediaType(&audio), S_OK);
        ASSERT_EQ(graph_->Build(), S_OK);
    }

    CAPSOutputPin* Pin() const { return graph_->Source()->Pin(); }

    HRESULT Queue(DWORD tag)
    {
        std::vector<BYTE> data(size_t(kAudioBytes), 0);
        *reinterpret_cast<DWORD*>(data.data()) = tag;
        HRESULT hr = S_OK;
        CMediaSample* sample = new CMediaSample(L"audio", nullptr, &hr, data.data(), kAudioBytes);
        sample->AddRef();
        sample->SetActualDataLength(kAudioBytes);
        REFERENCE_TIME start = kPinStart + tag, stop = start + kFrameTime;
        sample->SetTime(&start, &stop);
        hr = Pin()->QueueSample(sample);
        sample->Release();
        return hr;
    }

    std::unique_ptr<CAudioPreviewGraph> graph_;
};

} // namespace

TEST_F(AudioPreviewGraphTest, ThePinIsInactiveUntilTheGraphRuns)
{
    Start(Narrow(COutputStandIns::SoundCardName()));
    EXPECT_EQ(Queue(1), S_FALSE);
    EXPECT_EQ(Pin()->Queue().BuffersInUse(), 0u);
    ASSERT_EQ(graph_->Run(), S_OK);
    EXPECT_EQ(Queue(2), S_OK);
    ASSERT_TRUE(standin::SoundCardLog().WaitForCount(1));
    EXPECT_EQ(standin::SoundCardLog().Records()[0].firstWord, 2u);
}

TEST_F(AudioPreviewGraphTest, TheNamedDevicePlaysTheOldestWaitingSampleAndDropsTheRest)
{
    Start(Narrow(COutputStandIns::SoundCardName()));
    IGraphBuilder* graph = graph_->Graph().GetGraph();
    CComPtr<IBaseFilter> render = FindFilter(graph, L"AudioRender");
    ASSERT_NE(render, nullptr);
    CLSID clsid = GUID_NULL;
    render->GetClassID(&clsid);
    EXPECT_TRUE(IsEqualGUID(clsid, standin::CLSID_StandInSoundCard));
    EXPECT_EQ(FilterCount(graph), 2u);
    ASSERT_TRUE(Pin()->IsConnected());

    ASSERT_EQ(graph_->Run(), S_OK);
    standin::SoundCardLog().Block();
    ASSERT_EQ(Queue(0), S_OK);
    ASSERT_TRUE(standin::SoundCardLog().WaitUntilHolding());
    // Three wait behind the one being played.
    for (DWORD n = 1; n <= 3; ++n)
        ASSERT_EQ(Queue(n), S_OK);
    standin::SoundCardLog().Unblock();
    ASSERT_TRUE(standin::SoundCardLog().WaitForCount(2));
    // The loop went idle with the queue empty; one more arrival is played, proving it.
    ASSERT_EQ(Queue(9), S_OK);
    ASSERT_TRUE(standin::SoundCardLog().WaitForCount(3));
    const std::vector<standin::ReceivedRecord> got = standin::SoundCardLog().Records();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].firstWord, 0u);
    EXPECT_EQ(got[1].firstWord, 1u);
    EXPECT_EQ(got[2].firstWord, 9u);
    for (const standin::ReceivedRecord& r : got)
        EXPECT_FALSE(r.timed) << "preview samples are played at once";
    EXPECT_EQ(standin::DefaultSoundLog().Count(), 0u);
}

// The mixer hands a sample over and goes on: it never waits for the streaming thread, even
// when its arrival finds the thread just started (idle) and the thread takes the sample and
// the device holds it before the arrival's signal is seen. Each round starts a new thread,
// which is when that window opens; a hold that runs out counts as the fault.
TEST_F(AudioPreviewGraphTest, AnArrivalNeverWaitsForADeliveryTheDeviceHolds)
{
    Start(Narrow(COutputStandIns::SoundCardName()));
    standin::CReceiveLog& device = standin::SoundCardLog();
    for (DWORD round = 1; round <= 50; ++round) {
        ASSERT_EQ(graph_->Run(), S_OK) << round;
        device.Block();
        ASSERT_EQ(Queue(round), S_OK) << round;
        ASSERT_TRUE(device.WaitUntilHolding()) << round;
        ASSERT_EQ(Queue(1000 + round), S_OK) << round;
        device.Unblock();
        ASSERT_TRUE(device.WaitForCount(2 * round)) << round;
        ASSERT_EQ(device.HoldsTimedOut(), 0u) << round;
        ASSERT_TRUE(SUCCEEDED(graph_->Stop())) << round;
    }
    // Each round played the held sample, then the one that arrived while it was held.
    const std::vector<standin::ReceivedRecord> got = device.Records();
    ASSERT_EQ(got.size(), 100u);
    for (DWORD round = 1; round <= 50; ++round) {
        EXPECT_EQ(got[2 * (round - 1)].firstWord, round);
        EXPECT_EQ(got[2 * (round - 1) + 1].firstWord, 1000 + round);
    }
}

// Wine's only audio renderer device needs a sound device, so the default the graph finds
// here is the stand-in registered with a merit above it.
TEST_F(AudioPreviewGraphTest, AnUnknownDevicePlaysOnTheDefaultRenderer)
{
    for (const char* device : {"No Such Sound Card", ""}) {
        COutputStandIns::ResetLogs();
        Start(device);
        IGraphBuilder* graph = graph_->Graph().GetGraph();
        EXPECT_EQ(FindFilter(graph, L"AudioRender"), nullptr) << device;
        ASSERT_TRUE(Pin()->IsConnected()) << device;
        ASSERT_EQ(graph_->Run(), S_OK);
        ASSERT_EQ(Queue(5), S_OK);
        ASSERT_TRUE(standin::DefaultSoundLog().WaitForCount(1)) << device;
        EXPECT_EQ(standin::DefaultSoundLog().Records()[0].firstWord, 5u);
        EXPECT_EQ(standin::SoundCardLog().Count(), 0u);
        graph_->Stop();
        EXPECT_EQ(graph_->Destroy(), S_OK);
        graph_.reset();
    }
}

TEST_F(AudioPreviewGraphTest, BuildNeedsACreatedGraph)
{
    CAudioPreviewGraph graph("");
    EXPECT_EQ(graph.Build(), E_FAIL);
    EXPECT_EQ(graph.GetPinListener(), nullptr);
    EXPECT_EQ(graph.SetPinMediaType(nullptr), E_UNEXPECTED);
}

TEST_F(AudioPreviewGraphTest, StoppingWhileAudioFlowsReturns)
{
    Start(Narrow(COutputStandIns::SoundCardName()));
    ASSERT_EQ(graph_->Run(), S_OK);
    CFeeder feeder(graph_->GetPinListener());
    ASSERT_TRUE(standin::SoundCardLog().WaitForCount(5));
    EXPECT_TRUE(SUCCEEDED(graph_->Stop()));
    feeder.Stop();
    EXPECT_EQ(graph_->Destroy(), S_OK);
    EXPECT_EQ(standin::SoundCardLog().Instances(), 0);
    graph_.reset();
}
