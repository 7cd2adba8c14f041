// The operation page: whether the other channel pauses after a switch, whether the program
// channel's camcorder records, the safe lines of the corner logos and of the captions, and
// what a channel does when its media ends. Kept in config\system.ini, section [Operation].
#pragma once

#include <afxdlgs.h>

#include "app/settings/OperationPagesIds.h"

class COPConfigPage : public CPropertyPage {
public:
    enum { IDD = IDD_OPCONFIG_PAGE };
    enum ActionWhenOver { kStayOnLast = 0, kStayOnFirst = 1, kPlayAgain = 2 };

    COPConfigPage();

    // config\system.ini beside the program.
    static CString SettingsPath();
    // 0 when the file is missing (the built-in values stay), else 1 with every key read.
    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    int m_nSecPause = 0;
    int m_nPriRecord = 0;
    float m_fLogoSL = 0.05f;
    float m_fSubSL = 0.05f;
    int m_nActionWhenOver = kStayOnLast;

    // The number at the start of a safe-line text; 0 when it does not start with one.
    static float ParseSafeLine(const CString& text);

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnChanged();

    DECLARE_MESSAGE_MAP()
};
