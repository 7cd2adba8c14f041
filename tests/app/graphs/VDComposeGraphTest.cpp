// The virtual-device output graph: the program through the colour space converter into the
// frame server, and a virtual device's connection receiving it as RGB24.
#include "tests/support/net/FreePort.h"
#include "app/graphs/outputs/vd/VDComposeGraph.h"
#include "tests/app/core/VDTestSocket.h"

#include "OutputSinksFixture.h"

#include <cstring>

using namespace sinkstest;

namespace {

const LONG kWidth = 64, kHeight = 48;

using testnet::FreePort;

int32_t ReadInt32(const std::vector<uint8_t>& b, size_t at)
{
    int32_t v = 0;
    memcpy(&v, b.data() + at, 4);
    return v;
}

class VDComposeGraphTest : public OutputSinksTest {
protected:
    void SetUp() override
    {
        OutputSinksTest::SetUp();
        port_ = FreePort();
        graph_.SetListenPort(port_);
    }
    void TearDown() override
    {
        graph_.Stop();
        graph_.Destroy();
        OutputSinksTest::TearDown();
    }

    void CreateAndBuild()
    {
        ASSERT_EQ(graph_.Create(), S_OK);
        SetProgramTypes(graph_, kWidth, kHeight);
        ASSERT_EQ(graph_.Build(), S_OK);
    }

    // A client set up for the medium ("setupvideo" or "setupaudio") and running, known to be
    // running at the server.
    void RunningClient(vdtest::RawClient& client, std::vector<uint8_t>* reply, const char* setup = "setupvideo")
    {
        ASSERT_TRUE(client.Connect(port_));
        ASSERT_TRUE(client.Send(setup));
        ASSERT_TRUE(client.Recv(4, reply));
        const int32_t length = ReadInt32(*reply, 0);
        ASSERT_GE(length, 72);
        std::vector<uint8_t> rest;
        ASSERT_TRUE(client.Recv(size_t(length), &rest));
        reply->insert(reply->end(), rest.begin(), rest.end());
        ASSERT_TRUE(client.Send("run======="));
        // The server reads every waiting command before it answers another client, so the
        // run has been taken once this round trip is over.
        vdtest::RawClient sync(port_);
        std::vector<uint8_t> ignored;
        ASSERT_TRUE(sync.Send(setup));
        ASSERT_TRUE(sync.Recv(size_t(4 + length), &ignored));
    }

    vdtest::WinsockScope wsa_;
    uint16_t port_ = 0;
    CVDComposeGraph graph_;
};

} // namespace

TEST_F(VDComposeGraphTest, VideoPassesTheConverterAndAudioGoesStraightToTheServer)
{
    CreateAndBuild();
    IGraphBuilder* graph = graph_.Graph().GetGraph();
    ASSERT_NE(FindFilter(graph, L"VDRender"), nullptr);
    ASSERT_NE(FindFilter(graph, L"ComposeSource"), nullptr);
    CComPtr<IBaseFilter> colour = FindFilter(graph, L"Colour");
    ASSERT_NE(colour, nullptr);
    CLSID clsid = GUID_NULL;
    colour->GetClassID(&clsid);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_Colour));
    EXPECT_EQ(FilterCount(graph), 3u);

    CVDRender* server = graph_.FrameServer();
    CMediaType video, audio;
    ASSERT_TRUE(ConnectionType(server->GetPin(0), &video));
    EXPECT_TRUE(video.subtype == MEDIASUBTYPE_RGB24);
    ASSERT_TRUE(ConnectionType(server->GetPin(1), &audio));
    EXPECT_TRUE(audio == ProgramAudioType());
    // The source's video goes to the converter, not to the server.
    IPin* sourceVideo = graph_.ComposeSource()->VideoPin()->GetConnected();
    ASSERT_NE(sourceVideo, nullptr);
    PIN_INFO info = {};
    ASSERT_EQ(sourceVideo->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(colour));
    info.pFilter->Release();
}

TEST_F(VDComposeGraphTest, AVirtualDeviceReceivesTheProgramAsRgb24)
{
    CreateAndBuild();
    vdtest::RawClient client;
    std::vector<uint8_t> reply;
    RunningClient(client, &reply);
    // The set-up reply carries the RGB24 connection type: subtype at 16..31 of the 72-byte
    // image after the length.
    ASSERT_GE(reply.size(), size_t(4 + 72));
    GUID subtype;
    memcpy(&subtype, reply.data() + 4 + 16, sizeof subtype);
    EXPECT_TRUE(IsEqualGUID(subtype, MEDIASUBTYPE_RGB24));

    ASSERT_EQ(graph_.Run(), S_OK);
    OAFilterState state = State_Stopped;
    ASSERT_EQ(graph_.GetState(5000, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    graph_.GetComposeSource()->ActivatePins();

    for (int n = 0; n < 3; ++n) {
        std::vector<DWORD> frame = MakeFrame(kWidth, kHeight, DWORD(n + 1));
        SendFrame(graph_.GetComposeSource(), frame, n);
        std::vector<uint8_t> header, data;
        ASSERT_TRUE(client.Recv(20, &header)) << "frame " << n;
        const long bytes = kWidth * 3 * kHeight;
        EXPECT_EQ(ReadInt32(header, 0), 16 + bytes);
        REFERENCE_TIME start = 0;
        memcpy(&start, header.data() + 4, 8);
        EXPECT_EQ(start, REFERENCE_TIME(n) * kFrameTime);
        ASSERT_TRUE(client.Recv(size_t(bytes), &data));
        // Blue, green, red of every pixel, rows in the program's order.
        int wrong = 0;
        for (LONG y = 0; y < kHeight; ++y)
            for (LONG x = 0; x < kWidth; ++x) {
                const DWORD p = Pixel(x, y, DWORD(n + 1));
                const uint8_t* got = data.data() + (size_t(y) * kWidth + x) * 3;
                if (got[0] != (p & 0xFF) || got[1] != ((p >> 8) & 0xFF) || got[2] != ((p >> 16) & 0xFF))
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "frame " << n;
    }
    EXPECT_EQ(standin::CStandInColourConverter::Converted(), 3);
}

TEST_F(VDComposeGraphTest, AVirtualDeviceReceivesTheProgramAudioUnchanged)
{
    CreateAndBuild();
    vdtest::RawClient client;
    std::vector<uint8_t> reply;
    RunningClient(client, &reply, "setupaudio");
    GUID subtype;
    memcpy(&subtype, reply.data() + 4 + 16, sizeof subtype);
    EXPECT_TRUE(IsEqualGUID(subtype, MEDIASUBTYPE_PCM));
    ASSERT_EQ(graph_.Run(), S_OK);
    graph_.GetComposeSource()->ActivatePins();
    SendAudio(graph_.GetComposeSource()->GetAudioListener(), 0xA0D10u, 2);
    std::vector<uint8_t> header, data;
    ASSERT_TRUE(client.Recv(20, &header));
    EXPECT_EQ(ReadInt32(header, 0), 16 + kAudioBytes);
    REFERENCE_TIME start = 0, stop = 0;
    memcpy(&start, header.data() + 4, 8);
    memcpy(&stop, header.data() + 12, 8);
    EXPECT_EQ(start, 2 * kFrameTime);
    EXPECT_EQ(stop, 3 * kFrameTime);
    ASSERT_TRUE(client.Recv(size_t(kAudioBytes), &data));
    EXPECT_EQ(ReadInt32(data, 0), 0xA0D10);
}

TEST_F(VDComposeGraphTest, APortAlreadyTakenFailsTheOutput)
{
    SOCKET taken = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port_);
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    ASSERT_EQ(listen(taken, 1), 0);
    EXPECT_TRUE(FAILED(graph_.Create()));
    EXPECT_EQ(graph_.FrameServer(), nullptr);
    EXPECT_EQ(graph_.GetComposeSource(), nullptr);
    EXPECT_EQ(graph_.Graph().GetGraph(), nullptr);
    closesocket(taken);
}

TEST_F(VDComposeGraphTest, BuildWithoutCreateFails)
{
    EXPECT_EQ(graph_.Build(), E_FAIL);
}

TEST_F(VDComposeGraphTest, StoppingWhileFramesFlowReturns)
{
    CreateAndBuild();
    vdtest::RawClient client;
    std::vector<uint8_t> reply;
    RunningClient(client, &reply);
    ASSERT_EQ(graph_.Run(), S_OK);
    graph_.GetComposeSource()->ActivatePins();
    CFeeder feeder(graph_.GetComposeSource(), kWidth, kHeight);
    ASSERT_TRUE(feeder.WaitForRounds(20));
    EXPECT_TRUE(SUCCEEDED(graph_.Stop()));
    feeder.Stop();
    EXPECT_EQ(graph_.Destroy(), S_OK);
    EXPECT_EQ(graph_.FrameServer(), nullptr);
    // The server went with the graph: its client is let go.
    EXPECT_TRUE(client.WaitClosed());
}
