// What the frame server's renderer does with media types and samples, apart from the pin
// classes: which types its pins take, the set-up reply of a pin's connection type, and the
// framing of a received sample.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <strmif.h>

#include "app/graphs/outputs/vd/VDFrameServer.h"
#include "app/core/VDWireFormat.h"

#include <vector>

namespace vd {

// The video pin takes only RGB24 video (the device sends it as it comes); the audio pin
// takes anything. S_OK or E_FAIL.
HRESULT CheckRenderType(bool video, const AM_MEDIA_TYPE& mt);

// The set-up reply for a pin's connection type; VFW_E_NOT_CONNECTED without one.
HRESULT BuildSetupReply(const AM_MEDIA_TYPE* connectionType, std::vector<uint8_t>* reply);

// Sends the sample's bytes with its times (0 and 0 when it carries none).
void SendMediaSample(VDFrameServer& server, bool video, IMediaSample* sample);

// The listen port: 0 (no setting) means the default, so the device, which tries 8601
// unless told otherwise, finds the server.
uint16_t ListenPortOrDefault(uint16_t port);

}  // namespace vd
