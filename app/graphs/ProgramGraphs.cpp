// The frame server's sockets want Winsock 2 declared before anything pulls in windows.h.
#include <winsock2.h>

#include "app/graphs/ProgramGraphs.h"

#include "app/core/OutputType.h"
#include "app/graphs/input/ElemGraph.h"
#include "app/graphs/preview/AudioPreviewGraph.h"
#include "app/graphs/outputs/avi/AviComposeGraph.h"
#include "app/graphs/outputs/decklink/DecklinkComposeGraph.h"
#include "app/graphs/outputs/dv/DvComposeGraph.h"
#include "app/graphs/outputs/card/Ovx500ComposeGraph.h"
#include "app/graphs/outputs/vd/VDComposeGraph.h"
#include "app/graphs/outputs/wmv/WmvComposeGraph.h"

#include <new>

IChannelGraph* CProgramGraphFactory::CreateChannelGraph(IVideoMixerInput* mixer, int channelIndex)
{
    if (!mixer)
        return nullptr;
    return new (std::nothrow) CElemGraph(mixer, channelIndex);
}

IOutputGraph* CProgramGraphFactory::CreateOutputGraph(int type, const OutputGraphSettings& settings)
{
    // Windows Media and AVI take their records from the director after Create.
    switch (type) {
    case kOutputWindowsMedia:
        return new (std::nothrow) CWmvComposeGraph();
    case kOutputAvi:
        return new (std::nothrow) CAviComposeGraph();
    case kOutputIeee1394: {
        C1394ComposeGraph* graph = new (std::nothrow) C1394ComposeGraph();
        if (graph)
            graph->SetSettings(settings.dv);
        return graph;
    }
    case kOutputVirtualDevice: {
        CVDComposeGraph* graph = new (std::nothrow) CVDComposeGraph();
        if (graph)
            graph->SetListenPort(settings.listenPort);
        return graph;
    }
    case kOutputCard: {
        COvx500ComposeGraph* graph = new (std::nothrow) COvx500ComposeGraph();
        if (graph) {
            graph->SetSettings(settings.card);
            graph->SetFieldType(settings.fieldType);
        }
        return graph;
    }
    case kOutputDecklink: {
        CDecklinkComposeGraph* graph = new (std::nothrow) CDecklinkComposeGraph();
        if (graph)
            graph->SetSettings(settings.decklink);
        return graph;
    }
    default:
        return nullptr;
    }
}

IAudioPreviewGraph* CProgramGraphFactory::CreateAudioPreviewGraph(const char* deviceName)
{
    return new (std::nothrow) CAudioPreviewGraph(deviceName ? deviceName : "");
}
