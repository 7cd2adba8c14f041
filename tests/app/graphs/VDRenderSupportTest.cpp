// The renderer's type rule, set-up reply and sample framing, over real media samples.
#include "app/graphs/outputs/vd/VDRenderSupport.h"
#include "tests/app/core/VDFixtures.h"
#include "tests/app/core/VDTestSocket.h"

#include <streams.h>

#include <gtest/gtest.h>

#include <atomic>

using vdtest::RawClient;

namespace {

class VideoSetup : public vd::IVDSetupSource {
public:
    bool BuildSetupReply(bool, std::vector<uint8_t>* reply) override
    {
        *reply = vd::EncodeSetupReply(Video720Type());
        return true;
    }
};

class Count : public vd::IVDServerObserver {
public:
    std::atomic<int> commands{0};
    void OnCommandHandled(SOCKET, const char*) override { ++commands; }
    void OnClientDropped(SOCKET) override {}
};

}  // namespace

TEST(VdRenderSupport, VideoPinTakesOnlyRgb24Video)
{
    struct { GUID major, sub; bool video; HRESULT hr; } cases[] = {
        {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, true, S_OK},
        {MEDIATYPE_Video, MEDIASUBTYPE_RGB32, true, E_FAIL},
        {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, true, S_OK},
        {MEDIATYPE_Video, MEDIASUBTYPE_RGB32, false, S_OK},
        {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, false, S_OK},
    };
    for (const auto& c : cases) {
        AM_MEDIA_TYPE mt = {};
        mt.majortype = c.major;
        mt.subtype = c.sub;
        EXPECT_EQ(c.hr, vd::CheckRenderType(c.video, mt));
    }
}

TEST(VdRenderSupport, SetupReplyFromTheConnectionType)
{
    std::vector<uint8_t> reply;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, vd::BuildSetupReply(nullptr, &reply));
    const vd::VdMediaType t = Video720Type();
    std::vector<uint8_t> format = t.format;
    AM_MEDIA_TYPE mt = {};
    mt.majortype = t.majortype;
    mt.subtype = t.subtype;
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = t.lSampleSize;
    mt.formattype = t.formattype;
    mt.pUnk = reinterpret_cast<IUnknown*>(&mt);   // pointers never reach the wire
    mt.cbFormat = static_cast<ULONG>(format.size());
    mt.pbFormat = format.data();
    ASSERT_EQ(S_OK, vd::BuildSetupReply(&mt, &reply));
    EXPECT_EQ(VideoReplyFixture(), reply);
}

TEST(VdRenderSupport, SamplesGoOutWithTheirTimesOrZero)
{
    vdtest::WinsockScope wsa;
    VideoSetup setup;
    Count count;
    vd::VDFrameServer server(&setup, &count);
    ASSERT_EQ(S_OK, server.Start(0));
    RawClient c(server.Port());
    ASSERT_TRUE(c.Send("setupvideo"));
    std::vector<uint8_t> got;
    ASSERT_TRUE(c.Recv(164, &got));
    ASSERT_TRUE(c.Send("run======="));
    while (count.commands < 2)
        SwitchToThread();

    BYTE data[5] = {1, 2, 3, 4, 5};
    HRESULT hr = S_OK;
    IMediaSample* sample = new CMediaSample(L"test", nullptr, &hr, data, sizeof(data));
    sample->AddRef();
    sample->SetActualDataLength(3);
    vd::SendMediaSample(server, true, sample);                  // no times: 0 and 0
    REFERENCE_TIME start = 400000, stop = 800000;
    sample->SetTime(&start, &stop);
    vd::SendMediaSample(server, true, sample);
    sample->SetTime(&start, nullptr);                           // no stop: start + 1
    vd::SendMediaSample(server, true, sample);
    sample->Release();

    ASSERT_TRUE(c.Recv(3 * 23, &got));
    EXPECT_EQ(vdtest::Hex("13000000 0000000000000000 0000000000000000 010203"
                          "13000000 801A060000000000 0035 0C00 00000000 010203"
                          "13000000 801A060000000000 811A060000000000 010203"),
              got);
    server.Stop();
}

TEST(VdRenderSupport, PortZeroMeansTheDefault)
{
    EXPECT_EQ(8601, vd::ListenPortOrDefault(0));
    EXPECT_EQ(9000, vd::ListenPortOrDefault(9000));
}
