// The real graphs the program hands its director: each channel is a CElemGraph into the
// video mixer, each output type its compose graph, the audio preview a small source graph.
#pragma once

#include "app/engine/DirectorGraphs.h"
#include "app/graphs/ElemGraph.h"

class CVideoMixer;

// A channel's input graph as the director sees it.
class CChannelGraph : public IChannelGraph {
public:
    CChannelGraph(CVideoMixer* mixer, int channelIndex);

    HRESULT Create() override { return m_graph.Create(); }
    HRESULT Build() override { return m_graph.Build(); }
    HRESULT Destroy() override { return m_graph.Destroy(); }
    HRESULT Stop() override { return m_graph.Graph().Stop(); }

    void SetAcceptedAudioType(const AM_MEDIA_TYPE* type) override;
    void SetAudioSource(const SourceDescriptor& source) override { m_graph.SetAudioSource(source); }
    void SetVideoSource(const SourceDescriptor& source) override { m_graph.SetVideoSource(source); }
    // The owner is the channel's panel window, parent of the input dialogs.
    void SetOwner(void* owner) override;
    void SetNotifyWindow(HWND window, UINT message, LPARAM channel) override;
    HRESULT SetVideoPosition(int left, int top, int width, int height) override;

    CGrabHost* GetAudioRenderer() override;
    int GetMixerInput() const override { return m_channelIndex; }

    HRESULT TransportRecord() override { return m_graph.TransportRecord(); }
    HRESULT TransportRecordFreeze() override { return m_graph.TransportRecordFreeze(); }

    CElemGraph& ElemGraph() { return m_graph; }

private:
    CElemGraph m_graph;
    int m_channelIndex;
};

class CProgramGraphFactory : public IChannelGraphFactory, public IOutputGraphFactory {
public:
    IChannelGraph* CreateChannelGraph(CDirector* director, int channelIndex) override;
    IOutputGraph* CreateOutputGraph(int type, const OutputGraphSettings& settings) override;
    IAudioPreviewGraph* CreateAudioPreviewGraph(const char* deviceName) override;
};
