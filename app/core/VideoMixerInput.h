// The video mixer as a channel graph sees it. The graph's renderless VMR-9 is attached to one
// mixer input, whose allocator-presenter the mixer then is, so decoded frames arrive in the
// engine without the graph knowing the engine; the graph tells the mixer the format it
// connected with and negotiates capture formats to the program's size and rate.
#pragma once

#include <windows.h>
#include <strmif.h>

class IVideoMixerInput {
public:
    // The renderer must be a VMR-9 in renderless mode in a stopped graph; `window` shows the
    // channel's picture.
    virtual HRESULT AttachChannel(IBaseFilter* renderer, const int* input, HWND window) = 0;
    // The channel's graph must be stopped.
    virtual HRESULT DetachChannel(int input) = 0;
    virtual bool IsChannelAttached(int input) = 0;
    // The connection's type with the input format options (deinterlace, field order, aspect,
    // keep aspect).
    virtual HRESULT SetChannelFormat(int input, const AM_MEDIA_TYPE* type, int deinterlace, int fieldOrder,
                                     int aspect, int keepAspect) = 0;

    // The program's nominal size and frame rate.
    virtual int GetOutputWidth() const = 0;
    virtual int GetOutputHeight() const = 0;
    virtual float GetFrameRate() const = 0;

protected:
    // The mixer is reference counted and never deleted through this interface.
    ~IVideoMixerInput() = default;
};
