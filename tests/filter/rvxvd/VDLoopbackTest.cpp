// Both sides of the protocol together: the program's frame server and the device's
// streaming core on one loopback connection.
#include "app/graphs/outputs/vd/VDFrameServer.h"
#include "filter/rvxvd/VDStreamCore.h"
#include "tests/app/core/VDTestSocket.h"

#include <gtest/gtest.h>

#include <uuids.h>

#include <atomic>

namespace {

class ServedTypes : public vd::IVDSetupSource {
public:
    vd::VdMediaType video = vd::DefaultVideoType();
    vd::VdMediaType audio = vd::DefaultAudioType();
    bool BuildSetupReply(bool isVideo, std::vector<uint8_t>* reply) override
    {
        *reply = vd::EncodeSetupReply(isVideo ? video : audio);
        return true;
    }
};

class Count : public vd::IVDServerObserver {
public:
    std::atomic<int> commands{0};
    void OnCommandHandled(SOCKET, const char*) override { ++commands; }
    void OnClientDropped(SOCKET) override {}
    void WaitFor(int n)
    {
        while (commands < n)
            SwitchToThread();
    }
};

}  // namespace

TEST(VdLoopback, DevicesReceiveServedTypesFramesAndAudio)
{
    vdtest::WinsockScope wsa;
    ServedTypes types;
    // The program's 720 x 576 RGB24 at 25 frames per second.
    types.video.lSampleSize = 720 * 576 * 3;
    vd::PutU32(&types.video.format[52], 720);
    vd::PutU32(&types.video.format[56], 576);
    Count count;
    vd::VDFrameServer server(&types, &count);
    ASSERT_EQ(S_OK, server.Start(0));
    vd::VdHostAddress address;
    address.port = server.Port();

    vd::VDClient videoClient, audioClient;
    vd::VdMediaType videoType, audioType;
    ASSERT_EQ(S_OK, videoClient.Open(address, true, &videoType));
    ASSERT_EQ(S_OK, audioClient.Open(address, false, &audioType));
    EXPECT_EQ(types.video.format, videoType.format);
    EXPECT_EQ(1244160u, videoType.lSampleSize);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_PCM, audioType.subtype));

    vd::VdStreamTiming vt, at;
    ASSERT_TRUE(vd::DeriveTiming(videoType, true, &vt));
    ASSERT_TRUE(vd::DeriveTiming(audioType, false, &at));
    vd::VDStreamCore video(&videoClient, videoType, vt), audio(&audioClient, audioType, at);
    video.OnThreadStartPlay();
    audio.OnThreadStartPlay();
    count.WaitFor(4);   // two set-ups, two runs

    std::vector<uint8_t> frame(1244160), chunk(7056), vbuf(1244160), abuf(7056);
    for (int i = 0; i < 3; ++i) {
        std::fill(frame.begin(), frame.end(), static_cast<uint8_t>(i + 1));
        std::fill(chunk.begin(), chunk.end(), static_cast<uint8_t>(i + 100));
        const int64_t t = 987650000 + i * 400000;
        server.SendSample(true, frame.data(), frame.size(), t, t + 400000);
        server.SendSample(false, chunk.data(), chunk.size(), t - 400000, t);
        vd::VdFilledSample vs, as;
        ASSERT_EQ(S_OK, video.Fill(vbuf.data(), vbuf.size(), &vs));
        ASSERT_EQ(S_OK, audio.Fill(abuf.data(), abuf.size(), &as));
        EXPECT_EQ(i * 400000, vs.start);
        EXPECT_EQ(i * 400000, as.start);
        EXPECT_EQ(i * 1764, as.mediaStart);
        EXPECT_EQ(frame, vbuf);
        EXPECT_EQ(chunk, abuf);
    }
    video.OnThreadDestroy();
    audio.OnThreadDestroy();
    count.WaitFor(6);
    // Paused: nothing more is sent, and the next run starts from zero again.
    server.SendSample(true, frame.data(), frame.size(), 1, 2);
    video.OnThreadStartPlay();
    count.WaitFor(7);
    server.SendSample(true, frame.data(), frame.size(), 5550000, 5950000);
    vd::VdFilledSample vs;
    ASSERT_EQ(S_OK, video.Fill(vbuf.data(), vbuf.size(), &vs));
    EXPECT_EQ(0, vs.start);
    EXPECT_EQ(400000, vs.stop);
    server.Stop();
}
