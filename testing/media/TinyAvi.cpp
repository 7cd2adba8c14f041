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

namespace {

void WriteAudioStreamList(Writer& w, DWORD sampleRate, DWORD audioBytes, int frames)
{
    const size_t strl = w.Begin("LIST");
    w.Fourcc("strl");
    const size_t strh = w.Begin("strh");
    w.Fourcc("auds");
    w.U32(0);
    w.U32(0);
    w.U16(0);
    w.U16(0);
    w.U32(0);
    w.U32(4);              // scale: the block
    w.U32(sampleRate * 4); // rate: bytes per second
    w.U32(0);
    w.U32(audioBytes * static_cast<DWORD>(frames) / 4);
    w.U32(audioBytes);
    w.U32(0xFFFFFFFF);
    w.U32(4); // sample size
    for (int i = 0; i < 4; ++i)
        w.U16(0);
    w.End(strh);
    const size_t strf = w.Begin("strf");
    w.U16(1); // PCM
    w.U16(2);
    w.U32(sampleRate);
    w.U32(sampleRate * 4);
    w.U16(4);
    w.U16(16);
    w.U16(0); // no extra bytes
    w.End(strf);
    w.End(strl);
}

struct IndexEntry
{
    const char* id;
    DWORD offset;
    DWORD size;
};

} // namespace

bool WriteTinyAvi(const std::wstring& path, int width, int height, int frames, int framesPerSecond,
                  const std::function<DWORD(int, int, int)>& pixel, DWORD audioSampleRate)
{
    const DWORD frameBytes = static_cast<DWORD>(width * height * 4);
    // One frame period of 16-bit stereo.
    const DWORD audioBytes = audioSampleRate * 4 / static_cast<DWORD>(framesPerSecond);
    Writer w;
    const size_t riff = w.Begin("RIFF");
    w.Fourcc("AVI ");

    const size_t hdrl = w.Begin("LIST");
    w.Fourcc("hdrl");
    const size_t avih = w.Begin("avih");
    w.U32(1000000 / framesPerSecond);
    w.U32((frameBytes + audioBytes) * framesPerSecond);
    w.U32(0);
    w.U32(0x10); // AVIF_HASINDEX
    w.U32(frames);
    w.U32(0);
    w.U32(audioBytes ? 2 : 1);
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
    if (audioBytes)
        WriteAudioStreamList(w, audioSampleRate, audioBytes, frames);
    w.End(hdrl);

    const size_t movi = w.Begin("LIST");
    const size_t moviData = w.bytes.size();
    w.Fourcc("movi");
    std::vector<IndexEntry> index;
    for (int f = 0; f < frames; ++f) {
        index.push_back({"00db", static_cast<DWORD>(w.bytes.size() - moviData), frameBytes});
        const size_t chunk = w.Begin("00db");
        for (int y = height - 1; y >= 0; --y)
            for (int x = 0; x < width; ++x)
                w.U32(pixel(f, x, y) & 0x00FFFFFF);
        w.End(chunk);
        if (!audioBytes)
            continue;
        index.push_back({"01wb", static_cast<DWORD>(w.bytes.size() - moviData), audioBytes});
        const size_t audio = w.Begin("01wb");
        for (DWORD i = 0; i < audioBytes / 2; ++i)
            w.U16(static_cast<WORD>(static_cast<short>((f * 100 + static_cast<int>(i)) % 2000 - 1000)));
        w.End(audio);
    }
    w.End(movi);

    const size_t idx1 = w.Begin("idx1");
    for (const IndexEntry& entry : index) {
        w.Fourcc(entry.id);
        w.U32(0x10); // AVIIF_KEYFRAME
        w.U32(entry.offset);
        w.U32(entry.size);
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
