#include "app/settings/HotKeyPropertyPage.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

#include <algorithm>
#include <vector>

namespace {

const wchar_t kSection[] = L"Key";

struct HotKeyEntry {
    LPCWSTR key;
    UINT control;
};

const HotKeyEntry kEntries[CHotKeyPropertyPage::kHotKeyCount] = {
    { L"Hard1", 1191 },      { L"Hard2", 1192 },      { L"Hard3", 1193 },      { L"Hard4", 1194 },
    { L"Hard5", 1195 },      { L"Effect1", 1196 },    { L"Effect2", 1197 },    { L"Effect3", 1198 },
    { L"Effect4", 1199 },    { L"Effect5", 1200 },    { L"HEffect1", 1201 },   { L"HEffect2", 1202 },
    { L"HEffect3", 1203 },   { L"HEffect4", 1204 },   { L"HEffect5", 1205 },   { L"EnableSub", IDC_HK_ENABLESUB },
    { L"NextSub", IDC_HK_NEXTSUB },       { L"AutoSub", IDC_HK_AUTOSUB },       { L"HandSub", IDC_HK_HANDSUB },
    { L"EnableLogo1", IDC_HK_ENABLELOGO1 }, { L"EnableLogo2", IDC_HK_ENABLELOGO2 }, { L"AutoCut", IDC_HK_AUTOCUT },
    { L"WmvOutput", IDC_HK_WMVOUTPUT },   { L"AviOutput", IDC_HK_AVIOUTPUT },   { L"1394Output", IDC_HK_1394OUTPUT },
    { L"PutterUp", IDC_HK_PUTTERUP },     { L"PutterDown", IDC_HK_PUTTERDOWN },
};

// Shift, Ctrl and Alt, as the accelerator table knows them.
const int kAcceleratorModifiers = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT;

} // namespace

BEGIN_MESSAGE_MAP(CHotKeyPropertyPage, CPropertyPage)
END_MESSAGE_MAP()

CHotKeyPropertyPage::CHotKeyPropertyPage() : CPropertyPage(IDD) {}

LPCWSTR CHotKeyPropertyPage::KeyName(int index)
{
    return kEntries[index].key;
}

UINT CHotKeyPropertyPage::ControlId(int index)
{
    return kEntries[index].control;
}

CString CHotKeyPropertyPage::SettingsPath()
{
    return GetExeDirectory() + L"\\config\\hotkey.ini";
}

int CHotKeyPropertyPage::LoadSettings()
{
    return LoadSettings(SettingsPath());
}

int CHotKeyPropertyPage::LoadSettings(const CString& path)
{
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    util::CIni ini(path);
    for (int i = 0; i < kHotKeyCount; ++i)
        m_nHotKeys[i] = ini.GetInt(kSection, kEntries[i].key, 0);
    return 1;
}

BOOL CHotKeyPropertyPage::SaveSettings() const
{
    return SaveSettings(SettingsPath());
}

BOOL CHotKeyPropertyPage::SaveSettings(const CString& path) const
{
    util::CIni ini(path);
    BOOL ok = TRUE;
    for (int i = 0; i < kHotKeyCount; ++i)
        ok = ini.WriteInt(kSection, kEntries[i].key, m_nHotKeys[i]) && ok;
    return ok;
}

void CHotKeyPropertyPage::FillAccelerators(ACCEL* entries) const
{
    for (int i = 0; i < kHotKeyCount; ++i) {
        const int modifiers = (m_nHotKeys[i] >> 16) & 0xFFFF;
        BYTE flags = FVIRTKEY;
        if (modifiers & HOTKEYF_ALT)
            flags |= FALT;
        if (modifiers & HOTKEYF_CONTROL)
            flags |= FCONTROL;
        if (modifiers & HOTKEYF_SHIFT)
            flags |= FSHIFT;
        entries[i].fVirt = flags;
        entries[i].key = static_cast<WORD>(m_nHotKeys[i] & 0xFFFF);
    }
}

bool CHotKeyPropertyPage::HasDuplicate(const int* hotKeys, int count)
{
    std::vector<int> keys;
    for (int i = 0; i < count; ++i) {
        const int key = hotKeys[i] & 0xFFFF;
        const int modifiers = (hotKeys[i] >> 16) & kAcceleratorModifiers;
        if (key == 0)
            continue;   // no key (modifiers alone never fire): never a duplicate
        keys.push_back(modifiers << 16 | key);
    }
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) != keys.end();
}

void CHotKeyPropertyPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    for (int i = 0; i < kHotKeyCount; ++i)
        DDX_Control(pDX, static_cast<int>(kEntries[i].control), m_controls[i]);
}

BOOL CHotKeyPropertyPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    for (int i = 0; i < kHotKeyCount; ++i)
        m_controls[i].SetHotKey(LOWORD(m_nHotKeys[i]), HIWORD(m_nHotKeys[i]));
    return TRUE;
}

BOOL CHotKeyPropertyPage::OnApply()
{
    for (int i = 0; i < kHotKeyCount; ++i) {
        WORD key = 0;
        WORD modifiers = 0;
        m_controls[i].GetHotKey(key, modifiers);
        m_nHotKeys[i] = static_cast<int>(modifiers) << 16 | key;
    }
    if (HasDuplicate(m_nHotKeys, kHotKeyCount)) {
        AppMessageBox(m_hWnd, IDS_DUPLICATE_HOTKEY, IDS_ERROR_CAPTION, MB_OK | MB_ICONERROR);
        return FALSE;
    }
    SaveSettings();
    return CPropertyPage::OnApply();
}
