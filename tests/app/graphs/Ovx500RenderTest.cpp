// The card renderer on the simulated card: the card's start-up calls, the door of the frame
// queue, the rows of the other field written at every field, and the faults of start-up.
#include <gtest/gtest.h>

#include "SimCard.h"
#include "app/graphs/outputs/card/Ovx500Render.h"
#include "cardlib/ovx500u.h"

#include <afx.h>

#include <string>
#include <vector>

namespace {

const unsigned kCard = 0;

struct BoxRecord {
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    int count = 0;
};

class CardRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::InstallDefault(false);
        AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
            box_.text = text ? text : L"";
            box_.caption = caption ? caption : L"";
            box_.type = type;
            ++box_.count;
            return IDOK;
        });
    }
    void TearDown() override { AfxSetMessageBoxProc(AFX_MESSAGEBOX_PROC()); }

    // A full frame whose pixel (x, y) is Pattern(x, y, tag).
    static std::vector<uint32_t> MakeFrame(int height, uint32_t tag)
    {
        std::vector<uint32_t> frame(size_t(720) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 720; ++x)
                frame[size_t(y) * 720 + x] = Pattern(x, y, tag);
        return frame;
    }
    static uint32_t Pattern(int x, int y, uint32_t tag) { return (tag << 24) | (uint32_t(y) << 10) | uint32_t(x); }

    static void Feed(COvx500Render& render, std::vector<uint32_t>& frame, long bytes = -1)
    {
        HRESULT hr = S_OK;
        const long size = long(frame.size() * 4);
        CMediaSample sample(L"frame", nullptr, &hr, reinterpret_cast<BYTE*>(frame.data()), size);
        ASSERT_EQ(hr, S_OK);
        sample.SetActualDataLength(bytes < 0 ? size : bytes);
        EXPECT_EQ(render.Receive(&sample), S_OK);
    }

    // One field of the card, and the renderer's worker done with it.
    static void Field(COvx500Render& render)
    {
        ASSERT_TRUE(sim::TickField());
        ASSERT_EQ(WaitForSingleObject(render.FieldHandledEvent(), 5000), WAIT_OBJECT_0);
    }

    static uint32_t CardPixel(int x, int y)
    {
        unsigned long pixel = 0;
        EXPECT_EQ(OVCG_GetPoint(x, y, pixel, kCard), 1);
        return uint32_t(pixel);
    }

    // Which rows of the card frame carry the frame's tag: 1 odd, 2 even, 3 both, 0 none.
    static int RowsCarrying(uint32_t tag, int height)
    {
        bool odd = true, even = true;
        for (int y = 0; y < height; ++y) {
            const bool has = CardPixel(7, y) == Pattern(7, y, tag) && CardPixel(719, y) == Pattern(719, y, tag);
            (y & 1 ? odd : even) &= has;
        }
        return (odd ? 1 : 0) | (even ? 2 : 0);
    }

    BoxRecord box_;
};

}  // namespace

TEST_F(CardRender, StartsTheCardForInternalSyncAndOverlay)
{
    HRESULT hr = E_FAIL;
    Ovx500RenderConfig config;
    {
        COvx500Render render(nullptr, &hr, config);
        ASSERT_EQ(hr, S_OK);
        unsigned long v = 99;
        EXPECT_EQ(OVCG_GetInnerOrExtraSync(v, kCard), 1);
        EXPECT_EQ(v, 1u) << "internal sync";
        EXPECT_EQ(OVCG_GetVideoBypass(v, kCard), 1);
        EXPECT_EQ(v, 2u);
        EXPECT_EQ(OVCG_GetVideoMode(v, kCard), 1);
        EXPECT_EQ(v, 1u) << "PAL";
        EXPECT_EQ(render.GetPinCount(), 1);
        EXPECT_NE(render.GetPin(0), nullptr);
        EXPECT_EQ(render.GetPin(1), nullptr);
    }
    // The renderer gave the card back: a new start works from scratch.
    EXPECT_EQ(OVCG_Initial(kCard, 1), 1);
    OVCG_Close(kCard);
    EXPECT_EQ(box_.count, 0);
}

TEST_F(CardRender, NoCardIsReportedAndFails)
{
    sim::Install(nullptr, 0, false);
    HRESULT hr = S_OK;
    COvx500Render render(nullptr, &hr, Ovx500RenderConfig());
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(box_.count, 1);
    EXPECT_EQ(box_.text, L"没有找到专用输出卡！");
    EXPECT_EQ(box_.caption, L"错误");
    EXPECT_EQ(box_.type & MB_ICONMASK, UINT(MB_ICONERROR));
}

TEST_F(CardRender, PinTakesOnlyTheCardsFrameSize)
{
    struct Case {
        GUID subtype;
        LONG width, height;
        int ntsc;
        HRESULT expected;
    } cases[] = {
        {MEDIASUBTYPE_RGB32, 720, 576, 0, S_OK},
        {MEDIASUBTYPE_RGB32, 720, -576, 0, S_OK},
        {MEDIASUBTYPE_RGB32, 720, 480, 1, S_OK},
        {MEDIASUBTYPE_RGB32, 720, 480, 0, E_FAIL},
        {MEDIASUBTYPE_RGB32, 320, 240, 0, E_FAIL},
        {MEDIASUBTYPE_RGB32, 640, 480, 1, E_FAIL},
        {MEDIASUBTYPE_RGB24, 720, 576, 0, E_FAIL},
    };
    for (const Case& c : cases) {
        box_ = BoxRecord();
        HRESULT hr = E_FAIL;
        Ovx500RenderConfig config;
        config.ntsc = c.ntsc;
        COvx500Render render(nullptr, &hr, config);
        ASSERT_EQ(hr, S_OK);
        CMediaType mt;
        mt.SetType(&MEDIATYPE_Video);
        mt.SetSubtype(&c.subtype);
        mt.SetFormatType(&FORMAT_VideoInfo);
        VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
        ZeroMemory(vih, sizeof(*vih));
        vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih->bmiHeader.biWidth = c.width;
        vih->bmiHeader.biHeight = c.height;
        vih->bmiHeader.biBitCount = 32;
        COvx500RenderInput* pin = static_cast<COvx500RenderInput*>(render.GetPin(0));
        EXPECT_EQ(pin->CheckMediaType(&mt), c.expected) << c.width << "x" << c.height;
        // A refused size is told to the operator once, not at every connection attempt.
        EXPECT_EQ(pin->CheckMediaType(&mt), c.expected);
        const bool sizeRefused = c.expected != S_OK && c.subtype == MEDIASUBTYPE_RGB32;
        EXPECT_EQ(box_.count, sizeRefused ? 1 : 0) << c.width << "x" << c.height;
        CMediaType offered;
        EXPECT_EQ(pin->GetMediaType(0, &offered), VFW_S_NO_MORE_ITEMS) << "unconnected";
    }
}

TEST_F(CardRender, SecondFrameStartsTheWorkerAndTheFourthIsDropped)
{
    HRESULT hr = E_FAIL;
    COvx500Render render(nullptr, &hr, Ovx500RenderConfig());
    ASSERT_EQ(hr, S_OK);
    std::vector<uint32_t> frame = MakeFrame(576, 1);
    Feed(render, frame);
    EXPECT_FALSE(render.WorkerStarted());
    Feed(render, frame);
    EXPECT_TRUE(render.WorkerStarted());
    Feed(render, frame);
    Feed(render, frame);
    EXPECT_EQ(render.QueuedFrames(), 3u);
}

// Field counts of the simulated card start at 1 (odd). With FieldType 1 a frame is released
// after an odd field, otherwise after an even one; each field writes the other field's rows.
TEST_F(CardRender, WritesTheOtherFieldsRowsAndReleasesByParity)
{
    for (int fieldType : {0, 1}) {
        sim::InstallDefault(false);
        HRESULT hr = E_FAIL;
        Ovx500RenderConfig config;
        config.fieldType = fieldType;
        COvx500Render render(nullptr, &hr, config);
        ASSERT_EQ(hr, S_OK);
        std::vector<uint32_t> a = MakeFrame(576, 1), b = MakeFrame(576, 2);
        Feed(render, a);
        Feed(render, b);

        // Field 1 (odd): the even rows (y = 0, 2, ...) of frame a.
        Field(render);
        EXPECT_EQ(RowsCarrying(1, 576), 2) << fieldType;
        if (fieldType == 1) {
            // Released after the odd field: a went out with one field's rows only.
            EXPECT_EQ(render.QueuedFrames(), 1u);
            Field(render);  // field 2 (even): odd rows of b, b kept
            EXPECT_EQ(RowsCarrying(2, 576), 1);
            EXPECT_EQ(render.QueuedFrames(), 1u);
            Field(render);  // field 3 (odd): even rows of b, b released
            EXPECT_EQ(RowsCarrying(2, 576), 3);
            EXPECT_EQ(render.QueuedFrames(), 0u);
        } else {
            EXPECT_EQ(render.QueuedFrames(), 2u);
            Field(render);  // field 2 (even): odd rows of a, a released
            EXPECT_EQ(RowsCarrying(1, 576), 3);
            EXPECT_EQ(render.QueuedFrames(), 1u);
        }
    }
}

TEST_F(CardRender, ShortFrameIsReleasedButNeverWritten)
{
    HRESULT hr = E_FAIL;
    Ovx500RenderConfig config;
    config.ntsc = 1;
    COvx500Render render(nullptr, &hr, config);
    ASSERT_EQ(hr, S_OK);
    std::vector<uint32_t> frame = MakeFrame(480, 3);
    Feed(render, frame, 720 * 4 * 479);
    Feed(render, frame, 720 * 4 * 479);
    Field(render);  // odd: kept
    Field(render);  // even: released
    EXPECT_EQ(render.QueuedFrames(), 1u);
    EXPECT_EQ(RowsCarrying(3, 480), 0);
}

TEST_F(CardRender, StopsCleanlyWhileFieldsAndFramesFlow)
{
    HRESULT hr = E_FAIL;
    COvx500Render* render = new COvx500Render(nullptr, &hr, Ovx500RenderConfig());
    ASSERT_EQ(hr, S_OK);
    std::vector<uint32_t> frame = MakeFrame(576, 4);
    for (int i = 0; i < 3; ++i)
        Feed(*render, frame);
    Field(*render);
    delete render;
    // The card was given back exactly once: a fresh start and close leave no user behind.
    EXPECT_EQ(OVCG_Initial(kCard, 1), 1);
    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(OVCG_Close(kCard), 0);
}
