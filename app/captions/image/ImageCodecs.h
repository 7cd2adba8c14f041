// The decoders behind CxImage. Each reads a whole picture file held in memory and writes
// 32-bit pixels (0xAARRGGBB, rows top to bottom); none trusts a size field of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace captions::image {

// Pictures past these bounds are refused before anything is allocated for them: a caption
// picture is drawn over a frame of at most a few megapixels, and a corrupt header must not
// make the program allocate gigabytes.
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = 16u * 1024u * 1024u;

struct Bitmap32 {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;
};

// Frame-level facts of an animation, filled by DecodeGif.
struct AnimationInfo {
    long frameCount = 0;
    uint32_t delay = 0; // of the decoded frame, hundredths of a second
};

// Returns an empty string on success, else a message saying what is wrong with the data.
bool SizeAllowed(uint64_t width, uint64_t height);
std::string DecodeBmp(const uint8_t* data, size_t size, Bitmap32& out);
std::string DecodeTga(const uint8_t* data, size_t size, Bitmap32& out);
std::string DecodePng(const uint8_t* data, size_t size, Bitmap32& out);
std::string DecodeJpeg(const uint8_t* data, size_t size, Bitmap32& out);
// Decodes frame `frame` composed onto the animation's logical screen (earlier frames and
// their disposal rules applied), so every frame has the screen's size.
std::string DecodeGif(const uint8_t* data, size_t size, long frame, Bitmap32& out, AnimationInfo& info);

} // namespace captions::image
