// Stand-ins for the graphs the director makes. A stand-in channel's "graph" is a stopped
// filter graph holding Wine's VMR-9 in renderless mode, attached to the director's video
// mixer, whose surface the test paints and presents as the renderer would; its audio
// renderer hands the test's samples to its listeners. A stand-in output's compose source
// records every frame and audio chunk it receives. Every call the director makes on them
// goes into one shared log, so tests can check the order of a shutdown.
#pragma once

#include "app/engine/Director.h"
#include "app/core/GrabHost.h"

#include <windows.h>
#include <d3d9.h>
#include <dshow.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace directortest {

// The engine loads its effects from the program folder's fx folder: a test program's own
// program folder gets the effects the build ships (build output, beside the tests folder).
void CopyShippedEffects();

// The shared record of calls, in order.
class CallLog {
public:
    void Add(const std::string& entry);
    std::vector<std::string> Entries();
    void Clear();
    // Index of the first entry equal to `entry`, or -1.
    int IndexOf(const std::string& entry);

private:
    std::mutex lock_;
    std::vector<std::string> entries_;
};

class StandInAudioRenderer : public CGrabHost {
public:
    void Deliver(IMediaSample* sample);
    void Flush();
};

// How a channel's graph is to behave, chosen by the test before it loads the channel.
struct ChannelPlan {
    HRESULT createResult = S_OK;
    HRESULT buildResult = S_OK;
    bool hasAudioRenderer = true;
    // When set, Stop waits for this event (as a graph stuck in a filter does) and then sets
    // stopReturned.
    HANDLE stopHold = nullptr;
    HANDLE stopReturned = nullptr;
};

class StandInChannelGraph : public IChannelGraph {
public:
    StandInChannelGraph(CVideoMixer* mixer, int channelIndex, const ChannelPlan& plan, CallLog* log,
                        int* liveCount);
    ~StandInChannelGraph() override;

    HRESULT Create() override;
    HRESULT Build() override;
    HRESULT Destroy() override;
    HRESULT Stop() override;
    void SetAcceptedAudioType(const AM_MEDIA_TYPE* type) override;
    void SetAudioSource(const SourceDescriptor& source) override;
    void SetVideoSource(const SourceDescriptor& source) override;
    void SetWindow(HWND window) override;
    void SetNotifyWindow(HWND window, UINT message, LPARAM channel) override;
    HRESULT SetVideoPosition(int left, int top, int width, int height) override;
    CGrabHost* GetAudioRenderer() override { return plan_.hasAudioRenderer ? &audio_ : nullptr; }
    int GetMixerInput() const override { return index_; }
    HRESULT TransportRecord() override;
    HRESULT TransportRecordFreeze() override;

    // Paints the renderer's surface and presents it to the mixer.
    void Present(D3DCOLOR colour);
    StandInAudioRenderer& Audio() { return audio_; }

    ULONG acceptedSampleSize = 0;
    CString audioName, videoName;
    HWND notifyWindow = nullptr;
    UINT notifyMessage = 0;
    LPARAM notifyParam = 0;
    RECT videoPosition = {};
    std::vector<std::string> calls;

private:
    void Log(const std::string& what);

    CVideoMixer* mixer_;
    int index_;
    ChannelPlan plan_;
    CallLog* log_;
    int* liveCount_;
    IGraphBuilder* graph_ = nullptr;
    IBaseFilter* vmr_ = nullptr;
    StandInAudioRenderer audio_;
};

class StandInChannelFactory : public IChannelGraphFactory {
public:
    explicit StandInChannelFactory(CallLog* log) : log_(log) {}
    IChannelGraph* CreateChannelGraph(IVideoMixerInput* mixer, int channelIndex) override;

    std::map<int, ChannelPlan> plans; // by channel number
    std::map<int, StandInChannelGraph*> made; // the last graph made per channel number
    int liveGraphs = 0;

private:
    CallLog* log_;
};

// What one output's compose source received; outlives the graph the director deletes.
struct OutputRecord {
    struct Frame {
        long actual = 0;
        long bufferSize = 0;
        DWORD flags = 0;
        DWORD descriptorSize = 0; // the record's own size field, left 0
        LONGLONG start = 0, stop = 0;
        DWORD centre = 0, corner = 0; // pixels (x, y) = (w/2, h/2) and (1, 1)
    };
    struct Chunk {
        long length = 0;
        LONGLONG start = 0, stop = 0;
        int id = 0, low = -1, high = -1;
    };
    int type = 0;
    int width = 0, height = 0;
    bool throwOnVideo = false;
    bool throwOnAudio = false;
    OutputGraphSettings before;
    LPARAM notifyParam = 0;
    bool notifyParamIsGraph = false;
    bool gotEncode = false, gotAvi = false;
    CEncodeSettings encode;
    AviOutputSettings avi;
    AM_MEDIA_TYPE videoType = {};
    AM_MEDIA_TYPE audioType = {};
    bool activated = false;
    HWND notifyWindow = nullptr;
    UINT notifyMessage = 0;

    std::mutex lock;
    std::condition_variable changed;
    std::vector<Frame> frames;
    std::vector<DWORD> lastPixels; // the last frame, 0xRRGGBB top-down, width x height
    std::vector<Chunk> chunks;

    // Waits (without a time-out that decides anything: the limit only keeps a broken run
    // from hanging) until at least n frames have arrived.
    bool WaitForFrames(size_t n);
    size_t FrameCount();
    // The last frame's pixel (x, y) as 0xRRGGBB.
    DWORD PixelAt(int x, int y);
};

struct OutputPlan {
    HRESULT createResult = S_OK;
    HRESULT buildResult = S_OK;
    HRESULT runResult = S_OK;
    bool hasSource = true;
    // Runs inside Build, as the main window's messages do while a graph waits there.
    std::function<void()> duringBuild;
};

class StandInOutputFactory : public IOutputGraphFactory {
public:
    explicit StandInOutputFactory(CallLog* log) : log_(log) {}
    IOutputGraph* CreateOutputGraph(int type, const OutputGraphSettings& settings) override;
    IAudioPreviewGraph* CreateAudioPreviewGraph(const char* deviceName) override;

    std::map<int, OutputPlan> plans;
    std::map<int, std::shared_ptr<OutputRecord>> records; // the last record per type
    int made = 0;
    int liveGraphs = 0;
    // The frame size the compose sources sample pixels of.
    int width = 0, height = 0;
    bool throwOnVideo = false, throwOnAudio = false; // for the next output made
    std::shared_ptr<OutputRecord> preview;

private:
    CallLog* log_;
};

} // namespace directortest
