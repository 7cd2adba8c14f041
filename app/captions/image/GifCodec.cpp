// GIF pictures and animations through giflib, read record by record so that every image
// descriptor is checked before its raster is allocated. Frames are composed onto the logical
// screen as a browser shows them: a frame covers only its own rectangle, transparent indices
// keep what lies below, and the previous frame's disposal (leave, clear to transparent,
// restore) is applied first. Every frame is composed once, from the one before it.
#include "app/captions/image/ImageCodecs.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace captions::image {
namespace {

// Animations are short; a file claiming more frames than this is refused.
constexpr long kMaxFrames = 10000;

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int Read(GifFileType* gif, GifByteType* buf, int len)
{
    MemoryReader* r = static_cast<MemoryReader*>(gif->UserData);
    size_t n = r->size - r->pos;
    if (len < 0) return 0;
    if (size_t(len) < n) n = size_t(len);
    std::memcpy(buf, r->data + r->pos, n);
    r->pos += n;
    return int(n);
}

struct GifCloser {
    GifFileType* gif = nullptr;
    ~GifCloser()
    {
        int err = 0;
        if (gif) DGifCloseFile(gif, &err);
    }
};

std::string GifError(const char* what, int code)
{
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + what + (text ? std::string(": ") + text : std::string());
}

struct FrameControl {
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparent = NO_TRANSPARENT_COLOR;
    uint32_t delay = 0;
};

// The previous frame's disposal, applied before the next frame is drawn.
void Dispose(std::vector<uint32_t>& canvas, uint32_t sw, uint32_t sh, const FrameControl& previous, int left, int top,
             int width, int height, const std::vector<uint32_t>& saved)
{
    if (previous.disposal == DISPOSE_BACKGROUND) {
        const int x0 = std::max(left, 0), y0 = std::max(top, 0);
        const int x1 = int(std::min<int64_t>(int64_t(left) + width, sw));
        const int y1 = int(std::min<int64_t>(int64_t(top) + height, sh));
        for (int y = y0; y < y1 && x0 < x1; ++y)
            std::fill(canvas.begin() + ptrdiff_t(size_t(y) * sw + x0), canvas.begin() + ptrdiff_t(size_t(y) * sw + x1), 0u);
    } else if (previous.disposal == DISPOSE_PREVIOUS && !saved.empty()) {
        canvas = saved;
    }
}

std::string SkipRaster(GifFileType* gif)
{
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return GifError("truncated frame", gif->Error);
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return GifError("truncated frame", gif->Error);
    return std::string();
}

std::string ReadRaster(GifFileType* gif, std::vector<GifByteType>& raster)
{
    const GifImageDesc& desc = gif->Image;
    const int fw = desc.Width, fh = desc.Height;
    raster.assign(size_t(fw) * fh, 0);
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (desc.Interlace ? 4 : 1); ++pass)
        for (int y = desc.Interlace ? start[pass] : 0; y < fh; y += desc.Interlace ? step[pass] : 1)
            if (DGifGetLine(gif, &raster[size_t(y) * fw], fw) == GIF_ERROR) return GifError("truncated frame", gif->Error);
    return std::string();
}

void DrawRaster(std::vector<uint32_t>& canvas, uint32_t sw, uint32_t sh, const GifImageDesc& desc,
                const ColorMapObject* map, int transparent, const std::vector<GifByteType>& raster)
{
    for (int y = 0; y < desc.Height; ++y) {
        const int cy = desc.Top + y;
        if (cy < 0 || uint32_t(cy) >= sh) continue;
        for (int x = 0; x < desc.Width; ++x) {
            const int cx = desc.Left + x;
            if (cx < 0 || uint32_t(cx) >= sw) continue;
            const int index = raster[size_t(y) * desc.Width + x];
            if (index == transparent || index >= map->ColorCount) continue;
            const GifColorType& c = map->Colors[index];
            canvas[size_t(cy) * sw + cx] = 0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
        }
    }
}

} // namespace

std::string DecodeGifFrames(const uint8_t* data, size_t size, const GifFrameSink& sink, uint32_t& width,
                            uint32_t& height, AnimationInfo& info)
{
    MemoryReader reader{data, size, 0};
    int err = 0;
    GifCloser closer;
    closer.gif = DGifOpen(&reader, Read, &err);
    GifFileType* gif = closer.gif;
    if (!gif) return GifError("not a GIF file", err);
    const uint32_t sw = uint32_t(gif->SWidth), sh = uint32_t(gif->SHeight);
    std::string error = SizeError("GIF screen", sw, sh);
    if (!error.empty()) return error;
    width = sw;
    height = sh;

    std::vector<uint32_t> canvas(size_t(sw) * sh, 0);
    std::vector<uint32_t> saved;
    std::vector<GifByteType> raster;
    FrameControl next, previous;
    int prevLeft = 0, prevTop = 0, prevWidth = 0, prevHeight = 0;
    long frames = 0;
    uint64_t decoded = 0;   // pixels: every frame's screen, or its own rectangle when larger
    bool composing = true;

    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return GifError("truncated or corrupt file", gif->Error);
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return GifError("corrupt extension", gif->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
                GraphicsControlBlock gcb;
                DGifExtensionToGCB(ext[0], ext + 1, &gcb);
                next.disposal = gcb.DisposalMode;
                next.transparent = gcb.TransparentColor;
                next.delay = uint32_t(gcb.DelayTime);
            }
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return GifError("corrupt extension", gif->Error);
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;

        if (DGifGetImageDesc(gif) == GIF_ERROR) return GifError("corrupt image descriptor", gif->Error);
        if (++frames > kMaxFrames) return "GIF has too many frames";
        const GifImageDesc& desc = gif->Image;
        const FrameControl control = next;
        next = FrameControl();
        if (desc.Width <= 0 || desc.Height <= 0) return "GIF frame has no pixels";
        // The cap counts every frame, also those after the one wanted, so a file is refused
        // or accepted whichever frame is asked for.
        decoded += std::max<uint64_t>(uint64_t(sw) * sh, uint64_t(desc.Width) * uint64_t(desc.Height));
        if (decoded > kMaxDecodedPixels)
            return "GIF animation of " + std::to_string(sw) + " x " + std::to_string(sh) + " pixels decodes to more than " +
                   std::to_string(kMaxDecodedPixels) + " pixels by frame " + std::to_string(frames);

        if (!composing) {
            error = SkipRaster(gif);
            if (!error.empty()) return error;
            continue;
        }
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map) return "GIF frame without a colour table";
        error = ReadRaster(gif, raster);
        if (!error.empty()) return error;

        if (frames > 1) Dispose(canvas, sw, sh, previous, prevLeft, prevTop, prevWidth, prevHeight, saved);
        if (control.disposal == DISPOSE_PREVIOUS) saved = canvas;
        DrawRaster(canvas, sw, sh, desc, map, control.transparent, raster);
        previous = control;
        prevLeft = desc.Left; prevTop = desc.Top; prevWidth = desc.Width; prevHeight = desc.Height;
        composing = sink(canvas, control.delay);
    }
    if (frames == 0) return "GIF has no frames";
    info.frameCount = frames;
    return std::string();
}

std::string DecodeGif(const uint8_t* data, size_t size, long wanted, Bitmap32& out, AnimationInfo& info)
{
    long index = 0;
    bool captured = false;
    Bitmap32 frame;
    auto take = [&](std::vector<uint32_t>& screen, uint32_t delay) {
        if (index++ < wanted) return true;
        frame.pixels.swap(screen);   // nothing is composed after this frame
        info.delay = delay;
        captured = true;
        return false;
    };
    std::string error = DecodeGifFrames(data, size, take, frame.width, frame.height, info);
    if (!error.empty()) return error;
    if (!captured) return "GIF has no frame " + std::to_string(wanted);
    out = std::move(frame);
    return std::string();
}

} // namespace captions::image
