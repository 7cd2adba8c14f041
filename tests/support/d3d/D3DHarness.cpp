#include "tests/support/d3d/D3DHarness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rvxtest {

namespace {

struct QuadVertex {
    float x, y, z;
    float u0, v0, u1, v1, u2, v2;
};
constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_TEX3;   // 0x302
static_assert(sizeof(QuadVertex) == 36, "the screen quad's vertices are 36 bytes");

} // namespace

D3DHarness::~D3DHarness()
{
    quad_.Reset();
    device_.Reset();
    d3d_.Reset();
    if (window_) DestroyWindow(window_);
}

HRESULT D3DHarness::Create(UINT width, UINT height)
{
    width_ = width;
    height_ = height;
    window_ = CreateWindowExW(0, L"STATIC", L"effects", WS_POPUP, 0, 0, static_cast<int>(width),
                              static_cast<int>(height), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) return E_FAIL;
    d3d_.Reset();
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return E_FAIL;
    *&d3d_ = d3d;

    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window_;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    HRESULT hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &device_);
    if (FAILED(hr)) return hr;

    // The engine's screen quad and matrices: the quad fills the target exactly, with the
    // half-pixel offset of Direct3D 9.
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const QuadVertex v[4] = {
        {-1, 1, 0, 0, 0, 0, 0, 0, 0},
        {1, 1, 0, 1, 0, 1, 0, w, 0},
        {-1, -1, 0, 0, 1, 0, 1, 0, h},
        {1, -1, 0, 1, 1, 1, 1, w, h},
    };
    hr = device_->CreateVertexBuffer(sizeof(v), D3DUSAGE_WRITEONLY, kQuadFvf, D3DPOOL_MANAGED, &quad_, nullptr);
    if (FAILED(hr)) return hr;
    void* p = nullptr;
    if (FAILED(hr = quad_->Lock(0, 0, &p, 0))) return hr;
    std::memcpy(p, v, sizeof(v));
    quad_->Unlock();

    D3DXMATRIX scale, move;
    D3DXMatrixScaling(&scale, w / 2, h / 2, 1);
    D3DXMatrixTranslation(&move, -0.5f, 0.5f, h / 2);
    D3DXMatrixMultiply(&world_, &scale, &move);
    const D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view_, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj_, D3DX_PI / 2, w / h, 1, 1000);
    D3DXMatrixMultiply(&viewProj_, &view_, &proj_);
    device_->SetTransform(D3DTS_WORLD, &world_);
    device_->SetTransform(D3DTS_VIEW, &view_);
    device_->SetTransform(D3DTS_PROJECTION, &proj_);

    device_->SetRenderState(D3DRS_AMBIENT, 0x00FFFFFF);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device_->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device_->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    return S_OK;
}

HRESULT D3DHarness::MakeTexture(const std::vector<DWORD>& pixels, UINT width, UINT height, IDirect3DTexture9** out)
{
    if (pixels.size() != static_cast<size_t>(width) * height) return E_INVALIDARG;
    HRESULT hr = device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, out, nullptr);
    if (FAILED(hr)) return hr;
    D3DLOCKED_RECT lr = {};
    if (FAILED(hr = (*out)->LockRect(0, &lr, nullptr, 0))) return hr;
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, &pixels[y * width], width * 4);
    return (*out)->UnlockRect(0);
}

HRESULT D3DHarness::MakeSolid(DWORD colour, IDirect3DTexture9** out)
{
    return MakeTexture(std::vector<DWORD>(static_cast<size_t>(width_) * height_, colour), width_, height_, out);
}

HRESULT D3DHarness::MakeTarget(D3DFORMAT format, IDirect3DTexture9** out)
{
    return device_->CreateTexture(width_, height_, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, out, nullptr);
}

HRESULT D3DHarness::Draw(ID3DXEffect* effect, int pass, IDirect3DTexture9* target, DWORD clear)
{
    Com<IDirect3DSurface9> surface, previous;
    HRESULT hr = target->GetSurfaceLevel(0, &surface);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = device_->GetRenderTarget(0, &previous))) return hr;
    if (FAILED(hr = device_->SetRenderTarget(0, surface.get()))) return hr;
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    device_->BeginScene();
    device_->SetFVF(kQuadFvf);
    device_->SetStreamSource(0, quad_.get(), 0, sizeof(QuadVertex));
    UINT passes = 0;
    hr = effect->Begin(&passes, 0);
    if (SUCCEEDED(hr)) {
        for (UINT i = 0; i < passes && SUCCEEDED(hr); ++i) {
            if (pass >= 0 && static_cast<UINT>(pass) != i) continue;
            if (SUCCEEDED(hr = effect->BeginPass(i))) {
                hr = device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
                effect->EndPass();
            }
        }
        effect->End();
    }
    device_->EndScene();
    device_->SetRenderTarget(0, previous.get());
    return hr;
}

void D3DHarness::BindQuad()
{
    device_->SetFVF(kQuadFvf);
    device_->SetStreamSource(0, quad_.get(), 0, sizeof(QuadVertex));
}

HRESULT D3DHarness::ReadBack(IDirect3DTexture9* target, std::vector<DWORD>& pixels)
{
    Com<IDirect3DSurface9> surface, staging;
    HRESULT hr = target->GetSurfaceLevel(0, &surface);
    if (FAILED(hr)) return hr;
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    hr = device_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &staging, nullptr);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = device_->GetRenderTargetData(surface.get(), staging.get()))) return hr;
    D3DLOCKED_RECT lr = {};
    if (FAILED(hr = staging->LockRect(&lr, nullptr, D3DLOCK_READONLY))) return hr;
    pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&pixels[y * desc.Width], static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch, desc.Width * 4);
    staging->UnlockRect();
    if (desc.Format == D3DFMT_X8R8G8B8)
        for (DWORD& p : pixels) p |= 0xFF000000;
    return S_OK;
}

HRESULT D3DHarness::LoadEffect(const std::wstring& path, ID3DXEffect** out, std::string* errors)
{
    Com<ID3DXBuffer> messages;
    HRESULT hr = D3DXCreateEffectFromFileW(device_.get(), path.c_str(), nullptr, nullptr, 0, nullptr, out, &messages);
    if (errors && messages) errors->assign(static_cast<const char*>(messages->GetBufferPointer()));
    return hr;
}

HRESULT D3DHarness::LoadEffect(const void* data, UINT size, ID3DXEffect** out, std::string* errors)
{
    Com<ID3DXBuffer> messages;
    HRESULT hr = D3DXCreateEffect(device_.get(), data, size, nullptr, nullptr, 0, nullptr, out, &messages);
    if (errors && messages) errors->assign(static_cast<const char*>(messages->GetBufferPointer()));
    return hr;
}

std::wstring BuiltEffectFolder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir.resize(dir.find_last_of(L"\\/"));
    return dir + L"\\..\\out\\fx";
}

bool Near(DWORD actual, DWORD expected, int tolerance, bool withAlpha)
{
    auto close = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    return close(Red(actual), Red(expected)) && close(Green(actual), Green(expected)) &&
           close(Blue(actual), Blue(expected)) && (!withAlpha || close(Alpha(actual), Alpha(expected)));
}

std::string Hex(DWORD c)
{
    char b[16];
    std::snprintf(b, sizeof(b), "0x%08lX", static_cast<unsigned long>(c));
    return b;
}

} // namespace rvxtest
