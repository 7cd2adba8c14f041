// The formats of the program the engine produces: RGB32 video of the output size and rate,
// and 16-bit stereo PCM audio at 44100 Hz. Every output graph is given these two types.
#pragma once

#include <streams.h>
#include <mmreg.h>

// PCM, 2 channels, 44100 Hz, 16 bits: 176400 bytes a second, block align 4.
WAVEFORMATEX ProgramAudioFormat();

// Audio, PCM, fixed-size samples of `sampleSize` bytes, an 18-byte WAVEFORMATEX copied from
// `format` with no extra bytes.
CMediaType ProgramAudioType(const WAVEFORMATEX& format, ULONG sampleSize);

// Video, RGB32, fixed-size samples of width x height x 4 bytes, an 88-byte VIDEOINFOHEADER
// with top-down rows (negative height), the rate's bit rate and frame time.
CMediaType ProgramVideoType(int width, int height, float frameRate);
