// The Windows Media output: the program encoded by the Windows Media ASF writer with the
// operator's profile, sent to any combination of a file, a pull broadcast on a local port
// and a push to a publishing point of a streaming server.
#pragma once

#include "app/graphs/ComposeGraph.h"
#include "app/core/OutputSettings.h"
#include "app/foundation/HandleOwner.h"

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

class CWmvComposeGraph : public CComposeGraph, public IWMStatusCallback, public IWMCredentialCallback {
public:
    CWmvComposeGraph();
    ~CWmvComposeGraph() override;

    void SetSettings(const CEncodeSettings& settings);
    // The director hands the settings after Create and before Build.
    void SetEncodeSettings(const CEncodeSettings& settings) override { SetSettings(settings); }

    HRESULT Build() override;

    // Sets the writer's file name, sinks, profile and content description.
    HRESULT ConfigureWriter();

    // The path itself when no file of that name exists, else the first free name with
    // "%03d" (1, 2, ...) inserted before the extension of the file name.
    static CString MakeUniqueFileName(const CString& path);

    // How long Build waits for a push connection (15 s unless set); the time the operator
    // spends in the password box does not count. The wait is measured by the engine clock.
    void SetPushConnectTimeout(DWORD milliseconds) { m_pushTimeoutMs = milliseconds; }
    // Where push failures are posted; null (the default) is the application's main window.
    void SetPushErrorWindow(HWND window);

    IBaseFilter* GetWriter() const { return m_writer; }
    const CEncodeSettings& GetSettings() const { return m_settings; }

    // The callbacks are parts of the graph and live as long as it does: not counted.
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
    HRESULT AddOutputFilters() override;
    void StopForTeardown() override;
    void RemoveOutputFilters() override;
    HRESULT DisconnectSinks();
    void AddNetworkSink(IWMWriterAdvanced2* advanced);
    void AddPushSink(IWMWriterAdvanced2* advanced);
    // Waits for the status callback, pumping this thread's messages; the connect result, or
    // a time-out.
    HRESULT WaitForPushConnection();
    // Stops the push sink's callbacks and lets it go (disconnecting it when asked).
    void DropPushSink(bool disconnect);
    HRESULT FitProfileToOutput(IWMProfile* profile);
    bool GetOutputSize(LONG* width, LONG* height);
    void ReportPushError(HRESULT hr);
    HWND PushErrorWindow();

    CComPtr<IBaseFilter> m_writer;
    CEncodeSettings m_settings;
    CHandleOwner m_connectEvent;
    HRESULT m_connectResult = S_OK;

    // The push sink while its callbacks are registered (until Destroy, or until a failed
    // connection is given up).
    CComPtr<IWMWriterPushSink> m_pushSink;
    DWORD m_pushTimeoutMs = 15000;
    // Password boxes open on the runtime's thread; while one is, the wait does not time out.
    volatile LONG m_promptsOpen = 0;
    HWND m_pushErrorWindow = nullptr;
    // Guards the event and the result against the runtime's thread.
    std::mutex m_callbackLock;
};
