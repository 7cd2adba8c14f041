// The wire records written out by hand, byte by byte.
#include "tests/app/core/VDFixtures.h"
#include "tests/app/core/VDTestSocket.h"

#include <uuids.h>

using vd::VdMediaType;
using vdtest::Hex;

namespace {

// VIDEOINFOHEADER for 720 x 576 RGB24 at 25 frames per second, bottom-up.
const char kVih720[] =
    "00000000 00000000 D0020000 40020000"   // rcSource 0,0,720,576
    "00000000 00000000 D0020000 40020000"   // rcTarget
    "00E0D40E 00000000"                     // bit rate 248832000, error rate 0
    "801A0600 00000000"                     // AvgTimePerFrame 400000
    "28000000 D0020000 40020000 0100 1800"  // biSize 40, 720, 576, 1 plane, 24 bits
    "00000000 00FC1200 00000000 00000000"   // BI_RGB, image size 1244160, resolutions
    "00000000 00000000";                    // colours

const char kVideoReplyHead[] =
    "A0000000"                               // L = 72 + 88
    "76696473 00001000 800000AA 00389B71"    // MEDIATYPE_Video
    "7DEB36E4 4F52CE11 9F530020 AF0BA770"    // MEDIASUBTYPE_RGB24
    "01000000 00000000 00FC1200"             // fixed, not temporal, 1244160
    "809F5805 56C3CE11 BF0100AA 0055595A"    // FORMAT_VideoInfo
    "00000000 58000000 00000000";            // pUnk, cbFormat 88, pbFormat

const char kWaveFormat[] = "0100 0200 44AC0000 10B10200 0400 1000 0000";

const char kAudioReplyHead[] =
    "5A000000"                               // L = 72 + 18
    "61756473 00001000 800000AA 00389B71"    // MEDIATYPE_Audio
    "01000000 00001000 800000AA 00389B71"    // MEDIASUBTYPE_PCM
    "01000000 00000000 901B0000"             // fixed, not temporal, 7056
    "819F5805 56C3CE11 BF0100AA 0055595A"    // FORMAT_WaveFormatEx
    "00000000 12000000 00000000";            // pUnk, cbFormat 18, pbFormat

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

VdMediaType Video720Type()
{
    VdMediaType t;
    t.majortype = MEDIATYPE_Video;
    t.subtype = MEDIASUBTYPE_RGB24;
    t.bFixedSizeSamples = 1;
    t.lSampleSize = 1244160;
    t.formattype = FORMAT_VideoInfo;
    t.format = Hex(kVih720);
    return t;
}

VdMediaType AudioPcmType()
{
    VdMediaType t;
    t.majortype = MEDIATYPE_Audio;
    t.subtype = MEDIASUBTYPE_PCM;
    t.bFixedSizeSamples = 1;
    t.lSampleSize = 7056;
    t.formattype = FORMAT_WaveFormatEx;
    t.format = Hex(kWaveFormat);
    return t;
}

std::vector<uint8_t> Vih720Fixture() { return Hex(kVih720); }
std::vector<uint8_t> VideoReplyFixture() { return Cat(Hex(kVideoReplyHead), Hex(kVih720)); }
std::vector<uint8_t> AudioReplyFixture() { return Cat(Hex(kAudioReplyHead), Hex(kWaveFormat)); }
