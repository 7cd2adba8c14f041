// The desk's command table: the main menu, the output pop-up menu, the hot keys and the
// buttons that are not switches of their own, each with the rule that enables or checks its
// menu item; the keyboard and wheel routing with the numeric-pad effect chooser; and the
// quick-effect list.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/DiskBoDlg.h"
#include "app/captions/FontSetDlg.h"
#include "app/captions/MoreCharDlg.h"
#include "app/core/DeskMessages.h"
#include "app/core/EngineClock.h"
#include "app/core/OutputType.h"
#include "app/engine/AudioMixer.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/settings/HotKeyPropertyPage.h"
#include "app/settings/HotKeyTable.h"
#include "app/settings/OPConfigPage.h"
#include "app/settings/OutputConfigPage.h"
#include "app/settings/OutputSettingsIni.h"
#include "app/settings/OutputSheets.h"
#include "app/settings/VCardConfigPage.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/ControlPaneIds.h"
#include "app/ui/DeskHotKeys.h"

#include "skin/DeskLayout.h"

#include <afxdlgs.h>
#include <shellapi.h>

#include <vector>

namespace {

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

DeskShellOpenProc g_shellOpen = nullptr;

// The output items of the output pop-up menu and the output types they start and stop.
struct OutputItem {
    UINT command;
    int type;
};
const OutputItem kOutputItems[] = {
    {34523, kOutputWindowsMedia}, {34524, kOutputAvi},  {34526, kOutputIeee1394},
    {34555, kOutputVirtualDevice}, {34557, kOutputCard}, {34561, kOutputDecklink},
};

// The effect-category buttons in numeric-pad order (keys 1..8).
const UINT kPadCategoryButtons[] = {1035, 1036, 1051, 1053, 1052, 1059, 1060, 1061};

// The numeric-pad chooser's window for the digits after a category key.
const LONGLONG kPadWindowMs = 500;

// Language commands: the name lang.ini takes and the files the language needs.
struct LanguageItem {
    UINT command;
    LPCWSTR name;
    LPCWSTR skin;
    LPCWSTR library; // null: built in
};
const LanguageItem kLanguages[] = {
    {34506, L"spchinese", L"skins\\ui.bmp", nullptr},
    {34538, L"tdchinese", L"skins\\ui_td.bmp", L"uirc_td.dll"},
    {34505, L"english", L"skins\\ui_en.bmp", L"uirc_en.dll"},
};

bool FileInProgramFolder(LPCWSTR name)
{
    CString path;
    path.Format(L"%s\\%s", static_cast<LPCWSTR>(GetExeDirectory()), name);
    return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool Latched(CRavelmixerDlg& desk, UINT control)
{
    UI::SDrawBtn* button = desk.GetButton(control);
    return button && button->GetCheck();
}

} // namespace

void SetDeskShellOpen(DeskShellOpenProc open)
{
    g_shellOpen = open;
}

// --- start-up ------------------------------------------------------------------------

void CRavelmixerDlg::SetupCommands()
{
    // The application's message filter translates the hot keys (and knows the text boxes
    // and the hot-key sheet, which never take them).
    DeskHotKeys().mainWindow = m_hWnd;
    DeskHotKeys().table = m_hAccel;
    DeskHotKeys().enabled = true;

    m_subtitleStyle = CFontSetDlg::PresetStyle(1);
    // The subtitle line window sits where the skin leaves room for it.
    for (const auto& placement : skin_layout::kMainWindow) {
        if (placement.control == 1062 && !m_screenChar.GetSafeHwnd()) {
            m_screenChar.SetStyle(&m_subtitleStyle);
            m_screenChar.Create(placement.rect, this, 1062);
        }
    }
}

void CRavelmixerDlg::DestroyCaptionWindows()
{
    if (m_pMoreChar) {
        if (m_pMoreChar->GetSafeHwnd())
            m_pMoreChar->DestroyWindow();
        delete m_pMoreChar;
        m_pMoreChar = nullptr;
    }
    if (m_screenChar.GetSafeHwnd())
        m_screenChar.DestroyWindow();
}

// --- the command table -----------------------------------------------------------------

BOOL CRavelmixerDlg::RunDeskCommand(UINT id)
{
    // Project.
    switch (id) {
    case 32784:
        m_projectCommands.OnNew();
        return TRUE;
    case 32785:
        m_projectCommands.OnOpen(this);
        return TRUE;
    case 32787:
        m_projectCommands.OnSave(this);
        return TRUE;
    case 32887:
        m_projectCommands.OnSaveAs(this);
        return TRUE;
    case 32888:
        SendMessage(WM_CLOSE);
        return TRUE;
    default:
        break;
    }

    // Channels: load, preview, effect keys, quick-effect keys.
    if (id >= 32827 && id <= 32831) {
        m_panels[id - 32827].SendMessage(WM_COMMAND, MAKEWPARAM(ID_PANEL_LOAD_SOURCE, BN_CLICKED), 0);
        return TRUE;
    }
    if (id >= 34447 && id <= 34451) {
        m_panels[id - 34447].SendMessage(WM_COMMAND, MAKEWPARAM(ID_PANEL_LOAD_SOURCE, BN_CLICKED), 0);
        return TRUE;
    }
    if (id >= 34470 && id <= 34474) {
        CDVPlayWnd& panel = m_panels[id - 34470];
        if (panel.GetChannel())
            panel.RequestPreview();
        return TRUE;
    }
    if (id >= 34452 && id <= 34456) {
        const int channel = static_cast<int>(id - 34452 + 1);
        CDVPlayWnd& panel = m_panels[channel - 1];
        if (channel != m_nProgram && panel.GetChannel() && !m_bTransition) {
            panel.RequestPreview();
            AutoSwitch();
        }
        return TRUE;
    }
    if (id >= 34490 && id <= 34494) {
        const int entry = static_cast<int>(id - 34490);
        if (m_quickEffects.GetSafeHwnd() && entry < m_quickEffects.GetItemCount()) {
            SelectEffect(static_cast<int>(m_quickEffects.GetItemData(entry)));
            PostMessage(WM_COMMAND, MAKEWPARAM(32777, 0), 0);
        }
        return TRUE;
    }
    // Effects by identifier.
    if (id >= 32901 && id <= 34444) {
        SelectEffect(static_cast<int>(id - 32900));
        return TRUE;
    }

    // Logos.
    if (id == 32863 || id == 32774 || id == 32869 || id == 32775) {
        ToggleLogo(id == 32863 || id == 32774 ? 1 : 2);
        return TRUE;
    }
    if (id == 32864 || id == 32870) {
        CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, LoadText(244), this);
        if (dialog.DoModal() == IDOK)
            LoadLogo(id == 32864 ? 1 : 2, dialog.GetPathName());
        return TRUE;
    }
    if (id >= 32865 && id <= 32868) {
        SetLogoCorner(1, static_cast<int>(id - 32865));
        return TRUE;
    }
    if (id >= 32871 && id <= 32874) {
        SetLogoCorner(2, static_cast<int>(id - 32871));
        return TRUE;
    }

    // Captions.
    switch (id) {
    case 32876:
    case 32776:
    case 1038:
        OnCaptionSwitch();
        if (Latched(*this, 1038) && m_screenChar.GetSafeHwnd()) {
            // Switched on: the manual line shows again; with no publishing mode, manual starts.
            if (Latched(*this, 1021))
                m_screenChar.RenderLine();
            else if (!Latched(*this, 1020))
                OnManualPublishing();
        }
        return TRUE;
    case 1050:
        ToggleCaptionEditor();
        return TRUE;
    case 32877:
    case 1013:
        LoadSubtitles();
        return TRUE;
    case 32878:
    case 1014:
        ChooseSubtitleStyle();
        return TRUE;
    case 32879:
    case 1020:
    case 34457:
        OnAutomaticPublishing();
        return TRUE;
    case 32880:
    case 1021:
    case 34463:
        OnManualPublishing();
        return TRUE;
    case 32881:
    case 34445:
        if (m_screenChar.GetSafeHwnd() && m_screenChar.IsManualMode())
            m_screenChar.TakeLine(0);
        return TRUE;
    default:
        break;
    }

    // Outputs.
    for (const OutputItem& item : kOutputItems) {
        if (item.command == id) {
            ToggleOutput(item.type);
            return TRUE;
        }
    }
    switch (id) {
    case 32851:
    case 1016:
        ShowOutputMenu();
        return TRUE;
    case 34528:
        SendMessage(WM_COMMAND, MAKEWPARAM(34523, 0), 0);
        return TRUE;
    case 34529:
        PostMessage(WM_COMMAND, MAKEWPARAM(34524, 0), 0);
        return TRUE;
    case 34530:
        PostMessage(WM_COMMAND, MAKEWPARAM(34526, 0), 0);
        return TRUE;
    case 34553:
        ToggleGraphicsCardOutput();
        return TRUE;
    case 32856: {
        // The output format takes effect at the next start.
        COutputConfigPage page;
        page.LoadSettings();
        CPropertySheet sheet(LoadText(127), this);
        sheet.AddPage(&page);
        if (sheet.DoModal() == IDOK)
            page.SaveSettings();
        return TRUE;
    }
    case 32857:
        RunWmvOutputSheet(this, m_encode, m_nWidth, m_nHeight);
        return TRUE;
    case 34488:
        RunAviOutputSheet(this, m_avi);
        return TRUE;
    case 34527:
        Run1394OutputSheet(this, m_dv);
        return TRUE;
    case 34556:
        RunVDOutputSheet(this, m_nListenPort);
        return TRUE;
    case 34560:
        RunDecklinkOutputSheet(this, m_decklink);
        return TRUE;
    case 34551:
        RunVCardOutputSheet(this, m_nMonitor);
        return TRUE;
    case 34552: {
        AudioOutputSettings audio;
        audio.Enable = m_bSoundCardOutput ? 1 : 0;
        audio.Device = m_strSoundCard;
        RunAudioOutputSheet(this, audio, m_hWnd);
        return TRUE;
    }
    default:
        break;
    }

    // System.
    switch (id) {
    case 34489: {
        COPConfigPage page;
        page.LoadSettings();
        CPropertySheet sheet(LoadText(340), this);
        sheet.AddPage(&page);
        if (sheet.DoModal() == IDOK) {
            m_nSecPause = page.m_nSecPause;
            m_nActionWhenOver = page.m_nActionWhenOver;
            m_fLogoSL = page.m_fLogoSL;
            m_fSubSL = page.m_fSubSL;
        }
        return TRUE;
    }
    case 34497: {
        // No hot key fires while the operator is choosing them.
        CHotKeyPropertyPage page;
        page.LoadSettings();
        CPropertySheet sheet(LoadText(341), this);
        sheet.AddPage(&page);
        DeskHotKeys().enabled = false;
        const INT_PTR answer = sheet.DoModal();
        DeskHotKeys().enabled = true;
        if (answer == IDOK && RebuildHotKeyAcceleratorTable(m_hAccel))
            DeskHotKeys().table = m_hAccel;
        return TRUE;
    }
    case 34542:
        if (!m_pPlayout) {
            m_pPlayout = new CDiskBoDlg(this, m_hWnd);
            if (!m_pPlayout->Create(this)) {
                delete m_pPlayout;
                m_pPlayout = nullptr;
                return TRUE;
            }
        }
        if (!m_pPlayout->IsWindowVisible())
            m_pPlayout->ShowCentred();
        return TRUE;
    case 32860: {
        CString help;
        help.Format(L"%s\\help.chm", static_cast<LPCWSTR>(GetExeDirectory()));
        ShellOpen(help);
        return TRUE;
    }
    case 34522:
        ShellOpen(LoadText(247));
        return TRUE;
    case 32885: {
        CAboutDlg about(this);
        about.DoModal();
        return TRUE;
    }
    case 32853: {
        // The sibling product, found through its own registry key.
        HKEY key = nullptr;
        wchar_t folder[MAX_PATH] = {};
        DWORD size = sizeof(folder) - sizeof(wchar_t);
        DWORD type = 0;
        bool found = false;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Teshsoft\\Tesh Quilvane System", 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            found = ::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size) ==
                        ERROR_SUCCESS &&
                    type == REG_SZ && folder[0] != 0;
            ::RegCloseKey(key);
        }
        if (!found) {
            AfxMessageBox(LoadText(248), MB_OK | MB_ICONINFORMATION);
            return TRUE;
        }
        CString program(folder);
        program += L"\\qvmgr.exe";
        ShellOpen(program);
        return TRUE;
    }
    case 34486:
    case 57670:
        return TRUE;
    default:
        break;
    }
    for (const LanguageItem& language : kLanguages) {
        if (language.command == id) {
            SetLanguage(language.name);
            return TRUE;
        }
    }
    return FALSE;
}

CRavelmixerDlg::CommandState CRavelmixerDlg::QueryDeskCommand(UINT id)
{
    CommandState state;
    if (id >= 34465 && id <= 34469) {
        const int channel = static_cast<int>(id - 34464);
        state.enabled = m_panels[channel - 1].GetChannel() != nullptr && channel != m_nProgram;
        return state;
    }
    if (id == 32863 || id == 32869) {
        state.checked = Latched(*this, id == 32863 ? 1040 : 1041) ? 1 : 0;
        return state;
    }
    if (id >= 32865 && id <= 32868) {
        state.checked = Latched(*this, 1042 + (id - 32865)) ? 1 : 0;
        return state;
    }
    if (id >= 32871 && id <= 32874) {
        state.checked = Latched(*this, 1046 + (id - 32871)) ? 1 : 0;
        return state;
    }
    if (id == 32876) {
        state.checked = Latched(*this, 1038) ? 1 : 0;
        return state;
    }
    if (id == 32879 || id == 32880) {
        state.checked = Latched(*this, id == 32879 ? 1020 : 1021) ? 1 : 0;
        return state;
    }
    if (id == 32850 || id == 32849) {
        state.enabled = m_nSelectedPanel >= 0 && m_nSelectedPanel < kPanelCount &&
                        m_panels[m_nSelectedPanel].GetChannel() != nullptr;
        return state;
    }
    for (const OutputItem& item : kOutputItems) {
        if (item.command == id) {
            state.checked = m_director.IsOutputRunning(item.type) ? 1 : 0;
            return state;
        }
    }
    if (id == 34553) {
        state.checked = m_view.GetSafeHwnd() && m_view.IsVideoWindowVisible() ? 1 : 0;
        return state;
    }
    for (const LanguageItem& language : kLanguages) {
        if (language.command == id) {
            state.enabled = FileInProgramFolder(language.skin) && (!language.library || FileInProgramFolder(language.library));
            return state;
        }
    }
    return state;
}

void CRavelmixerDlg::OnInitMenuPopup(CMenu* menu, UINT, BOOL sysMenu)
{
    if (sysMenu || !menu)
        return;
    const int count = menu->GetMenuItemCount();
    for (int i = 0; i < count; ++i) {
        const UINT id = menu->GetMenuItemID(i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue; // separators and sub-menus
        const CommandState state = QueryDeskCommand(id);
        menu->EnableMenuItem(i, MF_BYPOSITION | (state.enabled ? MF_ENABLED : MF_GRAYED));
        if (state.checked >= 0)
            menu->CheckMenuItem(i, MF_BYPOSITION | (state.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

// --- outputs -------------------------------------------------------------------------

void CRavelmixerDlg::ShowOutputMenu()
{
    // The button is a latch of what runs, not of the operator's clicks.
    if (UI::SDrawBtn* button = GetButton(1016))
        button->SetCheck(m_director.AreOutputsRunning());
    if (!m_director.AreOutputsRunning() && m_nProgram == 0) {
        AfxMessageBox(LoadText(105), MB_OK | MB_ICONINFORMATION);
        return;
    }
    CMenu menus;
    if (!menus.LoadMenu(IDR_POPUP_MENUS))
        return;
    CMenu* outputs = menus.GetSubMenu(3);
    if (!outputs)
        return;
    CPoint at;
    ::GetCursorPos(&at);
    outputs->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, this);
}

void CRavelmixerDlg::ToggleOutput(int type)
{
    if (m_director.IsOutputRunning(type)) {
        StopOutput(type);
        return;
    }
    // Each output starts with the settings the operator has now.
    m_director.SetEncodeSettings(m_encode);
    m_director.SetAviSettings(m_avi);
    m_director.SetDvSettings(m_dv);
    m_director.SetListenPort(m_nListenPort);
    m_director.SetDecklinkSettings(m_decklink);
    StartOutput(type);
}

void CRavelmixerDlg::ToggleGraphicsCardOutput()
{
    if (!m_view.GetSafeHwnd())
        return;
    if (m_view.IsVideoWindowVisible()) {
        m_view.HideVideoWindow();
        return;
    }
    m_view.ShowOnMonitor(m_nMonitor);
}

// --- captions --------------------------------------------------------------------------

bool CRavelmixerDlg::CreateCaptionEditor()
{
    if (m_pMoreChar)
        return true;
    m_pMoreChar = new CMoreCharDlg(&m_captionStage, &m_subtitleStyle, this);
    if (!m_pMoreChar->Create(this)) {
        delete m_pMoreChar;
        m_pMoreChar = nullptr;
        return false;
    }
    m_pMoreChar->CenterWindow(this);
    return true;
}

void CRavelmixerDlg::ToggleCaptionEditor()
{
    if (!CreateCaptionEditor())
        return;
    m_pMoreChar->ShowWindow(m_pMoreChar->IsWindowVisible() ? SW_HIDE : SW_SHOW);
}

void CRavelmixerDlg::LoadSubtitles()
{
    if (!m_screenChar.GetSafeHwnd())
        return;
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, LoadText(138), this);
    if (dialog.DoModal() != IDOK)
        return;
    m_screenChar.LoadTextFile(dialog.GetPathName());
    if (!Latched(*this, 1020) && !Latched(*this, 1021))
        OnManualPublishing();
}

void CRavelmixerDlg::ChooseSubtitleStyle()
{
    CFontSetDlg dialog(&m_subtitleStyle, this);
    if (dialog.DoModal() != IDOK)
        return;
    dialog.GetStyle(&m_subtitleStyle);
    if (m_screenChar.GetSafeHwnd()) {
        m_screenChar.RenderLine();
        m_screenChar.Invalidate();
    }
}

void CRavelmixerDlg::OnAutomaticPublishing()
{
    if (!m_screenChar.GetSafeHwnd())
        return;
    UI::SDrawBtn* automatic = GetButton(1020);
    UI::SDrawBtn* manual = GetButton(1021);
    if (Latched(*this, 1020)) {
        m_screenChar.SetAutoMode(false, 0);
        if (automatic)
            automatic->SetCheck(FALSE);
        if (!Latched(*this, 1021)) {
            m_screenChar.SetManualMode(true);
            if (manual)
                manual->SetCheck(TRUE);
        }
        return;
    }
    CString text;
    GetDlgItemText(1058, text);
    const int tenths = CProjectFile::IntervalFromText(text, m_nPublishInterval);
    m_nPublishInterval = tenths;
    SetDlgItemText(1058, IntervalText(tenths));
    if (Latched(*this, 1021)) {
        m_screenChar.SetManualMode(false);
        if (manual)
            manual->SetCheck(FALSE);
    }
    m_screenChar.SetAutoMode(true, tenths / 10.0);
    if (automatic)
        automatic->SetCheck(TRUE);
}

void CRavelmixerDlg::OnManualPublishing()
{
    if (!m_screenChar.GetSafeHwnd())
        return;
    UI::SDrawBtn* automatic = GetButton(1020);
    UI::SDrawBtn* manual = GetButton(1021);
    if (automatic)
        automatic->SetCheck(FALSE);
    if (Latched(*this, 1021)) {
        if (manual)
            manual->SetCheck(FALSE);
        m_screenChar.SetManualMode(false);
        return;
    }
    m_screenChar.SetAutoMode(false, 0);
    m_screenChar.SetManualMode(true);
    if (manual)
        manual->SetCheck(TRUE);
}

LRESULT CRavelmixerDlg::OnSubtitleAutoEnded(WPARAM, LPARAM)
{
    if (UI::SDrawBtn* automatic = GetButton(1020))
        automatic->SetCheck(FALSE);
    return 0;
}

// --- language and shell ---------------------------------------------------------------

void CRavelmixerDlg::SetLanguage(LPCWSTR name)
{
    CString folder;
    folder.Format(L"%s\\config", static_cast<LPCWSTR>(GetExeDirectory()));
    ::CreateDirectoryW(folder, nullptr);
    CString ini = folder + L"\\lang.ini";
    ::WritePrivateProfileStringW(L"language", L"current", name, ini);
    MessageBox(LoadText(195), LoadText(141), MB_OK | MB_ICONINFORMATION);
}

void CRavelmixerDlg::ShellOpen(LPCWSTR target)
{
    if (g_shellOpen) {
        g_shellOpen(m_hWnd, target);
        return;
    }
    ::ShellExecuteW(m_hWnd, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

// --- effects ---------------------------------------------------------------------------

void CRavelmixerDlg::SelectEffect(int id)
{
    CVideoMixer* mixer = m_director.GetVideoMixer();
    if (!mixer)
        return;
    std::vector<CRenderEffect*> effects;
    mixer->GetEffectList(effects);
    CRenderEffect* chosen = nullptr;
    for (CRenderEffect* effect : effects)
        if (effect && effect->GetID() == id)
            chosen = effect;
    if (!chosen)
        return;
    if (chosen->GetType() != m_nShownCategory)
        ShowCategory(chosen->GetType());
    auto selectIn = [id](CEffectList& list) {
        if (!list.GetSafeHwnd())
            return;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            const bool match = static_cast<int>(list.GetItemData(row)) == id;
            list.SetItemState(row, match ? LVIS_SELECTED | LVIS_FOCUSED : 0, LVIS_SELECTED | LVIS_FOCUSED);
        }
    };
    selectIn(m_effects);
    selectIn(m_quickEffects);
    if (m_effectName.GetSafeHwnd())
        m_effectName.SetWindowText(chosen->GetName());
}

std::vector<DWORD> CRavelmixerDlg::GetQuickEffects() const
{
    std::vector<DWORD> effects;
    if (!m_quickEffects.GetSafeHwnd())
        return effects;
    for (int row = 0; row < m_quickEffects.GetItemCount(); ++row)
        effects.push_back(static_cast<DWORD>(m_quickEffects.GetItemData(row)));
    return effects;
}

void CRavelmixerDlg::DropQuickEffect(DWORD effect, int position)
{
    if (!m_quickEffects.GetSafeHwnd())
        return;
    const int count = m_quickEffects.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (m_quickEffects.GetItemData(row) == effect) {
            SelectEffect(static_cast<int>(effect));
            return;
        }
    }
    int at = position < 0 ? count : position;
    if (at > 4)
        at = 4;
    if (at < count)
        m_quickEffects.DeleteItem(at);
    LVITEMW item = {};
    item.mask = LVIF_IMAGE | LVIF_PARAM;
    item.iItem = at;
    item.lParam = static_cast<LPARAM>(effect);
    const auto image = m_effectImageIndex.find(static_cast<int>(effect));
    item.iImage = image == m_effectImageIndex.end() ? -1 : image->second;
    const int inserted = m_quickEffects.InsertItem(&item);
    if (inserted >= 0) {
        for (int row = 0; row < m_quickEffects.GetItemCount(); ++row)
            m_quickEffects.SetItemState(row, row == inserted ? LVIS_SELECTED : 0, LVIS_SELECTED);
    }
}

void CRavelmixerDlg::OnEffectBeginDrag(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    const NMLISTVIEW* view = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (view->iItem < 0 || view->iItem >= m_effects.GetItemCount() || !m_quickEffects.GetSafeHwnd())
        return;
    m_nDragItem = view->iItem;
    m_nDropPosition = -1;
    // The effect's picture follows the cursor.
    const auto image = m_effectImageIndex.find(static_cast<int>(m_effects.GetItemData(m_nDragItem)));
    m_bDragImage = image != m_effectImageIndex.end() && m_effectImages.GetSafeHandle() &&
                   m_effectImages.BeginDrag(image->second, CPoint(20, 20));
    if (m_bDragImage) {
        CPoint at;
        ::GetCursorPos(&at);
        CImageList::DragEnter(nullptr, at);
    }
    SetCapture();
}

int CRavelmixerDlg::QuickDropTarget(CPoint screen) const
{
    CRect list;
    m_quickEffects.GetWindowRect(&list);
    if (!list.PtInRect(screen))
        return -2; // not over the list
    CPoint client = screen;
    m_quickEffects.ScreenToClient(&client);
    return m_quickEffects.HitTestCell(client.x, client.y);
}

void CRavelmixerDlg::OnMouseMove(UINT flags, CPoint pt)
{
    if (m_nDragItem < 0) {
        CDialog::OnMouseMove(flags, pt);
        return;
    }
    CPoint screen = pt;
    ClientToScreen(&screen);
    if (m_bDragImage)
        CImageList::DragMove(screen);
    const int target = QuickDropTarget(screen);
    ::SetCursor(::LoadCursorW(nullptr, target == -2 ? IDC_NO : IDC_ARROW));
    const int position = target >= 0 ? target : -1;
    if (position != m_nDropPosition) {
        if (m_nDropPosition >= 0)
            m_quickEffects.SetItemState(m_nDropPosition, 0, LVIS_DROPHILITED);
        if (position >= 0)
            m_quickEffects.SetItemState(position, LVIS_DROPHILITED, LVIS_DROPHILITED);
        m_nDropPosition = position;
    }
}

void CRavelmixerDlg::OnLButtonUp(UINT flags, CPoint pt)
{
    if (m_nDragItem < 0) {
        CDialog::OnLButtonUp(flags, pt);
        return;
    }
    CPoint screen = pt;
    ClientToScreen(&screen);
    const DWORD effect = static_cast<DWORD>(m_effects.GetItemData(m_nDragItem));
    const bool over = QuickDropTarget(screen) != -2;
    const int position = m_nDropPosition;
    EndEffectDrag();
    if (over)
        DropQuickEffect(effect, position);
}

void CRavelmixerDlg::EndEffectDrag()
{
    if (m_bDragImage) {
        CImageList::DragLeave(nullptr);
        CImageList::EndDrag();
        m_bDragImage = FALSE;
    }
    if (m_nDropPosition >= 0 && m_quickEffects.GetSafeHwnd())
        m_quickEffects.SetItemState(m_nDropPosition, 0, LVIS_DROPHILITED);
    m_nDropPosition = -1;
    m_nDragItem = -1;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
}

// --- keyboard and wheel --------------------------------------------------------------------

BOOL CRavelmixerDlg::NumericPadKey(UINT key)
{
    if (key < VK_NUMPAD0 || key > VK_NUMPAD9)
        return FALSE;
    const int digit = static_cast<int>(key - VK_NUMPAD0);
    const LONGLONG now = EngineClock::Now();
    if (!m_bCategoryKey || now - m_lastCategoryKey > kPadWindowMs) {
        if (digit >= 1 && digit <= 8)
            SendMessage(WM_COMMAND, MAKEWPARAM(kPadCategoryButtons[digit - 1], BN_CLICKED), 0);
        m_lastCategoryKey = now;
        m_bCategoryKey = TRUE;
        m_nPadNumber = 0;
        return TRUE;
    }
    m_nPadNumber = m_nPadNumber * 10 + digit;
    if (m_nPadNumber >= 1 && m_effects.GetSafeHwnd() && m_nPadNumber <= m_effects.GetItemCount())
        SelectEffect(static_cast<int>(m_effects.GetItemData(m_nPadNumber - 1)));
    if (m_nPadNumber > 100)
        m_bCategoryKey = FALSE;
    return TRUE;
}

BOOL CRavelmixerDlg::RouteDeskInput(MSG* pMsg)
{
    const bool ours = pMsg->hwnd == m_hWnd || ::GetParent(pMsg->hwnd) == m_hWnd;
    switch (pMsg->message) {
    case WM_KEYDOWN:
        // Escape never closes the desk; in the desk's other windows (a settings sheet) it
        // keeps its meaning.
        if (pMsg->wParam == VK_ESCAPE && (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd)))
            return TRUE;
        if (ours && !IsTextEntryWindow(pMsg->hwnd))
            NumericPadKey(static_cast<UINT>(pMsg->wParam));
        break;
    case WM_MOUSEMOVE:
        if (m_toolTip.GetSafeHwnd())
            m_toolTip.RelayEvent(pMsg);
        break;
    case WM_MOUSEWHEEL:
        if (ours && m_tbar.GetSafeHwnd()) {
            const short delta = static_cast<short>(HIWORD(pMsg->wParam));
            m_tbar.SendMessage(WM_KEYDOWN, delta > 0 ? VK_UP : VK_DOWN, 0);
            return TRUE;
        }
        break;
    default:
        break;
    }
    // The hot keys, unless the operator is typing text or choosing the hot keys.
    return TranslateDeskHotKey(DeskHotKeys(), pMsg) ? TRUE : FALSE;
}

// --- the project file --------------------------------------------------------------------

ProjectLayout CDeskProject::GetProjectLayout()
{
    ProjectLayout layout;
    if (CAudioMixer* audio = m_desk.m_director.GetAudioMixer())
        layout.audioInputs = audio->GetInputCount();
    if (CVideoMixer* video = m_desk.m_director.GetVideoMixer())
        layout.videoInputs = video->GetInputCount();
    return layout;
}

void CDeskProject::CaptureProject(ProjectRecord& record)
{
    CRavelmixerDlg& d = m_desk;
    record.program = d.m_nProgram;
    record.preview = d.m_nPreview;
    for (int i = 0; i < ProjectRecord::kPanels; ++i) {
        CDVPlayWnd& panel = d.m_panels[i];
        try {
            CProjectFile::CapturePanel([&panel](CArchive& ar) { panel.Serialize(ar); }, record.panels[i]);
        } catch (CException* e) {
            e->Delete();
            record.panels[i] = PanelRecord();
        }
    }
    for (int n = 0; n < ProjectRecord::kLogos; ++n) {
        LogoRecord& logo = record.logos[n];
        logo.enabled = Latched(d, d.LogoSwitchControl(n + 1)) ? 1 : 0;
        logo.picture = n == 0 ? d.m_strLogo1 : d.m_strLogo2;
        logo.corner = 0;
        for (int c = 0; c < 4; ++c)
            if (Latched(d, d.LogoCornerControl(n + 1, c)))
                logo.corner = c;
    }
    record.quickEffects = d.GetQuickEffects();
    record.captionSwitch = Latched(d, 1038) ? 1 : 0;
    record.manualPublishing = Latched(d, 1021) ? 1 : 0;
    record.automaticPublishing = Latched(d, 1020) ? 1 : 0;
    record.publishingInterval = d.m_nPublishInterval;
    record.subtitleStyle = d.m_subtitleStyle;
    record.captionPages.clear();
    CProjectFile::CaptureEngine(d.m_director.GetAudioMixer(), d.m_director.GetVideoMixer(), record);
}

void CDeskProject::ApplyProject(const ProjectRecord& record)
{
    ApplyProjectRecord(record, *this);
}

void CDeskProject::LoadPanel(int panel, const PanelRecord& record)
{
    if (panel < 0 || panel >= CRavelmixerDlg::kPanelCount)
        return;
    CDVPlayWnd& window = m_desk.m_panels[panel];
    try {
        CProjectFile::ApplyPanel(record, [&window](CArchive& ar) { window.Serialize(ar); });
    } catch (CException* e) {
        e->Delete();
    }
}

void CDeskProject::SetPanelTally(int panel, int tally)
{
    if (panel >= 0 && panel < CRavelmixerDlg::kPanelCount && m_desk.m_panels[panel].GetChannel())
        m_desk.m_panels[panel].SetTallyState(tally);
}

void CDeskProject::HardCut(int channel)
{
    m_desk.HardCut(channel);
}

void CDeskProject::SelectPreview(int channel)
{
    if (channel < 1 || channel > CRavelmixerDlg::kPanelCount || channel == m_desk.m_nPreview)
        return;
    m_desk.SendMessage(WM_PANEL_SELECT, reinterpret_cast<WPARAM>(&m_desk.m_panels[channel - 1]), 0);
}

void CDeskProject::BuildLogo(int logo, const CString& picture)
{
    m_desk.LoadLogo(logo + 1, picture);
}

void CDeskProject::SetLogoSwitch(int logo, bool on)
{
    if (Latched(m_desk, m_desk.LogoSwitchControl(logo + 1)) != on)
        m_desk.ToggleLogo(logo + 1);
}

void CDeskProject::SetLogoCorner(int logo, int corner)
{
    m_desk.SetLogoCorner(logo + 1, corner);
}

void CDeskProject::SetQuickEffects(const std::vector<DWORD>& effects)
{
    CEffectList& list = m_desk.m_quickEffects;
    if (!list.GetSafeHwnd())
        return;
    list.DeleteAllItems();
    for (size_t i = 0; i < effects.size() && i < ProjectRecord::kQuickEffectsShown; ++i)
        m_desk.DropQuickEffect(effects[i], static_cast<int>(i));
}

void CDeskProject::SetCaptionSwitches(bool caption, bool manual, bool automatic)
{
    const struct {
        UINT control;
        bool on;
    } latches[] = {{1038, caption}, {1021, manual}, {1020, automatic}};
    for (const auto& latch : latches)
        if (UI::SDrawBtn* button = m_desk.GetButton(latch.control))
            button->SetCheck(latch.on);
}

void CDeskProject::SetPublishingInterval(int tenths)
{
    m_desk.m_nPublishInterval = tenths;
    if (m_desk.GetDlgItem(1058))
        m_desk.SetDlgItemText(1058, IntervalText(tenths));
}

void CDeskProject::SetSubtitleStyle(const CharTextStyle& style)
{
    m_desk.m_subtitleStyle = style;
}

void CDeskProject::OpenCaptionPages(const std::vector<CString>&)
{
    // The caption editor opens its own pages when it is on the desk.
}

void CDeskProject::ApplyEngineRecords(const ProjectRecord& record)
{
    CProjectFile::ApplyEngine(record, m_desk.m_director.GetAudioMixer(), m_desk.m_director.GetVideoMixer());
}
