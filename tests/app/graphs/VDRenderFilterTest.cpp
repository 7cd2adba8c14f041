// CVDRender: its pins, the set-up replies they give and the samples they pass on.
#include "tests/support/net/FreePort.h"
#include "app/graphs/outputs/vd/VDRender.h"
#include "tests/app/graphs/VDConnector.h"
#include "tests/app/core/VDFixtures.h"
#include "tests/app/core/VDTestSocket.h"

#include <streams.h>

#include <gtest/gtest.h>

using vdtest::RawClient;
using vdtest::StubConnector;
using vdtest::TypeOf;

namespace {

using testnet::FreePort;

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HRESULT hr = S_OK;
        render = new CVDRender(nullptr, FreePort(), &hr);
        render->AddRef();
        ASSERT_EQ(S_OK, hr);
        ASSERT_EQ(S_OK, render->ServerStatus());
    }
    void TearDown() override { render->Release(); }

    void ConnectVideo()
    {
        videoFormat = Video720Type().format;
        AM_MEDIA_TYPE mt = TypeOf(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 1244160, videoFormat);
        ASSERT_EQ(S_OK, render->GetPin(0)->ReceiveConnection(&upstream, &mt));
    }

    vdtest::WinsockScope wsa;
    CVDRender* render = nullptr;
    StubConnector upstream;
    std::vector<uint8_t> videoFormat;
};

}  // namespace

TEST_F(RenderTest, TwoPinsVideoThenAudio)
{
    EXPECT_EQ(2, render->GetPinCount());
    PIN_INFO info;
    ASSERT_EQ(S_OK, render->GetPin(0)->QueryPinInfo(&info));
    EXPECT_STREQ(L"video", info.achName);
    EXPECT_EQ(PINDIR_INPUT, info.dir);
    info.pFilter->Release();
    ASSERT_EQ(S_OK, render->GetPin(1)->QueryPinInfo(&info));
    EXPECT_STREQ(L"audio", info.achName);
    info.pFilter->Release();
    EXPECT_EQ(nullptr, render->GetPin(2));
    EXPECT_EQ(nullptr, render->GetPin(-1));
    CLSID clsid;
    render->GetClassID(&clsid);
    EXPECT_TRUE(IsEqualGUID(CLSID_VDRender, clsid));
}

TEST_F(RenderTest, VideoPinRefusesVideoThatIsNotRgb24)
{
    std::vector<uint8_t> none;
    AM_MEDIA_TYPE rgb32 = TypeOf(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 0, none);
    AM_MEDIA_TYPE audio = TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, 0, none);
    CMediaType video32(rgb32), pcm(audio);
    EXPECT_EQ(E_FAIL, render->Input(0)->CheckMediaType(&video32));
    EXPECT_NE(S_OK, render->GetPin(0)->ReceiveConnection(&upstream, &rgb32));
    EXPECT_EQ(S_OK, render->Input(0)->CheckMediaType(&pcm));
    EXPECT_EQ(S_OK, render->Input(1)->CheckMediaType(&video32));
    EXPECT_EQ(S_OK, render->Input(1)->CheckMediaType(&pcm));
}

TEST_F(RenderTest, MediaTypeOnlyWhileConnected)
{
    CMediaType t;
    EXPECT_EQ(VFW_S_NO_MORE_ITEMS, render->Input(0)->GetMediaType(0, &t));
    std::vector<uint8_t> reply;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, render->Input(0)->GetFormatBlock(&reply));
    ConnectVideo();
    EXPECT_EQ(S_OK, render->Input(0)->GetMediaType(0, &t));
    EXPECT_EQ(1244160u, t.lSampleSize);
    EXPECT_EQ(VFW_S_NO_MORE_ITEMS, render->Input(0)->GetMediaType(1, &t));
    ASSERT_EQ(S_OK, render->Input(0)->GetFormatBlock(&reply));
    EXPECT_EQ(VideoReplyFixture(), reply);
    IEnumMediaTypes* types = nullptr;
    ASSERT_EQ(S_OK, render->GetPin(0)->EnumMediaTypes(&types));
    AM_MEDIA_TYPE* got[2] = {};
    ULONG n = 0;
    EXPECT_EQ(S_FALSE, types->Next(2, got, &n));
    ASSERT_EQ(1u, n);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, got[0]->subtype));
    CoTaskMemFree(got[0]->pbFormat);
    CoTaskMemFree(got[0]);
    types->Release();
}

TEST_F(RenderTest, ClientsGetTheConnectionTypeAndTheSamples)
{
    RawClient unconnected(render->ServerPort());
    ASSERT_TRUE(unconnected.Send("setupvideo"));
    EXPECT_TRUE(unconnected.WaitClosed());   // no connection type yet

    ConnectVideo();
    RawClient c(render->ServerPort());
    ASSERT_TRUE(c.Send("setupvideo"));
    std::vector<uint8_t> reply;
    ASSERT_TRUE(c.Recv(164, &reply));
    EXPECT_EQ(VideoReplyFixture(), reply);
    ASSERT_TRUE(c.Send("run======="));
    ASSERT_TRUE(c.Send("setupaudio"));
    EXPECT_TRUE(c.WaitClosed());   // the audio pin has no connection: dropped
}

TEST_F(RenderTest, ReceivedSamplesReachRunningClients)
{
    ConnectVideo();
    RawClient c(render->ServerPort());
    ASSERT_TRUE(c.Send("setupvideo"));
    std::vector<uint8_t> got;
    ASSERT_TRUE(c.Recv(164, &got));
    ASSERT_TRUE(c.Send("run======="));
    // Another client's round trip: the server reads every waiting command before it
    // answers, so "run" has been handled once this reply arrives.
    RawClient sync(render->ServerPort());
    ASSERT_TRUE(sync.Send("setupvideo"));
    ASSERT_TRUE(sync.Recv(164, &got));

    std::vector<BYTE> frame(1244160);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<BYTE>(i * 3);
    HRESULT hr = S_OK;
    IMediaSample* sample = new CMediaSample(L"frame", nullptr, &hr, frame.data(), static_cast<LONG>(frame.size()));
    sample->AddRef();
    REFERENCE_TIME start = 400000, stop = 800000;
    sample->SetTime(&start, &stop);
    IMemInputPin* input = nullptr;
    ASSERT_EQ(S_OK, render->Input(0)->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)));
    EXPECT_EQ(S_FALSE, input->ReceiveCanBlock());
    EXPECT_EQ(S_OK, input->Receive(sample));
    sample->Release();
    input->Release();

    ASSERT_TRUE(c.Recv(20, &got));
    EXPECT_EQ(vdtest::Hex("10FC1200 801A060000000000 0035 0C00 00000000"), got);
    ASSERT_TRUE(c.Recv(frame.size(), &got));
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), got.begin()));
}

TEST_F(RenderTest, ASecondServerOnTheSamePortIsReported)
{
    HRESULT hr = S_OK;
    CVDRender* second = new CVDRender(nullptr, render->ServerPort(), &hr);
    second->AddRef();
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(FAILED(second->ServerStatus()));
    // Still a renderer: samples are taken and dropped.
    BYTE data[4] = {};
    HRESULT shr = S_OK;
    IMediaSample* sample = new CMediaSample(L"s", nullptr, &shr, data, sizeof(data));
    sample->AddRef();
    IMemInputPin* input = nullptr;
    ASSERT_EQ(S_OK, second->Input(1)->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)));
    EXPECT_EQ(S_OK, input->Receive(sample));
    input->Release();
    sample->Release();
    second->Release();
}

TEST(VdRender, DefaultPortWhenNoneIsSet)
{
    vdtest::WinsockScope wsa;
    HRESULT hr = S_OK;
    CVDRender* render = new CVDRender(nullptr, 0, &hr);
    render->AddRef();
    if (SUCCEEDED(hr)) {
        EXPECT_EQ(8601, render->ServerPort());
    }
    render->Release();
}
