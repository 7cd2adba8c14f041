// The per-frame half of the render engine: pre-processing of decoded channel frames, the
// composition on every clock tick, and the hand-over of finished frames to the output queue.
#include "app/engine/DXRenderEngine.h"

#include "app/engine/ChannelVideoSettings.h"
#include "app/core/EngineClock.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/VideoChannel.h"
#include "app/engine/VideoMixer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Holds a texture's top surface for one call.
class TextureSurface
{
public:
    explicit TextureSurface(IDirect3DTexture9* texture)
    {
        if (texture)
            texture->GetSurfaceLevel(0, &surface_);
    }
    TextureSurface(const TextureSurface&) = delete;
    TextureSurface& operator=(const TextureSurface&) = delete;
    IDirect3DSurface9* get() const { return surface_; }

private:
    CComPtr<IDirect3DSurface9> surface_;
};

// Where a channel's picture goes in its texture: all of it, or letterboxed to the picture's
// aspect ratio when the channel keeps it.
RECT ChannelImageRect(const CVideoChannel* channel, int width, int height)
{
    RECT dest = {0, 0, width, height};
    if (channel->keepAspect && channel->format.dwPictAspectRatioX && channel->format.dwPictAspectRatioY) {
        const double a = double(channel->format.dwPictAspectRatioX) / double(channel->format.dwPictAspectRatioY);
        double w = width;
        double h = w / a;
        if (height < h) {
            h = height;
            w = a * h;
        }
        dest.left = static_cast<LONG>((width - w) / 2);
        dest.top = static_cast<LONG>((height - h) / 2);
        dest.right = static_cast<LONG>(w + dest.left);
        dest.bottom = static_cast<LONG>(h + dest.top);
    }
    return dest;
}

// Fills only the bars around the picture: what the picture covers is drawn anyway.
void FillBars(IDirect3DDevice9* device, IDirect3DSurface9* surface, const RECT& dest, int width, int height)
{
    const RECT bars[4] = {{0, 0, width, dest.top},
                          {0, dest.bottom, width, height},
                          {0, dest.top, dest.left, dest.bottom},
                          {dest.right, dest.top, width, dest.bottom}};
    for (const RECT& bar : bars)
        if (bar.right > bar.left && bar.bottom > bar.top)
            device->ColorFill(surface, &bar, 0);
}

HRESULT DrawPass(IDirect3DDevice9* device, ID3DXEffect* effect, UINT pass)
{
    effect->CommitChanges();
    HRESULT hr = effect->BeginPass(pass);
    if (FAILED(hr))
        return hr;
    hr = device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    effect->EndPass();
    return hr;
}

} // namespace

HRESULT CDXRenderEngine::RenderChannel(CVideoChannel* channel, ChannelVideoSettings* settings,
                                       VMR9PresentationInfo* info)
{
    if (!channel || !info)
        return E_INVALIDARG;
    if (!device_ || !preProcess_ || !channel->sourceTexture)
        return E_UNEXPECTED;

    HRESULT hr = CopyRendererFrame(channel, info);
    if (FAILED(hr))
        return hr;
    const float sourceWidth = float(channel->sourceWidth ? channel->sourceWidth : width_);
    const float sourceHeight = float(channel->sourceHeight ? channel->sourceHeight : height_);
    const int field = static_cast<int>(info->dwReserved1);

    // On progressive output a frame without key or colour adjustment needs one pass only:
    // drawn straight into its place in the channel picture, with no work texture and no
    // scaling copy after it.
    if (fieldType_ == 2 && !(settings && (settings->bKey || settings->bColorAdjust)))
        return DrawChannelImage(channel);

    // The work quad was filled once when it was made: refilling it each frame made the device
    // finish every draw that used it before the lock returned.
    CComPtr<IDirect3DSurface9> previousTarget;
    device_->GetRenderTarget(0, &previousTarget);
    device_->BeginScene();
    UINT passCount = 0;
    DeinterlacePass(channel, field, sourceWidth, sourceHeight, &passCount);
    KeyPass(settings, sourceWidth, sourceHeight);
    ColourAdjustPass(settings);
    preProcess_->End();
    device_->EndScene();
    device_->SetRenderTarget(0, previousTarget);

    return PlaceChannelImage(channel, work_[0], field);
}

// 1. The renderer's frame, copied once into the channel's source texture.
HRESULT CDXRenderEngine::CopyRendererFrame(CVideoChannel* channel, VMR9PresentationInfo* info)
{
    TextureSurface source(channel->sourceTexture);
    if (!source.get() || !info->lpSurf)
        return E_UNEXPECTED;
    // The copy covers the whole texture (made at the renderer's size): no fill first.
    return device_->StretchRect(info->lpSurf, nullptr, source.get(), nullptr, D3DTEXF_NONE);
}

// 2. Field pick and deinterlace (pass 0) or the whole frame (pass 4) into W0. Begins the
// pre-process effect, which the last pass leaves begun for RenderChannel to end.
void CDXRenderEngine::DeinterlacePass(CVideoChannel* channel, int field, float sourceWidth, float sourceHeight,
                                      UINT* passCount)
{
    preProcess_->SetInt("_field_x", width_);
    preProcess_->SetInt("_field_y", height_);
    preProcess_->SetFloat("_line_x", 1.0f / sourceWidth);
    preProcess_->SetFloat("_line_y", 1.0f / sourceHeight);
    preProcess_->SetInt("_deinterlace", field);
    preProcess_->SetTexture("_tex0", channel->sourceTexture);
    preProcess_->Begin(passCount, 0);

    const QuadMatrices sourceMatrices = MakeQuadMatrices(sourceWidth, sourceHeight);
    const QuadMatrices engineMatrices = MakeQuadMatrices(float(width_), float(height_));
    BindQuad(device_, workQuad_, sourceMatrices);
    SetPassMatrices(preProcess_, sourceMatrices);
    {
        TextureSurface w0(work_[0]);
        device_->SetRenderTarget(0, w0.get());
        // A source of the engine's size covers W0 exactly; another size may leave an edge line.
        if (sourceWidth != float(width_) || sourceHeight != float(height_))
            device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        DrawPass(device_, preProcess_, fieldType_ == 2 ? 4 : 0);
    }
    // The later passes read only the first coordinate pair.
    BindQuad(device_, workQuad_, engineMatrices);
    SetPassMatrices(preProcess_, engineMatrices);
}

// 3. Key against the matte: passes 1 and 2; W0 and W2 swap roles.
void CDXRenderEngine::KeyPass(ChannelVideoSettings* settings, float sourceWidth, float sourceHeight)
{
    IDirect3DTexture9* matte = nullptr;
    if (settings && settings->bKey) {
        matte = settings->FindMatte(
            mixer_->GetInputCount(),
            [this](int index) {
                CVideoChannel* other = mixer_->GetChannel(index);
                return other ? other->CurrentTexture() : nullptr;
            },
            DeviceMatteLoader(device_));
    }
    if (!matte)
        return;
    preProcess_->SetFloat("_line_x", 1.0f / sourceWidth);
    preProcess_->SetFloat("_line_y", 1.0f / sourceHeight);
    preProcess_->SetTexture("_tex0", work_[0]);
    preProcess_->SetTexture("_tex1", matte);
    preProcess_->SetFloat("_min_hue", settings->MinHue());
    preProcess_->SetFloat("_max_hue", settings->MaxHue());
    preProcess_->SetFloat("_min_saturation", settings->fMinSaturation);
    {
        TextureSurface w1(work_[1]);
        device_->SetRenderTarget(0, w1.get());
        DrawPass(device_, preProcess_, 1);
    }
    const D3DXVECTOR4 range(settings->fRange[0], settings->fRange[1], settings->fRange[2], settings->fRange[3]);
    preProcess_->SetTexture("_tex0", work_[0]);
    preProcess_->SetTexture("_tex1", matte);
    preProcess_->SetTexture("_tex2", work_[1]);
    preProcess_->SetVector("_range", &range);
    {
        TextureSurface w2(work_[2]);
        device_->SetRenderTarget(0, w2.get());
        DrawPass(device_, preProcess_, 2);
    }
    std::swap(work_[0], work_[2]);
}

// 4. Colour adjustment: pass 3; W0 and W1 swap roles.
void CDXRenderEngine::ColourAdjustPass(ChannelVideoSettings* settings)
{
    if (!settings || !settings->bColorAdjust)
        return;
    preProcess_->SetFloat("_brightness", settings->fBrightness);
    preProcess_->SetFloat("_contrast", settings->fContrast);
    preProcess_->SetFloat("_hue", settings->fHue);
    preProcess_->SetFloat("_saturation", settings->fSaturation);
    preProcess_->SetInt("_coloradjust", 1);
    preProcess_->SetFloat("_line_x", 1.0f / width_);
    preProcess_->SetFloat("_line_y", 1.0f / height_);
    preProcess_->SetTexture("_tex0", work_[0]);
    preProcess_->SetTexture("_tex1", nullptr);
    {
        TextureSurface w1(work_[1]);
        device_->SetRenderTarget(0, w1.get());
        DrawPass(device_, preProcess_, 3);
    }
    std::swap(work_[0], work_[1]);
}

HRESULT CDXRenderEngine::DrawChannelImage(CVideoChannel* channel)
{
    IDirect3DTexture9* target = channel->channelTexture;
    if (!target)
        return E_UNEXPECTED;
    const RECT dest = ChannelImageRect(channel, width_, height_);
    const float w = float(dest.right - dest.left), h = float(dest.bottom - dest.top);
    TextureSurface to(target);
    FillBars(device_, to.get(), dest, width_, height_);

    CComPtr<IDirect3DSurface9> previousTarget;
    device_->GetRenderTarget(0, &previousTarget);
    device_->SetRenderTarget(0, to.get());
    // The pass fills the viewport: the picture's place, pixel centres on texel centres.
    D3DVIEWPORT9 viewport = {DWORD(dest.left), DWORD(dest.top), DWORD(w), DWORD(h), 0.0f, 1.0f};
    device_->SetViewport(&viewport);
    HRESULT hr = device_->BeginScene();
    if (SUCCEEDED(hr)) {
        const QuadMatrices matrices = MakeQuadMatrices(w, h);
        BindQuad(device_, workQuad_, matrices);
        SetPassMatrices(preProcess_, matrices);
        preProcess_->SetTexture("_tex0", channel->sourceTexture);
        UINT passCount = 0;
        hr = preProcess_->Begin(&passCount, 0);
        if (SUCCEEDED(hr)) {
            hr = DrawPass(device_, preProcess_, 4);
            preProcess_->End();
        }
        device_->EndScene();
    }
    // Setting the target again gives the whole of it back as the viewport.
    device_->SetRenderTarget(0, previousTarget);
    return hr;
}

HRESULT CDXRenderEngine::PlaceChannelImage(CVideoChannel* channel, IDirect3DTexture9* source, int field)
{
    const RECT dest = ChannelImageRect(channel, width_, height_);

    const bool fieldMode = IsInterlacedOutput() && channel->IsInterlacedSource() &&
                           !(channel->freeFields.empty() && channel->readyFields.empty());
    CComPtr<IDirect3DTexture9> target;
    if (fieldMode) {
        if (!channel->freeFields.empty()) {
            target = std::move(channel->freeFields.front());
            channel->freeFields.pop_front();
        } else {
            target = std::move(channel->readyFields.front().texture);
            channel->readyFields.pop_front();
        }
    } else {
        target = channel->channelTexture;
    }
    if (!target)
        return E_UNEXPECTED;

    HRESULT hr;
    {
        TextureSurface to(target), from(source);
        FillBars(device_, to.get(), dest, width_, height_);
        hr = device_->StretchRect(from.get(), nullptr, to.get(), &dest, D3DTEXF_NONE);
    }
    if (fieldMode)
        channel->readyFields.push_back({std::move(target), field});
    return hr;
}

void CDXRenderEngine::RecycleField(CVideoChannel* channel, IDirect3DTexture9* texture)
{
    if (!texture)
        return;
    // A texture lives in one place only, or it could be handed out twice.
    for (const ReadyField& f : channel->readyFields)
        if (f.texture == texture)
            return;
    if (std::find(channel->freeFields.begin(), channel->freeFields.end(), texture) != channel->freeFields.end())
        return;
    channel->freeFields.push_back(texture);
}

void CDXRenderEngine::PickShownField(CVideoChannel* channel)
{
    auto& ready = channel->readyFields;
    while (!ready.empty()) {
        const ReadyField front = ready.front();
        if (front.field == parity_) {
            ready.pop_front();
        } else if (ready.size() > 2) {
            ready.pop_front();
            RecycleField(channel, front.texture);
            continue;
        }
        // With two or fewer entries the front one is shown and stays queued.
        const CComPtr<IDirect3DTexture9> old = channel->shownField;
        channel->shownField = front.texture;
        if (old != front.texture)
            RecycleField(channel, old);
        return;
    }
}

void CDXRenderEngine::ShowChannels()
{
    const bool interlaced = IsInterlacedOutput();
    for (int i = 0; i < mixer_->GetInputCount(); ++i) {
        CVideoChannel* channel = mixer_->GetChannel(i);
        if (!channel)
            continue;
        if (interlaced && channel->IsInterlacedSource())
            PickShownField(channel);
        if (!channel->window || !channelRender_)
            continue;
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kOpaqueBlack, 1.0f, 0);
        if (SUCCEEDED(device_->BeginScene())) {
            DrawTexture(channelRender_, channel->CurrentTexture());
            device_->EndScene();
        }
        device_->Present(nullptr, nullptr, channel->window, nullptr);
    }
}

HRESULT CDXRenderEngine::DrawFallbackPicture(IDirect3DTexture9* texture)
{
    if (texture)
        return DrawTexture(channelRender_, texture);
    // An input without a channel shows opaque black.
    FillTexture(work_[0], kOpaqueBlack);
    return DrawTexture(channelRender_, work_[0]);
}

HRESULT CDXRenderEngine::Compose(const std::vector<int>& activeInputs, float progress)
{
    CRenderEffect* effect = GetCurrentEffect();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kOpaqueBlack, 1.0f, 0);
    HRESULT hr = device_->BeginScene();
    if (FAILED(hr))
        return hr;
    if (effect && effect->GetID() != 0) {
        std::vector<int> order(activeInputs);
        if (IsTransitionReversed())
            std::reverse(order.begin(), order.end());
        EffectRenderParams params;
        params.fProgress = progress;
        for (size_t i = 0; i < order.size(); ++i) {
            CVideoChannel* channel = mixer_->GetChannel(order[i]);
            IDirect3DTexture9* texture = channel ? channel->CurrentTexture() : nullptr;
            device_->SetTexture(static_cast<DWORD>(i), texture);
            params.textures.push_back(texture);
        }
        BindQuad(device_, screenQuad_, screen_);
        effect->Render(&params);
    } else {
        CVideoChannel* channel = mixer_->GetChannel(activeInputs[0]);
        DrawFallbackPicture(channel ? channel->CurrentTexture() : nullptr);
    }
    return S_OK;
}

void CDXRenderEngine::DrawProgramLayers()
{
    for (IVideoMixerRenderListener* layer : mixer_->GetRenderListeners())
        if (layer && layer->IsProgramLayer())
            layer->Render(device_, 0);
}

void CDXRenderEngine::DrawPreviewLayers()
{
    for (IVideoMixerRenderListener* layer : mixer_->GetRenderListeners()) {
        if (!layer || layer->IsProgramLayer())
            continue;
        HWND window = layer->GetPreviewWindow();
        if (!window)
            continue;
        // Layers draw only inside a scene.
        if (SUCCEEDED(device_->BeginScene())) {
            layer->Render(device_, 0);
            device_->EndScene();
        }
        device_->Present(nullptr, nullptr, window, nullptr);
    }
}

void CDXRenderEngine::PresentToWindows()
{
    for (HWND window : mixer_->GetPresentWindows())
        device_->Present(nullptr, nullptr, window, nullptr);
}


HRESULT CDXRenderEngine::RenderFrame(const std::vector<int>& activeInputs, float progress)
{
    if (!device_)
        return E_UNEXPECTED;
    const HRESULT level = CheckDevice();
    if (level != S_OK)
        return level;
    ShowChannels();
    if (activeInputs.empty())
        return S_FALSE;
    // Not above 0 (NaN included) is 0; beyond 1 is 1.
    if (!(progress > 0.0f))
        progress = 0.0f;
    else if (progress > 1.0f)
        progress = 1.0f;
    lastActive_ = activeInputs;

    if (SUCCEEDED(Compose(activeInputs, progress))) {
        DrawProgramLayers();
        device_->EndScene();
    }

    FinishFrame(false);
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    PresentToWindows();
    DrawPreviewLayers();

    if (IsInterlacedOutput()) {
        const bool secondField = (fieldType_ == 0 && parity_ == 1) || (fieldType_ == 1 && parity_ == 0);
        if (secondField)
            FinishFrame(true);
        parity_ = parity_ == 0 ? 1 : 0;
    }
    ++composed_;
    return S_OK;
}

HRESULT CDXRenderEngine::FinishFrame(bool combine)
{
    if (!device_ || !mixer_)
        return E_UNEXPECTED;
    if (!mixer_->GetListener())
        return S_OK;

    CComPtr<IDirect3DSurface9> back;
    HRESULT hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    if (FAILED(hr))
        return hr;

    if (IsInterlacedOutput() && !combine) {
        const bool first = (fieldType_ == 0 && parity_ == 0) || (fieldType_ == 1 && parity_ == 1);
        TextureSurface field(fields_[first ? 0 : 1]);
        return device_->StretchRect(back, nullptr, field.get(), nullptr, D3DTEXF_NONE);
    }
    if (IsInterlacedOutput() && combine && fields2Frame_) {
        fields2Frame_->SetTexture("tex_odd", fieldType_ == 0 ? fields_[0] : fields_[1]);
        fields2Frame_->SetTexture("tex_even", fieldType_ == 0 ? fields_[1] : fields_[0]);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kOpaqueBlack, 1.0f, 0);
        if (SUCCEEDED(device_->BeginScene())) {
            BindQuad(device_, screenQuad_, screen_);
            SetPassMatrices(fields2Frame_, screen_);
            UINT passes = 0;
            if (SUCCEEDED(fields2Frame_->Begin(&passes, 0))) {
                for (UINT i = 0; i < passes; ++i)
                    DrawPass(device_, fields2Frame_, i);
                fields2Frame_->End();
            }
            device_->EndScene();
        }
    }

    const LONGLONG t = EngineClock::Now();
    IDirect3DSurface9* surface = outputs_.TakeSurface();
    if (!surface)
        return E_UNEXPECTED;
    hr = device_->StretchRect(back, nullptr, surface, nullptr, D3DTEXF_LINEAR);
    if (FAILED(hr)) {
        outputs_.AddFree(surface);
        return hr;
    }
    OutputFrame frame;
    frame.flags = COutputFrameQueue::kFrameFlags;
    frame.start = t * 10000LL;
    frame.stop = frame.start + static_cast<LONGLONG>(1000.0 / frameRate_ * 10000.0);
    frame.surface = surface;
    outputs_.PushReady(frame);
    notices_.push_back({frame.start, frame.stop});
    return S_OK;
}

std::vector<CDXRenderEngine::FrameNotice> CDXRenderEngine::TakeFrameNotices()
{
    std::vector<FrameNotice> taken;
    taken.swap(notices_);
    return taken;
}
