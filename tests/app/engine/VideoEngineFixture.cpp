#include "VideoEngineFixture.h"

#include "app/foundation/AppHelpers.h"

#include <cstdlib>
#include <string>

namespace enginetest {

DWORD g_now = 0;

DWORD TestClock()
{
    return g_now;
}

VmrChannel::~VmrChannel()
{
    if (vmr)
        vmr->Release();
    if (graph)
        graph->Release();
}

void VideoEngineTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // The program folder is the build output beside the tests folder, where fx lives.
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.find_last_of(L'\\'));
    SetExeDirectoryOverride((folder + L"\\..\\out").c_str());
    g_now = 100000;
    EngineClock::SetSource(&TestClock);
    EngineClock::SetManualTimers(true);
    window_ = CreateWindowExW(0, L"STATIC", L"render window", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
}

void VideoEngineTest::TearDown()
{
    TearDownMixer();
    if (window_)
        DestroyWindow(window_);
    SetExeDirectoryOverride(nullptr);
    EngineClock::SetManualTimers(false);
    EngineClock::SetSource(nullptr);
    CoUninitialize();
}

void VideoEngineTest::TearDownMixer()
{
    if (mixer_) {
        for (int i = 0; i < mixer_->GetInputCount(); ++i) {
            if (mixer_->GetChannel(i)) {
                EXPECT_EQ(mixer_->DetachChannel(i), S_OK);
            }
        }
    }
    // The renderers hold references on the mixer: they go first, then the last reference.
    for (VmrChannel* v : vmrs_)
        delete v;
    vmrs_.clear();
    if (mixer_) {
        mixer_->Stop();
        EXPECT_EQ(mixer_->Release(), 0u);
        mixer_ = nullptr;
    }
}

void VideoEngineTest::MakeMixer(int width, int height, int fieldType, double pixelAspect)
{
    VideoMixerParams p;
    p.renderWindow = window_;
    p.inputCount = 5;
    p.width = width;
    p.height = height;
    p.frameRate = 25.0f;
    p.pixelAspect = pixelAspect;
    p.fieldType = fieldType;
    width_ = width;
    height_ = height;
    mixer_ = new CVideoMixer(p);
    ASSERT_EQ(mixer_->Start(), S_OK);
}

void VideoEngineTest::AttachInput(int input, UINT sourceWidth, UINT sourceHeight, D3DFORMAT format)
{
    VmrChannel* v = new VmrChannel;
    vmrs_.push_back(v);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&v->graph)),
              S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               reinterpret_cast<void**>(&v->vmr)),
              S_OK);
    ASSERT_EQ(v->graph->AddFilter(v->vmr, L"VMR9"), S_OK);
    IVMRFilterConfig9* config = nullptr;
    ASSERT_EQ(v->vmr->QueryInterface(IID_IVMRFilterConfig9, reinterpret_cast<void**>(&config)), S_OK);
    ASSERT_EQ(config->SetRenderingMode(VMR9Mode_Renderless), S_OK);
    config->Release();

    ASSERT_EQ(mixer_->AttachChannel(v->vmr, &input, window_), S_OK);

    VMR9AllocationInfo info = {};
    info.dwFlags = VMR9AllocFlag_OffscreenSurface;
    info.dwWidth = sourceWidth;
    info.dwHeight = sourceHeight;
    info.Format = format;
    info.Pool = D3DPOOL_DEFAULT;
    info.MinBuffers = 1;
    info.szAspectRatio.cx = 4;
    info.szAspectRatio.cy = 3;
    info.szNativeSize.cx = sourceWidth;
    info.szNativeSize.cy = sourceHeight;
    DWORD count = 1;
    ASSERT_EQ(mixer_->InitializeDevice(input, &info, &count), S_OK);
}

void VideoEngineTest::PresentColour(int input, D3DCOLOR left, D3DCOLOR right, SIZE aspect)
{
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(mixer_->GetSurface(input, 0, 0, &surface), S_OK);
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    IDirect3DDevice9* device = Engine()->GetDevice();
    RECT l = {0, 0, LONG(desc.Width / 2), LONG(desc.Height)};
    RECT r = {LONG(desc.Width / 2), 0, LONG(desc.Width), LONG(desc.Height)};
    EXPECT_EQ(device->ColorFill(surface, &l, left), D3D_OK);
    EXPECT_EQ(device->ColorFill(surface, &r, right), D3D_OK);

    VMR9PresentationInfo info = {};
    info.dwFlags = VMR9Sample_SyncPoint;
    info.lpSurf = surface;
    info.szAspectRatio = aspect;
    info.rcSrc = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    info.rcDst = info.rcSrc;
    EXPECT_EQ(mixer_->PresentImage(input, &info), S_OK);
    surface->Release();
}

std::vector<DWORD> VideoEngineTest::PopFramePixels(OutputFrame* frameOut)
{
    OutputFrame frame;
    if (!Engine()->PopFrame(frame)) {
        ADD_FAILURE() << "no output frame is queued";
        return {};
    }
    std::vector<DWORD> pixels(size_t(width_) * height_);
    long count = long(pixels.size() * 4);
    EXPECT_EQ(Engine()->ReadBackFrame(frame.surface, reinterpret_cast<BYTE*>(pixels.data()), &count), S_OK);
    EXPECT_EQ(count, long(pixels.size() * 4));
    if (frameOut)
        *frameOut = frame;
    Engine()->ReturnSurface(frame.surface);
    return pixels;
}

DWORD VideoEngineTest::PixelAt(const std::vector<DWORD>& pixels, int x, int y) const
{
    return pixels.at(size_t(y) * width_ + x) & 0x00FFFFFF;
}

::testing::AssertionResult ColourNear(DWORD actual, DWORD expected, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > tolerance)
            return ::testing::AssertionFailure()
                   << std::hex << "colour 0x" << (actual & 0xFFFFFF) << " is not near 0x" << (expected & 0xFFFFFF);
    }
    return ::testing::AssertionSuccess();
}

} // namespace enginetest
