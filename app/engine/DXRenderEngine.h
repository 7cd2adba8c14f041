// The Direct3D 9 compositor: owns the device, the engine's own passes, the transition
// effects, the work textures and the pool of output surfaces. Pre-processes each decoded
// channel frame into its channel texture, composes program and preview on every clock tick,
// lets the overlay layers draw, presents, and queues the frame while anybody listens.
#pragma once

#include "app/engine/OutputFrameQueue.h"
#include "app/engine/ProgramFrameSource.h"
#include "app/engine/RenderEngine.h"
#include "app/engine/ScreenQuad.h"

#include <dshow.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <vmr9.h>

#include <string>
#include <vector>

class CVideoChannel;
struct ChannelVideoSettings;
struct EffectInitParams;

class CDXRenderEngine : public CRenderEngine, public IProgramFrameSource
{
public:
    static const int kOutputSurfaceCount = 5;
    // Letterbox bars, empty inputs and cleared targets are opaque black: a colour with zero
    // alpha would let the blend show whatever the clear left behind.
    static const D3DCOLOR kOpaqueBlack = D3DCOLOR_ARGB(0xFF, 0, 0, 0);

    explicit CDXRenderEngine(CVideoMixer* mixer);
    ~CDXRenderEngine() override;

    HRESULT Create() override;
    HRESULT Destroy() override;
    HRESULT RenderFrame(const std::vector<int>& activeInputs, float progress) override;

    // Pre-processes one decoded frame (one field pass) into the channel's picture.
    HRESULT RenderChannel(CVideoChannel* channel, ChannelVideoSettings* settings, VMR9PresentationInfo* info);

    // IProgramFrameSource
    HRESULT ReadNextFrame(BYTE* buffer, long* count, ProgramFrameInfo* info) override;

    bool PopFrame(OutputFrame& frame) { return outputs_.PopFrame(frame); }
    void ReturnSurface(IDirect3DSurface9* surface) { outputs_.ReturnSurface(surface); }
    HRESULT ReadBackFrame(IDirect3DSurface9* surface, BYTE* buffer, long* count);

    IDirect3DDevice9* GetDevice() const { return device_; }

    // Asked before every composition for the device's cooperative level; null asks the
    // device itself (TestCooperativeLevel). Tests make the device report itself lost here.
    using CooperativeLevelFn = HRESULT (*)(IDirect3DDevice9* device, void* context);
    void SetCooperativeLevelCheck(CooperativeLevelFn check, void* context)
    {
        levelCheck_ = check;
        levelContext_ = context;
    }
    // Device resets that succeeded after a loss.
    LONG GetResetCount() const { return resets_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetOutputParity() const { return parity_; }
    LONG GetComposedCount() const { return composed_; }

    // Frames queued by the last composition, announced by the mixer once it has let go of
    // its lock (start and stop times in 100-ns units).
    struct FrameNotice
    {
        LONGLONG start;
        LONGLONG stop;
    };
    std::vector<FrameNotice> TakeFrameNotices();

    // Makes a channel's field textures for an interlaced source on interlaced output.
    HRESULT CreateFieldTextures(CVideoChannel* channel);
    HRESULT CreateRenderTexture(UINT width, UINT height, IDirect3DTexture9** texture);
    HRESULT FillTexture(IDirect3DTexture9* texture, D3DCOLOR colour);

private:
    HRESULT CreateDevice();
    void SetDefaultStates();
    // S_OK when the device can draw, S_FALSE while it is lost (nothing can be drawn until it
    // can be reset), an error when a reset failed (tried again on the next tick).
    HRESULT CheckDevice();
    HRESULT ResetDevice();
    void ReleaseDefaultPool();
    HRESULT RestoreDefaultPool();
    HRESULT RestoreChannel(CVideoChannel* channel);
    HRESULT CreateWorkTextures();
    HRESULT CreateOutputSurfaces();
    HRESULT CreateQuads();
    HRESULT LoadEnginePasses();
    HRESULT LoadTransitions();
    EffectInitParams TransitionParams() const;
    void ReleaseAll();

    // The passes of RenderChannel, in their order.
    HRESULT CopyRendererFrame(CVideoChannel* channel, VMR9PresentationInfo* info);
    void DeinterlacePass(CVideoChannel* channel, int field, float sourceWidth, float sourceHeight, UINT* passCount);
    void KeyPass(ChannelVideoSettings* settings, float sourceWidth, float sourceHeight);
    void ColourAdjustPass(ChannelVideoSettings* settings);
    HRESULT PlaceChannelImage(CVideoChannel* channel, IDirect3DTexture9* source, int field);
    // The one-pass path of RenderChannel: the source texture drawn into the channel picture.
    HRESULT DrawChannelImage(CVideoChannel* channel);
    void ShowChannels();
    void PickShownField(CVideoChannel* channel);
    static void RecycleField(CVideoChannel* channel, IDirect3DTexture9* texture);
    HRESULT DrawTexture(ID3DXEffect* effect, IDirect3DTexture9* texture);
    HRESULT DrawFallbackPicture(IDirect3DTexture9* texture);
    HRESULT Compose(const std::vector<int>& activeInputs, float progress);
    void DrawProgramLayers();
    void DrawPreviewLayers();
    void PresentToWindows();
    HRESULT FinishFrame(bool combine);
    bool IsInterlacedOutput() const { return fieldType_ != 2; }
    void SetPassMatrices(ID3DXEffect* effect, const QuadMatrices& m);

    CComPtr<IDirect3DDevice9> device_;
    D3DPRESENT_PARAMETERS presentParams_ = {};
    CooperativeLevelFn levelCheck_ = nullptr;
    void* levelContext_ = nullptr;
    LONG resets_ = 0;
    int width_;
    int height_;
    int fieldType_;
    int parity_;
    int targetWidth_ = 0;
    int targetHeight_ = 0;
    int outputWidth_;
    int outputHeight_;
    float frameRate_;

    CComPtr<IDirect3DVertexBuffer9> screenQuad_;
    QuadMatrices screen_ = {};
    CComPtr<IDirect3DVertexBuffer9> workQuad_;

    CComPtr<ID3DXEffect> channelRender_;
    CComPtr<ID3DXEffect> preProcess_;
    CComPtr<ID3DXEffect> fields2Frame_;

    CComPtr<IDirect3DTexture9> work_[3];
    CComPtr<IDirect3DTexture9> fields_[2];

    std::vector<int> lastActive_;
    COutputFrameQueue outputs_;
    CComPtr<IDirect3DSurface9> staging_;
    LONG composed_ = 0;
    std::vector<FrameNotice> notices_;
};
