// The overlay scene: corner logos, the subtitle line and caption page objects drawn as
// textured quads into the program frame (or the caption preview) on every output frame.
// The render engine calls Render on the mixing-clock thread; the user interface adds and
// removes layers on its own thread; one lock keeps the two apart.
#pragma once

#include "app/captions/LISLayer.h"
#include "app/core/Listeners.h"

#include <windows.h>
#include <d3d9.h>
#include <streams.h>

#include <functional>
#include <map>
#include <set>

class CLISScene : public IVideoMixerRenderListener {
public:
    CLISScene();
    CLISScene(int width, int height, HWND previewWindow);
    ~CLISScene();
    CLISScene(const CLISScene&) = delete;
    CLISScene& operator=(const CLISScene&) = delete;

    // Keeps the device (held reference), the target size and the preview window, and creates
    // the render texture.
    HRESULT SetTarget(IDirect3DDevice9* device, int width, int height, HWND previewWindow);

    // IVideoMixerRenderListener. A null device lets go of the render texture (the device is
    // about to be reset); a device makes it again.
    HRESULT SetDevice(IDirect3DDevice9* device) override;
    HRESULT Render(IDirect3DDevice9* device, int reserved) override;
    bool IsProgramLayer() override { return previewWindow_ == nullptr; }
    HWND GetPreviewWindow() override { return previewWindow_; }

    // The scene owns an added layer until RemoveLayer hands it back. A layer with z 0 gets
    // 4.0 in an empty scene, else the largest z present + 1. Layers of equal depth all draw,
    // the later added over the earlier.
    void AddLayer(CLISLayer* layer);
    void RemoveLayer(CLISLayer* layer);
    // Releases the device and the texture and deletes every layer still in the scene.
    void Uninit();
    void ClearLayers();

    IDirect3DDevice9* GetDevice() const { return device_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    UINT GetTextureWidth() const { return textureWidth_; }
    UINT GetTextureHeight() const { return textureHeight_; }
    bool Contains(const CLISLayer* layer) const;
    size_t GetLayerCount() const;


    // Held by a layer's SetPosition while it changes a layer that may be in the scene.
    class Lock {
    public:
        explicit Lock(const CLISScene& scene) : lock_(&scene.lock_) {}

    private:
        CAutoLock lock_;
    };

private:
    HRESULT CreateRenderTexture();
    HRESULT DrawFrame(IDirect3DSurface9* frame, const RECT& source, const RECT& target, int alpha);

    CComPtr<IDirect3DDevice9> device_;
    CComPtr<IDirect3DTexture9> texture_;
    UINT textureWidth_ = 0, textureHeight_ = 0;
    int width_ = 320, height_ = 240;
    HWND previewWindow_ = nullptr;
    std::set<CLISLayer*> layers_;
    std::multimap<float, CLISLayer*, std::greater<float>> depths_;
    mutable CCritSec lock_;
};

namespace captions {
// The render texture's size for a target: powers of two (from 1) when the device needs them.
void RenderTextureSize(const D3DCAPS9& caps, int width, int height, UINT& textureWidth, UINT& textureHeight);
} // namespace captions
