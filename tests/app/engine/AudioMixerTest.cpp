// The audio mixer end to end with its clock and timer in the test's hands: samples pushed
// per input, ticks called directly, mixed chunks recorded by a listener.
#include "app/engine/AudioMixer.h"
#include "app/engine/AudioMix.h"
#include "tests/app/engine/AudioMixerFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

using namespace audio_test;

// ---- mixing cases ------------------------------------------------------------------------

struct InputFeed {
    short value;  // every sample of the input
    bool selected;
    int gainDb;
};

struct MixerCase {
    const char* name;
    std::vector<InputFeed> feeds; // inputs 0.. in order; missing inputs get no data
    bool agc;
    int masterDb;
    short expectedMix;            // every sample of the first chunk
    int expectedInputMeter0;      // dB of input 0, both sides
    int expectedMixMeter;         // dB of the mix, both sides
};

TEST_F(AudioMixerTest, MixingCases)
{
    const MixerCase cases[] = {
        {"one input", {{1000, true, 0}}, true, 0, 1000, -30, -30},
        {"several inputs add", {{1000, true, 0}, {2000, true, 0}, {-500, true, 0}}, true, 0, 2500, -30, -22},
        {"deselected input is left out but metered", {{2000, false, 0}, {1000, true, 0}}, true, 0, 1000, -24, -30},
        {"-6 dB input gain", {{1000, true, -6}}, true, 0, 501, -30, -36},
        {"+6 dB input gain", {{1000, true, 6}}, false, 0, 1995, -30, -24},
        {"master gain with AGC off", {{1000, true, 0}}, false, -6, 501, -30, -36},
        {"master gain unused with AGC on", {{1000, true, 0}}, true, -6, 1000, -30, -30},
        {"AGC on clips at +32767", {{20000, true, 0}, {20000, true, 0}}, true, 0, 32767, -4, 0},
        {"AGC on clips at -32768", {{-20000, true, 0}, {-20000, true, 0}}, true, 0, -32768, -4, 0},
        {"AGC off saturates, never wraps", {{20000, true, 0}, {20000, true, 0}}, false, 0, 32767, -4, 0},
        {"AGC off saturates negative", {{-20000, true, 0}, {-20000, true, 0}}, false, 0, -32768, -4, 0},
        {"+100 dB gain does not overflow", {{30000, true, 100}, {30000, true, 100}}, false, 0, 32767, 0, 0},
        {"+100 dB gain with AGC", {{-30000, true, 100}}, true, 0, -32768, 0, 0},
        {"full-scale negative input meters 0 dB", {{-32768, true, 0}}, true, 0, -32768, 0, 0},
        {"no data is silence at -96", {}, true, 0, 0, -96, -96},
    };
    for (const MixerCase& c : cases) {
        SCOPED_TRACE(c.name);
        CAudioMixer& mixer = MakeStartedMixer();
        mixer.SetAGC(c.agc ? 1 : 0);
        mixer.SetGainDb(kInputs, c.masterDb);
        for (std::size_t j = 0; j < c.feeds.size(); ++j) {
            mixer.SetSel(static_cast<int>(j), c.feeds[j].selected);
            mixer.SetGainDb(static_cast<int>(j), c.feeds[j].gainDb);
            Push(mixer, static_cast<int>(j), std::vector<short>(kChunkBytes / 2, c.feeds[j].value));
        }
        mixer.Tick();
        ASSERT_EQ(listener.chunks.size(), 1u);
        const std::vector<short>& mix = listener.chunks[0].samples;
        ASSERT_EQ(mix.size(), kChunkBytes / 2u);
        EXPECT_EQ(mix.front(), c.expectedMix);
        EXPECT_EQ(mix.back(), c.expectedMix);
        const DWORD in0 = static_cast<DWORD>(mixer.GetLevel(0));
        EXPECT_EQ(MeterLevelEven(in0), c.expectedInputMeter0);
        EXPECT_EQ(MeterLevelOdd(in0), c.expectedInputMeter0);
        const DWORD mixMeter = static_cast<DWORD>(mixer.GetLevel(kInputs));
        EXPECT_EQ(MeterLevelEven(mixMeter), c.expectedMixMeter);
        EXPECT_EQ(MeterLevelOdd(mixMeter), c.expectedMixMeter);
        EXPECT_EQ(MeterLevelEven(static_cast<DWORD>(mixer.GetLevel(kInputs - 1))), -96); // never fed
        Reset();
    }
}

TEST_F(AudioMixerTest, LeftAndRightAreMeteredApart)
{
    CAudioMixer& mixer = MakeStartedMixer();
    std::vector<short> stereo(kChunkBytes / 2);
    for (std::size_t i = 0; i < stereo.size(); i += 2) {
        stereo[i] = 16384;  // left -6 dB
        stereo[i + 1] = 0;  // right silent
    }
    Push(mixer, 2, stereo);
    mixer.Tick();
    EXPECT_EQ(static_cast<DWORD>(mixer.GetLevel(2)), PackMeterLevels(-6, -96));
    EXPECT_EQ(static_cast<DWORD>(mixer.GetLevel(kInputs)), PackMeterLevels(-6, -96));
    EXPECT_EQ(mixer.GetLevel(-1), 0);
    EXPECT_EQ(mixer.GetLevel(kInputs + 1), 0);
}

// ---- queues ------------------------------------------------------------------------------

TEST_F(AudioMixerTest, ShortSampleIsTakenWholeAndLongOneInPart)
{
    CAudioMixer& mixer = MakeStartedMixer();
    Push(mixer, 0, Ramp(1500, 1));            // 3000 bytes
    mixer.Tick();
    EXPECT_EQ(mixer.GetQueuedBytes(0), 0);
    const std::vector<short>& first = listener.chunks.at(0).samples;
    EXPECT_EQ(first[0], 1);
    EXPECT_EQ(first[1499], 1500);
    EXPECT_EQ(first[1500], 0);                 // the rest of the chunk is silence
    EXPECT_EQ(first.back(), 0);

    Push(mixer, 0, Ramp(5000, 1));            // 10000 bytes
    mixer.Tick();
    EXPECT_EQ(mixer.GetQueuedBytes(0), 2944);
    EXPECT_EQ(listener.chunks.at(1).samples.back(), 3528);
    mixer.Tick();
    EXPECT_EQ(mixer.GetQueuedBytes(0), 0);
    const std::vector<short>& third = listener.chunks.at(2).samples;
    EXPECT_EQ(third[0], 3529);
    EXPECT_EQ(third[1471], 5000);
    EXPECT_EQ(third[1472], 0);
}

TEST_F(AudioMixerTest, QueueAboveMaxBufTimeIsFlushedBeforeTheNextPush)
{
    // 44100 Hz x 4 bytes x 500 ms = 88200 bytes.
    CAudioMixer& mixer = MakeStartedMixer();
    Push(mixer, 1, std::vector<short>(88200 / 2, 7));
    EXPECT_EQ(mixer.GetQueuedBytes(1), 88200);
    Push(mixer, 1, std::vector<short>(50, 8)); // at the limit, not above: appended
    EXPECT_EQ(mixer.GetQueuedBytes(1), 88300);
    Push(mixer, 1, std::vector<short>(60, 9)); // above: everything queued is dropped first
    EXPECT_EQ(mixer.GetQueuedBytes(1), 120);
    mixer.Tick();
    EXPECT_EQ(listener.chunks.at(0).samples[0], 9);
    EXPECT_EQ(listener.chunks.at(0).samples[59], 9);
    EXPECT_EQ(listener.chunks.at(0).samples[60], 0);
}

TEST_F(AudioMixerTest, PushesAndFlushesWhileStoppedOrOutOfRangeAreIgnored)
{
    CAudioMixer& mixer = MakeMixer();
    mixer.SetFormat(&kPcm);
    mixer.SetPeriod(40);
    Push(mixer, 0, std::vector<short>(100, 1)); // before Start
    EXPECT_EQ(mixer.GetQueuedBytes(0), 0);
    ASSERT_EQ(mixer.Start(), 1);
    Push(mixer, -1, std::vector<short>(100, 1));
    Push(mixer, kInputs, std::vector<short>(100, 1));
    mixer.PushSample(0, nullptr);
    Push(mixer, 0, std::vector<short>()); // empty
    for (int i = 0; i < kInputs; ++i)
        EXPECT_EQ(mixer.GetQueuedBytes(i), 0);
    Push(mixer, 0, std::vector<short>(100, 1));
    EXPECT_EQ(mixer.GetQueuedBytes(0), 200);
    mixer.Stop();
    mixer.FlushInput(0);                       // stopped: nothing happens
    EXPECT_EQ(mixer.GetQueuedBytes(0), 200);
    Push(mixer, 0, std::vector<short>(100, 1));
    EXPECT_EQ(mixer.GetQueuedBytes(0), 200);
    mixer.Tick();                              // stopped: no chunk
    EXPECT_TRUE(listener.chunks.empty());
    ASSERT_EQ(mixer.Start(), 1);
    mixer.FlushInput(0);
    EXPECT_EQ(mixer.GetQueuedBytes(0), 0);
}

// A sample that claims more data than its buffer holds.
class OverlongSample : public CMediaSample
{
public:
    OverlongSample(BYTE* buffer, LONG size) : CMediaSample(TEXT("overlong"), nullptr, &m_hr, buffer, size) {}
    LONG STDMETHODCALLTYPE GetActualDataLength() override { return GetSize() + 100; }

private:
    HRESULT m_hr = S_OK;
};

TEST_F(AudioMixerTest, SampleLongerThanItsBufferIsIgnored)
{
    CAudioMixer& mixer = MakeStartedMixer();
    std::vector<BYTE> buffer(64, 1);
    OverlongSample* sample = new OverlongSample(buffer.data(), 64);
    sample->AddRef();
    mixer.PushSample(0, sample);
    sample->Release();
    EXPECT_EQ(mixer.GetQueuedBytes(0), 0);
}

// ---- output sample -----------------------------------------------------------------------

TEST_F(AudioMixerTest, ChunkIs7056BytesAt40msWithSyncPointAndZeroTimeHalves)
{
    CAudioMixer& mixer = MakeStartedMixer();
    EXPECT_EQ(mixer.GetChunkLength(), 7056);
    Push(mixer, 0, std::vector<short>(10, 5));
    FakeTime::now = 100000;
    mixer.Tick();
    ASSERT_EQ(listener.chunks.size(), 1u);
    const RecordedChunk& c = listener.chunks[0];
    EXPECT_EQ(c.id, 254);
    EXPECT_EQ(c.actualLength, 7056);
    EXPECT_TRUE(c.syncPoint);
    EXPECT_FALSE(c.preroll);
    EXPECT_EQ(c.timeLow, 0);
    EXPECT_EQ(c.timeHigh, 0);
    EXPECT_EQ(c.start, (100000LL - 40) * 10000);
    EXPECT_EQ(c.stop, 100000LL * 10000);
}

TEST_F(AudioMixerTest, ChunkLengthFollowsFormatAndPeriod)
{
    struct Case { DWORD rate; int period; long chunk; } cases[] = {
        {44100, 10, 1764}, {44100, 40, 7056}, {48000, 40, 7680}, {32000, 40, 5120},
    };
    for (const Case& c : cases) {
        CAudioMixer& mixer = MakeMixer();
        WAVEFORMATEX f = kPcm;
        f.nSamplesPerSec = c.rate;
        f.nAvgBytesPerSec = c.rate * 4;
        mixer.SetFormat(&f);
        mixer.SetPeriod(c.period);
        ASSERT_EQ(mixer.Start(), 1);
        EXPECT_EQ(mixer.GetChunkLength(), c.chunk) << c.rate << " Hz, " << c.period << " ms";
        EXPECT_EQ(FakeTime::lastPeriod, static_cast<UINT>(c.period));
        Reset();
    }
}

TEST_F(AudioMixerTest, SampleTimesAreComputedIn64Bits)
{
    struct Case { DWORD now; LONGLONG start; } cases[] = {
        {5, 0},                                        // not before the first period
        {40, 0},
        {429497, 4294570000LL},                        // x 10000 first passes 2^32 here
        {0xFFFFFFF0u, (0xFFFFFFF0LL - 40) * 10000},    // close to the clock's wrap
    };
    CAudioMixer& mixer = MakeStartedMixer();
    for (const Case& c : cases) {
        FakeTime::now = c.now;
        mixer.Tick();
        EXPECT_EQ(listener.chunks.back().start, c.start) << c.now;
        EXPECT_EQ(listener.chunks.back().stop, c.start + 400000) << c.now;
    }
}

TEST_F(AudioMixerTest, ListenersAreCalledInIdOrderAndTheSampleIsReused)
{
    CAudioMixer& mixer = MakeStartedMixer();
    RecordingListener early;
    mixer.AddListener(3, &early);
    mixer.Tick();
    mixer.Tick();
    ASSERT_EQ(early.chunks.size(), 2u);
    EXPECT_EQ(early.chunks[0].id, 3);
    EXPECT_LT(early.chunks[0].order, listener.chunks[0].order);
    EXPECT_EQ(early.chunks[0].sample, early.chunks[1].sample);
    mixer.RemoveListener(3);
}

TEST_F(AudioMixerTest, OtherThan16BitIsDeliveredUnmixed)
{
    CAudioMixer& mixer = MakeMixer();
    WAVEFORMATEX f = kPcm;
    f.wBitsPerSample = 8;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 88200;
    mixer.SetFormat(&f);
    mixer.SetPeriod(40);
    ASSERT_EQ(mixer.Start(), 1);
    Push(mixer, 0, std::vector<short>(100, 0x1234));
    mixer.Tick();
    ASSERT_EQ(listener.chunks.size(), 1u);
    EXPECT_EQ(listener.chunks[0].actualLength, 3528);
    EXPECT_EQ(listener.chunks[0].samples[0], 0); // the mix buffer as it was
}

class ThrowingListener : public IGrabListener
{
public:
    int calls = 0;
    void OnSample(int, IMediaSample*, int, int) override
    {
        ++calls;
        throw std::runtime_error("listener failed");
    }
};

// Delivery is not guarded, so a throwing listener stops that tick's walk; but nothing
// unwinds into the timer thread, and the next tick runs as usual.
TEST_F(AudioMixerTest, ThrowingListenerDoesNotEscapeTheTimer)
{
    CAudioMixer& mixer = MakeStartedMixer();
    ThrowingListener thrower;
    mixer.AddListener(1, &thrower);
    EXPECT_THROW(mixer.Tick(), std::runtime_error);
    EXPECT_TRUE(listener.chunks.empty());
    EXPECT_NO_THROW(FakeTime::Fire());
    EXPECT_EQ(thrower.calls, 2);
    mixer.RemoveListener(1);
    Push(mixer, 0, std::vector<short>(10, 4)); // the mixer lock was let go
    FakeTime::Fire();
    ASSERT_EQ(listener.chunks.size(), 1u);
    EXPECT_EQ(listener.chunks[0].samples[0], 4);
}

// ---- start and stop ----------------------------------------------------------------------

TEST_F(AudioMixerTest, StartRefusesWhatCannotBeMixed)
{
    WAVEFORMATEX notPcm = kPcm;
    notPcm.wFormatTag = 3; // IEEE float
    WAVEFORMATEX tooSlow = kPcm;
    tooSlow.nAvgBytesPerSec = 20; // 20 B/s x 40 ms = 0 bytes
    struct Case { const char* name; int inputs; const WAVEFORMATEX* format; int period; } cases[] = {
        {"no inputs", 0, &kPcm, 40},
        {"no format", kInputs, nullptr, 40},
        {"not PCM", kInputs, &notPcm, 40},
        {"empty chunk", kInputs, &tooSlow, 40},
        {"zero period", kInputs, &kPcm, 0},
        {"negative period", kInputs, &kPcm, -40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAudioMixer& mixer = MakeMixer(c.inputs);
        if (c.format)
            mixer.SetFormat(c.format);
        mixer.SetPeriod(c.period);
        EXPECT_EQ(mixer.Start(), 0);
        EXPECT_FALSE(mixer.IsStarted());
        EXPECT_EQ(FakeTime::timersStarted, 0);
        Reset();
    }
}

TEST_F(AudioMixerTest, TimerFailureUndoesTheResolutionAndFails)
{
    CAudioMixer& mixer = MakeMixer();
    FakeTime::failTimer = true;
    mixer.SetFormat(&kPcm);
    mixer.SetPeriod(40);
    EXPECT_EQ(mixer.Start(), 0);
    EXPECT_FALSE(mixer.IsStarted());
    EXPECT_EQ(FakeTime::beginPeriods, 1);
    EXPECT_EQ(FakeTime::endPeriods, 1);
    FakeTime::failTimer = false;
    EXPECT_EQ(mixer.Start(), 1); // a retry works
}

TEST_F(AudioMixerTest, StartTwiceStartsOneTimerAndStopKillsIt)
{
    CAudioMixer& mixer = MakeStartedMixer();
    EXPECT_EQ(mixer.Start(), 1);
    EXPECT_EQ(FakeTime::timersStarted, 1);
    EXPECT_EQ(FakeTime::lastFlags & TIME_PERIODIC, static_cast<UINT>(TIME_PERIODIC));
    EXPECT_EQ(FakeTime::lastFlags & TIME_KILL_SYNCHRONOUS, static_cast<UINT>(TIME_KILL_SYNCHRONOUS));
    EXPECT_EQ(FakeTime::lastResolution, 1u);
    // The timer's callback is the tick.
    FakeTime::Fire();
    EXPECT_EQ(listener.chunks.size(), 1u);
    mixer.Stop();
    mixer.Stop();
    EXPECT_EQ(FakeTime::killed, std::vector<UINT>{FakeTime::kTimerId});
    EXPECT_EQ(FakeTime::beginPeriods, 1);
    EXPECT_EQ(FakeTime::endPeriods, 1);
}

// ---- gains and selections ----------------------------------------------------------------

TEST_F(AudioMixerTest, GainInWholeDbReadsBackUnchanged)
{
    CAudioMixer& mixer = MakeMixer();
    for (int index = 0; index <= kInputs; ++index) {
        EXPECT_EQ(mixer.GetGainDb(index), 0);
        for (int dB = -100; dB <= 100; ++dB) {
            mixer.SetGainDb(index, dB);
            ASSERT_EQ(mixer.GetGainDb(index), dB) << "index " << index;
        }
    }
}

TEST_F(AudioMixerTest, GainAndSelectionOutsideTheirRangesChangeNothing)
{
    CAudioMixer& mixer = MakeMixer();
    mixer.SetGainDb(1, -12);
    mixer.SetGainDb(1, 101);
    mixer.SetGainDb(1, -101);
    EXPECT_EQ(mixer.GetGainDb(1), -12);
    mixer.SetGainDb(kInputs + 1, 0);
    mixer.SetGainDb(-1, 0);
    EXPECT_EQ(mixer.GetGainDb(kInputs + 1), 0);
    EXPECT_EQ(mixer.GetGainDb(-1), 0);

    EXPECT_EQ(mixer.GetSel(0), 1);
    mixer.SetSel(0, false);
    EXPECT_EQ(mixer.GetSel(0), 0);
    mixer.SetSel(kInputs, false);
    mixer.SetSel(-1, false);
    EXPECT_EQ(mixer.GetSel(kInputs), 0);
    EXPECT_EQ(mixer.GetSel(kInputs - 1), 1);
}

} // namespace

namespace {

using namespace audio_test;

// Holds the first tick inside the listener until the test lets it go.
class BlockingListener : public IGrabListener
{
public:
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool>* stopReturned = nullptr;
    std::atomic<int> calls{0};
    std::atomic<bool> stopReturnedDuringTick{false};
    std::atomic<long> checksum{0};

    ~BlockingListener()
    {
        CloseHandle(entered);
        CloseHandle(release);
    }
    void OnSample(int, IMediaSample* sample, int, int) override
    {
        if (calls.fetch_add(1) == 0) {
            SetEvent(entered);
            WaitForSingleObject(release, 10000);
        }
        if (stopReturned->load())
            stopReturnedDuringTick.store(true);
        // Reads the whole chunk: freed buffers here would be a use after free.
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        long sum = 0;
        for (long i = 0; i < sample->GetActualDataLength(); ++i)
            sum += data[i];
        checksum.store(sum);
    }
};

struct StopCall {
    CAudioMixer* mixer;
    std::atomic<bool>* returned;
};

DWORD WINAPI StopThread(LPVOID p)
{
    StopCall* call = static_cast<StopCall*>(p);
    call->mixer->Stop();
    call->returned->store(true);
    return 0;
}

// On the real multimedia timer: Stop waits for a tick in flight, and no tick runs after it.
TEST(AudioMixerTimer, StopWaitsForTheTickInFlight)
{
    RemoveConfigFile();
    std::atomic<bool> stopReturned{false};
    BlockingListener listener;
    listener.stopReturned = &stopReturned;
    std::unique_ptr<CAudioMixer> mixer(new CAudioMixer(kInputs));
    mixer->SetFormat(&kPcm);
    mixer->SetPeriod(10);
    mixer->AddListener(254, &listener);
    ASSERT_EQ(mixer->Start(), 1);
    ASSERT_EQ(WaitForSingleObject(listener.entered, 10000), WAIT_OBJECT_0);

    StopCall call = {mixer.get(), &stopReturned};
    HANDLE thread = CreateThread(nullptr, 0, &StopThread, &call, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // Stop must still be waiting while the tick is held (a negative check, not a pacing wait).
    EXPECT_EQ(WaitForSingleObject(thread, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(listener.release);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_FALSE(listener.stopReturnedDuringTick.load());
    const int calls = listener.calls.load();
    mixer.reset();
    EXPECT_EQ(listener.calls.load(), calls);
    RemoveConfigFile();
}

} // namespace
