// Hand-built fixtures of the wire records, shared by the frame server's tests.
#pragma once

#include "app/core/VDWireFormat.h"

#include <cstdint>
#include <vector>

vd::VdMediaType Video720Type();
vd::VdMediaType AudioPcmType();
// The format block of the video type, written out byte by byte.
std::vector<uint8_t> Vih720Fixture();
// The whole set-up replies for those two types, written out byte by byte.
std::vector<uint8_t> VideoReplyFixture();
std::vector<uint8_t> AudioReplyFixture();
