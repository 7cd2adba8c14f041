// The picture decoders: every format from hand-built files, GIF frames and delays, drawing
// into a device context, and corrupt or truncated files refused cleanly.
#include "app/captions/image/ximage.h"
#include "tests/app/captions/PictureFixtures.h"

#include <gtest/gtest.h>

#include <zlib.h>
#include <cstdio>
#include <jpeglib.h>

using fixtures::Bytes;

namespace {

constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

void PngChunk(Bytes& b, const char* type, const Bytes& data)
{
    fixtures::PutBE32(b, uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    b.insert(b.end(), body.begin(), body.end());
    fixtures::PutBE32(b, uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

// 2 x 2 RGBA PNG, its pixels in one stored (uncompressed) deflate block.
Bytes Png2x2()
{
    Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    fixtures::PutBE32(ihdr, 2);
    fixtures::PutBE32(ihdr, 2);
    fixtures::Append(ihdr, {8, 6, 0, 0, 0}); // 8 bits, RGBA
    PngChunk(b, "IHDR", ihdr);
    const Bytes raw{0, 255, 0, 0, 255, 0, 255, 0, 255,        // filter 0; red, green
                    0, 0, 0, 255, 255, 255, 255, 255, 128};   // filter 0; blue, white at half alpha
    Bytes z{0x78, 0x01, 0x01, uint8_t(raw.size()), 0, uint8_t(~raw.size()), 0xFF};
    z.insert(z.end(), raw.begin(), raw.end());
    fixtures::PutBE32(z, uint32_t(adler32(1, raw.data(), uInt(raw.size()))));
    PngChunk(b, "IDAT", z);
    PngChunk(b, "IEND", {});
    return b;
}

// A JPEG has no practical hand-built form; libjpeg writes a 16 x 8 picture, left half red,
// right half blue, at full quality.
Bytes Jpeg16x8()
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 16;
    c.image_height = 8;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    unsigned char row[16 * 3];
    for (int x = 0; x < 16; ++x) {
        row[3 * x] = x < 8 ? 255 : 0;
        row[3 * x + 1] = 0;
        row[3 * x + 2] = x < 8 ? 0 : 255;
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row;
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes b(out, out + size);
    free(out);
    return b;
}

bool Near(DWORD a, DWORD b, int tolerance)
{
    for (int s = 0; s < 32; s += 8)
        if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance) return false;
    return true;
}

struct Case {
    const char* name;
    Bytes bytes;
    DWORD format;
    DWORD pixels[4]; // (0,0), (1,0), (0,1), (1,1)
};

} // namespace

TEST(CxImageDecode, EveryFormatFromMemoryGivesTopDownPixels)
{
    const Case cases[] = {
        {"bmp", fixtures::Bmp2x2(), CXIMAGE_FORMAT_BMP, {kRed, kGreen, kBlue, kWhite}},
        {"png", Png2x2(), CXIMAGE_FORMAT_PNG, {kRed, kGreen, kBlue, 0x80FFFFFF}},
        {"tga", fixtures::Tga2x2(), CXIMAGE_FORMAT_TGA, {kRed, 0x0000FF00, kBlue, 0x80FFFFFF}},
        {"gif", fixtures::Gif3Frames(), CXIMAGE_FORMAT_GIF, {kRed, kGreen, kBlue, 0xFF000000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (DWORD format : {c.format, DWORD(CXIMAGE_FORMAT_UNKNOWN)}) {
            if (c.format == CXIMAGE_FORMAT_TGA && format == CXIMAGE_FORMAT_UNKNOWN) continue;
            CxImage img;
            ASSERT_TRUE(img.Decode(c.bytes.data(), DWORD(c.bytes.size()), format)) << img.GetLastError();
            EXPECT_EQ(img.GetType(), c.format);
            EXPECT_EQ(img.GetWidth(), 2u);
            EXPECT_EQ(img.GetHeight(), 2u);
            EXPECT_EQ(img.GetPixel32(0, 0), c.pixels[0]);
            EXPECT_EQ(img.GetPixel32(1, 0), c.pixels[1]);
            EXPECT_EQ(img.GetPixel32(0, 1), c.pixels[2]);
            EXPECT_EQ(img.GetPixel32(1, 1), c.pixels[3]);
        }
    }
}

TEST(CxImageDecode, JpegColoursSurviveWithinRounding)
{
    const Bytes jpg = Jpeg16x8();
    CxImage img(jpg.data(), DWORD(jpg.size()), CXIMAGE_FORMAT_JPG);
    ASSERT_TRUE(img.IsValid()) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 16u);
    EXPECT_EQ(img.GetHeight(), 8u);
    EXPECT_TRUE(Near(img.GetPixel32(1, 1), kRed, 8)) << std::hex << img.GetPixel32(1, 1);
    EXPECT_TRUE(Near(img.GetPixel32(14, 6), kBlue, 8)) << std::hex << img.GetPixel32(14, 6);
    EXPECT_FALSE(img.HasTransparency());
}

TEST(CxImageDecode, BmpVariantsPalettesBitFieldsRunLengthAndTopDown)
{
    // 1-bit palette, top-down (negative height): black, white / white, black.
    const Bytes mono{'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,
                     40, 0, 0, 0, 2, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 1, 0,
                     0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                     0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0,   // palette
                     0x40, 0, 0, 0, 0x80, 0, 0, 0};      // rows 01, 10
    // 32 bits with bit-field masks in a 56-byte header, alpha honoured: one half-transparent red pixel.
    // Kept in static storage: the 32-bit compiler once built this list on the stack with its
    // alpha mask's top byte dropped.
    static const uint8_t kV3[] = {'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 70, 0, 0, 0,
             56, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0, 4, 0, 0, 0,
             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
             0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF,
             0, 0, 0xFF, 0x80};
    const Bytes v3(std::begin(kV3), std::end(kV3));
    // RLE8, 3 x 1: a run of two index 1, one absolute index 0... encoded as run 2 x 1, run 1 x 0, end.
    const Bytes rle{'B', 'M', 72, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,
                    40, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0, 8, 0, 0, 0,
                    0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                    0, 0xFF, 0, 0, 0, 0, 0xFF, 0,        // palette: green, red
                    2, 1, 1, 0, 0, 1, 0, 0};

    CxImage a(mono.data(), DWORD(mono.size()), CXIMAGE_FORMAT_BMP);
    ASSERT_TRUE(a.IsValid()) << a.GetLastError();
    EXPECT_EQ(a.GetPixel32(0, 0), 0xFF000000u);
    EXPECT_EQ(a.GetPixel32(1, 0), kWhite);
    EXPECT_EQ(a.GetPixel32(0, 1), kWhite);

    CxImage b(v3.data(), DWORD(v3.size()), CXIMAGE_FORMAT_BMP);
    ASSERT_TRUE(b.IsValid()) << b.GetLastError();
    EXPECT_EQ(b.GetPixel32(0, 0), 0x80FF0000u);

    CxImage c(rle.data(), DWORD(rle.size()), CXIMAGE_FORMAT_BMP);
    ASSERT_TRUE(c.IsValid()) << c.GetLastError();
    EXPECT_EQ(c.GetPixel32(0, 0), kRed);
    EXPECT_EQ(c.GetPixel32(1, 0), kRed);
    EXPECT_EQ(c.GetPixel32(2, 0), kGreen);
}

TEST(CxImageGif, EveryFrameComposedWithItsDelay)
{
    const Bytes gif = fixtures::Gif3Frames();
    const struct {
        long frame;
        DWORD delay;
        DWORD pixels[4];
    } frames[] = {
        {0, 5, {kRed, kGreen, kBlue, 0xFF000000}},
        {1, 10, {kRed, kGreen, kBlue, kGreen}},
        {2, 20, {kBlue, kGreen, kBlue, 0}}, // frame 2 was disposed to transparent
    };
    for (const auto& f : frames) {
        SCOPED_TRACE(f.frame);
        CxImage img;
        img.SetFrame(f.frame);
        ASSERT_TRUE(img.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF)) << img.GetLastError();
        EXPECT_EQ(img.GetNumFrames(), 3);
        EXPECT_EQ(img.GetFrameDelay(), f.delay);
        EXPECT_EQ(img.GetWidth(), 2u);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(img.GetPixel32(i % 2, i / 2), f.pixels[i]) << i;
    }
    CxImage past;
    past.SetFrame(3);
    EXPECT_FALSE(past.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF));
    EXPECT_STRNE(past.GetLastError(), "");
}

TEST(CxImageFile, LoadsFromAFileByItsSignatureAndRefusesAMissingOne)
{
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameW(dir, L"img", 0, path), 0u);
    const Bytes gif = fixtures::Gif3Frames();
    FILE* f = _wfopen(path, L"wb");
    ASSERT_NE(f, nullptr);
    fwrite(gif.data(), 1, gif.size(), f);
    fclose(f);

    CxImage img;
    EXPECT_TRUE(img.Load(path, CXIMAGE_FORMAT_UNKNOWN)) << img.GetLastError();
    EXPECT_EQ(img.GetType(), DWORD(CXIMAGE_FORMAT_GIF));
    EXPECT_EQ(img.GetNumFrames(), 3);
    EXPECT_FALSE(img.Load(path, CXIMAGE_FORMAT_PNG)); // a GIF is not a PNG
    EXPECT_FALSE(img.IsValid());
    DeleteFileW(path);
    EXPECT_FALSE(img.Load(path, CXIMAGE_FORMAT_GIF));
    EXPECT_STREQ(img.GetLastError(), "cannot open the file");
}

TEST(CxImageDecode, TruncatedAndCorruptFilesAreRefused)
{
    const struct {
        const char* name;
        Bytes bytes;
        DWORD format;
        size_t trailer; // bytes after the last pixel that a reader may do without
    } files[] = {
        {"bmp", fixtures::Bmp2x2(), CXIMAGE_FORMAT_BMP, 0},
        {"gif", fixtures::Gif3Frames(), CXIMAGE_FORMAT_GIF, 0},
        {"png", Png2x2(), CXIMAGE_FORMAT_PNG, 12}, // libpng does not insist on IEND
        {"tga", fixtures::Tga2x2(), CXIMAGE_FORMAT_TGA, 0},
    };
    for (const auto& f : files) {
        for (size_t n = 0; n < f.bytes.size() - f.trailer; ++n) {
            CxImage img;
            EXPECT_FALSE(img.Decode(f.bytes.data(), DWORD(n), f.format)) << f.name << " cut at " << n;
            EXPECT_FALSE(img.IsValid());
            EXPECT_STRNE(img.GetLastError(), "") << f.name << " cut at " << n;
        }
    }
    // A JPEG cut inside its headers (libjpeg pads a cut in the scan data with grey, as viewers do).
    const Bytes jpg = Jpeg16x8();
    for (size_t n = 0; n < 200 && n < jpg.size(); n += 7) {
        CxImage img;
        EXPECT_FALSE(img.Decode(jpg.data(), DWORD(n), CXIMAGE_FORMAT_JPG)) << "jpg cut at " << n;
    }
}

TEST(CxImageDecode, HugeClaimedSizesAreRefusedBeforeAllocating)
{
    Bytes bmp = fixtures::Bmp2x2();
    bmp[18] = 0xFF; bmp[19] = 0xFF; bmp[20] = 0xFF; bmp[21] = 0x7F; // width 2^31 - 1
    Bytes bmpLong = fixtures::Bmp2x2();
    bmpLong[18] = 0x00; bmpLong[19] = 0x10;                         // 4096 x 2, pixel data far beyond the file
    Bytes gif = fixtures::Gif3Frames();
    gif[6] = 0xFF; gif[7] = 0xFF; gif[8] = 0xFF; gif[9] = 0xFF;     // 65535 x 65535 screen
    Bytes tga = fixtures::Tga2x2();
    tga[12] = 0xFF; tga[13] = 0xFF; tga[14] = 0xFF; tga[15] = 0xFF;
    for (Bytes* b : {&bmp, &bmpLong, &gif, &tga}) {
        CxImage img;
        EXPECT_FALSE(img.Decode(b->data(), DWORD(b->size()), CXIMAGE_FORMAT_UNKNOWN));
        EXPECT_STRNE(img.GetLastError(), "");
    }
    const Bytes garbage{'h', 'e', 'l', 'l', 'o'};
    CxImage img;
    EXPECT_FALSE(img.Decode(garbage.data(), DWORD(garbage.size()), CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_FALSE(img.Decode(nullptr, 0, CXIMAGE_FORMAT_BMP));
}

namespace {

// A 32-bit top-down DIB section selected into a memory DC, filled with one colour.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    DWORD* bits = nullptr;
    int w, h;
    Canvas(int width, int height, DWORD fill) : w(width), h(height)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* p = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<DWORD*>(p);
        old = SelectObject(dc, bmp);
        for (int i = 0; i < w * h; ++i) bits[i] = fill;
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    DWORD At(int x, int y) { GdiFlush(); return bits[y * w + x] & 0xFFFFFF; }
};

} // namespace

TEST(CxImageDraw, DrawsScaledAndBlendsTransparentPixels)
{
    const Bytes bmp = fixtures::Bmp2x2();
    CxImage opaque(bmp.data(), DWORD(bmp.size()), CXIMAGE_FORMAT_BMP);
    Canvas c(8, 8, 0x00123456);
    ASSERT_EQ(opaque.Draw(c.dc, 2, 2, 4, 4), 1);
    EXPECT_EQ(c.At(2, 2), 0xFF0000u);
    EXPECT_EQ(c.At(5, 2), 0x00FF00u);
    EXPECT_EQ(c.At(2, 5), 0x0000FFu);
    EXPECT_EQ(c.At(5, 5), 0xFFFFFFu);
    EXPECT_EQ(c.At(1, 1), 0x123456u);
    EXPECT_EQ(c.At(6, 6), 0x123456u);

    const Bytes gif = fixtures::Gif3Frames();
    CxImage last;
    last.SetFrame(2);
    ASSERT_TRUE(last.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF));
    Canvas d(2, 2, 0x00123456);
    ASSERT_EQ(last.Draw(d.dc, 0, 0), 1);
    EXPECT_EQ(d.At(0, 0), 0x0000FFu);
    EXPECT_EQ(d.At(1, 0), 0x00FF00u);
    EXPECT_EQ(d.At(1, 1), 0x123456u); // transparent: the background stays

    Canvas e(4, 4, 0);
    ASSERT_EQ(opaque.Stretch(e.dc, 0, 0, 4, 4, SRCCOPY), 1);
    EXPECT_EQ(e.At(3, 3), 0xFFFFFFu);
    CxImage empty;
    EXPECT_EQ(empty.Draw(e.dc, 0, 0), 0);
}

// A file of a few dozen bytes once decoded to 16 Mpixels (a GIF screen with one pixel of
// frame, a run-length BMP that ends at once): 128 MiB and 80 MiB for nothing. The decoded
// size, every frame of an animation counted, is capped at 8 Mpixels with a message that says so.
TEST(CxImageDecode, TinyFilesClaimingHugePicturesAreRefused)
{
    const struct {
        const char* name;
        Bytes bytes;
        bool decodes;
    } cases[] = {
        {"GIF screen 4096 x 4096, one frame", fixtures::TinyGif(4096, 4096, 1), false},
        {"GIF screen 16384 x 1024, one frame", fixtures::TinyGif(16384, 1024, 1), false},
        {"GIF screen 1024 x 1024, 9 frames", fixtures::TinyGif(1024, 1024, 9), false},
        {"GIF screen 1024 x 1024, 8 frames", fixtures::TinyGif(1024, 1024, 8), true},
        {"RLE BMP 4096 x 4096", fixtures::TinyRleBmp(4096, 4096), false},
        {"RLE BMP 4096 x 2048", fixtures::TinyRleBmp(4096, 2048), true},
        {"RLE BMP 4096 x 2049", fixtures::TinyRleBmp(4096, 2049), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.bytes.size(), 200u);
        CxImage img;
        EXPECT_EQ(img.Decode(c.bytes.data(), DWORD(c.bytes.size()), CXIMAGE_FORMAT_UNKNOWN), c.decodes)
            << img.GetLastError();
        if (c.decodes) {
            EXPECT_EQ(img.GetPixel32(0, 0), kRed);
            continue;
        }
        EXPECT_FALSE(img.IsValid());
        EXPECT_NE(std::string(img.GetLastError()).find("8388608 pixels"), std::string::npos) << img.GetLastError();
    }
    // The last frame past the cap refuses the file whichever frame is asked for.
    const Bytes nine = fixtures::TinyGif(1024, 1024, 9);
    CxImage first;
    first.SetFrame(0);
    EXPECT_FALSE(first.Decode(nine.data(), DWORD(nine.size()), CXIMAGE_FORMAT_GIF));
}

// All frames of an animation from one decode, each composed once from the one before: the
// same pictures and delays as decoding each frame on its own.
TEST(CxImageGif, AllFramesFromOneDecodeMatchEachFrameDecodedAlone)
{
    const Bytes gif = fixtures::Gif3Frames();
    CxImage all;
    all.SetRetreiveAllFrames(true);
    all.SetFrame(1);
    ASSERT_TRUE(all.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF)) << all.GetLastError();
    ASSERT_EQ(all.GetNumFrames(), 3);
    EXPECT_EQ(all.GetFrameDelay(), 10u);                 // the image itself is the frame asked for
    EXPECT_EQ(all.GetPixel32(1, 1), kGreen);
    for (long i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        CxImage alone;
        alone.SetFrame(i);
        ASSERT_TRUE(alone.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF));
        const CxImage* frame = all.GetFrame(i);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->GetFrameDelay(), alone.GetFrameDelay());
        EXPECT_EQ(frame->HasTransparency(), alone.HasTransparency());
        ASSERT_EQ(frame->GetWidth(), 2u);
        for (int p = 0; p < 4; ++p) EXPECT_EQ(frame->GetPixel32(p % 2, p / 2), alone.GetPixel32(p % 2, p / 2)) << p;
    }
    EXPECT_EQ(all.GetFrame(3), nullptr);
    EXPECT_EQ(all.GetFrame(-1), nullptr);

    // A still picture has no frames of its own; a failed decode leaves none.
    const Bytes bmp = fixtures::Bmp2x2();
    ASSERT_TRUE(all.Decode(bmp.data(), DWORD(bmp.size()), CXIMAGE_FORMAT_BMP));
    EXPECT_EQ(all.GetFrame(0), nullptr);
    ASSERT_TRUE(all.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF));
    EXPECT_FALSE(all.Decode(gif.data(), DWORD(gif.size() - 1), CXIMAGE_FORMAT_GIF));
    EXPECT_EQ(all.GetFrame(0), nullptr);
}
