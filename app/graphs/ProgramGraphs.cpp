// The window classes first: the DirectShow headers bring windowsx.h macros they would clash with.
#include <afxwin.h>

#include "app/graphs/ProgramGraphs.h"

#include "app/engine/Director.h"
#include "app/graphs/AudioNullRender.h"

#include <new>

CChannelGraph::CChannelGraph(CVideoMixer* mixer, int channelIndex)
    : m_graph(mixer, channelIndex), m_channelIndex(channelIndex)
{
}

void CChannelGraph::SetAcceptedAudioType(const AM_MEDIA_TYPE* type)
{
    CMediaType accepted;
    if (type)
        accepted = *type;
    m_graph.SetAcceptedAudioType(accepted);
}

void CChannelGraph::SetOwner(void* owner)
{
    // The director hands the channel's owner window through as it was given.
    CWnd* window = static_cast<CWnd*>(owner);
    m_graph.SetWindow(window->GetSafeHwnd());
}

void CChannelGraph::SetNotifyWindow(HWND window, UINT message, LPARAM channel)
{
    m_graph.Graph().SetNotifyWindow(window, static_cast<long>(message), channel);
}

HRESULT CChannelGraph::SetVideoPosition(int left, int top, int width, int height)
{
    return m_graph.Graph().SetVideoPosition(left, top, width, height);
}

CGrabHost* CChannelGraph::GetAudioRenderer()
{
    return m_graph.GetNullRender();
}

IChannelGraph* CProgramGraphFactory::CreateChannelGraph(CDirector* director, int channelIndex)
{
    if (!director || !director->GetVideoMixer())
        return nullptr;
    return new (std::nothrow) CChannelGraph(director->GetVideoMixer(), channelIndex);
}

IOutputGraph* CProgramGraphFactory::CreateOutputGraph(int type, const OutputGraphSettings& settings)
{
    (void)type;
    (void)settings;
    return nullptr;
}

IAudioPreviewGraph* CProgramGraphFactory::CreateAudioPreviewGraph(const char* deviceName)
{
    (void)deviceName;
    return nullptr;
}
