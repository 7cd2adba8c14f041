// One input channel's graph. From the channel's pair of sources it adds the source filters,
// negotiates capture formats and builds two branches: video ends in a renderless VMR-9 whose
// allocator-presenter is the video mixer, so decoded frames arrive in the engine as surfaces
// of this channel; audio ends in the audio null renderer, which hands every sample to the
// director. The kind of source decides the chain: capture devices, a DV camcorder delivering
// both through one device, media files and network streams.
#pragma once

#include "app/core/GraphContracts.h"
#include "app/core/InputFormatOptions.h"
#include "app/core/SourceDescriptor.h"
#include "app/graphs/input/CaptureFormat.h"
#include "app/graphs/base/DXGraph.h"

#include <streams.h>

class CArchive;
class CAudioNullRender;

// Build succeeded with the video, but the audio could not be rendered in the program's format
// and was left out; the owner tells the operator.
const HRESULT S_ELEMGRAPH_AUDIO_LEFT_OUT = static_cast<HRESULT>(0x00049010L);

// The input format dialog: shown with the graph's capture builder and source filters and
// the channel's options; true (options changed in place) when the operator confirms.
using InputConfigDialogFn = bool (*)(ICaptureGraphBuilder2* builder, IBaseFilter* video, IBaseFilter* audio,
                                     InputFormatOptions& options);

class CElemGraph : public CBaseGraph, public IChannelGraph, public IChannelTransport
{
public:
    // channelIndex: the channel number minus 1 (0..4), the mixer input it feeds.
    CElemGraph(IVideoMixerInput* mixer, int channelIndex);
    ~CElemGraph() override;

    // IChannelGraph, with CBaseGraph's Create, Build and Destroy.
    HRESULT Create() override;
    HRESULT Destroy() override;
    HRESULT Build() override;
    HRESULT Stop() override { return m_graph.Stop(); }
    void SetAcceptedAudioType(const AM_MEDIA_TYPE* type) override;
    void SetAudioSource(const SourceDescriptor& source) override { audioSource_ = source; }
    void SetVideoSource(const SourceDescriptor& source) override { videoSource_ = source; }
    void SetWindow(HWND window) override { window_ = window; }
    void SetNotifyWindow(HWND window, UINT message, LPARAM channel) override;
    HRESULT SetVideoPosition(int left, int top, int width, int height) override;
    CGrabHost* GetAudioRenderer() override;
    int GetMixerInput() const override { return channelIndex_; }
    HRESULT TransportRecord() override;
    HRESULT TransportRecordFreeze() override;
    IChannelTransport* GetTransport() override { return this; }

    // IChannelTransport: the channel panel's transport, on the graph manager (Stop is shared).
    HRESULT Run() override { return m_graph.Run(); }
    HRESULT Pause() override { return m_graph.Pause(); }
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override { return m_graph.GetState(timeoutMs, state); }
    HRESULT GetCurrentPosition(LONGLONG* position) override { return m_graph.GetCurrentPosition(position); }
    // Sets the position with the graph stopped and brings it back to the state it was in.
    HRESULT SetCurrentPosition(LONGLONG position) override;
    HRESULT GetDuration(LONGLONG* duration) override { return m_graph.GetDuration(duration); }
    HRESULT GetCapabilities(DWORD* capabilities) override { return m_graph.GetCapabilities(capabilities); }
    HRESULT SetRate(double rate) override { return m_graph.SetRate(rate); }
    HRESULT GetRate(double* rate) override { return m_graph.GetRate(rate); }
    HRESULT StepFrames(DWORD frames) override { return m_graph.StepFrames(frames); }
    HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) override
    {
        return m_graph.GetEvent(code, param1, param2, timeoutMs);
    }
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override
    {
        return m_graph.FreeEventParams(code, param1, param2);
    }
    InputFormatOptions GetInputOptions() const override { return options_; }
    void ApplyInputOptions(const InputFormatOptions& options) override;

    const SourceDescriptor& GetAudioSource() const { return audioSource_; }
    const SourceDescriptor& GetVideoSource() const { return videoSource_; }
    // The program size and rate the capture format is negotiated to; the mixer's by default.
    void SetCaptureTarget(const CaptureTarget& target) { target_ = target; }

    const InputFormatOptions& GetOptions() const { return options_; }
    void SetOptions(const InputFormatOptions& options) { options_ = options; }

    CAudioNullRender* GetNullRender() const { return nullRender_; }
    IBaseFilter* GetVideoRenderer() const { return videoRenderer_; }
    IBaseFilter* GetAudioSourceFilter() const { return audioFilter_; }
    IBaseFilter* GetVideoSourceFilter() const { return videoFilter_; }
    // The audio branch's own result of the last Build (S_OK, or why it was left out).
    HRESULT GetAudioResult() const { return audioResult_; }

    HRESULT ShowInputSettings() override;
    HRESULT ShowSourceProperties() override;
    HRESULT ReopenLostDevice(IUnknown* lostFilter);
    void Serialize(CArchive& ar);

    // The input format dialog (ShowInputConfigDialog unless a test replaces it; null restores it).
    static void SetInputConfigDialog(InputConfigDialogFn dialog);

    // The chain a pair of sources is built with, from the descriptors alone.
    enum class Chain
    {
        DvCamcorder,
        NetworkStream,
        Separate,
    };
    static Chain ChooseChain(const SourceDescriptor& audio, const SourceDescriptor& video);

private:
    HRESULT AddSourceFilters(IBaseFilter** audio, IBaseFilter** video);
    HRESULT AddFileSource(const wchar_t* location, IBaseFilter** filter);
    HRESULT ConfigureCaptureFormats();
    HRESULT AddVideoRenderer();
    HRESULT RenderVideoFile();
    HRESULT RenderAudioFile();
    HRESULT RenderVideoCapture();
    HRESULT RenderAudioCapture();
    HRESULT BuildDvCamcorder();
    HRESULT BuildNetworkStream();
    // A failed audio branch leaves the video playing: the null renderer is taken out and
    // the reason kept.
    HRESULT LeaveAudioOut(HRESULT why);
    HRESULT HandFormatToMixer();
    void ReleaseVideoRenderer();

    SourceDescriptor audioSource_;
    SourceDescriptor videoSource_;
    CAudioNullRender* nullRender_ = nullptr;
    CMediaType acceptedAudio_;
    HWND window_ = nullptr;
    IVideoMixerInput* mixer_;
    int channelIndex_;
    CComPtr<IBaseFilter> videoRenderer_;
    CComPtr<IBaseFilter> audioFilter_;
    CComPtr<IBaseFilter> videoFilter_;
    CComPtr<ICaptureGraphBuilder2> builder_;
    InputFormatOptions options_;
    CaptureTarget target_;
    HRESULT audioResult_ = S_OK;
};
