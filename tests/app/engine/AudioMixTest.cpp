// The tick's arithmetic and the input queues, without timer or media samples.
#include "app/engine/AudioInputQueue.h"
#include "app/engine/AudioMix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace {

// Runs the kernel over constant or given inputs and keeps the mix and the meters.
struct MixRun {
    std::vector<std::vector<short>> in;
    std::vector<bool> selBits;
    std::vector<float> gains;
    bool agc = true;
    std::vector<short> mix;
    std::vector<DWORD> levels;

    explicit MixRun(int inputs, std::size_t positions)
        : in(inputs, std::vector<short>(positions, 0)), selBits(inputs, true), gains(inputs + 1, 1.0f),
          mix(positions, 0x55), levels(inputs + 1, 0xDEADBEEF)
    {
    }
    void Run()
    {
        std::vector<const short*> ptrs;
        for (auto& v : in)
            ptrs.push_back(v.data());
        std::unique_ptr<bool[]> sel(new bool[selBits.size()]);
        for (std::size_t i = 0; i < selBits.size(); ++i)
            sel[i] = selBits[i];
        AudioMixInputs inputs{static_cast<int>(in.size()), ptrs.data(), sel.get(), gains.data(), agc};
        MixChunk(inputs, mix.size(), mix.data(), levels.data());
    }
};

struct MixCase {
    const char* name;
    std::vector<short> values; // one constant value per input
    std::vector<bool> sel;
    std::vector<float> gains;  // per input, then master
    bool agc;
    short expected;            // first mixed sample
};

TEST(AudioMixKernel, FirstSampleOfEachCase)
{
    const float g6 = std::pow(10.0f, 6 / 20.0f);
    const float m6 = std::pow(10.0f, -6 / 20.0f);
    const MixCase cases[] = {
        {"one input passes unchanged", {1234, 0}, {true, true}, {1, 1, 1}, true, 1234},
        {"two inputs add", {1000, -300}, {true, true}, {1, 1, 1}, true, 700},
        {"deselected input left out", {1000, 9999}, {true, false}, {1, 1, 1}, true, 1000},
        {"nothing selected is silence", {1000, 9999}, {false, false}, {1, 1, 1}, false, 0},
        {"-6 dB input gain truncates", {1001, 0}, {true, true}, {m6, 1, 1}, true, static_cast<short>(std::trunc(1001 * static_cast<double>(m6)))},
        {"+6 dB input gain", {1000, 0}, {true, true}, {g6, 1, 1}, false, static_cast<short>(std::trunc(1000 * static_cast<double>(g6)))},
        {"master gain applies with AGC off", {1000, 0}, {true, true}, {1, 1, 0.5f}, false, 500},
        {"master gain ignored with AGC on", {1000, 0}, {true, true}, {1, 1, 0.5f}, true, 1000},
        {"AGC clips a positive sum at +32767", {20000, 20000}, {true, true}, {1, 1, 1}, true, 32767},
        {"AGC clips a negative sum at -32768", {-20000, -20000}, {true, true}, {1, 1, 1}, true, -32768},
        {"no AGC saturates, never wraps", {20000, 20000}, {true, true}, {1, 1, 1}, false, 32767},
        {"no AGC saturates negative", {-20000, -20000}, {true, true}, {1, 1, 1}, false, -32768},
        {"+100 dB gain saturates, no overflow", {32767, 32767}, {true, true}, {100000, 100000, 1}, false, 32767},
        {"+100 dB gain with AGC, no overflow", {32767, 32767}, {true, true}, {100000, 100000, 1}, true, 32767},
        {"+100 dB negative saturates", {-32768, -32768}, {true, true}, {100000, 100000, 1}, false, -32768},
        {"full-scale negative input", {-32768, 0}, {true, true}, {1, 1, 1}, true, -32768},
    };
    for (const MixCase& c : cases) {
        SCOPED_TRACE(c.name);
        MixRun run(static_cast<int>(c.values.size()), 4);
        for (std::size_t j = 0; j < c.values.size(); ++j)
            run.in[j].assign(4, c.values[j]);
        run.selBits = c.sel;
        run.gains = c.gains;
        run.agc = c.agc;
        run.Run();
        EXPECT_EQ(run.mix[0], c.expected);
    }
}

// The factor is set from the unscaled sum when a sample clips and recovers by (1 - a) / 16
// after every sample; a sum that is loud for several samples and then falls keeps being
// scaled by that steady factor.
TEST(AudioMixKernel, AgcFactorFollowsTheUnscaledSum)
{
    MixRun run(2, 6);
    const short a0[] = {20000, 20000, 20000, 15000, 100, 100};
    for (int i = 0; i < 6; ++i)
        run.in[0][i] = run.in[1][i] = a0[i];
    run.Run();

    double a = 1.0;
    std::vector<short> expected;
    for (int i = 0; i < 6; ++i) {
        const double acc = 2.0 * a0[i];
        double v = std::trunc(acc * a);
        if (v > 32767) {
            a = 32767.0 / acc;
            v = 32767;
        }
        if (a < 1)
            a = std::min(1.0, a + (1 - a) / 16);
        expected.push_back(static_cast<short>(v));
    }
    EXPECT_EQ(run.mix, expected);
    // A sustained 40000 is held at full scale; the 30000 after it is scaled by the factor of
    // the last clip, 32767 / 40000 recovered once: trunc(30000 x 0.83048) = 24914.
    EXPECT_EQ(run.mix[1], 32767);
    EXPECT_EQ(run.mix[2], 32767);
    EXPECT_EQ(run.mix[3], 24914);
}

TEST(AudioMixKernel, AgcRestartsAtOneEveryChunk)
{
    MixRun run(2, 2);
    run.in[0] = {20000, 1000};
    run.in[1] = {20000, 1000};
    run.Run();
    EXPECT_EQ(run.mix[0], 32767);
    EXPECT_LT(run.mix[1], 2000); // still scaled within the chunk
    run.in[0] = {1000, 1000};
    run.in[1] = {1000, 1000};
    run.Run();
    EXPECT_EQ(run.mix[0], 2000); // a fresh chunk starts at factor 1
}

TEST(AudioMixKernel, MetersPerInputAndMixPerSide)
{
    MixRun run(3, 4);
    run.in[0] = {-32768, 0, 0, 0};         // left full scale, right silent
    run.in[1] = {0, 16384, 0, -16384};     // right -6 dB
    run.in[2] = {1, 0, 0, 0};              // left one step: -90 dB
    run.selBits = {false, true, false};    // meters measure unselected inputs too
    run.Run();
    EXPECT_EQ(MeterLevelEven(run.levels[0]), 0);
    EXPECT_EQ(MeterLevelOdd(run.levels[0]), -96);
    EXPECT_EQ(MeterLevelEven(run.levels[1]), -96);
    EXPECT_EQ(MeterLevelOdd(run.levels[1]), -6);
    EXPECT_EQ(MeterLevelEven(run.levels[2]), -90);
    EXPECT_EQ(MeterLevelEven(run.levels[3]), -96); // the mix carries input 1 only
    EXPECT_EQ(MeterLevelOdd(run.levels[3]), -6);
    EXPECT_EQ(run.levels[0], 0xFFA00000u);          // -96 high, 0 low
}

TEST(AudioMixKernel, PeakToDbTruncatesTowardZero)
{
    EXPECT_EQ(PeakToDb(0), -96);
    EXPECT_EQ(PeakToDb(32768), 0);
    EXPECT_EQ(PeakToDb(32767), 0);
    EXPECT_EQ(PeakToDb(16384), -6);
    EXPECT_EQ(PeakToDb(16000), -6);  // -6.2
    EXPECT_EQ(PeakToDb(1), -90);     // -90.3
    EXPECT_EQ(PackMeterLevels(-6, -96), 0xFFA0FFFAu);
}

TEST(AudioInputQueueTest, PartialConsumptionKeepsTheRest)
{
    CAudioInputQueue q;
    std::vector<BYTE> a(3000), b(10000);
    std::iota(a.begin(), a.end(), 0);
    std::iota(b.begin(), b.end(), 100);
    q.Push(a.data(), 3000);
    std::vector<BYTE> chunk(7056, 0xCC);
    EXPECT_EQ(q.Pull(chunk.data(), 7056), 3000);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), chunk.begin()));
    EXPECT_EQ(chunk[3000], 0);
    EXPECT_EQ(chunk[7055], 0);
    EXPECT_EQ(q.QueuedBytes(), 0);

    q.Push(b.data(), 10000);
    EXPECT_EQ(q.Pull(chunk.data(), 7056), 7056);
    EXPECT_EQ(q.QueuedBytes(), 2944);
    EXPECT_EQ(q.QueuedChunks(), 1u);
    EXPECT_EQ(q.Pull(chunk.data(), 7056), 2944);
    EXPECT_TRUE(std::equal(b.begin() + 7056, b.end(), chunk.begin()));
    EXPECT_EQ(chunk[2944], 0);
    EXPECT_EQ(q.QueuedChunks(), 0u);
}

TEST(AudioInputQueueTest, ChunksJoinInArrivalOrderAndFlushEmpties)
{
    CAudioInputQueue q;
    const BYTE x[] = {1, 2, 3}, y[] = {4, 5}, z[] = {6, 7, 8};
    q.Push(x, 3);
    q.Push(y, 2);
    q.Push(z, 3);
    q.Push(z, 0);
    q.Push(nullptr, 5);
    EXPECT_EQ(q.QueuedBytes(), 8);
    BYTE out[4];
    EXPECT_EQ(q.Pull(out, 4), 4);
    EXPECT_EQ(std::vector<BYTE>(out, out + 4), (std::vector<BYTE>{1, 2, 3, 4}));
    EXPECT_EQ(q.QueuedBytes(), 4);
    q.Flush();
    EXPECT_EQ(q.QueuedBytes(), 0);
    EXPECT_EQ(q.Pull(out, 4), 0);
    EXPECT_EQ(std::vector<BYTE>(out, out + 4), (std::vector<BYTE>(4, 0)));
}

} // namespace
