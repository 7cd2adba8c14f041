// The virtual capture device's media types: the defaults it offers without a server, and
// the checks and timing derived from a type the server sends.
#pragma once

#include "app/core/VDWireFormat.h"

#include <cstdint>

namespace vd {

// RGB24 320 x 240 top-down at 25 frames per second.
VdMediaType DefaultVideoType();
// PCM 44100 Hz, 16-bit, stereo, in 40 ms samples.
VdMediaType DefaultAudioType();

struct VdStreamTiming {
    int64_t period = 0;       // one sample's duration, 100-ns units
    unsigned timerMs = 0;     // the pacing timer's period when no server feeds the device
    int64_t mediaStep = 0;    // media-time units per sample: frames (video) or audio frames
};

// False when the type cannot be streamed: another medium or format, a format block too
// short for its format type, or sizes and rates that give no sample period. The device
// then offers its default type instead of dividing by zero or reading past the block.
bool DeriveTiming(const VdMediaType& type, bool video, VdStreamTiming* timing);

// Fields of the format blocks, read by offset (both blocks are free of pointers).
struct VdVideoFormat {
    int32_t width = 0, height = 0;
    uint32_t bitRate = 0;
    int64_t avgTimePerFrame = 0;
};
struct VdAudioFormat {
    uint16_t channels = 0, blockAlign = 0, bitsPerSample = 0;
    uint32_t samplesPerSec = 0, avgBytesPerSec = 0;
};
bool ReadVideoFormat(const VdMediaType& type, VdVideoFormat* out);
bool ReadAudioFormat(const VdMediaType& type, VdAudioFormat* out);

}  // namespace vd
