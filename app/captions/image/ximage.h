// The picture class of the caption side: decodes BMP, GIF (every frame, with its delay),
// JPEG, PNG and TGA pictures from files or memory into 32-bit pixels, and draws them into a
// device context. Its class, member and format names are the ones the caption code was
// written against (CxImage's), so the callers read as they always have; it holds only what
// they use.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The picture format ids stored in caption page files (one int32 per picture object).
enum ENUM_CXIMAGE_FORMATS {
    CXIMAGE_FORMAT_UNKNOWN = 0,
    CXIMAGE_FORMAT_BMP = 1,
    CXIMAGE_FORMAT_GIF = 2,
    CXIMAGE_FORMAT_JPG = 3,
    CXIMAGE_FORMAT_PNG = 4,
    CXIMAGE_FORMAT_TGA = 6,
};

class CxImage {
public:
    CxImage();
    explicit CxImage(DWORD imagetype);
    CxImage(const wchar_t* filename, DWORD imagetype);
    CxImage(const BYTE* buffer, DWORD size, DWORD imagetype);

    // Decodes the frame chosen with SetFrame (0 unless set). CXIMAGE_FORMAT_UNKNOWN picks the
    // format from the data's signature. On failure the image is empty and GetLastError says why.
    bool Load(const wchar_t* filename, DWORD imagetype = CXIMAGE_FORMAT_UNKNOWN);
    bool Decode(const BYTE* buffer, DWORD size, DWORD imagetype);
    void Destroy();

    bool IsValid() const { return width_ > 0 && height_ > 0; }
    DWORD GetWidth() const { return width_; }
    DWORD GetHeight() const { return height_; }
    DWORD GetType() const { return type_; }
    const char* GetLastError() const { return error_.c_str(); }

    // Animation: the frame count of the last decoded file (1 for a still picture), the frame
    // to decode next, and the decoded frame's delay in hundredths of a second.
    long GetNumFrames() const { return numFrames_; }
    long GetFrame() const { return frame_; }
    void SetFrame(long nFrame) { frame_ = nFrame < 0 ? 0 : nFrame; }
    DWORD GetFrameDelay() const { return frameDelay_; }
    // With all frames retrieved, one decode composes every frame of an animation once, each
    // kept as an image of its own (GetFrame(i), null past the last); the image itself still
    // holds the frame chosen with SetFrame.
    void SetRetreiveAllFrames(bool flag) { retrieveAll_ = flag; }
    bool GetRetreiveAllFrames() const { return retrieveAll_; }
    CxImage* GetFrame(long nFrame) const;

    // The decoded pixels: rows top to bottom, one DWORD a pixel as 0xAARRGGBB (straight alpha).
    const uint32_t* GetPixels32() const { return pixels_.empty() ? nullptr : pixels_.data(); }
    DWORD GetPixel32(long x, long y) const;
    // True when some pixel is not fully opaque (a GIF's transparent index, PNG or TGA alpha).
    bool HasTransparency() const { return transparent_; }

    // Draws at (x, y), scaled to cx by cy (-1: the picture's own size); transparent pixels
    // are blended over what the device context holds. 1 on success, 0 on failure.
    long Draw(HDC hdc, long x = 0, long y = 0, long cx = -1, long cy = -1);
    // Stretches the picture into the rectangle with the raster operation, ignoring alpha.
    long Stretch(HDC hdc, long xoffset, long yoffset, long xsize, long ysize, DWORD dwRop = SRCCOPY);

private:
    bool Fail(const char* message);
    bool DecodeAllGifFrames(const BYTE* buffer, DWORD size);
    void SetPixels(DWORD type, DWORD width, DWORD height, std::vector<uint32_t>& pixels);

    DWORD type_ = CXIMAGE_FORMAT_UNKNOWN;
    DWORD width_ = 0;
    DWORD height_ = 0;
    std::vector<uint32_t> pixels_;
    bool transparent_ = false;
    long frame_ = 0;
    long numFrames_ = 0;
    DWORD frameDelay_ = 0;
    bool retrieveAll_ = false;
    std::vector<CxImage> frames_;
    std::string error_;
};
