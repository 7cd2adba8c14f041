// The window layer goes first: the DirectShow headers bring macros that clash with it.
#include <afxwin.h>

#include "app/graphs/WmvComposeGraph.h"

#include "app/core/EngineClock.h"
#include "app/foundation/AppHelpers.h"
#include "app/foundation/DShowHelpers.h"
#include "app/settings/WMVCredentialDlg.h"

#include <servprov.h>

#include <cwchar>
#include <vector>

namespace {

const UINT IDS_WMV_LISTEN_FAILED = 251; // "端口%d监听失败，错误值：0x%8.8x！"
const UINT IDS_WMV_BAD_PATH = 253;      // "文件路径：%s错误！"
const UINT IDS_ERROR_CAPTION = 106;

std::mutex g_promptLock;
WmvCredentialPrompt g_prompt;

// The program's own question: the password box, modal over the main window (whose thread
// keeps pumping while the push connects). A box that cannot be shown counts as Cancel.
bool AskWithDialog(WmvCredentials& credentials)
{
    CWMVCredentialDlg dialog;
    dialog.SetAddress(credentials.site);
    dialog.m_user = credentials.user;
    dialog.m_password = credentials.password;
    if (dialog.DoModal() != IDOK)
        return false;
    credentials.user = dialog.m_user;
    credentials.password = dialog.m_password;
    credentials.remember = dialog.m_remember;
    return true;
}

bool PromptForCredentials(WmvCredentials& credentials)
{
    WmvCredentialPrompt prompt;
    {
        std::lock_guard<std::mutex> lock(g_promptLock);
        prompt = g_prompt;
    }
    return prompt ? prompt(credentials) : AskWithDialog(credentials);
}

// A buffer handed in by the runtime, read as at most `chars` characters and only up to
// its first terminator: what follows the prefilled text is not part of it.
CString TextOfBuffer(const WCHAR* buffer, DWORD chars)
{
    if (!buffer || chars == 0)
        return CString();
    size_t length = 0;
    while (length < chars && buffer[length] != L'\0')
        ++length;
    return CString(buffer, static_cast<int>(length));
}

// Copies at most chars - 1 characters and always terminates; a buffer without room gets
// nothing.
void CopyToBuffer(WCHAR* buffer, DWORD chars, const CString& text)
{
    if (!buffer || chars == 0)
        return;
    wcsncpy(buffer, static_cast<LPCWSTR>(text), chars - 1);
    buffer[chars - 1] = L'\0';
}

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

WmvCredentialPrompt SetWmvCredentialPrompt(WmvCredentialPrompt prompt)
{
    std::lock_guard<std::mutex> lock(g_promptLock);
    WmvCredentialPrompt previous = g_prompt;
    g_prompt = prompt;
    return previous;
}

CWmvComposeGraph::CWmvComposeGraph() = default;

CWmvComposeGraph::~CWmvComposeGraph()
{
    // Deleted without Destroy: the runtime must not call back into a freed object.
    DropPushSink(true);
    std::lock_guard<std::mutex> lock(m_callbackLock);
    m_connectEvent.Close();
}

void CWmvComposeGraph::SetSettings(const CEncodeSettings& settings)
{
    m_settings = settings;
}

void CWmvComposeGraph::SetPushErrorWindow(HWND window)
{
    std::lock_guard<std::mutex> lock(m_callbackLock);
    m_pushErrorWindow = window;
}

HRESULT CWmvComposeGraph::AddOutputFilters()
{
    // The writer itself is added by Build; here only the event its push session signals.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        return FAILED(hr) ? hr : E_FAIL;
    }
    std::lock_guard<std::mutex> lock(m_callbackLock);
    m_connectEvent.Reset(event);
    m_connectResult = S_OK;
    return S_OK;
}

void CWmvComposeGraph::StopForTeardown()
{
    // The sinks go first, with the push sink's callbacks: the event they signal is closed
    // only when none can come any more.
    DisconnectSinks();
    DropPushSink(false);
    std::lock_guard<std::mutex> lock(m_callbackLock);
    m_connectEvent.Close();
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
        AddPushSink(advanced);

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

void CWmvComposeGraph::AddPushSink(IWMWriterAdvanced2* advanced)
{
    DropPushSink(true);
    {
        std::lock_guard<std::mutex> lock(m_callbackLock);
        if (!m_connectEvent) {
            ReportPushError(E_UNEXPECTED);
            return;
        }
        ResetEvent(m_connectEvent.Get());
        m_connectResult = S_OK;
    }
    CComPtr<IWMWriterPushSink> sink;
    HRESULT hr = wmf::CreateWriterPushSink(&sink);
    if (SUCCEEDED(hr) && !sink)
        hr = E_POINTER;
    CComQIPtr<IWMRegisterCallback> registration(sink);
    if (SUCCEEDED(hr) && !registration)
        hr = E_NOINTERFACE;
    if (SUCCEEDED(hr))
        hr = registration->Advise(static_cast<IWMStatusCallback*>(this), nullptr);
    if (FAILED(hr)) {
        ReportPushError(hr);
        return;
    }
    m_pushSink = sink;

    const CString url = L"http://" + m_settings.PushServer + L"/" + m_settings.PublishPoint;
    const CString& copyFrom = m_settings.GetCopyFrom();
    LPCWSTR templateUrl = copyFrom.IsEmpty() ? nullptr : static_cast<LPCWSTR>(copyFrom);
    hr = sink->Connect(url, templateUrl, m_settings.AutoRemove ? TRUE : FALSE);
    if (SUCCEEDED(hr))
        hr = WaitForPushConnection();
    else
        ReportPushError(hr); // refused at once: the status callback never reports it
    if (SUCCEEDED(hr)) {
        hr = advanced->AddSink(sink);
        if (FAILED(hr))
            ReportPushError(hr);
    }
    // A session that is not in the writer's list is given up: Destroy would never find it.
    if (FAILED(hr))
        DropPushSink(true);
}

HRESULT CWmvComposeGraph::WaitForPushConnection()
{
    HANDLE event;
    {
        std::lock_guard<std::mutex> lock(m_callbackLock);
        event = m_connectEvent.Get();
    }
    // The main thread waits here; it keeps dispatching its messages (the credential dialog
    // and the windows stay alive) and gives up after the time-out. The time-out is for a
    // server that never answers: while the operator types a password it starts again.
    LONGLONG start = EngineClock::Now();
    for (;;) {
        if (InterlockedCompareExchange(&m_promptsOpen, 0, 0) > 0)
            start = EngineClock::Now();
        const LONGLONG elapsed = EngineClock::Now() - start;
        const DWORD left = elapsed >= m_pushTimeoutMs ? 0 : static_cast<DWORD>(m_pushTimeoutMs - elapsed);
        const DWORD wait = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            std::lock_guard<std::mutex> lock(m_callbackLock);
            // A failure was already posted by the callback.
            return m_connectResult;
        }
        if (wait == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    // The program is closing: hand the quit back to its own loop.
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    return E_ABORT;
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            continue;
        }
        if (wait == WAIT_TIMEOUT) {
            const HRESULT timeout = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
            ReportPushError(timeout);
            return timeout;
        }
        const HRESULT failed = HRESULT_FROM_WIN32(GetLastError());
        ReportPushError(FAILED(failed) ? failed : E_FAIL);
        return FAILED(failed) ? failed : E_FAIL;
    }
}

void CWmvComposeGraph::DropPushSink(bool disconnect)
{
    CComPtr<IWMWriterPushSink> sink;
    sink.Attach(m_pushSink.Detach());
    if (!sink)
        return;
    CComQIPtr<IWMRegisterCallback> registration(sink);
    if (registration)
        registration->Unadvise(static_cast<IWMStatusCallback*>(this), nullptr);
    if (disconnect)
        sink->Disconnect();
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
    DropPushSink(false);
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

HWND CWmvComposeGraph::PushErrorWindow()
{
    if (m_pushErrorWindow)
        return m_pushErrorWindow;
    CWnd* main = AfxGetMainWnd();
    return main ? main->GetSafeHwnd() : nullptr;
}

void CWmvComposeGraph::ReportPushError(HRESULT hr)
{
    PostMessageW(PushErrorWindow(), WM_PUSH_ERROR, static_cast<WPARAM>(static_cast<ULONG>(hr)), 0);
}

STDMETHODIMP CWmvComposeGraph::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IWMStatusCallback || riid == IID_IUnknown) {
        *ppv = static_cast<IWMStatusCallback*>(this);
        return S_OK;
    }
    if (riid == IID_IWMCredentialCallback) {
        *ppv = static_cast<IWMCredentialCallback*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CWmvComposeGraph::OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE, BYTE*, void*)
{
    // Runs on a thread of the runtime: store, signal, post, nothing more. Once Destroy has
    // closed the event a late status is dropped.
    std::lock_guard<std::mutex> lock(m_callbackLock);
    if (!m_connectEvent)
        return S_OK;
    if (status == WMT_ERROR) {
        m_connectResult = hr;
        SetEvent(m_connectEvent.Get());
        if (FAILED(hr))
            ReportPushError(hr);
    } else if (status == WMT_OPENED) {
        m_connectResult = S_OK;
        SetEvent(m_connectEvent.Get());
    }
    return S_OK;
}

STDMETHODIMP CWmvComposeGraph::AcquireCredentials(WCHAR*, WCHAR* site, WCHAR* user, DWORD userChars,
                                                  WCHAR* password, DWORD passwordChars, HRESULT, DWORD* flags)
{
    if (!flags)
        return E_POINTER;
    *flags = 0;
    WmvCredentials credentials;
    credentials.site = site ? CString(site) : CString();
    credentials.user = TextOfBuffer(user, userChars);
    credentials.password = TextOfBuffer(password, passwordChars);
    InterlockedIncrement(&m_promptsOpen);
    const bool entered = PromptForCredentials(credentials);
    InterlockedDecrement(&m_promptsOpen);
    if (!entered)
        return E_FAIL;
    CopyToBuffer(user, userChars, credentials.user);
    CopyToBuffer(password, passwordChars, credentials.password);
    *flags = credentials.remember ? WMT_CREDENTIAL_SAVE : 0;
    return S_OK;
}
