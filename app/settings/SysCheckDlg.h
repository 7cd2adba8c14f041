// The start-up system check: at least two processors, pixel shader 2.0 and textures of any size
// on the graphics card. A machine that meets them (or an operator who turned the check off in
// system.ini [Main] SysCheck) starts silently; otherwise the dialog shows the report and the
// operator continues (OK) or quits (Cancel).
#pragma once

#include <afxwin.h>

#include <vector>

#include "app/settings/SysCheckDlgIds.h"

// What the check reads from the machine; behind a replaceable function so that tests can give
// any machine.
struct SysCheckProbe {
    int processors = 0;
    bool direct3D = false;     // the Direct3D 9 object was created
    bool caps = false;         // adapter 0's hardware capabilities were read
    DWORD pixelShaderVersion = 0;
    DWORD textureCaps = 0;
};
using SysCheckProbeProc = SysCheckProbe (*)();

// The machine as it is (processor count, Direct3D 9 capabilities of adapter 0).
SysCheckProbe ProbeThisMachine();
// Replaces the probe (nullptr restores the machine's own); returns the previous one.
SysCheckProbeProc SetSysCheckProbeProc(SysCheckProbeProc proc);

class CSysCheckDlg : public CDialog {
public:
    enum { IDD = IDD_SYSCHECK_DIALOG };

    struct Row {
        CString item, standard, local;
        bool passed;
    };

    explicit CSysCheckDlg(CWnd* pParent = nullptr);

    // config\system.ini beside the program.
    static CString SettingsPath();

    // 1 when the check is turned off or every row passed; 0 with the report filled otherwise.
    int RunChecks();
    // The rows of a probe, in order: processors, pixel shader, textures of any size.
    static std::vector<Row> CheckRows(const SysCheckProbe& probe);
    static CString FormatReport(const std::vector<Row>& rows);

    CString m_strReport;
    int m_bSkip = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnSkipClicked();

    DECLARE_MESSAGE_MAP()
};
