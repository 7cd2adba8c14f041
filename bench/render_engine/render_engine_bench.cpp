// Cost of the engine's per-frame work at 720 x 576: pre-processing a decoded channel frame,
// composing five channels through the mix transition with readback, and the frame rate
// that sustains. Channels are fed through Wine's VMR-9 as in the tests.
//
// Run from build/win64/bench under Wine with the program folder at ../out.
#include "app/engine/DXRenderEngine.h"
#include "app/core/EngineClock.h"
#include "app/engine/VideoChannel.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"

#include <dshow.h>
#include <vmr9.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct NullListener : IVideoMixerListener
{
    void OnFrameReady(LONGLONG, LONGLONG) override {}
};

double Seconds()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(f.QuadPart);
}

bool AttachVmr(CVideoMixer* mixer, int input, HWND window, std::vector<IUnknown*>& keep)
{
    IGraphBuilder* graph = nullptr;
    IBaseFilter* vmr = nullptr;
    IVMRFilterConfig9* config = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph))) ||
        FAILED(CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&vmr))))
        return false;
    keep.push_back(vmr);
    keep.push_back(graph);
    graph->AddFilter(vmr, L"VMR9");
    vmr->QueryInterface(IID_IVMRFilterConfig9, reinterpret_cast<void**>(&config));
    config->SetRenderingMode(VMR9Mode_Renderless);
    config->Release();
    if (FAILED(mixer->AttachChannel(vmr, &input, window)))
        return false;
    VMR9AllocationInfo info = {};
    info.dwFlags = VMR9AllocFlag_OffscreenSurface;
    info.dwWidth = 720;
    info.dwHeight = 576;
    info.Format = D3DFMT_X8R8G8B8;
    info.Pool = D3DPOOL_DEFAULT;
    info.MinBuffers = 1;
    DWORD count = 1;
    return SUCCEEDED(mixer->InitializeDevice(input, &info, &count));
}

HRESULT Present(CVideoMixer* mixer, int input, D3DCOLOR colour)
{
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = mixer->GetSurface(input, 0, 0, &surface);
    if (FAILED(hr))
        return hr;
    mixer->GetDXRenderEngine()->GetDevice()->ColorFill(surface, nullptr, colour);
    VMR9PresentationInfo info = {};
    info.lpSurf = surface;
    info.szAspectRatio = {4, 3};
    hr = mixer->PresentImage(input, &info);
    surface->Release();
    return hr;
}

} // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.find_last_of(L'\\'));
    SetExeDirectoryOverride((folder + L"\\..\\out").c_str());
    EngineClock::SetManualTimers(true);

    HWND window = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP, 0, 0, 720, 576, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    VideoMixerParams p;
    p.renderWindow = window;
    p.width = 720;
    p.height = 576;
    p.fieldType = 2;
    CVideoMixer* mixer = new CVideoMixer(p);
    if (FAILED(mixer->Start())) {
        std::printf("render engine: no device\n");
        return 1;
    }
    std::vector<IUnknown*> keep;
    for (int i = 0; i < 5; ++i)
        if (!AttachVmr(mixer, i, window, keep)) {
            std::printf("render engine: channel %d could not be attached\n", i);
            return 1;
        }

    const int presents = 200;
    double t0 = Seconds();
    for (int n = 0; n < presents; ++n)
        Present(mixer, n % 5, D3DCOLOR_XRGB(n & 0xFF, 80, 160));
    const double presentMs = (Seconds() - t0) * 1000.0 / presents;

    NullListener listener;
    mixer->SetListener(&listener);
    mixer->BeginTransition(1, {0, 1}, 0, 0);
    mixer->SetTransitionPosition(50);
    std::vector<BYTE> buffer(720 * 576 * 4);
    const int frames = 200;
    t0 = Seconds();
    for (int n = 0; n < frames; ++n) {
        mixer->OnClockTick();
        OutputFrame frame;
        while (mixer->GetDXRenderEngine()->PopFrame(frame)) {
            long count = long(buffer.size());
            mixer->GetDXRenderEngine()->ReadBackFrame(frame.surface, buffer.data(), &count);
            mixer->GetDXRenderEngine()->ReturnSurface(frame.surface);
        }
    }
    const double frameMs = (Seconds() - t0) * 1000.0 / frames;
    std::printf("render engine 720x576: channel frame pre-processing %.2f ms\n", presentMs);
    std::printf("render engine 720x576: composed frame (5 channels, mix, readback) %.2f ms, %.1f frames/s\n",
                frameMs, 1000.0 / frameMs);

    mixer->SetListener(nullptr);
    for (int i = 0; i < 5; ++i)
        mixer->DetachChannel(i);
    for (IUnknown* u : keep)
        u->Release();
    mixer->Stop();
    mixer->Release();
    DestroyWindow(window);
    CoUninitialize();
    return 0;
}
