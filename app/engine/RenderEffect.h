// PLACEHOLDER until the effects branch lands: the interface the engine uses.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <string>
#include <vector>

struct EffectInitParams
{
    int outputWidth;
    int outputHeight;
    int targetWidth;
    int targetHeight;
    IDirect3DDevice9* device;
    D3DXMATRIX world;
    D3DXMATRIX viewProjection;
};

struct EffectRenderParams
{
    float progress;
    std::vector<IDirect3DTexture9*> textures;
};

class CRenderEffect
{
public:
    virtual ~CRenderEffect() = default;
    virtual HRESULT Configure(HWND parent) = 0;
    virtual HRESULT Init(const EffectInitParams* params) = 0;
    virtual HRESULT Uninit() = 0;
    virtual HRESULT Render(const EffectRenderParams* params) = 0;
    int GetId() const { return id_; }
    bool GetSwapWhenOver() const { return swapWhenOver_ != 0; }

protected:
    int type_ = 0;
    int id_ = 0;
    std::wstring name_;
    std::wstring description_;
    BYTE timeSensitivity_ = 1;
    BYTE swapWhenOver_ = 1;
};

class CDXSimpleRenderEffect : public CRenderEffect
{
public:
    explicit CDXSimpleRenderEffect(const wchar_t*) {}
    HRESULT Configure(HWND) override { return E_NOTIMPL; }
    HRESULT Init(const EffectInitParams*) override { return E_NOTIMPL; }
    HRESULT Uninit() override { return S_OK; }
    HRESULT Render(const EffectRenderParams*) override { return E_NOTIMPL; }
};
