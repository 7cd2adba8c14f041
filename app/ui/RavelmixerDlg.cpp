// The desk's life cycle: start-up, the skin and its controls, painting, closing and the order
// in which everything is taken down.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/DiskBoDlg.h"
#include "app/captions/LISLayer.h"
#include "app/core/DeskMessages.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/VideoMixer.h"
#include "app/foundation/AppHelpers.h"
#include "app/ui/DeskHotKeys.h"
#include "app/graphs/outputs/wmv/WmvComposeGraph.h"
#include "app/settings/ControlDialogs.h"
#include "app/settings/HotKeyTable.h"
#include "app/settings/OPConfigPage.h"
#include "app/settings/OutputConfigPage.h"
#include "app/settings/OutputSettingsIni.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/AllCtrlPane.h"
#include "app/ui/VolCtrlPane.h"

#include "skin/DeskLayout.h"

#include <set>

namespace {

HWND g_deskWindow = nullptr;

const COLORREF kWhite = RGB(255, 255, 255);

// The desk's skinned buttons: control, first of its four skin items, round corner (0 square),
// drawn with the white key, tool-tip string (0 none).
struct DeskButton {
    UINT control;
    UINT skinBase;
    int round;
    bool transparent;
    UINT tip;
};

const DeskButton kDeskButtons[CRavelmixerDlg::kButtonCount] = {
    {1016, 1101, 14, false, 174}, {1035, 1105, 0, true, 0},     {1036, 1217, 0, true, 0},
    {1051, 1221, 0, true, 0},     {1053, 1225, 0, true, 0},     {1052, 1229, 0, true, 0},
    {1059, 1233, 0, true, 0},     {1060, 1237, 0, true, 0},     {1061, 1109, 0, true, 0},
    {1019, 1145, 0, true, 175},   {1040, 1174, 2, true, 176},   {1025, 1186, 2, true, 219},
    {1041, 1174, 2, true, 177},   {1028, 1186, 2, true, 219},   {1042, 1113, 2, true, 220},
    {1043, 1117, 0, false, 221},  {1044, 1121, 0, false, 222},  {1045, 1125, 2, true, 223},
    {1046, 1113, 2, true, 220},   {1047, 1117, 0, false, 221},  {1048, 1121, 0, false, 222},
    {1049, 1125, 2, true, 223},   {1050, 1129, 10, true, 224},  {1038, 1174, 2, true, 178},
    {1013, 1178, 0, true, 225},   {1014, 1182, 2, true, 226},   {1020, 1149, 0, true, 179},
    {1021, 1153, 0, true, 180},   {1054, 1158, 0, true, 228},   {1055, 1162, 0, true, 227},
    {1056, 1166, 0, true, 228},   {1057, 1170, 0, true, 227},   {1063, 1316, 0, true, 229},
    {1064, 1403, 2, true, 224},   {1065, 1450, 0, true, 264},   {1066, 1454, 0, true, 265},
};

const UINT kSkinMapString = 193;
const UINT kButtonFolderString = 266;

const skin_layout::Placement* FindPlacement(int control)
{
    for (const auto& placement : skin_layout::kMainWindow)
        if (placement.control == control)
            return &placement;
    return nullptr;
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

HWND GetDeskWindow()
{
    return g_deskWindow;
}

BEGIN_MESSAGE_MAP(CRavelmixerDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_TIMER()
    ON_WM_MOVE()
    ON_WM_SYSCOMMAND()
    ON_WM_VSCROLL()
    ON_WM_INITMENUPOPUP()
    ON_MESSAGE(WM_SUBTITLE_AUTO_ENDED, OnSubtitleAutoEnded)
    ON_NOTIFY(LVN_BEGINDRAG, 1033, OnEffectBeginDrag)
    ON_NOTIFY(NM_DBLCLK, 1033, OnEffectDoubleClick)
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_NOTIFY(NM_CLICK, 1033, OnEffectClick)
    ON_NOTIFY(NM_CLICK, 1031, OnEffectClick)
    ON_COMMAND_RANGE(1035, 1036, OnCategoryButton)
    ON_COMMAND_RANGE(1051, 1053, OnCategoryButton)
    ON_COMMAND_RANGE(1059, 1061, OnCategoryButton)
    ON_BN_CLICKED(1065, OnPreviousPage)
    ON_BN_CLICKED(1066, OnNextPage)
    ON_BN_CLICKED(1019, OnAutoSwitchButton)
    ON_COMMAND_RANGE(1040, 1041, OnLogoSwitch)
    ON_COMMAND_RANGE(1025, 1025, OnLogoLoad)
    ON_COMMAND_RANGE(1028, 1028, OnLogoLoad)
    ON_COMMAND_RANGE(1042, 1049, OnLogoCorner)
    ON_BN_CLICKED(1038, OnCaptionSwitch)
    ON_BN_CLICKED(1064, OnPanePanels)
    ON_BN_CLICKED(1063, OnMixerConsole)
    ON_COMMAND(34535, OnMixerConsole)
    ON_COMMAND(34554, OnColorKey)
    ON_COMMAND_RANGE(1054, 1055, OnDurationStep)
    ON_COMMAND_RANGE(1056, 1057, OnIntervalStep)
    ON_MESSAGE(WM_PANEL_LOAD_SOURCES, OnPanelLoadSources)
    ON_MESSAGE(WM_PANEL_MEDIA_ENDED, OnPanelMediaEnded)
    ON_MESSAGE(WM_PANEL_DEVICE_LOST, OnPanelDeviceLost)
    ON_MESSAGE(WM_PANEL_DEVICE_BACK, OnPanelDeviceBack)
    ON_MESSAGE(WM_PANEL_CHECK_ON_AIR, OnPanelCheckOnAir)
    ON_MESSAGE(WM_PANEL_CHECK_ON_AIR2, OnPanelCheckOnAir)
    ON_MESSAGE(WM_PANEL_STARTED, OnPanelStarted)
    ON_MESSAGE(WM_PANEL_IS_FREE, OnPanelIsFree)
    ON_MESSAGE(WM_PANEL_MORE_CONTROLS, OnPanelMoreControls)
    ON_MESSAGE(WM_ADD_VIDEO_WINDOW, OnAddVideoWindow)
    ON_MESSAGE(WM_REMOVE_VIDEO_WINDOW, OnRemoveVideoWindow)
    ON_MESSAGE(WM_MAIN_PING, OnMainPing)
    ON_MESSAGE(WM_VERSION_INFO_DONE, OnVersionInfoDone)
    ON_MESSAGE(WM_SET_AUDIO_OUTPUT, OnSetAudioOutput)
    ON_MESSAGE(WM_PROGRAM_VOLUME, OnProgramVolume)
    ON_MESSAGE(WM_DV_OUTPUT_EVENT, OnDvOutputEvent)
    ON_MESSAGE(WM_PANEL_SELECT, OnPanelSelect)
    ON_MESSAGE(WM_PANEL_TAKE, OnPanelTake)
    ON_MESSAGE(WM_PUSH_ERROR, OnPushError)
    ON_MESSAGE(WM_CAPTION_BITMAP, OnCaptionBitmap)
    ON_MESSAGE(WM_PROBE_PLAY_SOURCE, OnProbePlaySource)
    ON_MESSAGE(WM_AUTOPLAY_LOAD, OnAutoplayLoad)
    ON_MESSAGE(WM_AUTOPLAY_PLAY, OnAutoplayPlay)
    ON_MESSAGE(WM_AUTOPLAY_CAPTION, OnAutoplayCaption)
END_MESSAGE_MAP()

CRavelmixerDlg::CRavelmixerDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
    // Program audio until the sound-card page is read: 16-bit stereo at 48 kHz.
    m_audioFormat.wFormatTag = WAVE_FORMAT_PCM;
    m_audioFormat.nChannels = 2;
    m_audioFormat.nSamplesPerSec = 48000;
    m_audioFormat.wBitsPerSample = 16;
    m_audioFormat.nBlockAlign = 4;
    m_audioFormat.nAvgBytesPerSec = 48000 * 4;
    m_whiteBrush.CreateSolidBrush(kWhite);
}

CRavelmixerDlg::~CRavelmixerDlg()
{
    FreeCategoryImages();
    if (m_hAccel)
        ::DestroyAcceleratorTable(m_hAccel);
}

void CRavelmixerDlg::SetGraphFactories(IChannelGraphFactory* channels, IOutputGraphFactory* outputs)
{
    m_pChannelGraphs = channels ? channels : &m_programGraphs;
    m_pOutputGraphs = outputs ? outputs : &m_programGraphs;
}

UI::SDrawBtn* CRavelmixerDlg::GetButton(UINT control)
{
    for (int i = 0; i < kButtonCount; ++i)
        if (kDeskButtons[i].control == control)
            return &m_buttons[i];
    return nullptr;
}

void CRavelmixerDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kButtonCount; ++i)
        DDX_Control(pDX, static_cast<int>(kDeskButtons[i].control), m_buttons[i]);
    DDX_Control(pDX, 1018, m_tbar);
    DDX_Control(pDX, 1033, m_effects);
    DDX_Control(pDX, 1031, m_quickEffects);
    DDX_Control(pDX, 1032, m_effectName);
}

BOOL CRavelmixerDlg::PreTranslateMessage(MSG* pMsg)
{
    if (RouteDeskInput(pMsg))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CRavelmixerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    g_deskWindow = m_hWnd;
    SetupSystemMenu();

    WSADATA wsa = {};
    m_bWinsock = ::WSAStartup(MAKEWORD(2, 2), &wsa) == 0;

    RegisterControlDialogs();
    m_hAccel = CreateHotKeyAcceleratorTable();

    SetupSkin();
    for (int i = 0; i < kPanelCount; ++i)
        m_panels[i].SetChannelNumber(i + 1);

    LoadOutputSettings();
    StartEngine();
    SetupEffects();

    m_view.SetAspect(m_nHeight > 0 ? static_cast<double>(m_nWidth) / m_nHeight : 1.0);
    UpdateViewEnable();
    SetupCommands();
    // The editor's window exists from the start, hidden: the automatic playout shows its
    // scheduled pages through it whether or not the operator ever opened it.
    MakeCaptionEditor();
    SetTimer(kVersionTimer, kVersionDelayMs, nullptr);
    return TRUE;
}

void CRavelmixerDlg::SetupSystemMenu()
{
    const CString about = LoadText(101);
    CMenu* menu = GetSystemMenu(FALSE);
    if (menu && !about.IsEmpty()) {
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, 16, about);
    }
    HICON icon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (icon) {
        SetIcon(icon, TRUE);
        SetIcon(icon, FALSE);
    }
}

void CRavelmixerDlg::SetupSkin()
{
    UpdateData(FALSE);
    CString map;
    map.Format(L"%s\\skins\\%s", static_cast<LPCWSTR>(GetExeDirectory()), static_cast<LPCWSTR>(LoadText(kSkinMapString)));
    m_skin.Load(map);

    // The client area is the background picture's size; every control takes its place from the
    // layout table.
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    SetWindowPos(nullptr, 0, 0, window.Width() - client.Width() + skin_layout::kClientWidth,
                 window.Height() - client.Height() + skin_layout::kClientHeight, SWP_NOMOVE | SWP_NOZORDER);
    m_toolTip.Create(this);
    for (int i = 0; i < kButtonCount; ++i)
        SetupButton(i);
    PlaceControls();

    for (int i = 0; i < kPanelCount; ++i) {
        const skin_layout::Placement* place = FindPlacement(1000 + i);
        const CRect rc = place ? CRect(place->rect) : CRect(0, 0, 190, 170);
        if (m_panels[i].Create(rc, this, 1000 + i))
            m_panels[i].SetupControls(&m_skin, 1301);
    }
    const skin_layout::Placement* viewPlace = FindPlacement(1030);
    const CRect viewRect = viewPlace ? CRect(viewPlace->rect) : CRect(0, 0, 380, 296);
    if (m_view.Create(this, viewRect, 1030)) {
        m_view.SetOutputSize(m_nWidth, m_nHeight);
        m_view.SetupControls(&m_skin, 1302);
    }

    m_tbar.SetSkinMap(&m_skin);
    m_tbar.SetBackgroundItem(1311);
    m_tbar.SetThumbItem(1157);
    m_tbar.SetThumbColorKey(kWhite);
    m_tbar.ModifyStyle(0, TBS_FIXEDLENGTH);
    m_tbar.SetThumbLength(46);
    m_tbar.SetRange(0, 100, TRUE);
    m_tbar.SetLineSize(5);
    m_tbar.SetPageSize(5);
    m_tbar.SetPos(100);
    m_bTBarAtTop = FALSE;
    CRect track;
    if (m_skin.GetItemRect(1311, track)) {
        const skin_layout::Placement* place = FindPlacement(1018);
        if (place)
            m_tbar.MoveWindow(place->rect.left, place->rect.top, track.Width(), track.Height());
    }

    SetDlgItemText(1024, L"1.0");
    SetDlgItemText(1058, L"1.0");
    m_nAutoDuration = 10;
    m_nPublishInterval = 10;
    SetTimer(kMeterTimer, kMeterPeriodMs, nullptr);
}

void CRavelmixerDlg::SetupButton(int index)
{
    const DeskButton& row = kDeskButtons[index];
    UI::SDrawBtn& button = m_buttons[index];
    if (!button.GetSafeHwnd())
        return;
    button.ModifyStyle(0, BS_OWNERDRAW);
    button.SetSkinMap(&m_skin);
    button.SetStateImages(row.skinBase);
    const skin_layout::Placement* place = FindPlacement(static_cast<int>(row.control));
    // Its place in the layout table, else the place of its first skin item.
    CRect rc;
    if (place)
        rc = place->rect;
    else
        m_skin.GetItemRect(row.skinBase, rc);
    if (!rc.IsRectEmpty())
        button.MoveWindow(&rc, FALSE);
    if (row.round > 0)
        button.SetRoundRegion(row.round, row.round);
    if (row.transparent)
        button.SetTransparent(TRUE, kWhite);
    if (row.tip != 0)
        button.SetToolTip(LoadText(row.tip));
}

void CRavelmixerDlg::PlaceControls()
{
    const int others[] = {1018, 1033, 1031, 1032, 1024, 1058};
    for (int control : others) {
        const skin_layout::Placement* place = FindPlacement(control);
        CWnd* item = GetDlgItem(control);
        if (place && item)
            item->MoveWindow(&place->rect, FALSE);
    }
}

void CRavelmixerDlg::LoadOutputSettings()
{
    // The format is fixed for the whole run: the engine is built with it once. A fresh install
    // without output.ini runs at the desk's built-in format.
    COutputConfigPage format;
    if (format.LoadSettings() == 1) {
        m_nWidth = format.GetVideoWidth();
        m_nHeight = format.GetVideoHeight();
        m_fFrameRate = format.GetFrameRate();
        m_nFieldType = format.GetFieldType();
        if (format.m_dPixelAR > 0.1 && format.m_dPixelAR < 10.0)
            m_dPixelAspect = format.m_dPixelAR;
        m_audioFormat = format.GetWaveFormat();
    }
    const CString ini = OutputIniPath();
    AudioOutputSettings soundCard;
    if (LoadAudioOutputSettings(ini, soundCard)) {
        m_bSoundCardOutput = soundCard.Enable != 0;
        m_strSoundCard = soundCard.Device;
    }
    int monitor = m_nMonitor;
    if (LoadVCardMonitor(ini, monitor))
        m_nMonitor = monitor;
    LoadEncodeOutputSettings(ini, m_encode);
    LoadEncodeInfoSettings(ini, m_encode);
    LoadAviOutputSettings(ini, m_avi);
    LoadDvOutputSettings(ini, m_dv);
    LoadDecklinkOutputSettings(ini, m_decklink);
    m_nListenPort = LoadVirtualDevicePort(ini);

    COPConfigPage operation;
    operation.LoadSettings();
    m_nSecPause = operation.m_nSecPause;
    m_nActionWhenOver = operation.m_nActionWhenOver;
    m_fLogoSL = operation.m_fLogoSL;
    m_fSubSL = operation.m_fSubSL;
    m_director.SetPriRecord(operation.m_nPriRecord != 0);

    m_director.SetEncodeSettings(m_encode);
    m_director.SetAviSettings(m_avi);
    m_director.SetDvSettings(m_dv);
    m_director.SetListenPort(m_nListenPort);
    m_director.SetDecklinkSettings(m_decklink);
}

void CRavelmixerDlg::StartEngine()
{
    m_director.SetChannelGraphFactory(m_pChannelGraphs);
    m_director.SetOutputGraphFactory(m_pOutputGraphs);
    m_director.SetAudioFormat(&m_audioFormat);
    m_hrEngine = m_director.Init(m_view.GetVideoArea(), m_hWnd, m_nWidth, m_nHeight, m_fFrameRate, m_dPixelAspect,
                                 m_nFieldType);
    if (FAILED(m_hrEngine)) {
        CString text;
        text.Format(LoadText(254), static_cast<unsigned>(m_hrEngine));
        AfxShowMessageBox(m_hWnd, text, L"Error", MB_ICONERROR);
        return;
    }
    if (m_bSoundCardOutput && !m_strSoundCard.IsEmpty()) {
        CStringA device(m_strSoundCard);
        m_director.StartAudioPreview(device);
    }
}

void CRavelmixerDlg::SetupEffects()
{
    m_effectImages.Create(40, 40, ILC_COLOR24 | ILC_MASK, 0, 8);
    std::vector<CRenderEffect*> effects;
    if (CVideoMixer* mixer = m_director.GetVideoMixer())
        mixer->GetEffectList(effects);
    std::set<int> types;
    const CString folder = GetExeDirectory() + L"\\skins\\effects\\";
    for (CRenderEffect* effect : effects) {
        if (!effect)
            continue;
        types.insert(effect->GetType());
        if (m_effectImageIndex.count(effect->GetID()))
            continue;
        CString path;
        path.Format(L"%s%s.bmp", static_cast<LPCWSTR>(folder), static_cast<LPCWSTR>(effect->GetName()));
        HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageW(nullptr, path, IMAGE_BITMAP, 40, 40, LR_LOADFROMFILE));
        if (!bitmap)
            continue;
        CBitmap picture;
        picture.Attach(bitmap);
        const int index = m_effectImages.Add(&picture, static_cast<CBitmap*>(nullptr));
        if (index >= 0)
            m_effectImageIndex[effect->GetID()] = index;
    }
    SetCategories(std::vector<int>(types.begin(), types.end()));

    m_effects.SetImageList(&m_effectImages, LVSIL_NORMAL);
    m_quickEffects.SetImageList(&m_effectImages, LVSIL_NORMAL);
    m_effects.SetIconSpacing(44, 40);
    m_quickEffects.SetIconSpacing(44, 40);
    // The quick-effect list starts with the hard cut.
    LVITEMW item = {};
    item.mask = LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.lParam = 1;
    const auto image = m_effectImageIndex.find(1);
    item.iImage = image == m_effectImageIndex.end() ? -1 : image->second;
    m_quickEffects.InsertItem(&item);
    PostMessage(WM_COMMAND, MAKEWPARAM(1035, BN_CLICKED), 0);
}

void CRavelmixerDlg::SetCategories(const std::vector<int>& ids)
{
    FreeCategoryImages();
    m_categoryIndex.clear();
    const CString folder =
        GetExeDirectory() + L"\\skins\\" + LoadText(kButtonFolderString) + L"\\";
    const wchar_t* suffixes[4] = {L"n", L"h", L"s", L"d"};
    for (int id : ids) {
        CategoryEntry entry;
        entry.id = id;
        for (int state = 0; state < 4; ++state) {
            CString path;
            path.Format(L"%s%d_%s.bmp", static_cast<LPCWSTR>(folder), id, suffixes[state]);
            entry.images[state] = static_cast<HBITMAP>(::LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        }
        m_categoryIndex[id] = static_cast<int>(m_categories.size());
        m_categories.push_back(entry);
    }
    m_pager.SetEntryCount(static_cast<int>(m_categories.size()));
    m_pager.SetPage(0);
    m_nShownCategory = 0;
    ShowCategoryPage();
}

void CRavelmixerDlg::FreeCategoryImages()
{
    for (CategoryEntry& entry : m_categories)
        for (HBITMAP& image : entry.images)
            if (image) {
                ::DeleteObject(image);
                image = nullptr;
            }
    m_categories.clear();
}

void CRavelmixerDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == 16) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    CDialog::OnSysCommand(id, lParam);
}

BOOL CRavelmixerDlg::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void CRavelmixerDlg::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    if (IsIconic()) {
        HICON icon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
        if (icon)
            ::DrawIcon(dc.GetSafeHdc(), (client.Width() - 32) / 2, (client.Height() - 32) / 2, icon);
        return;
    }
    if (!m_skin.DrawItem(&dc, client, 101, false)) {
        dc.FillSolidRect(&client, RGB(32, 34, 38));
        return;
    }
    // The background carries every button's resting picture; a button the desk hides (a pager
    // slot without a category, a page button without a page) is covered with the colour beside it.
    CRect background;
    if (!m_skin.GetItemRect(101, background))
        return;
    for (UI::SDrawBtn& button : m_buttons) {
        if (!button.GetSafeHwnd() || button.IsWindowVisible())
            continue;
        CRect rc;
        button.GetWindowRect(&rc);
        ScreenToClient(&rc);
        const COLORREF beside = ::GetPixel(m_skin.GetMemDC(), background.left + rc.left - 2,
                                           background.top + rc.top + rc.Height() / 2);
        if (beside != CLR_INVALID)
            dc.FillSolidRect(&rc, beside);
    }
}

HBRUSH CRavelmixerDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor)
{
    if (pWnd && pWnd->GetDlgCtrlID() == 1032) {
        pDC->SetBkMode(TRANSPARENT);
        return static_cast<HBRUSH>(m_whiteBrush.GetSafeHandle());
    }
    return CDialog::OnCtlColor(pDC, pWnd, ctlColor);
}

void CRavelmixerDlg::OnClose()
{
    if (AppMessageBox(m_hWnd, 188, 141, MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    CDialog::OnClose();
}

void CRavelmixerDlg::OnMove(int x, int y)
{
    CDialog::OnMove(x, y);
    if (m_pPanelPane && m_pPanelPane->GetSafeHwnd() && m_pPanelPane->IsWindowVisible())
        m_pPanelPane->FollowOwnerButton();
    if (m_pClipPane && m_pClipPane->GetSafeHwnd() && m_pClipPane->IsWindowVisible())
        m_pClipPane->FollowTarget();
}

void CRavelmixerDlg::OnDestroy()
{
    CDialog::OnDestroy();
    // The caption editor's layers leave the scenes while the engine still has them.
    DestroyCaptionWindows();
    KillTimer(kMeterTimer);
    KillTimer(kVersionTimer);
    KillAutoSwitch();
    FreeCategoryImages();
    if (m_pPanelPane && m_pPanelPane->GetSafeHwnd())
        m_pPanelPane->DestroyWindow();
    if (m_pClipPane && m_pClipPane->GetSafeHwnd())
        m_pClipPane->DestroyWindow();
    // The outputs go first, then the panels give back their channels, so the director never
    // deletes a channel a panel still holds.
    m_director.StopOutput(kOutputAll);
    m_bOnAirLock = FALSE;
    for (CDVPlayWnd& panel : m_panels)
        if (panel.GetChannel())
            panel.UnloadChannel();
    m_director.Shutdown();
    // The overlay scene freed its layers with the engine.
    RemoveLayer(m_pLogo1);
    RemoveLayer(m_pLogo2);
    RemoveLayer(m_pSubtitle);
    if (DeskHotKeys().mainWindow == m_hWnd) {
        DeskHotKeys().mainWindow = nullptr;
        DeskHotKeys().table = nullptr;
    }
    if (m_hAccel) {
        ::DestroyAcceleratorTable(m_hAccel);
        m_hAccel = nullptr;
    }
    if (m_pPlayout) {
        if (m_pPlayout->GetSafeHwnd())
            m_pPlayout->DestroyWindow();
        delete m_pPlayout;
        m_pPlayout = nullptr;
    }
    if (m_bWinsock) {
        ::WSACleanup();
        m_bWinsock = FALSE;
    }
    if (g_deskWindow == m_hWnd)
        g_deskWindow = nullptr;
}
