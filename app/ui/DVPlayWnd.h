// The control panel of one input channel: the channel's picture in its preview area, a tally
// lamp (on air, preview, idle), position and duration, two audio level bars and seven skinned
// buttons for the sources and the transport. The panel holds the channel object the director
// made for it and deletes it when it unloads; everything that changes the mix goes to the main
// window as private messages.
#pragma once

#include <afxwin.h>
#include <afxcmn.h>

#include "app/core/SourceDescriptor.h"
#include "app/ui/BmpMapMgr.h"
#include "app/ui/DBDisplayWnd.h"
#include "app/ui/DVPlayWndIds.h"
#include "app/ui/DrawBtn.h"

class CArchive;
class CChannel;
class IChannelTransport;

class CDVPlayWnd;

// The panel's preview area: black where no picture is shown; a press offers the channel as
// preview, a double click asks to take it to air.
class CPanelPreviewArea : public CWnd {
public:
    explicit CPanelPreviewArea(CDVPlayWnd& panel) : m_panel(panel) {}

protected:
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnPaint();
    void OnButtonDown(UINT flags, CPoint pt);
    void OnButtonDoubleClick(UINT flags, CPoint pt);

    CDVPlayWnd& m_panel;

    DECLARE_MESSAGE_MAP()
};

class CDVPlayWnd : public CWnd {
public:
    enum TallyState { kOnAir = 0, kPreview = 1, kIdle = 2 };
    static const int kButtonCount = 7;
    static const UINT_PTR kPositionTimer = 1;
    static const UINT kPositionTimerMs = 1000;
    // The tally lamp's skin items: on air, preview, idle.
    static const UINT kLampOnAir = 1190;
    static const UINT kLampPreview = 1191;
    static const UINT kLampIdle = 1192;

    CDVPlayWnd();
    ~CDVPlayWnd() override;

    // A visible child panel of `parent` at `rect` (the panel's own layout is fixed: 190 x 170
    // holds it). A panel may equally subclass a control of a dialog template.
    BOOL Create(const RECT& rect, CWnd* parent, UINT id);

    // Nothing without a window or a skin map; else keeps both and creates the seven buttons,
    // the preview area and the two level bars.
    void SetupControls(UI_Mgr::SBmpMapMgr* skin, UINT backgroundItem);

    void SetChannelNumber(int number) { m_nChannel = number; }
    int GetChannelNumber() const { return m_nChannel; }
    CChannel* GetChannel() const { return m_pChannel; }
    // Where the main window's CDirector::LoadChannel puts the channel it makes for this panel.
    CChannel** GetChannelSlot() { return &m_pChannel; }
    // The owner the main window gives CDirector::LoadChannel: the mixer shows the channel's
    // picture in the owner's window, which is the panel's preview area.
    CWnd* GetVideoOwner() { return &m_preview; }

    // Stores the state (kOnAir, kPreview, kIdle), derives the lamp flags and redraws at once.
    void SetTallyState(int state);
    int GetTallyState() const { return m_nTally; }
    BOOL IsOnAir() const { return m_bOnAir; }
    BOOL IsPreview() const { return m_bPreview; }

    // Transport. Each is TRUE when the graph took the command; a failure changes nothing.
    BOOL Play();
    // With skipCapture a capture source is left running.
    BOOL Pause(BOOL skipCapture);
    BOOL Stop();
    // Asks the main window to load the pair (WM_PANEL_LOAD_SOURCES); TRUE when it did.
    BOOL LoadSources(const SourceDescriptor& audio, const SourceDescriptor& video);
    // Stops and deletes the channel; the panel is empty and idle afterwards.
    void UnloadChannel();
    // Offers the channel to the main window as preview (WM_PANEL_SELECT).
    void RequestPreview();
    // 1 when the position was set to `seconds`, else 0.
    int SeekToSeconds(int seconds);
    // Moves the position by `seconds` (clamped at the start) when the source seeks absolutely.
    BOOL SeekRelative(int seconds);

    void SetLevels(short level1, short level2);
    // 1.0 without a channel or graph.
    double GetRate();
    BOOL SetRate(double rate);

    // The panel's record of the project file.
    void Serialize(CArchive& ar);

    // What the panel shows.
    const CString& GetPositionText() const { return m_strPosition; }
    const CString& GetDurationText() const { return m_strDuration; }
    BOOL IsPositionTimerRunning() const { return m_bTimer; }
    UI::SDrawBtn& GetButton(int index) { return m_buttons[index]; }
    CPanelPreviewArea& GetPreviewArea() { return m_preview; }
    CDBDisplayWnd& GetLevelBar(int index) { return m_levels[index]; }
    UI_Mgr::SBmpMapMgr* GetSkinMap() const { return m_pSkin; }
    UINT GetBackgroundItem() const { return m_nBackground; }

    // "hh:mm:ss" of a time in 100-ns units; hours run past 24.
    static CString FormatTime(LONGLONG time);
    // The target of a relative seek: clamped at 0 backwards, not limited forwards.
    static LONGLONG RelativeSeekTarget(LONGLONG current, int seconds);
    // position x 100 / duration, truncated; 0 for a duration of 0 or less (a live source).
    static int PositionPercent(LONGLONG position, LONGLONG duration);

    // The fixed layout, in the panel's client pixels.
    static CRect PreviewRect() { return CRect(13, 17, 176, 138); }
    static CRect LevelRect(int index) { return index == 0 ? CRect(13, 142, 176, 145) : CRect(13, 147, 176, 150); }
    static CRect LampRect() { return CRect(65, 5, 122, 17); }
    static CRect PositionRect() { return CRect(5, 152, 49, 163); }
    static CRect DurationRect() { return CRect(52, 152, 96, 163); }

    // How the panel asks the operator for a pair of sources: the source selection dialog,
    // modal, unless a test replaces it (null restores it). True with the pair on OK.
    using SourceChooser = bool (*)(CWnd* parent, SourceDescriptor& audio, SourceDescriptor& video);
    static void SetSourceChooser(SourceChooser chooser);

    // The panel's preview area asks for preview or for air.
    void OnPreviewPressed() { RequestPreview(); }
    void OnPreviewDoubleClicked();

protected:
    IChannelTransport* Transport() const;
    void EnableButton(UINT id, BOOL enable);
    // The whole panel at once, its buttons and bars drawn again over it.
    void RedrawPanel();
    // The panel's button of that window, or null.
    UI::SDrawBtn* SkinnedButton(HWND hwnd);
    void RefreshPosition();
    void RefreshDuration();
    void StartPositionTimer();
    void StopPositionTimer();
    void DrainGraphEvents();
    LRESULT SendToParent(UINT message, WPARAM wParam, LPARAM lParam);

    void OnBack10() { SeekRelative(-10); }
    void OnBack1() { SeekRelative(-1); }
    void OnForward1() { SeekRelative(1); }
    void OnForward10() { SeekRelative(10); }
    void OnStopCommand() { Stop(); }
    void OnPauseCommand() { Pause(FALSE); }
    void OnPlayCommand();
    void OnLoadSourceCommand();
    void OnMoreControlsCommand();

    void OnPaint();
    // The whole panel into `dc` (painting and printing).
    void Paint(CDC& dc);
    LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    LRESULT OnSeekPercent(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetPercent(WPARAM wParam, LPARAM lParam);
    LRESULT OnStepFrame(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetRate(WPARAM wParam, LPARAM lParam);
    LRESULT OnGraphEvent(WPARAM wParam, LPARAM lParam);

    CChannel* m_pChannel = nullptr;
    int m_nTally = kIdle;
    BOOL m_bOnAir = FALSE;
    BOOL m_bPreview = FALSE;
    int m_nChannel = 1;
    UI::SDrawBtn m_buttons[kButtonCount];
    UI_Mgr::SBmpMapMgr* m_pSkin = nullptr;
    UINT m_nBackground = 0;
    CPanelPreviewArea m_preview;
    CDBDisplayWnd m_levels[2];
    CString m_strPosition;
    CString m_strDuration;
    BOOL m_bTimer = FALSE;
    CFont m_font;

    DECLARE_MESSAGE_MAP()
};
