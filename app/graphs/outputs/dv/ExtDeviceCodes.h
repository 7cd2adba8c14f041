// The external-device values the IEEE-1394 output asks a DV deck and sets on it through
// IAMExtDevice and IAMExtTransport. The compilers' headers carry only part of this group, so
// the output names the ones it uses itself.
#pragma once

#include <windows.h>

namespace extdev {

// IAMExtDevice::GetCapability: which kind of device it is, and the answer of a tape deck.
const LONG kCapabilityDeviceType = 4103;
const LONG kDeviceTypeVcr = 4104;

// IAMExtTransport::put_Mode
const LONG kModeStop = 4297;
const LONG kModeRecord = 4302;

// IAMExtTransport::GetStatus: the medium in the deck, and the answer when there is none.
const LONG kStatusMediaType = 4607;
const LONG kMediaNotPresent = 5023;

// IAMExtTransport::GetStatus: the standard of the signal at the deck's input.
const LONG kStatusInputSignal = 5036;
const LONG kSignal525_60_SD = 5038;
const LONG kSignal525_60_SDL = 5039;
const LONG kSignal625_50_SD = 5040;
const LONG kSignal625_50_SDL = 5041;

} // namespace extdev
