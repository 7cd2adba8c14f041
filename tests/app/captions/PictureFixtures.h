// Tiny picture files built byte by byte for the caption tests: headers written out field by
// field, pixel data listed explicitly.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
inline void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }
inline void PutBE32(Bytes& b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}
inline void Append(Bytes& b, std::initializer_list<uint8_t> v) { b.insert(b.end(), v.begin(), v.end()); }

// 2 x 2, 24 bits, bottom-up: red, green on the top row; blue, white below.
inline Bytes Bmp2x2()
{
    return Bytes{
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,           // file header: size 70, bits at 54
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,         // info header: 2 x 2, 1 plane, 24 bits
        0, 0, 0, 0, 16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0, 0,                 // bottom row: blue, white, padding
        0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0,                 // top row: red, green, padding
    };
}

// The LZW codes of a GIF raster with a clear code before every pixel, so the code width stays
// at min code size + 1 and the stream is readable by eye.
inline Bytes GifRaster(std::initializer_list<uint8_t> indices)
{
    const int clear = 4, end = 5, width = 3; // minimum code size 2
    std::vector<int> codes;
    for (uint8_t i : indices) { codes.push_back(clear); codes.push_back(i); }
    codes.push_back(end);
    Bytes packed;
    uint32_t acc = 0;
    int bits = 0;
    for (int c : codes) {
        acc |= uint32_t(c) << bits;
        bits += width;
        while (bits >= 8) { packed.push_back(uint8_t(acc)); acc >>= 8; bits -= 8; }
    }
    if (bits) packed.push_back(uint8_t(acc));
    Bytes out;
    out.reserve(packed.size() + 3);
    out.push_back(2);                     // min code size
    out.push_back(uint8_t(packed.size())); // one sub-block
    for (uint8_t b : packed) out.push_back(b);
    out.push_back(0);
    return out;
}

inline void GifFrame(Bytes& b, int disposal, int delay, int transparent, int left, int top, int w, int h,
                     std::initializer_list<uint8_t> indices)
{
    Append(b, {0x21, 0xF9, 4, uint8_t((disposal << 2) | (transparent >= 0 ? 1 : 0)), uint8_t(delay), uint8_t(delay >> 8),
               uint8_t(transparent >= 0 ? transparent : 0), 0});
    b.push_back(0x2C);
    Put16(b, left); Put16(b, top); Put16(b, w); Put16(b, h);
    b.push_back(0); // no local colour table, not interlaced
    Bytes raster = GifRaster(indices);
    b.insert(b.end(), raster.begin(), raster.end());
}

// 2 x 2 screen, colours black, red, green, blue; three frames:
//   1: delay 5, full picture red, green / blue, black;
//   2: delay 10, (1, 1) green, index 0 transparent, then cleared (disposal 2);
//   3: delay 20, (0, 0) blue.
// Composed: frame 2 = red, green / blue, green; frame 3 = blue, green / blue, transparent.
inline Bytes Gif3Frames()
{
    Bytes b{'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x91, 0, 0};
    Append(b, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    GifFrame(b, 1, 5, -1, 0, 0, 2, 2, {1, 2, 3, 0});
    GifFrame(b, 2, 10, 0, 1, 1, 1, 1, {2});
    GifFrame(b, 1, 20, -1, 0, 0, 1, 1, {3});
    b.push_back(0x3B);
    return b;
}

// 2 x 2 TGA, 32 bits with alpha, bottom-up (descriptor 8 alpha bits, origin bottom-left).
inline Bytes Tga2x2()
{
    Bytes b{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 8};
    Append(b, {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x80}); // bottom: blue opaque, white half
    Append(b, {0, 0, 0xFF, 0xFF, 0, 0xFF, 0, 0x00});       // top: red opaque, green clear
    return b;
}

// A GIF of `frames` 1 x 1 frames on a `w` x `h` screen: a few dozen bytes that claim a
// picture of any size (only the frames carry pixel data).
inline Bytes TinyGif(uint16_t w, uint16_t h, int frames)
{
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, w);
    Put16(b, h);
    Append(b, {0x80, 0, 0, 0, 0, 0, 255, 0, 0}); // two colours: black, red
    for (int i = 0; i < frames; ++i) {
        b.push_back(0x2C);
        Put16(b, uint16_t(i % 2)); Put16(b, 0); Put16(b, 1); Put16(b, 1);
        b.push_back(0);
        const Bytes raster = GifRaster({1});
        b.insert(b.end(), raster.begin(), raster.end());
    }
    b.push_back(0x3B);
    return b;
}

// An 8-bit run-length BMP of w x h whose only code is the end of the bitmap.
inline Bytes TinyRleBmp(uint32_t w, uint32_t h)
{
    Bytes b{'B', 'M'};
    Put32(b, 60); Put32(b, 0); Put32(b, 58);
    Put32(b, 40); Put32(b, w); Put32(b, h);
    Put16(b, 1); Put16(b, 8);
    Put32(b, 1); Put32(b, 2); Put32(b, 0); Put32(b, 0);
    Put32(b, 1); Put32(b, 0);
    Append(b, {0, 0, 255, 0});   // palette: red
    Append(b, {0, 1});           // end of bitmap
    return b;
}

} // namespace fixtures
