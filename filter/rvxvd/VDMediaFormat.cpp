#include "filter/rvxvd/VDMediaFormat.h"

#include <uuids.h>

namespace vd {
namespace {

constexpr size_t kVideoInfoSize = 88;     // VIDEOINFOHEADER with its BITMAPINFOHEADER
constexpr size_t kWaveFormatMin = 16;     // PCMWAVEFORMAT: WAVEFORMATEX without cbSize
constexpr int64_t kUnitsPerSecond = 10000000;

void PutI32(std::vector<uint8_t>& b, size_t off, int32_t v) { PutU32(&b[off], static_cast<uint32_t>(v)); }
void PutU16(std::vector<uint8_t>& b, size_t off, uint16_t v)
{
    b[off] = static_cast<uint8_t>(v);
    b[off + 1] = static_cast<uint8_t>(v >> 8);
}
uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

VdMediaType DefaultVideoType()
{
    VdMediaType t;
    t.majortype = MEDIATYPE_Video;
    t.subtype = MEDIASUBTYPE_RGB24;
    t.bFixedSizeSamples = 1;
    t.bTemporalCompression = 0;
    t.lSampleSize = 230400;
    t.formattype = FORMAT_VideoInfo;
    t.format.assign(kVideoInfoSize, 0);
    std::vector<uint8_t>& f = t.format;
    for (size_t rect : {size_t(0), size_t(16)}) {
        PutI32(f, rect + 8, 320);
        PutI32(f, rect + 12, 240);
    }
    PutU32(&f[32], 46080000);          // bit rate
    PutU64(&f[40], 400000);            // AvgTimePerFrame
    PutU32(&f[48], 40);                // biSize
    PutI32(f, 52, 320);
    PutI32(f, 56, -240);               // top-down
    PutU16(f, 60, 1);
    PutU16(f, 62, 24);
    return t;
}

VdMediaType DefaultAudioType()
{
    VdMediaType t;
    t.majortype = MEDIATYPE_Audio;
    t.subtype = MEDIASUBTYPE_PCM;
    t.bFixedSizeSamples = 1;
    t.bTemporalCompression = 0;
    t.lSampleSize = 7056;
    t.formattype = FORMAT_WaveFormatEx;
    t.format.assign(18, 0);
    std::vector<uint8_t>& f = t.format;
    PutU16(f, 0, 1);                   // WAVE_FORMAT_PCM
    PutU16(f, 2, 2);
    PutU32(&f[4], 44100);
    PutU32(&f[8], 176400);
    PutU16(f, 12, 4);
    PutU16(f, 14, 16);
    return t;
}

bool ReadVideoFormat(const VdMediaType& type, VdVideoFormat* out)
{
    if (!IsEqualGUID(type.formattype, FORMAT_VideoInfo) || type.format.size() < kVideoInfoSize)
        return false;
    const uint8_t* f = type.format.data();
    out->bitRate = GetU32(f + 32);
    out->avgTimePerFrame = static_cast<int64_t>(GetU64(f + 40));
    out->width = static_cast<int32_t>(GetU32(f + 52));
    out->height = static_cast<int32_t>(GetU32(f + 56));
    return true;
}

bool ReadAudioFormat(const VdMediaType& type, VdAudioFormat* out)
{
    if (!IsEqualGUID(type.formattype, FORMAT_WaveFormatEx) || type.format.size() < kWaveFormatMin)
        return false;
    const uint8_t* f = type.format.data();
    out->channels = GetU16(f + 2);
    out->samplesPerSec = GetU32(f + 4);
    out->avgBytesPerSec = GetU32(f + 8);
    out->blockAlign = GetU16(f + 12);
    out->bitsPerSample = GetU16(f + 14);
    return true;
}

bool DeriveTiming(const VdMediaType& type, bool video, VdStreamTiming* timing)
{
    if (type.lSampleSize == 0)
        return false;
    VdStreamTiming t;
    if (video) {
        VdVideoFormat v;
        if (!IsEqualGUID(type.majortype, MEDIATYPE_Video) || !ReadVideoFormat(type, &v))
            return false;
        // The frame duration the type states keeps the time stamps at the exact rate
        // (29.97 frames per second would drift in whole milliseconds); the bit rate is the
        // fallback for a type that leaves it out.
        if (v.avgTimePerFrame > 0)
            t.period = v.avgTimePerFrame;
        else if (v.bitRate > 0)
            t.period = kUnitsPerSecond * 8 * static_cast<int64_t>(type.lSampleSize) / v.bitRate;
        t.mediaStep = 1;
    } else {
        VdAudioFormat a;
        if (!IsEqualGUID(type.majortype, MEDIATYPE_Audio) || !ReadAudioFormat(type, &a) ||
            a.avgBytesPerSec == 0 || a.blockAlign == 0)
            return false;
        t.period = kUnitsPerSecond * static_cast<int64_t>(type.lSampleSize) / a.avgBytesPerSec;
        t.mediaStep = type.lSampleSize / a.blockAlign;
    }
    // Between 1 ms and 10 s a sample: a timer can pace it and a stream can use it.
    if (t.period < 10000 || t.period > 10 * kUnitsPerSecond || t.mediaStep <= 0)
        return false;
    t.timerMs = static_cast<unsigned>((t.period + 5000) / 10000);
    *timing = t;
    return true;
}

}  // namespace vd
