// Writes a small uncompressed AVI for the file channel: bottom-up RGB32 frames of one colour
// at 25 fps and 16-bit stereo PCM, interleaved one frame period at a time, with an index.
#pragma once

#include <windows.h>

#include <string>

namespace graphstest {

struct TestAviSpec
{
    LONG width = 64;
    LONG height = 48;
    int frames = 25;
    DWORD colour = 0x0030A050;
    DWORD sampleRate = 44100;
};

// FALSE when the file cannot be written.
BOOL WriteTestAvi(const std::wstring& path, const TestAviSpec& layout);

} // namespace graphstest
