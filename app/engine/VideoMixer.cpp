#include "app/engine/VideoMixer.h"

#include "app/core/ProgramFormats.h"
#include "app/engine/DXRenderEngine.h"
#include "app/core/EngineClock.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/VideoChannel.h"

#include <dvdmedia.h>
#include <mmsystem.h>
#include <uuids.h>

#include <algorithm>

namespace {

// The graph's state, read with a 100 ms time-out.
HRESULT GraphState(IFilterGraph* graph, OAFilterState* state)
{
    CComPtr<IMediaControl> control;
    HRESULT hr = graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    if (FAILED(hr))
        return hr;
    return control->GetState(100, state);
}

} // namespace

CVideoMixer::CVideoMixer(const VideoMixerParams& params)
    : renderWindow_(params.renderWindow),
      inputCount_(params.inputCount > 0 ? params.inputCount : 0),
      inputs_(inputCount_, nullptr),
      settings_(inputCount_),
      outputWidth_(params.width),
      outputHeight_(params.height),
      frameRate_(params.frameRate > 0.0f ? params.frameRate : 25.0f),
      pixelAspect_(params.pixelAspect > 0.0 ? params.pixelAspect : 1.0),
      fieldType_(params.fieldType),
      renderWidth_(static_cast<int>(params.width * pixelAspect_ + 0.5)),
      clockRate_(params.fieldType == 2 ? frameRate_ : frameRate_ * 2.0f)
{
    if (params.engineKind == 0)
        engine_ = new CDXRenderEngine(this);
}

CVideoMixer::~CVideoMixer()
{
    StopClock();
    for (CVideoChannel*& channel : inputs_) {
        delete channel;
        channel = nullptr;
    }
    for (ChannelVideoSettings& s : settings_)
        s.ReleaseMatte();
    delete engine_;
}

CRenderEngine* CVideoMixer::GetRenderEngine() const
{
    return engine_;
}

IDirect3DDevice9* CVideoMixer::GetDevice() const
{
    return engine_ ? engine_->GetDevice() : nullptr;
}

IProgramFrameSource* CVideoMixer::GetProgramFrames() const
{
    return engine_;
}

// --- IUnknown ---------------------------------------------------------------

STDMETHODIMP CVideoMixer::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IVMRSurfaceAllocator9 || riid == IID_IUnknown) {
        *ppv = static_cast<IVMRSurfaceAllocator9*>(this);
    } else if (riid == IID_IVMRImagePresenter9) {
        *ppv = static_cast<IVMRImagePresenter9*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CVideoMixer::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

STDMETHODIMP_(ULONG) CVideoMixer::Release()
{
    const LONG n = InterlockedDecrement(&refCount_);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

// --- lifetime and clock -----------------------------------------------------

HRESULT CVideoMixer::Start()
{
    CAutoLock lock(&lock_);
    if (started_)
        return S_FALSE;
    if (inputCount_ == 0 || !engine_)
        return E_UNEXPECTED;
    HRESULT hr = engine_->Create();
    if (FAILED(hr))
        return hr;
    hr = StartClock();
    if (FAILED(hr))
        return hr;
    started_ = true;
    return S_OK;
}

HRESULT CVideoMixer::Stop()
{
    if (!started_)
        return S_FALSE;
    started_ = false;
    return StopClock();
}

UINT CVideoMixer::GetClockPeriod() const
{
    return static_cast<UINT>(1000.0f / clockRate_);
}

HRESULT CVideoMixer::StartClock()
{
    if (clock_.IsRunning())
        return S_FALSE;
    clockStart_ = EngineClock::Now();
    // Composition runs on the clock's own thread: on the system's shared timer thread it
    // would hold up the audio mixer's and the AVI splitter's ticks for as long as it draws.
    return clock_.Start(GetClockPeriod(), &CVideoMixer::ClockTick, this, CMmTimer::TickThread::Own);
}

HRESULT CVideoMixer::StopClock()
{
    // A tick in progress has rendered and left the mixer lock when this returns, so the
    // engine and the channels can go.
    return clock_.Stop(&lock_);
}

void CVideoMixer::ClockTick(void* self)
{
    static_cast<CVideoMixer*>(self)->OnClockTick();
}

void CVideoMixer::OnClockTick()
{
    std::vector<CDXRenderEngine::FrameNotice> notices;
    IVideoMixerListener* listener = nullptr;
    {
        CAutoLock lock(&lock_);
        if (!engine_)
            return;
        const LONGLONG elapsed = EngineClock::Now() - clockStart_;
        float x;
        if (timed_) {
            if (!transitionStartTaken_ || elapsed < transitionStart_) {
                transitionStart_ = elapsed;
                transitionStartTaken_ = true;
            }
            // A zero duration completes at once instead of dividing by zero.
            x = duration_ > 0 ? float(elapsed - transitionStart_) / float(duration_) : 1.0f;
        } else {
            x = position_ / 100.0f;
        }
        engine_->RenderFrame(active_, x);
        notices = engine_->TakeFrameNotices();
        listener = listener_;
    }
    // The director is told outside the mixer lock.
    if (listener)
        for (const auto& n : notices)
            listener->OnFrameReady(n.start, n.stop);
}

// --- channels ---------------------------------------------------------------

HRESULT CVideoMixer::AttachChannel(IBaseFilter* renderer, const int* input, HWND window)
{
    if (!renderer || !window || !input || *input < 0 || *input >= inputCount_)
        return E_INVALIDARG;
    if (!started_)
        return E_UNEXPECTED;
    CComPtr<IVMRFilterConfig9> config;
    if (FAILED(renderer->QueryInterface(IID_IVMRFilterConfig9, reinterpret_cast<void**>(&config))))
        return E_INVALIDARG;
    DWORD mode = 0;
    HRESULT hr = config->GetRenderingMode(&mode);
    if (FAILED(hr) || mode != VMR9Mode_Renderless)
        return E_UNEXPECTED;

    FILTER_INFO info = {};
    hr = renderer->QueryFilterInfo(&info);
    if (FAILED(hr) || !info.pGraph) {
        if (info.pGraph)
            info.pGraph->Release();
        return E_UNEXPECTED;
    }
    CComPtr<IFilterGraph> graph;
    *&graph = info.pGraph;
    OAFilterState state = State_Running;
    hr = GraphState(graph.Get(), &state);
    if (FAILED(hr))
        return hr;
    if (state != State_Stopped)
        return E_UNEXPECTED;

    CComPtr<IVMRSurfaceAllocatorNotify9> notify;
    hr = renderer->QueryInterface(IID_IVMRSurfaceAllocatorNotify9, reinterpret_cast<void**>(&notify));
    if (FAILED(hr))
        return hr;
    CVideoChannel* channel = new (std::nothrow) CVideoChannel(*input, window, renderer, graph.Get(), notify.Get());
    if (!channel)
        return E_OUTOFMEMORY;

    CAutoLock lock(&lock_);
    IDirect3DDevice9* device = engine_->GetDevice();
    CComPtr<IDirect3D9> d3d;
    if (!device || FAILED(device->GetDirect3D(&d3d))) {
        delete channel;
        return E_FAIL;
    }
    hr = notify->SetD3DDevice(device, d3d->GetAdapterMonitor(D3DADAPTER_DEFAULT));
    if (SUCCEEDED(hr))
        hr = notify->AdviseSurfaceAllocator(static_cast<DWORD_PTR>(*input), this);
    if (FAILED(hr)) {
        delete channel;
        return hr;
    }
    delete inputs_[*input]; // the caller detaches first; never leak a stale channel
    inputs_[*input] = channel;
    return S_OK;
}

HRESULT CVideoMixer::DetachChannel(int input)
{
    if (input < 0 || input >= inputCount_)
        return E_INVALIDARG;
    if (!started_)
        return E_UNEXPECTED;
    CVideoChannel* channel;
    {
        CAutoLock lock(&lock_);
        channel = inputs_[input];
    }
    if (!channel || !channel->graph || !channel->notify)
        return E_UNEXPECTED;
    OAFilterState state = State_Running;
    HRESULT hr = GraphState(channel->graph, &state);
    if (FAILED(hr))
        return hr;
    if (state != State_Stopped)
        return E_UNEXPECTED;

    // Disconnect the renderer's pins; a VMR-9 without connections never asks us for
    // surfaces again, so the allocator need not be replaced by a null one (which some
    // renderers crash on).
    CComPtr<IEnumPins> pins;
    hr = channel->renderer->EnumPins(&pins);
    if (FAILED(hr))
        return hr;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) {
            hr = channel->graph->Disconnect(peer);
            if (SUCCEEDED(hr))
                hr = channel->graph->Disconnect(pin);
            peer->Release();
        }
        pin->Release();
        if (FAILED(hr))
            return hr;
    }

    CAutoLock lock(&lock_);
    inputs_[input] = nullptr;
    delete channel;
    return S_OK;
}

HRESULT CVideoMixer::SetChannelFormat(int input, const AM_MEDIA_TYPE* type, int deinterlace, int fieldOrder,
                                      int aspect, int keepAspect)
{
    if (input < 0 || input >= inputCount_ || !type || type->majortype != MEDIATYPE_Video || !type->pbFormat)
        return E_INVALIDARG;
    VIDEOINFOHEADER2 vih2 = {};
    if (type->formattype == FORMAT_VideoInfo && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        vih2.rcSource = vih->rcSource;
        vih2.rcTarget = vih->rcTarget;
        vih2.dwBitRate = vih->dwBitRate;
        vih2.dwBitErrorRate = vih->dwBitErrorRate;
        vih2.AvgTimePerFrame = vih->AvgTimePerFrame;
        vih2.bmiHeader = vih->bmiHeader;
        vih2.dwInterlaceFlags = 0;
    } else if (type->formattype == FORMAT_VideoInfo2 && type->cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        vih2 = *reinterpret_cast<const VIDEOINFOHEADER2*>(type->pbFormat);
    } else {
        return E_INVALIDARG;
    }
    if (!started_)
        return E_UNEXPECTED;

    if (deinterlace == 1)
        vih2.dwInterlaceFlags = AMINTERLACE_IsInterlaced | (fieldOrder == 0 ? AMINTERLACE_Field1First : 0);
    if (aspect == 0 || aspect == 1) {
        vih2.dwPictAspectRatioX = aspect == 0 ? 4 : 16;
        vih2.dwPictAspectRatioY = aspect == 0 ? 3 : 9;
        vih2.dwReserved2 |= CVideoChannel::kAspectForced;
    }
    if (!vih2.dwPictAspectRatioX || !vih2.dwPictAspectRatioY) {
        vih2.dwPictAspectRatioX = 4;
        vih2.dwPictAspectRatioY = 3;
    }

    CAutoLock lock(&lock_);
    CVideoChannel* channel = inputs_[input];
    if (!channel)
        return S_OK;
    channel->format = vih2;
    channel->keepAspect = keepAspect;
    return engine_->CreateFieldTextures(channel);
}

// --- VMR-9 allocator and presenter ----------------------------------------------

STDMETHODIMP CVideoMixer::InitializeDevice(DWORD_PTR input, VMR9AllocationInfo* info, DWORD* count)
{
    if (!info || !count || !ValidInput(input))
        return E_INVALIDARG;
    CAutoLock lock(&lock_);
    if (!started_ || (info->dwFlags & VMR9AllocFlag_DXVATarget))
        return E_UNEXPECTED;
    if (*count == 0)
        *count = 1;
    CVideoChannel* channel = inputs_[input];
    if (!channel || !channel->notify)
        return E_UNEXPECTED;
    CDXRenderEngine* engine = engine_;
    if (!engine->GetDevice())
        return E_FAIL;

    channel->ReleaseTextures();
    channel->ReleaseSurfaces();
    HRESULT hr = channel->notify->AllocateSurfaceHelper(info, count, channel->SurfaceSlots(*count));
    if (FAILED(hr)) {
        channel->ReleaseSurfaces();
        return hr;
    }
    channel->surfaces.resize(*count);
    channel->allocation = *info;
    channel->allocation.MinBuffers = *count;
    hr = engine->CreateRenderTexture(renderWidth_, outputHeight_, &channel->channelTexture);
    if (SUCCEEDED(hr))
        hr = engine->CreateRenderTexture(info->dwWidth, info->dwHeight, &channel->sourceTexture);
    if (FAILED(hr)) {
        channel->ReleaseTextures();
        channel->ReleaseSurfaces();
        return hr;
    }
    channel->sourceWidth = info->dwWidth;
    channel->sourceHeight = info->dwHeight;
    engine->FillTexture(channel->channelTexture, CDXRenderEngine::kOpaqueBlack);
    engine->FillTexture(channel->sourceTexture, CDXRenderEngine::kOpaqueBlack);
    return S_OK;
}

STDMETHODIMP CVideoMixer::TerminateDevice(DWORD_PTR)
{
    return S_OK;
}

STDMETHODIMP CVideoMixer::GetSurface(DWORD_PTR input, DWORD index, DWORD, IDirect3DSurface9** surface)
{
    if (!surface || !ValidInput(input))
        return E_INVALIDARG;
    CAutoLock lock(&lock_);
    CVideoChannel* channel = inputs_[input];
    if (!channel || index >= channel->surfaces.size())
        return E_INVALIDARG;
    IDirect3DSurface9* s = channel->surfaces[index];
    if (!s)
        return E_UNEXPECTED;
    s->AddRef();
    *surface = s;
    return S_OK;
}

STDMETHODIMP CVideoMixer::AdviseNotify(IVMRSurfaceAllocatorNotify9*)
{
    return S_OK;
}

STDMETHODIMP CVideoMixer::StartPresenting(DWORD_PTR input)
{
    if (!ValidInput(input))
        return E_INVALIDARG;
    CAutoLock lock(&lock_);
    if (CVideoChannel* channel = inputs_[input]) {
        channel->presenting = 1;
        channel->presentedFrames = 0;
    }
    return S_OK;
}

STDMETHODIMP CVideoMixer::StopPresenting(DWORD_PTR input)
{
    if (!ValidInput(input))
        return E_INVALIDARG;
    CAutoLock lock(&lock_);
    if (CVideoChannel* channel = inputs_[input])
        channel->presenting = 0;
    return S_OK;
}

STDMETHODIMP CVideoMixer::PresentImage(DWORD_PTR input, VMR9PresentationInfo* info)
{
    if (!ValidInput(input))
        return E_INVALIDARG;
    if (!info)
        return E_POINTER;
    CAutoLock lock(&lock_);
    CVideoChannel* channel = inputs_[input];
    CDXRenderEngine* engine = engine_;
    if (!channel || !engine->GetDevice())
        return E_UNEXPECTED;

    // Only a positive ratio is taken: a negative side read as a huge unsigned one would
    // squeeze the picture to nothing, so such a frame keeps the ratio the channel has.
    const LONG cx = info->szAspectRatio.cx;
    const LONG cy = info->szAspectRatio.cy;
    if (cx > 0 && cy > 0 && !channel->IsAspectForced() &&
        (DWORD(cx) != channel->format.dwPictAspectRatioX || DWORD(cy) != channel->format.dwPictAspectRatioY)) {
        channel->format.dwPictAspectRatioX = DWORD(cx);
        channel->format.dwPictAspectRatioY = DWORD(cy);
    }

    const DWORD flags = channel->format.dwInterlaceFlags;
    const int order = (flags & AMINTERLACE_IsInterlaced) ? ((flags & AMINTERLACE_Field1First) ? 0 : 1) : 2;
    const int passes = (order == 2 || fieldType_ == 2) ? 1 : 2;
    ChannelVideoSettings& settings = settings_[input];
    for (int k = 0; k < passes; ++k) {
        const int field = order == 0 ? k : (order == 1 ? 1 - k : 2);
        channel->currentField = field;
        info->dwReserved1 = static_cast<DWORD>(field);
        engine->RenderChannel(channel, &settings, info);
        ++channel->presentedFrames;
    }
    return S_OK;
}

// --- transitions --------------------------------------------------------------

HRESULT CVideoMixer::BeginTransition(int effectId, const std::vector<int>& inputs, int timed, int durationMs)
{
    if (inputs.size() < 2 || durationMs < 0)
        return E_INVALIDARG;
    for (int i : inputs)
        if (i < 0 || i >= inputCount_)
            return E_INVALIDARG;
    if (!started_)
        return E_UNEXPECTED;
    CAutoLock lock(&lock_);
    HRESULT hr = engine_->SelectEffect(effectId);
    if (FAILED(hr))
        return hr;
    effectId_ = effectId;
    active_ = inputs;
    timed_ = timed;
    duration_ = durationMs;
    transitionStart_ = 0;
    transitionStartTaken_ = false;
    position_ = 0;
    return S_OK;
}

HRESULT CVideoMixer::SetTransitionPosition(int position)
{
    if (position < 0 || position > 100)
        return E_INVALIDARG;
    CAutoLock lock(&lock_);
    position_ = position;
    return S_OK;
}

HRESULT CVideoMixer::EndTransition(bool swap, bool* swapped)
{
    if (swapped)
        *swapped = false;
    CAutoLock lock(&lock_);
    if (active_.empty())
        return S_OK;
    // Program and preview change places when a swap is asked for, two inputs really show
    // (ending when no transition runs must not swap the director's numbers behind the
    // picture), and either no effect runs or the effect wants the swap.
    CRenderEffect* effect = engine_->GetCurrentEffect();
    const bool takePreview = swap && active_.size() > 1 && (!effect || effect->GetSwapWhenOver());
    if (swapped)
        *swapped = takePreview;
    const int kept = takePreview ? active_[1] : active_[0];
    active_.assign(1, kept);
    effectId_ = 0;
    engine_->SelectEffect(0);
    position_ = 0;
    timed_ = 0;
    transitionStart_ = 0;
    transitionStartTaken_ = false;
    duration_ = 0;
    return S_OK;
}

HRESULT CVideoMixer::CutTo(int input)
{
    if (input < 0 || input >= inputCount_)
        return E_INVALIDARG;
    CAutoLock lock(&lock_);
    active_.assign(1, input);
    return S_OK;
}

std::vector<int> CVideoMixer::GetActiveInputs()
{
    CAutoLock lock(&lock_);
    return active_;
}

// --- listeners and windows ------------------------------------------------------

void CVideoMixer::SetListener(IVideoMixerListener* listener)
{
    CAutoLock lock(&lock_);
    listener_ = listener;
}

void CVideoMixer::AddRenderListener(IVideoMixerRenderListener* listener)
{
    if (!listener)
        return;
    CAutoLock lock(&lock_);
    renderListeners_.push_back(listener);
}

void CVideoMixer::RemoveRenderListener(IVideoMixerRenderListener* listener)
{
    if (!listener)
        return;
    CAutoLock lock(&lock_);
    renderListeners_.erase(std::remove(renderListeners_.begin(), renderListeners_.end(), listener),
                           renderListeners_.end());
}

void CVideoMixer::AddPresentWindow(HWND window)
{
    if (!window)
        return;
    CAutoLock lock(&lock_);
    presentWindows_.push_back(window);
}

void CVideoMixer::RemovePresentWindow(HWND window)
{
    if (!window)
        return;
    CAutoLock lock(&lock_);
    presentWindows_.erase(std::remove(presentWindows_.begin(), presentWindows_.end(), window),
                          presentWindows_.end());
}

void CVideoMixer::GetEffectList(std::vector<CRenderEffect*>& list)
{
    CAutoLock lock(&lock_);
    for (const auto& entry : engine_->GetEffectMap())
        list.push_back(entry.second);
}

CVideoChannel* CVideoMixer::GetChannel(int input)
{
    if (input < 0 || input >= inputCount_)
        return nullptr;
    return inputs_[input];
}

ChannelVideoSettings* CVideoMixer::GetChannelSettings(int input)
{
    if (input < 0 || input >= inputCount_)
        return nullptr;
    return &settings_[input];
}

HRESULT CVideoMixer::GetOutputMediaType(AM_MEDIA_TYPE* type) const
{
    if (!type)
        return E_POINTER;
    // The nominal output size, not the render width: frames are read back at that size.
    const CMediaType made = ProgramVideoType(outputWidth_, outputHeight_, frameRate_);
    ZeroMemory(type, sizeof(*type));
    if (!made.Format())
        return E_OUTOFMEMORY;
    return CopyMediaType(type, &made);
}

void CVideoMixer::SerializeChannelSettings(CArchive& ar)
{
    CAutoLock lock(&lock_);
    for (ChannelVideoSettings& s : settings_)
        s.Serialize(ar);
}

