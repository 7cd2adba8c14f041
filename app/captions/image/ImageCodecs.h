// The decoders behind CxImage. Each reads a whole picture file held in memory and writes
// 32-bit pixels (0xAARRGGBB, rows top to bottom); none trusts a size field of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace captions::image {

// Pictures past these bounds are refused before anything is allocated for them. A caption
// picture or logo is drawn over a program frame of at most 720 x 576, and a file of a few
// dozen bytes can claim any size (a run-length BMP or a GIF screen holds no pixel data of
// its own): the whole decoded picture, every frame of an animation counted, is capped at
// 8 Mpixels (32 MiB of 32-bit pixels).
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxDecodedPixels = 8u * 1024u * 1024u;

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

// An empty string when a picture of that size (and frame count) may be decoded, else the
// message that refuses it, naming the format, the size and the cap.
std::string SizeError(const char* format, uint64_t width, uint64_t height, uint64_t frames = 1);
inline bool SizeAllowed(uint64_t width, uint64_t height) { return SizeError("", width, height).empty(); }

// The decoders return an empty string on success, else a message saying what is wrong with the data.
std::string DecodeBmp(const uint8_t* data, size_t size, Bitmap32& out);
std::string DecodeTga(const uint8_t* data, size_t size, Bitmap32& out);
std::string DecodePng(const uint8_t* data, size_t size, Bitmap32& out);
std::string DecodeJpeg(const uint8_t* data, size_t size, Bitmap32& out);
// Decodes frame `frame` composed onto the animation's logical screen (earlier frames and
// their disposal rules applied), so every frame has the screen's size.
std::string DecodeGif(const uint8_t* data, size_t size, long frame, Bitmap32& out, AnimationInfo& info);

// Composes the frames of an animation in one pass, each from the one before, and hands every
// composed screen to the sink with its delay in hundredths of a second. The sink returns true
// for the next frame; false stops the composing (the sink may then take the pixels), and the
// remaining frames are only counted. The screen's size is set before the first frame;
// `info.frameCount` is the file's frame count.
using GifFrameSink = std::function<bool(std::vector<uint32_t>& screen, uint32_t delay)>;
std::string DecodeGifFrames(const uint8_t* data, size_t size, const GifFrameSink& sink, uint32_t& width,
                            uint32_t& height, AnimationInfo& info);

} // namespace captions::image
