#include "app/settings/VDConfigPage.h"

#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputSettingsIni.h"

BEGIN_MESSAGE_MAP(CVDConfigPage, CPropertyPage)
    ON_EN_CHANGE(IDC_VD_PORT, OnChanged)
END_MESSAGE_MAP()

CVDConfigPage::CVDConfigPage() : CPropertyPage(IDD), m_nPort(kDefaultListenPort) {}

int CVDConfigPage::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CVDConfigPage::LoadSettings(const CString& path)
{
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    m_nPort = LoadVirtualDevicePort(path);
    return 1;
}

BOOL CVDConfigPage::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL CVDConfigPage::SaveSettings(const CString& path) const
{
    return SaveVirtualDevicePort(path, m_nPort);
}

BOOL CVDConfigPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    SetDlgItemInt(IDC_VD_PORT, m_nPort, FALSE);
    return TRUE;
}

void CVDConfigPage::OnChanged()
{
    SetModified(TRUE);
}

BOOL CVDConfigPage::OnApply()
{
    long long port = 0;
    if (!ParseNumberInRange(ControlText(this, IDC_VD_PORT), 1024, 65535, port))
        return RefuseWithFocus(this, IDS_VD_PORT_INVALID, IDC_VD_PORT);
    m_nPort = static_cast<WORD>(port);
    SaveSettings();
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
