// The arithmetic of one mixer tick: summing the inputs' 16-bit chunks with their gains,
// automatic gain control or the master gain, and the peak meters.
#pragma once

#include <windows.h>

#include <cstddef>

// Meter level of a peak magnitude (0..32768): dB below full scale truncated toward zero,
// -96 for silence.
int PeakToDb(unsigned peak);

// A meter word: the even-numbered samples' level (left of stereo) in the low half, the
// odd-numbered samples' (right) in the high half, each a signed 16-bit dB value.
DWORD PackMeterLevels(int even, int odd);
short MeterLevelEven(DWORD word);
short MeterLevelOdd(DWORD word);

struct AudioMixInputs {
    int count;
    const short* const* samples; // count chunk buffers
    const bool* selected;        // count flags
    const float* gains;          // count + 1 linear factors; the last one is the master gain
    bool agc;
};

// Mixes `positions` interleaved 16-bit sample positions into mix and writes count + 1 meter
// words into levels (the last one is the mix). Sums are kept in double precision and the
// result saturates to -32768..32767, so no gain, however high, wraps a loud sample around.
void MixChunk(const AudioMixInputs& in, std::size_t positions, short* mix, DWORD* levels);
