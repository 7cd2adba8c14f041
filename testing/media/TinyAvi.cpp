#include "testing/media/TinyAvi.h"

#include <cstdio>
#include <vector>

namespace testing_media {

namespace {

class Writer
{
public:
    void U32(DWORD v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<BYTE>(v >> (8 * i)));
    }
    void U16(WORD v)
    {
        bytes.push_back(static_cast<BYTE>(v));
        bytes.push_back(static_cast<BYTE>(v >> 8));
    }
    void Fourcc(const char* f) { bytes.insert(bytes.end(), f, f + 4); }
    size_t Begin(const char* fourcc)
    {
        Fourcc(fourcc);
        const size_t at = bytes.size();
        U32(0);
        return at;
    }
    void End(size_t sizeAt)
    {
        const DWORD size = static_cast<DWORD>(bytes.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i)
            bytes[sizeAt + i] = static_cast<BYTE>(size >> (8 * i));
        if (bytes.size() & 1)
            bytes.push_back(0);
    }
    std::vector<BYTE> bytes;
};

} // namespace

bool WriteTinyAvi(const std::wstring& path, int width, int height, int frames, int framesPerSecond,
                  const std::function<DWORD(int, int, int)>& pixel)
{
    const DWORD frameBytes = static_cast<DWORD>(width * height * 4);
    Writer w;
    const size_t riff = w.Begin("RIFF");
    w.Fourcc("AVI ");

    const size_t hdrl = w.Begin("LIST");
    w.Fourcc("hdrl");
    const size_t avih = w.Begin("avih");
    w.U32(1000000 / framesPerSecond);
    w.U32(frameBytes * framesPerSecond);
    w.U32(0);
    w.U32(0x10); // AVIF_HASINDEX
    w.U32(frames);
    w.U32(0);
    w.U32(1);
    w.U32(frameBytes);
    w.U32(width);
    w.U32(height);
    for (int i = 0; i < 4; ++i)
        w.U32(0);
    w.End(avih);

    const size_t strl = w.Begin("LIST");
    w.Fourcc("strl");
    const size_t strh = w.Begin("strh");
    w.Fourcc("vids");
    w.U32(0); // no handler: uncompressed
    w.U32(0);
    w.U16(0);
    w.U16(0);
    w.U32(0);
    w.U32(1);
    w.U32(framesPerSecond);
    w.U32(0);
    w.U32(frames);
    w.U32(frameBytes);
    w.U32(0xFFFFFFFF);
    w.U32(0);
    w.U16(0);
    w.U16(0);
    w.U16(static_cast<WORD>(width));
    w.U16(static_cast<WORD>(height));
    w.End(strh);
    const size_t strf = w.Begin("strf");
    w.U32(40);
    w.U32(width);
    w.U32(height);
    w.U16(1);
    w.U16(32);
    w.U32(0); // BI_RGB
    w.U32(frameBytes);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.End(strf);
    w.End(strl);
    w.End(hdrl);

    const size_t movi = w.Begin("LIST");
    const size_t moviData = w.bytes.size();
    w.Fourcc("movi");
    std::vector<DWORD> offsets;
    for (int f = 0; f < frames; ++f) {
        offsets.push_back(static_cast<DWORD>(w.bytes.size() - moviData));
        const size_t chunk = w.Begin("00db");
        for (int y = height - 1; y >= 0; --y)
            for (int x = 0; x < width; ++x)
                w.U32(pixel(f, x, y) & 0x00FFFFFF);
        w.End(chunk);
    }
    w.End(movi);

    const size_t idx1 = w.Begin("idx1");
    for (DWORD offset : offsets) {
        w.Fourcc("00db");
        w.U32(0x10); // AVIIF_KEYFRAME
        w.U32(offset);
        w.U32(frameBytes);
    }
    w.End(idx1);
    w.End(riff);

    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    const bool ok = fwrite(w.bytes.data(), 1, w.bytes.size(), file) == w.bytes.size();
    return fclose(file) == 0 && ok;
}

} // namespace testing_media
