// Writes a small uncompressed AVI file (one RGB32 video stream, every frame a key frame, and
// optionally 16-bit stereo PCM interleaved one frame period at a time), with an index: the
// kind Wine's own AVI splitter plays without any codec.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testing_media {

// pixel(frame, x, y) gives the 0x00RRGGBB colour of a pixel; rows are stored bottom-up. With
// an audio sample rate, each frame is followed by its period of a sawtooth in both channels.
bool WriteTinyAvi(const std::wstring& path, int width, int height, int frames, int framesPerSecond,
                  const std::function<DWORD(int, int, int)>& pixel, DWORD audioSampleRate = 0);

} // namespace testing_media
