// The overlay card output graph on the simulated card: the program's rows written into the
// card field by field, a clean stop, and no graph without a card.
#include "OutputSinksFixture.h"

#include "SimCard.h"
#include "app/graphs/outputs/card/Ovx500ComposeGraph.h"
#include "cardlib/ovx500u.h"

using namespace sinkstest;

namespace {

const unsigned kCard = 0;
const LONG kWidth = 720, kHeight = 576;

class Ovx500ComposeGraphTest : public OutputSinksTest {
protected:
    void SetUp() override
    {
        OutputSinksTest::SetUp();
        sim::InstallDefault(false);
    }
    void TearDown() override
    {
        graph_.Stop();
        graph_.Destroy();
        OutputSinksTest::TearDown();
    }

    void CreateBuildRun(LONG width = kWidth, LONG height = kHeight)
    {
        ASSERT_EQ(graph_.Create(), S_OK);
        SetProgramTypes(graph_, width, height);
        ASSERT_EQ(graph_.Build(), S_OK);
        ASSERT_EQ(graph_.Run(), S_OK);
        graph_.GetComposeSource()->ActivatePins();
    }

    // Hands a frame to the graph and waits until the card renderer has queued it.
    void Feed(std::vector<DWORD>& frame, int index)
    {
        SendFrame(graph_.GetComposeSource(), frame, index);
        ASSERT_EQ(WaitForSingleObject(graph_.Renderer()->FrameQueuedSemaphore(), 5000), WAIT_OBJECT_0);
    }

    void Field()
    {
        ASSERT_TRUE(sim::TickField());
        ASSERT_EQ(WaitForSingleObject(graph_.Renderer()->FieldHandledEvent(), 5000), WAIT_OBJECT_0);
    }

    static DWORD CardPixel(int x, int y)
    {
        unsigned long pixel = 0;
        EXPECT_EQ(OVCG_GetPoint(x, y, pixel, kCard), 1);
        return DWORD(pixel);
    }

    // Which rows of the card frame carry frame `tag`: 1 odd, 2 even, 3 both, 0 none.
    static int RowsCarrying(DWORD tag)
    {
        bool odd = true, even = true;
        for (int y = 0; y < kHeight; ++y) {
            const bool has = CardPixel(3, y) == Pixel(3, y, tag) && CardPixel(719, y) == Pixel(719, y, tag);
            (y & 1 ? odd : even) &= has;
        }
        return (odd ? 1 : 0) | (even ? 2 : 0);
    }

    COvx500ComposeGraph graph_;
};

} // namespace

TEST_F(Ovx500ComposeGraphTest, OnlyTheVideoPinGoesToTheCard)
{
    ASSERT_EQ(graph_.Create(), S_OK);
    SetProgramTypes(graph_, kWidth, kHeight);
    ASSERT_EQ(graph_.Build(), S_OK);
    IGraphBuilder* graph = graph_.Graph().GetGraph();
    EXPECT_NE(FindFilter(graph, L"Ovx500Render"), nullptr);
    EXPECT_EQ(FilterCount(graph), 2u);
    EXPECT_TRUE(graph_.ComposeSource()->VideoPin()->IsConnected());
    EXPECT_FALSE(graph_.ComposeSource()->AudioPin()->IsConnected());
    EXPECT_EQ(box_.count, 0);
}

TEST_F(Ovx500ComposeGraphTest, WritesTheOtherFieldsRowsAtEveryField)
{
    CreateBuildRun();
    std::vector<DWORD> a = MakeFrame(kWidth, kHeight, 1), b = MakeFrame(kWidth, kHeight, 2);
    Feed(a, 0);
    Feed(b, 1);
    // The simulated card's fields count from 1 (odd). Field 1: the even rows of a; field 2
    // (even): its odd rows, and a is let go; field 3: the even rows of b.
    Field();
    EXPECT_EQ(RowsCarrying(1), 2);
    Field();
    EXPECT_EQ(RowsCarrying(1), 3);
    EXPECT_EQ(graph_.Renderer()->QueuedFrames(), 1u);
    Field();
    EXPECT_EQ(RowsCarrying(2), 2);
}

TEST_F(Ovx500ComposeGraphTest, FieldTypeOneLetsAFrameGoAfterAnOddField)
{
    graph_.SetFieldType(1);
    CreateBuildRun();
    std::vector<DWORD> a = MakeFrame(kWidth, kHeight, 1), b = MakeFrame(kWidth, kHeight, 2);
    Feed(a, 0);
    Feed(b, 1);
    Field();  // odd: a's even rows only, then a goes
    EXPECT_EQ(RowsCarrying(1), 2);
    EXPECT_EQ(graph_.Renderer()->QueuedFrames(), 1u);
}

TEST_F(Ovx500ComposeGraphTest, NtscSettingsTakeA480LineProgram)
{
    CardOutputSettings settings;
    settings.Ntsc = 1;
    graph_.SetSettings(settings);
    CreateBuildRun(720, 480);
    EXPECT_EQ(graph_.Renderer()->Height(), 480);
    EXPECT_TRUE(graph_.ComposeSource()->VideoPin()->IsConnected());
}

TEST_F(Ovx500ComposeGraphTest, AProgramSizeTheCardCannotShowIsRefusedWithAMessage)
{
    ASSERT_EQ(graph_.Create(), S_OK);
    SetProgramTypes(graph_, 640, 480);
    EXPECT_TRUE(FAILED(graph_.Build()));
    EXPECT_FALSE(graph_.ComposeSource()->VideoPin()->IsConnected());
    EXPECT_EQ(box_.count, 1);
    EXPECT_EQ(box_.caption, L"错误");
    EXPECT_EQ(box_.type & MB_ICONMASK, UINT(MB_ICONERROR));
}

TEST_F(Ovx500ComposeGraphTest, WithoutACardCreateFailsAndLeavesNothing)
{
    sim::Install(nullptr, 0, false);
    EXPECT_EQ(graph_.Create(), E_FAIL);
    EXPECT_EQ(box_.count, 1);
    EXPECT_EQ(box_.text, L"没有找到专用输出卡！");
    EXPECT_EQ(box_.caption, L"错误");
    EXPECT_EQ(graph_.Renderer(), nullptr);
    EXPECT_EQ(graph_.GetComposeSource(), nullptr);
    EXPECT_EQ(graph_.Graph().GetGraph(), nullptr);
    EXPECT_EQ(graph_.Destroy(), S_OK);
}

TEST_F(Ovx500ComposeGraphTest, StopsCleanlyWhileFramesAndFieldsFlowAndGivesTheCardBack)
{
    CreateBuildRun();
    CFeeder feeder(graph_.GetComposeSource(), kWidth, kHeight);
    ASSERT_TRUE(feeder.WaitForRounds(3));
    // Fields go on while the frames arrive; the worker started with the second frame.
    ASSERT_EQ(WaitForSingleObject(graph_.Renderer()->FrameQueuedSemaphore(), 5000), WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(graph_.Renderer()->FrameQueuedSemaphore(), 5000), WAIT_OBJECT_0);
    for (int i = 0; i < 4; ++i)
        Field();
    EXPECT_TRUE(SUCCEEDED(graph_.Stop()));
    feeder.Stop();
    EXPECT_EQ(graph_.Destroy(), S_OK);
    EXPECT_EQ(graph_.Renderer(), nullptr);
    // The card was given back exactly once: a fresh start and close leave no user behind.
    EXPECT_EQ(OVCG_Initial(kCard, 1), 1);
    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(OVCG_Close(kCard), 0);
}
