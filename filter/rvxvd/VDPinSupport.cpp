#include "filter/rvxvd/VDPinSupport.h"

#include "filter/rvxvd/VDMediaFormat.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <cstdlib>
#include <cstring>

namespace vd {

void FillVideoCaps(const VdMediaType& type, VIDEO_STREAM_CONFIG_CAPS* caps)
{
    std::memset(caps, 0, sizeof(*caps));
    VdVideoFormat v;
    ReadVideoFormat(type, &v);
    const SIZE size = {v.width, std::labs(v.height)};
    caps->guid = FORMAT_VideoInfo;
    caps->VideoStandard = 0;
    caps->InputSize = size;
    caps->MinCroppingSize = size;
    caps->MaxCroppingSize = size;
    caps->CropGranularityX = 1;
    caps->CropGranularityY = 1;
    caps->MinOutputSize = size;
    caps->MaxOutputSize = size;
    caps->MinFrameInterval = v.avgTimePerFrame;
    caps->MaxFrameInterval = v.avgTimePerFrame;
    caps->MinBitsPerSecond = static_cast<LONG>(v.bitRate);
    caps->MaxBitsPerSecond = static_cast<LONG>(v.bitRate);
}

void FillAudioCaps(const VdMediaType& type, AUDIO_STREAM_CONFIG_CAPS* caps)
{
    std::memset(caps, 0, sizeof(*caps));
    VdAudioFormat a;
    ReadAudioFormat(type, &a);
    caps->guid = MEDIATYPE_Audio;
    caps->MinimumChannels = caps->MaximumChannels = a.channels;
    caps->MinimumBitsPerSample = caps->MaximumBitsPerSample = a.bitsPerSample;
    caps->MinimumSampleFrequency = caps->MaximumSampleFrequency = a.samplesPerSec;
    caps->ChannelsGranularity = 1;
    caps->BitsPerSampleGranularity = 1;
    caps->SampleFrequencyGranularity = 1;
}

HRESULT GetPinCategory(REFGUID propSet, DWORD propId, void* data, DWORD dataSize, DWORD* returned)
{
    if (!IsEqualGUID(propSet, AMPROPSETID_Pin))
        return E_PROP_SET_UNSUPPORTED;
    if (propId != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (!data && !returned)
        return E_POINTER;
    if (returned)
        *returned = sizeof(GUID);
    if (!data)
        return S_OK;
    if (dataSize < sizeof(GUID))
        return E_UNEXPECTED;
    *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
    return S_OK;
}

HRESULT QueryPinCategorySupport(REFGUID propSet, DWORD propId, DWORD* support)
{
    if (!IsEqualGUID(propSet, AMPROPSETID_Pin))
        return E_PROP_SET_UNSUPPORTED;
    if (propId != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (support)
        *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

}  // namespace vd
