// What the audio mixer's tests share: a clock and timer in the test's hands, a listener that
// records every chunk, and pushing 16-bit samples into an input.
#pragma once

#include "app/core/EngineClock.h"
#include "app/engine/AudioMixer.h"
#include "app/foundation/AppHelpers.h"

#include <streams.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace audio_test {

constexpr int kInputs = 5;
constexpr long kChunkBytes = 7056; // 40 ms at 44100 Hz, 16-bit stereo

inline WAVEFORMATEX MakePcm()
{
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 176400;
    return f;
}
inline const WAVEFORMATEX kPcm = MakePcm();

// The engine clock and the multimedia timer as the tests drive them: the clock reads `now`,
// the timer records how it was asked for and runs only when Fire is called.
struct FakeTime {
    static constexpr UINT kTimerId = 77;
    static inline DWORD now = 0;
    static inline bool failTimer = false;
    static inline int timersStarted = 0;
    static inline UINT lastPeriod = 0, lastResolution = 0, lastFlags = 0;
    static inline LPTIMECALLBACK callback = nullptr;
    static inline DWORD_PTR user = 0;
    static inline std::vector<UINT> killed;
    static inline int beginPeriods = 0, endPeriods = 0;

    static void Reset()
    {
        now = 0;
        failTimer = false;
        timersStarted = 0;
        lastPeriod = lastResolution = lastFlags = 0;
        callback = nullptr;
        user = 0;
        killed.clear();
        beginPeriods = endPeriods = 0;
    }
    static void Fire() { callback(kTimerId, 0, user, 0, 0); }

    static DWORD GetTime() { return now; }
    static MMRESULT WINAPI BeginPeriod(UINT) { ++beginPeriods; return TIMERR_NOERROR; }
    static MMRESULT WINAPI EndPeriod(UINT) { ++endPeriods; return TIMERR_NOERROR; }
    static MMRESULT WINAPI SetEvent(UINT delay, UINT resolution, LPTIMECALLBACK cb, DWORD_PTR u, UINT flags)
    {
        if (failTimer)
            return 0;
        ++timersStarted;
        lastPeriod = delay;
        lastResolution = resolution;
        lastFlags = flags;
        callback = cb;
        user = u;
        return kTimerId;
    }
    static MMRESULT WINAPI KillEvent(UINT id) { killed.push_back(id); return TIMERR_NOERROR; }

    static MmTimerApi Api()
    {
        MmTimerApi api;
        api.timeBeginPeriod = &BeginPeriod;
        api.timeEndPeriod = &EndPeriod;
        api.timeSetEvent = &SetEvent;
        api.timeKillEvent = &KillEvent;
        return api;
    }
};

struct RecordedChunk {
    int id;
    IMediaSample* sample;
    std::vector<short> samples;
    long actualLength;
    bool syncPoint;
    bool preroll;
    int timeLow;
    int timeHigh;
    LONGLONG start;
    LONGLONG stop;
    int order;
};

// Copies what it is given: the sample is valid only during the call.
class RecordingListener : public IGrabListener
{
public:
    std::vector<RecordedChunk> chunks;

    void OnSample(int id, IMediaSample* sample, int timeLow, int timeHigh) override
    {
        static int calls = 0;
        RecordedChunk c = {};
        c.id = id;
        c.sample = sample;
        c.actualLength = sample->GetActualDataLength();
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        const short* s = reinterpret_cast<const short*>(data);
        c.samples.assign(s, s + c.actualLength / 2);
        c.syncPoint = sample->IsSyncPoint() == S_OK;
        c.preroll = sample->IsPreroll() == S_OK;
        c.timeLow = timeLow;
        c.timeHigh = timeHigh;
        sample->GetTime(&c.start, &c.stop);
        c.order = ++calls;
        chunks.push_back(c);
    }
};

inline void Push(CAudioMixer& mixer, int input, std::vector<short> samples)
{
    HRESULT hr = S_OK;
    CMediaSample* sample = new CMediaSample(TEXT("test"), nullptr, &hr, reinterpret_cast<BYTE*>(samples.data()),
                                            static_cast<LONG>(samples.size() * 2));
    sample->AddRef();
    mixer.PushSample(input, sample);
    sample->Release();
}

inline std::vector<short> Ramp(std::size_t count, short first)
{
    std::vector<short> v(count);
    for (std::size_t i = 0; i < count; ++i)
        v[i] = static_cast<short>(first + static_cast<short>(i));
    return v;
}

// The tests' own program folder, so config\audio.ini never lands beside the test program.
// Each test program has a folder of its own (named after it), as ctest runs them side by side.
inline void UseTestProgramFolder()
{
    static const std::wstring folder = [] {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        wchar_t exe[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring name(exe);
        name = name.substr(name.find_last_of(L'\\') + 1);
        std::wstring f = std::wstring(temp) + L"rvx_" + name.substr(0, name.find_last_of(L'.'));
        CreateDirectoryW(f.c_str(), nullptr);
        return f;
    }();
    SetExeDirectoryOverride(folder.c_str());
}

inline void RemoveConfigFile()
{
    UseTestProgramFolder();
    DeleteFileW(CAudioMixer::ConfigPath().c_str());
}

inline std::wstring ConfigFolder()
{
    const std::wstring path = CAudioMixer::ConfigPath();
    return path.substr(0, path.find_last_of(L'\\'));
}

inline void RemoveConfigFolder()
{
    RemoveConfigFile();
    RemoveDirectoryW(ConfigFolder().c_str());
}

// An audio.ini as a text editor leaves it (ANSI).
inline void WriteConfigFile(const std::string& text)
{
    UseTestProgramFolder();
    CreateDirectoryW(ConfigFolder().c_str(), nullptr);
    HANDLE file = CreateFileW(CAudioMixer::ConfigPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

class AudioMixerTest : public ::testing::Test
{
protected:
    RecordingListener listener;
    std::unique_ptr<CAudioMixer> mixer;

    void SetUp() override
    {
        FakeTime::Reset();
        RemoveConfigFile();
    }
    void TearDown() override { Reset(); }

    // A fresh mixer on the fake clock with the listener under the director's id.
    CAudioMixer& MakeMixer(int inputs = kInputs)
    {
        if (mixer)
            Reset();
        mixer.reset(new CAudioMixer(inputs));
        mixer->SetTimerApi(FakeTime::Api());
        EngineClock::SetSource(&FakeTime::GetTime);
        mixer->AddListener(254, &listener);
        return *mixer;
    }
    CAudioMixer& MakeStartedMixer()
    {
        CAudioMixer& m = MakeMixer();
        m.SetFormat(&kPcm);
        m.SetPeriod(40);
        EXPECT_EQ(m.Start(), 1);
        return m;
    }
    void Reset()
    {
        mixer.reset();
        listener.chunks.clear();
        EngineClock::SetSource(nullptr);
        FakeTime::Reset();
        RemoveConfigFile();
    }
};

} // namespace audio_test
