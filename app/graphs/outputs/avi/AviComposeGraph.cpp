#include "app/graphs/outputs/avi/AviComposeGraph.h"

#include "app/core/EngineClock.h"
#include "app/foundation/AppHelpers.h"
#include "app/foundation/DShowHelpers.h"
#include "app/graphs/outputs/avi/AviFileSink.h"

#include <uuids.h>

#include <vector>

namespace {

const UINT kIdsVideoEncoderFailed = 216; // "创建视频编码器(%s)失败！"
const UINT kIdsAudioEncoderFailed = 217; // "创建音频编码器(%s)失败！"
const UINT kIdsFolderMissing = 218;      // "输出文件夹不存在！"
const UINT kIdsErrorCaption = 106;

const wchar_t kNoCodec[] = L"None";
const wchar_t kDvNtsc[] = L"Microsoft DV (NTSC)";
const wchar_t kDvPal[] = L"Microsoft DV (PAL)";
const wchar_t kDvEncoderName[] = L"DV Video Encoder";

bool FolderExists(const CString& path)
{
    CString folder = path;
    // "C:\" names a folder as well as "C:".
    while (folder.GetLength() > 1 && (folder.Right(1) == L"\\" || folder.Right(1) == L"/"))
        folder = folder.Left(folder.GetLength() - 1);
    if (folder.GetLength() == 2 && folder[1] == L':')
        folder += L"\\";
    if (folder.IsEmpty())
        return false;
    const DWORD attributes = GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void ReportCodec(UINT textId, const CString& name, UINT style)
{
    CString text;
    text.Format(textId, static_cast<LPCWSTR>(name));
    AppMessageBoxText(nullptr, text, kIdsErrorCaption, style);
}

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

CAviComposeGraph::CAviComposeGraph() : m_fileSize(CAviFileSplitter::DefaultFileSize) {}

CAviComposeGraph::~CAviComposeGraph()
{
    // The worker calls back into this object: it ends before anything else goes.
    ShutdownSplitter();
}

void CAviComposeGraph::StopForTeardown()
{
    // A split may be stopping and running the graph right now; Shutdown waits for it and
    // no tick after it touches the file sink released next.
    ShutdownSplitter();
    CComposeGraph::StopForTeardown();
}

void CAviComposeGraph::RemoveOutputFilters()
{
    ReleaseFileSink();
}

HRESULT CAviComposeGraph::Stop()
{
    ShutdownSplitter();
    // The pins stop delivering before the graph stops: Wine's multiplexer, stopped first as
    // the filter nearer the file, lets go of its stream while a frame still arriving from the
    // running source would be written through it (a null read in the multiplexer).
    HoldPins();
    return CComposeGraph::Stop();
}

void CAviComposeGraph::HoldPins()
{
    if (CComposeSource* source = ComposeSource()) {
        CCSBaseOutputPin* pins[] = {source->VideoPin(), source->AudioPin()};
        for (CCSBaseOutputPin* pin : pins)
            if (pin)
                pin->HoldForRestart();
    }
}

void CAviComposeGraph::ShutdownSplitter()
{
    if (m_splitter) {
        m_splitter->Shutdown();
        m_currentFile = m_splitter->CurrentFile();
        m_splitter.reset();
    }
}

void CAviComposeGraph::ReleaseFileSink()
{
    if (m_fileSink) {
        CComQIPtr<IBaseFilter> writer(m_fileSink.Get());
        RemoveOwnFilter(writer);
    }
    RemoveOwnFilter(m_mux);
    m_fileSink.Release();
    m_builder.Release();
    RemoveOwnFilter(m_videoEncoder);
    RemoveOwnFilter(m_audioEncoder);
    m_videoEncoder.Release();
    m_audioEncoder.Release();
    m_mux.Release();
    m_muxFeeds.clear();
}

HRESULT CAviComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    ShutdownSplitter();
    ReleaseFileSink();

    if (!FolderExists(m_settings.Path)) {
        AppMessageBox(nullptr, kIdsFolderMissing, kIdsErrorCaption, MB_ICONERROR);
        return E_INVALIDARG;
    }
    const CString name = MakeAviFileName(m_settings.Path, EngineClock::LocalTime());

    // The builder's own sink when it makes one, else the multiplexer and writer joined by
    // hand; the writer's IFileSinkFilter is what a split renames.
    hr = CreateAviFileSink(builder, m_graph.GetGraph(), name, &m_mux, &m_fileSink);
    if (FAILED(hr))
        return hr;
    SetCaptureInterleaving();

    hr = AddVideoEncoder(&m_videoEncoder);
    if (FAILED(hr))
        return hr;
    hr = AddAudioEncoder(&m_audioEncoder);
    if (FAILED(hr))
        return hr;

    CompleteVideoImageSize();
    hr = RenderSourceStream(builder, &MEDIATYPE_Video, m_videoEncoder, m_mux);
    if (FAILED(hr))
        return hr;
    hr = RenderSourceStream(builder, &MEDIATYPE_Audio, m_audioEncoder, m_mux);
    // Wine's multiplexer takes video formats only and refuses every audio type; there the
    // recording goes on with the video, the audio pin left unconnected.
    if (FAILED(hr) && !RunningOnWine())
        return hr;

    m_builder = builder;
    m_currentFile = name;
    if (m_settings.Split) {
        m_splitter.reset(new CAviFileSplitter(this, m_settings.Path, true, m_settings.Max));
        m_splitter->SetFileSize(m_fileSize);
        hr = m_splitter->Start(name);
        if (SUCCEEDED(hr) && m_splitTimer)
            hr = m_splitter->StartTimer();
        if (FAILED(hr)) {
            ShutdownSplitter();
            return hr;
        }
    }
    return S_OK;
}

// The program's type may leave the image size 0, as uncompressed RGB allows; Wine's
// multiplexer sizes its buffers from it and then refuses every sample, so the pin offers
// the size filled in.
void CAviComposeGraph::CompleteVideoImageSize()
{
    CCSVideoOutputPin* pin = ComposeSource() ? ComposeSource()->VideoPin() : nullptr;
    if (!pin || pin->IsConnected())
        return;
    CMediaType type(pin->CurrentMediaType());
    if (!type.IsValid() || !IsEqualGUID(*type.FormatType(), FORMAT_VideoInfo) ||
        type.FormatLength() < sizeof(VIDEOINFOHEADER))
        return;
    BITMAPINFOHEADER& bmi = reinterpret_cast<VIDEOINFOHEADER*>(type.Format())->bmiHeader;
    if (bmi.biSizeImage != 0 || (bmi.biCompression != BI_RGB && bmi.biCompression != BI_BITFIELDS))
        return;
    const LONG height = bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight;
    const DWORD stride = ((DWORD(bmi.biWidth) * bmi.biBitCount + 31) / 32) * 4;
    bmi.biSizeImage = stride * DWORD(height);
    pin->SetOutputMediaType(&type);
}

HRESULT CAviComposeGraph::AddVideoEncoder(IBaseFilter** encoder)
{
    const CString& codec = m_settings.VCodec;
    if (codec == kNoCodec)
        return S_OK;
    const bool ntsc = codec == kDvNtsc, pal = codec == kDvPal;
    const CString device = ntsc || pal ? CString(kDvEncoderName) : codec;
    CComPtr<IBaseFilter> made;
    HRESULT hr = CreateDeviceFilter(CLSID_VideoCompressorCategory, device, &made, m_graph.GetGraph(), device);
    if (SUCCEEDED(hr)) {
        if (ntsc || pal) {
            // The headers give IDVEnc no __uuidof; asked for by its IID.
            CComPtr<IDVEnc> dv;
            made->QueryInterface(IID_IDVEnc, reinterpret_cast<void**>(&dv));
            hr = dv ? dv->put_IFormatResolution(ntsc ? DVENCODERVIDEOFORMAT_NTSC : DVENCODERVIDEOFORMAT_PAL,
                                                DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_720x480, FALSE, nullptr)
                    : E_NOINTERFACE;
        } else if (CComQIPtr<IAMVideoCompression> compression = CComQIPtr<IAMVideoCompression>(made.Get())) {
            // A compressor without a quality setting records at its own.
            compression->put_Quality(m_settings.VQuality / 100.0);
        }
        if (FAILED(hr))
            RemoveOwnFilter(made);
    }
    if (FAILED(hr)) {
        ReportCodec(kIdsVideoEncoderFailed, codec, MB_OK);
        return hr;
    }
    *encoder = made.Detach();
    return S_OK;
}

HRESULT CAviComposeGraph::AddAudioEncoder(IBaseFilter** encoder)
{
    const CString& codec = m_settings.ACodec;
    if (codec == kNoCodec)
        return S_OK;
    CComPtr<IBaseFilter> made;
    const HRESULT hr = CreateDeviceFilter(CLSID_AudioCompressorCategory, codec, &made, m_graph.GetGraph(), codec);
    if (FAILED(hr)) {
        ReportCodec(kIdsAudioEncoderFailed, codec, MB_OK);
        return hr;
    }
    *encoder = made.Detach();
    return S_OK;
}

// Wine's multiplexer starts only in full interleaving: in any other mode, its default
// included, its Pause answers E_NOTIMPL and the graph never runs. A change of mode makes it
// reconnect its pins, and with an input connected it crashes there (a null allocator), so
// the mode is set while the inputs are still free.
void CAviComposeGraph::SetCaptureInterleaving()
{
    CComQIPtr<IConfigInterleaving> interleaving(m_mux.Get());
    if (interleaving)
        interleaving->put_Mode(RunningOnWine() ? INTERLEAVE_FULL : INTERLEAVE_CAPTURE);
}

CString CAviComposeGraph::CurrentFileName()
{
    return m_splitter ? m_splitter->CurrentFile() : m_currentFile;
}

// A switch loses no program: the pins keep what arrives while the graph stops, joins the
// new file and runs again, and the new file's times begin at the oldest frame kept (a frame
// stamped before the restart would otherwise be dropped as late).
HRESULT CAviComposeGraph::StopGraph()
{
    HoldPins();
    return m_graph.Stop();
}

// Wine's multiplexer keeps its streams' state from one run to the next and writes nothing
// of a second run, so a renamed writer would get an empty file: the new file gets a fresh
// multiplexer and writer, joined to what fed the old ones. The graph is stopped.
HRESULT CAviComposeGraph::SetFileName(LPCWSTR name)
{
    IGraphBuilder* graph = m_graph.GetGraph();
    if (!m_fileSink || !m_mux || !m_builder || !graph || !name)
        return E_UNEXPECTED;
    HRESULT hr = S_OK;
    if (m_muxFeeds.empty()) {
        CComPtr<IEnumPins> pins;
        hr = m_mux->EnumPins(&pins);
        if (FAILED(hr))
            return hr;
        for (CComPtr<IPin> pin; pins->Next(1, &pin, nullptr) == S_OK; pin.Release()) {
            PIN_DIRECTION direction;
            CComPtr<IPin> upstream;
            if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT &&
                SUCCEEDED(pin->ConnectedTo(&upstream)))
                m_muxFeeds.push_back(upstream);
        }
    }
    const std::vector<CComPtr<IPin>>& feeds = m_muxFeeds;

    CComPtr<IBaseFilter> oldWriter;
    m_fileSink->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&oldWriter));
    CComPtr<IBaseFilter> mux;
    CComPtr<IFileSinkFilter> sink;
    hr = CreateAviFileSink(m_builder, graph, name, &mux, &sink);
    if (FAILED(hr))
        return hr;
    graph->RemoveFilter(m_mux);
    if (oldWriter)
        graph->RemoveFilter(oldWriter);
    m_mux = mux;
    m_fileSink = sink;
    SetCaptureInterleaving();
    for (size_t i = 0; i < feeds.size() && SUCCEEDED(hr); ++i) {
        IPin* in = GetUnconnectedPin(m_mux, TRUE);
        hr = in ? graph->ConnectDirect(feeds[i], in, nullptr) : VFW_E_NO_ACCEPTABLE_TYPES;
    }
    return hr;
}

HRESULT CAviComposeGraph::RunGraph()
{
    if (CComposeSource* source = ComposeSource()) {
        CCSBaseOutputPin* pins[] = {source->VideoPin(), source->AudioPin()};
        bool any = false;
        REFERENCE_TIME oldest = 0;
        for (CCSBaseOutputPin* pin : pins) {
            REFERENCE_TIME start = 0;
            if (pin && pin->IsHolding() && pin->OldestWaitingStart(&start) && (!any || start < oldest)) {
                oldest = start;
                any = true;
            }
        }
        // Both pins count from one moment, so picture and sound stay together.
        if (any)
            for (CCSBaseOutputPin* pin : pins)
                if (pin)
                    pin->RestartFrom(oldest);
    }
    return m_graph.Run();
}
