// The window layer goes first: the DirectShow headers bring macros that clash with it.
#include <afxwin.h>

#include "app/graphs/outputs/wmv/WmvComposeGraph.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/DShowHelpers.h"

#include <servprov.h>

#include <vector>

namespace {

const UINT IDS_WMV_LISTEN_FAILED = 251; // "端口%d监听失败，错误值：0x%8.8x！"
const UINT IDS_WMV_BAD_PATH = 253;      // "文件路径：%s错误！"
const UINT IDS_ERROR_CAPTION = 106;

bool FolderExists(const CString& path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const CString& path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

int LastSeparator(const CString& path)
{
    const int backslash = path.ReverseFind(L'\\');
    const int slash = path.ReverseFind(L'/');
    return backslash > slash ? backslash : slash;
}

void ShowError(const CString& text)
{
    CWnd* main = AfxGetMainWnd();
    AppMessageBoxText(main ? main->GetSafeHwnd() : nullptr, text, IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
}

// The content strings go in with their terminator; the header's 16-bit length caps them.
void SetContentAttribute(IWMHeaderInfo* header, LPCWSTR name, const CString& value)
{
    const int maxChars = 0xFFFF / sizeof(WCHAR) - 1;
    const CString text = value.GetLength() > maxChars ? value.Left(maxChars) : value;
    const WORD bytes = static_cast<WORD>((text.GetLength() + 1) * sizeof(WCHAR));
    header->SetAttribute(0, name, WMT_TYPE_STRING, reinterpret_cast<const BYTE*>(static_cast<LPCWSTR>(text)), bytes);
}

} // namespace

CWmvComposeGraph::CWmvComposeGraph() = default;

// Deleted without Destroy, the push session drops its sink itself.
CWmvComposeGraph::~CWmvComposeGraph() = default;

void CWmvComposeGraph::SetSettings(const CEncodeSettings& settings)
{
    m_settings = settings;
}

HRESULT CWmvComposeGraph::AddOutputFilters()
{
    // The writer itself is added by Build; here only the push session's event.
    return m_push.Open();
}

void CWmvComposeGraph::StopForTeardown()
{
    // The sinks go first, with the push sink's callbacks: the event they signal is closed
    // only when none can come any more.
    DisconnectSinks();
    m_push.Close();
}

void CWmvComposeGraph::RemoveOutputFilters()
{
    RemoveOwnFilter(m_writer);
    m_writer.Release();
}

HRESULT CWmvComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    if (m_writer) {
        RemoveOwnFilter(m_writer);
        m_writer.Release();
    }
    hr = AddFilterByCLSID(m_graph.GetGraph(), CLSID_WMAsfWriter, L"WMAsfWriter", &m_writer);
    if (FAILED(hr))
        return hr;
    hr = ConfigureWriter();
    if (FAILED(hr))
        return hr;
    hr = RenderSourceStream(builder, &MEDIATYPE_Audio, nullptr, m_writer);
    if (FAILED(hr))
        return hr;
    return RenderSourceStream(builder, &MEDIATYPE_Video, nullptr, m_writer);
}

CString CWmvComposeGraph::MakeUniqueFileName(const CString& path)
{
    if (!FileExists(path))
        return path;
    // Only the file name's own dot counts: a dot in a folder name is not an extension.
    const int nameStart = LastSeparator(path) + 1;
    int dot = path.ReverseFind(L'.');
    if (dot < nameStart)
        dot = path.GetLength();
    for (int n = 1; n < 100000; ++n) {
        CString counter;
        counter.Format(L"%03d", n);
        CString candidate = path;
        candidate.Insert(dot, counter);
        if (!FileExists(candidate))
            return candidate;
    }
    return path;
}

HRESULT CWmvComposeGraph::ConfigureWriter()
{
    if (!m_writer)
        return E_UNEXPECTED;
    CComQIPtr<IServiceProvider> provider(m_writer);
    CComQIPtr<IFileSinkFilter> fileSink(m_writer);
    CComQIPtr<IConfigAsfWriter> config(m_writer);
    CComPtr<IWMWriterAdvanced2> advanced;
    if (provider)
        provider->QueryService(IID_IWMWriterAdvanced2, IID_IWMWriterAdvanced2, reinterpret_cast<void**>(&advanced));
    CComQIPtr<IWMWriter> writer(advanced);
    CComQIPtr<IWMHeaderInfo> header(writer);
    if (!provider || !fileSink || !config || !advanced || !writer || !header)
        return E_FAIL;

    const bool archive = (m_settings.Flags & kEncodeOutputFile) != 0;
    if (archive) {
        if (!m_settings.Overwrite)
            m_settings.OutputFilePath = MakeUniqueFileName(m_settings.OutputFilePath);
        const int separator = LastSeparator(m_settings.OutputFilePath);
        // "C:" alone names the current folder of the drive; its root is meant.
        CString folder = separator > 0 ? m_settings.OutputFilePath.Left(separator) : CString();
        if (folder.GetLength() == 2 && folder[1] == L':')
            folder += L"\\";
        if (separator > 0 && !FolderExists(folder)) {
            CString text;
            text.Format(IDS_WMV_BAD_PATH, static_cast<LPCWSTR>(m_settings.OutputFilePath));
            ShowError(text);
        }
    } else {
        m_settings.OutputFilePath = GetExeDirectory() + L"\\empty.wmv";
    }

    if (SUCCEEDED(fileSink->SetFileName(m_settings.OutputFilePath, nullptr)))
        config->SetIndexMode(m_settings.Addindex ? TRUE : FALSE);
    // Without an archive the writer's own file sink goes: the name above is never written.
    if (!archive)
        advanced->RemoveSink(nullptr);

    if (m_settings.Flags & kEncodeBroadcast)
        AddNetworkSink(advanced);
    if (m_settings.Flags & kEncodePushToServer)
        m_push.Connect(advanced, m_settings);

    CComPtr<IWMProfile> profile;
    profile.Attach(m_settings.CreateProfile());
    if (!profile)
        return E_UNEXPECTED;
    FitProfileToOutput(profile);
    HRESULT hr = config->ConfigureFilterUsingProfile(profile);
    if (FAILED(hr))
        return hr;

    SetContentAttribute(header, L"Title", m_settings.Title);
    SetContentAttribute(header, L"Rating", m_settings.Rating);
    SetContentAttribute(header, L"Author", m_settings.Author);
    SetContentAttribute(header, L"Copyright", m_settings.Copyright);
    SetContentAttribute(header, L"Description", m_settings.Description);
    return hr;
}

void CWmvComposeGraph::AddNetworkSink(IWMWriterAdvanced2* advanced)
{
    DWORD port = m_settings.Port;
    CComPtr<IWMWriterNetworkSink> sink;
    HRESULT hr = wmf::CreateWriterNetworkSink(&sink);
    if (SUCCEEDED(hr) && !sink)
        hr = E_POINTER;
    if (SUCCEEDED(hr)) {
        sink->SetNetworkProtocol(WMT_PROTOCOL_HTTP);
        hr = sink->Open(&port);
    }
    if (SUCCEEDED(hr)) {
        hr = advanced->AddSink(sink);
        if (FAILED(hr))
            sink->Close();
    }
    // The operator learns that nobody can pull from the port; the other sinks go on.
    if (FAILED(hr)) {
        CString text;
        text.Format(IDS_WMV_LISTEN_FAILED, static_cast<int>(m_settings.Port), static_cast<unsigned>(hr));
        ShowError(text);
    }
}

HRESULT CWmvComposeGraph::DisconnectSinks()
{
    if (!m_writer)
        return E_UNEXPECTED;
    CComQIPtr<IServiceProvider> provider(m_writer);
    CComPtr<IWMWriterAdvanced2> advanced;
    if (provider)
        provider->QueryService(IID_IWMWriterAdvanced2, IID_IWMWriterAdvanced2, reinterpret_cast<void**>(&advanced));
    if (!advanced)
        return E_POINTER;
    // No status may arrive while the session ends; the writer's list still holds the sink.
    m_push.DropSink(false);
    DWORD count = 0;
    if (SUCCEEDED(advanced->GetSinkCount(&count))) {
        for (DWORD i = 0; i < count; ++i) {
            CComPtr<IWMWriterSink> sink;
            if (FAILED(advanced->GetSink(i, &sink)) || !sink)
                continue;
            CComQIPtr<IWMWriterNetworkSink> network(sink);
            if (network)
                network->Close();
            CComQIPtr<IWMWriterPushSink> push(sink);
            if (push)
                push->Disconnect();
        }
    }
    return advanced->RemoveSink(nullptr);
}

bool CWmvComposeGraph::GetOutputSize(LONG* width, LONG* height)
{
    // The director gives the compose source's video pin the program's output type before
    // Build: its picture is the output size.
    CComposeSource* source = ComposeSource();
    if (!source || !source->VideoPin())
        return false;
    CComPtr<IEnumMediaTypes> types;
    if (FAILED(source->VideoPin()->EnumMediaTypes(&types)) || !types)
        return false;
    CAutoMediaTypePtr type;
    ULONG fetched = 0;
    if (types->Next(1, &type, &fetched) != S_OK || !type.Get())
        return false;
    bool found = false;
    if (type->formattype == FORMAT_VideoInfo && type->cbFormat >= sizeof(VIDEOINFOHEADER) && type->pbFormat) {
        const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        *width = vih->bmiHeader.biWidth;
        *height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
        found = *width > 0 && *height > 0;
    }
    return found;
}

HRESULT CWmvComposeGraph::FitProfileToOutput(IWMProfile* profile)
{
    // Only the usual audio-and-video profile is fitted; any other is the operator's own.
    DWORD count = 0;
    HRESULT hr = profile->GetStreamCount(&count);
    if (FAILED(hr) || count != 2)
        return hr;
    LONG width = 0, height = 0;
    if (!GetOutputSize(&width, &height))
        return S_FALSE;
    for (DWORD i = 0; i < count; ++i) {
        CComPtr<IWMStreamConfig> stream;
        GUID streamType = GUID_NULL;
        if (FAILED(profile->GetStream(i, &stream)) || !stream || FAILED(stream->GetStreamType(&streamType)))
            continue;
        if (streamType != MEDIATYPE_Video)
            continue;
        CComQIPtr<IWMMediaProps> props(stream);
        DWORD size = 0;
        if (!props || FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE))
            continue;
        // Kept in 8-byte units so the type and the format after it are aligned.
        std::vector<ULONGLONG> buffer((size + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
        WM_MEDIA_TYPE* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data());
        if (FAILED(props->GetMediaType(type, &size)))
            continue;
        if (type->formattype != FORMAT_VideoInfo || !type->pbFormat || type->cbFormat < sizeof(VIDEOINFOHEADER))
            continue;
        VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
        if (vih->bmiHeader.biWidth != 0 && vih->bmiHeader.biHeight != 0)
            continue;
        vih->bmiHeader.biWidth = width;
        vih->bmiHeader.biHeight = height;
        SetRect(&vih->rcSource, 0, 0, width, height);
        SetRect(&vih->rcTarget, 0, 0, width, height);
        if (SUCCEEDED(props->SetMediaType(type)))
            profile->ReconfigStream(stream);
    }
    return S_OK;
}
