// One source of a channel or a programme: the list name (a device's list text, or the path
// or URL of a file or network source), a device's DevicePath, flags and the capture filter
// once bound. Sources travel in pairs, audio first, then video.
#pragma once

#include <afx.h>

#include <windows.h>
#include <strmif.h>

struct SourceDescriptor {
    enum Flags : DWORD {
        kNamed = 1,         // bit 0: a source is named
        kCaptureDevice = 2, // bit 1: a capture device with a bound filter
    };

    SourceDescriptor() = default;
    SourceDescriptor(const SourceDescriptor& other)
        : name(other.name), path(other.path), flags(other.flags), filter(other.filter)
    {
        if (filter)
            filter->AddRef();
    }
    SourceDescriptor& operator=(const SourceDescriptor& other)
    {
        if (this != &other) {
            if (other.filter)
                other.filter->AddRef();
            if (filter)
                filter->Release();
            filter = other.filter;
            name = other.name;
            path = other.path;
            flags = other.flags;
        }
        return *this;
    }
    ~SourceDescriptor()
    {
        if (filter)
            filter->Release();
    }

    bool IsCaptureDevice() const { return (flags & kCaptureDevice) != 0; }

    CString name;
    CString path;
    DWORD flags = 0;
    IBaseFilter* filter = nullptr; // one reference held
};
