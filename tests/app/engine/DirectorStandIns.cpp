#include "DirectorStandIns.h"

#include "app/engine/DXRenderEngine.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"

#include <gtest/gtest.h>

#include <dsbase/MediaType.h>

#include <chrono>
#include <stdexcept>

namespace directortest {

void CopyShippedEffects()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring from(exe);
    from.resize(from.find_last_of(L'\\'));
    from += L"\\..\\out\\fx\\";
    const std::wstring to = std::wstring(static_cast<LPCWSTR>(GetExeDirectory())) + L"\\fx\\";
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd = {};
    HANDLE find = FindFirstFileW((from + L"*.fxo").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "the build's fx folder is missing";
    do {
        CopyFileW((from + fd.cFileName).c_str(), (to + fd.cFileName).c_str(), FALSE);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

// --- call log -------------------------------------------------------------------

void CallLog::Add(const std::string& entry)
{
    std::lock_guard<std::mutex> guard(lock_);
    entries_.push_back(entry);
}

std::vector<std::string> CallLog::Entries()
{
    std::lock_guard<std::mutex> guard(lock_);
    return entries_;
}

void CallLog::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
}

int CallLog::IndexOf(const std::string& entry)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i] == entry)
            return static_cast<int>(i);
    return -1;
}

// --- channels -------------------------------------------------------------------

void StandInAudioRenderer::Deliver(IMediaSample* sample)
{
    ForEachListener([&](int id, IGrabListener* listener) { listener->OnSample(id, sample, 0, 0); });
}

void StandInAudioRenderer::Flush()
{
    ForEachListener([&](int id, IGrabListener* listener) { listener->OnFlush(id); });
}

StandInChannelGraph::StandInChannelGraph(CVideoMixer* mixer, int channelIndex, const ChannelPlan& plan,
                                         CallLog* log, int* liveCount)
    : mixer_(mixer), index_(channelIndex), plan_(plan), log_(log), liveCount_(liveCount)
{
    ++*liveCount_;
}

StandInChannelGraph::~StandInChannelGraph()
{
    --*liveCount_;
    Log("delete");
}

void StandInChannelGraph::Log(const std::string& what)
{
    calls.push_back(what);
    log_->Add("channel" + std::to_string(index_ + 1) + "." + what);
}

HRESULT StandInChannelGraph::Create()
{
    Log("Create");
    return plan_.createResult;
}

HRESULT StandInChannelGraph::Build()
{
    Log("Build");
    if (FAILED(plan_.buildResult))
        return plan_.buildResult;
    CVideoMixer* mixer = mixer_;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&graph_));
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&vmr_));
    if (SUCCEEDED(hr))
        hr = graph_->AddFilter(vmr_, L"Video Mixing Renderer9");
    IVMRFilterConfig9* config = nullptr;
    if (SUCCEEDED(hr))
        hr = vmr_->QueryInterface(IID_IVMRFilterConfig9, reinterpret_cast<void**>(&config));
    if (SUCCEEDED(hr)) {
        hr = config->SetRenderingMode(VMR9Mode_Renderless);
        config->Release();
    }
    if (SUCCEEDED(hr))
        hr = mixer->AttachChannel(vmr_, &index_, notifyWindow);
    if (SUCCEEDED(hr)) {
        VMR9AllocationInfo info = {};
        info.dwFlags = VMR9AllocFlag_OffscreenSurface;
        info.dwWidth = 32;
        info.dwHeight = 24;
        info.Format = D3DFMT_X8R8G8B8;
        info.Pool = D3DPOOL_DEFAULT;
        info.MinBuffers = 1;
        info.szAspectRatio = {4, 3};
        info.szNativeSize = {32, 24};
        DWORD count = 1;
        hr = mixer->InitializeDevice(index_, &info, &count);
    }
    return hr;
}

HRESULT StandInChannelGraph::Destroy()
{
    Log("Destroy");
    if (vmr_) {
        CVideoMixer* mixer = mixer_;
        if (mixer && mixer->GetChannel(index_))
            mixer->DetachChannel(index_);
        vmr_->Release();
        vmr_ = nullptr;
    }
    if (graph_) {
        graph_->Release();
        graph_ = nullptr;
    }
    return S_OK;
}

HRESULT StandInChannelGraph::Stop()
{
    log_->Add("channel" + std::to_string(index_ + 1) + ".Stop");
    if (plan_.stopHold) {
        WaitForSingleObject(plan_.stopHold, INFINITE);
        SetEvent(plan_.stopReturned);
    } else {
        calls.push_back("Stop");
    }
    return S_OK;
}

void StandInChannelGraph::SetAcceptedAudioType(const AM_MEDIA_TYPE* type)
{
    Log("SetAcceptedAudioType");
    acceptedSampleSize = type ? type->lSampleSize : 0;
}

void StandInChannelGraph::SetAudioSource(const SourceDescriptor& source)
{
    Log("SetAudioSource");
    audioName = source.name;
}

void StandInChannelGraph::SetVideoSource(const SourceDescriptor& source)
{
    Log("SetVideoSource");
    videoName = source.name;
}

void StandInChannelGraph::SetWindow(HWND)
{
    Log("SetWindow");
}

void StandInChannelGraph::SetNotifyWindow(HWND window, UINT message, LPARAM channel)
{
    Log("SetNotifyWindow");
    notifyWindow = window;
    notifyMessage = message;
    notifyParam = channel;
}

HRESULT StandInChannelGraph::SetVideoPosition(int left, int top, int width, int height)
{
    Log("SetVideoPosition");
    videoPosition = {left, top, width, height};
    return S_OK;
}

HRESULT StandInChannelGraph::TransportRecord()
{
    Log("TransportRecord");
    return S_OK;
}

HRESULT StandInChannelGraph::TransportRecordFreeze()
{
    Log("TransportRecordFreeze");
    return S_OK;
}

void StandInChannelGraph::Present(D3DCOLOR colour)
{
    CVideoMixer* mixer = mixer_;
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(mixer->GetSurface(index_, 0, 0, &surface)))
        return;
    mixer->GetDevice()->ColorFill(surface, nullptr, colour);
    VMR9PresentationInfo info = {};
    info.dwFlags = VMR9Sample_SyncPoint;
    info.lpSurf = surface;
    info.szAspectRatio = {4, 3};
    info.rcSrc = {0, 0, 32, 24};
    info.rcDst = info.rcSrc;
    mixer->PresentImage(index_, &info);
    surface->Release();
}

IChannelGraph* StandInChannelFactory::CreateChannelGraph(IVideoMixerInput* mixer, int channelIndex)
{
    // The director gives its own mixer: the stand-in presents frames to it as a VMR-9 would.
    StandInChannelGraph* graph =
        new StandInChannelGraph(static_cast<CVideoMixer*>(mixer), channelIndex, plans[channelIndex + 1], log_, &liveGraphs);
    made[channelIndex + 1] = graph;
    return graph;
}

// --- outputs --------------------------------------------------------------------

bool OutputRecord::WaitForFrames(size_t n)
{
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, std::chrono::seconds(20), [&] { return frames.size() >= n; });
}

DWORD OutputRecord::PixelAt(int x, int y)
{
    std::lock_guard<std::mutex> guard(lock);
    if (x < 0 || y < 0 || x >= width || y >= height || lastPixels.size() < size_t(width) * height)
        return 0xDEADBEEF;
    return lastPixels[size_t(y) * width + x] & 0xFFFFFF;
}

size_t OutputRecord::FrameCount()
{
    std::lock_guard<std::mutex> guard(lock);
    return frames.size();
}

namespace {

class StandInComposeSource final : public IComposeSource, public IVideoListener, public IGrabListener {
public:
    explicit StandInComposeSource(std::shared_ptr<OutputRecord> record) : record_(record) {}
    ~StandInComposeSource()
    {
        FreeMediaType(record_->videoType);
        FreeMediaType(record_->audioType);
    }

    HRESULT SetPinMediaType(int pin, const AM_MEDIA_TYPE* type) override
    {
        AM_MEDIA_TYPE& target = pin == 0 ? record_->videoType : record_->audioType;
        FreeMediaType(target);
        return CopyMediaType(&target, type);
    }
    void ActivatePins() override { record_->activated = true; }
    IVideoListener* GetVideoListener() override { return this; }
    IGrabListener* GetAudioListener() override { return this; }

    void OnVideoFrame(int, const AM_SAMPLE2_PROPERTIES* frame) override
    {
        if (record_->throwOnVideo)
            throw std::runtime_error("a failing output");
        OutputRecord::Frame f;
        f.actual = frame->lActual;
        f.bufferSize = frame->cbBuffer;
        f.flags = frame->dwSampleFlags;
        f.descriptorSize = frame->cbData;
        f.start = frame->tStart;
        f.stop = frame->tStop;
        const DWORD* pixels = reinterpret_cast<const DWORD*>(frame->pbBuffer);
        const int w = record_->width, h = record_->height;
        if (pixels && frame->lActual >= w * h * 4) {
            f.centre = pixels[(h / 2) * w + w / 2] & 0xFFFFFF;
            f.corner = pixels[1 * w + 1] & 0xFFFFFF;
        }
        {
            std::lock_guard<std::mutex> guard(record_->lock);
            record_->frames.push_back(f);
            if (pixels && frame->lActual >= w * h * 4)
                record_->lastPixels.assign(pixels, pixels + size_t(w) * h);
        }
        record_->changed.notify_all();
    }

    void OnSample(int id, IMediaSample* sample, int low, int high) override
    {
        if (record_->throwOnAudio)
            throw std::runtime_error("a failing output");
        OutputRecord::Chunk c;
        c.id = id;
        c.low = low;
        c.high = high;
        c.length = sample->GetActualDataLength();
        sample->GetTime(&c.start, &c.stop);
        std::lock_guard<std::mutex> guard(record_->lock);
        record_->chunks.push_back(c);
    }

private:
    std::shared_ptr<OutputRecord> record_;
};

class StandInOutputGraph : public IOutputGraph {
public:
    StandInOutputGraph(std::shared_ptr<OutputRecord> record, const OutputPlan& plan, CallLog* log, int* live)
        : record_(record), plan_(plan), log_(log), live_(live)
    {
        ++*live_;
    }
    ~StandInOutputGraph() override
    {
        delete source_;
        --*live_;
        Log("delete");
    }

    HRESULT Create() override
    {
        Log("Create");
        if (SUCCEEDED(plan_.createResult) && plan_.hasSource)
            source_ = new StandInComposeSource(record_);
        return plan_.createResult;
    }
    HRESULT Build() override
    {
        Log("Build");
        if (plan_.duringBuild)
            plan_.duringBuild();
        return plan_.buildResult;
    }
    HRESULT Destroy() override
    {
        Log("Destroy");
        return S_OK;
    }
    HRESULT Run() override
    {
        Log("Run");
        return plan_.runResult;
    }
    HRESULT Stop() override
    {
        Log("Stop");
        return S_OK;
    }
    HRESULT GetState(LONG, OAFilterState* state) override
    {
        *state = State_Running;
        return S_OK;
    }
    IComposeSource* GetComposeSource() override { return source_; }
    void SetNotifyWindow(HWND window, UINT message, LPARAM param) override
    {
        record_->notifyWindow = window;
        record_->notifyMessage = message;
        record_->notifyParam = param;
        record_->notifyParamIsGraph = param == reinterpret_cast<LPARAM>(static_cast<IOutputGraph*>(this));
    }
    void SetEncodeSettings(const CEncodeSettings& settings) override
    {
        record_->gotEncode = true;
        record_->encode = settings;
    }
    void SetAviSettings(const AviOutputSettings& settings) override
    {
        record_->gotAvi = true;
        record_->avi = settings;
    }

private:
    void Log(const std::string& what) { log_->Add("output" + std::to_string(record_->type) + "." + what); }

    std::shared_ptr<OutputRecord> record_;
    OutputPlan plan_;
    CallLog* log_;
    int* live_;
    StandInComposeSource* source_ = nullptr;
};

class StandInPreviewGraph : public IAudioPreviewGraph, public IGrabListener {
public:
    StandInPreviewGraph(std::shared_ptr<OutputRecord> record, CallLog* log) : record_(record), log_(log) {}
    ~StandInPreviewGraph() override { log_->Add("preview.delete"); }
    HRESULT Create() override { log_->Add("preview.Create"); return S_OK; }
    HRESULT Build() override { log_->Add("preview.Build"); return S_OK; }
    HRESULT Destroy() override { log_->Add("preview.Destroy"); return S_OK; }
    HRESULT Run() override { log_->Add("preview.Run"); return S_OK; }
    HRESULT Stop() override { log_->Add("preview.Stop"); return S_OK; }
    HRESULT SetPinMediaType(const AM_MEDIA_TYPE* type) override
    {
        FreeMediaType(record_->audioType);
        return CopyMediaType(&record_->audioType, type);
    }
    IGrabListener* GetPinListener() override { return this; }
    void OnSample(int id, IMediaSample* sample, int low, int high) override
    {
        OutputRecord::Chunk c;
        c.id = id;
        c.low = low;
        c.high = high;
        c.length = sample->GetActualDataLength();
        std::lock_guard<std::mutex> guard(record_->lock);
        record_->chunks.push_back(c);
    }

private:
    std::shared_ptr<OutputRecord> record_;
    CallLog* log_;
};

} // namespace

IOutputGraph* StandInOutputFactory::CreateOutputGraph(int type, const OutputGraphSettings& settings)
{
    if (type == 1 || type == 4 || type < 0 || type > 7)
        return nullptr;
    std::shared_ptr<OutputRecord> record = std::make_shared<OutputRecord>();
    record->type = type;
    record->width = width;
    record->height = height;
    record->before = settings;
    record->throwOnVideo = throwOnVideo;
    record->throwOnAudio = throwOnAudio;
    throwOnVideo = throwOnAudio = false;
    records[type] = record;
    ++made;
    return new StandInOutputGraph(record, plans[type], log_, &liveGraphs);
}

IAudioPreviewGraph* StandInOutputFactory::CreateAudioPreviewGraph(const char*)
{
    preview = std::make_shared<OutputRecord>();
    return new StandInPreviewGraph(preview, log_);
}

} // namespace directortest
