// The window layer goes first: the DirectShow headers bring macros that clash with it.
#include <afxwin.h>

#include "app/graphs/outputs/wmv/WmvPushSession.h"

#include "app/core/EngineClock.h"
#include "app/settings/WMVCredentialDlg.h"

#include <cwchar>

namespace {

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

} // namespace

WmvCredentialPrompt SetWmvCredentialPrompt(WmvCredentialPrompt prompt)
{
    std::lock_guard<std::mutex> lock(g_promptLock);
    WmvCredentialPrompt previous = g_prompt;
    g_prompt = prompt;
    return previous;
}

CWmvPushSession::~CWmvPushSession()
{
    DropSink(true);
    std::lock_guard<std::mutex> lock(m_callbackLock);
    m_connectEvent.Close();
}

HRESULT CWmvPushSession::Open()
{
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

void CWmvPushSession::Close()
{
    DropSink(false);
    std::lock_guard<std::mutex> lock(m_callbackLock);
    m_connectEvent.Close();
}

void CWmvPushSession::SetErrorWindow(HWND window)
{
    std::lock_guard<std::mutex> lock(m_callbackLock);
    m_errorWindow = window;
}

void CWmvPushSession::Connect(IWMWriterAdvanced2* advanced, const CEncodeSettings& settings)
{
    DropSink(true);
    {
        std::lock_guard<std::mutex> lock(m_callbackLock);
        if (!m_connectEvent) {
            ReportError(E_UNEXPECTED);
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
        ReportError(hr);
        return;
    }
    m_sink = sink;

    const CString url = L"http://" + settings.PushServer + L"/" + settings.PublishPoint;
    const CString& copyFrom = settings.GetCopyFrom();
    LPCWSTR templateUrl = copyFrom.IsEmpty() ? nullptr : static_cast<LPCWSTR>(copyFrom);
    hr = sink->Connect(url, templateUrl, settings.AutoRemove ? TRUE : FALSE);
    if (SUCCEEDED(hr))
        hr = WaitForConnection();
    else
        ReportError(hr); // refused at once: the status callback never reports it
    if (SUCCEEDED(hr)) {
        hr = advanced->AddSink(sink);
        if (FAILED(hr))
            ReportError(hr);
    }
    // A session that is not in the writer's list is given up: Destroy would never find it.
    if (FAILED(hr))
        DropSink(true);
}

HRESULT CWmvPushSession::WaitForConnection()
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
        const DWORD left = elapsed >= m_timeoutMs ? 0 : static_cast<DWORD>(m_timeoutMs - elapsed);
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
            ReportError(timeout);
            return timeout;
        }
        const HRESULT failed = HRESULT_FROM_WIN32(GetLastError());
        ReportError(FAILED(failed) ? failed : E_FAIL);
        return FAILED(failed) ? failed : E_FAIL;
    }
}

void CWmvPushSession::DropSink(bool disconnect)
{
    CComPtr<IWMWriterPushSink> sink;
    sink.Attach(m_sink.Detach());
    if (!sink)
        return;
    CComQIPtr<IWMRegisterCallback> registration(sink);
    if (registration)
        registration->Unadvise(static_cast<IWMStatusCallback*>(this), nullptr);
    if (disconnect)
        sink->Disconnect();
}

HWND CWmvPushSession::ErrorWindow()
{
    if (m_errorWindow)
        return m_errorWindow;
    CWnd* main = AfxGetMainWnd();
    return main ? main->GetSafeHwnd() : nullptr;
}

void CWmvPushSession::ReportError(HRESULT hr)
{
    PostMessageW(ErrorWindow(), WM_PUSH_ERROR, static_cast<WPARAM>(static_cast<ULONG>(hr)), 0);
}

STDMETHODIMP CWmvPushSession::QueryInterface(REFIID riid, void** ppv)
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

STDMETHODIMP CWmvPushSession::OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE, BYTE*, void*)
{
    // Runs on a thread of the runtime: store, signal, post, nothing more. Once Close has
    // closed the event a late status is dropped.
    std::lock_guard<std::mutex> lock(m_callbackLock);
    if (!m_connectEvent)
        return S_OK;
    if (status == WMT_ERROR) {
        m_connectResult = hr;
        SetEvent(m_connectEvent.Get());
        if (FAILED(hr))
            ReportError(hr);
    } else if (status == WMT_OPENED) {
        m_connectResult = S_OK;
        SetEvent(m_connectEvent.Get());
    }
    return S_OK;
}

STDMETHODIMP CWmvPushSession::AcquireCredentials(WCHAR*, WCHAR* site, WCHAR* user, DWORD userChars,
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
