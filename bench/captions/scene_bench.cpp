// Prints the time the overlay scene takes per output frame on a 720 x 576 device, for a few
// counts of visible layers (each 200 x 50, the size of a caption line).
#include "app/captions/LISScene.h"
#include "tests/app/captions/D3DTarget.h"
#include "tests/app/captions/GdiCanvas.h"
#include "bench/BenchReport.h"

#include <cstdio>
#include <string>
#include <vector>

int main()
{
    fixtures::D3DTarget target(720, 576);
    if (!target.device) {
        std::printf("no Direct3D 9 device\n");
        return 1;
    }
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    for (int layers : {1, 4, 16}) {
        CLISScene scene;
        scene.SetTarget(target.device, 720, 576, nullptr);
        fixtures::GdiCanvas dc(200, 50, 0x336699);
        for (int i = 0; i < layers; ++i) {
            CLISLayer* layer = new CLISLayer(&scene, 0, 0, float(i % 4) / 4, float(i / 4) / 4, 0, 0, 200, 50, 100, 80,
                                             0, 0, 1);
            layer->CopyFromDC(dc.dc);
            scene.AddLayer(layer);
        }
        const int frames = 300;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int f = 0; f < frames; ++f) {
            target.device->BeginScene();
            scene.Render(target.device, 0);
            target.device->EndScene();
        }
        target.device->Present(nullptr, nullptr, nullptr, nullptr);
        QueryPerformanceCounter(&end);
        const double ms = double(end.QuadPart - start.QuadPart) * 1000.0 / double(freq.QuadPart) / frames;
        std::printf("%2d layers: %.3f ms per frame\n", layers, ms);
        bench::Figure(("caption scene of " + std::to_string(layers) + " layers, per frame").c_str(), ms, "ms");
    }
    return 0;
}
