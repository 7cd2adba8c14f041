// The video mixer and render engine on a real device: composition through the shipped
// transitions, cuts, timed and manual progress, placement, and the output queue.
#include "TransitionSwapCases.h"
#include "VideoEngineFixture.h"

#include "app/captions/LISScene.h"
#include "app/core/EngineClock.h"
#include "app/engine/RenderEffect.h"
#include "testing/media/TinyAvi.h"

#include <atomic>
#include <deque>

namespace enginetest {
namespace {

const D3DCOLOR kRed = D3DCOLOR_XRGB(200, 0, 0);
const D3DCOLOR kBlue = D3DCOLOR_XRGB(0, 0, 200);
const DWORD kMid = 0x640064; // (100, 0, 100)
const int kMixId = 1;

class VideoMixerTest : public VideoEngineTest
{
protected:
    // Output 64 x 48 progressive, red on input 0 and blue on input 1, output queue listening.
    void MakeTwoChannels()
    {
        MakeMixer(64, 48);
        AttachInput(0, 32, 24);
        AttachInput(1, 32, 24);
        PresentColour(0, kRed, kRed);
        PresentColour(1, kBlue, kBlue);
        mixer_->SetListener(&listener_);
    }

    DWORD TickAndSample()
    {
        mixer_->OnClockTick();
        std::vector<DWORD> pixels = PopFramePixels();
        return pixels.empty() ? 0xDEADBEEF : PixelAt(pixels, width_ / 2, height_ / 2);
    }
};

TEST_F(VideoMixerTest, ProgramAloneShowsTheFirstActiveInput)
{
    MakeTwoChannels();
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kRed & 0xFFFFFF));
    ASSERT_EQ(mixer_->CutTo(1), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kBlue & 0xFFFFFF));
}

TEST_F(VideoMixerTest, MixFollowsTheProgressAndClampsIt)
{
    MakeTwoChannels();
    ASSERT_EQ(mixer_->BeginTransition(kMixId, {0, 1}, 0, 0), S_OK);
    struct Case
    {
        float progress;
        DWORD expected;
    } cases[] = {
        {-0.5f, kRed & 0xFFFFFF}, {0.0f, kRed & 0xFFFFFF}, {0.5f, kMid}, {1.0f, kBlue & 0xFFFFFF},
        {1.7f, kBlue & 0xFFFFFF},
    };
    for (const Case& c : cases) {
        mixer_->Lock();
        Engine()->RenderFrame({0, 1}, c.progress);
        mixer_->Unlock();
        std::vector<DWORD> pixels = PopFramePixels();
        ASSERT_FALSE(pixels.empty());
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 10, 10), c.expected)) << "progress " << c.progress;
    }
}

TEST_F(VideoMixerTest, ManualTransitionFollowsTheTBar)
{
    MakeTwoChannels();
    ASSERT_EQ(mixer_->BeginTransition(kMixId, {0, 1}, 0, 0), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kRed & 0xFFFFFF));
    ASSERT_EQ(mixer_->SetTransitionPosition(50), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kMid));
    ASSERT_EQ(mixer_->SetTransitionPosition(100), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kBlue & 0xFFFFFF));
    EXPECT_EQ(mixer_->SetTransitionPosition(101), E_INVALIDARG);
    EXPECT_EQ(mixer_->SetTransitionPosition(-1), E_INVALIDARG);
}

TEST_F(VideoMixerTest, TimedTransitionFollowsTheClockAndHoldsAtTheEnd)
{
    MakeTwoChannels();
    ASSERT_EQ(mixer_->BeginTransition(kMixId, {0, 1}, 1, 1000), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kRed & 0xFFFFFF)); // the first tick takes the start
    g_now += 500;
    EXPECT_TRUE(ColourNear(TickAndSample(), kMid));
    g_now += 500;
    EXPECT_TRUE(ColourNear(TickAndSample(), kBlue & 0xFFFFFF));
    g_now += 5000;
    EXPECT_TRUE(ColourNear(TickAndSample(), kBlue & 0xFFFFFF));
}

TEST_F(VideoMixerTest, TransitionArgumentsAreChecked)
{
    MakeTwoChannels();
    EXPECT_EQ(mixer_->BeginTransition(kMixId, {0}, 0, 0), E_INVALIDARG);
    EXPECT_EQ(mixer_->BeginTransition(kMixId, {0, 1}, 1, -1), E_INVALIDARG);
    ASSERT_EQ(mixer_->CutTo(1), S_OK);
    EXPECT_EQ(mixer_->BeginTransition(4711, {0, 1}, 0, 0), E_INVALIDARG);
    EXPECT_EQ(mixer_->GetActiveInputs(), std::vector<int>{1});
    EXPECT_EQ(mixer_->CutTo(5), E_INVALIDARG);
}

TEST_F(VideoMixerTest, EndTransitionKeepsTheInputTheDirectorKeeps)
{
    MakeTwoChannels();
    for (const TransitionSwapCase& c : kTransitionSwapCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(mixer_->CutTo(0), S_OK);
        ASSERT_EQ(mixer_->BeginTransition(c.effectId, {0, 1}, 0, 0), S_OK);
        bool swapped = !c.swaps;
        ASSERT_EQ(mixer_->EndTransition(c.swapAsked, &swapped), S_OK);
        EXPECT_EQ(swapped, c.swaps);
        EXPECT_EQ(mixer_->GetActiveInputs(), std::vector<int>{c.swaps ? 1 : 0});
        EXPECT_EQ(Engine()->GetCurrentEffect(), nullptr);
        EXPECT_TRUE(ColourNear(TickAndSample(), (c.swaps ? kBlue : kRed) & 0xFFFFFF));
    }
}

TEST_F(VideoMixerTest, KeepAspectLetterboxesAWidePicture)
{
    MakeMixer(64, 48);
    AttachInput(0, 32, 18);
    PresentColour(0, kRed, kRed, SIZE{16, 9});
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    mixer_->SetListener(&listener_);
    mixer_->OnClockTick();
    std::vector<DWORD> pixels = PopFramePixels();
    ASSERT_FALSE(pixels.empty());
    // 64 / (16 / 9) = 36 rows of picture, 6 black rows above and below.
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 2), 0));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 8), kRed & 0xFFFFFF));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 39), kRed & 0xFFFFFF));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 45), 0));
}

TEST_F(VideoMixerTest, AnAspectThatIsNotPositiveKeepsTheChannelsRatio)
{
    MakeMixer(64, 48);
    AttachInput(0, 32, 18);
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    mixer_->SetListener(&listener_);
    const SIZE bad[] = {{-16, 9}, {16, -9}, {-16, -9}, {0, 9}, {16, 0}};
    for (const SIZE& aspect : bad) {
        SCOPED_TRACE(testing::Message() << "aspect " << aspect.cx << ":" << aspect.cy);
        // 16:9 first, then a frame with the bad ratio: still letterboxed as 16:9.
        PresentColour(0, kRed, kRed, SIZE{16, 9});
        PresentColour(0, kRed, kRed, aspect);
        mixer_->OnClockTick();
        std::vector<DWORD> pixels = PopFramePixels();
        ASSERT_FALSE(pixels.empty());
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 2), 0));
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 8), kRed & 0xFFFFFF));
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 39), kRed & 0xFFFFFF));
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 45), 0));
    }
}

namespace {

// The cooperative levels the device reports, in turn; then the device's own answer.
struct ScriptedDeviceLevel {
    std::deque<HRESULT> answers;
    static HRESULT Check(IDirect3DDevice9* device, void* self)
    {
        ScriptedDeviceLevel* s = static_cast<ScriptedDeviceLevel*>(self);
        if (s->answers.empty())
            return device->TestCooperativeLevel();
        const HRESULT hr = s->answers.front();
        s->answers.pop_front();
        return hr;
    }
};

} // namespace

TEST_F(VideoMixerTest, ALostDeviceIsResetAndCompositionGoesOn)
{
    MakeTwoChannels();
    // An overlay scene keeps a target of its own in the device's default pool.
    CLISScene scene;
    ASSERT_EQ(scene.SetTarget(Engine()->GetDevice(), 64, 48, nullptr), S_OK);
    mixer_->AddRenderListener(&scene);
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kRed & 0xFFFFFF));

    ScriptedDeviceLevel level;
    level.answers = {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET};
    Engine()->SetCooperativeLevelCheck(&ScriptedDeviceLevel::Check, &level);
    // While lost nothing is drawn or queued.
    mixer_->OnClockTick();
    mixer_->OnClockTick();
    OutputFrame none;
    EXPECT_FALSE(Engine()->PopFrame(none));
    EXPECT_EQ(Engine()->GetResetCount(), 0);

    // Once it can be reset, it is, and the program is composed again: black until the
    // channels present their next frames into the surfaces made anew.
    EXPECT_TRUE(ColourNear(TickAndSample(), 0));
    EXPECT_EQ(Engine()->GetResetCount(), 1);
    EXPECT_TRUE(level.answers.empty());
    PresentColour(0, kRed, kRed);
    PresentColour(1, kBlue, kBlue);
    EXPECT_TRUE(ColourNear(TickAndSample(), kRed & 0xFFFFFF));
    // The transitions work on the reset device.
    ASSERT_EQ(mixer_->BeginTransition(kMixId, {0, 1}, 0, 0), S_OK);
    ASSERT_EQ(mixer_->SetTransitionPosition(50), S_OK);
    EXPECT_TRUE(ColourNear(TickAndSample(), kMid));

    mixer_->RemoveRenderListener(&scene);
    Engine()->SetCooperativeLevelCheck(nullptr, nullptr);
}

namespace {

// Counts the frames the clock announces and notes the thread it announces them on.
struct ClockThreadListener : IVideoMixerListener {
    std::atomic<int> frames{0};
    std::atomic<DWORD> thread{0};
    HANDLE third = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~ClockThreadListener() { CloseHandle(third); }
    void OnFrameReady(LONGLONG, LONGLONG) override
    {
        thread = GetCurrentThreadId();
        if (++frames == 3)
            SetEvent(third);
    }
};

} // namespace

// The mixer's clock on the system's real timer: it composes on a thread of its own, and
// stopping it while it composes returns only once that thread has ended, so the engine and
// the device released after it are never drawn on.
TEST_F(VideoMixerTest, StoppingTheRealClockWhileItComposesLeavesNoTickBehind)
{
    EngineClock::SetManualTimers(false);
    MakeMixer(64, 48);
    AttachInput(0, 32, 24);
    PresentColour(0, kRed, kRed);
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    ClockThreadListener clock;
    mixer_->SetListener(&clock);
    ASSERT_EQ(WaitForSingleObject(clock.third, 10000), WAIT_OBJECT_0);
    const DWORD composer = clock.thread.load();
    EXPECT_NE(composer, GetCurrentThreadId());

    ASSERT_EQ(mixer_->StopClock(), S_OK);
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, composer);
    if (thread) {
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "the clock's thread still runs";
        CloseHandle(thread);
    }
    mixer_->SetListener(nullptr);
}

TEST_F(VideoMixerTest, KeyingShowsTheMatteWhereTheKeyHueIs)
{
    MakeMixer(64, 48);
    AttachInput(0, 32, 24);
    AttachInput(1, 32, 24);
    PresentColour(1, kBlue, kBlue); // the matte: channel 2's picture
    ChannelVideoSettings* settings = mixer_->GetChannelSettings(0);
    ASSERT_NE(settings, nullptr);
    settings->bKey = 1;
    settings->strKeySource = L"CHANNEL:2";
    // Green (hue 1/3) is keyed out; red stays.
    PresentColour(0, D3DCOLOR_XRGB(0, 200, 0), kRed);
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    mixer_->SetListener(&listener_);
    mixer_->OnClockTick();
    std::vector<DWORD> pixels = PopFramePixels();
    ASSERT_FALSE(pixels.empty());
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 10, 24), kBlue & 0xFFFFFF));
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 54, 24), kRed & 0xFFFFFF));

    // A key source naming a channel the mixer does not have skips the key step.
    settings->strKeySource = L"CHANNEL:9";
    PresentColour(0, D3DCOLOR_XRGB(0, 200, 0), kRed);
    mixer_->OnClockTick();
    pixels = PopFramePixels();
    ASSERT_FALSE(pixels.empty());
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 10, 24), 0x00C800));
}

TEST_F(VideoMixerTest, NothingIsQueuedWhileNobodyListens)
{
    MakeMixer(64, 48);
    AttachInput(0, 32, 24);
    PresentColour(0, kRed, kRed);
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    for (int i = 0; i < 3; ++i)
        mixer_->OnClockTick();
    OutputFrame frame;
    EXPECT_FALSE(Engine()->PopFrame(frame));
    EXPECT_TRUE(listener_.frames.empty());
}

TEST_F(VideoMixerTest, AStalledReaderFindsTheFiveNewestFramesWith64BitTimes)
{
    MakeTwoChannels();
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    // Beyond 2^32 / 10000 ms the 100-ns times only fit in 64 bits.
    g_now = 4000000000u;
    for (int i = 0; i < 8; ++i) {
        mixer_->OnClockTick();
        g_now += 40;
    }
    ASSERT_EQ(listener_.frames.size(), 8u);
    EXPECT_EQ(Engine()->GetComposedCount(), 8);
    // Ticks 3..7 survive, oldest first.
    for (int i = 3; i < 8; ++i) {
        OutputFrame frame;
        PopFramePixels(&frame);
        const LONGLONG expected = (4000000000LL + 40LL * i) * 10000LL;
        EXPECT_EQ(frame.start, expected) << "tick " << i;
        EXPECT_EQ(frame.stop, expected + 400000);
        EXPECT_EQ(frame.flags, 9);
        EXPECT_EQ(listener_.frames[i].start, expected);
    }
    OutputFrame none;
    EXPECT_FALSE(Engine()->PopFrame(none));
}

// A program layer that holds the first tick that draws it until the test lets it go.
struct BlockingLayer : IVideoMixerRenderListener
{
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> renders{0};
    std::atomic<bool>* stopReturned = nullptr;
    std::atomic<bool> stopReturnedDuringRender{false};

    ~BlockingLayer()
    {
        CloseHandle(entered);
        CloseHandle(release);
    }
    HRESULT SetDevice(IDirect3DDevice9*) override { return S_OK; }
    HRESULT Render(IDirect3DDevice9*, int) override
    {
        if (renders++ == 0) {
            SetEvent(entered);
            WaitForSingleObject(release, 10000);
        }
        if (stopReturned->load())
            stopReturnedDuringRender = true;
        return S_OK;
    }
    bool IsProgramLayer() override { return true; }
    HWND GetPreviewWindow() override { return nullptr; }
};

struct MixerStopCall
{
    CVideoMixer* mixer;
    std::atomic<bool>* returned;
};

DWORD WINAPI MixerStopThread(void* p)
{
    MixerStopCall* call = static_cast<MixerStopCall*>(p);
    call->mixer->Stop();
    call->returned->store(true);
    return 0;
}

// On the real multimedia timer: stopping the mixing clock while a tick renders waits for that
// tick, so the engine and its device are never released under it.
TEST_F(VideoMixerTest, StoppingTheRealClockWaitsForTheTickThatRenders)
{
    EngineClock::SetManualTimers(false);
    MakeMixer(64, 48);
    std::atomic<bool> stopReturned{false};
    BlockingLayer layer;
    layer.stopReturned = &stopReturned;
    mixer_->AddRenderListener(&layer);
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    ASSERT_EQ(WaitForSingleObject(layer.entered, 10000), WAIT_OBJECT_0);

    MixerStopCall call = {mixer_, &stopReturned};
    HANDLE thread = CreateThread(nullptr, 0, &MixerStopThread, &call, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // Stop must still be waiting while the tick is held (a negative check, not a pacing wait).
    EXPECT_EQ(WaitForSingleObject(thread, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(layer.release);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_FALSE(layer.stopReturnedDuringRender.load());
    const int renders = layer.renders.load();
    mixer_->RemoveRenderListener(&layer);
    EXPECT_EQ(layer.renders.load(), renders);
}

// Decoders of the older codecs (MS Video 1, Cinepak through the system's codecs) hand the
// renderer 16-bit RGB: its surfaces reach the program in their colours like 32-bit ones.
TEST_F(VideoEngineTest, RendererSurfacesInSixteenBitRgbReachTheProgram)
{
    const struct
    {
        const char* name;
        D3DFORMAT format;
    } cases[] = {
        {"RGB32", D3DFMT_X8R8G8B8},
        {"RGB565", D3DFMT_R5G6B5},
        {"RGB555", D3DFMT_X1R5G5B5},
    };
    // Colours that 5 and 6 bits per channel hold exactly.
    const D3DCOLOR left = D3DCOLOR_XRGB(0xF8, 0x00, 0x00), right = D3DCOLOR_XRGB(0x00, 0x00, 0xF8);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeMixer(64, 48);
        ASSERT_NO_FATAL_FAILURE(AttachInput(0, 64, 48, c.format));
        PresentColour(0, left, right);
        ASSERT_EQ(mixer_->CutTo(0), S_OK);
        mixer_->SetListener(&listener_);
        mixer_->OnClockTick();
        const std::vector<DWORD> pixels = PopFramePixels();
        ASSERT_FALSE(pixels.empty());
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 8, 24), left, 8));
        EXPECT_TRUE(ColourNear(PixelAt(pixels, 56, 24), right, 8));
        mixer_->SetListener(nullptr);
        TearDownMixer();
    }
}

class FieldTypeTest : public VideoEngineTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(FieldTypeTest, InterlacedOutputQueuesOneFramePerTwoTicks)
{
    const int fieldType = GetParam();
    MakeMixer(64, 48, fieldType);
    AttachInput(0, 32, 24);
    PresentColour(0, kRed, kRed);
    ASSERT_EQ(mixer_->CutTo(0), S_OK);
    mixer_->SetListener(&listener_);
    for (int i = 0; i < 4; ++i)
        mixer_->OnClockTick();
    EXPECT_EQ(listener_.frames.size(), fieldType == 2 ? 4u : 2u);
    EXPECT_EQ(Engine()->GetComposedCount(), 4);
}

INSTANTIATE_TEST_SUITE_P(FieldTypes, FieldTypeTest, ::testing::Values(0, 1, 2));

// An interlaced source on interlaced output, end to end: frames whose two fields differ
// (field 0 on the even rows, field 1 on the odd rows) go through the field passes, the
// channel's field textures, the field pick at each tick's parity, the two output fields and
// their weave, and every read-back frame has field 0's picture on its even rows and field
// 1's on its odd rows. When the source's field order matches the output's, both fields of a
// frame come from one source frame; otherwise one of them is a frame older, and the first
// frame, with nothing older, shows one field on every row.
TEST_F(VideoEngineTest, InterlacedSourceFieldsReachTheirOwnLinesOfTheOutputFrames)
{
    struct Case
    {
        const char* name;
        int outputFieldType; // 0: odd field first, 1: even field first
        int sourceFieldOrder; // the channel's option: 0 field 1 first, 1 the other
        int evenRowsLag;      // source frames between the frame shown and the one the field is from
        int oddRowsLag;
        bool firstFrameWoven;
    } cases[] = {
        {"odd first, field 1 first", 0, 0, 0, 0, true},
        {"even first, field 2 first", 1, 1, 0, 0, true},
        {"odd first, field 2 first", 0, 1, 1, 0, false},
        {"even first, field 1 first", 1, 0, 0, 1, false},
    };
    const int kW = 64, kH = 48, kFrames = 4;
    auto fieldColour = [](int field, int frame) {
        return field == 0 ? D3DCOLOR_XRGB(200, 40 * frame, 0) : D3DCOLOR_XRGB(0, 40 * frame, 200);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeMixer(kW, kH, c.outputFieldType);
        AttachInput(0, kW, kH);
        VIDEOINFOHEADER vih = {};
        vih.rcSource = vih.rcTarget = {0, 0, kW, kH};
        vih.AvgTimePerFrame = 400000;
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = kW;
        vih.bmiHeader.biHeight = kH;
        vih.bmiHeader.biPlanes = 1;
        vih.bmiHeader.biBitCount = 32;
        AM_MEDIA_TYPE type = {};
        type.majortype = MEDIATYPE_Video;
        type.subtype = MEDIASUBTYPE_RGB32;
        type.formattype = FORMAT_VideoInfo;
        type.cbFormat = sizeof(vih);
        type.pbFormat = reinterpret_cast<BYTE*>(&vih);
        // Forced interlace with the field order option, no forced aspect, no keep-aspect.
        ASSERT_EQ(mixer_->SetChannelFormat(0, &type, 1, c.sourceFieldOrder, 2, 0), S_OK);
        ASSERT_EQ(mixer_->CutTo(0), S_OK);
        mixer_->SetListener(&listener_);

        for (int frame = 1; frame <= kFrames; ++frame) {
            // The renderer's frame: field 0 on rows 0, 2, 4..., field 1 on rows 1, 3, 5...
            IDirect3DSurface9* surface = nullptr;
            ASSERT_EQ(mixer_->GetSurface(0, 0, 0, &surface), S_OK);
            for (LONG y = 0; y < kH; ++y) {
                const RECT row = {0, y, kW, y + 1};
                Engine()->GetDevice()->ColorFill(surface, &row, fieldColour(y % 2, frame));
            }
            VMR9PresentationInfo info = {};
            info.dwFlags = VMR9Sample_SyncPoint;
            info.lpSurf = surface;
            info.szAspectRatio = {4, 3};
            info.rcSrc = info.rcDst = {0, 0, kW, kH};
            EXPECT_EQ(mixer_->PresentImage(0, &info), S_OK);
            surface->Release();

            // Two ticks, one field each, make one output frame.
            mixer_->OnClockTick();
            mixer_->OnClockTick();
            const std::vector<DWORD> pixels = PopFramePixels();
            ASSERT_EQ(pixels.size(), size_t(kW * kH)) << "frame " << frame;
            if (frame == 1 && !c.firstFrameWoven)
                continue;
            for (int y = 2; y < kH - 2; ++y) {
                const int field = y % 2, lag = field == 0 ? c.evenRowsLag : c.oddRowsLag;
                EXPECT_TRUE(ColourNear(PixelAt(pixels, kW / 2, y), fieldColour(field, frame - lag)))
                    << "frame " << frame << " row " << y;
            }
        }
        mixer_->SetListener(nullptr);
        TearDownMixer();
    }
}

TEST(VideoMixerParamsTest, RenderWidthAndClockPeriodFollowTheFormat)
{
    struct Case
    {
        int width;
        double aspect;
        int fieldType;
        float rate;
        int renderWidth;
        UINT period;
    } cases[] = {
        {720, 1.0667, 2, 25.0f, 768, 40},
        {720, 1.0, 0, 25.0f, 720, 20},
        {720, 1.0, 1, 29.97f, 720, 16},
    };
    for (const Case& c : cases) {
        VideoMixerParams p;
        p.width = c.width;
        p.height = 576;
        p.pixelAspect = c.aspect;
        p.fieldType = c.fieldType;
        p.frameRate = c.rate;
        p.engineKind = 1; // no device: only the arithmetic
        CVideoMixer mixer(p);
        EXPECT_EQ(mixer.GetWidth(), c.renderWidth);
        EXPECT_EQ(mixer.GetClockPeriod(), c.period);
    }
}

} // namespace
} // namespace enginetest

namespace enginetest {
namespace {

template <class T> struct Com
{
    T* p = nullptr;
    ~Com()
    {
        if (p)
            p->Release();
    }
    T* operator->() const { return p; }
    void** out() { return reinterpret_cast<void**>(&p); }
};

// Wine's own AVI splitter plays a small uncompressed file made here into a VMR-9 in
// renderless mode whose allocator-presenter is the mixer.
TEST_F(VideoEngineTest, FramesFromARealRendererReachTheChannelTexture)
{
    MakeMixer(64, 48);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"rvx_engine_green.avi";
    ASSERT_TRUE(testing_media::WriteTinyAvi(path, 32, 24, 5, 25, [](int, int, int) { return 0x0000C800u; }));

    VmrChannel* v = new VmrChannel;
    vmrs_.push_back(v);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&v->graph)),
              S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               reinterpret_cast<void**>(&v->vmr)),
              S_OK);
    ASSERT_EQ(v->graph->AddFilter(v->vmr, L"VMR9"), S_OK);
    {
        Com<IVMRFilterConfig9> config;
        ASSERT_EQ(v->vmr->QueryInterface(IID_IVMRFilterConfig9, config.out()), S_OK);
        ASSERT_EQ(config->SetRenderingMode(VMR9Mode_Renderless), S_OK);
    }
    const int input = 2;
    ASSERT_EQ(mixer_->AttachChannel(v->vmr, &input, window_), S_OK);
    ASSERT_EQ(v->graph->RenderFile(path.c_str(), nullptr), S_OK);

    Com<IMediaFilter> filter;
    ASSERT_EQ(v->graph->QueryInterface(IID_IMediaFilter, filter.out()), S_OK);
    ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK); // as fast as the renderer takes them
    Com<IMediaControl> control;
    Com<IMediaEvent> events;
    ASSERT_EQ(v->graph->QueryInterface(IID_IMediaControl, control.out()), S_OK);
    ASSERT_EQ(v->graph->QueryInterface(IID_IMediaEvent, events.out()), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    long code = 0;
    EXPECT_EQ(events->WaitForCompletion(10000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_TRUE(SUCCEEDED(control->Stop()));

    CVideoChannel* channel = mixer_->GetChannel(input);
    ASSERT_NE(channel, nullptr);
    EXPECT_GE(channel->presentedFrames, 1);
    EXPECT_EQ(channel->sourceWidth, 32u);
    EXPECT_EQ(channel->sourceHeight, 24u);

    ASSERT_EQ(mixer_->CutTo(input), S_OK);
    mixer_->SetListener(&listener_);
    mixer_->OnClockTick();
    std::vector<DWORD> pixels = PopFramePixels();
    ASSERT_FALSE(pixels.empty());
    EXPECT_TRUE(ColourNear(PixelAt(pixels, 32, 24), 0x00C800));
    DeleteFileW(path.c_str());
}

} // namespace
} // namespace enginetest
