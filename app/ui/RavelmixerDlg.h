// The operator's desk: the main window (dialog 102) that embeds the engine and every control of
// the desk and lives for the whole run. All switching goes through its transition control; the
// panels, the program view, the settings pages, the playout and the caption windows reach it by
// the private messages of app/core/DeskMessages.h.
//
// The class is split over files by job: RavelmixerDlg.cpp (life cycle, skin, painting, closing),
// RavelmixerDlgMessages.cpp (engine and panel messages), RavelmixerDlgTransition.cpp (the
// transition control, timers and the switching commands) and RavelmixerDlgLayers.cpp (logos,
// subtitles and the effect-category pager).
#pragma once

#include <afxwin.h>
#include <afxcmn.h>

#include "app/captions/CharTextStyle.h"
#include "app/captions/ScreenCharWnd.h"
#include "app/core/OutputSettings.h"
#include "app/engine/Director.h"
#include "app/graphs/ProgramGraphs.h"
#include "app/ui/BmpMapMgr.h"
#include "app/ui/DVPlayWnd.h"
#include "app/ui/DVViewWnd.h"
#include "app/ui/DirectorCaptionStage.h"
#include "app/ui/DeskProject.h"
#include "app/ui/DeskRules.h"
#include "app/ui/DrawBtn.h"
#include "app/ui/EffectList.h"
#include "app/ui/SpeedSliderCtl.h"
#include "app/ui/UiResourceIds.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CAllCtrlPane;
class CDiskBoDlg;
class CLISLayer;
class CMoreCharDlg;
class CVolCtrlPane;

// The new-version check's request: started by timer 18, it posts WM_VERSION_INFO_DONE to the
// main window when it ends. The program's HTTP client plugs in here; without one the check does
// nothing.
class IVersionRequest {
public:
    virtual ~IVersionRequest() = default;
    virtual void Start(HWND notify, UINT message) = 0;
    virtual bool Succeeded() const = 0;
    // The body as text.
    virtual std::wstring Body() const = 0;
};

class CRavelmixerDlg : public CDialog {
public:
    enum { IDD = IDD_RAVELMIXER_DIALOG };

    static const int kButtonCount = 36;
    static const int kPanelCount = 5;
    static const int kCategoryButtons = 8;
    static const UINT_PTR kAutoSwitchTimer = 16;
    static const UINT_PTR kVersionTimer = 18;
    static const UINT_PTR kMeterTimer = 26;
    static const UINT kMeterPeriodMs = 300;
    static const UINT kVersionDelayMs = 1000;

    explicit CRavelmixerDlg(CWnd* pParent = nullptr);
    ~CRavelmixerDlg() override;

    // Before the window is made: the graphs the director builds (the program's real ones by
    // default) and the new-version request (none by default).
    void SetGraphFactories(IChannelGraphFactory* channels, IOutputGraphFactory* outputs);
    void SetVersionRequest(std::unique_ptr<IVersionRequest> request) { m_versionRequest = std::move(request); }

    // The transition control every switching command goes through.
    HRESULT StartTransition(int effect, BOOL timed, int durationMs);
    HRESULT EndTransition(BOOL swap);
    void SetTransitionPosition(int percent);
    // A hard cut to channel n: nothing when n is program or its panel holds no channel.
    void HardCut(int channel);
    // The automatic switch (button 1019): ends a running transition, or starts a timed one with
    // the duration of edit 1024.
    void AutoSwitch();

    // An output of the given type (OutputType): starts it and locks the program while any runs.
    HRESULT StartOutput(int type);
    HRESULT StopOutput(int type);

    // Logos (1, 2): the picture, the switch, and a corner 0..3.
    BOOL LoadLogo(int logo, const CString& path);
    void ToggleLogo(int logo);
    void SetLogoCorner(int logo, int corner);

    // What the desk shows and holds (its tests read these).
    CDirector& GetDirector() { return m_director; }
    int GetProgramChannel() const { return m_nProgram; }
    int GetPreviewChannel() const { return m_nPreview; }
    BOOL IsTransitionRunning() const { return m_bTransition; }
    BOOL IsAutoSwitchArmed() const { return m_bAutoSwitchTimer; }
    BOOL IsOnAirLocked() const { return m_bOnAirLock; }
    CDVPlayWnd& GetPanel(int index) { return m_panels[index]; }
    CDVViewWnd& GetView() { return m_view; }
    CSpeedSliderCtl& GetTBar() { return m_tbar; }
    CEffectList& GetEffectList() { return m_effects; }
    // The skinned button of a control id (null for another id).
    UI::SDrawBtn* GetButton(UINT control);
    const CategoryPager& GetPager() const { return m_pager; }
    int GetShownCategory() const { return m_nShownCategory; }
    CLISLayer* GetLogoLayer(int logo) const { return logo == 1 ? m_pLogo1 : logo == 2 ? m_pLogo2 : nullptr; }
    const CString& GetLogoPath(int logo) const { return logo == 1 ? m_strLogo1 : m_strLogo2; }
    CLISLayer* GetSubtitleLayer() const { return m_pSubtitle; }
    CVolCtrlPane* GetClipPane() const { return m_pClipPane.get(); }
    HACCEL GetAccelerators() const { return m_hAccel; }
    float GetLogoMargin() const { return m_fLogoSL; }
    float GetSubtitleMargin() const { return m_fSubSL; }
    int GetSubtitleAlign() const { return m_nSubtitleAlign; }
    void SetSubtitleAlign(int align) { m_nSubtitleAlign = align; }
    int GetOutputWidth() const { return m_nWidth; }
    int GetOutputHeight() const { return m_nHeight; }

    // The effect categories the pager shows: (category id, four images). Made from the video
    // mixer's effects at start-up; tests may give their own.
    struct CategoryEntry {
        int id = 0;
        HBITMAP images[4] = {};
    };
    void SetCategories(const std::vector<int>& ids);
    // Turns the pager to the page of a category, latches its button and lists its effects.
    void ShowCategory(int id);
    void TurnPage(int delta);

    // The panel index of a panel window, -1 for none.
    int PanelIndexOf(const CWnd* panel) const;
    int PanelIndexOf(WPARAM panel) const;

    BOOL PreTranslateMessage(MSG* pMsg) override;

    // The command table (RavelmixerDlgCommands.cpp): runs a menu, button or hot-key command
    // of the desk; FALSE for an id that is none of them.
    BOOL RunDeskCommand(UINT id);
    // A menu item's state as its update rule gives it.
    struct CommandState {
        BOOL enabled = TRUE;
        int checked = -1; // -1: the item has no check mark
    };
    CommandState QueryDeskCommand(UINT id);
    BOOL IsDraggingEffect() const { return m_nDragItem >= 0; }
    // Selects an effect by identifier in the effect list (its category shown first) and in
    // the quick list when it is there; unknown identifiers do nothing.
    void SelectEffect(int id);
    // The quick-effect list's effects, in order.
    std::vector<DWORD> GetQuickEffects() const;
    // Puts an effect on the quick list at a drop position (-1: none), as a drop does.
    void DropQuickEffect(DWORD effect, int position);
    CProjectCommands& GetProjectCommands() { return m_projectCommands; }
    CScreenCharWnd& GetSubtitleWindow() { return m_screenChar; }
    CMoreCharDlg* GetCaptionEditor() const { return m_pMoreChar; }
    // The automatic playout, made at the first use of its command; null until then.
    CDiskBoDlg* GetPlayoutDialog() const { return m_pPlayout; }
    const CharTextStyle& GetSubtitleStyle() const { return m_subtitleStyle; }
    int GetPublishingInterval() const { return m_nPublishInterval; }
    // The automatic switch's duration in tenths of a second, as last read from edit 1024.
    int GetAutoDuration() const { return m_nAutoDuration; }
    // The routing of a key or wheel message before the dialog's own handling: TRUE when it
    // was consumed.
    BOOL RouteDeskInput(MSG* pMsg);

protected:
    friend class CDeskProject;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter never closes the desk.
    void OnOK() override {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Start-up steps.
    void SetupCommands();
    void SetupSystemMenu();
    void SetupSkin();
    void SetupButton(int index);
    void PlaceControls();
    void LoadOutputSettings();
    void StartEngine();
    void SetupEffects();
    void FreeCategoryImages();

    // The message handlers (RavelmixerDlgMessages.cpp).
    LRESULT OnPanelLoadSources(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelMediaEnded(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelDeviceLost(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelDeviceBack(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelCheckOnAir(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelStarted(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelIsFree(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelMoreControls(WPARAM wParam, LPARAM lParam);
    LRESULT OnAddVideoWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnRemoveVideoWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnMainPing(WPARAM wParam, LPARAM lParam);
    LRESULT OnVersionInfoDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetAudioOutput(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgramVolume(WPARAM wParam, LPARAM lParam);
    LRESULT OnDvOutputEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelSelect(WPARAM wParam, LPARAM lParam);
    LRESULT OnPanelTake(WPARAM wParam, LPARAM lParam);
    LRESULT OnPushError(WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptionBitmap(WPARAM wParam, LPARAM lParam);
    LRESULT OnProbePlaySource(WPARAM wParam, LPARAM lParam);
    LRESULT OnAutoplayLoad(WPARAM wParam, LPARAM lParam);
    LRESULT OnAutoplayPlay(WPARAM wParam, LPARAM lParam);
    LRESULT OnAutoplayCaption(WPARAM wParam, LPARAM lParam);

    // Window messages.
    void OnInitMenuPopup(CMenu* menu, UINT index, BOOL sysMenu);
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT ctlColor);
    void OnClose();
    void OnDestroy();
    void OnTimer(UINT_PTR id);
    void OnMove(int x, int y);
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
    void OnEffectClick(NMHDR* pNMHDR, LRESULT* pResult);

    // Commands.
    void OnCategoryButton(UINT control);
    void OnPreviousPage() { TurnPage(-1); }
    void OnNextPage() { TurnPage(+1); }
    void OnLogoSwitch(UINT control);
    void OnLogoLoad(UINT control);
    void OnLogoCorner(UINT control);
    void OnCaptionSwitch();
    void OnPanePanels();
    void OnMixerConsole();
    void OnColorKey();
    void OnAutoSwitchButton() { AutoSwitch(); }
    void OnDurationStep(UINT control);
    void OnIntervalStep(UINT control);

    // Switching helpers (RavelmixerDlgTransition.cpp).
    CDVPlayWnd* PanelOfChannel(int channel);
    void UpdateViewEnable();
    void KillAutoSwitch();
    int SelectedEffect() const;
    void ShowLoadError(HRESULT hr);
    // After the engine refused to reload a panel's channel: the panel empties and program and
    // preview follow the engine's choice.
    void DropFailedChannel(CDVPlayWnd& panel);
    // Outputs stopped behind the desk's back (a lost device): the lock and the clock follow.
    void AfterOutputStopped();

    // Layers (RavelmixerDlgLayers.cpp).
    CLISLayer*& LogoLayer(int logo) { return logo == 1 ? m_pLogo1 : m_pLogo2; }
    UINT LogoSwitchControl(int logo) const { return logo == 1 ? 1040 : 1041; }
    UINT LogoCornerControl(int logo, int corner) const { return (logo == 1 ? 1042 : 1046) + corner; }
    void RemoveLayer(CLISLayer*& layer);
    void ShowCategoryPage();

    // Skinned buttons, in their table's order.
    UI::SDrawBtn m_buttons[kButtonCount];
    UI_Mgr::SBmpMapMgr m_skin;
    CToolTipCtrl m_toolTip;

    // The effect-category pager.
    std::vector<CategoryEntry> m_categories;
    std::map<int, int> m_categoryIndex;
    CategoryPager m_pager{kCategoryButtons};
    int m_nShownCategory = 0;

    CDVPlayWnd m_panels[kPanelCount];
    CDVViewWnd m_view;
    CSpeedSliderCtl m_tbar;
    CEffectList m_effects;
    CEffectList m_quickEffects;
    CImageList m_effectImages;
    std::map<int, int> m_effectImageIndex;
    CStatic m_effectName;

    std::unique_ptr<CAllCtrlPane> m_pPanelPane;
    std::unique_ptr<CVolCtrlPane> m_pClipPane;
    std::unique_ptr<IVersionRequest> m_versionRequest;

    // The engine and the graphs it builds.
    CProgramGraphFactory m_programGraphs;
    IChannelGraphFactory* m_pChannelGraphs = &m_programGraphs;
    IOutputGraphFactory* m_pOutputGraphs = &m_programGraphs;
    CDirector m_director;
    HRESULT m_hrEngine = E_PENDING;

    // Output settings copied from the settings pages.
    int m_nWidth = 720;
    int m_nHeight = 576;
    float m_fFrameRate = 25.0f;
    double m_dPixelAspect = 1.067;
    int m_nFieldType = 1;
    WAVEFORMATEX m_audioFormat = {};
    BOOL m_bSoundCardOutput = TRUE;
    CString m_strSoundCard;
    int m_nMonitor = 2;
    CEncodeSettings m_encode;
    AviOutputSettings m_avi;
    DvOutputSettings m_dv;
    WORD m_nListenPort = 8601;
    DecklinkOutputSettings m_decklink;
    int m_nSecPause = 1;
    int m_nActionWhenOver = 0;
    float m_fLogoSL = 0.05f;
    float m_fSubSL = 0.05f;

    // Switching state.
    int m_nProgram = 0;
    int m_nPreview = 0;
    BOOL m_bTransition = FALSE;
    BOOL m_bTBarAtTop = FALSE;
    int m_nSelectedPanel = -1;
    BOOL m_bOnAirLock = FALSE;
    BOOL m_bAutoSwitchTimer = FALSE;
    int m_nAutoDuration = 10;
    int m_nPublishInterval = 10;

    // Overlay state.
    CLISLayer* m_pLogo1 = nullptr;
    CLISLayer* m_pLogo2 = nullptr;
    CLISLayer* m_pSubtitle = nullptr;
    CString m_strLogo1;
    CString m_strLogo2;
    int m_nSubtitleAlign = kSubtitleCentre;
    CString m_strProjectPath;
    CDiskBoDlg* m_pPlayout = nullptr;
    CBrush m_whiteBrush;

    // Commands (RavelmixerDlgCommands.cpp).
    BOOL NumericPadKey(UINT key);
    void ToggleOutput(int type);
    void ShowOutputMenu();
    // The input format (true) or the device property dialog of the selected panel's channel.
    void ShowSelectedInputDialog(bool format);
    void ToggleGraphicsCardOutput();
    void SetLanguage(LPCWSTR name);
    void ShellOpen(LPCWSTR target);
    void ToggleCaptionEditor();
    // Makes the caption editor, hidden, when there is none; null when it cannot be made.
    CMoreCharDlg* MakeCaptionEditor();
    void LoadSubtitles();
    void ChooseSubtitleStyle();
    void OnAutomaticPublishing();
    void OnManualPublishing();
    void DestroyCaptionWindows();
    LRESULT OnSubtitleAutoEnded(WPARAM wParam, LPARAM lParam);
    // Dragging an effect of 1033 onto the quick list 1031.
    void OnEffectBeginDrag(NMHDR* pNMHDR, LRESULT* pResult);
    // A double click on an effect of 1033 opens its parameter window over the desk.
    void OnEffectDoubleClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnMouseMove(UINT flags, CPoint pt);
    void OnLButtonUp(UINT flags, CPoint pt);
    int QuickDropTarget(CPoint screen) const;
    void EndEffectDrag();
    CDeskProject m_project{*this};
    CProjectCommands m_projectCommands{m_project};
    CharTextStyle m_subtitleStyle = {};
    CScreenCharWnd m_screenChar;
    CDirectorCaptionStage m_captionStage{m_director, m_nWidth, m_nHeight};
    CMoreCharDlg* m_pMoreChar = nullptr;
    LONGLONG m_lastCategoryKey = 0;
    BOOL m_bCategoryKey = FALSE;
    int m_nPadNumber = 0;
    int m_nDragItem = -1;      // the dragged row of 1033, -1 when no drag runs
    int m_nDropPosition = -1;  // the drop-highlighted row of 1031, -1 for none
    BOOL m_bDragImage = FALSE;

    HACCEL m_hAccel = nullptr;
    BOOL m_bWinsock = FALSE;

    DECLARE_MESSAGE_MAP()
};

// The main window of the run, for the hot-key filter and the windows that talk to it.
HWND GetDeskWindow();

// How the desk opens a file or address with the shell (help, demonstration page, sibling
// product); null restores ShellExecute. Tests record the requests instead.
using DeskShellOpenProc = void (*)(HWND owner, LPCWSTR target);
void SetDeskShellOpen(DeskShellOpenProc open);
