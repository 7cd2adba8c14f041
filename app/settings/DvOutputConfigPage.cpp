#include "app/settings/DvOutputConfigPage.h"

#include "app/settings/OutputSettingsIni.h"

BEGIN_MESSAGE_MAP(C1394OutputConfig, CPropertyPage)
    ON_BN_CLICKED(IDC_DV_AUTO_SELECT, OnAutoSelect)
    ON_BN_CLICKED(IDC_DV_PROPERTIES, OnProperties)
    ON_CBN_SELCHANGE(IDC_DV_DEVICE, OnChanged)
END_MESSAGE_MAP()

C1394OutputConfig::C1394OutputConfig() : CPropertyPage(IDD) {}

int C1394OutputConfig::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int C1394OutputConfig::LoadSettings(const CString& path)
{
    return LoadDvOutputSettings(path, m_settings);
}

BOOL C1394OutputConfig::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL C1394OutputConfig::SaveSettings(const CString& path) const
{
    return SaveDvOutputSettings(path, m_settings);
}

std::vector<CString> C1394OutputConfig::DeviceListTexts(const std::vector<ListedDevice>& devices)
{
    NameCountMap counts;
    std::vector<CString> texts;
    for (const ListedDevice& device : devices)
        texts.push_back(counts.MakeUnique(DeviceListName(device.friendlyName, device.description)));
    return texts;
}

BOOL C1394OutputConfig::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    ListDevices(kKsRenderCategory, m_devices);
    const std::vector<CString> texts = DeviceListTexts(m_devices);
    for (size_t i = 0; i < texts.size(); ++i)
        AddComboEntry(this, IDC_DV_DEVICE, texts[i], i);
    SelectComboText(this, IDC_DV_DEVICE, m_settings.Device);
    CheckDlgButton(IDC_DV_AUTO_SELECT, m_settings.AutoSelect ? BST_CHECKED : BST_UNCHECKED);
    EnableDeviceChoice();
    return TRUE;
}

void C1394OutputConfig::EnableDeviceChoice()
{
    const BOOL manual = IsDlgButtonChecked(IDC_DV_AUTO_SELECT) != BST_CHECKED;
    EnableControl(this, IDC_DV_DEVICE, manual);
    EnableControl(this, IDC_DV_PROPERTIES, manual);
}

void C1394OutputConfig::OnAutoSelect()
{
    EnableDeviceChoice();
    SetModified(TRUE);
}

void C1394OutputConfig::OnProperties()
{
    const int device = SelectedComboData(this, IDC_DV_DEVICE);
    if (device >= 0 && static_cast<size_t>(device) < m_devices.size())
        ShowDevicePropertyPages(m_devices[static_cast<size_t>(device)], m_hWnd);
}

void C1394OutputConfig::OnChanged()
{
    SetModified(TRUE);
}

BOOL C1394OutputConfig::OnApply()
{
    CString device;
    if (!SelectedComboText(this, IDC_DV_DEVICE, device))
        device.Empty();
    m_settings.Device = device;
    m_settings.AutoSelect = IsDlgButtonChecked(IDC_DV_AUTO_SELECT) == BST_CHECKED ? 1 : 0;
    SaveSettings();
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
