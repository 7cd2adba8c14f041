// The meeting point of the channel graphs and the render engine: the VMR-9 allocator-presenter
// of every channel's renderer (renderless mode), the list of active inputs, the transition
// state and the mixing clock that composes one output picture per tick.
#pragma once

#include "app/core/Listeners.h"
#include "app/core/MmTimer.h"
#include "app/core/VideoMixerInput.h"
#include "app/engine/ChannelVideoSettings.h"
#include "app/engine/ProgramFrameSource.h"

#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>

#include <vector>

class CArchive;
class CRenderEffect;
class CRenderEngine;
class CDXRenderEngine;
class CVideoChannel;

struct VideoMixerParams
{
    HWND renderWindow = nullptr;
    int inputCount = 5;
    int engineKind = 0; // 0: Direct3D, the only kind
    int width = 320;
    int height = 240;
    float frameRate = 25.0f;
    double pixelAspect = 1.0;
    int fieldType = 2; // 0, 1 interlaced (first field odd / even), 2 progressive
};

// Reference counted: every renderer it serves holds a reference, and a detached renderer
// keeps its reference until it is destroyed (it cannot be told to drop it: a null allocator
// crashes some renderers). So the owner stops the mixer and releases its own reference
// rather than deleting it.
class CVideoMixer : public IVMRSurfaceAllocator9, public IVMRImagePresenter9, public IVideoMixerInput
{
public:
    explicit CVideoMixer(const VideoMixerParams& params);
    virtual ~CVideoMixer();
    CVideoMixer(const CVideoMixer&) = delete;
    CVideoMixer& operator=(const CVideoMixer&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IVMRSurfaceAllocator9
    STDMETHODIMP InitializeDevice(DWORD_PTR input, VMR9AllocationInfo* info, DWORD* count) override;
    STDMETHODIMP TerminateDevice(DWORD_PTR input) override;
    STDMETHODIMP GetSurface(DWORD_PTR input, DWORD index, DWORD flags, IDirect3DSurface9** surface) override;
    STDMETHODIMP AdviseNotify(IVMRSurfaceAllocatorNotify9* notify) override;

    // IVMRImagePresenter9
    STDMETHODIMP StartPresenting(DWORD_PTR input) override;
    STDMETHODIMP StopPresenting(DWORD_PTR input) override;
    STDMETHODIMP PresentImage(DWORD_PTR input, VMR9PresentationInfo* info) override;

    HRESULT Start();
    HRESULT Stop();
    HRESULT StartClock();
    HRESULT StopClock();
    // One tick of the mixing clock; the multimedia timer calls it, tests call it by hand.
    void OnClockTick();

    // IVideoMixerInput: the channel graphs' side.
    HRESULT AttachChannel(IBaseFilter* renderer, const int* input, HWND window) override;
    HRESULT DetachChannel(int input) override;
    bool IsChannelAttached(int input) override { return GetChannel(input) != nullptr; }
    HRESULT SetChannelFormat(int input, const AM_MEDIA_TYPE* type, int deinterlace, int fieldOrder, int aspect,
                             int keepAspect) override;
    int GetOutputWidth() const override { return outputWidth_; }
    int GetOutputHeight() const override { return outputHeight_; }
    float GetFrameRate() const override { return frameRate_; }

    HRESULT BeginTransition(int effectId, const std::vector<int>& inputs, int timed, int durationMs);
    HRESULT SetTransitionPosition(int position);
    // The mixer alone decides whether the inputs change places: `swapped` (may be null) tells
    // the director whether program and preview did.
    HRESULT EndTransition(bool swap, bool* swapped = nullptr);
    HRESULT CutTo(int input);

    void SetListener(IVideoMixerListener* listener);
    void AddRenderListener(IVideoMixerRenderListener* listener);
    void RemoveRenderListener(IVideoMixerRenderListener* listener);
    void AddPresentWindow(HWND window);
    void RemovePresentWindow(HWND window);

    void GetEffectList(std::vector<CRenderEffect*>& list);
    CVideoChannel* GetChannel(int input);
    ChannelVideoSettings* GetChannelSettings(int input);
    HRESULT GetOutputMediaType(AM_MEDIA_TYPE* type) const;
    void SerializeChannelSettings(CArchive& ar);

    int GetWidth() const { return renderWidth_; }
    int GetHeight() const { return outputHeight_; }
    int GetFieldType() const { return fieldType_; }
    int GetInputCount() const { return inputCount_; }
    HWND GetRenderWindow() const { return renderWindow_; }
    UINT GetClockPeriod() const;
    bool IsStarted() const { return started_; }
    CRenderEngine* GetRenderEngine() const;
    // The engine's device, on which the overlay scenes draw; null before Start.
    IDirect3DDevice9* GetDevice() const;
    // Where the director's frame thread takes composed program frames from.
    IProgramFrameSource* GetProgramFrames() const;
    CDXRenderEngine* GetDXRenderEngine() const { return engine_; }
    std::vector<int> GetActiveInputs();

    // Read by the render engine while it composes (under the mixer lock).
    IVideoMixerListener* GetListener() const { return listener_; }
    const std::vector<IVideoMixerRenderListener*>& GetRenderListeners() const { return renderListeners_; }
    const std::vector<HWND>& GetPresentWindows() const { return presentWindows_; }

    void Lock() { lock_.Lock(); }
    void Unlock() { lock_.Unlock(); }

private:
    static void ClockTick(void* self);
    bool ValidInput(DWORD_PTR input) const { return input < static_cast<DWORD_PTR>(inputCount_); }

    CCritSec lock_;
    LONG refCount_ = 1;
    bool started_ = false;
    HWND renderWindow_;
    int inputCount_;
    std::vector<CVideoChannel*> inputs_;
    std::vector<ChannelVideoSettings> settings_;
    CDXRenderEngine* engine_ = nullptr; // Direct3D, the only kind of engine
    int outputWidth_;
    int outputHeight_;
    float frameRate_;
    double pixelAspect_;
    int fieldType_;
    int renderWidth_;
    float clockRate_;
    CMmTimer clock_;
    LONGLONG clockStart_ = 0;
    std::vector<int> active_;
    int effectId_ = 0;
    int position_ = 0;
    int timed_ = 0;
    int duration_ = 0;
    LONGLONG transitionStart_ = 0;
    bool transitionStartTaken_ = false;
    IVideoMixerListener* listener_ = nullptr;
    std::vector<IVideoMixerRenderListener*> renderListeners_;
    std::vector<HWND> presentWindows_;
};
