// The program view of the main window: a skinned pane with the area the mixer presents the
// program into, the two level bars of the program's sound, the elapsed on-air time and one
// skin button that opens (and closes) the separate video window.
#pragma once

#include <afxwin.h>

#include <memory>

#include "app/ui/BmpMapMgr.h"
#include "app/ui/DrawBtn.h"
#include "app/ui/VideoDlg.h"
#include "app/ui/ViewIds.h"

class CDBDisplayWnd;

// The video area: a plain black child window.
class CViewVideoArea : public CWnd {
public:
    CViewVideoArea() = default;

protected:
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};

class CDVViewWnd : public CWnd {
public:
    static const UINT_PTR kElapsedTimer = 1;
    static const UINT kElapsedPeriodMs = 1000;
    static const UINT kButtonSkinBase = 1312;   // four states: 1312 .. 1315

    // The fixed layout, in the view's client pixels.
    static const RECT kVideoAreaRect;
    static const RECT kLevel1Rect;
    static const RECT kLevel2Rect;
    static const RECT kElapsedRect;
    static const RECT kButtonRect;

    CDVViewWnd();
    ~CDVViewWnd() override;

    // The view as a child of its own (the main window may also subclass a control of its
    // dialog template instead, with DDX_Control).
    BOOL Create(CWnd* pParent, const RECT& rc, UINT id);

    // Stores the skin and the background item and creates the video area, the two level bars
    // and the video-window button; nothing without a window or a skin map.
    void SetupControls(UI_Mgr::SBmpMapMgr* skin, UINT backgroundItem);
    // The program output's size, which the video window takes as its client area.
    void SetOutputSize(int width, int height);
    // The picture's aspect (width / height), handed to the video window.
    void SetAspect(double aspect);
    double GetAspect() const { return m_dAspect; }

    // The elapsed on-air time: counts seconds from 0 on timer 1 (1 s).
    void StartTimer();
    // Stops the count and shows the zero time.
    void StopTimer();
    // The program's two levels in dB (the main window's meter timer).
    void SetLevels(short level1, short level2);

    // Shows the video window full screen on `rc` (a monitor's rectangle).
    void ShowOnRect(const RECT& rc);
    // Full screen on monitor `number` (1-based, in the order the system lists them); FALSE
    // and nothing shown when there is no such monitor. A window already shown is moved there.
    BOOL ShowOnMonitor(int number);
    // Hides the video window when it is shown.
    void HideVideoWindow();
    BOOL IsVideoWindowVisible() const;

    // The window the engine draws the program into (the video area); null before set-up.
    HWND GetVideoArea() const { return m_videoArea.GetSafeHwnd(); }
    CVideoDlg& GetVideoDlg() { return m_videoDlg; }
    UI::SDrawBtn& GetVideoButton() { return m_button; }
    CDBDisplayWnd* GetLevelBar(int index) const { return index == 0 ? m_level1.get() : m_level2.get(); }
    short GetLevel(int index) const { return index == 0 ? m_nLevel1 : m_nLevel2; }
    LONGLONG GetElapsedSeconds() const { return m_nElapsed; }
    // Whether the on-air time is counting (between StartTimer and StopTimer).
    BOOL IsTimerRunning() const { return m_bTimer; }
    const CString& GetElapsedText() const { return m_strElapsed; }

    // "%H:%M:%S" when the hours within the day are not 0, else "%M:%S".
    static CString FormatElapsed(LONGLONG seconds);

protected:
    void OnVideoButton();
    void OnTimer(UINT_PTR id);
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    LRESULT OnEnable(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    void RepaintElapsed();
    HWND MainWindow() const;

    UI_Mgr::SBmpMapMgr* m_pSkin = nullptr;
    UINT m_nBackgroundItem = 0;
    UI::SDrawBtn m_button;
    CViewVideoArea m_videoArea;
    std::unique_ptr<CDBDisplayWnd> m_level1;
    std::unique_ptr<CDBDisplayWnd> m_level2;
    CString m_strElapsed;
    CVideoDlg m_videoDlg;
    CRect m_rcPlacement;
    LONGLONG m_nElapsed = 0;
    BOOL m_bTimer = FALSE;

    short m_nLevel1 = -60;
    short m_nLevel2 = -60;
    double m_dAspect = 1.0;
    int m_nOutputWidth = CVideoDlg::kDefaultWidth;
    int m_nOutputHeight = CVideoDlg::kDefaultHeight;

    DECLARE_MESSAGE_MAP()
};
