#include "app/graphs/input/ElemGraph.h"

#include "app/foundation/DShowHelpers.h"
#include "app/foundation/LogWriter.h"
#include "app/graphs/input/AudioNullRender.h"
#include "app/graphs/input/SourceLocation.h"
#include "app/settings/InputConfigDialog.h"

#include <edevdefs.h>

#include <afx.h>

#include <mmreg.h>
#include <vmr9.h>

#include <string>

namespace {

// {4EB31670-9FC6-11CF-AF6E-00AA00B67A42}, {B1B77C00-C3E4-11CF-AF79-00AA00B67A42}
const CLSID kDvSplitter = {0x4EB31670, 0x9FC6, 0x11CF, {0xAF, 0x6E, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}};
const CLSID kDvVideoCodec = {0xB1B77C00, 0xC3E4, 0x11CF, {0xAF, 0x79, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}};
// {187463A0-5BB7-11D3-ACBE-0080C75E246E}
const CLSID kWMAsfReader = {0x187463A0, 0x5BB7, 0x11D3, {0xAC, 0xBE, 0x00, 0x80, 0xC7, 0x5E, 0x24, 0x6E}};

const DWORD kNamed = 0x1;
const DWORD kDevice = 0x2;

InputConfigDialogFn g_inputConfigDialog = &ShowInputConfigDialog;

std::wstring Name(const SourceDescriptor& d)
{
    return std::wstring(static_cast<LPCWSTR>(d.name));
}

std::wstring Path(const SourceDescriptor& d)
{
    return std::wstring(static_cast<LPCWSTR>(d.path));
}

bool Contains(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

bool SameObject(IUnknown* a, IUnknown* b)
{
    if (!a || !b)
        return false;
    CComPtr<IUnknown> ua, ub;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ua));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ub));
    return ua.Get() && ua.Get() == ub.Get();
}

// Binds the device of a category named by a descriptor: by its DevicePath when it has one,
// else (and when the path is not found) by the display name shown in the device lists, so
// a device without a DevicePath, common for audio capture, can be found again.
HRESULT BindDevice(const CLSID& category, const SourceDescriptor& d, IBaseFilter** filter)
{
    CComPtr<IMoniker> moniker;
    HRESULT hr = E_FAIL;
    const std::wstring path = Path(d), name = Name(d);
    if (!path.empty())
        hr = FindDeviceMoniker(category, path.c_str(), &moniker);
    if (FAILED(hr) && !name.empty() && name != path)
        hr = FindDeviceMoniker(category, name.c_str(), &moniker);
    if (FAILED(hr))
        return hr;
    return moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
}

bool HasUnconnectedPin(IBaseFilter* filter)
{
    return filter && !AreAllPinsConnected(filter);
}

} // namespace

void CElemGraph::SetInputConfigDialog(InputConfigDialogFn dialog)
{
    g_inputConfigDialog = dialog ? dialog : &ShowInputConfigDialog;
}

CElemGraph::CElemGraph(IVideoMixerInput* mixer, int channelIndex) : mixer_(mixer), channelIndex_(channelIndex)
{
    if (mixer_) {
        target_.width = mixer_->GetOutputWidth();
        target_.height = mixer_->GetOutputHeight();
        target_.frameInterval = FrameIntervalForRate(mixer_->GetFrameRate());
    }
}

CElemGraph::~CElemGraph()
{
    if (nullRender_ || videoRenderer_ || builder_)
        Destroy();
}

void CElemGraph::SetAcceptedAudioType(const AM_MEDIA_TYPE* type)
{
    acceptedAudio_ = CMediaType();
    if (type)
        acceptedAudio_ = *type;
}

void CElemGraph::SetNotifyWindow(HWND window, UINT message, LPARAM channel)
{
    m_graph.SetNotifyWindow(window, static_cast<long>(message), channel);
}

HRESULT CElemGraph::SetVideoPosition(int left, int top, int width, int height)
{
    return m_graph.SetVideoPosition(left, top, width, height);
}

CGrabHost* CElemGraph::GetAudioRenderer()
{
    return nullRender_;
}

CElemGraph::Chain CElemGraph::ChooseChain(const SourceDescriptor& audio, const SourceDescriptor& video)
{
    const bool audioDevice = (audio.flags & kDevice) != 0, videoDevice = (video.flags & kDevice) != 0;
    const std::wstring a = Name(audio), v = Name(video);
    if (audioDevice && videoDevice && a == v && Contains(v, L"Microsoft DV Camera and VCR"))
        return Chain::DvCamcorder;
    if (a == v && Contains(v, L"mms:"))
        return Chain::NetworkStream;
    return Chain::Separate;
}

HRESULT CElemGraph::Create()
{
    HRESULT hr = CBaseGraph::Create();
    if (FAILED(hr))
        return hr;
    if (nullRender_)
        return S_OK;
    hr = S_OK;
    CAudioNullRender* render = new (std::nothrow) CAudioNullRender(nullptr, &hr);
    if (!render)
        return E_OUTOFMEMORY;
    render->NonDelegatingAddRef();
    if (FAILED(hr)) {
        render->NonDelegatingRelease();
        return hr;
    }
    nullRender_ = render;
    return S_OK;
}

// --- Build --------------------------------------------------------------------------

HRESULT CElemGraph::Build()
{
    IGraphBuilder* graph = m_graph.GetGraph();
    if (!graph)
        return E_UNEXPECTED;
    HRESULT hr = S_OK;
    if (!builder_) {
        hr = m_graph.CreateCaptureGraphBuilder(&builder_);
        if (FAILED(hr))
            return hr;
    }
    if (!audioFilter_ || !videoFilter_) {
        audioFilter_.Release();
        videoFilter_.Release();
        hr = AddSourceFilters(&audioFilter_, &videoFilter_);
        if (FAILED(hr))
            return hr;
    }
    ConfigureCaptureFormats();

    const bool audioDevice = (audioSource_.flags & kDevice) != 0;
    const bool videoDevice = (videoSource_.flags & kDevice) != 0;
    if (nullRender_)
        nullRender_->SetLive(audioDevice ? 1 : 0);
    audioResult_ = S_OK;

    if (audioFilter_ && nullRender_) {
        hr = m_graph.AddFilter(nullRender_, L"Audio Null Render");
        if (FAILED(hr))
            return hr;
        // Rebuilds use the same renderer: one entry for the program format is enough.
        nullRender_->ClearAcceptedTypes();
        nullRender_->AddAcceptedType(acceptedAudio_);
    }
    if (videoFilter_) {
        hr = AddVideoRenderer();
        if (FAILED(hr))
            return hr;
    }

    switch (ChooseChain(audioSource_, videoSource_)) {
    case Chain::DvCamcorder:
        hr = BuildDvCamcorder();
        break;
    case Chain::NetworkStream:
        hr = BuildNetworkStream();
        break;
    case Chain::Separate:
        hr = S_OK;
        if (videoFilter_) {
            hr = videoDevice ? RenderVideoCapture() : RenderVideoFile();
            if (FAILED(hr))
                return hr;
        }
        if (audioFilter_) {
            const HRESULT audio = audioDevice ? RenderAudioCapture() : RenderAudioFile();
            hr = FAILED(audio) && videoFilter_ ? LeaveAudioOut(audio) : audio;
        }
        break;
    }
    if (FAILED(hr))
        return hr;
    const HRESULT format = HandFormatToMixer();
    if (FAILED(format))
        return format;
    return hr;
}

HRESULT CElemGraph::LeaveAudioOut(HRESULT why)
{
    audioResult_ = why;
    if (nullRender_) {
        RemoveDownstreamFilters(m_graph.GetGraph(), audioFilter_ != videoFilter_ ? audioFilter_.Get() : nullptr);
        m_graph.RemoveFilter(nullRender_);
    }
    // The program format is the one the operator chose on the output format page.
    const WAVEFORMATEX* program = *acceptedAudio_.FormatType() == FORMAT_WaveFormatEx && acceptedAudio_.Format()
                                      ? reinterpret_cast<const WAVEFORMATEX*>(acceptedAudio_.Format())
                                      : nullptr;
    AppLog() << LogTime << LogThread << " channel " << (channelIndex_ + 1) << ": the audio is not in the program format ("
             << (program ? program->nSamplesPerSec : 0) << " Hz " << (program ? program->wBitsPerSample : 0) << "-bit "
             << (program ? program->nChannels : 0) << "-channel PCM) and was left out, error 0x" << std::hex
             << static_cast<unsigned long>(why) << std::dec << std::endl;
    return S_ELEMGRAPH_AUDIO_LEFT_OUT;
}

HRESULT CElemGraph::HandFormatToMixer()
{
    if (!videoRenderer_ || !mixer_)
        return S_OK;
    IPin* in = GetConnectedPin(videoRenderer_, TRUE);
    if (!in)
        return S_OK;
    CMediaType mt;
    HRESULT hr = in->ConnectionMediaType(&mt);
    if (FAILED(hr))
        return hr;
    return mixer_->SetChannelFormat(channelIndex_, &mt, options_.deinterlace, options_.fieldOrder, options_.aspect,
                                    options_.keepAspect);
}

HRESULT CElemGraph::AddSourceFilters(IBaseFilter** audio, IBaseFilter** video)
{
    if (!audio || !video)
        return E_INVALIDARG;
    *audio = *video = nullptr;
    CComPtr<IBaseFilter> a, v;
    HRESULT hr = S_OK;
    const std::wstring audioName = Name(audioSource_), videoName = Name(videoSource_);

    if ((audioSource_.flags & kDevice) && audioSource_.filter) {
        hr = m_graph.AddFilter(audioSource_.filter, audioName.c_str());
        if (FAILED(hr))
            return hr;
        a = audioSource_.filter;
    } else if ((audioSource_.flags & kNamed) && !audioName.empty()) {
        hr = AddFileSource(audioName.c_str(), &a);
        if (FAILED(hr))
            return hr;
    }

    if ((videoSource_.flags & kDevice) && videoSource_.filter) {
        if (!SameObject(videoSource_.filter, a)) {
            hr = m_graph.AddFilter(videoSource_.filter, videoName.c_str());
            if (FAILED(hr))
                return hr;
        }
        v = videoSource_.filter;
    } else if ((videoSource_.flags & kNamed) && !videoName.empty()) {
        if (videoName == audioName && a) {
            v = a;
        } else {
            hr = AddFileSource(videoName.c_str(), &v);
            if (FAILED(hr))
                return hr;
        }
    }
    *audio = a.Detach();
    *video = v.Detach();
    return S_OK;
}

HRESULT CElemGraph::AddFileSource(const wchar_t* location, IBaseFilter** filter)
{
    if (!location || !filter)
        return E_POINTER;
    IGraphBuilder* graph = m_graph.GetGraph();
    HRESULT hr;
    switch (ClassifySourceLocation(location)) {
    case SourceLocationKind::WindowsMediaReader:
    case SourceLocationKind::NetworkSource: {
        const bool reader = ClassifySourceLocation(location) == SourceLocationKind::WindowsMediaReader;
        CComPtr<IBaseFilter> f;
        hr = AddFilterByCLSID(graph, reader ? kWMAsfReader : CLSID_NetShowSource,
                              reader ? L"WMAsfReader" : L"NetShowSource", &f);
        if (FAILED(hr))
            return hr;
        CComQIPtr<IFileSourceFilter> source(f.Get());
        if (!source)
            return E_NOINTERFACE;
        hr = source->Load(location, nullptr);
        if (FAILED(hr))
            return hr;
        *filter = f.Detach();
        return S_OK;
    }
    case SourceLocationKind::PlainFile:
    default:
        return graph->AddSourceFilter(location, location, filter);
    }
}

HRESULT CElemGraph::ConfigureCaptureFormats()
{
    if (!builder_)
        return E_POINTER;
    HRESULT result = S_OK;
    if (audioFilter_) {
        CComPtr<IAMStreamConfig> config;
        if (SUCCEEDED(builder_->FindInterface(nullptr, &MEDIATYPE_Audio, audioFilter_, IID_IAMStreamConfig,
                                              reinterpret_cast<void**>(&config))) &&
            config) {
            result = config->SetFormat(&acceptedAudio_);
            CAutoMediaTypePtr current;
            if (SUCCEEDED(config->GetFormat(&current)) && current.Get()) {
                if (current->majortype == MEDIATYPE_Audio && current->subtype == MEDIASUBTYPE_PCM &&
                    current->formattype == FORMAT_WaveFormatEx && current->pbFormat &&
                    current->cbFormat >= sizeof(WAVEFORMATEX)) {
                    const WAVEFORMATEX* wf = reinterpret_cast<const WAVEFORMATEX*>(current->pbFormat);
                    CComQIPtr<IAMBufferNegotiation> negotiation(config.Get());
                    if (negotiation) {
                        ALLOCATOR_PROPERTIES props;
                        props.cBuffers = -1;
                        props.cbBuffer = static_cast<long>(wf->nAvgBytesPerSec * 40 / 1000);
                        props.cbAlign = -1;
                        props.cbPrefix = -1;
                        negotiation->SuggestAllocatorProperties(&props);
                    }
                }
            }
        }
    }
    if (videoFilter_ && options_.imageFormat == 0) {
        CComPtr<IAMStreamConfig> config;
        if (SUCCEEDED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoFilter_,
                                              IID_IAMStreamConfig, reinterpret_cast<void**>(&config))) &&
            config)
            result = NegotiateVideoCaptureFormat(config, target_);
    }
    return result;
}

HRESULT CElemGraph::AddVideoRenderer()
{
    ReleaseVideoRenderer();
    if (!mixer_)
        return E_UNEXPECTED;
    CComPtr<IBaseFilter> vmr;
    if (FAILED(vmr.CoCreateInstance(CLSID_VideoMixingRenderer9)))
        return E_FAIL;
    HRESULT hr = m_graph.AddFilter(vmr, L"Video Mixing Renderer9");
    if (FAILED(hr))
        return hr;
    CComQIPtr<IVMRFilterConfig9> config(vmr.Get());
    if (!config)
        return E_FAIL;
    hr = config->SetRenderingMode(VMR9Mode_Renderless);
    if (FAILED(hr))
        return hr;
    videoRenderer_ = vmr;
    hr = mixer_->AttachChannel(vmr, &channelIndex_, window_);
    if (FAILED(hr))
        videoRenderer_.Release();
    return hr;
}

void CElemGraph::ReleaseVideoRenderer()
{
    if (!videoRenderer_)
        return;
    if (mixer_ && mixer_->IsChannelAttached(channelIndex_))
        mixer_->DetachChannel(channelIndex_);
    videoRenderer_.Release();
}

HRESULT CElemGraph::RenderVideoFile()
{
    if (!builder_ || !videoFilter_ || !videoRenderer_)
        return E_POINTER;
    const CLSID* splitter = SplitterForFile(Name(videoSource_).c_str());
    if (splitter)
        AddFilterByCLSID(m_graph.GetGraph(), *splitter, L"Splitter", nullptr);
    HRESULT hr = builder_->RenderStream(nullptr, nullptr, videoFilter_, nullptr, videoRenderer_);
    if (SUCCEEDED(hr))
        return hr;
    hr = builder_->RenderStream(nullptr, &MEDIATYPE_Video, videoFilter_, nullptr, videoRenderer_);
    if (SUCCEEDED(hr) && HasUnconnectedPin(videoRenderer_))
        return E_FAIL;
    return hr;
}

HRESULT CElemGraph::RenderAudioFile()
{
    if (!builder_ || !audioFilter_ || !nullRender_)
        return E_POINTER;
    HRESULT hr = builder_->RenderStream(nullptr, nullptr, audioFilter_, nullptr, nullRender_);
    if (SUCCEEDED(hr))
        return hr;
    hr = builder_->RenderStream(nullptr, &MEDIATYPE_Audio, audioFilter_, nullptr, nullRender_);
    if (SUCCEEDED(hr) && HasUnconnectedPin(nullRender_))
        return E_FAIL;
    return hr;
}

HRESULT CElemGraph::RenderVideoCapture()
{
    if (!builder_ || !videoFilter_ || !videoRenderer_)
        return E_POINTER;
    HRESULT hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoFilter_, nullptr, videoRenderer_);
    if (FAILED(hr))
        hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, videoFilter_, nullptr,
                                    videoRenderer_);
    return hr;
}

HRESULT CElemGraph::RenderAudioCapture()
{
    if (!builder_ || !audioFilter_ || !nullRender_)
        return E_POINTER;
    HRESULT hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioFilter_, nullptr, nullRender_);
    if (FAILED(hr))
        hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, audioFilter_, nullptr,
                                    nullRender_);
    return hr;
}

HRESULT CElemGraph::BuildDvCamcorder()
{
    if (!videoRenderer_ || !audioFilter_ || !videoFilter_ || !builder_ || !nullRender_)
        return E_POINTER;
    IGraphBuilder* graph = m_graph.GetGraph();
    CComPtr<IBaseFilter> splitter;
    HRESULT hr = AddFilterByCLSID(graph, kDvSplitter, L"DVSplitter", &splitter);
    if (FAILED(hr))
        return hr;
    AddFilterByCLSID(graph, kDvVideoCodec, L"DVVideoDec", nullptr);
    hr = builder_->RenderStream(nullptr, &MEDIATYPE_Interleaved, videoFilter_, nullptr, splitter);
    if (FAILED(hr))
        return hr;
    hr = builder_->RenderStream(nullptr, &MEDIATYPE_Video, splitter, nullptr, videoRenderer_);
    if (FAILED(hr))
        return hr;
    const HRESULT audio = builder_->RenderStream(nullptr, &MEDIATYPE_Audio, splitter, nullptr, nullRender_);
    // A camcorder recording at 48 or 32 kHz still gives a picture.
    return FAILED(audio) ? LeaveAudioOut(audio) : hr;
}

HRESULT CElemGraph::BuildNetworkStream()
{
    if (!videoRenderer_ || !audioFilter_ || !videoFilter_ || !builder_ || !nullRender_)
        return E_POINTER;
    IGraphBuilder* graph = m_graph.GetGraph();
    CComPtr<IEnumPins> pins;
    HRESULT hr = videoFilter_->EnumPins(&pins);
    if (FAILED(hr))
        return hr;
    HRESULT rendered = E_FAIL;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION dir;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PINDIR_OUTPUT) {
            const HRESULT r = graph->Render(pin);
            if (SUCCEEDED(r))
                rendered = r;
        }
        pin->Release();
    }
    if (HasUnconnectedPin(videoRenderer_))
        return FAILED(rendered) ? rendered : VFW_E_CANNOT_RENDER;

    hr = S_OK;
    CComPtr<IBaseFilter> audioRenderer;
    if (SUCCEEDED(FindAudioRenderer(graph, &audioRenderer)) && audioRenderer) {
        IPin* in = GetConnectedPin(audioRenderer, TRUE);
        IPin* upstream = in ? GetNextFilterPin(in, FALSE) : nullptr;
        if (upstream) {
            CComPtr<IPin> out;
            in->ConnectedTo(&out);
            graph->RemoveFilter(audioRenderer);
            IPin* sink = nullRender_->GetPin(0);
            hr = out ? graph->Connect(out, sink) : E_FAIL;
        }
    }
    // Without a sound device the graph adds no audio renderer and leaves the audio pins
    // unconnected: they go to the null renderer directly.
    if (!GetConnectedPin(nullRender_, TRUE)) {
        pins.Release();
        videoFilter_->EnumPins(&pins);
        HRESULT direct = E_FAIL;
        while (pins && pins->Next(1, &pin, nullptr) == S_OK) {
            PIN_DIRECTION dir;
            CComPtr<IPin> peer;
            if (FAILED(direct) && SUCCEEDED(pin->QueryDirection(&dir)) && dir == PINDIR_OUTPUT &&
                pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED)
                direct = graph->Connect(pin, nullRender_->GetPin(0));
            pin->Release();
        }
        hr = FAILED(direct) ? LeaveAudioOut(direct) : S_OK;
    }
    return hr;
}

// --- Destroy and the rest -------------------------------------------------------------

HRESULT CElemGraph::Destroy()
{
    m_graph.Stop();
    ReleaseVideoRenderer();
    if (nullRender_)
        m_graph.RemoveFilter(nullRender_);
    if ((videoSource_.flags & kDevice) && videoSource_.filter)
        videoSource_.filter.Release();
    if ((audioSource_.flags & kDevice) && audioSource_.filter)
        audioSource_.filter.Release();
    builder_.Release();
    audioFilter_.Release();
    videoFilter_.Release();
    const HRESULT hr = CBaseGraph::Destroy();
    if (nullRender_) {
        nullRender_->NonDelegatingRelease();
        nullRender_ = nullptr;
    }
    videoSource_.flags = 0;
    videoSource_.name.Empty();
    audioSource_.flags = 0;
    audioSource_.name.Empty();
    return hr;
}

HRESULT CElemGraph::SetCurrentPosition(LONGLONG position)
{
    // A seek while the graph streams flushes every stream of the file's parser at once, and
    // Wine's parser wakes only one of its waiting stream threads when the flush ends: with
    // the sound and the picture of one file both connected, the other thread slept on and
    // the graph's next Stop waited for it for ever (the desk hung reopening a project, or
    // closing, once the channels' sound matched the program's format). Stopped, the parser
    // has no stream threads, so the position is set then and the graph is brought back to
    // the state it was in.
    DWORD capabilities = 0;
    OAFilterState state = State_Stopped;
    if (FAILED(m_graph.GetCapabilities(&capabilities)) || !(capabilities & AM_SEEKING_CanSeekAbsolute) ||
        FAILED(m_graph.GetState(0, &state)) || state == State_Stopped)
        return m_graph.SetCurrentPosition(position);
    m_graph.Stop();
    const HRESULT hr = m_graph.SetCurrentPosition(position);
    // Run and Pause answer S_FALSE while the graph is still on its way: that is no failure of
    // the seek, whose own answer goes back.
    const HRESULT back = state == State_Running ? m_graph.Run() : m_graph.Pause();
    return FAILED(hr) ? hr : FAILED(back) ? back : hr;
}

HRESULT CElemGraph::ShowInputSettings()
{
    if (!builder_)
        return E_POINTER;
    m_graph.Stop();
    IGraphBuilder* graph = m_graph.GetGraph();
    if (videoFilter_)
        RemoveDownstreamFilters(graph, videoFilter_);
    if (audioFilter_)
        RemoveDownstreamFilters(graph, audioFilter_);
    InputFormatOptions edited = options_;
    if (g_inputConfigDialog && g_inputConfigDialog(builder_, videoFilter_, audioFilter_, edited))
        options_ = edited;
    ReleaseVideoRenderer();
    const HRESULT hr = Build();
    m_graph.Run();
    return hr;
}

HRESULT CElemGraph::ShowSourceProperties()
{
    if (!builder_)
        return E_POINTER;
    HRESULT hr = E_FAIL;
    if (videoFilter_) {
        CComPtr<IAMVfwCaptureDialogs> dialogs;
        if (SUCCEEDED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoFilter_,
                                              IID_IAMVfwCaptureDialogs, reinterpret_cast<void**>(&dialogs))) &&
            dialogs && SUCCEEDED(dialogs->HasDialog(VfwCaptureDialog_Format)))
            dialogs->ShowDialog(VfwCaptureDialog_Format, nullptr);
        hr = ShowFilterPropertyPages(videoFilter_, nullptr, L"视频");
    }
    if (audioFilter_ && !SameObject(audioFilter_, videoFilter_))
        hr = ShowFilterPropertyPages(audioFilter_, nullptr, L"音频");
    return hr;
}

HRESULT CElemGraph::ReopenLostDevice(IUnknown* lostFilter)
{
    if (!lostFilter)
        return E_INVALIDARG;
    CComQIPtr<IBaseFilter> lost(lostFilter);
    if (!lost)
        return E_INVALIDARG;
    if ((!audioFilter_ && !videoFilter_) || !m_graph.GetGraph())
        return E_UNEXPECTED;

    SourceDescriptor audio = audioSource_, video = videoSource_;
    HRESULT hr = E_UNEXPECTED;
    bool bound = false;
    const bool shared = audioFilter_ && SameObject(audioFilter_, videoFilter_);
    if (videoFilter_ && SameObject(videoFilter_, lost)) {
        CComPtr<IBaseFilter> f;
        hr = BindDevice(CLSID_VideoInputDeviceCategory, videoSource_, &f);
        if (FAILED(hr))
            return hr;
        video.filter = f;
        video.flags |= kDevice;
        bound = true;
        if (shared)
            audio = video;
    }
    if (audioFilter_ && !shared && SameObject(audioFilter_, lost)) {
        CComPtr<IBaseFilter> f;
        hr = BindDevice(CLSID_AudioInputDeviceCategory, audioSource_, &f);
        if (FAILED(hr))
            return hr;
        audio.filter = f;
        audio.flags |= kDevice;
        bound = true;
    }
    if (!bound)
        return hr;

    m_graph.Stop();
    IGraphBuilder* graph = m_graph.GetGraph();
    if (audioFilter_)
        graph->RemoveFilter(audioFilter_);
    if (videoFilter_)
        graph->RemoveFilter(videoFilter_);
    audioFilter_.Release();
    videoFilter_.Release();
    ReleaseVideoRenderer();
    RemoveAllFilters(graph);
    audioSource_ = audio;
    videoSource_ = video;
    hr = Build();
    m_graph.Run();
    return hr;
}

HRESULT CElemGraph::TransportRecord()
{
    CComQIPtr<IAMExtTransport> transport(videoFilter_.Get());
    if (!videoFilter_ || !transport)
        return E_POINTER;
    return transport->put_Mode(ED_MODE_RECORD);
}

HRESULT CElemGraph::TransportRecordFreeze()
{
    CComQIPtr<IAMExtTransport> transport(videoFilter_.Get());
    if (!videoFilter_ || !transport)
        return E_POINTER;
    return transport->put_Mode(ED_MODE_RECORD_FREEZE);
}

void CElemGraph::ApplyInputOptions(const InputFormatOptions& options)
{
    options_ = options;
    HandFormatToMixer();
}

void CElemGraph::Serialize(CArchive& ar)
{
    options_.Serialize(ar);
    if (ar.IsLoading())
        HandFormatToMixer();
}
