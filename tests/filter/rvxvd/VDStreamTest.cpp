// The capture pin's streaming core, the host file and the pin's reported capabilities.
#include "filter/rvxvd/VDHostFile.h"
#include "filter/rvxvd/VDPinSupport.h"
#include "filter/rvxvd/VDStreamCore.h"
#include "tests/filter/rvxvd/FakeFrameServer.h"

#include <gtest/gtest.h>

#include <uuids.h>
#include <vfwmsgs.h>

#include <future>
#include <string>

using vd::VdFilledSample;
using vd::VdMediaType;
using vdtest::FakeFrameServer;
using vdtest::Hex;
using vdtest::SampleBytes;

namespace {

vd::VdStreamTiming TimingOf(const VdMediaType& t, bool video)
{
    vd::VdStreamTiming timing;
    EXPECT_TRUE(vd::DeriveTiming(t, video, &timing));
    return timing;
}

}  // namespace

// The pacing timer is not started (no OnThreadCreate), so blank samples come at once.
TEST(VdStreamCore, BlankSamplesRunAtTheTypesRateFromZero)
{
    vd::VDClient unconnected;
    struct { VdMediaType type; bool video; int64_t period, step; } cases[] = {
        {vd::DefaultVideoType(), true, 400000, 1},
        {vd::DefaultAudioType(), false, 400000, 1764},
    };
    for (const auto& c : cases) {
        vd::VDStreamCore core(&unconnected, c.type, TimingOf(c.type, c.video));
        ASSERT_EQ(S_OK, core.OnThreadStartPlay());
        std::vector<uint8_t> buffer(c.type.lSampleSize, 0xAB);
        for (int i = 0; i < 3; ++i) {
            VdFilledSample s;
            ASSERT_EQ(S_OK, core.Fill(buffer.data(), buffer.size(), &s));
            EXPECT_EQ(c.type.lSampleSize, s.length);
            EXPECT_EQ(i * c.period, s.start);
            EXPECT_EQ((i + 1) * c.period, s.stop);
            EXPECT_EQ(i * c.step, s.mediaStart);
            EXPECT_EQ((i + 1) * c.step, s.mediaStop);
            EXPECT_EQ(std::vector<uint8_t>(buffer.size(), 0), buffer);
        }
        // A new start begins at zero again.
        core.OnThreadDestroy();
        core.OnThreadStartPlay();
        VdFilledSample s;
        ASSERT_EQ(S_OK, core.Fill(buffer.data(), buffer.size(), &s));
        EXPECT_EQ(0, s.start);
        EXPECT_EQ(0, s.mediaStart);
    }
}

TEST(VdStreamCore, TheTimerPacesBlankSamplesAndStopEndsTheWait)
{
    vd::VDClient unconnected;
    const VdMediaType type = vd::DefaultAudioType();
    vd::VDStreamCore core(&unconnected, type, TimingOf(type, false));
    ASSERT_EQ(S_OK, core.OnThreadCreate());
    core.OnThreadStartPlay();
    std::vector<uint8_t> buffer(type.lSampleSize);
    VdFilledSample s;
    ASSERT_EQ(S_OK, core.Fill(buffer.data(), buffer.size(), &s));   // at once
    core.CancelWaits();
    EXPECT_EQ(S_FALSE, core.Fill(buffer.data(), buffer.size(), &s));
    core.ClearCancel();
    core.OnThreadDestroy();
}

class ConnectedStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        vd::VdHostAddress a;
        a.port = server.Port();
        auto opened = std::async(std::launch::async, [&] {
            VdMediaType t;
            return client.Open(a, true, &t);
        });
        ASSERT_TRUE(server.Accept());
        ASSERT_EQ("setupvideo", server.ReadCommand());
        ASSERT_TRUE(server.Send(vd::EncodeSetupReply(type)));
        ASSERT_EQ(S_OK, opened.get());
        core = std::make_unique<vd::VDStreamCore>(&client, type, TimingOf(type, true));
    }

    vdtest::WinsockScope wsa;
    VdMediaType type = vd::DefaultVideoType();
    FakeFrameServer server;
    vd::VDClient client;
    std::unique_ptr<vd::VDStreamCore> core;
};

TEST_F(ConnectedStream, TimesAreRebasedOnTheFirstSampleAndCommandsFollowPlay)
{
    // Sent while stopped: dropped by the start of play.
    ASSERT_TRUE(server.Send(SampleBytes(std::vector<uint8_t>(100, 1), 1, 2)));
    ASSERT_EQ(S_OK, core->OnThreadStartPlay());
    EXPECT_EQ("run=======", server.ReadCommand());

    std::vector<uint8_t> buffer(230400);
    const int64_t starts[] = {123450000, 123850000, 124250000};
    for (int i = 0; i < 3; ++i) {
        const std::vector<uint8_t> data(230400, static_cast<uint8_t>(i + 10));
        ASSERT_TRUE(server.Send(SampleBytes(data, starts[i], starts[i] + 400000)));
        VdFilledSample s;
        ASSERT_EQ(S_OK, core->Fill(buffer.data(), buffer.size(), &s));
        EXPECT_EQ(230400u, s.length);
        EXPECT_EQ(i * 400000, s.start);
        EXPECT_EQ((i + 1) * 400000, s.stop);
        EXPECT_EQ(i, s.mediaStart);
        EXPECT_EQ(i + 1, s.mediaStop);
        EXPECT_EQ(data, buffer);
    }
    core->OnThreadDestroy();
    EXPECT_EQ("pause=====", server.ReadCommand());
}

TEST_F(ConnectedStream, AFirstSampleAtZeroIsTheBase)
{
    core->OnThreadStartPlay();
    EXPECT_EQ("run=======", server.ReadCommand());
    std::vector<uint8_t> buffer(16);
    for (int64_t t : {0, 400000}) {
        ASSERT_TRUE(server.Send(SampleBytes(std::vector<uint8_t>(16, 0), t, t + 400000)));
        VdFilledSample s;
        ASSERT_EQ(S_OK, core->Fill(buffer.data(), buffer.size(), &s));
        EXPECT_EQ(t, s.start);
    }
}

TEST_F(ConnectedStream, SurplusBytesBeyondTheBufferAreDropped)
{
    core->OnThreadStartPlay();
    server.ReadCommand();
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(server.Send(SampleBytes(data, 0, 1)));
    ASSERT_TRUE(server.Send(SampleBytes({7, 7}, 2, 3)));
    std::vector<uint8_t> buffer(300);
    VdFilledSample s;
    ASSERT_EQ(S_OK, core->Fill(buffer.data(), buffer.size(), &s));
    EXPECT_EQ(300u, s.length);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), data.begin()));
    ASSERT_EQ(S_OK, core->Fill(buffer.data(), buffer.size(), &s));   // still in step
    EXPECT_EQ(2u, s.length);
    EXPECT_EQ(2, s.start);
}

TEST_F(ConnectedStream, ABrokenConnectionFailsThenBlankSamplesFollow)
{
    core->OnThreadStartPlay();
    server.ReadCommand();
    ASSERT_TRUE(server.Send(Hex("01005000")));   // N = 5242881
    std::vector<uint8_t> buffer(230400, 1);
    VdFilledSample s;
    EXPECT_EQ(E_FAIL, core->Fill(buffer.data(), buffer.size(), &s));
    EXPECT_FALSE(client.IsConnected());
    core->OnThreadDestroy();
    core->OnThreadStartPlay();
    ASSERT_EQ(S_OK, core->Fill(buffer.data(), buffer.size(), &s));
    EXPECT_EQ(0, s.start);
    EXPECT_EQ(400000, s.stop);
    EXPECT_EQ(std::vector<uint8_t>(230400, 0), buffer);
}

TEST_F(ConnectedStream, StopEndsAWaitOnASilentServer)
{
    core->OnThreadStartPlay();
    server.ReadCommand();
    std::vector<uint8_t> buffer(230400);
    auto fill = std::async(std::launch::async, [&] {
        VdFilledSample s;
        return core->Fill(buffer.data(), buffer.size(), &s);
    });
    core->CancelWaits();
    EXPECT_EQ(S_FALSE, fill.get());
    core->OnThreadDestroy();
    EXPECT_EQ("pause=====", server.ReadCommand());
    EXPECT_TRUE(client.IsConnected());
}

TEST(VdHostFile, CreatedWithTheDefaultWhenMissingThenRead)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"rvxhost_test.txt";
    DeleteFileW(path.c_str());
    vd::VdHostAddress a = vd::ReadHostFile(path.c_str());
    EXPECT_EQ("127.0.0.1", a.host);
    EXPECT_EQ(8601, a.port);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    char buf[64];
    DWORD got = 0;
    ReadFile(f, buf, sizeof(buf), &got, nullptr);
    CloseHandle(f);
    EXPECT_EQ("127.0.0.1:8601", std::string(buf, got));

    f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const char line[] = "192.168.7.9:9123\r\n";
    WriteFile(f, line, sizeof(line) - 1, &got, nullptr);
    CloseHandle(f);
    a = vd::ReadHostFile(path.c_str());
    EXPECT_EQ("192.168.7.9", a.host);
    EXPECT_EQ(9123, a.port);
    DeleteFileW(path.c_str());

    // A file that can be neither read nor created gives the defaults.
    a = vd::ReadHostFile(L"z:\\no\\such\\folder\\rvxhost.txt");
    EXPECT_EQ("127.0.0.1", a.host);
    EXPECT_EQ(8601, a.port);
}

TEST(VdPinSupport, PinCategoryProperty)
{
    GUID category = GUID_NULL;
    DWORD size = 0;
    EXPECT_EQ(S_OK, vd::GetPinCategory(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &category, 16, &size));
    EXPECT_TRUE(IsEqualGUID(PIN_CATEGORY_CAPTURE, category));
    EXPECT_EQ(16u, size);
    uint8_t small[8];
    EXPECT_EQ(E_UNEXPECTED, vd::GetPinCategory(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, small, 8, &size));
    EXPECT_EQ(E_POINTER, vd::GetPinCategory(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 16, nullptr));
    size = 0;
    EXPECT_EQ(S_OK, vd::GetPinCategory(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &size));
    EXPECT_EQ(16u, size);
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, vd::GetPinCategory(MEDIATYPE_Video, 0, &category, 16, &size));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, vd::GetPinCategory(AMPROPSETID_Pin, 1, &category, 16, &size));
    DWORD support = 0;
    EXPECT_EQ(S_OK, vd::QueryPinCategorySupport(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support));
    EXPECT_EQ(static_cast<DWORD>(KSPROPERTY_SUPPORT_GET), support);
    EXPECT_EQ(E_PROP_SET_UNSUPPORTED, vd::QueryPinCategorySupport(GUID_NULL, 0, &support));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, vd::QueryPinCategorySupport(AMPROPSETID_Pin, 2, &support));
}

TEST(VdPinSupport, CapabilitiesDescribeExactlyTheType)
{
    VIDEO_STREAM_CONFIG_CAPS v;
    vd::FillVideoCaps(vd::DefaultVideoType(), &v);
    EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, v.guid));
    EXPECT_EQ(0u, v.VideoStandard);
    for (const SIZE& s : {v.InputSize, v.MinCroppingSize, v.MaxCroppingSize, v.MinOutputSize, v.MaxOutputSize}) {
        EXPECT_EQ(320, s.cx);
        EXPECT_EQ(240, s.cy);
    }
    EXPECT_EQ(1, v.CropGranularityX);
    EXPECT_EQ(1, v.CropGranularityY);
    EXPECT_EQ(0, v.CropAlignX);
    EXPECT_EQ(0, v.OutputGranularityX);
    EXPECT_EQ(0, v.StretchTapsX);
    EXPECT_EQ(0, v.ShrinkTapsY);
    EXPECT_EQ(400000, v.MinFrameInterval);
    EXPECT_EQ(400000, v.MaxFrameInterval);
    EXPECT_EQ(46080000, v.MinBitsPerSecond);
    EXPECT_EQ(46080000, v.MaxBitsPerSecond);

    AUDIO_STREAM_CONFIG_CAPS a;
    vd::FillAudioCaps(vd::DefaultAudioType(), &a);
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Audio, a.guid));
    EXPECT_EQ(2u, a.MinimumChannels);
    EXPECT_EQ(2u, a.MaximumChannels);
    EXPECT_EQ(16u, a.MinimumBitsPerSample);
    EXPECT_EQ(16u, a.MaximumBitsPerSample);
    EXPECT_EQ(44100u, a.MinimumSampleFrequency);
    EXPECT_EQ(44100u, a.MaximumSampleFrequency);
    EXPECT_EQ(1u, a.ChannelsGranularity);
    EXPECT_EQ(1u, a.BitsPerSampleGranularity);
    EXPECT_EQ(1u, a.SampleFrequencyGranularity);
}
