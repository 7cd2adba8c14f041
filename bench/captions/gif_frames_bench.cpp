// Prints what decoding every frame of an animation costs: one decode that composes all frames
// (what a picture layer does) against decoding each frame on its own, which composes all the
// frames before it again. Floor: the one-decode time per frame stays flat as the frame count
// doubles; the frame-by-frame time per frame doubles with it.
#include "app/captions/image/ximage.h"
#include "tests/app/captions/PictureFixtures.h"

#include <windows.h>

#include <cstdio>

namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) { return double(b.QuadPart - a.QuadPart) / double(f.QuadPart); }

} // namespace

int main()
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::printf("frames  all at once (us/frame)  one by one (us/frame)\n");
    for (int frames : {250, 500, 1000, 2000}) {
        // Every frame is a 64 x 64 screen to compose; 2000 of them are the decoding cap.
        const fixtures::Bytes gif = fixtures::TinyGif(64, 64, frames);
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        CxImage all;
        all.SetRetreiveAllFrames(true);
        const bool ok = all.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF) && all.GetNumFrames() == frames;
        QueryPerformanceCounter(&b);
        const double once = Seconds(a, b, freq);
        QueryPerformanceCounter(&a);
        for (long i = 0; i < frames; ++i) {
            CxImage one;
            one.SetFrame(i);
            one.Decode(gif.data(), DWORD(gif.size()), CXIMAGE_FORMAT_GIF);
        }
        QueryPerformanceCounter(&b);
        const double each = Seconds(a, b, freq);
        std::printf("%6d  %22.1f  %21.1f%s\n", frames, once * 1e6 / frames, each * 1e6 / frames, ok ? "" : "  (decode failed)");
    }
    return 0;
}
