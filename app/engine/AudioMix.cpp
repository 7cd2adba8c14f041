#include "app/engine/AudioMix.h"

#include <cmath>
#include <vector>

int PeakToDb(unsigned peak)
{
    if (peak == 0)
        return -96;
    return static_cast<int>(std::trunc(20.0 * std::log10(peak / 32768.0)));
}

DWORD PackMeterLevels(int even, int odd)
{
    return static_cast<DWORD>(static_cast<WORD>(static_cast<short>(even))) |
           (static_cast<DWORD>(static_cast<WORD>(static_cast<short>(odd))) << 16);
}

short MeterLevelEven(DWORD word)
{
    return static_cast<short>(static_cast<WORD>(word & 0xFFFFu));
}

short MeterLevelOdd(DWORD word)
{
    return static_cast<short>(static_cast<WORD>(word >> 16));
}

namespace {

unsigned Magnitude(int x)
{
    return static_cast<unsigned>(x < 0 ? -x : x);
}

} // namespace

void MixChunk(const AudioMixInputs& in, std::size_t positions, short* mix, DWORD* levels)
{
    const int n = in.count;
    // Magnitudes up to 32768: -32768 must meter as full scale, which a 16-bit signed peak
    // cannot hold.
    std::vector<unsigned> peaks(2 * static_cast<std::size_t>(n + 1), 0u);
    const double master = in.gains[n];

    // The automatic gain factor starts afresh at every tick. When a sum clips, the factor is
    // set from the unscaled sum, so a sustained over-range sum is held at full scale with one
    // steady factor instead of one that swings from sample to sample.
    double a = 1.0;
    for (std::size_t i = 0; i < positions; ++i) {
        const std::size_t h = i & 1;
        double acc = 0.0;
        for (int j = 0; j < n; ++j) {
            const int x = in.samples[j][i];
            unsigned& peak = peaks[2 * static_cast<std::size_t>(j) + h];
            const unsigned m = Magnitude(x);
            if (m > peak)
                peak = m;
            if (in.selected[j])
                acc = std::trunc(x * static_cast<double>(in.gains[j]) + acc);
        }

        double v;
        if (in.agc) {
            v = std::trunc(acc * a);
            if (v > 32767.0) {
                a = 32767.0 / acc;
                v = 32767.0;
            } else if (v < -32768.0) {
                a = -32768.0 / acc;
                v = -32768.0;
            }
            if (a < 1.0) {
                a += (1.0 - a) / 16.0;
                if (a > 1.0)
                    a = 1.0;
            }
        } else {
            v = std::trunc(acc * master);
            if (v > 32767.0)
                v = 32767.0;
            else if (v < -32768.0)
                v = -32768.0;
        }
        const int out = static_cast<int>(v);
        mix[i] = static_cast<short>(out);
        unsigned& peak = peaks[2 * static_cast<std::size_t>(n) + h];
        const unsigned m = Magnitude(out);
        if (m > peak)
            peak = m;
    }

    for (int k = 0; k <= n; ++k)
        levels[k] = PackMeterLevels(PeakToDb(peaks[2 * static_cast<std::size_t>(k)]),
                                    PeakToDb(peaks[2 * static_cast<std::size_t>(k) + 1]));
}
