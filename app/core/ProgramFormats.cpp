#include "app/core/ProgramFormats.h"

#include <amvideo.h>
#include <uuids.h>

// The audio format travels as its 18-byte image (the wire, the project file, the mixer).
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is 18 bytes");

WAVEFORMATEX ProgramAudioFormat()
{
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.nAvgBytesPerSec = 176400;
    f.nBlockAlign = 4;
    f.wBitsPerSample = 16;
    f.cbSize = 0;
    return f;
}

CMediaType ProgramAudioType(const WAVEFORMATEX& format, ULONG sampleSize)
{
    CMediaType type(&MEDIATYPE_Audio);
    type.SetSubtype(&MEDIASUBTYPE_PCM);
    type.SetSampleSize(sampleSize);
    type.SetTemporalCompression(FALSE);
    type.SetFormatType(&FORMAT_WaveFormatEx);
    WAVEFORMATEX copy = format;
    copy.cbSize = 0;
    type.SetFormat(reinterpret_cast<const BYTE*>(&copy), sizeof(copy));
    return type;
}

CMediaType ProgramVideoType(int width, int height, float frameRate)
{
    VIDEOINFOHEADER vih = {};
    const DWORD sampleSize = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    SetRect(&vih.rcSource, 0, 0, width, height);
    vih.rcTarget = vih.rcSource;
    vih.dwBitRate = static_cast<DWORD>(sampleSize * 8.0 * frameRate);
    vih.AvgTimePerFrame = static_cast<REFERENCE_TIME>(10000000.0 / frameRate);
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = -height;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = 32;
    vih.bmiHeader.biCompression = BI_RGB;
    vih.bmiHeader.biSizeImage = 0;

    CMediaType type(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB32);
    type.SetSampleSize(sampleSize);
    type.SetTemporalCompression(FALSE);
    type.SetFormatType(&FORMAT_VideoInfo);
    type.SetFormat(reinterpret_cast<const BYTE*>(&vih), sizeof(vih));
    return type;
}
