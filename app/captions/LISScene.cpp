#include "app/captions/LISScene.h"

#include <algorithm>

namespace {

struct Vertex {
    float x, y, z;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(Vertex) == 24, "the quad's vertex is 24 bytes");
constexpr DWORD kVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

UINT PowerOfTwo(int v)
{
    UINT p = 1;
    while (p < UINT(std::max(v, 1))) p <<= 1;
    return p;
}

// Texture stage 0 as the device had it before the scene drew, put back afterwards.
class StageState {
public:
    explicit StageState(IDirect3DDevice9* device) : device_(device)
    {
        for (int i = 0; i < kCount; ++i) device_->GetTextureStageState(0, kStates[i], &saved_[i]);
    }
    ~StageState()
    {
        for (int i = 0; i < kCount; ++i) device_->SetTextureStageState(0, kStates[i], saved_[i]);
    }
    StageState(const StageState&) = delete;
    StageState& operator=(const StageState&) = delete;

private:
    static constexpr int kCount = 6;
    static constexpr D3DTEXTURESTAGESTATETYPE kStates[kCount] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                                                 D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
    IDirect3DDevice9* device_;
    DWORD saved_[kCount];
};
constexpr D3DTEXTURESTAGESTATETYPE StageState::kStates[];

} // namespace

namespace captions {

void RenderTextureSize(const D3DCAPS9& caps, int width, int height, UINT& textureWidth, UINT& textureHeight)
{
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
        textureWidth = PowerOfTwo(width);
        textureHeight = PowerOfTwo(height);
    } else {
        textureWidth = UINT(std::max(width, 1));
        textureHeight = UINT(std::max(height, 1));
    }
}

} // namespace captions

CLISScene::CLISScene() {}

CLISScene::CLISScene(int width, int height, HWND previewWindow)
    : width_(width), height_(height), previewWindow_(previewWindow)
{
}

CLISScene::~CLISScene()
{
    Uninit();
}

HRESULT CLISScene::CreateRenderTexture()
{
    texture_.Release();
    textureWidth_ = textureHeight_ = 0;
    if (!device_) return E_INVALIDARG;
    D3DCAPS9 caps = {};
    HRESULT hr = device_->GetDeviceCaps(&caps);
    if (FAILED(hr)) return hr;
    UINT w, h;
    captions::RenderTextureSize(caps, width_, height_, w, h);
    // One level: only level 0 is ever drawn from.
    hr = device_->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture_, nullptr);
    if (FAILED(hr)) {
        texture_.Detach();   // whatever a failed create left there is no reference of ours
        return hr;
    }
    textureWidth_ = w;
    textureHeight_ = h;
    return S_OK;
}

HRESULT CLISScene::SetTarget(IDirect3DDevice9* device, int width, int height, HWND previewWindow)
{
    CAutoLock lock(&lock_);
    device_ = device;
    width_ = width;
    height_ = height;
    previewWindow_ = previewWindow;
    return CreateRenderTexture();
}

HRESULT CLISScene::SetDevice(IDirect3DDevice9* device)
{
    CAutoLock lock(&lock_);
    if (!device) {
        // The device is about to be reset: its default pool, this scene's target among it,
        // must be empty. The device stays; the target is made again when it comes back.
        texture_.Release();
        return S_OK;
    }
    device_ = device;
    return CreateRenderTexture();
}

void CLISScene::AddLayer(CLISLayer* layer)
{
    if (!layer) return;
    CAutoLock lock(&lock_);
    if (!layers_.insert(layer).second) return; // already in the scene
    if (layer->GetZ() == 0.0f) layer->SetZ(depths_.empty() ? 4.0f : depths_.begin()->first + 1.0f);
    depths_.emplace(layer->GetZ(), layer);
}

void CLISScene::RemoveLayer(CLISLayer* layer)
{
    CAutoLock lock(&lock_);
    layers_.erase(layer);
    for (auto it = depths_.begin(); it != depths_.end();) {
        if (it->second == layer) it = depths_.erase(it);
        else ++it;
    }
}

void CLISScene::ClearLayers()
{
    CAutoLock lock(&lock_);
    for (CLISLayer* layer : layers_) delete layer;
    layers_.clear();
    depths_.clear();
}

void CLISScene::Uninit()
{
    CAutoLock lock(&lock_);
    ClearLayers();
    texture_.Release();
    device_.Release();
}

bool CLISScene::Contains(const CLISLayer* layer) const
{
    CAutoLock lock(&lock_);
    return layers_.count(const_cast<CLISLayer*>(layer)) != 0;
}

size_t CLISScene::GetLayerCount() const
{
    CAutoLock lock(&lock_);
    return layers_.size();
}


HRESULT CLISScene::Render(IDirect3DDevice9* device, int)
{
    CAutoLock lock(&lock_);
    if (!device_ || !device || !texture_ || depths_.empty()) return E_INVALIDARG;
    // The layer opacity lives in the vertex colour's alpha: texture stage 0 must multiply it
    // with the texture, whatever the engine's passes left there.
    StageState stage(device_);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);

    HRESULT result = S_OK;
    for (auto it = depths_.begin(); it != depths_.end();) {
        CLISLayer* layer = it->second;
        if (!layer) {
            it = depths_.erase(it);
            continue;
        }
        RECT source, target = {0, 0, width_, height_};
        IDirect3DSurface9* frame = layer->GetFrame(&source, &target);
        if (frame && !IsRectEmpty(&target)) {
            result = DrawFrame(frame, source, target, layer->GetAlpha());
        } else if (layer->IsFinished()) {
            // Run out: no longer drawn; its user still owns and deletes it.
            layers_.erase(layer);
            it = depths_.erase(it);
            continue;
        }
        ++it;
    }
    return result;
}

HRESULT CLISScene::DrawFrame(IDirect3DSurface9* frame, const RECT& source, const RECT& target, int alpha)
{
    IDirect3DSurface9* level = nullptr;
    HRESULT hr = texture_->GetSurfaceLevel(0, &level);
    if (FAILED(hr)) return hr;
    const POINT origin = {0, 0};
    hr = device_->UpdateSurface(frame, &source, level, &origin);
    level->Release();
    if (FAILED(hr)) return hr;

    // The quad is in -1..1 units: the clip space itself with identity transforms, and the
    // full target under the render engine's screen world, view and projection.
    const float tw = float(width_), th = float(height_);
    const float l = 2.0f * target.left / tw - 1.0f, r = 2.0f * target.right / tw - 1.0f;
    const float t = 1.0f - 2.0f * target.top / th, b = 1.0f - 2.0f * target.bottom / th;
    const float u = float(source.right - source.left) / float(textureWidth_);
    const float v = float(source.bottom - source.top) / float(textureHeight_);
    const int a = std::max(0, std::min(alpha, 100));
    const D3DCOLOR diffuse = (D3DCOLOR(a * 255 / 100) << 24) | 0xFFFFFF;
    const Vertex quad[4] = {
        {l, t, 0.0f, diffuse, 0.0f, 0.0f},
        {r, t, 0.0f, diffuse, u, 0.0f},
        {l, b, 0.0f, diffuse, 0.0f, v},
        {r, b, 0.0f, diffuse, u, v},
    };
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device_->SetTexture(0, texture_);
    device_->SetFVF(kVertexFvf);
    hr = device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    device_->SetTexture(0, nullptr);
    return hr;
}
