#include "app/engine/Director.h"

#include "app/core/GrabHost.h"
#include "app/core/ProgramFormats.h"
#include "app/engine/AudioMixer.h"
#include "app/engine/Channel.h"
#include "app/engine/VideoMixer.h"

#include <uuids.h>

#include <algorithm>
#include <new>

namespace {

VolumeConsoleFactory g_volumeConsoleFactory = nullptr;

} // namespace

CDirector::CDirector() : m_channels(kChannelCount, nullptr)
{
    const WAVEFORMATEX format = ProgramAudioFormat();
    ResetAudioType(format, format.nAvgBytesPerSec);
}

CDirector::~CDirector()
{
    Shutdown();
}

void CDirector::ResetAudioType(const WAVEFORMATEX& format, ULONG sampleSize)
{
    m_audioFormat = format;
    m_audioFormat.cbSize = 0;
    m_audioType = ProgramAudioType(m_audioFormat, sampleSize);
}

void CDirector::SetAudioFormat(const WAVEFORMATEX* format)
{
    if (!format)
        return;
    ResetAudioType(*format, format->nAvgBytesPerSec * 40 / 1000);
}

// --- life cycle ---------------------------------------------------------------

HRESULT CDirector::Init(HWND renderWindow, HWND notifyWindow, int width, int height, float frameRate,
                        double pixelAspect, int fieldType)
{
    if (!notifyWindow)
        return E_INVALIDARG;
    if (m_initialized)
        return E_UNEXPECTED;
    m_renderWindow = renderWindow;
    m_notifyWindow = notifyWindow;
    m_width = width;
    m_height = height;
    m_fieldType = fieldType;
    if (m_channels.empty())
        m_channels.assign(kChannelCount, nullptr);

    VideoMixerParams params;
    params.renderWindow = renderWindow;
    params.inputCount = kChannelCount;
    params.engineKind = 0;
    params.width = width;
    params.height = height;
    params.frameRate = frameRate;
    params.pixelAspect = pixelAspect;
    params.fieldType = fieldType;
    m_videoMixer = new (std::nothrow) CVideoMixer(params);
    if (!m_videoMixer)
        return E_OUTOFMEMORY;
    HRESULT hr = m_videoMixer->Start();
    m_program = 0;
    m_preview = 0;
    if (FAILED(hr)) {
        Shutdown();
        return hr;
    }

    IDirect3DDevice9* device = m_videoMixer->GetDevice();
    if (!device || FAILED(m_programScene.SetTarget(device, width, height, nullptr))) {
        Shutdown();
        return E_FAIL;
    }
    m_videoMixer->AddRenderListener(&m_programScene);
    m_previewScene.SetTarget(device, width, height, nullptr);

    m_audioMixer = new (std::nothrow) CAudioMixer(kChannelCount);
    if (!m_audioMixer) {
        Shutdown();
        return E_FAIL;
    }
    if (m_audioTimerSet)
        m_audioMixer->SetTimerApi(m_audioTimer);
    m_audioMixer->SetFormat(&m_audioFormat);
    m_audioMixer->SetPeriod(40);
    m_audioMixer->AddListener(kMixedAudioId, this);
    if (!m_audioMixer->Start()) {
        Shutdown();
        return E_FAIL;
    }

    // Without the thread no output can start (StartOutput tries again and fails), but the
    // switcher itself still works.
    StartFrameThread();
    m_initialized = true;
    return hr;
}

HRESULT CDirector::Shutdown()
{
    if (m_outputs.IsStarting())
        return VFW_E_WRONG_STATE;
    if (m_outputs.AnyRunning())
        StopOutput(kOutputAll);
    if (m_volumeConsole) {
        // Its window goes before the mixer its controls drive.
        m_volumeConsole->Close();
        delete m_volumeConsole;
        m_volumeConsole = nullptr;
    }
    StopFrameThread();
    if (m_audioPreview && FAILED(StopAudioPreview())) {
        delete m_audioPreview;
        m_audioPreview = nullptr;
    }
    DeleteChannels();
    if (m_videoMixer) {
        m_videoMixer->RemoveRenderListener(&m_programScene);
        m_videoMixer->RemoveRenderListener(&m_previewScene);
    }
    m_programScene.Uninit();
    m_previewScene.Uninit();
    if (m_videoMixer) {
        m_videoMixer->SetListener(nullptr);
        m_videoMixer->Stop();
        // Renderers that were attached may still hold references; the last one frees it.
        m_videoMixer->Release();
        m_videoMixer = nullptr;
    }
    if (m_audioMixer) {
        m_audioMixer->Stop();
        delete m_audioMixer;
        m_audioMixer = nullptr;
    }
    m_program = 0;
    m_preview = 0;
    m_renderWindow = nullptr;
    m_notifyWindow = nullptr;
    m_initialized = false;
    return S_OK;
}

void CDirector::SetVolumeConsoleFactory(VolumeConsoleFactory factory)
{
    g_volumeConsoleFactory = factory;
}

void CDirector::ShowVolumeDialog()
{
    if (!m_audioMixer)
        return;
    if (!m_volumeConsole) {
        if (!g_volumeConsoleFactory)
            return;
        m_volumeConsole = g_volumeConsoleFactory();
        if (!m_volumeConsole)
            return;
        m_volumeConsole->SetAudioMixer(m_audioMixer);
    }
    m_volumeConsole->Present(m_notifyWindow);
}

// --- channels -----------------------------------------------------------------

CChannel* CDirector::GetChannel(int number) const
{
    return ValidNumber(number) ? m_channels[number - 1] : nullptr;
}

IChannelGraph* CDirector::GraphOf(int number) const
{
    CChannel* channel = GetChannel(number);
    return channel ? channel->GetGraph() : nullptr;
}

HRESULT CDirector::OpenChannel(CChannel* channel, const SourceDescriptor& audio, const SourceDescriptor& video)
{
    channel->CloseGraph();
    if (!m_channelFactory)
        return E_UNEXPECTED;
    const int number = channel->GetNumber();
    IChannelGraph* graph = m_channelFactory->CreateChannelGraph(m_videoMixer, number - 1);
    if (!graph)
        return E_OUTOFMEMORY;
    HRESULT hr = graph->Create();
    if (FAILED(hr)) {
        delete graph;
        return hr;
    }
    graph->SetAcceptedAudioType(&m_audioType);
    graph->SetAudioSource(audio);
    graph->SetVideoSource(video);
    graph->SetWindow(channel->GetOwnerWindow());
    graph->SetNotifyWindow(channel->GetNotifyWindow(), WM_CHANNEL_GRAPH_EVENT, number);
    hr = graph->Build();
    if (FAILED(hr)) {
        graph->Destroy();
        delete graph;
        return hr;
    }
    graph->SetVideoPosition(0, 0, 164, 120);
    if (CGrabHost* renderer = graph->GetAudioRenderer())
        renderer->AddListener(number, this);
    channel->m_graph = graph;
    channel->m_captureDevice = audio.IsCaptureDevice() || video.IsCaptureDevice();
    channel->m_audio = audio;
    channel->m_video = video;
    return hr;
}

HRESULT CDirector::LoadChannel(CWnd* owner, HWND notifyWindow, int number, CChannel** out,
                               const SourceDescriptor& audio, const SourceDescriptor& video)
{
    if (!out || !ValidNumber(number))
        return E_INVALIDARG;
    if (m_channels[number - 1])
        return E_UNEXPECTED;
    CChannel* channel = new (std::nothrow) CChannel(owner, notifyWindow, number, this);
    if (!channel)
        return E_OUTOFMEMORY;
    HRESULT hr = OpenChannel(channel, audio, video);
    if (FAILED(hr)) {
        delete channel;
        return hr;
    }
    m_channels[number - 1] = channel;
    *out = channel;
    if (m_program == 0)
        SetProgram(number);
    else if (m_preview == 0)
        SetPreview(number);
    return hr;
}

HRESULT CDirector::ReloadChannel(CChannel* channel, const SourceDescriptor& audio, const SourceDescriptor& video)
{
    if (!channel)
        return E_FAIL;
    HRESULT hr = OpenChannel(channel, audio, video);
    if (SUCCEEDED(hr))
        return hr;
    // The caller deletes the channel object; its slot is free from now on.
    const int number = channel->GetNumber();
    if (ValidNumber(number) && m_channels[number - 1] == channel)
        m_channels[number - 1] = nullptr;
    if (m_program == number) {
        m_program = 0;
        for (int n = 1; n <= static_cast<int>(m_channels.size()); ++n)
            if (m_channels[n - 1])
                SetProgram(n);
    }
    if (m_preview == number)
        m_preview = 0;
    return hr;
}

void CDirector::ForgetChannel(CChannel* channel)
{
    for (size_t i = 0; i < m_channels.size(); ++i) {
        if (m_channels[i] != channel)
            continue;
        m_channels[i] = nullptr;
        const int number = static_cast<int>(i) + 1;
        if (m_program == number)
            m_program = 0;
        if (m_preview == number)
            m_preview = 0;
    }
}

void CDirector::DeleteChannels()
{
    for (size_t i = 0; i < m_channels.size(); ++i) {
        CChannel* channel = m_channels[i];
        if (!channel)
            continue;
        m_channels[i] = nullptr;
        channel->m_director = nullptr;
        delete channel;
    }
    m_channels.clear();
}

// --- switching ----------------------------------------------------------------

HRESULT CDirector::SetProgram(int number)
{
    // A number out of range is the caller's error, not a quiet success.
    if (!ValidNumber(number))
        return E_INVALIDARG;
    IChannelGraph* graph = GraphOf(number);
    if (!graph || !m_videoMixer)
        return E_UNEXPECTED;
    HRESULT hr = m_videoMixer->CutTo(graph->GetMixerInput());
    if (SUCCEEDED(hr))
        m_program = number;
    return hr;
}

HRESULT CDirector::SetPreview(int number)
{
    if (!ValidNumber(number))
        return E_INVALIDARG;
    if (m_preview == number)
        return S_FALSE;
    m_preview = number;
    return S_OK;
}

HRESULT CDirector::StartTransition(int effectId, int timed, int durationMs)
{
    if (!ValidNumber(m_program) || !ValidNumber(m_preview))
        return E_UNEXPECTED;
    if (m_program == m_preview)
        return S_FALSE;
    IChannelGraph* program = GraphOf(m_program);
    IChannelGraph* preview = GraphOf(m_preview);
    if (!program || !preview || !m_videoMixer)
        return E_UNEXPECTED;
    std::vector<int> inputs;
    inputs.push_back(program->GetMixerInput());
    inputs.push_back(preview->GetMixerInput());
    HRESULT hr = m_videoMixer->BeginTransition(effectId, inputs, timed, durationMs);
    if (FAILED(hr))
        return hr;
    if (m_priRecord)
        preview->TransportRecord();
    return hr;
}

HRESULT CDirector::SetTransitionPosition(int position)
{
    if (!m_videoMixer)
        return E_UNEXPECTED;
    return m_videoMixer->SetTransitionPosition(position);
}

HRESULT CDirector::EndTransition(bool swap)
{
    if (m_program == m_preview)
        return S_FALSE;
    if (!m_videoMixer)
        return E_UNEXPECTED;
    IChannelGraph* outgoing = GraphOf(m_program);
    // The mixer decides whether the pictures change places; the numbers follow it.
    bool swapped = false;
    HRESULT hr = m_videoMixer->EndTransition(swap, &swapped);
    if (swapped)
        std::swap(m_program, m_preview);
    if (m_priRecord && outgoing)
        outgoing->TransportRecordFreeze();
    return hr;
}

// --- caption preview ----------------------------------------------------------

bool CDirector::ShowCaptionPreview(HWND window)
{
    if (!window || !m_videoMixer)
        return false;
    m_previewScene.SetTarget(m_videoMixer->GetDevice(), m_width, m_height, window);
    m_videoMixer->RemoveRenderListener(&m_previewScene);
    m_videoMixer->AddRenderListener(&m_previewScene);
    return true;
}

void CDirector::HideCaptionPreview()
{
    if (m_videoMixer)
        m_videoMixer->RemoveRenderListener(&m_previewScene);
}

// --- audio ----------------------------------------------------------------------

void CDirector::OnSample(int id, IMediaSample* sample, int timeLow, int timeHigh)
{
    if (id == kMixedAudioId) {
        CAutoLock lock(&m_audioLock);
        for (IGrabListener* listener : m_audioListeners) {
            try {
                listener->OnSample(kMixedAudioId, sample, timeLow, timeHigh);
            } catch (...) {
                // One failing output must not silence the others.
            }
        }
        return;
    }
    CAudioMixer* mixer = m_audioMixer;
    if (!mixer || id < 1 || id > kChannelCount)
        return;
    if (mixer->GetAutoSwitch()) {
        const int program = m_program;
        mixer->SetSel(program - 1, true);
        if (id == program)
            mixer->PushSample(id - 1, sample);
    } else {
        mixer->PushSample(id - 1, sample);
    }
}

void CDirector::OnFlush(int id)
{
    if (id != kMixedAudioId && m_audioMixer)
        m_audioMixer->FlushInput(id - 1);
}

void CDirector::AddAudioListener(IGrabListener* listener)
{
    if (!listener)
        return;
    CAutoLock lock(&m_audioLock);
    m_audioListeners.push_back(listener);
}

void CDirector::RemoveAudioListener(IGrabListener* listener)
{
    CAutoLock lock(&m_audioLock);
    m_audioListeners.remove(listener);
}

HRESULT CDirector::StartAudioPreview(const char* deviceName)
{
    if (m_audioPreview)
        StopAudioPreview();
    IAudioPreviewGraph* graph = m_outputFactory ? m_outputFactory->CreateAudioPreviewGraph(deviceName) : nullptr;
    if (!graph)
        return E_FAIL;
    HRESULT hr = graph->Create();
    if (FAILED(hr)) {
        delete graph;
        return hr;
    }
    IGrabListener* pin = graph->GetPinListener();
    if (!pin) {
        graph->Destroy();
        delete graph;
        return E_UNEXPECTED;
    }
    graph->SetPinMediaType(&m_audioType);
    hr = graph->Build();
    if (FAILED(hr)) {
        // Nothing is kept of a preview that does not build.
        graph->Destroy();
        delete graph;
        return hr;
    }
    graph->Run();
    AddAudioListener(pin);
    m_audioPreview = graph;
    return hr;
}

HRESULT CDirector::StopAudioPreview()
{
    if (!m_audioPreview)
        return E_UNEXPECTED;
    RemoveAudioListener(m_audioPreview->GetPinListener());
    m_audioPreview->Stop();
    HRESULT hr = m_audioPreview->Destroy();
    if (SUCCEEDED(hr)) {
        delete m_audioPreview;
        m_audioPreview = nullptr;
    }
    return hr;
}
