// What the capture pin reports about itself through IAMStreamConfig and IKsPropertySet,
// kept apart from the pin so it can be checked without a graph.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <strmif.h>

#include "app/core/VDWireFormat.h"

namespace vd {

static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128, "the video capability record is 128 bytes");
static_assert(sizeof(AUDIO_STREAM_CONFIG_CAPS) == 52, "the audio capability record is 52 bytes");

// The one capability, describing exactly the device's type. Sizes use the picture's
// height as a positive number; a top-down type states it negative.
void FillVideoCaps(const VdMediaType& type, VIDEO_STREAM_CONFIG_CAPS* caps);
void FillAudioCaps(const VdMediaType& type, AUDIO_STREAM_CONFIG_CAPS* caps);

// IKsPropertySet::Get and QuerySupported for the pin: only the pin category, which is
// capture. With a size pointer and no buffer, Get reports the size the answer needs.
HRESULT GetPinCategory(REFGUID propSet, DWORD propId, void* data, DWORD dataSize, DWORD* returned);
HRESULT QueryPinCategorySupport(REFGUID propSet, DWORD propId, DWORD* support);

}  // namespace vd
