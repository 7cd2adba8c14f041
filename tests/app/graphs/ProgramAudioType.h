// The program audio type as the director gives it to the output graphs: 44.1 kHz 16-bit
// stereo PCM in 40 ms chunks.
#pragma once

#include <streams.h>

#include <mmreg.h>

inline CMediaType ProgramAudioType(long chunkBytes = 7056)
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Audio);
    mt.SetSubtype(&MEDIASUBTYPE_PCM);
    mt.SetFormatType(&FORMAT_WaveFormatEx);
    WAVEFORMATEX* wf = reinterpret_cast<WAVEFORMATEX*>(mt.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    ZeroMemory(wf, sizeof *wf);
    wf->wFormatTag = WAVE_FORMAT_PCM;
    wf->nChannels = 2;
    wf->nSamplesPerSec = 44100;
    wf->nAvgBytesPerSec = 176400;
    wf->nBlockAlign = 4;
    wf->wBitsPerSample = 16;
    mt.SetSampleSize(chunkBytes);
    return mt;
}
