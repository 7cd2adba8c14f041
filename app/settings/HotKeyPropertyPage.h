// The hot-key page: a keyboard shortcut for each of 27 operator commands, kept in
// config\hotkey.ini, section [Key], as modifiers << 16 | virtual key (modifiers 1 Shift,
// 2 Ctrl, 4 Alt, 8 extended key; 0 = no key). The main window turns them into its
// accelerator table.
#pragma once

#include <afxdlgs.h>

#include "app/settings/MoreHotKeyCtl.h"
#include "app/settings/OperationPagesIds.h"

class CHotKeyPropertyPage : public CPropertyPage {
public:
    enum { IDD = IDD_HOTKEY_PAGE };
    static const int kHotKeyCount = 27;

    CHotKeyPropertyPage();

    // config\hotkey.ini beside the program.
    static CString SettingsPath();
    // 0 when the file is missing (every key stays 0), else 1 with all 27 keys read.
    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    // Each entry's key and flags from the hot key of the same table position (virtual key,
    // plus Alt, Control and Shift by the modifiers); the caller fills in the commands.
    void FillAccelerators(ACCEL* entries) const;

    // The key name of table position i in hotkey.ini.
    static LPCWSTR KeyName(int index);
    static UINT ControlId(int index);
    // Whether two commands share a key. Keys that differ only in the extended-key bit are the
    // same key to the accelerator table, which has no such bit, so they count as one.
    static bool HasDuplicate(const int* hotKeys, int count);

    int m_nHotKeys[kHotKeyCount] = {};

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    CMoreHotKeyCtl m_controls[kHotKeyCount];

    DECLARE_MESSAGE_MAP()
};
