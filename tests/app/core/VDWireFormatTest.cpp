// The wire records against bytes written out by hand.
#include "app/core/VDWireFormat.h"
#include "tests/app/core/VDFixtures.h"
#include "tests/app/core/VDTestSocket.h"

#include <gtest/gtest.h>

#include <uuids.h>

using vd::VdMediaType;
using vdtest::Hex;

TEST(VdWireFormat, CommandsAreTheTenAsciiBytes)
{
    struct { vd::VdCommand cmd; const char* text; } cases[] = {
        {vd::VdCommand::SetupVideo, "setupvideo"},
        {vd::VdCommand::SetupAudio, "setupaudio"},
        {vd::VdCommand::Run, "run======="},
        {vd::VdCommand::Pause, "pause====="},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(0, memcmp(vd::CommandBytes(c.cmd), c.text, 10)) << c.text;
        EXPECT_EQ(c.cmd, vd::ParseCommand(c.text)) << c.text;
    }
    EXPECT_EQ(vd::VdCommand::Unknown, vd::ParseCommand("run=====\0\0"));
    EXPECT_EQ(vd::VdCommand::Unknown, vd::ParseCommand("SETUPVIDEO"));
    EXPECT_EQ(vd::VdCommand::Unknown, vd::ParseCommand("ause======"));
    EXPECT_EQ(nullptr, vd::CommandBytes(vd::VdCommand::Unknown));
}

TEST(VdWireFormat, SetupReplyIsTheImageOfA32BitMediaType)
{
    EXPECT_EQ(VideoReplyFixture(), vd::EncodeSetupReply(Video720Type()));
    EXPECT_EQ(AudioReplyFixture(), vd::EncodeSetupReply(AudioPcmType()));
    EXPECT_EQ(4u + 160u, VideoReplyFixture().size());
    EXPECT_EQ(4u + 90u, AudioReplyFixture().size());
}

TEST(VdWireFormat, SetupReplyDecodesFieldByFieldIgnoringPointers)
{
    std::vector<uint8_t> reply = VideoReplyFixture();
    // Another server writes its own pointer values; they mean nothing here.
    reply[4 + 60] = 0xEF; reply[4 + 61] = 0xBE; reply[4 + 62] = 0xAD; reply[4 + 63] = 0xDE;
    reply[4 + 68] = 0x78; reply[4 + 71] = 0x12;
    uint32_t length = 0;
    ASSERT_TRUE(vd::DecodeReplyLength(reply.data(), &length));
    ASSERT_EQ(160u, length);
    VdMediaType t;
    ASSERT_TRUE(vd::DecodeSetupReply(reply.data() + 4, length, &t));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, t.majortype));
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, t.subtype));
    EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, t.formattype));
    EXPECT_EQ(1, t.bFixedSizeSamples);
    EXPECT_EQ(0, t.bTemporalCompression);
    EXPECT_EQ(1244160u, t.lSampleSize);
    EXPECT_EQ(Vih720Fixture(), t.format);
}

TEST(VdWireFormat, ReplyLengthLimits)
{
    struct { const char* field; bool ok; } cases[] = {
        {"47000000", false},  // 71
        {"48000000", true},   // 72: an image with no format block
        {"FFFF0000", true},   // 65535
        {"00000100", false},  // 65536
        {"FFFFFFFF", false},
        {"00000000", false},
    };
    for (const auto& c : cases) {
        uint32_t l;
        EXPECT_EQ(c.ok, vd::DecodeReplyLength(Hex(c.field).data(), &l)) << c.field;
    }
}

TEST(VdWireFormat, FormatLengthMustFitTheReply)
{
    std::vector<uint8_t> reply = VideoReplyFixture();
    VdMediaType t;
    EXPECT_TRUE(vd::DecodeSetupReply(reply.data() + 4, 160, &t));
    EXPECT_FALSE(vd::DecodeSetupReply(reply.data() + 4, 159, &t));   // cbFormat 88 > 87
    EXPECT_FALSE(vd::DecodeSetupReply(reply.data() + 4, 71, &t));
    reply[4 + 64] = 0xFF; reply[4 + 65] = 0xFF; reply[4 + 66] = 0xFF; reply[4 + 67] = 0xFF;
    EXPECT_FALSE(vd::DecodeSetupReply(reply.data() + 4, 160, &t));   // cbFormat near 2^32
}

// A sample carries at most 5242880 - 16 bytes of data; a type whose samples are larger (up to
// 4 GiB, or negative when read as a signed buffer size) is refused before a buffer of that
// size is asked for.
TEST(VdWireFormat, SampleSizeMustFitASample)
{
    struct { uint32_t size; bool ok; } cases[] = {
        {1244160, true}, {5242864, true}, {5242865, false}, {6220800, false},
        {0x80000000u, false}, {0xC0000000u, false}, {0xFFFFFFFFu, false},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> reply = VideoReplyFixture();
        vd::PutU32(&reply[4 + 40], c.size);
        VdMediaType t;
        EXPECT_EQ(c.ok, vd::DecodeSetupReply(reply.data() + 4, 160, &t)) << c.size;
    }
}

TEST(VdWireFormat, SampleHeaderFraming)
{
    uint8_t h[20];
    vd::EncodeSampleHeader(h, 3, 0x0102030405060708LL, -1);
    EXPECT_EQ(Hex("13000000 0807060504030201 FFFFFFFFFFFFFFFF"), std::vector<uint8_t>(h, h + 20));
    vd::EncodeSampleHeader(h, 1244160, 400000, 800000);
    EXPECT_EQ(Hex("10FC1200 801A060000000000 0035 0C00 00000000"), std::vector<uint8_t>(h, h + 20));
    int64_t start, stop;
    vd::DecodeSampleTimes(h + 4, &start, &stop);
    EXPECT_EQ(400000, start);
    EXPECT_EQ(800000, stop);
}

TEST(VdWireFormat, SampleLengthLimits)
{
    struct { const char* field; bool ok; } cases[] = {
        {"0F000000", false},  // 15: shorter than the two times
        {"10000000", true},   // 16: times and no data
        {"10FC1200", true},   // 16 + 720 * 576 * 3
        {"00005000", true},   // 5242880
        {"01005000", false},  // 5242881
        {"10EC5E00", false},  // 16 + 1920 * 1080 * 3
        {"FFFFFFFF", false},
    };
    for (const auto& c : cases) {
        uint32_t n;
        EXPECT_EQ(c.ok, vd::DecodeSampleLength(Hex(c.field).data(), &n)) << c.field;
    }
}

TEST(VdWireFormat, HostLine)
{
    struct { const char* line; const char* host; int port; } cases[] = {
        {"127.0.0.1:8601", "127.0.0.1", 8601},
        {"10.1.2.3:9000\r\n", "10.1.2.3", 9000},
        {"10.1.2.3", "10.1.2.3", 8601},          // no colon: all host
        {"10.1.2.3:", "10.1.2.3", 8601},
        {"10.1.2.3:abc", "10.1.2.3", 8601},
        {"10.1.2.3:70000", "10.1.2.3", 8601},
        {"10.1.2.3:0", "10.1.2.3", 8601},
        {":1234", "127.0.0.1", 1234},
        {"", "127.0.0.1", 8601},
        {"1.2.3.4:55\nsecond:66", "1.2.3.4", 55},
    };
    for (const auto& c : cases) {
        vd::VdHostAddress a = vd::ParseHostLine(c.line);
        EXPECT_EQ(c.host, a.host) << c.line;
        EXPECT_EQ(c.port, a.port) << c.line;
    }
    EXPECT_EQ(1023u, vd::ParseHostLine(std::string(2000, 'x') + ":5").host.size());
}
