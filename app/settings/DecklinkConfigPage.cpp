#include "app/settings/DecklinkConfigPage.h"

#include "app/settings/OutputSettingsIni.h"

#include <uuids.h>

BEGIN_MESSAGE_MAP(CDecklinkConfigPage, CPropertyPage)
    ON_CBN_SELCHANGE(IDC_DL_VIDEO, OnChanged)
    ON_CBN_SELCHANGE(IDC_DL_AUDIO, OnChanged)
END_MESSAGE_MAP()

CDecklinkConfigPage::CDecklinkConfigPage() : CPropertyPage(IDD) {}

int CDecklinkConfigPage::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CDecklinkConfigPage::LoadSettings(const CString& path)
{
    return LoadDecklinkOutputSettings(path, m_settings);
}

BOOL CDecklinkConfigPage::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL CDecklinkConfigPage::SaveSettings(const CString& path) const
{
    return SaveDecklinkOutputSettings(path, m_settings);
}

std::vector<CString> CDecklinkConfigPage::RendererChoices(const std::vector<ListedDevice>& renderers)
{
    std::vector<CString> choices(1, CString(L"None"));
    for (const ListedDevice& renderer : renderers) {
        if (renderer.friendlyName.Find(L"Decklink") >= 0)
            choices.push_back(renderer.friendlyName);
    }
    return choices;
}

BOOL CDecklinkConfigPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    std::vector<ListedDevice> renderers;
    ListDevices(kVideoRendererCategory, renderers);
    for (const CString& choice : RendererChoices(renderers))
        AddComboEntry(this, IDC_DL_VIDEO, choice, 0);
    ListDevices(CLSID_AudioRendererCategory, renderers);
    for (const CString& choice : RendererChoices(renderers))
        AddComboEntry(this, IDC_DL_AUDIO, choice, 0);
    SelectComboText(this, IDC_DL_VIDEO, m_settings.VideoDevice);
    SelectComboText(this, IDC_DL_AUDIO, m_settings.AudioDevice);
    return TRUE;
}

void CDecklinkConfigPage::OnChanged()
{
    SetModified(TRUE);
}

BOOL CDecklinkConfigPage::OnApply()
{
    // A list without a selection keeps the stored renderer.
    CString name;
    if (SelectedComboText(this, IDC_DL_VIDEO, name))
        m_settings.VideoDevice = name;
    if (SelectedComboText(this, IDC_DL_AUDIO, name))
        m_settings.AudioDevice = name;
    SaveSettings();
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
