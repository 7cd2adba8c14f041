#include "TestAvi.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace graphstest {

namespace {

class Writer
{
public:
    void U32(DWORD v) { Bytes(&v, 4); }
    void U16(WORD v) { Bytes(&v, 2); }
    void FourCC(const char* c) { Bytes(c, 4); }
    void Bytes(const void* p, size_t n)
    {
        const BYTE* b = static_cast<const BYTE*>(p);
        data.insert(data.end(), b, b + n);
    }
    // Starts a chunk (or a list: its type follows) and returns where its size goes.
    size_t Open(const char* id)
    {
        FourCC(id);
        const size_t at = data.size();
        U32(0);
        return at;
    }
    void Close(size_t at)
    {
        const DWORD size = DWORD(data.size() - at - 4);
        std::memcpy(&data[at], &size, 4);
        if (data.size() & 1)
            data.push_back(0);
    }
    std::vector<BYTE> data;
};

struct IndexEntry
{
    char id[4];
    DWORD flags, offset, size;
};

} // namespace

BOOL WriteTestAvi(const std::wstring& path, const TestAviSpec& layout)
{
    const DWORD frameBytes = DWORD(layout.width * layout.height * 4);
    const DWORD audioBytes = layout.sampleRate * 4 / 25; // one frame period of stereo 16-bit
    Writer w;
    const size_t riff = w.Open("RIFF");
    w.FourCC("AVI ");
    const size_t hdrl = w.Open("LIST");
    w.FourCC("hdrl");
    const size_t avih = w.Open("avih");
    w.U32(40000);                                  // microseconds per frame
    w.U32((frameBytes + audioBytes) * 25);         // max bytes per second
    w.U32(0);                                      // padding granularity
    w.U32(0x10);                                   // has an index
    w.U32(DWORD(layout.frames));                     // total frames
    w.U32(0);                                      // initial frames
    w.U32(2);                                      // streams
    w.U32(frameBytes);                             // suggested buffer size
    w.U32(DWORD(layout.width));
    w.U32(DWORD(layout.height));
    for (int i = 0; i < 4; ++i)
        w.U32(0);
    w.Close(avih);

    const size_t vstrl = w.Open("LIST");
    w.FourCC("strl");
    const size_t vstrh = w.Open("strh");
    w.FourCC("vids");
    w.U32(0); // handler
    w.U32(0); // flags
    w.U16(0); // priority
    w.U16(0); // language
    w.U32(0); // initial frames
    w.U32(1); // scale
    w.U32(25); // rate
    w.U32(0);  // start
    w.U32(DWORD(layout.frames));
    w.U32(frameBytes);
    w.U32(0xFFFFFFFF); // quality
    w.U32(0);          // sample size
    w.U16(0);
    w.U16(0);
    w.U16(WORD(layout.width));
    w.U16(WORD(layout.height));
    w.Close(vstrh);
    const size_t vstrf = w.Open("strf");
    w.U32(40);
    w.U32(DWORD(layout.width));
    w.U32(DWORD(layout.height)); // bottom-up
    w.U16(1);
    w.U16(32);
    w.U32(0); // BI_RGB
    w.U32(frameBytes);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.Close(vstrf);
    w.Close(vstrl);

    const size_t astrl = w.Open("LIST");
    w.FourCC("strl");
    const size_t astrh = w.Open("strh");
    w.FourCC("auds");
    w.U32(0);
    w.U32(0);
    w.U16(0);
    w.U16(0);
    w.U32(0);
    w.U32(4);                    // scale: block align
    w.U32(layout.sampleRate * 4);  // rate: bytes per second
    w.U32(0);
    w.U32(audioBytes * DWORD(layout.frames) / 4);
    w.U32(audioBytes);
    w.U32(0xFFFFFFFF);
    w.U32(4); // sample size
    w.U16(0);
    w.U16(0);
    w.U16(0);
    w.U16(0);
    w.Close(astrh);
    const size_t astrf = w.Open("strf");
    w.U16(1); // PCM
    w.U16(2);
    w.U32(layout.sampleRate);
    w.U32(layout.sampleRate * 4);
    w.U16(4);
    w.U16(16);
    w.U16(0); // no extra bytes
    w.Close(astrf);
    w.Close(astrl);
    w.Close(hdrl);

    std::vector<IndexEntry> index;
    const size_t movi = w.Open("LIST");
    const size_t moviType = w.data.size();
    w.FourCC("movi");
    std::vector<DWORD> pixels(size_t(layout.width * layout.height), layout.colour);
    std::vector<short> pcm(audioBytes / 2);
    for (int f = 0; f < layout.frames; ++f) {
        IndexEntry v = {{'0', '0', 'd', 'b'}, 0x10, DWORD(w.data.size() - moviType), frameBytes};
        const size_t vc = w.Open("00db");
        w.Bytes(pixels.data(), frameBytes);
        w.Close(vc);
        index.push_back(v);
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = short((f * 100 + int(i)) % 2000 - 1000);
        IndexEntry a = {{'0', '1', 'w', 'b'}, 0x10, DWORD(w.data.size() - moviType), audioBytes};
        const size_t ac = w.Open("01wb");
        w.Bytes(pcm.data(), audioBytes);
        w.Close(ac);
        index.push_back(a);
    }
    w.Close(movi);
    const size_t idx1 = w.Open("idx1");
    for (const IndexEntry& e : index) {
        w.Bytes(e.id, 4);
        w.U32(e.flags);
        w.U32(e.offset);
        w.U32(e.size);
    }
    w.Close(idx1);
    w.Close(riff);

    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return FALSE;
    const bool ok = fwrite(w.data.data(), 1, w.data.size(), f) == w.data.size();
    return fclose(f) == 0 && ok;
}

} // namespace graphstest
