#include "app/settings/AudioOutputConfig.h"

#include "app/core/DeskMessages.h"
#include "app/settings/OutputDeviceLists.h"

#include <commctrl.h>
#include <uuids.h>

#include <vector>

BEGIN_MESSAGE_MAP(CAudioOutputConfig, CPropertyPage)
    ON_WM_HSCROLL()
    ON_BN_CLICKED(IDC_AO_ENABLE, OnEnable)
    ON_CBN_SELCHANGE(IDC_AO_DEVICE, OnDeviceChanged)
END_MESSAGE_MAP()

CAudioOutputConfig::CAudioOutputConfig() : CPropertyPage(IDD), m_mainWindow(nullptr), m_dirty(false) {}

int CAudioOutputConfig::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CAudioOutputConfig::LoadSettings(const CString& path)
{
    return LoadAudioOutputSettings(path, m_settings);
}

BOOL CAudioOutputConfig::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL CAudioOutputConfig::SaveSettings(const CString& path) const
{
    return SaveAudioOutputSettings(path, m_settings);
}

HWND CAudioOutputConfig::MainWindow() const
{
    if (m_mainWindow)
        return m_mainWindow;
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

BOOL CAudioOutputConfig::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    std::vector<ListedDevice> renderers;
    ListDevices(CLSID_AudioRendererCategory, renderers);
    for (size_t i = 0; i < renderers.size(); ++i)
        AddComboEntry(this, IDC_AO_DEVICE, renderers[i].friendlyName, i);
    SelectComboText(this, IDC_AO_DEVICE, m_settings.Device);
    CheckDlgButton(IDC_AO_ENABLE, m_settings.Enable ? BST_CHECKED : BST_UNCHECKED);
    EnableControl(this, IDC_AO_DEVICE, m_settings.Enable != 0);

    HWND volume = ::GetDlgItem(m_hWnd, IDC_AO_VOLUME);
    ::SendMessageW(volume, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    LRESULT percent = 100;
    if (HWND main = MainWindow())
        percent = ::SendMessageW(main, WM_PROGRAM_VOLUME, 1, 0);
    ::SendMessageW(volume, TBM_SETPOS, TRUE, percent < 0 ? 0 : (percent > 100 ? 100 : percent));
    return TRUE;
}

void CAudioOutputConfig::OnHScroll(UINT, UINT, CScrollBar* bar)
{
    HWND volume = ::GetDlgItem(m_hWnd, IDC_AO_VOLUME);
    if (bar && bar->m_hWnd != volume)
        return;
    // Every way of moving the bar (keys, clicks, the thumb, its release) sets the volume, so
    // the program never plays at another volume than the bar shows.
    const LRESULT pos = ::SendMessageW(volume, TBM_GETPOS, 0, 0);
    if (HWND main = MainWindow())
        ::SendMessageW(main, WM_PROGRAM_VOLUME, 0, pos);
}

void CAudioOutputConfig::OnEnable()
{
    const bool enabled = IsDlgButtonChecked(IDC_AO_ENABLE) == BST_CHECKED;
    EnableControl(this, IDC_AO_DEVICE, enabled);
    if (enabled != (m_settings.Enable != 0)) {
        m_dirty = true;
        SetModified(TRUE);
    }
}

void CAudioOutputConfig::OnDeviceChanged()
{
    CString device;
    if (SelectedComboText(this, IDC_AO_DEVICE, device) && device != m_settings.Device) {
        m_dirty = true;
        SetModified(TRUE);
    }
}

BOOL CAudioOutputConfig::OnApply()
{
    if (m_dirty) {
        CString device;
        if (SelectedComboText(this, IDC_AO_DEVICE, device))
            m_settings.Device = device;
        m_settings.Enable = IsDlgButtonChecked(IDC_AO_ENABLE) == BST_CHECKED ? 1 : 0;
        CString name = m_settings.Device;
        if (HWND main = MainWindow())
            ::SendMessageW(main, WM_SET_AUDIO_OUTPUT, static_cast<WPARAM>(m_settings.Enable), reinterpret_cast<LPARAM>(&name));
        SaveSettings();
        m_dirty = false;
    }
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
