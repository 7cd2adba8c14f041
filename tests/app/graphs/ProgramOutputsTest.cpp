// The director with the program's own graph factory: stand-in channels feed the mixer, and
// the outputs are the real output graphs ending in the output stand-ins (Decklink renderers,
// a sound card). Checks that what the director starts is what the factory makes, that one
// graph of a type runs at a time, and that every output stops while frames and audio flow.
#include "tests/support/net/FreePort.h"
#include "AudioMixerFixture.h"
#include "DirectorStandIns.h"

#include "app/engine/AudioMixer.h"
#include "app/core/EngineClock.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/graphs/ProgramGraphs.h"
#include "testing/outputs/OutputStandIns.h"
#include "testing/ovx500sim/SimCard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

using directortest::CallLog;
using directortest::StandInChannelFactory;
using standin::COutputStandIns;

const D3DCOLOR kRed = D3DCOLOR_XRGB(200, 0, 0);
const int kWidth = 64;
const int kHeight = 48;

DWORD g_now = 0;
DWORD TestClock()
{
    return g_now;
}

bool NearRed(DWORD pixel)
{
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return std::abs(r - 200) <= 6 && g <= 6 && b <= 6;
}

class ProgramOutputs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        standIns_.reset(new COutputStandIns);
        ASSERT_EQ(standIns_->Result(), S_OK);
        COutputStandIns::ResetLogs();
        audio_test::RemoveConfigFile();
        directortest::CopyShippedEffects();
        audio_test::FakeTime::Reset();
        g_now = 100000;
        EngineClock::SetSource(&TestClock);
        EngineClock::SetManualTimers(true);
        window_ = CreateWindowExW(0, L"STATIC", L"director", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);

    }

    // A director of that program size with channel 1 loaded, red, as program.
    void StartDirector(int width = kWidth, int height = kHeight)
    {
        director_.reset(new CDirector);
        director_->SetChannelGraphFactory(&channels_);
        director_->SetOutputGraphFactory(&outputs_);
        director_->SetAudioTimerApi(audio_test::FakeTime::Api());
        WAVEFORMATEX pcm = audio_test::kPcm;
        director_->SetAudioFormat(&pcm);
        DecklinkOutputSettings decklink;
        decklink.VideoDevice = COutputStandIns::DecklinkVideoName();
        decklink.AudioDevice = COutputStandIns::DecklinkAudioName();
        director_->SetDecklinkSettings(decklink);
        ASSERT_EQ(director_->Init(window_, window_, width, height, 25.0f, 1.0, 2), S_OK);

        CChannel* channel = nullptr;
        SourceDescriptor audio, video;
        audio.name = L"audio 1";
        video.name = L"video 1";
        video.flags = SourceDescriptor::kNamed;
        ASSERT_EQ(director_->LoadChannel(nullptr, window_, 1, &channel, audio, video), S_OK);
        channels_.made[1]->Present(kRed);
    }

    void TearDown() override
    {
        if (director_)
            director_->Shutdown();
        director_.reset();
        EXPECT_EQ(channels_.liveGraphs, 0);
        if (window_)
            DestroyWindow(window_);
        EngineClock::SetManualTimers(false);
        EngineClock::SetSource(nullptr);
        audio_test::RemoveConfigFile();
        standIns_.reset();
        CoUninitialize();
    }

    // 40 ms of channel 1's audio, mixed and handed out on one tick of the audio mixer.
    void MixAudio(short value)
    {
        std::vector<short> samples(7056 / 2, value);
        HRESULT hr = S_OK;
        CMediaSample* sample = new CMediaSample(TEXT("channel audio"), nullptr, &hr,
                                                reinterpret_cast<BYTE*>(samples.data()), 7056);
        sample->AddRef();
        sample->SetActualDataLength(7056);
        channels_.made[1]->Audio().Deliver(sample);
        sample->Release();
        // A chunk is stamped with the 40 ms that end now, so the clock moves first.
        g_now += 40;
        director_->GetAudioMixer()->Tick();
    }

    std::unique_ptr<COutputStandIns> standIns_; // registered once COM is up
    HWND window_ = nullptr;
    CallLog log_;
    StandInChannelFactory channels_{&log_};
    CProgramGraphFactory outputs_;
    std::unique_ptr<CDirector> director_;
};

} // namespace

TEST_F(ProgramOutputs, TheDecklinkOutputAndThePreviewPlayTheProgramOnTheirDevices)
{
    StartDirector();
    ASSERT_EQ(director_->StartOutput(kOutputDecklink), S_OK);
    EXPECT_EQ(director_->StartOutput(kOutputDecklink), E_UNEXPECTED); // one graph of a type
    CStringA card(COutputStandIns::SoundCardName());
    ASSERT_EQ(director_->StartAudioPreview(card), S_OK);

    for (int i = 0; i < 3; ++i)
        director_->GetVideoMixer()->OnClockTick();
    ASSERT_TRUE(standin::DecklinkVideoLog().WaitForCount(3));
    const std::vector<standin::ReceivedRecord> frames = standin::DecklinkVideoLog().Records();
    EXPECT_EQ(frames[0].length, kWidth * kHeight * 4);
    EXPECT_TRUE(NearRed(frames[0].firstWord)) << std::hex << frames[0].firstWord;
    EXPECT_EQ(standin::DecklinkVideoLog().Connected().subtype, MEDIASUBTYPE_RGB32);

    MixAudio(1000);
    ASSERT_TRUE(standin::DecklinkAudioLog().WaitForCount(1));
    ASSERT_TRUE(standin::SoundCardLog().WaitForCount(1));
    EXPECT_EQ(standin::DecklinkAudioLog().Records()[0].length, 7056);
    EXPECT_EQ(standin::SoundCardLog().Records()[0].length, 7056);
    EXPECT_FALSE(standin::SoundCardLog().Records()[0].timed); // the preview plays at once

    EXPECT_EQ(director_->StopAudioPreview(), S_OK);
    EXPECT_EQ(director_->StopOutput(kOutputDecklink), S_OK);
    EXPECT_EQ(standin::DecklinkVideoLog().Instances(), 0);
    EXPECT_EQ(standin::SoundCardLog().Instances(), 0);
    EXPECT_EQ(director_->StartOutput(kOutputDecklink), S_OK); // and again after a stop
}

TEST_F(ProgramOutputs, EveryOutputStopsWhileFramesFieldsAndAudioFlow)
{
    // A card-sized program, so that the card output takes it too.
    sim::InstallDefault(false);
    StartDirector(720, 576);
    const uint16_t port = testnet::FreePort();
    ASSERT_NE(port, 0);
    director_->SetListenPort(port);

    // The recording goes to a folder of the test's own, emptied at the end.
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    CString folder;
    folder.Format(L"%srvx_program_outputs_%lu", base, GetCurrentProcessId());
    CreateDirectoryW(folder, nullptr);
    AviOutputSettings avi;
    avi.Path = folder;
    avi.Split = 0;
    avi.VCodec = L"None";
    avi.ACodec = L"None";
    director_->SetAviSettings(avi);

    const int types[] = {kOutputDecklink, kOutputVirtualDevice, kOutputCard, kOutputAvi};
    for (int type : types)
        ASSERT_EQ(director_->StartOutput(type), S_OK) << "output type " << type;
    CStringA card(COutputStandIns::SoundCardName());
    ASSERT_EQ(director_->StartAudioPreview(card), S_OK);

    // The mixing clock's thread keeps producing frames and audio as the timer would, and
    // the card signals its fields.
    std::atomic<bool> stop{false};
    CVideoMixer* mixer = director_->GetVideoMixer();
    CAudioMixer* audio = director_->GetAudioMixer();
    std::thread clock([&] {
        while (!stop) {
            mixer->OnClockTick();
            audio->Tick();
            sim::TickField(0);
        }
    });
    const bool flowed = standin::DecklinkVideoLog().WaitForCount(5);
    EXPECT_EQ(director_->StopAudioPreview(), S_OK);
    EXPECT_EQ(director_->StopOutput(kOutputAll), S_OK);
    stop = true;
    clock.join();
    EXPECT_TRUE(flowed);
    for (int type : types)
        EXPECT_EQ(director_->IsOutputRunning(type), 0) << "output type " << type;
    EXPECT_EQ(standin::DecklinkVideoLog().Instances(), 0);

    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(folder + L"\\*.avi", &found);
    int recordings = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            ++recordings;
            DeleteFileW(folder + L"\\" + found.cFileName);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder);
    EXPECT_EQ(recordings, 1);

    sim::Install(nullptr, 0, false);
}

TEST_F(ProgramOutputs, FramesAndAudioGoOnReachingAnOutputAcrossTheClocksWrap)
{
    // The millisecond counter wraps after 49.7 days: an output started just before the wrap
    // must take the frames and chunks stamped after it, one second later.
    g_now = 0xFFFFFF00u;
    StartDirector();
    ASSERT_EQ(director_->StartOutput(kOutputDecklink), S_OK);
    g_now += 1000; // now 0x2E8, past the wrap
    director_->GetVideoMixer()->OnClockTick();
    MixAudio(1000);
    ASSERT_TRUE(standin::DecklinkVideoLog().WaitForCount(1));
    ASSERT_TRUE(standin::DecklinkAudioLog().WaitForCount(1));
    const standin::ReceivedRecord frame = standin::DecklinkVideoLog().Records()[0];
    const standin::ReceivedRecord chunk = standin::DecklinkAudioLog().Records()[0];
    // Times are rebased to the output's start: one second on, and the chunk that ends 40 ms
    // after the frame.
    EXPECT_TRUE(frame.timed);
    EXPECT_EQ(frame.start, 1000 * 10000LL);
    EXPECT_TRUE(chunk.timed);
    EXPECT_EQ(chunk.start, 1000 * 10000LL);
    EXPECT_EQ(director_->StopOutput(kOutputDecklink), S_OK);
}
