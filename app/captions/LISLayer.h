// One overlay layer: a picture or an animation held as system-memory surfaces (colour key
// already applied), its place as fractions of the target, its opacity, and a motion with
// start delay and repeats. The scene asks it on every output frame which part is visible where.
#pragma once

#include "app/captions/LayerMotion.h"

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <vector>

class CLISScene;

class CLISLayer {
public:
    // Kinds of layer content.
    enum { kKindFromDC = 0, kKindPicture = 1, kKindAnimation = 2 };
    // Corners SetPosition anchors at.
    enum { kAnchorTopLeft = 0, kAnchorTopRight = 1, kAnchorBottomRight = 2, kAnchorBottomLeft = 3 };

    // An empty layer of the given size; frames come from CopyFromDC. The period is taken as given.
    CLISLayer(CLISScene* scene, int kind, int motion, float x, float y, int speed, int stay, int width, int height,
              int period, int alpha, COLORREF colourKey, BYTE keyEnabled, int filter);
    // A layer loaded from a picture file: every frame of a ".gif", else the one picture.
    CLISLayer(const wchar_t* path, CLISScene* scene, int kind, int motion, float x, float y, int speed, int stay,
              int period, int alpha, COLORREF colourKey, BYTE keyEnabled, int filter);
    // A layer loaded from a picture file held in memory (one picture; TGA keeps its own alpha).
    CLISLayer(const BYTE* bytes, DWORD count, CLISScene* scene, int kind, int motion, float x, float y, int speed,
              int stay, int period, int alpha, COLORREF colourKey, BYTE keyEnabled, int filter);
    ~CLISLayer();
    CLISLayer(const CLISLayer&) = delete;
    CLISLayer& operator=(const CLISLayer&) = delete;

    // Copies the layer-sized area at (0, 0) of the device context in as the next frame.
    bool CopyFromDC(HDC source);
    // x, y are fractions of the target; the anchor names the layer corner they place.
    void SetPosition(float x, float y, int anchor);

    void SetStartDelay(int seconds) { startDelay_ = seconds; }
    void SetRepeatCount(int count) { repeatCount_ = count; }
    void SetRepeatInterval(int seconds) { repeatInterval_ = seconds; }
    void SetZ(float z) { z_ = z; }
    float GetZ() const { return z_; }
    bool IsFinished() const { return finished_; }

    // The frame to draw now and the part of it that shows: source in layer pixels; target
    // comes in as (0, 0, target width, target height) and goes out in target pixels. Null
    // when nothing shows; a pass that is over starts the next repeat or finishes the layer.
    IDirect3DSurface9* GetFrame(RECT* source, RECT* target);

    int GetKind() const { return kind_; }
    int GetMotion() const { return placement_.motion; }
    float GetX() const { return placement_.x; }
    float GetY() const { return placement_.y; }
    int GetWidth() const { return placement_.width; }
    int GetHeight() const { return placement_.height; }
    int GetAlpha() const { return alpha_; }
    int GetPeriod() const { return period_; }
    int GetFilter() const { return filter_; }
    int GetStartDelay() const { return startDelay_; }
    int GetRepeatCount() const { return repeatCount_; }
    size_t GetFrameCount() const { return frames_.size(); }

private:
    void Init(CLISScene* scene);
    void LoadAnimation(const wchar_t* path);
    void LoadPicture(const wchar_t* path, const BYTE* bytes, DWORD count);
    bool AddFrame(IDirect3DSurface9* source);
    void EndPass();

    CLISScene* scene_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    int kind_;
    captions::LayerPlacement placement_;
    float z_ = 0;
    int alpha_;
    COLORREF colourKey_;
    BYTE keyEnabled_;
    int filter_;
    int startDelay_ = 0;
    int repeatCount_ = 1;
    int repeatInterval_ = 0;
    std::vector<IDirect3DSurface9*> frames_;
    int period_;
    bool finished_ = false;
    // The pass clock: the tick of its first frame, and the time run since, summed frame by
    // frame in 64 bits so neither the tick counter's wrap nor days of running upset it.
    DWORD startTick_ = 0;
    bool started_ = false;
    DWORD lastTick_ = 0;
    int64_t runMs_ = 0;
};
