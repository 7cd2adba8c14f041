#include "app/engine/DXRenderEngine.h"

#include "app/engine/ChannelVideoSettings.h"
#include "app/core/EngineClock.h"
#include "app/engine/EngineFolders.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/TransitionLoader.h"
#include "app/engine/VideoChannel.h"
#include "app/engine/VideoMixer.h"

#include <algorithm>
#include <memory>

namespace {

// Switches the process's current folder for the lifetime of the object: effect files are
// opened by bare file name with the fx folder current.
class CurrentFolder
{
public:
    explicit CurrentFolder(const std::wstring& folder)
    {
        wchar_t old[MAX_PATH] = {};
        if (GetCurrentDirectoryW(MAX_PATH, old))
            old_ = old;
        ok_ = SetCurrentDirectoryW(folder.c_str()) != 0;
    }
    ~CurrentFolder()
    {
        if (!old_.empty())
            SetCurrentDirectoryW(old_.c_str());
    }
    bool ok() const { return ok_; }

private:
    std::wstring old_;
    bool ok_ = false;
};

bool FolderExists(const std::wstring& folder)
{
    const DWORD a = GetFileAttributesW(folder.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

CDXRenderEngine::CDXRenderEngine(CVideoMixer* mixer)
    : CRenderEngine(mixer),
      width_(mixer->GetWidth()),
      height_(mixer->GetHeight()),
      fieldType_(mixer->GetFieldType()),
      parity_(mixer->GetFieldType() == 0 ? 0 : (mixer->GetFieldType() == 1 ? 1 : 2)),
      outputWidth_(mixer->GetOutputWidth()),
      outputHeight_(mixer->GetOutputHeight()),
      frameRate_(mixer->GetFrameRate())
{
}

CDXRenderEngine::~CDXRenderEngine()
{
    Destroy();
}

HRESULT CDXRenderEngine::Create()
{
    if (device_)
        return S_FALSE;
    HRESULT hr = CreateDevice();
    if (SUCCEEDED(hr))
        hr = CreateWorkTextures();
    if (SUCCEEDED(hr))
        hr = CreateOutputSurfaces();
    if (SUCCEEDED(hr))
        hr = CreateQuads();
    if (SUCCEEDED(hr))
        hr = LoadEnginePasses();
    if (SUCCEEDED(hr))
        hr = LoadTransitions();
    if (FAILED(hr))
        ReleaseAll();
    return hr;
}

HRESULT CDXRenderEngine::Destroy()
{
    if (!device_)
        return S_FALSE;
    ReleaseAll();
    return S_OK;
}

void CDXRenderEngine::ReleaseAll()
{
    // Every object is released exactly once: effects before the device they were made on.
    outputs_.Clear();
    DeleteEffects();
    preProcess_.Release();
    channelRender_.Release();
    fields2Frame_.Release();
    staging_.Release();
    screenQuad_.Release();
    workQuad_.Release();
    for (CComPtr<IDirect3DTexture9>& t : work_)
        t.Release();
    for (CComPtr<IDirect3DTexture9>& t : fields_)
        t.Release();
    lastActive_.clear();
    device_.Release();
}

HRESULT CDXRenderEngine::CreateDevice()
{
    CComPtr<IDirect3D9> d3d;
    d3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    if (!d3d)
        return E_FAIL;
    D3DCAPS9 caps = {};
    HRESULT hr = d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    if (FAILED(hr))
        return hr;
    DWORD behaviour = D3DCREATE_MULTITHREADED;
    behaviour |= (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                                 : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width_;
    pp.BackBufferHeight = height_;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = mixer_->GetRenderWindow();
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.Flags = D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    presentParams_ = pp;
    hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mixer_->GetRenderWindow(), behaviour, &pp, &device_);
    if (FAILED(hr))
        return hr;
    SetDefaultStates();
    targetWidth_ = width_;
    targetHeight_ = height_;
    return S_OK;
}

void CDXRenderEngine::SetDefaultStates()
{
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
}

// --- device loss ------------------------------------------------------------------
//
// A display-mode change or a locked session takes the device away: while it is lost nothing
// is drawn; once it can be reset, everything made in the default pool (work and field
// textures, output surfaces, every channel's textures and renderer surfaces, the layers'
// targets) is let go, the device is reset, and all of it is made again, black until the
// channels present anew. The effects are told before and after. Managed and system-memory
// objects (the quads, the read-back surface, the layers' pictures) survive.

HRESULT CDXRenderEngine::CheckDevice()
{
    const HRESULT level = levelCheck_ ? levelCheck_(device_, levelContext_) : device_->TestCooperativeLevel();
    if (level == D3DERR_DEVICELOST)
        return S_FALSE;
    if (level == D3DERR_DEVICENOTRESET)
        return ResetDevice();
    return level;
}

HRESULT CDXRenderEngine::ResetDevice()
{
    ReleaseDefaultPool();
    D3DPRESENT_PARAMETERS pp = presentParams_;
    HRESULT hr = device_->Reset(&pp);
    if (FAILED(hr))
        return hr; // still to be reset: the next tick tries again
    SetDefaultStates();
    hr = RestoreDefaultPool();
    if (SUCCEEDED(hr))
        ++resets_;
    return hr;
}

void CDXRenderEngine::ReleaseDefaultPool()
{
    outputs_.Clear();
    for (CComPtr<IDirect3DTexture9>& t : work_)
        t.Release();
    for (CComPtr<IDirect3DTexture9>& t : fields_)
        t.Release();
    for (int i = 0; i < mixer_->GetInputCount(); ++i) {
        if (CVideoChannel* channel = mixer_->GetChannel(i)) {
            channel->ReleaseFieldTextures();
            channel->ReleaseTextures();
            channel->ReleaseSurfaces();
        }
    }
    // The effects are loaded again after the reset: telling them of the loss alone left them
    // drawing nothing on a reset device. The transitions stay the same objects (the effect
    // list hands them out), only what they hold on the device goes.
    preProcess_.Release();
    channelRender_.Release();
    fields2Frame_.Release();
    for (const auto& entry : effects_)
        entry.second->Uninit();
    // A layer given no device lets go of its target.
    for (IVideoMixerRenderListener* layer : mixer_->GetRenderListeners())
        layer->SetDevice(nullptr);
}

HRESULT CDXRenderEngine::RestoreDefaultPool()
{
    HRESULT hr = LoadEnginePasses();
    if (FAILED(hr))
        return hr;
    // A transition whose file no longer loads fails when it is run, as at start.
    const EffectInitParams params = TransitionParams();
    for (const auto& entry : effects_)
        entry.second->Init(&params);
    hr = CreateWorkTextures();
    if (SUCCEEDED(hr)) {
        staging_.Release(); // made again with the output surfaces
        hr = CreateOutputSurfaces();
    }
    for (int i = 0; i < mixer_->GetInputCount() && SUCCEEDED(hr); ++i)
        if (CVideoChannel* channel = mixer_->GetChannel(i))
            hr = RestoreChannel(channel);
    for (IVideoMixerRenderListener* layer : mixer_->GetRenderListeners())
        layer->SetDevice(device_);
    return hr;
}

HRESULT CDXRenderEngine::RestoreChannel(CVideoChannel* channel)
{
    // A channel whose renderer never asked for surfaces has nothing to make again.
    if (!channel->allocation.dwWidth || !channel->allocation.dwHeight)
        return CreateFieldTextures(channel);
    if (channel->notify) {
        VMR9AllocationInfo info = channel->allocation;
        DWORD count = info.MinBuffers ? info.MinBuffers : 1;
        HRESULT hr = channel->notify->AllocateSurfaceHelper(&info, &count, channel->SurfaceSlots(count));
        if (FAILED(hr)) {
            channel->ReleaseSurfaces();
            return hr;
        }
        channel->surfaces.resize(count);
    }
    HRESULT hr = CreateRenderTexture(mixer_->GetWidth(), mixer_->GetHeight(), &channel->channelTexture);
    if (SUCCEEDED(hr))
        hr = CreateRenderTexture(channel->allocation.dwWidth, channel->allocation.dwHeight, &channel->sourceTexture);
    if (FAILED(hr))
        return hr;
    channel->sourceWidth = channel->allocation.dwWidth;
    channel->sourceHeight = channel->allocation.dwHeight;
    FillTexture(channel->channelTexture, kOpaqueBlack);
    FillTexture(channel->sourceTexture, kOpaqueBlack);
    return CreateFieldTextures(channel);
}

HRESULT CDXRenderEngine::CreateRenderTexture(UINT width, UINT height, IDirect3DTexture9** texture)
{
    if (!device_)
        return E_UNEXPECTED;
    return device_->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                  texture, nullptr);
}

HRESULT CDXRenderEngine::FillTexture(IDirect3DTexture9* texture, D3DCOLOR colour)
{
    if (!device_ || !texture)
        return E_POINTER;
    CComPtr<IDirect3DSurface9> surface;
    HRESULT hr = texture->GetSurfaceLevel(0, &surface);
    if (FAILED(hr))
        return hr;
    return device_->ColorFill(surface, nullptr, colour);
}

HRESULT CDXRenderEngine::CreateWorkTextures()
{
    for (CComPtr<IDirect3DTexture9>& t : work_) {
        HRESULT hr = CreateRenderTexture(width_, height_, &t);
        if (FAILED(hr))
            return hr;
    }
    if (IsInterlacedOutput()) {
        for (CComPtr<IDirect3DTexture9>& t : fields_) {
            HRESULT hr = CreateRenderTexture(width_, height_, &t);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT CDXRenderEngine::CreateOutputSurfaces()
{
    for (int i = 0; i < kOutputSurfaceCount; ++i) {
        IDirect3DSurface9* s = nullptr;
        HRESULT hr = device_->CreateRenderTarget(outputWidth_, outputHeight_, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE,
                                                 0, FALSE, &s, nullptr);
        if (FAILED(hr))
            return hr;
        outputs_.AddFree(s);
    }
    return device_->CreateOffscreenPlainSurface(outputWidth_, outputHeight_, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                &staging_, nullptr);
}

HRESULT CDXRenderEngine::CreateQuads()
{
    HRESULT hr = CreateQuad(device_, &screenQuad_);
    if (SUCCEEDED(hr))
        hr = FillQuad(screenQuad_, float(width_) / targetWidth_, float(height_) / targetHeight_, float(width_),
                      float(height_));
    // The work quad's third coordinate pair gives the source line in pixels for the field
    // pass; it never changes, so it is filled once here.
    if (SUCCEEDED(hr))
        hr = CreateQuad(device_, &workQuad_);
    if (SUCCEEDED(hr))
        hr = FillQuad(workQuad_, 1.0f, 1.0f, 1.0f, float(height_));
    if (FAILED(hr))
        return hr;
    screen_ = MakeQuadMatrices(float(width_), float(height_));
    return S_OK;
}

HRESULT CDXRenderEngine::LoadEnginePasses()
{
    const std::wstring fx = FxFolder();
    if (!FolderExists(fx))
        return E_UNEXPECTED;
    CurrentFolder current(fx);
    if (!current.ok())
        return E_UNEXPECTED;

    struct Pass
    {
        const wchar_t* file;
        CComPtr<ID3DXEffect>* effect;
        bool needed;
    } passes[] = {
        {L"_PreProcess.fxo", std::addressof(preProcess_), true},
        {L"_ChannelRender.fxo", std::addressof(channelRender_), true},
        {L"_Fields2Frame.fxo", std::addressof(fields2Frame_), IsInterlacedOutput()},
    };
    for (const Pass& p : passes) {
        if (!p.needed)
            continue;
        CComPtr<ID3DXBuffer> errors;
        HRESULT hr = D3DXCreateEffectFromFileW(device_, p.file, nullptr, nullptr, 0, nullptr, &*p.effect, &errors);
        if (FAILED(hr)) {
            if (errors)
                ShowEngineMessage(static_cast<const char*>(errors->GetBufferPointer()));
            return hr;
        }
        D3DXHANDLE technique = nullptr;
        if (SUCCEEDED((*p.effect)->FindNextValidTechnique(nullptr, &technique)) && technique)
            (*p.effect)->SetTechnique(technique);
    }
    return S_OK;
}

HRESULT CDXRenderEngine::LoadTransitions()
{
    const EffectInitParams params = TransitionParams();
    DeleteEffects();
    return LoadTransitionEffects(params, effects_);
}

EffectInitParams CDXRenderEngine::TransitionParams() const
{
    EffectInitParams params = {};
    params.nOutputWidth = width_;
    params.nOutputHeight = height_;
    params.nTargetWidth = targetWidth_;
    params.nTargetHeight = targetHeight_;
    params.pDevice = device_;
    memcpy(params.matWorld, static_cast<const float*>(screen_.world), sizeof(params.matWorld));
    memcpy(params.matViewProjection, static_cast<const float*>(screen_.viewProjection),
           sizeof(params.matViewProjection));
    return params;
}

HRESULT CDXRenderEngine::CreateFieldTextures(CVideoChannel* channel)
{
    if (!channel)
        return E_INVALIDARG;
    channel->ReleaseFieldTextures();
    if (!IsInterlacedOutput() || !channel->IsInterlacedSource())
        return S_OK;
    // Two fields in flight plus the one shown and a spare.
    for (int i = 0; i < 4; ++i) {
        CComPtr<IDirect3DTexture9> t;
        HRESULT hr = CreateRenderTexture(width_, height_, &t);
        if (FAILED(hr)) {
            channel->ReleaseFieldTextures();
            return hr;
        }
        FillTexture(t, kOpaqueBlack);
        channel->freeFields.push_back(t);
    }
    return S_OK;
}

HRESULT CDXRenderEngine::ReadBackFrame(IDirect3DSurface9* surface, BYTE* buffer, long* count)
{
    if (!surface || !buffer || !count || *count <= 0)
        return E_INVALIDARG;
    if (!device_ || !staging_)
        return E_UNEXPECTED;
    HRESULT hr = device_->GetRenderTargetData(surface, staging_);
    if (FAILED(hr))
        return hr;
    D3DLOCKED_RECT lr = {};
    hr = staging_->LockRect(&lr, nullptr, D3DLOCK_READONLY | D3DLOCK_NO_DIRTY_UPDATE);
    if (FAILED(hr))
        return hr;
    // Row by row: the staging surface's pitch may be wider than a row of pixels.
    const long row = outputWidth_ * 4;
    const long total = std::min<long>(*count, row * outputHeight_);
    long copied = 0;
    const BYTE* src = static_cast<const BYTE*>(lr.pBits);
    for (int y = 0; y < outputHeight_ && copied < total; ++y) {
        const long n = std::min(row, total - copied);
        memcpy(buffer + copied, src + static_cast<size_t>(y) * lr.Pitch, n);
        copied += n;
    }
    staging_->UnlockRect();
    *count = copied;
    return S_OK;
}

HRESULT CDXRenderEngine::ReadNextFrame(BYTE* buffer, long* count, ProgramFrameInfo* info)
{
    if (!count || !info)
        return E_POINTER;
    OutputFrame frame;
    if (!outputs_.PopFrame(frame))
        return VFW_S_NO_MORE_ITEMS;
    info->flags = frame.flags;
    info->start = frame.start;
    info->stop = frame.stop;
    const HRESULT hr = ReadBackFrame(frame.surface, buffer, count);
    outputs_.ReturnSurface(frame.surface);
    return hr;
}

void CDXRenderEngine::SetPassMatrices(ID3DXEffect* effect, const QuadMatrices& m)
{
    // The engine's passes may transform in their vertex shader or leave it to the fixed
    // pipeline; both get the same matrices.
    effect->SetMatrix("_mat_world", &m.world);
    effect->SetMatrix("_mat_vp", &m.viewProjection);
    device_->SetTransform(D3DTS_WORLD, &m.world);
    device_->SetTransform(D3DTS_VIEW, &m.view);
    device_->SetTransform(D3DTS_PROJECTION, &m.projection);
}

HRESULT CDXRenderEngine::DrawTexture(ID3DXEffect* effect, IDirect3DTexture9* texture)
{
    if (!effect)
        return E_UNEXPECTED;
    BindQuad(device_, screenQuad_, screen_);
    SetPassMatrices(effect, screen_);
    effect->SetTexture("_tex0", texture);
    UINT passes = 0;
    HRESULT hr = effect->Begin(&passes, 0);
    if (FAILED(hr))
        return hr;
    for (UINT i = 0; i < passes; ++i) {
        effect->BeginPass(i);
        hr = device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        effect->EndPass();
    }
    effect->End();
    return hr;
}
