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

// Counts the frames the director hands the output, after the compose pin has queued each,
// and signals each hand-off so a test waits on it instead of polling the count.
class CountingSource : public IComposeSource, public IVideoListener {
public:
    explicit CountingSource(IComposeSource* inner) : inner_(inner)
    {
        handedOff_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~CountingSource() { CloseHandle(handedOff_); }
    HRESULT SetPinMediaType(int pin, const AM_MEDIA_TYPE* type) override { return inner_->SetPinMediaType(pin, type); }
    void ActivatePins() override { inner_->ActivatePins(); }
    IVideoListener* GetVideoListener() override { return this; }
    IGrabListener* GetAudioListener() override { return inner_->GetAudioListener(); }
    void OnVideoFrame(int id, const AM_SAMPLE2_PROPERTIES* frame) override
    {
        inner_->GetVideoListener()->OnVideoFrame(id, frame);
        ++frames;
        SetEvent(handedOff_);
    }
    // True once at least count frames were handed off; false after timeoutMs without one.
    bool WaitForFrames(int count, DWORD timeoutMs = 10000)
    {
        while (frames < count)
            if (WaitForSingleObject(handedOff_, timeoutMs) != WAIT_OBJECT_0)
                return frames >= count;
        return true;
    }
    std::atomic<int> frames{0};

private:
    IComposeSource* inner_;
    HANDLE handedOff_;
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
    bool WaitForFrames(int count) { return counting_ && counting_->WaitForFrames(count); }

    // With holding on, a file switch pauses after stopping the graph and again after naming
    // the new file (the graph stopped, joined to a new multiplexer), until the test releases
    // it: frames the director hands over meanwhile meet the switch at a known step.
    void HoldSwitches(bool hold) { hold_ = hold; }
    bool WaitUntilHeld() { return WaitForSingleObject(held_, 10000) == WAIT_OBJECT_0; }
    void ReleaseSwitch() { SetEvent(release_); }
    HRESULT StopGraph() override
    {
        const HRESULT hr = CAviComposeGraph::StopGraph();
        Hold();
        return hr;
    }
    HRESULT SetFileName(LPCWSTR name) override
    {
        const HRESULT hr = CAviComposeGraph::SetFileName(name);
        Hold();
        return hr;
    }
    ~CountedAviGraph() override
    {
        CloseHandle(held_);
        CloseHandle(release_);
    }

private:
    void Hold()
    {
        if (!hold_)
            return;
        SetEvent(held_);
        WaitForSingleObject(release_, 20000);
    }

    std::unique_ptr<CountingSource> counting_;
    std::atomic<bool> hold_{false};
    HANDLE held_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
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
        if (fileSize)
            graph->SetFileSize(fileSize);
        avi = graph;
        return graph;
    }
    CountedAviGraph* avi = nullptr; // deleted by the director
    CAviFileSplitter::FileSizeFn fileSize; // the sizes the split sees, when set
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

// Frame k of a test shows its number in its colour: red counts in steps of 16 through 14
// values, green counts the rounds; the composed picture may be a few levels off.
D3DCOLOR NumberedColour(int k)
{
    return D3DCOLOR_XRGB(16 + 16 * (k % 14), 16 + 16 * (k / 14), 0);
}

int FrameNumber(uint32_t pixel)
{
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF;
    return (g - 16 + 8) / 16 * 14 + (r - 16 + 8) / 16;
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
            for (const CString& other : otherFiles_)
                DeleteFileW(other);
            RemoveDirectoryW(folder_);
        }
        CoUninitialize();
    }

    // The director with channels 1 (red, program) and 2 (blue) and the AVI output recording
    // with those settings into the test's folder.
    void StartRecording(AviOutputSettings settings)
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

        settings.Path = folder_;
        settings.VCodec = L"None";
        settings.ACodec = L"None";
        director_->SetAviSettings(settings);
        ASSERT_EQ(director_->StartOutput(kOutputAvi), S_OK);
        ASSERT_NE(outputs_.avi, nullptr);
        file_ = outputs_.avi->CurrentFileName();
    }

    // One frame period: the program frame composed, read back and handed to the output.
    void Tick(CountedAviGraph* graph)
    {
        const int handed = graph->Frames();
        g_now += 40;
        director_->GetVideoMixer()->OnClockTick();
        ASSERT_TRUE(graph->WaitForFrames(handed + 1)) << "frame " << handed << " did not reach the output";
        ASSERT_EQ(graph->Frames(), handed + 1) << "frame " << handed << " was handed off twice";
    }

    // As Tick, then until the output's streaming thread has delivered it.
    void TickDelivered(CountedAviGraph* graph)
    {
        Tick(graph);
        CCSVideoOutputPin* pin = graph->ComposeSource()->VideoPin();
        ASSERT_EQ(WaitForSingleObject(pin->Queue().IdleEvent(), 10000), WAIT_OBJECT_0) << "frame " << graph->Frames();
    }

    HWND window_ = nullptr;
    bool keep_ = false;
    CString folder_, file_;
    std::vector<CString> otherFiles_;
    CallLog log_;
    StandInChannelFactory channels_{&log_};
    AviOutputFactory outputs_{&log_};
    std::unique_ptr<CDirector> director_;
};

} // namespace

TEST_F(AviDirector, TwoSecondsOfProgramAreRecordedFrameByFrame)
{
    AviOutputSettings settings;
    settings.Split = 0;
    ASSERT_NO_FATAL_FAILURE(StartRecording(settings));
    CountedAviGraph* graph = outputs_.avi;
    EXPECT_EQ(file_, folder_ + L"\\070412153020.avi");

    const int kFrames = 50;
    for (int i = 0; i < kFrames; ++i)
        ASSERT_NO_FATAL_FAILURE(TickDelivered(graph));
    ASSERT_EQ(director_->StopOutput(kOutputAvi), S_OK);

    const std::vector<uint32_t> chunks = VideoChunks(file_, kWidth * kHeight * 4);
    EXPECT_EQ(chunks.size(), size_t(kFrames));
    for (size_t i = 0; i < chunks.size(); ++i)
        EXPECT_TRUE(NearRed(chunks[i])) << "frame " << i << std::hex << " 0x" << chunks[i];
}

// The program keeps flowing while a file switch stops the graph, joins it to a new
// multiplexer and runs it again: every frame the director handed over is in one of the two
// files exactly once, in order, those of the switch included.
TEST_F(AviDirector, AFileSwitchLosesAndDoublesNoFrameOfTheFlowingProgram)
{
    std::atomic<ULONGLONG> reported{0};
    outputs_.fileSize = [&reported](LPCWSTR path, ULONGLONG* size) {
        if (reported == 0)
            return CAviFileSplitter::DefaultFileSize(path, size);
        *size = reported;
        return true;
    };
    AviOutputSettings settings;
    settings.Split = 1;
    settings.Max = 1;
    ASSERT_NO_FATAL_FAILURE(StartRecording(settings));
    CountedAviGraph* graph = outputs_.avi;
    CAviFileSplitter* splitter = graph->Splitter();
    ASSERT_NE(splitter, nullptr);
    int k = 0;
    auto present = [&] { channels_.made[1]->Present(NumberedColour(k++)); };

    for (int i = 0; i < 20; ++i) {
        present();
        ASSERT_NO_FATAL_FAILURE(TickDelivered(graph));
    }
    const CString first = file_;
    graph->HoldSwitches(true);
    reported = 1048576;
    splitter->Tick();
    // Frames while the graph is stopped on the old multiplexer, then on the new one.
    for (int step = 0; step < 2; ++step) {
        ASSERT_TRUE(graph->WaitUntilHeld()) << "step " << step;
        for (int i = 0; i < 3; ++i) {
            present();
            ASSERT_NO_FATAL_FAILURE(Tick(graph));
        }
        graph->ReleaseSwitch();
    }
    ASSERT_EQ(WaitForSingleObject(splitter->SplitDoneEvent(), 10000), WAIT_OBJECT_0);
    graph->HoldSwitches(false);
    reported = 0;
    ASSERT_EQ(splitter->LastError(), S_OK);
    const CString second = graph->CurrentFileName();
    otherFiles_.push_back(second);
    EXPECT_NE(second, first);
    for (int i = 0; i < 20; ++i) {
        present();
        ASSERT_NO_FATAL_FAILURE(TickDelivered(graph));
    }
    ASSERT_EQ(director_->StopOutput(kOutputAvi), S_OK);

    std::vector<int> numbers;
    for (const CString& file : {first, second}) {
        const std::vector<uint32_t> chunks = VideoChunks(file, kWidth * kHeight * 4);
        EXPECT_FALSE(chunks.empty()) << CStringA(file).GetString();
        for (uint32_t word : chunks)
            numbers.push_back(FrameNumber(word));
    }
    std::vector<int> expected(k);
    for (int i = 0; i < k; ++i)
        expected[i] = i;
    EXPECT_EQ(numbers, expected) << "the seam lost, doubled or reordered a frame";
}
