// Channel graphs of every source kind under the platform's graph manager, ending in a real
// video mixer (its renderless VMR-9 presents into the engine's device) and in the channel's
// audio listener. The stand-ins for what the machine lacks (DV camcorder, splitter and
// decoder, network source) are registered in this process only.
#include "testing/media/TinyAvi.h"

#include "app/core/EngineClock.h"
#include "app/engine/EngineFolders.h"
#include "app/engine/VideoChannel.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/DShowHelpers.h"
#include "app/graphs/input/AudioNullRender.h"
#include "app/graphs/input/ElemGraph.h"
#include "testing/capture/StubRegistration.h"
#include "testing/dv/DvStandIns.h"
#include "testing/netsource/NetSourceStandIn.h"

#include <afx.h>
#include <edevdefs.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// The file channel's test media: bottom-up RGB32 frames of one colour at 25 fps and 16-bit
// stereo PCM.
struct TestAviLayout
{
    LONG width = 64;
    LONG height = 48;
    int frames = 25;
    DWORD colour = 0x0030A050;
    DWORD sampleRate = 44100;
};

DWORD g_now = 100000;
DWORD TestClock()
{
    return g_now;
}

// The mixer as the channels' presenter, counting the frames it was given.
class CCountingMixer : public CVideoMixer
{
public:
    explicit CCountingMixer(const VideoMixerParams& p) : CVideoMixer(p)
    {
        presented_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~CCountingMixer() override { CloseHandle(presented_); }
    STDMETHODIMP PresentImage(DWORD_PTR input, VMR9PresentationInfo* info) override
    {
        const HRESULT hr = CVideoMixer::PresentImage(input, info);
        if (SUCCEEDED(hr)) {
            InterlockedIncrement(&frames_);
            SetEvent(presented_);
        }
        return hr;
    }
    LONG Frames() const { return frames_; }
    bool WaitForFrames(LONG count, DWORD timeoutMs = 10000)
    {
        const DWORD begin = GetTickCount();
        while (frames_ < count) {
            const DWORD spent = GetTickCount() - begin;
            if (spent >= timeoutMs)
                return false;
            WaitForSingleObject(presented_, timeoutMs - spent);
        }
        return true;
    }

private:
    HANDLE presented_;
    volatile LONG frames_ = 0;
};

// The director's place as the channel's audio listener.
class CCountingListener : public IGrabListener
{
public:
    CCountingListener() { arrived_ = CreateEventW(nullptr, FALSE, FALSE, nullptr); }
    ~CCountingListener() { CloseHandle(arrived_); }
    void OnSample(int id, IMediaSample* sample, int, int) override
    {
        lastId_ = id;
        lastLength_ = sample->GetActualDataLength();
        InterlockedIncrement(&count_);
        SetEvent(arrived_);
    }
    bool WaitForSamples(LONG count, DWORD timeoutMs = 10000)
    {
        const DWORD begin = GetTickCount();
        while (count_ < count) {
            const DWORD spent = GetTickCount() - begin;
            if (spent >= timeoutMs)
                return false;
            WaitForSingleObject(arrived_, timeoutMs - spent);
        }
        return true;
    }
    volatile LONG count_ = 0;
    int lastId_ = 0;
    long lastLength_ = 0;

private:
    HANDLE arrived_;
};

SourceDescriptor FileSource(const std::wstring& location)
{
    SourceDescriptor d;
    d.name = location.c_str();
    d.flags = 0x1;
    return d;
}

// A capture device bound by its display name, as the source lists bind it.
SourceDescriptor DeviceSource(const CLSID& category, const wchar_t* displayName, const wchar_t* path)
{
    SourceDescriptor d;
    d.name = displayName;
    d.path = path;
    CComPtr<IMoniker> moniker;
    if (SUCCEEDED(FindDeviceMoniker(category, displayName, &moniker)) && moniker)
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&d.filter));
    d.flags = d.filter ? 0x3 : 0x1;
    return d;
}

bool HasFilterNamed(IGraphBuilder* graph, const wchar_t* name)
{
    CComPtr<IBaseFilter> f;
    return SUCCEEDED(graph->FindFilterByName(name, &f)) && f;
}

class ElemGraphTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        // The mixer cannot start without the engine's own passes: a build that lost them is a
        // broken build, reported as a failure.
        if (GetFileAttributesW((FxFolder() + L"\\_PreProcess.fxo").c_str()) == INVALID_FILE_ATTRIBUTES) {
            noEffects_ = true;
            FAIL() << "the engine's effect files are not in the fx folder";
        }
        EngineClock::SetSource(&TestClock);
        EngineClock::SetManualTimers(true);
        window_ = CreateWindowExW(0, L"STATIC", L"channel", WS_POPUP, 0, 0, 164, 120, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        VideoMixerParams p;
        p.renderWindow = window_;
        p.width = 320;
        p.height = 240;
        mixer_ = new CCountingMixer(p);
        ASSERT_EQ(mixer_->Start(), S_OK);
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        folder_ = dir;
    }

    void TearDown() override
    {
        if (noEffects_) {
            CoUninitialize();
            return;
        }
        graph_.reset();
        for (const std::wstring& f : files_)
            DeleteFileW(f.c_str());
        mixer_->Stop();
        mixer_->Release();
        DestroyWindow(window_);
        EngineClock::SetManualTimers(false);
        EngineClock::SetSource(nullptr);
        CoUninitialize();
    }

    std::wstring MakeAvi(const wchar_t* name, const TestAviLayout& layout)
    {
        const std::wstring path = folder_ + name;
        EXPECT_TRUE(testing_media::WriteTinyAvi(path, layout.width, layout.height, layout.frames, 25,
                                                [&](int, int, int) { return layout.colour; }, layout.sampleRate));
        files_.push_back(path);
        return path;
    }

    // Create, the owner's settings, the sources, Build; the listener registered as channel 1.
    HRESULT BuildChannel(const SourceDescriptor& audio, const SourceDescriptor& video,
                         const CaptureTarget* target = nullptr, const InputFormatOptions* options = nullptr)
    {
        graph_.reset(new CElemGraph(mixer_, 0));
        HRESULT hr = graph_->Create();
        if (FAILED(hr))
            return hr;
        if (target)
            graph_->SetCaptureTarget(*target);
        if (options)
            graph_->SetOptions(*options);
        const CMediaType accepted = standin::ProgramPcmType();
        graph_->SetAcceptedAudioType(&accepted);
        graph_->SetAudioSource(audio);
        graph_->SetVideoSource(video);
        graph_->SetWindow(window_);
        hr = graph_->Build();
        if (graph_->GetNullRender())
            graph_->GetNullRender()->AddListener(1, &listener_);
        return hr;
    }

    HRESULT Run() { return graph_->Graph().Run(); }
    IGraphBuilder* Graph() { return graph_->Graph().GetGraph(); }

    bool noEffects_ = false;
    HWND window_ = nullptr;
    CCountingMixer* mixer_ = nullptr;
    CCountingListener listener_;
    std::unique_ptr<CElemGraph> graph_;
    std::wstring folder_;
    std::vector<std::wstring> files_;
};

} // namespace

TEST_F(ElemGraphTest, AFileFeedsTheMixerAndTheListenerThroughOneSourceFilter)
{
    TestAviLayout layout;
    const std::wstring avi = MakeAvi(L"rvx_channel_file.avi", layout);
    ASSERT_EQ(BuildChannel(FileSource(avi), FileSource(avi)), S_OK);
    EXPECT_EQ(graph_->GetAudioSourceFilter(), graph_->GetVideoSourceFilter());
    EXPECT_TRUE(HasFilterNamed(Graph(), L"Audio Null Render"));
    EXPECT_TRUE(HasFilterNamed(Graph(), L"Video Mixing Renderer9"));
    CVideoChannel* channel = mixer_->GetChannel(0);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(channel->format.bmiHeader.biWidth, layout.width); // handed over at Build

    ASSERT_TRUE(SUCCEEDED(Run()));
    EXPECT_TRUE(mixer_->WaitForFrames(3));
    EXPECT_TRUE(listener_.WaitForSamples(3));
    EXPECT_EQ(listener_.lastId_, 1);
    EXPECT_EQ(listener_.lastLength_ % 4, 0);

    EXPECT_EQ(graph_->Destroy(), S_OK);
    EXPECT_EQ(mixer_->GetChannel(0), nullptr);
    EXPECT_TRUE(graph_->GetVideoSource().name.IsEmpty());
    EXPECT_EQ(graph_->GetVideoSource().flags, 0u);
}

TEST_F(ElemGraphTest, AudioOutsideTheProgramFormatIsLeftOutAndTheVideoStillPlays)
{
    TestAviLayout layout;
    layout.sampleRate = 48000;
    const std::wstring avi = MakeAvi(L"rvx_channel_48k.avi", layout);
    EXPECT_EQ(BuildChannel(FileSource(avi), FileSource(avi)), S_ELEMGRAPH_AUDIO_LEFT_OUT);
    EXPECT_TRUE(FAILED(graph_->GetAudioResult()));
    EXPECT_FALSE(HasFilterNamed(Graph(), L"Audio Null Render"));
    ASSERT_TRUE(SUCCEEDED(Run()));
    EXPECT_TRUE(mixer_->WaitForFrames(3));
    EXPECT_EQ(listener_.count_, 0);
}

TEST_F(ElemGraphTest, AMissingFileFailsTheBuild)
{
    const std::wstring missing = folder_ + L"rvx_no_such_file.avi";
    EXPECT_TRUE(FAILED(BuildChannel(FileSource(missing), FileSource(missing))));
}

TEST_F(ElemGraphTest, CaptureDevicesAreNegotiatedToTheProgramSizeUnlessTheFormatIsManual)
{
    rvxstub::ScopedStubDevices devices;
    struct Case
    {
        int imageFormat;
        LONG expectedWidth, expectedHeight;
    } cases[] = {{0, 640, 480}, {1, 320, 240}};
    for (const Case& c : cases) {
        const SourceDescriptor video = DeviceSource(CLSID_VideoInputDeviceCategory, L"\\\\?\\rvxtest#camera#0001",
                                                    L"\\\\?\\rvxtest#camera#0001");
        const SourceDescriptor audio = DeviceSource(CLSID_AudioInputDeviceCategory, L"\\\\?\\rvxtest#linein#0008",
                                                    L"\\\\?\\rvxtest#linein#0008");
        ASSERT_TRUE(video.filter && audio.filter);
        CaptureTarget target;
        target.width = 640;
        target.height = 480;
        target.frameInterval = 400000;
        InputFormatOptions options;
        options.imageFormat = c.imageFormat;
        ASSERT_EQ(BuildChannel(audio, video, &target, &options), S_OK);
        CVideoChannel* channel = mixer_->GetChannel(0);
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->format.bmiHeader.biWidth, c.expectedWidth);
        EXPECT_EQ(std::abs(channel->format.bmiHeader.biHeight), c.expectedHeight);
        const LONG frames = mixer_->Frames(), samples = listener_.count_;
        ASSERT_TRUE(SUCCEEDED(Run()));
        EXPECT_TRUE(mixer_->WaitForFrames(frames + 2));
        EXPECT_TRUE(listener_.WaitForSamples(samples + 2));
        graph_.reset();
    }
}

TEST_F(ElemGraphTest, TheDvCamcorderGoesThroughSplitterAndDecoderAndTakesTransportCommands)
{
    standin::CDvStandIns dv;
    ASSERT_EQ(dv.Result(), S_OK);
    standin::CStandInDvCamcorder::ResetModes();
    const SourceDescriptor video =
        DeviceSource(CLSID_VideoInputDeviceCategory, standin::CDvStandIns::DeviceName(), standin::CDvStandIns::DeviceName());
    ASSERT_NE(video.filter, nullptr);
    const SourceDescriptor audio = video; // one device delivers both
    ASSERT_EQ(CElemGraph::ChooseChain(audio, video), CElemGraph::Chain::DvCamcorder);
    ASSERT_EQ(BuildChannel(audio, video), S_OK);
    EXPECT_TRUE(HasFilterNamed(Graph(), L"DVSplitter"));
    EXPECT_TRUE(HasFilterNamed(Graph(), L"DVVideoDec"));
    ASSERT_TRUE(SUCCEEDED(Run()));
    EXPECT_TRUE(mixer_->WaitForFrames(3));
    EXPECT_TRUE(listener_.WaitForSamples(3));
    EXPECT_EQ(listener_.lastLength_, long(sizeof(standin::DvPayload::audio)));
    EXPECT_EQ(mixer_->GetChannel(0)->format.bmiHeader.biWidth, standin::kDvWidth);

    EXPECT_EQ(graph_->TransportRecord(), S_OK);
    EXPECT_EQ(graph_->TransportRecordFreeze(), S_OK);
    EXPECT_EQ(standin::CStandInDvCamcorder::ModesAsked(), (std::vector<LONG>{ED_MODE_RECORD, ED_MODE_RECORD_FREEZE}));
}

TEST_F(ElemGraphTest, TransportCommandsNeedADeviceWithTransportControl)
{
    TestAviLayout layout;
    const std::wstring avi = MakeAvi(L"rvx_channel_transport.avi", layout);
    ASSERT_EQ(BuildChannel(FileSource(avi), FileSource(avi)), S_OK);
    EXPECT_EQ(graph_->TransportRecord(), E_POINTER);
    EXPECT_EQ(graph_->TransportRecordFreeze(), E_POINTER);
}

TEST_F(ElemGraphTest, ANetworkStreamOpensTheNetworkSourceAndReachesBothEnds)
{
    standin::CNetSourceStandIn net;
    ASSERT_EQ(net.Result(), S_OK);
    const std::wstring url = L"mms://media.example.com/live";
    ASSERT_EQ(BuildChannel(FileSource(url), FileSource(url)), S_OK);
    EXPECT_EQ(standin::CStandInNetSource::LastLoaded(), url);
    EXPECT_TRUE(HasFilterNamed(Graph(), L"NetShowSource"));
    ASSERT_TRUE(SUCCEEDED(Run()));
    EXPECT_TRUE(mixer_->WaitForFrames(3));
    EXPECT_TRUE(listener_.WaitForSamples(3));
    EXPECT_EQ(listener_.lastLength_, 7056);
}

TEST_F(ElemGraphTest, ALostDeviceIsReopenedByItsDevicePathOrByItsName)
{
    struct Case
    {
        const wchar_t* devicePath;
    } cases[] = {{L"\\\\?\\standin#dvcam#0001"}, {nullptr}};
    for (const Case& c : cases) {
        standin::CDvStandIns dv(c.devicePath);
        ASSERT_EQ(dv.Result(), S_OK);
        // A device with a path is listed by it; one without by its name, and its descriptor's
        // path may be empty (audio capture devices commonly have none).
        const wchar_t* listed = c.devicePath ? c.devicePath : standin::CDvStandIns::DeviceName();
        SourceDescriptor video = DeviceSource(CLSID_VideoInputDeviceCategory, listed, c.devicePath ? c.devicePath : L"");
        ASSERT_NE(video.filter, nullptr);
        video.name = standin::CDvStandIns::DeviceName();
        ASSERT_EQ(BuildChannel(video, video), S_OK);
        ASSERT_TRUE(SUCCEEDED(Run()));
        ASSERT_TRUE(mixer_->WaitForFrames(mixer_->Frames() + 2));

        CComPtr<IBaseFilter> lost = graph_->GetVideoSourceFilter();
        EXPECT_EQ(graph_->ReopenLostDevice(lost), S_OK);
        EXPECT_NE(graph_->GetVideoSourceFilter(), lost.Get());
        EXPECT_EQ(graph_->GetAudioSourceFilter(), graph_->GetVideoSourceFilter()); // still one device
        const LONG before = mixer_->Frames();
        EXPECT_TRUE(mixer_->WaitForFrames(before + 2));
        graph_.reset();
    }
}

TEST_F(ElemGraphTest, ReopenLostDeviceRefusesWhatIsNotAFilterOfTheGraph)
{
    standin::CDvStandIns dv;
    ASSERT_EQ(dv.Result(), S_OK);
    const SourceDescriptor video =
        DeviceSource(CLSID_VideoInputDeviceCategory, standin::CDvStandIns::DeviceName(), standin::CDvStandIns::DeviceName());
    ASSERT_EQ(BuildChannel(video, video), S_OK);
    EXPECT_EQ(graph_->ReopenLostDevice(nullptr), E_INVALIDARG);
    EXPECT_EQ(graph_->ReopenLostDevice(static_cast<IVMRSurfaceAllocator9*>(mixer_)), E_INVALIDARG); // no IBaseFilter
    EXPECT_EQ(graph_->ReopenLostDevice(graph_->GetVideoRenderer()), E_UNEXPECTED);
}

TEST_F(ElemGraphTest, LoadedOptionsRoundTripAndReachTheMixer)
{
    TestAviLayout layout;
    const std::wstring avi = MakeAvi(L"rvx_channel_options.avi", layout);
    ASSERT_EQ(BuildChannel(FileSource(avi), FileSource(avi)), S_OK);
    CVideoChannel* channel = mixer_->GetChannel(0);
    ASSERT_NE(channel, nullptr);
    EXPECT_FALSE(channel->IsAspectForced());

    // image format manual, deinterlace forced, 16:9, even lines first, keep aspect 0
    BYTE record[] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    {
        CMemFile file(record, sizeof record);
        CArchive ar(&file, CArchive::load);
        graph_->Serialize(ar);
    }
    EXPECT_EQ(graph_->GetOptions().aspect, 1);
    EXPECT_TRUE(channel->IsAspectForced());
    EXPECT_EQ(channel->format.dwPictAspectRatioX, 16u);
    EXPECT_EQ(channel->format.dwPictAspectRatioY, 9u);
    EXPECT_EQ(channel->format.dwInterlaceFlags & AMINTERLACE_IsInterlaced, DWORD(AMINTERLACE_IsInterlaced));
    EXPECT_EQ(channel->format.dwInterlaceFlags & AMINTERLACE_Field1First, 0u); // even lines first
    EXPECT_EQ(channel->keepAspect, 0);

    CMemFile out;
    {
        CArchive ar(&out, CArchive::store);
        graph_->Serialize(ar);
    }
    const UINT n = UINT(out.GetLength());
    BYTE* stored = out.Detach();
    ASSERT_EQ(n, sizeof record);
    EXPECT_EQ(memcmp(stored, record, n), 0);
    free(stored);
}

TEST_F(ElemGraphTest, ThePanelsTransportReadsTheGraphAndHandsItsOptionsToTheMixer)
{
    TestAviLayout layout;
    const std::wstring avi = MakeAvi(L"rvx_channel_transport.avi", layout);
    ASSERT_EQ(BuildChannel(FileSource(avi), FileSource(avi)), S_OK);
    IChannelTransport* transport = graph_->GetTransport();
    ASSERT_EQ(transport, static_cast<IChannelTransport*>(graph_.get()));

    LONGLONG duration = 0;
    EXPECT_EQ(transport->GetDuration(&duration), S_OK);
    EXPECT_GT(duration, 0);
    DWORD capabilities = 0;
    EXPECT_EQ(transport->GetCapabilities(&capabilities), S_OK);
    EXPECT_NE(capabilities & AM_SEEKING_CanSeekAbsolute, 0u) << "a file seeks";
    OAFilterState state = State_Running;
    EXPECT_EQ(transport->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    EXPECT_TRUE(FAILED(transport->GetEvent(&code, &param1, &param2, 0))) << "a graph never run has no event";

    InputFormatOptions options;
    options.aspect = 1;
    transport->ApplyInputOptions(options);
    EXPECT_TRUE(transport->GetInputOptions() == options);
    ASSERT_NE(mixer_->GetChannel(0), nullptr);
    EXPECT_TRUE(mixer_->GetChannel(0)->IsAspectForced());
}

TEST_F(ElemGraphTest, TheSampleClipsOfTheProgramFolderPlayAsFileChannels)
{
    for (const wchar_t* name : {L"sample1.avi", L"sample2.avi"}) {
        const std::wstring clip = std::wstring(L"" RVX_SAMPLES_FOLDER L"\\") + name;
        ASSERT_EQ(BuildChannel(FileSource(clip), FileSource(clip)), S_OK) << name;
        CVideoChannel* channel = mixer_->GetChannel(0);
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->format.bmiHeader.biWidth, 640);
        EXPECT_EQ(std::abs(channel->format.bmiHeader.biHeight), 480);
        // Ten seconds that the panel's seek buttons can move in.
        LONGLONG duration = 0;
        EXPECT_TRUE(SUCCEEDED(graph_->Graph().GetDuration(&duration)));
        EXPECT_EQ(duration, 100000000);
        DWORD caps = 0;
        EXPECT_TRUE(SUCCEEDED(graph_->Graph().GetCapabilities(&caps)));
        EXPECT_TRUE(caps & AM_SEEKING_CanSeekAbsolute);
        const LONG frames = mixer_->Frames(), samples = listener_.count_;
        ASSERT_TRUE(SUCCEEDED(Run()));
        EXPECT_TRUE(mixer_->WaitForFrames(frames + 5)) << name;
        EXPECT_TRUE(listener_.WaitForSamples(samples + 5)) << name;
        graph_.reset();
    }
}

// Clips whose decoders hand out 16-bit RGB (MS Video 1) or offer it first (Cinepak): the
// channel loads them, the mixer takes the picture at the clip's size and frames arrive.
TEST_F(ElemGraphTest, ClipsInTheOlderCompressedFormatsPlayAsFileChannels)
{
    for (const wchar_t* name : {L"msvideo1.avi", L"cinepak.avi"}) {
        const std::wstring clip = std::wstring(L"" RVX_CODEC_CLIPS_FOLDER L"\\") + name;
        ASSERT_NE(GetFileAttributesW(clip.c_str()), INVALID_FILE_ATTRIBUTES) << name;
        ASSERT_EQ(BuildChannel(FileSource(clip), FileSource(clip)), S_OK) << name;
        CVideoChannel* channel = mixer_->GetChannel(0);
        ASSERT_NE(channel, nullptr) << name;
        EXPECT_EQ(channel->format.bmiHeader.biWidth, 64) << name;
        EXPECT_EQ(std::abs(channel->format.bmiHeader.biHeight), 48) << name;
        const LONG frames = mixer_->Frames();
        ASSERT_TRUE(SUCCEEDED(Run())) << name;
        EXPECT_TRUE(mixer_->WaitForFrames(frames + 5)) << name;
        graph_.reset();
    }
}
