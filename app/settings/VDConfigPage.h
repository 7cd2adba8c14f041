// The virtual-device page: the port the frame server listens on while the virtual-device
// output runs, which the virtual capture device connects to. Kept in config\output.ini,
// section [VirtualDevice].
#pragma once

#include <afxdlgs.h>

#include "app/settings/OutputPagesIds.h"

class CVDConfigPage : public CPropertyPage {
public:
    enum { IDD = IDD_VD_CONFIG_PAGE };

    CVDConfigPage();

    // 0 when output.ini is missing; the port then stays 8601, the port the virtual capture
    // device tries first.
    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    WORD m_nPort;

    // Set once OK or Apply took the page; the main window copies only applied pages.
    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnChanged();

    DECLARE_MESSAGE_MAP()
};
