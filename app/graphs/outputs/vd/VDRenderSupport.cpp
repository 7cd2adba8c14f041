#include "app/graphs/outputs/vd/VDRenderSupport.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfwmsgs.h>

namespace vd {

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
    *reply = EncodeSetupReply(FromAmMediaType(*connectionType));
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
