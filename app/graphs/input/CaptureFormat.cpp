#include "app/graphs/input/CaptureFormat.h"

#include <streams.h>

#include <dvdmedia.h>

#include <deque>

REFERENCE_TIME FrameIntervalForRate(float rate)
{
    if (!(rate > 0.0f))
        return 0;
    return static_cast<REFERENCE_TIME>(10000000.0f / rate);
}

size_t ChooseCaptureCapability(const std::vector<VIDEO_STREAM_CONFIG_CAPS>& caps, const CaptureTarget& target)
{
    for (size_t i = 0; i < caps.size(); ++i) {
        const VIDEO_STREAM_CONFIG_CAPS& c = caps[i];
        if (c.MinOutputSize.cx <= target.width && target.width <= c.MaxOutputSize.cx &&
            c.MinOutputSize.cy <= target.height && target.height <= c.MaxOutputSize.cy &&
            c.MinFrameInterval <= target.frameInterval && target.frameInterval <= c.MaxFrameInterval)
            return i;
    }
    return 0;
}

namespace {

LONG GrowOnGrid(LONG minimum, LONG maximum, LONG granularity, LONG target)
{
    LONG size = minimum;
    if (granularity <= 0)
        return size;
    while (size < target && size < maximum && size + granularity <= maximum)
        size += granularity;
    return size;
}

} // namespace

SIZE CaptureSizeFor(const VIDEO_STREAM_CONFIG_CAPS& caps, const CaptureTarget& target)
{
    SIZE s;
    s.cx = GrowOnGrid(caps.MinOutputSize.cx, caps.MaxOutputSize.cx, caps.OutputGranularityX, target.width);
    s.cy = GrowOnGrid(caps.MinOutputSize.cy, caps.MaxOutputSize.cy, caps.OutputGranularityY, target.height);
    return s;
}

DWORD CaptureImageSize(LONG width, LONG height, WORD bitCount)
{
    const ULONGLONG w = static_cast<ULONGLONG>((width + 3) & ~3);
    const ULONGLONG h = static_cast<ULONGLONG>(height < 0 ? -height : height);
    return static_cast<DWORD>(w * h * bitCount / 8);
}

BOOL ApplyCaptureTarget(AM_MEDIA_TYPE& type, const VIDEO_STREAM_CONFIG_CAPS& caps, const CaptureTarget& target)
{
    REFERENCE_TIME interval = target.frameInterval;
    if (interval < caps.MinFrameInterval)
        interval = caps.MinFrameInterval;
    if (interval > caps.MaxFrameInterval)
        interval = caps.MaxFrameInterval;

    BITMAPINFOHEADER* bmi = nullptr;
    if (type.formattype == FORMAT_VideoInfo) {
        if (!type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER))
            return FALSE;
        VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
        vih->AvgTimePerFrame = interval;
        bmi = &vih->bmiHeader;
    } else if (type.formattype == FORMAT_VideoInfo2) {
        if (!type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER2))
            return FALSE;
        VIDEOINFOHEADER2* vih = reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat);
        vih->AvgTimePerFrame = interval;
        bmi = &vih->bmiHeader;
    }
    if (!bmi)
        return TRUE;
    const SIZE size = CaptureSizeFor(caps, target);
    bmi->biWidth = size.cx;
    // A top-down format stays top-down.
    bmi->biHeight = bmi->biHeight < 0 ? -size.cy : size.cy;
    bmi->biSizeImage = CaptureImageSize(size.cx, size.cy, bmi->biBitCount);
    type.lSampleSize = bmi->biSizeImage;
    return TRUE;
}

HRESULT NegotiateVideoCaptureFormat(IAMStreamConfig* config, const CaptureTarget& target)
{
    if (!config)
        return E_POINTER;
    int count = 0, structSize = 0;
    HRESULT hr = config->GetNumberOfCapabilities(&count, &structSize);
    if (FAILED(hr))
        return hr;
    if (structSize != static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)) || count <= 0)
        return S_FALSE;

    std::vector<VIDEO_STREAM_CONFIG_CAPS> caps;
    std::deque<CAutoMediaTypePtr> types; // a deque: the owners cannot move
    for (int i = 0; i < count; ++i) {
        VIDEO_STREAM_CONFIG_CAPS c = {};
        AM_MEDIA_TYPE* mt = nullptr;
        if (FAILED(config->GetStreamCaps(i, &mt, reinterpret_cast<BYTE*>(&c)))) {
            // A capability that cannot be read can never be chosen.
            c.MinOutputSize.cx = c.MinOutputSize.cy = 1;
            c.MaxOutputSize.cx = c.MaxOutputSize.cy = 0;
            mt = nullptr;
        }
        caps.push_back(c);
        types.emplace_back(mt);
    }
    const size_t chosen = ChooseCaptureCapability(caps, target);
    hr = E_FAIL;
    if (AM_MEDIA_TYPE* type = types[chosen].Get()) {
        hr = ApplyCaptureTarget(*type, caps[chosen], target) ? config->SetFormat(type) : E_INVALIDARG;
    }
    return hr;
}
