// The director's outputs: starting and stopping the output graphs by type, and the frame
// thread that reads every mixed program frame back for their video pins.
#include "app/engine/Director.h"

#include "app/engine/VideoMixer.h"

// --- output graphs --------------------------------------------------------------

HRESULT CDirector::StartOutput(int type)
{
    if (!m_outputs.BeginStart(type))
        return E_UNEXPECTED;
    const HRESULT hr = StartOutputGraph(type);
    m_outputs.EndStart(type);
    return hr;
}

HRESULT CDirector::StartOutputGraph(int type)
{
    if (!m_initialized || m_channels.empty() || !m_videoMixer)
        return E_UNEXPECTED;
    if (m_outputs.Has(type))
        return E_UNEXPECTED;
    // Frames reach an output only through the frame thread: an output without it would
    // run and receive nothing while reporting success.
    if (!m_frames.IsRunning()) {
        HRESULT hr = StartFrameThread();
        if (FAILED(hr))
            return hr;
    }
    if (!m_outputFactory)
        return E_UNEXPECTED;

    OutputGraphSettings settings;
    switch (type) {
    case kOutputIeee1394:
        settings.dv = m_dv;
        break;
    case kOutputVirtualDevice:
        settings.listenPort = m_listenPort;
        break;
    case kOutputCard:
        settings.card.Clear();
        settings.card.Ntsc = m_height == 480 ? 1 : 0;
        settings.fieldType = m_fieldType;
        break;
    case kOutputDecklink:
        settings.decklink = m_decklink;
        break;
    default:
        break;
    }
    IOutputGraph* graph = m_outputFactory->CreateOutputGraph(type, settings);
    if (!graph)
        return E_INVALIDARG;

    HRESULT hr = graph->Create();
    if (FAILED(hr)) {
        DestroyOutputGraph(graph);
        return hr;
    }
    IComposeSource* source = graph->GetComposeSource();
    if (!source) {
        DestroyOutputGraph(graph);
        return E_FAIL;
    }
    CMediaType video;
    hr = m_videoMixer->GetOutputMediaType(&video);
    if (SUCCEEDED(hr))
        hr = source->SetPinMediaType(0, &video);
    if (SUCCEEDED(hr))
        hr = source->SetPinMediaType(1, &m_audioType);
    if (FAILED(hr)) {
        DestroyOutputGraph(graph);
        return hr;
    }
    if (type == kOutputWindowsMedia)
        graph->SetEncodeSettings(m_encode);
    else if (type == kOutputAvi)
        graph->SetAviSettings(m_avi);

    hr = graph->Build();
    if (SUCCEEDED(hr))
        hr = graph->Run();
    if (FAILED(hr)) {
        graph->Stop();
        DestroyOutputGraph(graph);
        return hr;
    }
    OAFilterState state = 0;
    graph->GetState(100, &state);

    AddVideoListener(source->GetVideoListener());
    AddAudioListener(source->GetAudioListener());
    source->ActivatePins();
    m_outputs.Add(type, graph);
    if (type == kOutputIeee1394)
        graph->SetNotifyWindow(m_notifyWindow, WM_DV_OUTPUT_EVENT, reinterpret_cast<LPARAM>(graph));
    return hr;
}

IOutputGraph* CDirector::GetOutputGraph(int type)
{
    return m_outputs.Get(type);
}

void CDirector::DestroyOutputGraph(IOutputGraph* graph)
{
    graph->Destroy();
    delete graph;
}

HRESULT CDirector::StopOutput(int type)
{
    if (type == kOutputAll) {
        // Each type is stopped with the map lock released in between, so the output-map
        // lock is never held while a listener lock is taken.
        int first;
        while (m_outputs.First(&first))
            StopOutput(first);
        return S_OK;
    }
    IOutputGraph* graph = m_outputs.Get(type);
    if (!graph)
        return E_UNEXPECTED;
    // The pins leave both lists before the graph stops, so none is called while it goes.
    if (IComposeSource* source = graph->GetComposeSource()) {
        RemoveVideoListener(source->GetVideoListener());
        RemoveAudioListener(source->GetAudioListener());
    }
    graph->Stop();
    HRESULT hr = graph->Destroy();
    m_outputs.Remove(type);
    delete graph;
    return hr;
}

int CDirector::IsOutputRunning(int type)
{
    return m_outputs.Has(type) ? 1 : 0;
}

// --- video listeners ------------------------------------------------------------

void CDirector::AddVideoListener(IVideoListener* listener)
{
    if (!listener)
        return;
    m_frames.AddListener(listener);
    // The engine queues and reads back frames only while somebody listens.
    if (m_videoMixer)
        m_videoMixer->SetListener(this);
}

void CDirector::RemoveVideoListener(IVideoListener* listener)
{
    const bool empty = m_frames.RemoveListener(listener);
    if (empty && m_videoMixer)
        m_videoMixer->SetListener(nullptr);
}

// --- frame distribution thread ---------------------------------------------------

void CDirector::OnFrameReady(LONGLONG, LONGLONG)
{
    m_frames.Wake();
}

HRESULT CDirector::StartFrameThread()
{
    return m_frames.Start(static_cast<long>(m_width) * m_height * 4);
}

void CDirector::StopFrameThread()
{
    m_frames.Stop();
    // Nobody reads frames any more: the engine stops queuing them.
    if (m_videoMixer)
        m_videoMixer->SetListener(nullptr);
}

IProgramFrameSource* CDirector::FrameSource() const
{
    return m_videoMixer ? m_videoMixer->GetProgramFrames() : nullptr;
}
