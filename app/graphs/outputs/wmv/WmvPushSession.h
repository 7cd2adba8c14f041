// A push of the Windows Media output to a publishing point of a streaming server: the
// push sink, the connection the main thread waits for, and the runtime's callbacks (the
// connection's status, a server that asks for a password). Failures are posted to a window.
#pragma once

#include "app/core/OutputSettings.h"
#include "app/foundation/HandleOwner.h"

#include <streams.h>
#include <wmfplatform.h>

#include <functional>
#include <mutex>

// Posted to the main window when a push to a server fails (wParam the error code).
const UINT WM_PUSH_ERROR = 0x733;

// What a server that wants a password is asked for: the site is shown, the user name and
// password come prefilled and go back entered, remember asks the runtime to keep them.
struct WmvCredentials {
    CString site;
    CString user;
    CString password;
    int remember = 0;
};

// Asks the operator; true on OK. Runs on a thread of the Windows Media runtime while the
// main thread waits for the push connection (and keeps pumping its messages).
typedef std::function<bool(WmvCredentials& credentials)> WmvCredentialPrompt;

// Replaces the prompt (tests answer it themselves); an empty function restores the
// default, the password box CWMVCredentialDlg. Returns the previous prompt.
WmvCredentialPrompt SetWmvCredentialPrompt(WmvCredentialPrompt prompt);

class CWmvPushSession : public IWMStatusCallback, public IWMCredentialCallback {
public:
    CWmvPushSession() = default;
    // Deleted while still connected: the runtime must not call back into a freed object.
    ~CWmvPushSession();
    CWmvPushSession(const CWmvPushSession&) = delete;
    CWmvPushSession& operator=(const CWmvPushSession&) = delete;

    // Makes the event the status callback signals; before any Connect.
    HRESULT Open();
    // Stops the callbacks and closes the event: a late status is dropped after it. The
    // writer's list still holds the sink, which its owner disconnects.
    void Close();

    // Connects a push sink to the server the settings name and, once connected, adds it to
    // the writer. Failures are posted, never returned: the other sinks go on.
    void Connect(IWMWriterAdvanced2* advanced, const CEncodeSettings& settings);
    // Stops the push sink's callbacks and lets it go (disconnecting it when asked).
    void DropSink(bool disconnect);

    // How long Connect waits (15 s unless set); the time the operator spends in the
    // password box does not count. The wait is measured by the engine clock.
    void SetConnectTimeout(DWORD milliseconds) { m_timeoutMs = milliseconds; }
    // Where failures are posted; null (the default) is the application's main window.
    void SetErrorWindow(HWND window);

    // The callbacks are parts of the output and live as long as it does: not counted.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IWMStatusCallback: the outcome of a push connection.
    STDMETHODIMP OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE type, BYTE* value,
                          void* context) override;
    // IWMCredentialCallback: the server wants a user name and password.
    STDMETHODIMP AcquireCredentials(WCHAR* realm, WCHAR* site, WCHAR* user, DWORD userChars, WCHAR* password,
                                    DWORD passwordChars, HRESULT status, DWORD* flags) override;

private:
    // Waits for the status callback, pumping this thread's messages; the connect result, or
    // a time-out.
    HRESULT WaitForConnection();
    void ReportError(HRESULT hr);
    HWND ErrorWindow();

    CHandleOwner m_connectEvent;
    HRESULT m_connectResult = S_OK;
    // The push sink while its callbacks are registered (until Close, or until a failed
    // connection is given up).
    CComPtr<IWMWriterPushSink> m_sink;
    DWORD m_timeoutMs = 15000;
    // Password boxes open on the runtime's thread; while one is, the wait does not time out.
    volatile LONG m_promptsOpen = 0;
    HWND m_errorWindow = nullptr;
    // Guards the event and the result against the runtime's thread.
    std::mutex m_callbackLock;
};
