#include "app/graphs/VDRenderSupport.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfwmsgs.h>

namespace vd {

// The wire image is the 32-bit AM_MEDIA_TYPE; a 64-bit build's is larger, which is why the
// image is written field by field. The format blocks hold no pointers and match on both.
#ifndef _WIN64
static_assert(sizeof(AM_MEDIA_TYPE) == kMediaTypeImageSize, "the 32-bit media type is the wire image");
#endif
static_assert(sizeof(VIDEOINFOHEADER) == 88, "VIDEOINFOHEADER travels as 88 bytes");
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX travels as 18 bytes");

HRESULT CheckRenderType(bool video, const AM_MEDIA_TYPE& mt)
{
    if (video && IsEqualGUID(mt.majortype, MEDIATYPE_Video) && !IsEqualGUID(mt.subtype, MEDIASUBTYPE_RGB24))
        return E_FAIL;
    return S_OK;
}

HRESULT BuildSetupReply(const AM_MEDIA_TYPE* connectionType, std::vector<uint8_t>* reply)
{
    if (!connectionType)
        return VFW_E_NOT_CONNECTED;
    VdMediaType t;
    t.majortype = connectionType->majortype;
    t.subtype = connectionType->subtype;
    t.bFixedSizeSamples = connectionType->bFixedSizeSamples;
    t.bTemporalCompression = connectionType->bTemporalCompression;
    t.lSampleSize = connectionType->lSampleSize;
    t.formattype = connectionType->formattype;
    if (connectionType->pbFormat && connectionType->cbFormat)
        t.format.assign(connectionType->pbFormat, connectionType->pbFormat + connectionType->cbFormat);
    *reply = EncodeSetupReply(t);
    return S_OK;
}

void SendMediaSample(VDFrameServer& server, bool video, IMediaSample* sample)
{
    if (!sample)
        return;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data)
        return;
    const LONG length = sample->GetActualDataLength();
    if (length < 0)
        return;
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop))) {
        start = 0;
        stop = 0;
    }
    server.SendSample(video, data, static_cast<size_t>(length), start, stop);
}

uint16_t ListenPortOrDefault(uint16_t port)
{
    return port ? port : static_cast<uint16_t>(VD_DEFAULT_PORT);
}

}  // namespace vd
