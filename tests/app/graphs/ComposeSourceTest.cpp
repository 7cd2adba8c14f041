// The compose source in a real graph of the platform's filter graph manager, delivering to a
// recording sink. The pins' start time follows the engine clock, which the tests set.
#include "RecordingSink.h"
#include "ProgramAudioType.h"

#include "app/core/EngineClock.h"
#include "app/graphs/compose/ComposeSource.h"

#include <gtest/gtest.h>

#include <mmreg.h>

#include <vector>

using graphstest::CRecordingSink;
using graphstest::ReceivedSample;

namespace {

DWORD g_now = 0;
DWORD TestClock()
{
    return g_now;
}

const LONG kWidth = 64, kHeight = 48;
const long kFrameBytes = kWidth * kHeight * 4;
const long kAudioBytes = 7056;

CMediaType VideoType()
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    ZeroMemory(vih, sizeof *vih);
    vih->AvgTimePerFrame = 400000;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = kWidth;
    vih->bmiHeader.biHeight = -kHeight;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    mt.SetSampleSize(kFrameBytes);
    return mt;
}

class ComposeSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        g_now = 5000;
        EngineClock::SetSource(&TestClock);
        ASSERT_EQ(graph_.CoCreateInstance(CLSID_FilterGraph), S_OK);
        HRESULT hr = E_FAIL;
        source_ = CComposeSource::CreateInstance(&hr);
        ASSERT_EQ(hr, S_OK);
        const CMediaType video = VideoType(), audio = ProgramAudioType(kAudioBytes);
        ASSERT_EQ(source_->SetPinMediaType(0, &video), S_OK);
        ASSERT_EQ(source_->SetPinMediaType(1, &audio), S_OK);
        ASSERT_EQ(graph_->AddFilter(source_, L"ComposeSource"), S_OK);
        videoSink_ = CRecordingSink::Create();
        audioSink_ = CRecordingSink::Create();
        ASSERT_EQ(graph_->AddFilter(videoSink_, L"VideoSink"), S_OK);
        ASSERT_EQ(graph_->AddFilter(audioSink_, L"AudioSink"), S_OK);
        ASSERT_EQ(graph_->ConnectDirect(source_->VideoPin(), videoSink_->GetPin(0), nullptr), S_OK);
        ASSERT_EQ(graph_->ConnectDirect(source_->AudioPin(), audioSink_->GetPin(0), nullptr), S_OK);
        ASSERT_EQ(allocator_.CoCreateInstance(CLSID_MemoryAllocator), S_OK);
        ALLOCATOR_PROPERTIES want = {8, kAudioBytes + 100, 1, 0}, got = {};
        ASSERT_EQ(allocator_->SetProperties(&want, &got), S_OK);
        ASSERT_EQ(allocator_->Commit(), S_OK);
    }

    void TearDown() override
    {
        if (graph_) {
            CComQIPtr<IMediaControl> control(graph_.Get());
            control->Stop();
        }
        allocator_.Release();
        graph_.Release();
        for (CRecordingSink* sink : {videoSink_, audioSink_}) {
            if (sink) {
                EXPECT_EQ(sink->HoldsTimedOut(), 0);
            }
        }
        if (videoSink_)
            videoSink_->NonDelegatingRelease();
        if (audioSink_)
            audioSink_->NonDelegatingRelease();
        if (source_)
            source_->NonDelegatingRelease();
        EngineClock::SetSource(nullptr);
        CoUninitialize();
    }

    void Run()
    {
        CComQIPtr<IMediaControl> control(graph_.Get());
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        OAFilterState state;
        ASSERT_EQ(control->GetState(5000, &state), S_OK);
        ASSERT_EQ(state, State_Running);
    }

    REFERENCE_TIME PinStart() const { return REFERENCE_TIME(5000) * 10000; }

    // A program frame numbered n in its first pixel, stamped at the pin's start + offset.
    void SendFrame(DWORD n, REFERENCE_TIME offset)
    {
        std::vector<DWORD> pixels(kWidth * kHeight, n);
        AM_SAMPLE2_PROPERTIES props = {};
        props.cbData = sizeof props;
        props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_SPLICEPOINT;
        props.tStart = PinStart() + offset;
        props.tStop = props.tStart + 400000;
        props.pbBuffer = reinterpret_cast<BYTE*>(pixels.data());
        props.cbBuffer = kFrameBytes;
        props.lActual = kFrameBytes;
        source_->VideoPin()->OnVideoFrame(0, &props);
    }

    HRESULT SendAudio(DWORD n, const REFERENCE_TIME* start, const REFERENCE_TIME* stop, long length = kAudioBytes,
                      bool discontinuity = false, bool preroll = false)
    {
        CComPtr<IMediaSample> sample;
        EXPECT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        *reinterpret_cast<DWORD*>(data) = n;
        sample->SetActualDataLength(length);
        REFERENCE_TIME s = start ? *start : 0, e = stop ? *stop : 0;
        sample->SetTime(start ? &s : nullptr, stop ? &e : nullptr);
        sample->SetDiscontinuity(discontinuity);
        sample->SetPreroll(preroll);
        sample->SetSyncPoint(TRUE);
        return source_->AudioPin()->QueueSample(sample);
    }

    CComPtr<IGraphBuilder> graph_;
    CComPtr<IMemAllocator> allocator_;
    CComposeSource* source_ = nullptr;
    CRecordingSink* videoSink_ = nullptr;
    CRecordingSink* audioSink_ = nullptr;
};

} // namespace

TEST_F(ComposeSourceTest, PinsAreVideoThenAudioAndOfferOnlyTheirType)
{
    EXPECT_EQ(source_->GetPinCount(), 2);
    EXPECT_STREQ(source_->GetPin(0)->Name(), L"Video");
    EXPECT_STREQ(source_->GetPin(1)->Name(), L"Audio");
    EXPECT_EQ(source_->VideoPin()->GetMediaKind(), 0);
    EXPECT_EQ(source_->AudioPin()->GetMediaKind(), 1);
    AM_MEDIA_TYPE mt = {};
    ASSERT_EQ(source_->VideoPin()->ConnectionMediaType(&mt), S_OK);
    EXPECT_TRUE(CMediaType(mt) == VideoType());
    FreeMediaType(mt);
    CMediaType other = VideoType();
    other.SetSubtype(&MEDIASUBTYPE_RGB24);
    EXPECT_NE(source_->VideoPin()->QueryAccept(&other), S_OK);
    EXPECT_EQ(source_->SetPinMediaType(2, &other), E_INVALIDARG);
    // Delivery asks for one buffer of a frame.
    EXPECT_EQ(source_->VideoPin()->AllocatorRequest().cBuffers, 1);
    EXPECT_EQ(source_->VideoPin()->AllocatorRequest().cbBuffer, kFrameBytes);
}

TEST_F(ComposeSourceTest, NothingIsQueuedBeforeThePinsAreActivated)
{
    Run();
    SendFrame(1, 0);
    const REFERENCE_TIME t = PinStart();
    EXPECT_EQ(SendAudio(1, &t, nullptr), S_FALSE);
    EXPECT_EQ(source_->VideoPin()->Queue().Waiting(), 0u);
    EXPECT_EQ(source_->VideoPin()->Queue().BuffersInUse(), 0u);
}

TEST_F(ComposeSourceTest, FramesComeOutInOrderWithTimesRebasedToThePinsStart)
{
    Run();
    source_->ActivatePins();
    // One at a time: each arrival finds the thread idle and must wake it.
    for (DWORD n = 0; n < 30; ++n) {
        SendFrame(n, REFERENCE_TIME(n) * 400000);
        ASSERT_TRUE(videoSink_->WaitForSamples(n + 1)) << "frame " << n << " was not delivered";
    }
    const std::vector<ReceivedSample> got = videoSink_->Samples();
    ASSERT_EQ(got.size(), 30u);
    for (DWORD n = 0; n < 30; ++n) {
        EXPECT_EQ(got[n].firstWord, n);
        EXPECT_EQ(got[n].timeResult, S_OK);
        EXPECT_EQ(got[n].start, REFERENCE_TIME(n) * 400000);
        EXPECT_EQ(got[n].stop, REFERENCE_TIME(n + 1) * 400000);
        EXPECT_TRUE(got[n].syncPoint);
        EXPECT_EQ(got[n].length, kFrameBytes);
    }
    EXPECT_EQ(source_->VideoPin()->Queue().BuffersInUse(), 0u);
}

TEST_F(ComposeSourceTest, AFrameStampedBeforeThePinStartedIsNeverDelivered)
{
    Run();
    source_->ActivatePins();
    SendFrame(1, -1);
    SendFrame(2, 0);
    ASSERT_TRUE(videoSink_->WaitForSamples(1));
    SendFrame(3, 400000);
    ASSERT_TRUE(videoSink_->WaitForSamples(2));
    const std::vector<ReceivedSample> got = videoSink_->Samples();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].firstWord, 2u);
    EXPECT_EQ(got[1].firstWord, 3u);
}

TEST_F(ComposeSourceTest, AboveOneHundredWaitingTheOldestFramesAreDropped)
{
    Run();
    source_->ActivatePins();
    videoSink_->Block();
    SendFrame(0, 0);
    ASSERT_TRUE(videoSink_->WaitUntilHolding());
    for (DWORD n = 1; n < 110; ++n) {
        SendFrame(n, REFERENCE_TIME(n) * 400000);
        EXPECT_LE(source_->VideoPin()->Queue().Waiting(), 101u);
    }
    EXPECT_EQ(source_->VideoPin()->Queue().Waiting(), 101u);
    videoSink_->Unblock();
    ASSERT_TRUE(videoSink_->WaitForSamples(102));
    const std::vector<ReceivedSample> got = videoSink_->Samples();
    ASSERT_EQ(got.size(), 102u);
    EXPECT_EQ(got[0].firstWord, 0u);
    for (size_t i = 1; i < got.size(); ++i)
        EXPECT_EQ(got[i].firstWord, DWORD(i + 8)) << "delivery " << i;
    EXPECT_EQ(source_->VideoPin()->Queue().Dropped(), 8u);
}

TEST_F(ComposeSourceTest, StoppingWithAFullQueueEndsAndTheNextRunStartsAfresh)
{
    Run();
    source_->ActivatePins();
    videoSink_->Block();
    SendFrame(0, 0);
    ASSERT_TRUE(videoSink_->WaitUntilHolding());
    for (DWORD n = 1; n < 105; ++n)
        SendFrame(n, REFERENCE_TIME(n) * 400000);
    CComQIPtr<IMediaControl> control(graph_.Get());
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
    // What waited keeps its buffers until it is delivered, dropped or the pin goes.
    EXPECT_EQ(source_->VideoPin()->Queue().BuffersInUse(), source_->VideoPin()->Queue().Waiting());
    videoSink_->Unblock();

    g_now = 20000; // the next run starts later: what waited is older than it and is dropped
    Run();
    const size_t before = videoSink_->Count();
    std::vector<DWORD> pixels(kWidth * kHeight, 777);
    AM_SAMPLE2_PROPERTIES props = {};
    props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
    props.tStart = REFERENCE_TIME(20000) * 10000 + 10;
    props.tStop = props.tStart + 400000;
    props.pbBuffer = reinterpret_cast<BYTE*>(pixels.data());
    props.lActual = kFrameBytes;
    source_->VideoPin()->OnVideoFrame(0, &props);
    ASSERT_TRUE(videoSink_->WaitForSamples(before + 1));
    const std::vector<ReceivedSample> got = videoSink_->Samples();
    EXPECT_EQ(got.back().firstWord, 777u);
    EXPECT_EQ(got.back().start, 10);
    EXPECT_EQ(source_->VideoPin()->Queue().Waiting(), 0u);
}

TEST_F(ComposeSourceTest, NoPinCallsDownstreamOnceItsGraphHasStopped)
{
    Run();
    source_->ActivatePins();
    videoSink_->Block();
    SendFrame(0, 0);
    ASSERT_TRUE(videoSink_->WaitUntilHolding());
    for (DWORD n = 1; n < 20; ++n)
        SendFrame(n, REFERENCE_TIME(n) * 400000);
    const REFERENCE_TIME audioStart = PinStart(), audioStop = PinStart() + 400000;
    EXPECT_EQ(SendAudio(1, &audioStart, &audioStop), S_OK);

    // Stopped while one frame is held in Receive and nineteen wait. The graph stops the sinks
    // before the source, so a waiting frame may still reach a sink while the Stop runs; once
    // Stop has returned, nothing may.
    CComQIPtr<IMediaControl> control(graph_.Get());
    ASSERT_TRUE(SUCCEEDED(control->Stop()));
    const long videoCalls = videoSink_->CallsWhileStopped(), audioCalls = audioSink_->CallsWhileStopped();
    const size_t received = videoSink_->Count();
    EXPECT_GE(received, 1u);
    EXPECT_LE(received, 20u);
    // Both streaming threads have ended with the Stop, so no later call can come from them.
    EXPECT_FALSE(source_->VideoPin()->ThreadExists());
    EXPECT_FALSE(source_->AudioPin()->ThreadExists());
    // What the director hands a stopped pin goes nowhere either.
    SendFrame(20, REFERENCE_TIME(20) * 400000);
    EXPECT_EQ(videoSink_->CallsWhileStopped(), videoCalls);
    EXPECT_EQ(audioSink_->CallsWhileStopped(), audioCalls);
    EXPECT_EQ(videoSink_->Count(), received);
}

TEST_F(ComposeSourceTest, AudioKeepsItsFlagsAndASampleWithoutStopTimeHasOnlyAStart)
{
    Run();
    source_->ActivatePins();
    const REFERENCE_TIME s0 = PinStart() + 100, e0 = s0 + 400000;
    EXPECT_EQ(SendAudio(0, &s0, &e0, kAudioBytes, true, false), S_OK);
    ASSERT_TRUE(audioSink_->WaitForSamples(1));
    const REFERENCE_TIME s1 = PinStart() + 400100;
    EXPECT_EQ(SendAudio(1, &s1, nullptr, 1764, false, true), VFW_S_NO_STOP_TIME);
    ASSERT_TRUE(audioSink_->WaitForSamples(2));
    const std::vector<ReceivedSample> got = audioSink_->Samples();
    EXPECT_EQ(got[0].timeResult, S_OK);
    EXPECT_EQ(got[0].start, 100);
    EXPECT_EQ(got[0].stop, 400100);
    EXPECT_TRUE(got[0].discontinuity);
    EXPECT_FALSE(got[0].preroll);
    EXPECT_EQ(got[0].length, kAudioBytes);
    EXPECT_EQ(got[1].timeResult, VFW_S_NO_STOP_TIME);
    EXPECT_EQ(got[1].start, 400100);
    EXPECT_TRUE(got[1].preroll);
    EXPECT_EQ(got[1].length, 1764);
    EXPECT_EQ(got[1].firstWord, 1u);
}

TEST_F(ComposeSourceTest, AudioLargerThanThePinsBufferOrWithoutASampleIsRefused)
{
    Run();
    source_->ActivatePins();
    const REFERENCE_TIME t = PinStart();
    EXPECT_EQ(SendAudio(0, &t, nullptr, kAudioBytes + 1), E_FAIL);
    EXPECT_EQ(source_->AudioPin()->QueueSample(nullptr), E_INVALIDARG);
    EXPECT_EQ(source_->AudioPin()->Queue().BuffersInUse(), 0u);
}

namespace {

// The audio preview's source: one preview pin.
class CPreviewSource : public CSource
{
public:
    explicit CPreviewSource(HRESULT* phr) : CSource(TEXT("PreviewSource"), nullptr, GUID_NULL, phr)
    {
        pin_ = new CAPSOutputPin(phr, this, L"Audio");
    }
    CAPSOutputPin* pin_;
};

} // namespace

TEST_F(ComposeSourceTest, PreviewPlaysTheOldestWaitingSampleWithoutTimesAndDropsTheRest)
{
    HRESULT hr = S_OK;
    CPreviewSource* preview = new CPreviewSource(&hr);
    preview->NonDelegatingAddRef();
    const CMediaType audio = ProgramAudioType(kAudioBytes);
    ASSERT_EQ(preview->pin_->SetOutputMediaType(&audio), S_OK);
    CRecordingSink* sink = CRecordingSink::Create();
    ASSERT_EQ(graph_->AddFilter(preview, L"Preview"), S_OK);
    ASSERT_EQ(graph_->AddFilter(sink, L"PreviewSink"), S_OK);
    ASSERT_EQ(graph_->ConnectDirect(preview->pin_, sink->GetPin(0), nullptr), S_OK);

    CComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    sample->SetActualDataLength(100);
    EXPECT_EQ(preview->pin_->QueueSample(sample), S_FALSE); // inactive until its thread runs

    Run();
    sink->Block();
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    for (DWORD n = 0; n < 4; ++n) {
        *reinterpret_cast<DWORD*>(data) = n;
        REFERENCE_TIME s = 1000 + n, e = s + 10;
        sample->SetTime(&s, &e);
        EXPECT_TRUE(SUCCEEDED(preview->pin_->QueueSample(sample)));
        if (n == 0) {
            ASSERT_TRUE(sink->WaitUntilHolding());
        }
    }
    sink->Unblock();
    ASSERT_TRUE(sink->WaitForSamples(2));
    // The loop goes idle once the queue is empty: one more arrival is delivered, proving it.
    *reinterpret_cast<DWORD*>(data) = 9;
    EXPECT_TRUE(SUCCEEDED(preview->pin_->QueueSample(sample)));
    ASSERT_TRUE(sink->WaitForSamples(3));
    const std::vector<ReceivedSample> got = sink->Samples();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].firstWord, 0u);
    EXPECT_EQ(got[1].firstWord, 1u); // 2 and 3 were thrown away when 1 went out
    EXPECT_EQ(got[2].firstWord, 9u);
    for (const ReceivedSample& r : got)
        EXPECT_EQ(r.timeResult, VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(sink->HoldsTimedOut(), 0);

    CComQIPtr<IMediaControl> control(graph_.Get());
    control->Stop();
    sink->NonDelegatingRelease();
    graph_->RemoveFilter(preview);
    preview->NonDelegatingRelease();
}
