// The Decklink output graph: renderers found by name in the video and audio renderer
// categories, "None" for none, and a name that is not installed refused with a message.
#include "OutputSinksFixture.h"

#include "app/graphs/outputs/decklink/DecklinkComposeGraph.h"

using namespace sinkstest;
using standin::COutputStandIns;

namespace {

const LONG kWidth = 64, kHeight = 48;

class DecklinkComposeGraphTest : public OutputSinksTest {
protected:
    void TearDown() override
    {
        graph_.Stop();
        graph_.Destroy();
        OutputSinksTest::TearDown();
    }

    void Configure(const wchar_t* video, const wchar_t* audio)
    {
        DecklinkOutputSettings settings;
        settings.VideoDevice = video;
        settings.AudioDevice = audio;
        graph_.SetSettings(settings);
    }

    CDecklinkComposeGraph graph_;
};

} // namespace

TEST_F(DecklinkComposeGraphTest, BothNoneBuildsAGraphWhosePinsStayUnconnected)
{
    Configure(L"None", L"None");
    ASSERT_EQ(graph_.Create(), S_OK);
    SetProgramTypes(graph_, kWidth, kHeight);
    ASSERT_EQ(graph_.Build(), S_OK);
    EXPECT_EQ(FilterCount(graph_.Graph().GetGraph()), 1u);
    EXPECT_FALSE(graph_.ComposeSource()->VideoPin()->IsConnected());
    EXPECT_FALSE(graph_.ComposeSource()->AudioPin()->IsConnected());
    EXPECT_EQ(graph_.Run(), S_OK);
    EXPECT_EQ(box_.count, 0);
}

TEST_F(DecklinkComposeGraphTest, NamedRenderersReceiveTheProgram)
{
    Configure(COutputStandIns::DecklinkVideoName(), COutputStandIns::DecklinkAudioName());
    ASSERT_EQ(graph_.Create(), S_OK);
    IGraphBuilder* graph = graph_.Graph().GetGraph();
    EXPECT_NE(FindFilter(graph, COutputStandIns::DecklinkVideoName()), nullptr);
    EXPECT_NE(FindFilter(graph, COutputStandIns::DecklinkAudioName()), nullptr);
    SetProgramTypes(graph_, kWidth, kHeight);
    ASSERT_EQ(graph_.Build(), S_OK);
    EXPECT_TRUE(standin::DecklinkVideoLog().Connected() == ProgramVideoType(kWidth, kHeight));
    EXPECT_TRUE(standin::DecklinkAudioLog().Connected() == ProgramAudioType());
    ASSERT_EQ(graph_.Run(), S_OK);
    IComposeSource* source = graph_.GetComposeSource();
    source->ActivatePins();
    for (int n = 0; n < 3; ++n) {
        std::vector<DWORD> frame = MakeFrame(kWidth, kHeight, DWORD(n + 1));
        SendFrame(source, frame, n);
        SendAudio(source->GetAudioListener(), DWORD(100 + n), n);
    }
    ASSERT_TRUE(standin::DecklinkVideoLog().WaitForCount(3));
    ASSERT_TRUE(standin::DecklinkAudioLog().WaitForCount(3));
    const std::vector<standin::ReceivedRecord> video = standin::DecklinkVideoLog().Records();
    const std::vector<standin::ReceivedRecord> audio = standin::DecklinkAudioLog().Records();
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(video[n].firstWord, Pixel(0, 0, DWORD(n + 1)));
        EXPECT_EQ(video[n].length, kWidth * kHeight * 4);
        EXPECT_EQ(video[n].start, REFERENCE_TIME(n) * kFrameTime);
        EXPECT_EQ(audio[n].firstWord, DWORD(100 + n));
        EXPECT_EQ(audio[n].length, kAudioBytes);
    }
}

TEST_F(DecklinkComposeGraphTest, OnlyTheNamedKindIsConnected)
{
    Configure(L"None", COutputStandIns::DecklinkAudioName());
    ASSERT_EQ(graph_.Create(), S_OK);
    SetProgramTypes(graph_, kWidth, kHeight);
    ASSERT_EQ(graph_.Build(), S_OK);
    EXPECT_EQ(graph_.VideoRenderer(), nullptr);
    EXPECT_FALSE(graph_.ComposeSource()->VideoPin()->IsConnected());
    EXPECT_TRUE(graph_.ComposeSource()->AudioPin()->IsConnected());
}

TEST_F(DecklinkComposeGraphTest, ARendererThatIsNotInstalledIsReportedAndFailsCreate)
{
    struct Case {
        const wchar_t* video;
        const wchar_t* audio;
    } cases[] = {
        {L"Decklink Video Render 2", L"None"},
        {COutputStandIns::DecklinkVideoName(), L"Decklink Audio Render 2"},
        // The names are looked for only in their own category.
        {COutputStandIns::DecklinkAudioName(), L"None"},
    };
    for (const Case& c : cases) {
        box_ = BoxRecord();
        CDecklinkComposeGraph graph;
        DecklinkOutputSettings settings;
        settings.VideoDevice = c.video;
        settings.AudioDevice = c.audio;
        graph.SetSettings(settings);
        EXPECT_TRUE(FAILED(graph.Create())) << c.video << " / " << c.audio;
        EXPECT_EQ(box_.count, 1);
        EXPECT_EQ(box_.text, L"创建设备失败！");
        EXPECT_EQ(box_.caption, L"错误");
        EXPECT_EQ(box_.type & MB_ICONMASK, UINT(MB_ICONERROR));
        // Nothing of the failed start is left behind.
        EXPECT_EQ(graph.GetComposeSource(), nullptr);
        EXPECT_EQ(graph.VideoRenderer(), nullptr);
        EXPECT_EQ(graph.Graph().GetGraph(), nullptr);
        EXPECT_EQ(standin::DecklinkVideoLog().Instances(), 0);
        EXPECT_EQ(standin::DecklinkAudioLog().Instances(), 0);
        EXPECT_EQ(graph.Destroy(), S_OK);
    }
}

TEST_F(DecklinkComposeGraphTest, StoppingWhileTheProgramFlowsReturns)
{
    Configure(COutputStandIns::DecklinkVideoName(), COutputStandIns::DecklinkAudioName());
    ASSERT_EQ(graph_.Create(), S_OK);
    SetProgramTypes(graph_, kWidth, kHeight);
    ASSERT_EQ(graph_.Build(), S_OK);
    ASSERT_EQ(graph_.Run(), S_OK);
    graph_.GetComposeSource()->ActivatePins();
    CFeeder feeder(graph_.GetComposeSource(), kWidth, kHeight);
    ASSERT_TRUE(standin::DecklinkVideoLog().WaitForCount(5));
    EXPECT_TRUE(SUCCEEDED(graph_.Stop()));
    feeder.Stop();
    EXPECT_EQ(graph_.Destroy(), S_OK);
    EXPECT_EQ(standin::DecklinkVideoLog().Instances(), 0);
    EXPECT_EQ(standin::DecklinkAudioLog().Instances(), 0);
}
