// Capture format negotiation: the capability of a capture pin that fits the program's size
// and frame rate, and the media type asked of the device.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <vector>

struct CaptureTarget
{
    LONG width = 0;
    LONG height = 0;
    REFERENCE_TIME frameInterval = 0; // 100-ns units
};

// 10,000,000 / rate, truncated; 0 for a rate that is not positive.
REFERENCE_TIME FrameIntervalForRate(float rate);

// The first capability whose size range and frame interval range hold the target, else 0.
size_t ChooseCaptureCapability(const std::vector<VIDEO_STREAM_CONFIG_CAPS>& caps, const CaptureTarget& target);

// A size on the capability's grid: from the minimum, one granularity step at a time while
// below the target, never past the maximum. A granularity of 0 leaves the minimum.
SIZE CaptureSizeFor(const VIDEO_STREAM_CONFIG_CAPS& caps, const CaptureTarget& target);

// The image size of an uncompressed frame: rows padded to a multiple of four pixels, and the
// bit count applied after the multiplication so that 12-bit formats come out whole.
DWORD CaptureImageSize(LONG width, LONG height, WORD bitCount);

// Writes the chosen size, image size and frame interval into a VIDEOINFOHEADER or
// VIDEOINFOHEADER2 type; another format type keeps its header (the frame interval is still
// clamped into the capability's range). FALSE when the format block is too short to hold
// the header its format type names.
BOOL ApplyCaptureTarget(AM_MEDIA_TYPE& type, const VIDEO_STREAM_CONFIG_CAPS& caps, const CaptureTarget& target);

// The whole negotiation on one pin's stream configuration. S_FALSE when the device's
// capability structure is not the video one (it keeps its own format).
HRESULT NegotiateVideoCaptureFormat(IAMStreamConfig* config, const CaptureTarget& target);
