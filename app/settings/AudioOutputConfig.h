// The sound-card page: whether the program audio is previewed on a sound card, on which
// one, and the program volume, which changes at once. Kept in config\output.ini, section
// [Audio]; the volume belongs to the main window and is not stored here.
#pragma once

#include <afxdlgs.h>

#include "app/settings/OutputSettingsIni.h"
#include "app/settings/OutputPagesIds.h"

class CAudioOutputConfig : public CPropertyPage {
public:
    enum { IDD = IDD_AUDIO_OUTPUT_PAGE };

    CAudioOutputConfig();

    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    AudioOutputSettings m_settings;

    // The window that runs the preview and owns the volume; the application's main window
    // unless set.
    void SetMainWindow(HWND window) { m_mainWindow = window; }

    // Set once OK or Apply took the page; the main window copies only applied pages.
    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
    void OnEnable();
    void OnDeviceChanged();

    DECLARE_MESSAGE_MAP()

private:
    HWND MainWindow() const;

    HWND m_mainWindow;
    bool m_dirty;
};
