// The contracts between the engine and its producers and consumers of media: channel audio
// renderers, output pins, the audio preview and the overlay scene. They are plain abstract
// classes, not COM interfaces: no reference counting, no QueryInterface. Whoever registers a
// listener guarantees that it outlives its registration.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <d3d9.h>

// Receives PCM audio. The sample is valid only during the call; a listener that keeps data
// copies it. The two trailing integers are one 64-bit time split low half first: a channel's
// audio renderer passes its stream time, the audio mixer passes 0 and 0, and the director
// forwards both halves unchanged.
class IGrabListener
{
public:
    virtual void OnSample(int id, IMediaSample* sample, int timeLow, int timeHigh) = 0;
    virtual void OnFlush(int id) { (void)id; }

protected:
    // Listeners are never deleted through this interface.
    ~IGrabListener() = default;
};

// Receives every program frame. The record and its buffer belong to the caller and are reused
// for the next frame; the id is always 0.
class IVideoListener
{
public:
    virtual void OnVideoFrame(int id, const AM_SAMPLE2_PROPERTIES* frame) = 0;

protected:
    ~IVideoListener() = default;
};

// Told that the render engine has queued a new program frame (times in 100-ns units).
class IVideoMixerListener
{
public:
    virtual void OnFrameReady(LONGLONG start, LONGLONG stop) = 0;

protected:
    ~IVideoMixerListener() = default;
};

// A layer the mixer draws. A program layer is drawn into every program frame; a layer that is
// not and has a preview window is drawn after the program frame and presented into that window.
class IVideoMixerRenderListener
{
public:
    virtual HRESULT SetDevice(IDirect3DDevice9* device) = 0;
    virtual HRESULT Render(IDirect3DDevice9* device, int reserved) = 0;
    virtual bool IsProgramLayer() = 0;
    virtual HWND GetPreviewWindow() = 0;

protected:
    ~IVideoMixerRenderListener() = default;
};

// Splits a 64-bit time into the two halves OnSample carries, and joins them again.
inline void SplitSampleTime(LONGLONG time, int& low, int& high)
{
    const ULONGLONG bits = static_cast<ULONGLONG>(time);
    low = static_cast<int>(static_cast<DWORD>(bits & 0xFFFFFFFFu));
    high = static_cast<int>(static_cast<DWORD>(bits >> 32));
}

inline LONGLONG JoinSampleTime(int low, int high)
{
    const ULONGLONG bits = (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) |
                           static_cast<ULONGLONG>(static_cast<DWORD>(low));
    return static_cast<LONGLONG>(bits);
}

#ifndef _WIN64
// The director hands this record to every video listener; its 32-bit image is fixed.
static_assert(sizeof(AM_SAMPLE2_PROPERTIES) == 48, "AM_SAMPLE2_PROPERTIES is 48 bytes on 32-bit Windows");
#endif
