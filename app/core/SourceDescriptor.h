// One media source of a channel or a playout programme: a capture device, a file or a
// network address. Sources travel in pairs {audio, video}. A device's filter is bound
// from its moniker and never stored; after loading, BindSourceFilters binds it again.
#pragma once

#include <afx.h>
#include <streams.h>

class SourceDescriptor {
public:
    enum : DWORD {
        kNamed = 0x1,          // the operator chose a source
        kCaptureDevice = 0x2,  // a capture device, its filter bound from its moniker
    };

    SourceDescriptor() = default;
    SourceDescriptor(const SourceDescriptor& other);
    // Copies name, path and flags; the filter is shared (one more reference) only when
    // the source is a capture device that holds one.
    SourceDescriptor& operator=(const SourceDescriptor& other);
    ~SourceDescriptor() = default;

    // Name, path (MFC strings) and flags (32 bits). Loading drops any bound filter: it
    // belonged to the source this object named before.
    void Serialize(CArchive& ar);

    bool IsCaptureDevice() const { return (flags & kCaptureDevice) != 0; }

    // The device list name, or the file path or URL.
    CString name;
    // A device's DevicePath, or its list name when it has none; empty for files and URLs.
    CString path;
    CComPtr<IBaseFilter> filter;
    DWORD flags = 0;
};

// Binds the capture filters of a pair that have none yet: each by its path in its own
// category; a DV camcorder named alike in both shares the video filter. Returns 1.
BOOL BindSourceFilters(SourceDescriptor& audio, SourceDescriptor& video);
