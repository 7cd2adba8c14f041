// The test machine's Direct3D 9 under Wine and Xvfb: a HAL device on a window, a clear
// colour read back through a system-memory surface.
#include <windows.h>
#include <d3d9.h>

#include <gtest/gtest.h>

namespace {

template <class T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() { if (p) p->Release(); }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

} // namespace

TEST(Direct3D9Smoke, ClearedColourReadsBack)
{
    ComPtr<IDirect3D9> d3d;
    d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d.p, nullptr);

    HWND hwnd = CreateWindowExW(0, L"STATIC", L"d3d9 smoke", WS_OVERLAPPEDWINDOW, 0, 0, 720, 576,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);

    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferWidth = 720;
    pp.BackBufferHeight = 576;
    pp.hDeviceWindow = hwnd;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;

    ComPtr<IDirect3DDevice9> dev;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &dev),
              D3D_OK);

    D3DCAPS9 caps = {};
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.PixelShaderVersion, D3DPS_VERSION(2, 0));

    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(10, 200, 30), 1.0f, 0), D3D_OK);

    ComPtr<IDirect3DSurface9> back;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ComPtr<IDirect3DSurface9> staging;
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(720, 576, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &staging, nullptr),
              D3D_OK);
    ASSERT_EQ(dev->GetRenderTargetData(back.p, staging.p), D3D_OK);

    D3DLOCKED_RECT lr = {};
    ASSERT_EQ(staging->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const DWORD* row = static_cast<const DWORD*>(lr.pBits);
    EXPECT_EQ(row[0] & 0x00FFFFFF, 0x000AC81Eu);
    EXPECT_EQ(row[719] & 0x00FFFFFF, 0x000AC81Eu);
    staging->UnlockRect();

    DestroyWindow(hwnd);
}
