#include "app/settings/VCardConfigPage.h"

#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputSettingsIni.h"

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<MONITORINFOEXW>*>(data)->push_back(info);
    return TRUE;
}

} // namespace

BEGIN_MESSAGE_MAP(CVCardConfigPage, CPropertyPage)
    ON_BN_CLICKED(IDC_VC_REFRESH, OnRefresh)
    ON_LBN_SELCHANGE(IDC_VC_MONITOR, OnChanged)
END_MESSAGE_MAP()

CVCardConfigPage::CVCardConfigPage() : CPropertyPage(IDD), m_nMonitor(kDefaultVCardMonitor) {}

int CVCardConfigPage::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CVCardConfigPage::LoadSettings(const CString& path)
{
    return LoadVCardMonitor(path, m_nMonitor);
}

BOOL CVCardConfigPage::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL CVCardConfigPage::SaveSettings(const CString& path) const
{
    return SaveVCardMonitor(path, m_nMonitor);
}

void CVCardConfigPage::EnumMonitors(std::vector<MONITORINFOEXW>& monitors)
{
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
}

CString CVCardConfigPage::MonitorText(const MONITORINFOEXW& monitor)
{
    CString text;
    text.Format(L"%s (%d,%d,%d,%d)", monitor.szDevice, static_cast<int>(monitor.rcMonitor.left),
                static_cast<int>(monitor.rcMonitor.top), static_cast<int>(monitor.rcMonitor.right),
                static_cast<int>(monitor.rcMonitor.bottom));
    return text;
}

BOOL CVCardConfigPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    FillMonitors();
    return TRUE;
}

void CVCardConfigPage::FillMonitors()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_VC_MONITOR);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    m_monitors.clear();
    EnumMonitors(m_monitors);
    for (const MONITORINFOEXW& monitor : m_monitors) {
        const CString text = MonitorText(monitor);
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(text)));
    }
    // A stored number beyond the monitors selects nothing (LB_SETCURSEL refuses it).
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(m_nMonitor - 1), 0);
}

void CVCardConfigPage::OnRefresh()
{
    FillMonitors();
}

void CVCardConfigPage::OnChanged()
{
    SetModified(TRUE);
}

BOOL CVCardConfigPage::OnApply()
{
    const LRESULT index = ::SendDlgItemMessageW(m_hWnd, IDC_VC_MONITOR, LB_GETCURSEL, 0, 0);
    if (index >= 0) {
        m_nMonitor = static_cast<int>(index) + 1;
        SaveSettings();
    }
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
