// A Direct3D 9 HAL device on a hidden window (Xvfb under Wine), set up as the render engine
// sets its device: lighting, culling and depth off, alpha blending with source alpha, the
// screen world / view / projection that map the unit quad onto the whole target, and a way to
// render one frame and read its pixels back.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>
#include <vector>

namespace fixtures {

class D3DTarget {
public:
    D3DTarget(int width, int height) : w(width), h(height)
    {
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        hwnd_ = CreateWindowExW(0, L"STATIC", L"overlay scene", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!d3d_ || !hwnd_) return;
        D3DPRESENT_PARAMETERS pp = {};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferWidth = UINT(width);
        pp.BackBufferHeight = UINT(height);
        pp.hDeviceWindow = hwnd_;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        if (FAILED(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd_,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &device)))
            device = nullptr;
        if (!device) return;
        device->SetRenderState(D3DRS_AMBIENT, 0x00FFFFFF);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        D3DXMATRIX scale, move, world, view, proj;
        D3DXMatrixScaling(&scale, width / 2.0f, height / 2.0f, 1.0f);
        D3DXMatrixTranslation(&move, -0.5f, 0.5f, height / 2.0f);
        D3DXMatrixMultiply(&world, &scale, &move);
        const D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, float(width) / float(height), 1.0f, 1000.0f);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &proj);
    }
    ~D3DTarget()
    {
        if (device) device->Release();
        if (d3d_) d3d_->Release();
        if (hwnd_) DestroyWindow(hwnd_);
    }
    D3DTarget(const D3DTarget&) = delete;
    D3DTarget& operator=(const D3DTarget&) = delete;

    // Clears to `background`, lets `draw` run inside the scene, and reads the frame back.
    template <class Draw> HRESULT Frame(D3DCOLOR background, Draw draw)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0);
        device->BeginScene();
        const HRESULT hr = draw(device);
        device->EndScene();
        ReadBack();
        return hr;
    }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * w + x] & 0xFFFFFF; }

    IDirect3DDevice9* device = nullptr;
    int w, h;
    std::vector<uint32_t> pixels;

private:
    void ReadBack()
    {
        pixels.assign(size_t(w) * h, 0);
        IDirect3DSurface9* back = nullptr;
        IDirect3DSurface9* staging = nullptr;
        if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) &&
            SUCCEEDED(device->CreateOffscreenPlainSurface(UINT(w), UINT(h), D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &staging,
                                                          nullptr)) &&
            SUCCEEDED(device->GetRenderTargetData(back, staging))) {
            D3DLOCKED_RECT lr;
            if (SUCCEEDED(staging->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
                for (int y = 0; y < h; ++y)
                    memcpy(&pixels[size_t(y) * w], static_cast<const BYTE*>(lr.pBits) + size_t(y) * lr.Pitch, size_t(w) * 4);
                staging->UnlockRect();
            }
        }
        if (staging) staging->Release();
        if (back) back->Release();
    }

    IDirect3D9* d3d_ = nullptr;
    HWND hwnd_ = nullptr;
};

} // namespace fixtures
