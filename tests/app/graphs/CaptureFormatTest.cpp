#include "app/graphs/input/CaptureFormat.h"

#include <streams.h>

#include <dvdmedia.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

VIDEO_STREAM_CONFIG_CAPS Caps(LONG minW, LONG minH, LONG maxW, LONG maxH, LONG gx, LONG gy,
                              REFERENCE_TIME minInterval = 333333, REFERENCE_TIME maxInterval = 1000000)
{
    VIDEO_STREAM_CONFIG_CAPS c = {};
    c.guid = FORMAT_VideoInfo;
    c.MinOutputSize = {minW, minH};
    c.MaxOutputSize = {maxW, maxH};
    c.OutputGranularityX = gx;
    c.OutputGranularityY = gy;
    c.MinFrameInterval = minInterval;
    c.MaxFrameInterval = maxInterval;
    return c;
}

CaptureTarget Pal(LONG w = 720, LONG h = 576)
{
    CaptureTarget t;
    t.width = w;
    t.height = h;
    t.frameInterval = FrameIntervalForRate(25.0f);
    return t;
}

// A video type with a VIDEOINFOHEADER or VIDEOINFOHEADER2 block of the right size.
CMediaType VideoType(const GUID& formatType, WORD bitCount, LONG height = 240)
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&formatType);
    if (formatType == FORMAT_VideoInfo) {
        VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
        ZeroMemory(vih, sizeof *vih);
        vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih->bmiHeader.biBitCount = bitCount;
        vih->bmiHeader.biHeight = height;
    } else if (formatType == FORMAT_VideoInfo2) {
        VIDEOINFOHEADER2* vih = reinterpret_cast<VIDEOINFOHEADER2*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER2)));
        ZeroMemory(vih, sizeof *vih);
        vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih->bmiHeader.biBitCount = bitCount;
        vih->bmiHeader.biHeight = height;
    } else {
        BYTE* block = mt.AllocFormatBuffer(16);
        ZeroMemory(block, 16);
    }
    return mt;
}

} // namespace

TEST(CaptureFormatTest, FrameIntervalIsTruncated)
{
    EXPECT_EQ(FrameIntervalForRate(25.0f), 400000);
    EXPECT_EQ(FrameIntervalForRate(29.97f), 333667);
    EXPECT_EQ(FrameIntervalForRate(0.0f), 0);
}

TEST(CaptureFormatTest, TheFirstCapabilityHoldingSizeAndRateIsChosen)
{
    const std::vector<VIDEO_STREAM_CONFIG_CAPS> caps = {
        Caps(160, 120, 352, 288, 8, 8),                  // too small
        Caps(320, 240, 768, 576, 8, 8, 166666, 333333),  // 25 fps is outside its rates
        Caps(320, 240, 768, 576, 8, 8),                  // fits
        Caps(720, 576, 720, 576, 0, 0),                  // fits too, but later
    };
    EXPECT_EQ(ChooseCaptureCapability(caps, Pal()), 2u);
    EXPECT_EQ(ChooseCaptureCapability(caps, Pal(1920, 1080)), 0u);
    EXPECT_EQ(ChooseCaptureCapability({}, Pal()), 0u);
}

TEST(CaptureFormatTest, SizeGrowsOnTheGridWithoutPassingTheMaximum)
{
    struct Case
    {
        VIDEO_STREAM_CONFIG_CAPS caps;
        LONG targetW, targetH;
        LONG w, h;
    } cases[] = {
        {Caps(160, 128, 768, 576, 16, 16), 720, 576, 720, 576},  // lands on the target
        {Caps(160, 120, 768, 576, 100, 100), 320, 240, 360, 320}, // first grid size above the target
        {Caps(160, 120, 300, 200, 100, 100), 720, 576, 260, 120}, // the next step would pass the maximum
        {Caps(160, 120, 768, 576, 0, 0), 720, 576, 160, 120},     // no granularity: the minimum, and an end
        {Caps(160, 120, 768, 576, -8, 8), 720, 200, 160, 200},    // a negative granularity likewise
        {Caps(640, 480, 640, 480, 8, 8), 320, 240, 640, 480},     // a fixed size above the target
    };
    for (const Case& c : cases) {
        const SIZE s = CaptureSizeFor(c.caps, Pal(c.targetW, c.targetH));
        EXPECT_EQ(s.cx, c.w) << "target " << c.targetW << "x" << c.targetH;
        EXPECT_EQ(s.cy, c.h) << "target " << c.targetW << "x" << c.targetH;
    }
}

TEST(CaptureFormatTest, ImageSizePadsRowsAndKeepsTwelveBitFormatsWhole)
{
    EXPECT_EQ(CaptureImageSize(720, 576, 32), 720u * 576 * 4);
    EXPECT_EQ(CaptureImageSize(718, 576, 24), 720u * 576 * 3);
    EXPECT_EQ(CaptureImageSize(720, 576, 16), 720u * 576 * 2);
    EXPECT_EQ(CaptureImageSize(720, 576, 12), 720u * 576 * 3 / 2);
    EXPECT_EQ(CaptureImageSize(320, -240, 12), 320u * 240 * 3 / 2);
}

TEST(CaptureFormatTest, TargetIsWrittenIntoEitherVideoHeader)
{
    const VIDEO_STREAM_CONFIG_CAPS caps = Caps(160, 128, 768, 576, 16, 16, 200000, 333333);
    for (const GUID* format : {&FORMAT_VideoInfo, &FORMAT_VideoInfo2}) {
        CMediaType mt = VideoType(*format, 12, -240);
        ASSERT_TRUE(ApplyCaptureTarget(mt, caps, Pal()));
        const BITMAPINFOHEADER& bmi = *format == FORMAT_VideoInfo
                                          ? reinterpret_cast<VIDEOINFOHEADER*>(mt.Format())->bmiHeader
                                          : reinterpret_cast<VIDEOINFOHEADER2*>(mt.Format())->bmiHeader;
        const REFERENCE_TIME interval = *format == FORMAT_VideoInfo
                                            ? reinterpret_cast<VIDEOINFOHEADER*>(mt.Format())->AvgTimePerFrame
                                            : reinterpret_cast<VIDEOINFOHEADER2*>(mt.Format())->AvgTimePerFrame;
        EXPECT_EQ(bmi.biWidth, 720);
        EXPECT_EQ(bmi.biHeight, -576); // top-down stays top-down
        EXPECT_EQ(bmi.biSizeImage, 720u * 576 * 3 / 2);
        EXPECT_EQ(mt.lSampleSize, 720u * 576 * 3 / 2);
        EXPECT_EQ(interval, 333333); // 25 fps clamped into the device's range
    }
}

TEST(CaptureFormatTest, OtherFormatTypesAndShortBlocksKeepTheirHeader)
{
    const VIDEO_STREAM_CONFIG_CAPS caps = Caps(160, 120, 768, 576, 16, 16);
    CMediaType dv = VideoType(FORMAT_DvInfo, 0);
    const CMediaType before(dv);
    EXPECT_TRUE(ApplyCaptureTarget(dv, caps, Pal()));
    EXPECT_TRUE(dv == before);

    CMediaType shortBlock = VideoType(FORMAT_VideoInfo, 32);
    shortBlock.ReallocFormatBuffer(sizeof(VIDEOINFOHEADER) - 8);
    EXPECT_FALSE(ApplyCaptureTarget(shortBlock, caps, Pal()));
}

namespace {

// A capture pin's stream configuration that records what was asked of it.
class FakeStreamConfig : public IAMStreamConfig
{
public:
    std::vector<VIDEO_STREAM_CONFIG_CAPS> caps;
    int structSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    int setCalls = 0;
    CMediaType set;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IAMStreamConfig) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* pmt) override
    {
        ++setCalls;
        set = *pmt;
        return S_OK;
    }
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** ppmt) override
    {
        *ppmt = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override
    {
        *count = static_cast<int>(caps.size());
        *size = structSize;
        return S_OK;
    }
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* scc) override
    {
        if (index < 0 || index >= static_cast<int>(caps.size()))
            return S_FALSE;
        *reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(scc) = caps[index];
        CMediaType mt = VideoType(FORMAT_VideoInfo, 16);
        reinterpret_cast<VIDEOINFOHEADER*>(mt.Format())->bmiHeader.biPlanes = static_cast<WORD>(index + 1);
        *ppmt = CreateMediaType(&mt);
        return S_OK;
    }
};

} // namespace

TEST(CaptureFormatTest, NegotiationSetsTheChosenCapabilitysType)
{
    FakeStreamConfig config;
    config.caps = {Caps(160, 120, 352, 288, 8, 8), Caps(320, 240, 720, 576, 8, 8)};
    ASSERT_EQ(NegotiateVideoCaptureFormat(&config, Pal()), S_OK);
    ASSERT_EQ(config.setCalls, 1);
    const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(config.set.Format());
    EXPECT_EQ(vih->bmiHeader.biPlanes, 2); // the second capability's own type
    EXPECT_EQ(vih->bmiHeader.biWidth, 720);
    EXPECT_EQ(vih->bmiHeader.biHeight, 576);
    EXPECT_EQ(vih->bmiHeader.biSizeImage, 720u * 576 * 2);
    EXPECT_EQ(vih->AvgTimePerFrame, 400000);
}

TEST(CaptureFormatTest, AnotherCapabilityStructureKeepsTheDevicesFormat)
{
    FakeStreamConfig config;
    config.caps = {Caps(160, 120, 352, 288, 8, 8)};
    config.structSize = sizeof(AUDIO_STREAM_CONFIG_CAPS);
    EXPECT_EQ(NegotiateVideoCaptureFormat(&config, Pal()), S_FALSE);
    EXPECT_EQ(config.setCalls, 0);
}
