// The choice between the two kinds of use the program is set up for, offered at start while
// system.ini [Main] AppSelect is 0: video production (PAL or NTSC, DV recording) or live network
// streaming. It writes the matching output format and AVI codec into output.ini.
#pragma once

#include <afxwin.h>

#include <vector>

#include "app/settings/OutputConfigPageIds.h"

// The friendly names of the installed video compressors; behind a replaceable function so that
// tests can give any list.
using CompressorNamesProc = HRESULT (*)(std::vector<CString>& names);
CompressorNamesProc SetCompressorNamesProc(CompressorNamesProc proc);

class CAppSelectDlg : public CDialog {
public:
    enum { IDD = IDD_APPSELECT_DIALOG };
    enum Use { kProduction = 0, kStreaming = 1 };
    enum Standard { kPal = 0, kNtsc = 1 };

    explicit CAppSelectDlg(CWnd* pParent = nullptr);

    // config\system.ini and config\output.ini beside the program.
    static CString SystemSettingsPath();
    static CString OutputSettingsPath();

    // Reads AppSelect (1 when missing) into the check box value and runs the dialog modally
    // when it is 0; returns the dialog's result, or IDCANCEL when it was not shown.
    INT_PTR ShowIfNeeded();

    // The DV codec among the compressor names: "Canopus DV" wherever it stands, else
    // "MainConcept DV Video Encoder", else empty.
    static CString FindDvCodec(const std::vector<CString>& names);
    // Writes the output format and AVI codec of a choice into output.ini (created when missing).
    static BOOL WritePreset(int use, int standard, const CString& dvCodec, const CString& outputIni);

    int m_nUse = kProduction;
    int m_nStandard = kPal;
    int m_bDontShow = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()
};
