// The destinations page of the Windows Media sheet: a file, a pull broadcast on a port, a
// push to a publishing point, in any combination. Kept in config\output.ini, [Encoding].
#pragma once

#include <afxdlgs.h>

#include "app/core/OutputSettings.h"
#include "app/settings/OutputPagesIds.h"

class CEncodeOutputPage : public CPropertyPage {
public:
    enum { IDD = IDD_ENCODE_OUTPUT_PAGE };

    CEncodeOutputPage();

    // 1 when output.ini exists and was read; 0 (nothing changes) otherwise.
    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    // The destinations into the record: the flags rebuilt from the three checks, the port
    // text as a number in 16 bits (a text that is no number keeps the record's port).
    void CopyTo(CEncodeSettings& settings) const;

    // The first check that refuses the values, as the string to show and the control to
    // focus; 0 when they pass.
    struct Refusal {
        UINT textId;
        UINT controlId;
    };
    Refusal Validate() const;
    static bool IsValidFileName(const CString& path);

    // The first TCP port from 1025 up that binds on every local address and that no other
    // socket shares; 65536 (which the port check refuses) when none does or no socket can
    // be made. bindPort replaces the bind in tests.
    typedef int (*BindPortProc)(UINT_PTR socket, int port);   // 0 when it bound
    static int FindFreePort(BindPortProc bindPort = nullptr);

    int m_nOutputFile = 0;
    CString m_strOutputFilePath;
    int m_nAddindex = 0;
    int m_nOverwrite = 0;
    int m_nBroadcast = 0;
    CString m_strBroadcastPort;
    int m_nPushToServer = 0;
    CString m_strPushServer;
    CString m_strPublishPoint;
    CString m_strCopyFrom;
    int m_nAutoRemove = 0;

    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnDestinationClicked();
    void OnChanged();
    void OnBrowse();
    void OnFindPort();

    DECLARE_MESSAGE_MAP()

private:
    void EnableDestinations();
};
