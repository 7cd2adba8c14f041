// The program audio type as the director gives it to the output graphs: 44.1 kHz 16-bit
// stereo PCM in 40 ms chunks.
#pragma once

#include "testing/dv/StandInPins.h"

inline CMediaType ProgramAudioType(long chunkBytes = 7056)
{
    return standin::ProgramPcmType(44100, static_cast<ULONG>(chunkBytes));
}
