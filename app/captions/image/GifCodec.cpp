// GIF pictures and animations through giflib, read record by record so that every image
// descriptor is checked before its raster is allocated. Frames are composed onto the logical
// screen as a browser shows them: a frame covers only its own rectangle, transparent indices
// keep what lies below, and the previous frame's disposal (leave, clear to transparent,
// restore) is applied first.
#include "app/captions/image/ImageCodecs.h"

#include <gif_lib.h>

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

} // namespace

std::string DecodeGif(const uint8_t* data, size_t size, long wanted, Bitmap32& out, AnimationInfo& info)
{
    MemoryReader reader{data, size, 0};
    int err = 0;
    GifCloser closer;
    closer.gif = DGifOpen(&reader, Read, &err);
    GifFileType* gif = closer.gif;
    if (!gif) return GifError("not a GIF file", err);
    const uint32_t sw = uint32_t(gif->SWidth), sh = uint32_t(gif->SHeight);
    if (!SizeAllowed(sw, sh)) return "GIF screen has no pixels or is too large";

    std::vector<uint32_t> canvas(size_t(sw) * sh, 0);
    std::vector<uint32_t> saved;
    std::vector<GifByteType> raster;
    FrameControl next, previous;
    int prevLeft = 0, prevTop = 0, prevWidth = 0, prevHeight = 0;
    long frames = 0;
    bool captured = false;

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

        if (captured) { // frames after the wanted one are only counted
            int codeSize = 0;
            GifByteType* block = nullptr;
            if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return GifError("truncated frame", gif->Error);
            while (block)
                if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return GifError("truncated frame", gif->Error);
            continue;
        }

        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map) return "GIF frame without a colour table";
        if (desc.Width <= 0 || desc.Height <= 0 || !SizeAllowed(uint32_t(desc.Width), uint32_t(desc.Height)))
            return "GIF frame has no pixels or is too large";
        const int fw = desc.Width, fh = desc.Height;
        raster.assign(size_t(fw) * fh, 0);
        if (desc.Interlace) {
            static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < fh; y += step[pass])
                    if (DGifGetLine(gif, &raster[size_t(y) * fw], fw) == GIF_ERROR) return GifError("truncated frame", gif->Error);
        } else {
            for (int y = 0; y < fh; ++y)
                if (DGifGetLine(gif, &raster[size_t(y) * fw], fw) == GIF_ERROR) return GifError("truncated frame", gif->Error);
        }

        // The previous frame's disposal happens before this frame is drawn.
        if (frames > 1) {
            if (previous.disposal == DISPOSE_BACKGROUND) {
                for (int y = prevTop; y < prevTop + prevHeight; ++y)
                    for (int x = prevLeft; x < prevLeft + prevWidth; ++x)
                        if (x >= 0 && y >= 0 && uint32_t(x) < sw && uint32_t(y) < sh) canvas[size_t(y) * sw + x] = 0;
            } else if (previous.disposal == DISPOSE_PREVIOUS && !saved.empty()) {
                canvas = saved;
            }
        }
        if (control.disposal == DISPOSE_PREVIOUS) saved = canvas;

        for (int y = 0; y < fh; ++y) {
            const int cy = desc.Top + y;
            if (cy < 0 || uint32_t(cy) >= sh) continue;
            for (int x = 0; x < fw; ++x) {
                const int cx = desc.Left + x;
                if (cx < 0 || uint32_t(cx) >= sw) continue;
                const int index = raster[size_t(y) * fw + x];
                if (index == control.transparent || index >= map->ColorCount) continue;
                const GifColorType& c = map->Colors[index];
                canvas[size_t(cy) * sw + cx] = 0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
            }
        }
        previous = control;
        prevLeft = desc.Left; prevTop = desc.Top; prevWidth = fw; prevHeight = fh;

        if (frames - 1 == wanted) {
            out.width = sw;
            out.height = sh;
            out.pixels = canvas;
            info.delay = control.delay;
            captured = true;
        }
    }
    if (frames == 0) return "GIF has no frames";
    if (!captured) return "GIF has no frame " + std::to_string(wanted);
    info.frameCount = frames;
    return std::string();
}

} // namespace captions::image
