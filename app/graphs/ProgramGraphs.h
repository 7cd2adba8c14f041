// The real graphs the program hands its director: each channel is a CElemGraph into the
// video mixer, each output type its compose graph, the audio preview a small source graph.
#pragma once

#include "app/core/GraphContracts.h"

class CProgramGraphFactory : public IChannelGraphFactory, public IOutputGraphFactory {
public:
    IChannelGraph* CreateChannelGraph(IVideoMixerInput* mixer, int channelIndex) override;
    IOutputGraph* CreateOutputGraph(int type, const OutputGraphSettings& settings) override;
    IAudioPreviewGraph* CreateAudioPreviewGraph(const char* deviceName) override;
};
