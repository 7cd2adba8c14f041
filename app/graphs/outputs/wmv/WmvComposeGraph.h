// The Windows Media output: the program encoded by the Windows Media ASF writer with the
// operator's profile, sent to any combination of a file, a pull broadcast on a local port
// and a push to a publishing point of a streaming server.
#pragma once

#include "app/graphs/compose/ComposeGraph.h"
#include "app/core/OutputSettings.h"

#include "app/graphs/outputs/wmv/WmvPushSession.h"

#include <wmfplatform.h>

class CWmvComposeGraph : public CComposeGraph {
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
    void SetPushConnectTimeout(DWORD milliseconds) { m_push.SetConnectTimeout(milliseconds); }
    // Where push failures are posted; null (the default) is the application's main window.
    void SetPushErrorWindow(HWND window) { m_push.SetErrorWindow(window); }
    // The push to a server, with the runtime's callbacks.
    CWmvPushSession& PushSession() { return m_push; }

    IBaseFilter* GetWriter() const { return m_writer; }
    const CEncodeSettings& GetSettings() const { return m_settings; }

private:
    HRESULT AddOutputFilters() override;
    void StopForTeardown() override;
    void RemoveOutputFilters() override;
    HRESULT DisconnectSinks();
    void AddNetworkSink(IWMWriterAdvanced2* advanced);
    HRESULT FitProfileToOutput(IWMProfile* profile);
    bool GetOutputSize(LONG* width, LONG* height);

    CComPtr<IBaseFilter> m_writer;
    CEncodeSettings m_settings;
    CWmvPushSession m_push;
};
