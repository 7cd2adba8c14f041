#include "app/captions/LISLayer.h"

#include "app/captions/LISScene.h"
#include "app/core/EngineClock.h"
#include "app/captions/image/ImageCodecs.h"
#include "app/captions/image/ximage.h"
#include "app/foundation/LogWriter.h"

#include <d3dx9.h>

#include <algorithm>
#include <cwctype>
#include <string>

namespace {

bool IsGif(const wchar_t* path)
{
    std::wstring s(path ? path : L"");
    const size_t dot = s.find_last_of(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring ext = s.substr(dot);
    for (wchar_t& c : ext) c = wchar_t(std::towlower(c));
    return ext == L".gif";
}

D3DCOLOR OpaqueKey(COLORREF c) { return D3DCOLOR_ARGB(0xFF, GetRValue(c), GetGValue(c), GetBValue(c)); }

void LogRefusedPicture(const wchar_t* path, const char* why)
{
    const std::wstring name = path ? path : L"(picture bytes)";
    const int n = WideCharToMultiByte(CP_ACP, 0, name.c_str(), int(name.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(size_t(std::max(n, 0)), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, name.c_str(), int(name.size()), &ansi[0], n, nullptr, nullptr);
    AppLog() << LogTime << " layer picture " << ansi << " not loaded: " << why << std::endl;
}

} // namespace

void CLISLayer::Init(CLISScene* scene)
{
    scene_ = scene;
    device_ = scene ? scene->GetDevice() : nullptr;
    if (device_) device_->AddRef();
}

CLISLayer::CLISLayer(CLISScene* scene, int kind, int motion, float x, float y, int speed, int stay, int width,
                     int height, int period, int alpha, COLORREF colourKey, BYTE keyEnabled, int filter)
    : kind_(kind), alpha_(alpha), colourKey_(colourKey), keyEnabled_(keyEnabled), filter_(filter), period_(period)
{
    placement_.motion = motion;
    placement_.x = x;
    placement_.y = y;
    placement_.speed = speed;
    placement_.stay = stay;
    placement_.width = width;
    placement_.height = height;
    Init(scene);
}

CLISLayer::CLISLayer(const wchar_t* path, CLISScene* scene, int kind, int motion, float x, float y, int speed,
                     int stay, int period, int alpha, COLORREF colourKey, BYTE keyEnabled, int filter)
    : CLISLayer(scene, kind, motion, x, y, speed, stay, 0, 0, std::max(period, 10), alpha, colourKey, keyEnabled,
                filter)
{
    if (IsGif(path)) LoadAnimation(path);
    else LoadPicture(path, nullptr, 0);
}

CLISLayer::CLISLayer(const BYTE* bytes, DWORD count, CLISScene* scene, int kind, int motion, float x, float y,
                     int speed, int stay, int period, int alpha, COLORREF colourKey, BYTE keyEnabled, int filter)
    : CLISLayer(scene, kind, motion, x, y, speed, stay, 0, 0, std::max(period, 10), alpha, colourKey, keyEnabled,
                filter)
{
    LoadPicture(nullptr, bytes, count);
}

CLISLayer::~CLISLayer()
{
    for (IDirect3DSurface9* f : frames_) f->Release();
    if (device_) device_->Release();
}

void CLISLayer::LoadAnimation(const wchar_t* path)
{
    if (!device_) return;
    // One decode composes every frame once; decoding frame i on its own composes the i frames
    // before it again, which made the loop over the frames quadratic.
    CxImage gif;
    gif.SetRetreiveAllFrames(true);
    if (!gif.Load(path, CXIMAGE_FORMAT_GIF) || gif.GetNumFrames() <= 0) {
        LogRefusedPicture(path, gif.GetLastError());
        return;
    }
    placement_.width = int(gif.GetWidth());
    placement_.height = int(gif.GetHeight());
    period_ = std::max<int>(int(gif.GetFrameDelay()) * 10, 100);
    for (long i = 0; i < gif.GetNumFrames(); ++i) {
        const CxImage* frame = gif.GetFrame(i);
        if (!frame) continue;
        // Frames are written with their alpha, so the GIF's transparent pixels stay
        // transparent over the program (a device context would have lost them).
        CComPtr<IDirect3DSurface9> surface;
        const UINT w = frame->GetWidth(), h = frame->GetHeight();
        if (FAILED(device_->CreateOffscreenPlainSurface(w, h, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr)))
            continue;
        D3DLOCKED_RECT lr;
        if (FAILED(surface->LockRect(&lr, nullptr, 0))) continue;
        for (UINT y = 0; y < h; ++y)
            memcpy(static_cast<BYTE*>(lr.pBits) + size_t(y) * lr.Pitch, frame->GetPixels32() + size_t(y) * w, w * 4);
        surface->UnlockRect();
        AddFrame(surface.Get());
    }
}

void CLISLayer::LoadPicture(const wchar_t* path, const BYTE* bytes, DWORD count)
{
    if (!device_ || (!path && (!bytes || !count))) return;
    D3DXIMAGE_INFO info;
    const HRESULT hr = path ? D3DXGetImageInfoFromFileW(path, &info) : D3DXGetImageInfoFromFileInMemory(bytes, count, &info);
    if (FAILED(hr) || info.Width == 0 || info.Height == 0) return;
    // The file's header alone gives the size: a few bytes may claim any, so the picture is
    // held to the decoders' cap before a surface is made for it.
    const std::string tooLarge = captions::image::SizeError("picture", info.Width, info.Height);
    if (!tooLarge.empty()) {
        LogRefusedPicture(path, tooLarge.c_str());
        return;
    }
    CComPtr<IDirect3DSurface9> surface;
    if (FAILED(device_->CreateOffscreenPlainSurface(info.Width, info.Height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                    &surface, nullptr)))
        return;
    const HRESULT loaded = path ? D3DXLoadSurfaceFromFileW(surface.Get(), nullptr, nullptr, path, nullptr,
                                                           D3DX_DEFAULT, 0, nullptr)
                                : D3DXLoadSurfaceFromFileInMemory(surface.Get(), nullptr, nullptr, bytes, count,
                                                                  nullptr, D3DX_DEFAULT, 0, nullptr);
    if (FAILED(loaded)) return;
    placement_.width = int(info.Width);
    placement_.height = int(info.Height);
    AddFrame(surface.Get());
}

bool CLISLayer::AddFrame(IDirect3DSurface9* source)
{
    if (!device_ || !source || placement_.width <= 0 || placement_.height <= 0) return false;
    CComPtr<IDirect3DSurface9> frame;
    if (FAILED(device_->CreateOffscreenPlainSurface(UINT(placement_.width), UINT(placement_.height), D3DFMT_A8R8G8B8,
                                                    D3DPOOL_SYSTEMMEM, &frame, nullptr)))
        return false;
    if (FAILED(D3DXLoadSurfaceFromSurface(frame.Get(), nullptr, nullptr, source, nullptr, nullptr, D3DX_DEFAULT,
                                          keyEnabled_ ? OpaqueKey(colourKey_) : 0)))
        return false;
    if (!keyEnabled_ && alpha_ < 100) {
        // Unkeyed layers that are see-through anyway show their key colour at half strength.
        D3DLOCKED_RECT lr;
        if (SUCCEEDED(frame->LockRect(&lr, nullptr, 0))) {
            const DWORD key = OpaqueKey(colourKey_) & 0xFFFFFF;
            for (int y = 0; y < placement_.height; ++y) {
                DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + size_t(y) * lr.Pitch);
                for (int x = 0; x < placement_.width; ++x)
                    if ((row[x] & 0xFFFFFF) == key) row[x] &= 0x7FFFFFFF;
            }
            frame->UnlockRect();
        }
    }
    frames_.push_back(frame.Detach());
    return true;
}

bool CLISLayer::CopyFromDC(HDC source)
{
    if (!device_ || !source || placement_.width <= 0 || placement_.height <= 0) return false;
    CComPtr<IDirect3DSurface9> surface;
    if (FAILED(device_->CreateOffscreenPlainSurface(UINT(placement_.width), UINT(placement_.height), D3DFMT_X8R8G8B8,
                                                    D3DPOOL_SYSTEMMEM, &surface, nullptr)))
        return false;
    HDC dc = nullptr;
    if (FAILED(surface->GetDC(&dc))) return false;
    const BOOL copied = BitBlt(dc, 0, 0, placement_.width, placement_.height, source, 0, 0, SRCCOPY);
    surface->ReleaseDC(dc);
    return copied && AddFrame(surface.Get());
}

void CLISLayer::SetPosition(float x, float y, int anchor)
{
    if (!scene_) return;
    // A logo is moved to another corner while the scene may be drawing it.
    CLISScene::Lock lock(*scene_);
    const float tw = float(std::max(scene_->GetWidth(), 1)), th = float(std::max(scene_->GetHeight(), 1));
    const bool right = anchor == kAnchorTopRight || anchor == kAnchorBottomRight;
    const bool bottom = anchor == kAnchorBottomRight || anchor == kAnchorBottomLeft;
    placement_.x = right ? std::max(0.0f, x - float(placement_.width) / tw) : x;
    placement_.y = bottom ? std::max(0.0f, y - float(placement_.height) / th) : y;
}

void CLISLayer::EndPass()
{
    if (repeatCount_ >= 2 || repeatCount_ == 0) {
        if (repeatCount_ >= 2) --repeatCount_;
        // An endless repeat keeps adding its interval; saturate rather than wrap.
        startDelay_ = int(std::min<int64_t>(int64_t(startDelay_) + repeatInterval_, 0x7FFFFFFF));
        started_ = false;
        startTick_ = 0;
    } else {
        finished_ = true;
    }
}

IDirect3DSurface9* CLISLayer::GetFrame(RECT* source, RECT* target)
{
    if (!source || !target) return nullptr;
    const int tw = target->right - target->left, th = target->bottom - target->top;
    SetRectEmpty(source);
    SetRectEmpty(target);
    if (frames_.empty() || finished_) return nullptr;

    // The low 32 bits of the engine clock: the motion's unsigned arithmetic runs across a wrap.
    const DWORD now = static_cast<DWORD>(EngineClock::Now());
    if (!started_) {
        started_ = true;
        startTick_ = now;
        lastTick_ = now;
        runMs_ = 0;
    } else {
        runMs_ += DWORD(now - lastTick_);
        lastTick_ = now;
    }
    const int64_t elapsed = runMs_ - int64_t(startDelay_) * 1000;

    RECT s, t;
    switch (captions::PlaceLayer(placement_, elapsed, tw, th, s, t)) {
    case captions::PassPhase::Waiting:
        return nullptr;
    case captions::PassPhase::Over:
        EndPass();
        return nullptr;
    case captions::PassPhase::Visible:
        break;
    }
    *source = s;
    *target = t;
    if (frames_.size() == 1) return frames_[0];
    return frames_[size_t((elapsed / std::max(period_, 1)) % int64_t(frames_.size()))];
}
