// Truevision TGA pictures, decoded by hand: colour-mapped (8-bit indices), true-colour
// (15/16/24/32 bits) and grey (8 bits), plain or run-length encoded, any origin corner. A
// 32-bit picture keeps its own alpha.
#include "app/captions/image/ImageCodecs.h"

namespace captions::image {
namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

uint32_t Colour(const uint8_t* p, uint32_t bits)
{
    switch (bits) {
    case 8: return 0xFF000000u | (uint32_t(p[0]) * 0x010101u);
    case 15:
    case 16: {
        uint32_t v = U16(p);
        uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return 0xFF000000u | (((r * 255 + 15) / 31) << 16) | (((g * 255 + 15) / 31) << 8) | ((b * 255 + 15) / 31);
    }
    case 24: return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    default: return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
}

} // namespace

std::string DecodeTga(const uint8_t* d, size_t n, Bitmap32& out)
{
    if (n < 18) return "truncated TGA header";
    const uint8_t idLength = d[0], mapType = d[1], imageType = d[2];
    const uint16_t mapFirst = U16(d + 3), mapLength = U16(d + 5);
    const uint8_t mapBits = d[7];
    const uint32_t w = U16(d + 12), h = U16(d + 14);
    const uint8_t bits = d[16], descriptor = d[17];

    const bool rle = imageType >= 9;
    const uint8_t kind = rle ? uint8_t(imageType - 8) : imageType;
    if (mapType > 1 || (kind != 1 && kind != 2 && kind != 3)) return "not a TGA picture";
    if (kind == 1 && (mapType != 1 || bits != 8)) return "unsupported colour-mapped TGA";
    if (kind == 2 && bits != 15 && bits != 16 && bits != 24 && bits != 32) return "unsupported TGA bit depth";
    if (kind == 3 && bits != 8) return "unsupported grey TGA bit depth";
    const std::string sizeError = SizeError("TGA picture", w, h);
    if (!sizeError.empty()) return sizeError;

    size_t pos = 18 + size_t(idLength);
    std::vector<uint32_t> map;
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return "unsupported TGA colour map";
        const size_t entry = (mapBits + 7) / 8;
        if (pos + entry * mapLength > n) return "truncated TGA colour map";
        map.assign(256, 0xFF000000u);
        for (uint32_t i = 0; i < mapLength; ++i)
            if (mapFirst + i < 256) map[mapFirst + i] = Colour(d + pos + i * entry, mapBits);
        pos += entry * mapLength;
    }

    const size_t bpp = (bits + 7) / 8;
    const size_t count = size_t(w) * h;
    std::vector<uint32_t> stored(count);
    auto pixel = [&](const uint8_t* p) { return kind == 1 ? map[p[0]] : Colour(p, bits); };
    if (!rle) {
        if (pos + count * bpp > n) return "truncated TGA pixel data";
        for (size_t i = 0; i < count; ++i) stored[i] = pixel(d + pos + i * bpp);
    } else {
        size_t i = 0;
        while (i < count) {
            if (pos >= n) return "truncated TGA pixel data";
            const uint8_t head = d[pos++];
            const size_t run = (head & 0x7F) + 1u;
            if (i + run > count) return "TGA run beyond the picture";
            if (head & 0x80) {
                if (pos + bpp > n) return "truncated TGA pixel data";
                const uint32_t v = pixel(d + pos);
                pos += bpp;
                for (size_t k = 0; k < run; ++k) stored[i++] = v;
            } else {
                if (pos + run * bpp > n) return "truncated TGA pixel data";
                for (size_t k = 0; k < run; ++k, pos += bpp) stored[i++] = pixel(d + pos);
            }
        }
    }

    const bool rightToLeft = (descriptor & 0x10) != 0, topDown = (descriptor & 0x20) != 0;
    out.width = w;
    out.height = h;
    out.pixels.resize(count);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t sy = topDown ? y : h - 1 - y, sx = rightToLeft ? w - 1 - x : x;
            out.pixels[size_t(y) * w + x] = stored[size_t(sy) * w + sx];
        }
    return std::string();
}

} // namespace captions::image
