// Cost of the engine's per-frame work at 720 x 576, each beside the least the same device
// needs for the same data movement, timed on the same device in the same run:
//   - a channel frame: the renderer writes a decoded frame into the channel's surface and
//     presents it (pre-processing into the channel picture); floor: one texture upload and
//     one full-screen draw sampling it;
//   - a composed frame: a new frame on each of five channels, the mix of two of them, and
//     the read-back of the program frame; floor: five texture uploads, one full-screen draw
//     sampling two textures, one read-back;
//   - the composition and read-back alone (no new channel frames); floor: the draw and the
//     read-back.
// Channels are fed through Wine's VMR-9 as in the tests. Run by tools/bench.sh.
#include "app/engine/DXRenderEngine.h"
#include "app/core/EngineClock.h"
#include "app/engine/VideoChannel.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "bench/BenchReport.h"

#include <dshow.h>
#include <vmr9.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const UINT kWidth = 720, kHeight = 576;
const int kChannels = 5;

struct NullListener : IVideoMixerListener
{
    void OnFrameReady(LONGLONG, LONGLONG) override {}
};

template <class T> void SafeRelease(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
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
    info.dwWidth = kWidth;
    info.dwHeight = kHeight;
    info.Format = D3DFMT_X8R8G8B8;
    info.Pool = D3DPOOL_DEFAULT;
    info.MinBuffers = 1;
    DWORD count = 1;
    return SUCCEEDED(mixer->InitializeDevice(input, &info, &count));
}

// Writes a decoded frame into a surface the way a renderer does: locked, row by row.
HRESULT WriteFrame(IDirect3DSurface9* surface, const std::vector<BYTE>& frame, DWORD flags)
{
    D3DLOCKED_RECT lr = {};
    HRESULT hr = surface->LockRect(&lr, nullptr, flags);
    if (FAILED(hr))
        return hr;
    const UINT row = kWidth * 4;
    for (UINT y = 0; y < kHeight; ++y)
        std::memcpy(static_cast<BYTE*>(lr.pBits) + size_t(y) * lr.Pitch, frame.data() + size_t(y) * row, row);
    return surface->UnlockRect();
}

// What the channel's renderer does with a decoded frame.
HRESULT PresentFrame(CVideoMixer* mixer, int input, const std::vector<BYTE>& frame)
{
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = mixer->GetSurface(input, 0, 0, &surface);
    if (FAILED(hr))
        return hr;
    hr = WriteFrame(surface, frame, 0);
    VMR9PresentationInfo info = {};
    info.lpSurf = surface;
    info.szAspectRatio = {4, 3};
    if (SUCCEEDED(hr))
        hr = mixer->PresentImage(input, &info);
    surface->Release();
    return hr;
}

struct ScreenVertex
{
    float x, y, z, rhw;
    float u, v;
};

// The least the device needs: the cheapest way this device offers to get a frame into a
// texture, a draw of a pre-transformed quad with fixed-function texture stages, and a
// read-back through a system-memory surface.
class DeviceFloor
{
public:
    explicit DeviceFloor(IDirect3DDevice9* device) : m_device(device) {}
    ~DeviceFloor()
    {
        for (auto& t : m_dynamic)
            SafeRelease(t);
        for (auto& t : m_system)
            SafeRelease(t);
        for (auto& t : m_default)
            SafeRelease(t);
        for (auto& t : m_targets)
            SafeRelease(t);
        for (auto& p : m_plain)
            SafeRelease(p);
        SafeRelease(m_target);
        SafeRelease(m_staging);
    }

    HRESULT Create()
    {
        HRESULT hr = S_OK;
        for (int i = 0; i < kChannels && SUCCEEDED(hr); ++i) {
            hr = m_device->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                         &m_dynamic[i], nullptr);
            if (SUCCEEDED(hr))
                hr = m_device->CreateTexture(kWidth, kHeight, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &m_system[i],
                                             nullptr);
            if (SUCCEEDED(hr))
                hr = m_device->CreateTexture(kWidth, kHeight, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &m_default[i],
                                             nullptr);
            if (SUCCEEDED(hr))
                hr = m_device->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                                           &m_plain[i], nullptr);
            if (SUCCEEDED(hr))
                hr = m_device->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                             D3DPOOL_DEFAULT, &m_targets[i], nullptr);
        }
        if (SUCCEEDED(hr))
            hr = m_device->CreateRenderTarget(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                              &m_target, nullptr);
        if (SUCCEEDED(hr))
            hr = m_device->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &m_staging,
                                                       nullptr);
        return hr;
    }

    // Times each way of uploading and keeps the cheapest for the floors.
    void PickUpload(const std::vector<BYTE>& frame, int rounds)
    {
        static const char* const kWays[] = {"dynamic texture", "system texture + update",
                                            "offscreen surface + StretchRect"};
        double best = 0;
        for (int way = 0; way < 3; ++way) {
            m_way = way;
            Upload(0, frame); // first use
            const double t0 = bench::NowMs();
            for (int n = 0; n < rounds; ++n)
                Upload(n % kChannels, frame);
            Finish();
            const double ms = (bench::NowMs() - t0) / rounds;
            std::printf("floor: upload by %s %.3f ms\n", kWays[way], ms);
            if (way == 0 || ms < best) {
                best = ms;
                m_best = way;
            }
        }
        m_way = m_best;
    }

    HRESULT Upload(int i, const std::vector<BYTE>& frame)
    {
        if (m_way == 2) {
            HRESULT hr = WriteFrame(m_plain[i], frame, 0);
            IDirect3DSurface9* to = nullptr;
            if (SUCCEEDED(hr))
                hr = m_targets[i]->GetSurfaceLevel(0, &to);
            if (SUCCEEDED(hr)) {
                hr = m_device->StretchRect(m_plain[i], nullptr, to, nullptr, D3DTEXF_NONE);
                to->Release();
            }
            return hr;
        }
        IDirect3DTexture9* texture = m_way == 0 ? m_dynamic[i] : m_system[i];
        D3DLOCKED_RECT lr = {};
        HRESULT hr = texture->LockRect(0, &lr, nullptr, m_way == 0 ? D3DLOCK_DISCARD : 0);
        if (FAILED(hr))
            return hr;
        const UINT row = kWidth * 4;
        for (UINT y = 0; y < kHeight; ++y)
            std::memcpy(static_cast<BYTE*>(lr.pBits) + size_t(y) * lr.Pitch, frame.data() + size_t(y) * row, row);
        hr = texture->UnlockRect(0);
        if (SUCCEEDED(hr) && m_way == 1)
            hr = m_device->UpdateTexture(m_system[i], m_default[i]);
        return hr;
    }

    IDirect3DTexture9* Texture(int i) const
    {
        return m_way == 0 ? m_dynamic[i] : (m_way == 1 ? m_default[i] : m_targets[i]);
    }

    // One full-screen draw into the target sampling one or two textures.
    HRESULT Draw(int first, int textures)
    {
        IDirect3DSurface9* previous = nullptr;
        m_device->GetRenderTarget(0, &previous);
        m_device->SetRenderTarget(0, m_target);
        m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        m_device->SetVertexShader(nullptr);
        m_device->SetPixelShader(nullptr);
        m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
        m_device->SetTexture(0, Texture(first));
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        if (textures == 2) {
            m_device->SetTexture(1, Texture((first + 1) % kChannels));
            m_device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
            m_device->SetRenderState(D3DRS_TEXTUREFACTOR, D3DCOLOR_ARGB(0x80, 0, 0, 0));
            m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_BLENDFACTORALPHA);
            m_device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            m_device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        } else {
            m_device->SetTexture(1, nullptr);
            m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        }
        HRESULT hr = m_device->BeginScene();
        if (SUCCEEDED(hr)) {
            hr = m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_quad, sizeof(ScreenVertex));
            m_device->EndScene();
        }
        // The engine's states back as it set them.
        m_device->SetTexture(0, nullptr);
        m_device->SetTexture(1, nullptr);
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        m_device->SetRenderTarget(0, previous);
        if (previous)
            previous->Release();
        return hr;
    }

    HRESULT ReadBack(std::vector<BYTE>& out)
    {
        HRESULT hr = m_device->GetRenderTargetData(m_target, m_staging);
        if (FAILED(hr))
            return hr;
        D3DLOCKED_RECT lr = {};
        hr = m_staging->LockRect(&lr, nullptr, D3DLOCK_READONLY);
        if (FAILED(hr))
            return hr;
        const UINT row = kWidth * 4;
        for (UINT y = 0; y < kHeight; ++y)
            std::memcpy(out.data() + size_t(y) * row, static_cast<const BYTE*>(lr.pBits) + size_t(y) * lr.Pitch, row);
        return m_staging->UnlockRect();
    }

    // Waits until the device has done everything asked of it.
    void Finish()
    {
        IDirect3DQuery9* query = nullptr;
        if (FAILED(m_device->CreateQuery(D3DQUERYTYPE_EVENT, &query)))
            return;
        query->Issue(D3DISSUE_END);
        while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) {
        }
        query->Release();
    }

    // What single device operations cost here, each timed over a run that ends when the
    // device has done it: where an engine's time can go.
    void Breakdown(const std::vector<BYTE>& frame, HWND smallWindow, int rounds)
    {
        IDirect3DSurface9* plain = nullptr;
        IDirect3DTexture9* rt[2] = {};
        IDirect3DVertexBuffer9* vb = nullptr;
        m_device->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &plain, nullptr);
        for (auto& t : rt)
            m_device->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t,
                                    nullptr);
        m_device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, D3DFVF_XYZRHW | D3DFVF_TEX1,
                                     D3DPOOL_MANAGED, &vb, nullptr);
        IDirect3DSurface9 *rt0 = nullptr, *rt1 = nullptr, *back = nullptr;
        rt[0]->GetSurfaceLevel(0, &rt0);
        rt[1]->GetSurfaceLevel(0, &rt1);
        m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
        const RECT letterbox = {0, 18, LONG(kWidth), LONG(kHeight) - 18};
        IDirect3DSwapChain9* chain = nullptr;
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = 180;
        pp.BackBufferHeight = 144;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = smallWindow;
        pp.Windowed = TRUE;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        m_device->CreateAdditionalSwapChain(&pp, &chain);
        std::vector<BYTE> out(frame.size());

        struct Op {
            const char* name;
            std::function<void()> run;
        } ops[] = {
            {"lock and write a 720x576 offscreen surface", [&] { WriteFrame(plain, frame, 0); }},
            {"StretchRect offscreen surface to texture", [&] { m_device->StretchRect(plain, nullptr, rt0, nullptr, D3DTEXF_NONE); }},
            {"StretchRect texture to texture, letterboxed", [&] { m_device->StretchRect(rt0, nullptr, rt1, &letterbox, D3DTEXF_NONE); }},
            {"StretchRect texture to texture, whole", [&] { m_device->StretchRect(rt0, nullptr, rt1, nullptr, D3DTEXF_NONE); }},
            {"ColorFill 720x576", [&] { m_device->ColorFill(rt1, nullptr, 0); }},
            {"Clear 720x576", [&] {
                 m_device->SetRenderTarget(0, rt1);
                 m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
                 m_device->SetRenderTarget(0, back);
             }},
            {"draw sampling one texture", [&] { Draw(0, 1); }},
            {"draw sampling two textures", [&] { Draw(0, 2); }},
            {"draw from a vertex buffer, then lock it", [&] {
                 IDirect3DSurface9* previous = nullptr;
                 m_device->GetRenderTarget(0, &previous);
                 m_device->SetRenderTarget(0, m_target);
                 m_device->SetTexture(0, Texture(0));
                 m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
                 m_device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
                 if (SUCCEEDED(m_device->BeginScene())) {
                     m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
                     m_device->EndScene();
                 }
                 void* data = nullptr;
                 if (SUCCEEDED(vb->Lock(0, 0, &data, 0))) {
                     std::memcpy(data, m_quad, sizeof(m_quad));
                     vb->Unlock();
                 }
                 m_device->SetStreamSource(0, nullptr, 0, 0);
                 m_device->SetTexture(0, nullptr);
                 m_device->SetRenderTarget(0, previous);
                 if (previous)
                     previous->Release();
             }},
            {"Present to a 180x144 window", [&] { m_device->Present(nullptr, nullptr, smallWindow, nullptr); }},
            {"Present to the 720x576 window", [&] { m_device->Present(nullptr, nullptr, nullptr, nullptr); }},
            {"Present a 180x144 swap chain of its own", [&] { chain->Present(nullptr, nullptr, nullptr, nullptr, 0); }},
            {"Present to 180x144 then to 720x576", [&] {
                 m_device->Present(nullptr, nullptr, smallWindow, nullptr);
                 m_device->Present(nullptr, nullptr, nullptr, nullptr);
             }},
            {"GetRenderTargetData 720x576", [&] { m_device->GetRenderTargetData(m_target, m_staging); }},
            {"read-back (GetRenderTargetData, lock, copy)", [&] { ReadBack(out); }},
        };
        for (const Op& op : ops) {
            op.run();
            Finish();
            const double t0 = bench::NowMs();
            for (int n = 0; n < rounds; ++n)
                op.run();
            Finish();
            std::printf("device: %-45s %7.3f ms\n", op.name, (bench::NowMs() - t0) / rounds);
        }
        chain->Release();
        back->Release();
        rt0->Release();
        rt1->Release();
        vb->Release();
        for (auto& t : rt)
            t->Release();
        plain->Release();
    }

private:
    IDirect3DDevice9* m_device;
    int m_way = 0;
    int m_best = 0;
    IDirect3DTexture9* m_dynamic[kChannels] = {};
    IDirect3DTexture9* m_system[kChannels] = {};
    IDirect3DTexture9* m_default[kChannels] = {};
    IDirect3DSurface9* m_plain[kChannels] = {};
    IDirect3DTexture9* m_targets[kChannels] = {};
    IDirect3DSurface9* m_target = nullptr;
    IDirect3DSurface9* m_staging = nullptr;
    // A pre-transformed quad covering the 720 x 576 target, with Direct3D 9's half-pixel offset.
    const ScreenVertex m_quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0},
                                    {kWidth - 0.5f, -0.5f, 0, 1, 1, 0},
                                    {-0.5f, kHeight - 0.5f, 0, 1, 0, 1},
                                    {kWidth - 0.5f, kHeight - 0.5f, 0, 1, 1, 1}};
};

// The program frame the engine queued, read back as the director's frame thread does.
void ReadProgramFrames(CDXRenderEngine* engine, std::vector<BYTE>& buffer)
{
    OutputFrame frame;
    while (engine->PopFrame(frame)) {
        long count = long(buffer.size());
        engine->ReadBackFrame(frame.surface, buffer.data(), &count);
        engine->ReturnSurface(frame.surface);
    }
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

    // The program window and the channels' preview windows, shown as on the desk.
    HWND window = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND previews[kChannels] = {};
    for (int i = 0; i < kChannels; ++i)
        previews[i] = CreateWindowExW(0, L"STATIC", L"channel", WS_POPUP | WS_VISIBLE, 730 + (i % 2) * 190,
                                      (i / 2) * 150, 180, 144, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    VideoMixerParams p;
    p.renderWindow = window;
    p.width = kWidth;
    p.height = kHeight;
    p.fieldType = 2;
    CVideoMixer* mixer = new CVideoMixer(p);
    if (FAILED(mixer->Start())) {
        std::printf("render engine: no device\n");
        return 1;
    }
    std::vector<IUnknown*> keep;
    for (int i = 0; i < kChannels; ++i)
        if (!AttachVmr(mixer, i, previews[i], keep)) {
            std::printf("render engine: channel %d could not be attached\n", i);
            return 1;
        }
    CDXRenderEngine* engine = mixer->GetDXRenderEngine();
    IDirect3DDevice9* device = engine->GetDevice();

    std::vector<BYTE> frame(kWidth * kHeight * 4), readback(kWidth * kHeight * 4);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = BYTE(i * 7 + (i >> 12));

    DeviceFloor floor(device);
    if (FAILED(floor.Create())) {
        std::printf("render engine: the floor's resources could not be made\n");
        return 1;
    }
    floor.PickUpload(frame, 100);
    floor.Breakdown(frame, previews[0], 40);

    // The engine. Warm every path once first.
    for (int i = 0; i < kChannels; ++i)
        PresentFrame(mixer, i, frame);
    NullListener listener;
    mixer->SetListener(&listener);
    mixer->BeginTransition(1, {0, 1}, 0, 0);
    mixer->SetTransitionPosition(50);
    mixer->OnClockTick();
    ReadProgramFrames(engine, readback);
    floor.Finish();

    // Each figure and its floor are timed in turns, several times over, and the median of
    // each is printed: on a loaded machine a single run of either can land in a busy spell.
    // Every run ends with the device done: a read-back, or a wait for the device.
    const int rounds = 20, turns = 7;
    auto timed = [&](const std::function<void()>& round) {
        const double t0 = bench::NowMs();
        for (int n = 0; n < rounds; ++n)
            round();
        floor.Finish();
        return (bench::NowMs() - t0) / rounds;
    };
    int k = 0;
    std::vector<double> channelFloor, composedFloor, drawReadFloor, channelMs, composedMs, tickMs;
    for (int turn = 0; turn < turns; ++turn) {
        channelFloor.push_back(timed([&] {
            floor.Upload(k % kChannels, frame);
            floor.Draw(k++ % kChannels, 1);
        }));
        channelMs.push_back(timed([&] { PresentFrame(mixer, k++ % kChannels, frame); }));
        composedFloor.push_back(timed([&] {
            for (int i = 0; i < kChannels; ++i)
                floor.Upload(i, frame);
            floor.Draw(0, 2);
            floor.ReadBack(readback);
        }));
        composedMs.push_back(timed([&] {
            for (int i = 0; i < kChannels; ++i)
                PresentFrame(mixer, i, frame);
            mixer->OnClockTick();
            ReadProgramFrames(engine, readback);
        }));
        drawReadFloor.push_back(timed([&] {
            floor.Draw(0, 2);
            floor.ReadBack(readback);
        }));
        tickMs.push_back(timed([&] {
            mixer->OnClockTick();
            ReadProgramFrames(engine, readback);
        }));
    }
    auto list = [](const char* name, const std::vector<double>& v) {
        std::printf("turns: %-16s", name);
        for (double x : v)
            std::printf(" %7.2f", x);
        std::printf(" ms\n");
    };
    list("channel floor", channelFloor);
    list("channel", channelMs);
    list("composed floor", composedFloor);
    list("composed", composedMs);
    list("draw+read floor", drawReadFloor);
    list("composition", tickMs);
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };

    bench::Figure("channel frame 720x576 (upload, pre-processing)", median(channelMs), "ms", median(channelFloor));
    bench::Figure("composed frame (5 new channel frames, mix, read-back)", median(composedMs), "ms",
                  median(composedFloor));
    bench::Figure("composition and read-back alone", median(tickMs), "ms", median(drawReadFloor));
    std::printf("render engine: %.1f composed frames/s with five live channels\n", 1000.0 / median(composedMs));

    // How much of the composition is the channel previews' presentation on this display.
    std::vector<double> shown, hidden;
    for (int turn = 0; turn < 3; ++turn) {
        for (HWND w : previews)
            ShowWindow(w, SW_SHOWNOACTIVATE);
        shown.push_back(timed([&] {
            mixer->OnClockTick();
            ReadProgramFrames(engine, readback);
        }));
        for (HWND w : previews)
            ShowWindow(w, SW_HIDE);
        hidden.push_back(timed([&] {
            mixer->OnClockTick();
            ReadProgramFrames(engine, readback);
        }));
    }
    std::printf("render engine: composition and read-back %.2f ms with the previews shown, %.2f ms hidden\n",
                median(shown), median(hidden));

    mixer->SetListener(nullptr);
    for (int i = 0; i < kChannels; ++i)
        mixer->DetachChannel(i);
    for (IUnknown* u : keep)
        u->Release();
    mixer->Stop();
    mixer->Release();
    for (HWND w : previews)
        DestroyWindow(w);
    DestroyWindow(window);
    CoUninitialize();
    return 0;
}
