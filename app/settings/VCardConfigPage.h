// The graphics-card page: the monitor the full-screen video window fills. Kept in
// config\output.ini, section [VCard], as a 1-based monitor number.
#pragma once

#include <afxdlgs.h>

#include "app/settings/OutputPagesIds.h"

#include <vector>

class CVCardConfigPage : public CPropertyPage {
public:
    enum { IDD = IDD_VCARD_CONFIG_PAGE };

    CVCardConfigPage();

    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    int m_nMonitor;   // 1-based

    // Appends every display monitor in the order the system enumerates them; the main
    // window places the video window with the same list.
    static void EnumMonitors(std::vector<MONITORINFOEXW>& monitors);
    // "device (left,top,right,bottom)"
    static CString MonitorText(const MONITORINFOEXW& monitor);

    // Set once OK or Apply took the page; the main window copies only applied pages.
    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnRefresh();
    void OnChanged();

    DECLARE_MESSAGE_MAP()

private:
    void FillMonitors();

    std::vector<MONITORINFOEXW> m_monitors;
};
