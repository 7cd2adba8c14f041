// The virtual capture device's client against a scripted server.
#include "filter/rvxvd/VDClient.h"
#include "filter/rvxvd/VDMediaFormat.h"
#include "tests/filter/rvxvd/FakeFrameServer.h"

#include <gtest/gtest.h>

#include <uuids.h>

#include <future>
#include <thread>

using vd::VdMediaType;
using vdtest::FakeFrameServer;
using vdtest::Hex;
using vdtest::SampleBytes;

namespace {

// A reply carrying the device's own default video type: L = 72 + 88.
std::vector<uint8_t> VideoReply()
{
    return vd::EncodeSetupReply(vd::DefaultVideoType());
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, size_t from, size_t to)
{
    return std::vector<uint8_t>(v.begin() + from, v.begin() + to);
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed ^ (i * 13));
    return v;
}

class ClientTest : public ::testing::Test {
protected:
    vd::VdHostAddress Address() const
    {
        vd::VdHostAddress a;
        a.port = server.Port();
        return a;
    }

    // Opens a video client against the fake server, which answers with the default type.
    void OpenVideo()
    {
        auto opened = std::async(std::launch::async, [&] {
            VdMediaType t;
            return client.Open(Address(), true, &t);
        });
        ASSERT_TRUE(server.Accept());
        ASSERT_EQ("setupvideo", server.ReadCommand());
        ASSERT_TRUE(server.Send(VideoReply()));
        ASSERT_EQ(S_OK, opened.get());
    }

    vdtest::WinsockScope wsa;
    FakeFrameServer server;
    vd::VDClient client;
};

}  // namespace

TEST_F(ClientTest, OpenTakesTheServedTypeAndReplyInPieces)
{
    VdMediaType type;
    auto opened = std::async(std::launch::async, [&] { return client.Open(Address(), false, &type); });
    ASSERT_TRUE(server.Accept());
    EXPECT_EQ("setupaudio", server.ReadCommand());
    const std::vector<uint8_t> reply = vd::EncodeSetupReply(vd::DefaultAudioType());
    // Length field, image and format block each split, every piece read on its own.
    const size_t cuts[] = {0, 2, 4, 40, 76, 80, reply.size()};
    for (size_t i = 0; i + 1 < sizeof(cuts) / sizeof(cuts[0]); ++i) {
        ASSERT_TRUE(server.Send(Slice(reply, cuts[i], cuts[i + 1])));
        if (opened.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            vdtest::WaitConsumed(client.NativeSocket());
    }
    ASSERT_EQ(S_OK, opened.get());
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Audio, type.majortype));
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_PCM, type.subtype));
    EXPECT_EQ(7056u, type.lSampleSize);
    EXPECT_EQ(vd::DefaultAudioType().format, type.format);
    EXPECT_TRUE(client.IsConnected());
}

TEST_F(ClientTest, BadRepliesLeaveTheClientClosed)
{
    std::vector<uint8_t> good = VideoReply();
    std::vector<uint8_t> shortFormat = good;
    shortFormat[4 + 64] = 89;   // cbFormat one past what follows the image
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool close;
    } cases[] = {
        {"L 71", Hex("47000000") , false},
        {"L 65536", Hex("00000100"), false},
        {"cbFormat beyond L", shortFormat, false},
        {"closed after the command", {}, true},
        {"closed inside the reply", Slice(good, 0, 50), true},
    };
    for (const Case& c : cases) {
        VdMediaType type;
        type.lSampleSize = 12345;
        auto opened = std::async(std::launch::async, [&] { return client.Open(Address(), true, &type, 2000, 3000); });
        ASSERT_TRUE(server.Accept()) << c.name;
        ASSERT_EQ("setupvideo", server.ReadCommand()) << c.name;
        server.Send(c.bytes);
        if (c.close)
            server.CloseClient();
        EXPECT_EQ(E_FAIL, opened.get()) << c.name;
        EXPECT_FALSE(client.IsConnected()) << c.name;
        EXPECT_EQ(12345u, type.lSampleSize) << c.name;
    }
}

TEST_F(ClientTest, ASilentServerTimesOutTheReply)
{
    VdMediaType type;
    auto opened = std::async(std::launch::async, [&] { return client.Open(Address(), true, &type, 2000, 200); });
    ASSERT_TRUE(server.Accept());
    ASSERT_EQ("setupvideo", server.ReadCommand());
    EXPECT_EQ(E_FAIL, opened.get());
}

namespace {

DWORD g_fakeNow = 0;
DWORD FakeNow() { return g_fakeNow; }

}  // namespace

// A server that sends its reply a byte at a time once held Open for the reply timeout after
// every byte (164 bytes: 13 minutes). The reply timeout is one deadline for the whole reply:
// on a clock moved by hand, bytes 100 ms apart pass within it until 5 s are gone, then Open
// fails; 10 ms apart the whole reply arrives in 1.64 s and is taken.
TEST_F(ClientTest, TheReplyTimeoutIsOneDeadlineForTheWholeReply)
{
    vd::VDClient::SetTickSource(FakeNow);
    const std::vector<uint8_t> reply = VideoReply();
    for (DWORD step : {100u, 10u}) {
        g_fakeNow = 0xFFFFF000u;   // the deadline holds across the counter's wrap
        VdMediaType type;
        auto opened = std::async(std::launch::async, [&] { return client.Open(Address(), true, &type, 2000, 5000); });
        ASSERT_TRUE(server.Accept());
        ASSERT_EQ("setupvideo", server.ReadCommand());
        size_t sent = 0;
        for (; sent < reply.size() && opened.wait_for(std::chrono::seconds(0)) != std::future_status::ready; ++sent) {
            g_fakeNow += step;
            if (!server.Send(Slice(reply, sent, sent + 1)))
                break;
            vdtest::WaitConsumed(client.NativeSocket());
        }
        const HRESULT hr = opened.get();
        if (step == 100) {
            EXPECT_EQ(E_FAIL, hr);
            EXPECT_LT(sent, reply.size());
            EXPECT_FALSE(client.IsConnected());
        } else {
            EXPECT_EQ(S_OK, hr);
            EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, type.subtype));
        }
        server.CloseClient();
        client.Close();
    }
    vd::VDClient::SetTickSource(nullptr);
}

TEST_F(ClientTest, NoServerFailsAtOnce)
{
    vd::VdHostAddress a;
    {
        FakeFrameServer gone;
        a.port = gone.Port();
    }
    VdMediaType type;
    EXPECT_EQ(E_FAIL, client.Open(a, true, &type));
    a.host = "not-an-address";
    EXPECT_EQ(E_FAIL, client.Open(a, true, &type));
}

TEST_F(ClientTest, SamplesWithinTheLimitsAreReadWhole)
{
    OpenVideo();
    std::vector<uint8_t> buffer;
    size_t length = 0;
    int64_t start = 0, stop = 0;
    struct { size_t size; int64_t start, stop; } cases[] = {
        {0, 1, 2},                      // N = 16
        {720 * 576 * 3, 123450000, 123850000},
        {5242880 - 16, -5, 7},          // N = 5242880
        {10, 0x1122334455667788LL, 0},  // smaller after larger
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> data = Pattern(c.size, 3);
        ASSERT_TRUE(server.Send(SampleBytes(data, c.start, c.stop)));
        ASSERT_EQ(S_OK, client.ReadSample(&buffer, &length, &start, &stop)) << c.size;
        ASSERT_EQ(c.size, length);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin()));
        EXPECT_EQ(c.start, start);
        EXPECT_EQ(c.stop, stop);
    }
}

TEST_F(ClientTest, ASampleArrivingInPiecesIsIntact)
{
    OpenVideo();
    const std::vector<uint8_t> bytes = SampleBytes(Pattern(300000, 5), 400000, 800000);
    auto read = std::async(std::launch::async, [&] {
        std::vector<uint8_t> buffer;
        size_t length = 0;
        int64_t start = 0, stop = 0;
        HRESULT hr = client.ReadSample(&buffer, &length, &start, &stop);
        buffer.resize(length);
        return std::make_tuple(hr, buffer, start, stop);
    });
    const size_t cuts[] = {0, 1, 4, 11, 20, 21, 150000, bytes.size()};
    for (size_t i = 0; i + 1 < sizeof(cuts) / sizeof(cuts[0]); ++i) {
        ASSERT_TRUE(server.Send(Slice(bytes, cuts[i], cuts[i + 1])));
        vdtest::WaitConsumed(client.NativeSocket());
    }
    auto result = read.get();
    EXPECT_EQ(S_OK, std::get<0>(result));
    EXPECT_TRUE(Slice(bytes, 20, bytes.size()) == std::get<1>(result));
    EXPECT_EQ(400000, std::get<2>(result));
    EXPECT_EQ(800000, std::get<3>(result));
}

TEST_F(ClientTest, SampleLengthsOutsideTheLimitsEndTheConnection)
{
    // 15, 5242881, 6220816 (1920 x 1080 RGB24), 0, and 2 GiB, 3 GiB and 4 GiB - 1, which a
    // signed reading of the field would take for negative lengths below the limit.
    const char* fields[] = {"0F000000", "01005000", "10EC5E00", "00000000", "00000080", "000000C0", "FFFFFFFF"};
    for (const char* f : fields) {
        OpenVideo();
        std::vector<uint8_t> bytes = Hex(f);
        bytes.resize(64, 0);
        ASSERT_TRUE(server.Send(bytes));
        std::vector<uint8_t> buffer;
        size_t length;
        int64_t start, stop;
        EXPECT_EQ(E_FAIL, client.ReadSample(&buffer, &length, &start, &stop)) << f;
        EXPECT_FALSE(client.IsConnected()) << f;
        EXPECT_TRUE(server.WaitClientClosed()) << f;
    }
}

TEST_F(ClientTest, APeerClosingMidSampleIsAnError)
{
    OpenVideo();
    const std::vector<uint8_t> bytes = SampleBytes(Pattern(1000, 1), 0, 0);
    ASSERT_TRUE(server.Send(Slice(bytes, 0, 500)));
    server.CloseClient();
    std::vector<uint8_t> buffer;
    size_t length;
    int64_t start, stop;
    EXPECT_EQ(E_FAIL, client.ReadSample(&buffer, &length, &start, &stop));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(E_FAIL, client.ReadSample(&buffer, &length, &start, &stop));
}

TEST_F(ClientTest, CancelEndsAWaitingReadAndKeepsTheConnection)
{
    OpenVideo();
    std::vector<uint8_t> buffer;
    size_t length;
    int64_t start, stop;
    auto read = std::async(std::launch::async, [&] { return client.ReadSample(&buffer, &length, &start, &stop); });
    client.Cancel();
    EXPECT_EQ(S_FALSE, read.get());
    EXPECT_TRUE(client.IsConnected());
    client.ClearCancel();
    ASSERT_EQ(S_OK, client.SendCommand(vd::VdCommand::Run));
    EXPECT_EQ("run=======", server.ReadCommand());
    ASSERT_TRUE(server.Send(SampleBytes(Pattern(8, 1), 5, 6)));
    EXPECT_EQ(S_OK, client.ReadSample(&buffer, &length, &start, &stop));
    EXPECT_EQ(5, start);
}

TEST_F(ClientTest, DrainFinishesACutSampleAndDropsWaitingOnes)
{
    OpenVideo();
    const std::vector<uint8_t> cut = SampleBytes(Pattern(200000, 1), 1, 2);
    std::vector<uint8_t> buffer;
    size_t length;
    int64_t start, stop;
    auto read = std::async(std::launch::async, [&] { return client.ReadSample(&buffer, &length, &start, &stop); });
    ASSERT_TRUE(server.Send(Slice(cut, 0, 1000)));
    ASSERT_TRUE(vdtest::WaitConsumed(client.NativeSocket()));
    client.Cancel();
    ASSERT_EQ(S_FALSE, read.get());
    client.ClearCancel();

    // The rest of the cut sample and two whole stale ones arrive while stopped.
    ASSERT_TRUE(server.Send(Slice(cut, 1000, cut.size())));
    ASSERT_TRUE(server.Send(SampleBytes(Pattern(5000, 2), 3, 4)));
    ASSERT_TRUE(server.Send(SampleBytes(Pattern(7, 2), 5, 6)));
    ASSERT_EQ(S_OK, client.DrainStale());
    ASSERT_EQ(S_OK, client.SendCommand(vd::VdCommand::Run));
    EXPECT_EQ("run=======", server.ReadCommand());

    const std::vector<uint8_t> fresh = Pattern(64, 9);
    ASSERT_TRUE(server.Send(SampleBytes(fresh, 70, 80)));
    ASSERT_EQ(S_OK, client.ReadSample(&buffer, &length, &start, &stop));
    EXPECT_EQ(64u, length);
    EXPECT_EQ(70, start);
    EXPECT_TRUE(std::equal(fresh.begin(), fresh.end(), buffer.begin()));
}

TEST(VdMediaFormat, DefaultTypesByteForByte)
{
    const char vih[] =
        "00000000 00000000 40010000 F0000000"   // rcSource 0,0,320,240
        "00000000 00000000 40010000 F0000000"   // rcTarget
        "0020BF02 00000000"                     // 46080000 bits per second, no errors
        "801A0600 00000000"                     // 400000
        "28000000 40010000 10FFFFFF 0100 1800"  // 40, 320, -240, 1 plane, 24 bits
        "00000000 00000000 00000000 00000000 00000000 00000000";
    const VdMediaType v = vd::DefaultVideoType();
    EXPECT_EQ(Hex(vih), v.format);
    EXPECT_EQ(230400u, v.lSampleSize);
    EXPECT_EQ(1, v.bFixedSizeSamples);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, v.subtype));
    EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, v.formattype));

    const VdMediaType a = vd::DefaultAudioType();
    EXPECT_EQ(Hex("0100 0200 44AC0000 10B10200 0400 1000 0000"), a.format);
    EXPECT_EQ(7056u, a.lSampleSize);
    EXPECT_TRUE(IsEqualGUID(FORMAT_WaveFormatEx, a.formattype));
}

TEST(VdMediaFormat, TimingFromTheTypeOrRefusal)
{
    auto video = [](int64_t avg, uint32_t bitRate, uint32_t sampleSize, size_t cb) {
        VdMediaType t = vd::DefaultVideoType();
        vd::PutU64(&t.format[40], static_cast<uint64_t>(avg));
        vd::PutU32(&t.format[32], bitRate);
        t.lSampleSize = sampleSize;
        t.format.resize(cb);
        return t;
    };
    auto audio = [](uint32_t bytesPerSec, uint16_t align, size_t cb) {
        VdMediaType t = vd::DefaultAudioType();
        vd::PutU32(&t.format[8], bytesPerSec);
        t.format[12] = static_cast<uint8_t>(align);
        t.format[13] = 0;
        t.format.resize(cb);
        return t;
    };
    struct Case {
        const char* name;
        VdMediaType type;
        bool video, ok;
        int64_t period;
        unsigned ms;
        int64_t step;
    } cases[] = {
        {"default video", vd::DefaultVideoType(), true, true, 400000, 40, 1},
        {"29.97 keeps its duration", video(333667, 0, 230400, 88), true, true, 333667, 33, 1},
        {"bit rate when no duration", video(0, 46080000, 230400, 88), true, true, 400000, 40, 1},
        {"no rate at all", video(0, 0, 230400, 88), true, false, 0, 0, 0},
        {"sample size 0", video(400000, 46080000, 0, 88), true, false, 0, 0, 0},
        {"short block", video(400000, 46080000, 230400, 87), true, false, 0, 0, 0},
        {"over 1000 per second", video(9999, 0, 230400, 88), true, false, 0, 0, 0},
        {"audio as video", vd::DefaultAudioType(), true, false, 0, 0, 0},
        {"default audio", vd::DefaultAudioType(), false, true, 400000, 40, 1764},
        {"PCMWAVEFORMAT block", audio(176400, 4, 16), false, true, 400000, 40, 1764},
        {"no byte rate", audio(0, 4, 18), false, false, 0, 0, 0},
        {"no block align", audio(176400, 0, 18), false, false, 0, 0, 0},
        {"audio block too short", audio(176400, 4, 15), false, false, 0, 0, 0},
        {"video as audio", vd::DefaultVideoType(), false, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        vd::VdStreamTiming t;
        ASSERT_EQ(c.ok, vd::DeriveTiming(c.type, c.video, &t)) << c.name;
        if (!c.ok)
            continue;
        EXPECT_EQ(c.period, t.period) << c.name;
        EXPECT_EQ(c.ms, t.timerMs) << c.name;
        EXPECT_EQ(c.step, t.mediaStep) << c.name;
    }
}
