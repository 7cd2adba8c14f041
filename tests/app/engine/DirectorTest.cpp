// The director end to end on a real device under Xvfb: stand-in channels feed the video
// mixer through Wine's VMR-9, stand-in outputs receive the program frames and the mixed
// audio; the mixing clock and the audio mixer are ticked by hand.

// The caption editor first: the framework headers must come before the DirectShow ones.
#include "app/captions/MoreCharDlg.h"
#include "app/captions/PreViewDlg.h"
#include "app/ui/DirectorCaptionStage.h"

#include "tests/app/captions/PictureFixtures.h"

#include "AudioMixerFixture.h"
#include "DirectorStandIns.h"
#include "TransitionSwapCases.h"

#include "app/engine/AudioMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/engine/Channel.h"
#include "app/engine/DXRenderEngine.h"
#include "app/core/EngineClock.h"
#include "app/engine/ProgramFrameSource.h"
#include "app/engine/VideoMixer.h"

#include <gtest/gtest.h>

#include <streams.h>

#include <cstdlib>
#include <cstring>
#include <atomic>
#include <set>
#include <string>
#include <memory>

namespace directortest {
namespace {

const D3DCOLOR kRed = D3DCOLOR_XRGB(200, 0, 0);
const D3DCOLOR kBlue = D3DCOLOR_XRGB(0, 0, 200);
const D3DCOLOR kGreen = D3DCOLOR_XRGB(0, 200, 0);
const int kWidth = 64;
const int kHeight = 48;

DWORD g_now = 0;
DWORD TestClock()
{
    return g_now;
}

::testing::AssertionResult Near(DWORD actual, D3DCOLOR expected)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > 6)
            return ::testing::AssertionFailure()
                   << std::hex << "colour 0x" << actual << " is not near 0x" << (expected & 0xFFFFFF);
    }
    return ::testing::AssertionSuccess();
}

// A director whose frame thread finds the reads it was told to fail failed: the engine's
// frame is taken and dropped, as a failed readback does.
class FailingReadDirector : public CDirector, private IProgramFrameSource {
public:
    std::set<int> failing; // read numbers, from 1, that fail
    std::atomic<int> reads{0};

protected:
    IProgramFrameSource* FrameSource() const override
    {
        return CDirector::FrameSource() ? const_cast<FailingReadDirector*>(this) : nullptr;
    }

private:
    HRESULT ReadNextFrame(BYTE* buffer, long* count, ProgramFrameInfo* info) override
    {
        const HRESULT hr = CDirector::FrameSource()->ReadNextFrame(buffer, count, info);
        if (hr == VFW_S_NO_MORE_ITEMS || FAILED(hr))
            return hr;
        if (failing.count(++reads)) {
            // What a failed read leaves behind: a buffer of anything.
            if (buffer && count)
                memset(buffer, 0x5A, *count);
            return E_FAIL;
        }
        return hr;
    }
};

// A director whose frame thread never starts.
class ThreadlessDirector : public CDirector {
protected:
    HRESULT StartFrameThread() override { return E_OUTOFMEMORY; }
};

class DirectorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        audio_test::RemoveConfigFile();
        directortest::CopyShippedEffects();
        audio_test::FakeTime::Reset();
        g_now = 0x7FFF0000;
        EngineClock::SetSource(&TestClock);
        EngineClock::SetManualTimers(true);
        window_ = CreateWindowExW(0, L"STATIC", L"director", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        outputs_.width = kWidth;
        outputs_.height = kHeight;
    }

    void TearDown() override
    {
        if (director_)
            director_->Shutdown();
        director_.reset();
        EXPECT_EQ(channels_.liveGraphs, 0) << "a channel graph was not deleted";
        EXPECT_EQ(outputs_.liveGraphs, 0) << "an output graph was not deleted";
        if (window_)
            DestroyWindow(window_);
        EngineClock::SetManualTimers(false);
        EngineClock::SetSource(nullptr);
        audio_test::RemoveConfigFile();
        CoUninitialize();
    }

    void MakeDirector(CDirector* director = nullptr, int width = kWidth, int height = kHeight)
    {
        director_.reset(director ? director : new CDirector);
        director_->SetChannelGraphFactory(&channels_);
        director_->SetOutputGraphFactory(&outputs_);
        director_->SetAudioTimerApi(audio_test::FakeTime::Api());
        WAVEFORMATEX pcm = audio_test::kPcm;
        director_->SetAudioFormat(&pcm);
        ASSERT_EQ(director_->Init(window_, window_, width, height, 25.0f, 1.0, 2), S_OK);
    }

    HRESULT Load(int number, CChannel** out = nullptr)
    {
        CChannel* channel = nullptr;
        SourceDescriptor audio, video;
        audio.name.Format(L"audio %d", number);
        video.name.Format(L"video %d", number);
        video.flags = SourceDescriptor::kNamed;
        HRESULT hr = director_->LoadChannel(nullptr, window_, number, &channel, audio, video);
        if (out)
            *out = channel;
        return hr;
    }

    // Channels 1 (red, program) and 2 (blue, preview).
    void LoadTwo()
    {
        ASSERT_EQ(Load(1), S_OK);
        ASSERT_EQ(Load(2), S_OK);
        channels_.made[1]->Present(kRed);
        channels_.made[2]->Present(kBlue);
    }

    void Tick() { director_->GetVideoMixer()->OnClockTick(); }

    // Ticks once and returns the centre pixel of the frame the output receives.
    DWORD TickAndReceive(OutputRecord& record)
    {
        const size_t before = record.FrameCount();
        Tick();
        if (!record.WaitForFrames(before + 1)) {
            ADD_FAILURE() << "no frame arrived";
            return 0xDEADBEEF;
        }
        std::lock_guard<std::mutex> guard(record.lock);
        return record.frames[before].centre;
    }

    void PushAudio(int number, short value, long bytes)
    {
        std::vector<short> samples(bytes / 2, value);
        HRESULT hr = S_OK;
        CMediaSample* sample = new CMediaSample(TEXT("channel audio"), nullptr, &hr,
                                                reinterpret_cast<BYTE*>(samples.data()), bytes);
        sample->AddRef();
        sample->SetActualDataLength(bytes);
        channels_.made[number]->Audio().Deliver(sample);
        sample->Release();
    }

    HWND window_ = nullptr;
    CallLog log_;
    StandInChannelFactory channels_{&log_};
    StandInOutputFactory outputs_{&log_};
    std::unique_ptr<CDirector> director_;
};

TEST_F(DirectorTest, ChannelsLoadIntoTheirSlotsFirstProgramThenPreview)
{
    MakeDirector();
    ASSERT_EQ(Load(3), S_OK);
    ASSERT_EQ(Load(1), S_OK);
    EXPECT_EQ(director_->GetProgramChannel(), 3);
    EXPECT_EQ(director_->GetPreviewChannel(), 1);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), std::vector<int>{2});

    // The graph is made, given its types, sources and window, built and placed, in order.
    StandInChannelGraph* graph = channels_.made[3];
    const std::vector<std::string> expected = {"Create",  "SetAcceptedAudioType", "SetAudioSource", "SetVideoSource",
                                               "SetWindow", "SetNotifyWindow",     "Build",          "SetVideoPosition"};
    EXPECT_EQ(graph->calls, expected);
    EXPECT_EQ(graph->acceptedSampleSize, 7056u);
    EXPECT_EQ(graph->audioName, CString(L"audio 3"));
    EXPECT_EQ(graph->videoName, CString(L"video 3"));
    EXPECT_EQ(graph->notifyMessage, 0x512u);
    EXPECT_EQ(graph->notifyParam, 3);
    EXPECT_EQ(graph->videoPosition.right, 164);
    EXPECT_EQ(graph->videoPosition.bottom, 120);
    CChannel* channel = director_->GetChannel(3);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(channel->GetNumber(), 3);
    EXPECT_EQ(channel->GetAudioSource().name, CString(L"audio 3"));
    EXPECT_FALSE(channel->HasCaptureDevice());

    // An occupied slot is refused and keeps its channel.
    EXPECT_EQ(Load(3), E_UNEXPECTED);
    EXPECT_EQ(director_->GetChannel(3), channel);
    CChannel* out = nullptr;
    SourceDescriptor none;
    EXPECT_EQ(director_->LoadChannel(nullptr, window_, 2, nullptr, none, none), E_INVALIDARG);
    for (int bad : {0, 6, -1})
        EXPECT_EQ(director_->LoadChannel(nullptr, window_, bad, &out, none, none), E_INVALIDARG) << bad;
    EXPECT_EQ(director_->GetChannel(6), nullptr);
}

TEST_F(DirectorTest, InvalidNumbersAreErrorsAndCutsNeedALoadedChannel)
{
    MakeDirector();
    ASSERT_EQ(Load(1), S_OK);
    for (int bad : {0, 6, -3}) {
        EXPECT_EQ(director_->SetProgram(bad), E_INVALIDARG) << bad;
        EXPECT_EQ(director_->SetPreview(bad), E_INVALIDARG) << bad;
    }
    EXPECT_EQ(director_->SetProgram(4), E_UNEXPECTED);
    EXPECT_EQ(director_->GetProgramChannel(), 1);
    EXPECT_EQ(director_->SetPreview(4), S_OK); // an empty slot may be preview
    EXPECT_EQ(director_->SetPreview(4), S_FALSE);
    // Without a loaded preview nothing can start.
    EXPECT_EQ(director_->StartTransition(0, 0, 0), E_UNEXPECTED);
    EXPECT_EQ(director_->SetPreview(1), S_OK);
    EXPECT_EQ(director_->StartTransition(0, 0, 0), S_FALSE);
    EXPECT_EQ(director_->EndTransition(true), S_FALSE);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs().size(), 1u);
}

TEST_F(DirectorTest, AChannelWhoseGraphFailsIsNotKept)
{
    MakeDirector();
    channels_.plans[2].buildResult = E_FAIL;
    channels_.plans[3].createResult = E_OUTOFMEMORY;
    ASSERT_EQ(Load(1), S_OK);
    EXPECT_EQ(Load(2), E_FAIL);
    EXPECT_EQ(Load(3), E_OUTOFMEMORY);
    EXPECT_EQ(director_->GetChannel(2), nullptr);
    EXPECT_EQ(director_->GetChannel(3), nullptr);
    EXPECT_EQ(director_->GetPreviewChannel(), 0);
    EXPECT_NE(log_.IndexOf("channel2.Destroy"), -1); // a graph that did not build is torn down
    EXPECT_EQ(log_.IndexOf("channel3.Destroy"), -1); // one that was never created is not
    EXPECT_EQ(channels_.liveGraphs, 1);
}

TEST_F(DirectorTest, AFailedReloadOfTheProgramHandsProgramToTheHighestOtherChannel)
{
    MakeDirector();
    CChannel* one = nullptr;
    ASSERT_EQ(Load(1, &one), S_OK);
    ASSERT_EQ(Load(2), S_OK);
    ASSERT_EQ(Load(4), S_OK);
    SourceDescriptor audio, video;
    channels_.plans[1].buildResult = E_FAIL;
    EXPECT_EQ(director_->ReloadChannel(one, audio, video), E_FAIL);
    EXPECT_EQ(director_->GetChannel(1), nullptr);
    EXPECT_EQ(director_->GetProgramChannel(), 4);
    EXPECT_EQ(director_->GetPreviewChannel(), 2);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), std::vector<int>{3});
    delete one; // the caller deletes the channel that lost its slot
    EXPECT_EQ(director_->ReloadChannel(nullptr, audio, video), E_FAIL);

    // A good reload keeps program and preview; a failed one of the preview clears it.
    channels_.plans[2].buildResult = S_OK;
    EXPECT_EQ(director_->ReloadChannel(director_->GetChannel(2), audio, video), S_OK);
    EXPECT_EQ(director_->GetPreviewChannel(), 2);
    CChannel* two = director_->GetChannel(2);
    channels_.plans[2].buildResult = E_FAIL;
    EXPECT_EQ(director_->ReloadChannel(two, audio, video), E_FAIL);
    EXPECT_EQ(director_->GetPreviewChannel(), 0);
    EXPECT_EQ(director_->GetProgramChannel(), 4);
    delete two;
}

TEST_F(DirectorTest, AChannelDeletedByItsPanelLeavesItsSlot)
{
    MakeDirector();
    CChannel* one = nullptr;
    CChannel* two = nullptr;
    ASSERT_EQ(Load(1, &one), S_OK);
    ASSERT_EQ(Load(2, &two), S_OK);
    delete two;
    EXPECT_EQ(director_->GetChannel(2), nullptr);
    EXPECT_EQ(director_->GetPreviewChannel(), 0);
    EXPECT_EQ(channels_.liveGraphs, 1);
    // The slot can be loaded again, and shutdown deletes only what is still there, once.
    ASSERT_EQ(Load(2), S_OK);
    EXPECT_EQ(director_->GetPreviewChannel(), 2);
    director_->Shutdown();
    EXPECT_EQ(channels_.liveGraphs, 0);
    EXPECT_EQ(director_->GetChannel(1), nullptr);
}

TEST_F(DirectorTest, AnOutputReceivesProgramFramesWithTheirPixelsAndTimes)
{
    MakeDirector();
    LoadTwo();
    Tick(); // nobody listens: nothing is queued or read back
    ASSERT_EQ(director_->StartOutput(kOutputVirtualDevice), S_OK);
    OutputRecord& out = *outputs_.records[kOutputVirtualDevice];
    EXPECT_TRUE(out.activated);
    EXPECT_EQ(out.before.listenPort, 8601); // never set: the default port
    EXPECT_EQ(out.videoType.subtype, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(out.videoType.lSampleSize, ULONG(kWidth * kHeight * 4));
    EXPECT_EQ(out.audioType.subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(out.audioType.lSampleSize, 7056u);
    ASSERT_EQ(out.audioType.cbFormat, 18u);

    EXPECT_TRUE(Near(TickAndReceive(out), kRed));
    {
        std::lock_guard<std::mutex> guard(out.lock);
        ASSERT_EQ(out.frames.size(), 1u);
        const OutputRecord::Frame& f = out.frames[0];
        EXPECT_EQ(f.actual, kWidth * kHeight * 4);
        EXPECT_EQ(f.bufferSize, kWidth * kHeight * 4);
        EXPECT_EQ(f.flags, DWORD(AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID));
        EXPECT_EQ(f.descriptorSize, 0u);
        EXPECT_EQ(f.start, LONGLONG(0x7FFF0000) * 10000);
        EXPECT_EQ(f.stop, f.start + 400000);
        EXPECT_TRUE(Near(f.corner, kRed));
    }
    // A hard cut.
    ASSERT_EQ(director_->SetProgram(2), S_OK);
    EXPECT_EQ(director_->GetProgramChannel(), 2);
    EXPECT_TRUE(Near(TickAndReceive(out), kBlue));
}

TEST_F(DirectorTest, TransitionsEndBySwappingProgramAndPreviewTogetherWithTheEngine)
{
    MakeDirector();
    LoadTwo();
    ASSERT_EQ(director_->StartOutput(kOutputAvi), S_OK);
    OutputRecord& out = *outputs_.records[kOutputAvi];

    // A manual transition: the T-bar moves, the end swaps.
    ASSERT_EQ(director_->StartTransition(0, 0, 0), S_OK);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), (std::vector<int>{0, 1}));
    EXPECT_EQ(director_->SetTransitionPosition(50), S_OK);
    EXPECT_EQ(director_->SetTransitionPosition(101), E_INVALIDARG);
    TickAndReceive(out);
    ASSERT_EQ(director_->EndTransition(true), S_OK);
    EXPECT_EQ(director_->GetProgramChannel(), 2);
    EXPECT_EQ(director_->GetPreviewChannel(), 1);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), std::vector<int>{1});
    EXPECT_TRUE(Near(TickAndReceive(out), kBlue));

    // A timed transition runs on the engine's clock until its owner ends it.
    ASSERT_EQ(director_->StartTransition(0, 1, 1000), S_OK);
    TickAndReceive(out);
    g_now += 1000;
    TickAndReceive(out);
    g_now += 500;
    TickAndReceive(out);
    ASSERT_EQ(director_->EndTransition(true), S_OK);
    EXPECT_EQ(director_->GetProgramChannel(), 1);
    EXPECT_EQ(director_->GetPreviewChannel(), 2);
    EXPECT_TRUE(Near(TickAndReceive(out), kRed));

    // Ending without a swap keeps the program; ending when nothing runs swaps nothing.
    ASSERT_EQ(director_->StartTransition(0, 0, 0), S_OK);
    ASSERT_EQ(director_->EndTransition(false), S_OK);
    EXPECT_EQ(director_->GetProgramChannel(), 1);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), std::vector<int>{0});
    ASSERT_EQ(director_->EndTransition(true), S_OK);
    EXPECT_EQ(director_->GetProgramChannel(), 1);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), std::vector<int>{0});
    EXPECT_TRUE(Near(TickAndReceive(out), kRed));

    // An effect the engine does not have starts nothing.
    EXPECT_EQ(director_->StartTransition(9999, 0, 0), E_INVALIDARG);
    EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), std::vector<int>{0});
}

TEST_F(DirectorTest, ProgramAndPreviewSwapAsTheMixerDoesForEveryEffect)
{
    MakeDirector();
    LoadTwo();
    ASSERT_EQ(director_->StartOutput(kOutputAvi), S_OK);
    OutputRecord& out = *outputs_.records[kOutputAvi];
    for (const enginetest::TransitionSwapCase& c : enginetest::kTransitionSwapCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(director_->SetProgram(1), S_OK);
        director_->SetPreview(2);
        ASSERT_EQ(director_->StartTransition(c.effectId, 0, 0), S_OK);
        TickAndReceive(out);
        ASSERT_EQ(director_->EndTransition(c.swapAsked), S_OK);
        EXPECT_EQ(director_->GetProgramChannel(), c.swaps ? 2 : 1);
        EXPECT_EQ(director_->GetPreviewChannel(), c.swaps ? 1 : 2);
        EXPECT_EQ(director_->GetVideoMixer()->GetActiveInputs(), std::vector<int>{c.swaps ? 1 : 0});
        EXPECT_TRUE(Near(TickAndReceive(out), c.swaps ? kBlue : kRed));
    }
}

TEST_F(DirectorTest, ShutdownGoesOnWhenAChannelGraphDoesNotStop)
{
    HANDLE hold = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE returned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    channels_.plans[2].stopHold = hold;
    channels_.plans[2].stopReturned = returned;
    MakeDirector();
    ASSERT_EQ(Load(2), S_OK);
    StandInChannelGraph* stuck = channels_.made[2];
    const LONG leftBefore = CChannel::LeftGraphs();
    // No time at all for a Stop: the held one is certainly not back at once.
    CChannel::SetStopLimit(0);

    // Channel 2's Stop does not return while held; the shutdown does not wait for it, and
    // the mixer, the audio mixer and the frame thread still go.
    EXPECT_EQ(director_->Shutdown(), S_OK);
    CChannel::SetStopLimit(5000);
    EXPECT_EQ(CChannel::LeftGraphs(), leftBefore + 1);
    EXPECT_EQ(log_.IndexOf("channel2.Destroy"), -1); // not torn down under a running Stop
    EXPECT_EQ(director_->GetChannel(2), nullptr);
    EXPECT_EQ(director_->GetVideoMixer(), nullptr);
    EXPECT_EQ(director_->GetAudioMixer(), nullptr);
    EXPECT_FALSE(director_->IsFrameThreadRunning());

    // When the stuck Stop returns at last, the graph left behind can go.
    SetEvent(hold);
    EXPECT_EQ(WaitForSingleObject(returned, 10000), WAIT_OBJECT_0);
    EXPECT_NE(log_.IndexOf("channel2.Stop"), -1);
    stuck->Destroy();
    delete stuck;
    CloseHandle(hold);
    CloseHandle(returned);
}

TEST_F(DirectorTest, AFrameWhoseReadbackFailsIsDroppedAndTheNextOneGoesOut)
{
    FailingReadDirector* director = new FailingReadDirector;
    director->failing = {2};
    MakeDirector(director);
    LoadTwo();
    ASSERT_EQ(director_->SetProgram(1), S_OK);
    ASSERT_EQ(director_->StartOutput(kOutputAvi), S_OK);
    OutputRecord& out = *outputs_.records[kOutputAvi];

    LONGLONG times[3] = {};
    for (LONGLONG& t : times) {
        t = LONGLONG(g_now) * 10000;
        Tick();
        g_now += 40;
    }
    // The frame thread reads in order: the third frame's arrival means the second was read.
    ASSERT_TRUE(out.WaitForFrames(2));
    std::lock_guard<std::mutex> guard(out.lock);
    ASSERT_EQ(out.frames.size(), 2u);
    EXPECT_EQ(out.frames[0].start, times[0]);
    EXPECT_EQ(out.frames[1].start, times[2]); // the failed one never reached the output
    for (const OutputRecord::Frame& f : out.frames)
        EXPECT_TRUE(Near(f.centre, kRed));
}

TEST_F(DirectorTest, TheRecordingOptionDrivesTheCamcordersAroundATransition)
{
    MakeDirector();
    LoadTwo();
    director_->SetPriRecord(true);
    ASSERT_EQ(director_->StartTransition(0, 0, 0), S_OK);
    EXPECT_NE(log_.IndexOf("channel2.TransportRecord"), -1);
    ASSERT_EQ(director_->EndTransition(true), S_OK);
    EXPECT_NE(log_.IndexOf("channel1.TransportRecordFreeze"), -1); // the outgoing program
}

TEST_F(DirectorTest, MixedAudioReachesOutputsIn40MsChunks)
{
    MakeDirector();
    LoadTwo();
    ASSERT_EQ(director_->StartOutput(kOutputDecklink), S_OK);
    OutputRecord& out = *outputs_.records[kOutputDecklink];
    CAudioMixer* mixer = director_->GetAudioMixer();
    ASSERT_NE(mixer, nullptr);
    EXPECT_EQ(audio_test::FakeTime::lastPeriod, 40u);

    PushAudio(1, 1000, 7056);
    PushAudio(2, 2000, 3000);
    EXPECT_EQ(mixer->GetQueuedBytes(0), 7056);
    EXPECT_EQ(mixer->GetQueuedBytes(1), 3000);
    g_now = 500000; // times beyond 32 bits in 100-ns units
    EngineClock::SetSource(&TestClock);
    mixer->Tick();
    g_now += 40;
    mixer->Tick();
    std::lock_guard<std::mutex> guard(out.lock);
    ASSERT_EQ(out.chunks.size(), 2u);
    for (const OutputRecord::Chunk& c : out.chunks) {
        EXPECT_EQ(c.id, 254);
        EXPECT_EQ(c.length, 7056);
        EXPECT_EQ(c.low, 0);
        EXPECT_EQ(c.high, 0);
        EXPECT_EQ(c.stop - c.start, 400000);
    }
    EXPECT_EQ(out.chunks[0].start, (LONGLONG(500000) - 40) * 10000);
    EXPECT_EQ(out.chunks[1].start - out.chunks[0].start, 400000);
}

TEST_F(DirectorTest, WithAutoSwitchOnlyTheProgramChannelIsHeard)
{
    MakeDirector();
    LoadTwo();
    CAudioMixer* mixer = director_->GetAudioMixer();
    mixer->SetAutoSwitch(1);
    mixer->SetSel(0, false);
    PushAudio(2, 500, 1000);
    EXPECT_EQ(mixer->GetQueuedBytes(1), 0);
    EXPECT_EQ(mixer->GetSel(0), 1); // the program input is selected again on every sample
    PushAudio(1, 500, 1000);
    EXPECT_EQ(mixer->GetQueuedBytes(0), 1000);

    mixer->SetAutoSwitch(0);
    PushAudio(2, 500, 1000);
    EXPECT_EQ(mixer->GetQueuedBytes(1), 1000);
    channels_.made[2]->Audio().Flush();
    EXPECT_EQ(mixer->GetQueuedBytes(1), 0);
    EXPECT_EQ(mixer->GetQueuedBytes(0), 1000);
}

TEST_F(DirectorTest, AListenerThatThrowsDoesNotStopTheOthers)
{
    MakeDirector();
    LoadTwo();
    outputs_.throwOnVideo = outputs_.throwOnAudio = true;
    ASSERT_EQ(director_->StartOutput(kOutputAvi), S_OK);
    ASSERT_EQ(director_->StartOutput(kOutputVirtualDevice), S_OK);
    OutputRecord& good = *outputs_.records[kOutputVirtualDevice];
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Near(TickAndReceive(good), kRed));
    director_->GetAudioMixer()->Tick();
    std::lock_guard<std::mutex> guard(good.lock);
    EXPECT_EQ(good.chunks.size(), 1u);
}

TEST_F(DirectorTest, OutputsStartOncePerTypeAndStopByTypeOrAll)
{
    CDirector idle;
    EXPECT_EQ(idle.StartOutput(kOutputAvi), E_UNEXPECTED); // not initialised
    MakeDirector();
    LoadTwo();
    CEncodeSettings encode;
    encode.Title = L"show";
    director_->SetEncodeSettings(encode);
    AviOutputSettings avi;
    avi.Max = 700;
    director_->SetAviSettings(avi);
    DvOutputSettings dv;
    dv.Device = L"DV #2";
    director_->SetDvSettings(dv);
    DecklinkOutputSettings decklink;
    decklink.VideoDevice = L"None";
    director_->SetDecklinkSettings(decklink);
    director_->SetListenPort(9100);

    for (int type : {0, 2, 3, 5, 6, 7})
        ASSERT_EQ(director_->StartOutput(type), S_OK) << type;
    EXPECT_TRUE(director_->AreOutputsRunning());
    EXPECT_EQ(director_->StartOutput(kOutputAvi), E_UNEXPECTED);
    EXPECT_EQ(director_->StartOutput(1), E_INVALIDARG); // a type without a graph
    EXPECT_EQ(director_->IsOutputRunning(1), 0);
    EXPECT_EQ(outputs_.records[0]->encode.Title, CString(L"show"));
    EXPECT_TRUE(outputs_.records[0]->gotEncode);
    EXPECT_EQ(outputs_.records[2]->avi.Max, 700);
    EXPECT_FALSE(outputs_.records[3]->gotEncode);
    EXPECT_EQ(outputs_.records[3]->before.dv.Device, CString(L"DV #2"));
    EXPECT_EQ(outputs_.records[3]->notifyMessage, 0x513u);
    EXPECT_TRUE(outputs_.records[3]->notifyParamIsGraph); // the handler drains that graph
    EXPECT_EQ(outputs_.records[5]->before.listenPort, 9100);
    EXPECT_EQ(outputs_.records[6]->before.card.Ntsc, 0); // 48 lines is not NTSC
    EXPECT_EQ(outputs_.records[7]->before.decklink.VideoDevice, CString(L"None"));

    EXPECT_EQ(director_->StopOutput(kOutputAvi), S_OK);
    EXPECT_EQ(director_->IsOutputRunning(kOutputAvi), 0);
    EXPECT_EQ(director_->StopOutput(kOutputAvi), E_UNEXPECTED);
    EXPECT_LT(log_.IndexOf("output2.Stop"), log_.IndexOf("output2.Destroy"));
    EXPECT_EQ(director_->StopOutput(kOutputAll), S_OK);
    EXPECT_FALSE(director_->AreOutputsRunning());
    for (int type : {0, 3, 5, 6, 7})
        EXPECT_EQ(director_->IsOutputRunning(type), 0) << type;
    EXPECT_EQ(outputs_.liveGraphs, 0);
    // With nobody listening no frame is queued any more.
    Tick();
    OutputFrame frame;
    EXPECT_FALSE(director_->GetVideoMixer()->GetDXRenderEngine()->PopFrame(frame));
}

TEST_F(DirectorTest, AnOutputThatFailsToStartIsDeletedAndRegistersNothing)
{
    MakeDirector();
    LoadTwo();
    outputs_.plans[0].createResult = E_FAIL;
    outputs_.plans[2].buildResult = E_ABORT;
    outputs_.plans[3].runResult = E_ACCESSDENIED;
    outputs_.plans[5].hasSource = false;
    EXPECT_EQ(director_->StartOutput(0), E_FAIL);
    EXPECT_EQ(director_->StartOutput(2), E_ABORT);
    EXPECT_EQ(director_->StartOutput(3), E_ACCESSDENIED);
    EXPECT_EQ(director_->StartOutput(5), E_FAIL);
    for (int type : {0, 2, 3, 5}) {
        EXPECT_EQ(director_->IsOutputRunning(type), 0) << type;
        EXPECT_FALSE(outputs_.records[type]->activated) << type;
        EXPECT_NE(log_.IndexOf("output" + std::to_string(type) + ".Destroy"), -1) << type;
    }
    EXPECT_EQ(outputs_.liveGraphs, 0);
    EXPECT_FALSE(director_->AreOutputsRunning());
    Tick();
    OutputFrame frame;
    EXPECT_FALSE(director_->GetVideoMixer()->GetDXRenderEngine()->PopFrame(frame));
}

TEST_F(DirectorTest, WhileAnOutputBuildsItsTypeCannotStartAgainNorTheDirectorShutDown)
{
    MakeDirector();
    LoadTwo();
    HRESULT again = S_OK, other = E_FAIL, shutdown = S_OK;
    outputs_.plans[kOutputWindowsMedia].duringBuild = [&] {
        again = director_->StartOutput(kOutputWindowsMedia);
        other = director_->StartOutput(kOutputVirtualDevice);
        shutdown = director_->Shutdown();
    };
    ASSERT_EQ(director_->StartOutput(kOutputWindowsMedia), S_OK);
    EXPECT_EQ(again, E_UNEXPECTED);
    EXPECT_EQ(other, S_OK); // another type may start meanwhile
    EXPECT_EQ(shutdown, VFW_E_WRONG_STATE);
    EXPECT_EQ(outputs_.made, 2);
    EXPECT_EQ(director_->IsOutputRunning(kOutputWindowsMedia), 1);
    EXPECT_EQ(director_->Shutdown(), S_OK);
    EXPECT_EQ(outputs_.liveGraphs, 0);
}

TEST_F(DirectorTest, WithoutAFrameThreadNoOutputStarts)
{
    MakeDirector(new ThreadlessDirector);
    EXPECT_FALSE(director_->IsFrameThreadRunning());
    EXPECT_EQ(director_->StartOutput(kOutputVirtualDevice), E_OUTOFMEMORY);
    EXPECT_EQ(outputs_.made, 0);
    EXPECT_FALSE(director_->AreOutputsRunning());
}

TEST_F(DirectorTest, ShutdownWithOutputsRunningStopsEverythingInOrder)
{
    MakeDirector();
    LoadTwo();
    ASSERT_EQ(director_->StartOutput(kOutputAvi), S_OK);
    ASSERT_EQ(director_->StartOutput(kOutputVirtualDevice), S_OK);
    ASSERT_EQ(director_->StartAudioPreview("Speakers"), S_OK);
    TickAndReceive(*outputs_.records[kOutputVirtualDevice]);
    director_->GetAudioMixer()->Tick();
    EXPECT_EQ(outputs_.preview->chunks.size(), 1u);
    EXPECT_EQ(outputs_.preview->audioType.lSampleSize, 7056u);
    Tick(); // a frame may still wait when the thread stops
    log_.Clear();

    EXPECT_EQ(director_->Shutdown(), S_OK);
    const int lastOutput = log_.IndexOf("output5.delete");
    const int preview = log_.IndexOf("preview.Destroy");
    const int firstChannel = log_.IndexOf("channel1.Destroy");
    ASSERT_NE(lastOutput, -1);
    EXPECT_LT(log_.IndexOf("output2.Stop"), log_.IndexOf("output2.Destroy"));
    EXPECT_LT(lastOutput, preview);
    EXPECT_LT(preview, firstChannel);
    EXPECT_LT(firstChannel, log_.IndexOf("channel2.Destroy"));
    EXPECT_EQ(outputs_.liveGraphs, 0);
    EXPECT_EQ(channels_.liveGraphs, 0);
    EXPECT_FALSE(director_->IsFrameThreadRunning());
    EXPECT_EQ(director_->GetVideoMixer(), nullptr);
    EXPECT_EQ(director_->GetAudioMixer(), nullptr);
    EXPECT_EQ(director_->GetProgramChannel(), 0);
    EXPECT_EQ(director_->StartOutput(kOutputAvi), E_UNEXPECTED);
    EXPECT_EQ(director_->Shutdown(), S_OK); // twice is harmless
}

TEST_F(DirectorTest, TheCardOutputIsToldNtscForA480LineProgram)
{
    MakeDirector(nullptr, 720, 480);
    outputs_.width = 720;
    outputs_.height = 480;
    ASSERT_EQ(director_->StartOutput(kOutputCard), S_OK);
    EXPECT_EQ(outputs_.records[kOutputCard]->before.card.Ntsc, 1);
    EXPECT_EQ(outputs_.records[kOutputCard]->before.card.CardIndex, 0);
    EXPECT_EQ(outputs_.records[kOutputCard]->videoType.lSampleSize, 720u * 480u * 4u);
}

TEST_F(DirectorTest, TheCaptionPreviewJoinsAndLeavesTheMixersLayers)
{
    MakeDirector();
    CVideoMixer* mixer = director_->GetVideoMixer();
    const std::vector<IVideoMixerRenderListener*>& layers = mixer->GetRenderListeners();
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(layers[0], director_->GetOverlayScene());
    EXPECT_TRUE(director_->GetOverlayScene()->IsProgramLayer());
    EXPECT_FALSE(director_->ShowCaptionPreview(nullptr));
    EXPECT_EQ(mixer->GetRenderListeners().size(), 1u);
    EXPECT_TRUE(director_->ShowCaptionPreview(window_));
    ASSERT_EQ(mixer->GetRenderListeners().size(), 2u);
    EXPECT_EQ(mixer->GetRenderListeners()[1], director_->GetPreviewScene());
    EXPECT_EQ(director_->GetPreviewScene()->GetPreviewWindow(), window_);
    Tick(); // the preview is drawn into its own window without harm
    director_->HideCaptionPreview();
    EXPECT_EQ(mixer->GetRenderListeners().size(), 1u);
}

TEST_F(DirectorTest, TheAudioPreviewReceivesTheMixUntilStopped)
{
    MakeDirector();
    EXPECT_EQ(director_->StopAudioPreview(), E_UNEXPECTED);
    ASSERT_EQ(director_->StartAudioPreview("Speakers"), S_OK);
    director_->GetAudioMixer()->Tick();
    EXPECT_EQ(director_->StopAudioPreview(), S_OK);
    director_->GetAudioMixer()->Tick();
    EXPECT_EQ(outputs_.preview->chunks.size(), 1u);
    EXPECT_EQ(outputs_.preview->chunks[0].length, 7056);
    EXPECT_LT(log_.IndexOf("preview.Stop"), log_.IndexOf("preview.Destroy"));
    EXPECT_EQ(director_->StopAudioPreview(), E_UNEXPECTED);
}

TEST_F(DirectorTest, InitNeedsANotifyWindow)
{
    CDirector director;
    EXPECT_EQ(director.Init(window_, nullptr, kWidth, kHeight, 25.0f, 1.0, 2), E_INVALIDARG);
    EXPECT_EQ(director.GetVideoMixer(), nullptr);
}

TEST_F(DirectorTest, AnAppliedCaptionPageShowsInTheProgramFramesUntilSwitchedOff)
{
    MakeDirector();
    LoadTwo();
    ASSERT_EQ(director_->StartOutput(kOutputVirtualDevice), S_OK);
    OutputRecord& out = *outputs_.records[kOutputVirtualDevice];
    EXPECT_TRUE(Near(TickAndReceive(out), kRed));

    // A page of one text object whose shown background covers the program.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring page = std::wstring(temp) + L"rvx_director_caption.rxf";
    {
        CCharObjList objects;
        CCharObject* object = new CCharObject;
        CharTextStyle style;
        style.SetDefault();
        style.font.lfHeight = 8;
        style.background = 1;
        style.backgroundColour = RGB(0, 200, 0);
        object->SetText(style, L".");
        object->SetRect(RECT{0, 0, kWidth, kHeight});
        object->SetMotion(0);
        objects.Add(object);
        ASSERT_TRUE(objects.SaveToFile(page.c_str()));
    }
    SetExeDirectoryOverride(temp);
    const int width = kWidth, height = kHeight;
    CDirectorCaptionStage stage(*director_, width, height);
    {
        CMoreCharDlg editor(&stage, nullptr);
        ASSERT_TRUE(editor.Create(nullptr));
        ASSERT_TRUE(editor.OpenCaptionFile(page.c_str()));
        editor.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_ONOFF, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(editor.m_hWnd, IDC_MORE_ONOFF)));
        ASSERT_EQ(1u, editor.GetAppliedPages().size());
        EXPECT_TRUE(Near(TickAndReceive(out), kGreen)) << "the page is on the program";
        editor.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_ONOFF, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(editor.m_hWnd, IDC_MORE_ONOFF)));
        EXPECT_TRUE(Near(TickAndReceive(out), kRed)) << "switched off, it is gone";
        editor.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_ONOFF, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(editor.m_hWnd, IDC_MORE_ONOFF)));
        EXPECT_TRUE(Near(TickAndReceive(out), kGreen));
    } // the editor takes its layers off the scene before the director shuts down
    EXPECT_TRUE(Near(TickAndReceive(out), kRed));
    SetExeDirectoryOverride(nullptr);
    DeleteFileW(page.c_str());
}

std::wstring WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    ::CloseHandle(h);
    return path;
}

// A page composed on the editor's canvas (a picture, an animated picture and a text on its
// shown background), saved and put on air over a running director: each object shows at its
// place in the program frames an output receives, the animation moves on with the engine
// clock, and previewing it leaves the program as it is.
TEST_F(DirectorTest, ACanvasPageShowsEachObjectAtItsPlaceInTheProgramFramesAndThePreview)
{
    const int width = 320, height = 240;
    outputs_.width = width;
    outputs_.height = height;
    MakeDirector(nullptr, width, height);
    LoadTwo();
    ASSERT_EQ(director_->StartOutput(kOutputVirtualDevice), S_OK);
    OutputRecord& out = *outputs_.records[kOutputVirtualDevice];

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring bmp = WriteFileBytes(std::wstring(temp) + L"rvx_director_pic.bmp", fixtures::Bmp2x2());
    const std::wstring gif = WriteFileBytes(std::wstring(temp) + L"rvx_director_anim.gif", fixtures::Gif3Frames());
    const std::wstring page = std::wstring(temp) + L"rvx_director_canvas.rxf";
    SetExeDirectoryOverride(temp);
    CDirectorCaptionStage stage(*director_, width, height);
    CMoreCharDlg editor(&stage, nullptr);
    ASSERT_TRUE(editor.Create(nullptr));
    editor.ShowWindow(SW_SHOW);
    CNotePadWnd& canvas = editor.GetCanvas();
    RECT client;
    ::GetClientRect(canvas.m_hWnd, &client);
    ASSERT_GT(client.right, 0);

    ASSERT_TRUE(canvas.InsertImage(bmp.c_str(), 1));
    ASSERT_TRUE(canvas.InsertImage(gif.c_str(), 2));
    canvas.NewTextBox();
    ::SetWindowTextW(canvas.GetEdit(), L"ON AIR");
    ASSERT_TRUE(canvas.IsModified(true)) << "the typed text is committed";
    ASSERT_EQ(3, canvas.GetPage().GetCount());
    // Places on the canvas: the picture, the animation, the text.
    const RECT places[3] = {{20, 100, 80, 160}, {120, 20, 180, 80}, {200, 150, 300, 190}};
    for (int i = 0; i < 3; ++i) {
        CCharObject* object = nullptr;
        ASSERT_TRUE(canvas.GetPage().GetAt(i, &object));
        object->SetRect(places[i]);
        object->SetMotion(0);
        if (object->GetType() == 0) {
            CharTextStyle style;
            CStringW text;
            ASSERT_TRUE(object->GetText(&style, &text));
            EXPECT_EQ(text, CStringW(L"ON AIR"));
            style.background = 1;
            style.backgroundColour = RGB(255, 255, 0);
            style.textColour = RGB(0, 0, 0);
            style.font.lfHeight = 24;
            object->SetText(style, text);
        }
    }
    ASSERT_TRUE(canvas.SaveFile(page.c_str()));
    editor.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_ONOFF, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(editor.m_hWnd, IDC_MORE_ONOFF)));
    ASSERT_EQ(1u, editor.GetAppliedPages().size());

    // A canvas point (x, y) inside an object, in the program frame: objects are placed by the
    // fraction of the canvas their corner lies at, and keep their size.
    auto Frame = [&](int object, int dx, int dy) {
        const RECT& r = places[object];
        return POINT{r.left * width / client.right + dx, r.top * height / client.bottom + dy};
    };
    auto Pixel = [&](POINT p) { return out.PixelAt(p.x, p.y); };
    const struct {
        int object, dx, dy;
        D3DCOLOR colour;
        const char* what;
    } still[] = {
        {0, 10, 10, D3DCOLOR_XRGB(255, 0, 0), "the picture's red corner"},
        {0, 50, 10, D3DCOLOR_XRGB(0, 255, 0), "the picture's green corner"},
        {0, 10, 50, D3DCOLOR_XRGB(0, 0, 255), "the picture's blue corner"},
        {1, 10, 50, D3DCOLOR_XRGB(0, 0, 255), "the animation's blue corner"},
        {2, 95, 35, D3DCOLOR_XRGB(255, 255, 0), "the text's shown background"},
    };
    TickAndReceive(out);
    for (const auto& c : still)
        EXPECT_TRUE(Near(Pixel(Frame(c.object, c.dx, c.dy)), c.colour)) << c.what;
    EXPECT_TRUE(Near(Pixel(Frame(2, -10, 35)), kRed)) << "the program around the page";
    int dark = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x) {
            const POINT p = Frame(2, x, y);
            if (Near(Pixel(p), D3DCOLOR_XRGB(0, 0, 0)))
                ++dark;
        }
    EXPECT_GT(dark, 10) << "the text's letters inside its box";

    // The animation's frames follow the engine clock: 50 ms each (its first frame's delay).
    const struct {
        DWORD advance;
        D3DCOLOR topLeft, bottomRight;
        int frame;
    } steps[] = {
        {50, D3DCOLOR_XRGB(255, 0, 0), D3DCOLOR_XRGB(0, 255, 0), 1},
        {50, D3DCOLOR_XRGB(0, 0, 255), 0, 2},
        {50, D3DCOLOR_XRGB(255, 0, 0), 0, 0},
    };
    const D3DCOLOR firstTopLeft = Pixel(Frame(1, 10, 10));
    EXPECT_TRUE(Near(firstTopLeft, D3DCOLOR_XRGB(255, 0, 0))) << "the first frame's red corner";
    for (const auto& step : steps) {
        g_now += step.advance;
        TickAndReceive(out);
        EXPECT_TRUE(Near(Pixel(Frame(1, 10, 10)), step.topLeft)) << "frame " << step.frame;
        if (step.bottomRight) {
            EXPECT_TRUE(Near(Pixel(Frame(1, 50, 50)), step.bottomRight)) << "frame " << step.frame;
        }
        EXPECT_TRUE(Near(Pixel(Frame(0, 10, 10)), D3DCOLOR_XRGB(255, 0, 0))) << "the picture stays";
    }

    // The preview draws into its own window; the program keeps the page as it was.
    editor.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_VIEW, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(editor.m_hWnd, IDC_MORE_VIEW)));
    ASSERT_NE(editor.GetPreview(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(editor.GetPreview()->GetViewWindow()));
    EXPECT_EQ(3u, editor.GetPreviewLayerCount());
    TickAndReceive(out);
    EXPECT_TRUE(Near(Pixel(Frame(2, 95, 35)), D3DCOLOR_XRGB(255, 255, 0))) << "the program keeps the page";

    editor.DestroyWindow();
    TickAndReceive(out);
    EXPECT_TRUE(Near(Pixel(Frame(2, 95, 35)), kRed)) << "the editor took its page off the air";
    SetExeDirectoryOverride(nullptr);
    ::DeleteFileW(page.c_str());
    ::DeleteFileW(bmp.c_str());
    ::DeleteFileW(gif.c_str());
}

} // namespace
} // namespace directortest
