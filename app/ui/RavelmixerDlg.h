// The operator's desk: the main window (dialog 102) that embeds the engine and every control of
// the desk and lives for the whole run.
#pragma once

#include <afxwin.h>

#include "app/ui/UiResourceIds.h"

class CRavelmixerDlg : public CDialog {
public:
    enum { IDD = IDD_RAVELMIXER_DIALOG };
    explicit CRavelmixerDlg(CWnd* pParent = nullptr);
    ~CRavelmixerDlg() override;

protected:
    BOOL OnInitDialog() override;
    // Enter never closes the desk.
    void OnOK() override {}

    DECLARE_MESSAGE_MAP()
};
