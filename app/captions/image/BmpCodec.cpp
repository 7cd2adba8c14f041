// Windows bitmap files, decoded by hand: core and info headers (12, 40, 52, 56, 108, 124
// bytes), 1/4/8-bit palettes, 16/24/32-bit pixels, bit-field masks, RLE4 and RLE8, bottom-up
// and top-down rows.
#include "app/captions/image/ImageCodecs.h"

namespace captions::image {
namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

// Scales a masked channel to 8 bits; an empty mask gives `absent`.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (!mask) return;
        while (!((mask >> shift) & 1)) ++shift;
        max = mask >> shift;
    }
    uint32_t Get(uint32_t v, uint32_t absent) const
    {
        if (!mask) return absent;
        return (((v & mask) >> shift) * 255 + max / 2) / max;
    }
};

// Run-length encoded rows, bottom-up as stored, written as palette colours straight into the
// top-down pixels; codes that run past the picture are an error, not a write.
std::string DecodeRle(const uint8_t* p, size_t n, bool four, uint32_t w, uint32_t h, const std::vector<uint32_t>& palette,
                      std::vector<uint32_t>& pixels)
{
    size_t i = 0;
    uint32_t x = 0, y = 0;
    auto put = [&](uint8_t v) -> bool {
        if (x >= w || y >= h) return false;
        pixels[size_t(h - 1 - y) * w + x++] = palette[v];
        return true;
    };
    while (i + 1 < n) {
        uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count) {
            for (uint32_t k = 0; k < count; ++k)
                if (!put(four ? uint8_t((k & 1) ? value & 15 : value >> 4) : value)) return "RLE run beyond the picture";
            continue;
        }
        if (value == 0) { x = 0; ++y; continue; }      // end of line
        if (value == 1) return std::string();           // end of bitmap
        if (value == 2) {                                // delta
            if (i + 2 > n) return "truncated RLE data";
            x += p[i]; y += p[i + 1]; i += 2;
            continue;
        }
        size_t bytes = four ? (value + 1) / 2 : value;   // absolute run, padded to 16 bits
        if (i + bytes > n) return "truncated RLE data";
        for (uint32_t k = 0; k < value; ++k) {
            uint8_t b = p[i + (four ? k / 2 : k)];
            if (!put(four ? uint8_t((k & 1) ? b & 15 : b >> 4) : b)) return "RLE run beyond the picture";
        }
        i += (bytes + 1) & ~size_t(1);
    }
    return std::string(); // a missing end-of-bitmap code leaves the rest at index 0
}

} // namespace

std::string DecodeBmp(const uint8_t* d, size_t n, Bitmap32& out)
{
    if (n < 14 + 12 || d[0] != 'B' || d[1] != 'M') return "not a BMP file";
    const uint32_t offBits = U32(d + 10);
    const uint32_t hdr = U32(d + 14);
    if (hdr != 12 && hdr < 40) return "unknown BMP header size";
    if (uint64_t(14) + hdr > n) return "truncated BMP header";
    const uint8_t* h = d + 14;

    int64_t width, height;
    uint32_t bpp, compression = kRgb, colours = 0;
    size_t paletteEntry = 4;
    uint32_t masks[4] = {0, 0, 0, 0};
    if (hdr == 12) {
        width = U16(h + 4);
        height = int16_t(U16(h + 6));
        bpp = U16(h + 10);
        paletteEntry = 3;
    } else {
        width = int32_t(U32(h + 4));
        height = int32_t(U32(h + 8));
        bpp = U16(h + 14);
        compression = U32(h + 16);
        colours = U32(h + 32);
        if (hdr >= 52) { masks[0] = U32(h + 40); masks[1] = U32(h + 44); masks[2] = U32(h + 48); }
        if (hdr >= 56) masks[3] = U32(h + 52);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) return "BMP picture has no pixels";
    std::string error = SizeError("BMP picture", uint64_t(width), uint64_t(height));
    if (!error.empty()) return error;
    const uint32_t w = uint32_t(width), ht = uint32_t(height);

    size_t after = 14 + hdr;
    if (compression == kBitFields && hdr == 40) {
        if (after + 12 > n) return "truncated BMP bit-field masks";
        masks[0] = U32(d + after); masks[1] = U32(d + after + 4); masks[2] = U32(d + after + 8);
        after += 12;
    }
    const bool indexed = bpp == 1 || bpp == 4 || bpp == 8;
    if (!indexed && bpp != 16 && bpp != 24 && bpp != 32) return "unsupported BMP bit depth";
    if (compression == kRle8 && bpp != 8) return "RLE8 needs 8 bits a pixel";
    if (compression == kRle4 && bpp != 4) return "RLE4 needs 4 bits a pixel";
    if (compression == kBitFields && bpp != 16 && bpp != 32) return "bit-field masks need 16 or 32 bits a pixel";
    if (compression > kBitFields) return "unsupported BMP compression";
    if ((compression == kRle8 || compression == kRle4) && topDown) return "a run-length BMP cannot be top-down";

    std::vector<uint32_t> palette;
    if (indexed) {
        uint32_t count = colours ? colours : (1u << bpp);
        if (count > 256) return "BMP palette too large";
        if (after + size_t(count) * paletteEntry > n) return "truncated BMP palette";
        palette.assign(256, 0xFF000000u);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = d + after + i * paletteEntry;
            palette[i] = 0xFF000000u | (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
        }
    }
    if (offBits < after || offBits > n) return "BMP pixel offset outside the file";
    const uint8_t* bits = d + offBits;
    const size_t avail = n - offBits;

    out.width = w;
    out.height = ht;
    if (compression == kRle8 || compression == kRle4) {
        out.pixels.assign(size_t(w) * ht, palette[0]);
        error = DecodeRle(bits, avail, compression == kRle4, w, ht, palette, out.pixels);
        if (!error.empty()) out.pixels = std::vector<uint32_t>();
        return error;
    }

    const uint64_t stride = (uint64_t(w) * bpp + 31) / 32 * 4;
    if (stride * ht > avail) return "truncated BMP pixel data";

    if (compression == kRgb && bpp == 16) { masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F; }
    const Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);

    out.pixels.resize(size_t(w) * ht);
    bool anyAlpha = false;
    for (uint32_t y = 0; y < ht; ++y) {
        const uint8_t* row = bits + stride * (topDown ? y : ht - 1 - y);
        uint32_t* o = &out.pixels[size_t(y) * w];
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t v;
            switch (bpp) {
            case 1: v = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
            case 4: v = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15]; break;
            case 8: v = palette[row[x]]; break;
            case 24: v = 0xFF000000u | (uint32_t(row[3 * x + 2]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x]; break;
            case 16: {
                uint32_t raw = U16(row + 2 * x);
                v = (a.Get(raw, 255) << 24) | (r.Get(raw, 0) << 16) | (g.Get(raw, 0) << 8) | b.Get(raw, 0);
                break;
            }
            default: {
                uint32_t raw = U32(row + 4 * x);
                if (compression == kRgb) v = 0xFF000000u | (raw & 0xFFFFFF);
                else v = (a.Get(raw, 255) << 24) | (r.Get(raw, 0) << 16) | (g.Get(raw, 0) << 8) | b.Get(raw, 0);
                break;
            }
            }
            if ((v >> 24) != 0) anyAlpha = true;
            o[x] = v;
        }
    }
    // Many writers leave the alpha channel of a 32-bit bitmap at zero: such a picture is
    // opaque, not invisible.
    if (!anyAlpha)
        for (uint32_t& v : out.pixels) v |= 0xFF000000u;
    return std::string();
}

std::string SizeError(const char* format, uint64_t width, uint64_t height, uint64_t frames)
{
    const std::string what = std::string(format) + " of " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels";
    if (width == 0 || height == 0 || frames == 0) return what + " has no pixels";
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxDecodedPixels / frames)
        return what + (frames > 1 ? " x " + std::to_string(frames) + " frames" : std::string()) +
               " is larger than the " + std::to_string(kMaxDecodedPixels) + " pixels a picture may decode to";
    return std::string();
}

} // namespace captions::image
