#include "app/captions/image/ximage.h"

#include "app/captions/image/ImageCodecs.h"

#include <cstring>

using namespace captions::image;

namespace {

// Picture files are read whole; one larger than this is no caption picture.
constexpr LONGLONG kMaxFileBytes = 256LL * 1024 * 1024;

DWORD Sniff(const BYTE* p, DWORD n)
{
    if (n >= 2 && p[0] == 'B' && p[1] == 'M') return CXIMAGE_FORMAT_BMP;
    if (n >= 4 && std::memcmp(p, "GIF8", 4) == 0) return CXIMAGE_FORMAT_GIF;
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return CXIMAGE_FORMAT_JPG;
    if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return CXIMAGE_FORMAT_PNG;
    return CXIMAGE_FORMAT_TGA; // TGA has no signature: the last guess
}

struct Handle {
    HANDLE h;
    ~Handle() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
};

struct MemoryDC {
    HDC dc;
    HGDIOBJ old = nullptr;
    ~MemoryDC()
    {
        if (old) SelectObject(dc, old);
        if (dc) DeleteDC(dc);
    }
};

struct Bitmap {
    HBITMAP h;
    ~Bitmap() { if (h) DeleteObject(h); }
};

BITMAPINFO TopDownInfo(DWORD w, DWORD h)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = LONG(w);
    bi.bmiHeader.biHeight = -LONG(h);
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

} // namespace

CxImage::CxImage() = default;

CxImage::CxImage(DWORD imagetype) : type_(imagetype) {}

CxImage::CxImage(const wchar_t* filename, DWORD imagetype) { Load(filename, imagetype); }

CxImage::CxImage(const BYTE* buffer, DWORD size, DWORD imagetype) { Decode(buffer, size, imagetype); }

void CxImage::Destroy()
{
    width_ = height_ = 0;
    pixels_.clear();
    pixels_.shrink_to_fit();
    transparent_ = false;
    numFrames_ = 0;
    frameDelay_ = 0;
    frames_.clear();
}

CxImage* CxImage::GetFrame(long nFrame) const
{
    if (nFrame < 0 || size_t(nFrame) >= frames_.size()) return nullptr;
    return const_cast<CxImage*>(&frames_[size_t(nFrame)]);
}

void CxImage::SetPixels(DWORD type, DWORD width, DWORD height, std::vector<uint32_t>& pixels)
{
    type_ = type;
    width_ = width;
    height_ = height;
    pixels_.swap(pixels);
    transparent_ = false;
    for (uint32_t v : pixels_)
        if ((v >> 24) != 0xFF) { transparent_ = true; break; }
}

bool CxImage::DecodeAllGifFrames(const BYTE* buffer, DWORD size)
{
    std::vector<CxImage> frames;
    uint32_t width = 0, height = 0;
    AnimationInfo anim;
    auto keep = [&](std::vector<uint32_t>& screen, uint32_t delay) {
        CxImage frame(CXIMAGE_FORMAT_GIF);
        std::vector<uint32_t> copy(screen);
        frame.SetPixels(CXIMAGE_FORMAT_GIF, width, height, copy);
        frame.frame_ = long(frames.size());
        frame.frameDelay_ = delay;
        frames.push_back(std::move(frame));
        return true;
    };
    const std::string err = DecodeGifFrames(buffer, size, keep, width, height, anim);
    if (!err.empty()) return Fail(err.c_str());
    const long count = long(frames.size());
    if (frame_ >= count) return Fail(("GIF has no frame " + std::to_string(frame_)).c_str());
    for (CxImage& f : frames) f.numFrames_ = count;
    std::vector<uint32_t> chosen(frames[size_t(frame_)].pixels_);
    SetPixels(CXIMAGE_FORMAT_GIF, width, height, chosen);
    frameDelay_ = frames[size_t(frame_)].frameDelay_;
    numFrames_ = count;
    frames_.swap(frames);
    error_.clear();
    return true;
}

bool CxImage::Fail(const char* message)
{
    Destroy();
    error_ = message;
    return false;
}

bool CxImage::Load(const wchar_t* filename, DWORD imagetype)
{
    if (!filename) return Fail("no file name");
    Handle file{CreateFileW(filename, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) return Fail("cannot open the file");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.h, &size)) return Fail("cannot read the file size");
    if (size.QuadPart > kMaxFileBytes) return Fail("file too large for a picture");
    std::vector<BYTE> bytes(size_t(size.QuadPart));
    DWORD done = 0;
    if (!bytes.empty() && (!ReadFile(file.h, bytes.data(), DWORD(bytes.size()), &done, nullptr) || done != bytes.size()))
        return Fail("cannot read the file");
    return Decode(bytes.data(), DWORD(bytes.size()), imagetype);
}

bool CxImage::Decode(const BYTE* buffer, DWORD size, DWORD imagetype)
{
    if (!buffer || size == 0) return Fail("no picture data");
    if (imagetype == CXIMAGE_FORMAT_UNKNOWN) imagetype = Sniff(buffer, size);
    if (imagetype == CXIMAGE_FORMAT_GIF && retrieveAll_) return DecodeAllGifFrames(buffer, size);
    Bitmap32 bmp;
    AnimationInfo anim;
    anim.frameCount = 1;
    std::string err;
    switch (imagetype) {
    case CXIMAGE_FORMAT_BMP: err = DecodeBmp(buffer, size, bmp); break;
    case CXIMAGE_FORMAT_GIF: err = DecodeGif(buffer, size, frame_, bmp, anim); break;
    case CXIMAGE_FORMAT_JPG: err = DecodeJpeg(buffer, size, bmp); break;
    case CXIMAGE_FORMAT_PNG: err = DecodePng(buffer, size, bmp); break;
    case CXIMAGE_FORMAT_TGA: err = DecodeTga(buffer, size, bmp); break;
    default: err = "unknown picture format"; break;
    }
    if (!err.empty()) return Fail(err.c_str());
    SetPixels(imagetype, bmp.width, bmp.height, bmp.pixels);
    frames_.clear();
    numFrames_ = anim.frameCount;
    frameDelay_ = anim.delay;
    error_.clear();
    return true;
}

DWORD CxImage::GetPixel32(long x, long y) const
{
    if (x < 0 || y < 0 || DWORD(x) >= width_ || DWORD(y) >= height_) return 0;
    return pixels_[size_t(y) * width_ + x];
}

long CxImage::Stretch(HDC hdc, long xoffset, long yoffset, long xsize, long ysize, DWORD dwRop)
{
    if (!hdc || !IsValid()) return 0;
    BITMAPINFO bi = TopDownInfo(width_, height_);
    const int old = SetStretchBltMode(hdc, COLORONCOLOR);
    const int lines = StretchDIBits(hdc, xoffset, yoffset, xsize, ysize, 0, 0, int(width_), int(height_),
                                    pixels_.data(), &bi, DIB_RGB_COLORS, dwRop);
    SetStretchBltMode(hdc, old);
    return lines > 0 ? 1 : 0;
}

long CxImage::Draw(HDC hdc, long x, long y, long cx, long cy)
{
    if (!hdc || !IsValid()) return 0;
    if (cx < 0) cx = long(width_);
    if (cy < 0) cy = long(height_);
    if (!transparent_) return Stretch(hdc, x, y, cx, cy, SRCCOPY);

    // AlphaBlend takes premultiplied pixels from a DIB section.
    BITMAPINFO bi = TopDownInfo(width_, height_);
    void* bits = nullptr;
    Bitmap section{CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0)};
    if (!section.h || !bits) return 0;
    DWORD* dst = static_cast<DWORD*>(bits);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        const uint32_t v = pixels_[i], a = v >> 24;
        const uint32_t r = ((v >> 16) & 0xFF) * a / 255, g = ((v >> 8) & 0xFF) * a / 255, b = (v & 0xFF) * a / 255;
        dst[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    GdiFlush();
    MemoryDC mem{CreateCompatibleDC(hdc)};
    if (!mem.dc) return 0;
    mem.old = SelectObject(mem.dc, section.h);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(hdc, x, y, cx, cy, mem.dc, 0, 0, int(width_), int(height_), blend) ? 1 : 0;
}
