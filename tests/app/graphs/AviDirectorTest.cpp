// A recording of the program from the director: stand-in channels feed the video mixer on a
// real device under Xvfb, the director starts the AVI output through a factory that makes
// the real graph, the mixing clock is ticked by hand, and the file is read back.
#include "AudioMixerFixture.h"
#include "DirectorStandIns.h"

#include "app/core/EngineClock.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/graphs/outputs/avi/AviComposeGraph.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using directortest::CallLog;
using directortest::StandInChannelFactory;
using directortest::StandInOutputFactory;

const int kWidth = 64, kHeight = 48;
const D3DCOLOR kRed = D3DCOLOR_XRGB(200, 0, 0);
const D3DCOLOR kBlue = D3DCOLOR_XRGB(0, 0, 200);

DWORD g_now = 0;
DWORD TestClock()
{
    return g_now;
}

// Recordings are named from this moment.
SYSTEMTIME RecordingTime()
{
    SYSTEMTIME t = {};
    t.wYear = 2007, t.wMonth = 4, t.wDay = 12, t.wHour = 15, t.wMinute = 30, t.wSecond = 20;
    return t;
}

// Counts the frames the director hands the output, after the compose pin has queued each.
class CountingSource : public IComposeSource, public IVideoListener {
public:
    explicit CountingSource(IComposeSource* inner) : inner_(inner) {}
    HRESULT SetPinMediaType(int pin, const AM_MEDIA_TYPE* type) override { return inner_->SetPinMediaType(pin, type); }
    void ActivatePins() override { inner_->ActivatePins(); }
    IVideoListener* GetVideoListener() override { return this; }
    IGrabListener* GetAudioListener() override { return inner_->GetAudioListener(); }
    void OnVideoFrame(int id, const AM_SAMPLE2_PROPERTIES* frame) override
    {
        inner_->GetVideoListener()->OnVideoFrame(id, frame);
        ++frames;
    }
    std::atomic<int> frames{0};

private:
    IComposeSource* inner_;
};

class CountedAviGraph : public CAviComposeGraph {
public:
    IComposeSource* GetComposeSource() override
    {
        if (!CAviComposeGraph::GetComposeSource())
            return nullptr;
        if (!counting_)
            counting_.reset(new CountingSource(CAviComposeGraph::GetComposeSource()));
        return counting_.get();
    }
    int Frames() const { return counting_ ? counting_->frames.load() : 0; }

private:
    std::unique_ptr<CountingSource> counting_;
};

class AviOutputFactory : public StandInOutputFactory {
public:
    explicit AviOutputFactory(CallLog* log) : StandInOutputFactory(log) {}
    IOutputGraph* CreateOutputGraph(int type, const OutputGraphSettings& settings) override
    {
        if (type != kOutputAvi)
            return StandInOutputFactory::CreateOutputGraph(type, settings);
        CountedAviGraph* graph = new CountedAviGraph();
        graph->SetSplitTimer(false);
        avi = graph;
        return graph;
    }
    CountedAviGraph* avi = nullptr; // deleted by the director
};

// The first words of the video chunks of movi: one per frame.
std::vector<uint32_t> VideoChunks(const CString& path, long frameBytes)
{
    std::ifstream in(static_cast<LPCWSTR>(path), std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint32_t> words;
    // Walks the chunks from the start of each "movi" list the file holds.
    for (size_t at = 0; at + 12 <= b.size(); ++at) {
        if (memcmp(&b[at], "movi", 4) != 0)
            continue;
        uint32_t listSize = 0;
        memcpy(&listSize, &b[at - 4], 4);
        const size_t end = std::min(b.size(), at + listSize);
        for (size_t c = at + 4; c + 8 <= end;) {
            uint32_t size = 0;
            memcpy(&size, &b[c + 4], 4);
            if (memcmp(&b[c], "00db", 4) == 0 && size == uint32_t(frameBytes) && c + 12 <= b.size()) {
                uint32_t word = 0;
                memcpy(&word, &b[c + 8], 4);
                words.push_back(word);
            }
            c += 8 + size + (size & 1);
        }
    }
    return words;
}

bool NearRed(uint32_t pixel)
{
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return std::abs(r - 200) <= 6 && g <= 6 && b <= 6;
}

class AviDirector : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        audio_test::RemoveConfigFile();
        directortest::CopyShippedEffects();
        audio_test::FakeTime::Reset();
        g_now = 100000;
        EngineClock::SetSource(&TestClock);
        EngineClock::SetLocalTimeSource(&RecordingTime);
        EngineClock::SetManualTimers(true);
        window_ = CreateWindowExW(0, L"STATIC", L"director", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        const char* keep = getenv("RVX_AVI_KEEP_DIR");
        keep_ = keep && *keep;
        if (keep_) {
            folder_ = CString(keep);
        } else {
            wchar_t base[MAX_PATH];
            GetTempPathW(MAX_PATH, base);
            folder_.Format(L"%srvx_avi_director_%lu", base, GetCurrentProcessId());
        }
        CreateDirectoryW(folder_, nullptr);
    }

    void TearDown() override
    {
        if (director_)
            director_->Shutdown();
        director_.reset();
        if (window_)
            DestroyWindow(window_);
        EngineClock::SetManualTimers(false);
        EngineClock::SetLocalTimeSource(nullptr);
        EngineClock::SetSource(nullptr);
        audio_test::RemoveConfigFile();
        if (!keep_) {
            DeleteFileW(file_);
            RemoveDirectoryW(folder_);
        }
        CoUninitialize();
    }

    HWND window_ = nullptr;
    bool keep_ = false;
    CString folder_, file_;
    CallLog log_;
    StandInChannelFactory channels_{&log_};
    AviOutputFactory outputs_{&log_};
    std::unique_ptr<CDirector> director_;
};

} // namespace

TEST_F(AviDirector, TwoSecondsOfProgramAreRecordedFrameByFrame)
{
    director_.reset(new CDirector);
    director_->SetChannelGraphFactory(&channels_);
    director_->SetOutputGraphFactory(&outputs_);
    director_->SetAudioTimerApi(audio_test::FakeTime::Api());
    WAVEFORMATEX pcm = audio_test::kPcm;
    director_->SetAudioFormat(&pcm);
    ASSERT_EQ(director_->Init(window_, window_, kWidth, kHeight, 25.0f, 1.0, 2), S_OK);
    SourceDescriptor audio, video;
    for (int number = 1; number <= 2; ++number) {
        audio.name.Format(L"audio %d", number);
        video.name.Format(L"video %d", number);
        video.flags = SourceDescriptor::kNamed;
        CChannel* channel = nullptr;
        ASSERT_EQ(director_->LoadChannel(nullptr, window_, number, &channel, audio, video), S_OK);
    }
    channels_.made[1]->Present(kRed);
    channels_.made[2]->Present(kBlue);

    AviOutputSettings settings;
    settings.Path = folder_;
    settings.Split = 0;
    settings.VCodec = L"None";
    settings.ACodec = L"None";
    director_->SetAviSettings(settings);
    ASSERT_EQ(director_->StartOutput(kOutputAvi), S_OK);
    CountedAviGraph* graph = outputs_.avi;
    ASSERT_NE(graph, nullptr);
    file_ = graph->CurrentFileName();
    EXPECT_EQ(file_, folder_ + L"\\070412153020.avi");

    const int kFrames = 50;
    for (int i = 0; i < kFrames; ++i) {
        g_now += 40;
        director_->GetVideoMixer()->OnClockTick();
        for (int wait = 0; wait < 5000 && graph->Frames() < i + 1; ++wait)
            Sleep(1);
        ASSERT_EQ(graph->Frames(), i + 1) << "frame " << i << " did not reach the output";
        CCSVideoOutputPin* pin = graph->ComposeSource()->VideoPin();
        ASSERT_EQ(WaitForSingleObject(pin->Queue().IdleEvent(), 10000), WAIT_OBJECT_0) << "frame " << i;
    }
    ASSERT_EQ(director_->StopOutput(kOutputAvi), S_OK);

    const std::vector<uint32_t> chunks = VideoChunks(file_, kWidth * kHeight * 4);
    EXPECT_EQ(chunks.size(), size_t(kFrames));
    for (size_t i = 0; i < chunks.size(); ++i)
        EXPECT_TRUE(NearRed(chunks[i])) << "frame " << i << std::hex << " 0x" << chunks[i];
}
