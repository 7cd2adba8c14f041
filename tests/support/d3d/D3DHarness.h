// A Direct3D 9 HAL device on a hidden window, set up as the render engine sets its own:
// the screen quad (position and three texture coordinate pairs), its world, view and
// projection matrices, and the engine's render states. Tests draw effects with it into
// render targets and read the pixels back.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <string>
#include <vector>

namespace rvxtest {

template <class T> class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() { Reset(); }
    void Reset() { if (p_) p_->Release(); p_ = nullptr; }
    T** operator&() { Reset(); return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class D3DHarness {
public:
    D3DHarness() = default;
    D3DHarness(const D3DHarness&) = delete;
    D3DHarness& operator=(const D3DHarness&) = delete;
    ~D3DHarness();

    // Device with a back buffer of width x height; the quad and matrices fill that size.
    HRESULT Create(UINT width, UINT height);
    IDirect3DDevice9* Device() const { return device_.get(); }
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }

    const D3DXMATRIX& World() const { return world_; }
    const D3DXMATRIX& ViewProjection() const { return viewProj_; }

    // A managed texture filled from 0xAARRGGBB pixels, row by row.
    HRESULT MakeTexture(const std::vector<DWORD>& pixels, UINT width, UINT height, IDirect3DTexture9** out);
    HRESULT MakeSolid(DWORD colour, IDirect3DTexture9** out);
    // A render target texture of the harness size.
    HRESULT MakeTarget(D3DFORMAT format, IDirect3DTexture9** out);

    // Draws the quad with `pass` of the effect's current technique (-1: every pass) into
    // the target, cleared to `clear` first. The effect's parameters are set by the caller.
    HRESULT Draw(ID3DXEffect* effect, int pass, IDirect3DTexture9* target, DWORD clear = 0);

    // Binds the screen quad as the render engine does before it calls a transition.
    void BindQuad();

    // The target's pixels as 0xAARRGGBB, row by row.
    HRESULT ReadBack(IDirect3DTexture9* target, std::vector<DWORD>& pixels);

    // Loads a compiled effect file or an effect held in memory.
    HRESULT LoadEffect(const std::wstring& path, ID3DXEffect** out, std::string* errors = nullptr);
    HRESULT LoadEffect(const void* data, UINT size, ID3DXEffect** out, std::string* errors = nullptr);

private:
    HWND window_ = nullptr;
    Com<IDirect3D9> d3d_;
    Com<IDirect3DDevice9> device_;
    Com<IDirect3DVertexBuffer9> quad_;
    UINT width_ = 0, height_ = 0;
    D3DXMATRIX world_, view_, proj_, viewProj_;
};

// The program's fx folder in the build tree, as seen from the test executables' folder.
std::wstring BuiltEffectFolder();

// Components of a 0xAARRGGBB pixel.
inline int Red(DWORD c) { return (c >> 16) & 0xFF; }
inline int Green(DWORD c) { return (c >> 8) & 0xFF; }
inline int Blue(DWORD c) { return c & 0xFF; }
inline int Alpha(DWORD c) { return (c >> 24) & 0xFF; }

// True when every colour component (and alpha when `withAlpha`) is within `tolerance`.
bool Near(DWORD actual, DWORD expected, int tolerance, bool withAlpha = false);
std::string Hex(DWORD c);

} // namespace rvxtest
