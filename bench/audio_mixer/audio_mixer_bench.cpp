// Prints what one 40 ms chunk of five-input program audio costs the mixer: pushing each
// input's 7056 bytes and one tick (pull, mix, meter, deliver), with AGC on and off.
#include "app/core/EngineClock.h"
#include "app/engine/AudioMixer.h"
#include "app/foundation/AppHelpers.h"
#include "bench/BenchReport.h"

#include <streams.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

DWORD Clock() { return 1000; }
MMRESULT WINAPI Period(UINT) { return TIMERR_NOERROR; }
MMRESULT WINAPI NoTimer(UINT, UINT, LPTIMECALLBACK, DWORD_PTR, UINT) { return 1; }
MMRESULT WINAPI Kill(UINT) { return TIMERR_NOERROR; }

class CountingListener : public IGrabListener
{
public:
    long chunks = 0;
    void OnSample(int, IMediaSample*, int, int) override { ++chunks; }
};

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& f)
{
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

void Run(bool agc)
{
    const int inputs = 5;
    const int chunks = 20000;
    CAudioMixer mixer(inputs);
    MmTimerApi api = {&Period, &Period, &NoTimer, &Kill};
    mixer.SetTimerApi(api);
    EngineClock::SetSource(&Clock);
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 176400;
    mixer.SetFormat(&f);
    mixer.SetPeriod(40);
    mixer.SetAGC(agc ? 1 : 0);
    CountingListener listener;
    mixer.AddListener(254, &listener);
    if (!mixer.Start()) {
        std::printf("audio mixer did not start\n");
        return;
    }

    // Loud noise so that AGC clips now and then.
    std::vector<short> pcm(7056 / 2);
    unsigned seed = 12345;
    for (short& s : pcm) {
        seed = seed * 1103515245u + 12345u;
        s = static_cast<short>(seed >> 16);
    }
    HRESULT hr = S_OK;
    CMediaSample* sample = new CMediaSample(TEXT("bench"), nullptr, &hr, reinterpret_cast<BYTE*>(pcm.data()), 7056);
    sample->AddRef();

    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    for (int c = 0; c < chunks; ++c) {
        for (int i = 0; i < inputs; ++i)
            mixer.PushSample(i, sample);
        mixer.Tick();
    }
    QueryPerformanceCounter(&t1);
    sample->Release();
    mixer.Stop();

    const double perChunk = Seconds(t0, t1, freq) / chunks;
    std::printf("audio mixer, 5 inputs, AGC %s: %.2f us per 40 ms chunk (%.0f x real time), %ld chunks\n",
                agc ? "on " : "off", perChunk * 1e6, 0.040 / perChunk, listener.chunks);
    bench::Figure(agc ? "audio mix of 5 inputs, AGC on, per 40 ms chunk" : "audio mix of 5 inputs, AGC off, per 40 ms chunk",
                  perChunk * 1e6, "us");
}

} // namespace

int main()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"rvx_audio_mixer_bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    SetExeDirectoryOverride(folder.c_str());
    Run(true);
    Run(false);
    return 0;
}
