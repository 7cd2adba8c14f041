// The clip transport pane of one channel panel: one-second steps, one frame forward, the
// playback speed menu (x0.2 .. x8) and a position bar that follows the panel's position each
// second and seeks it when moved. A borderless pop-up over the panel that never takes the
// activation and hides itself when the operator clicks anywhere but on it or on its panel.
#pragma once

#include <afxwin.h>

#include "app/ui/BmpMapMgr.h"
#include "app/ui/ControlPaneIds.h"
#include "app/ui/DrawBtn.h"
#include "app/ui/PaneSupport.h"
#include "app/ui/SpeedSliderCtl.h"

class CVolCtrlPane : public CDialog, public IOutsideClickPane {
public:
    enum { IDD = IDD_VOLCTRL_PANE };
    static const UINT_PTR kPositionTimer = 1;
    static const UINT kPositionPeriodMs = 1000;
    static const int kButtonCount = 4;

    explicit CVolCtrlPane(CWnd* pParent = nullptr);
    ~CVolCtrlPane() override;

    // Before the window is created; without a skin map the pane stays unskinned.
    void SetSkinMap(UI_Mgr::SBmpMapMgr* skin) { m_pSkin = skin; }
    BOOL Create(CWnd* pParent = nullptr);

    // The panel the pane drives (null for none); the position timer runs while there is one.
    void SetTarget(CWnd* panel);
    CWnd* GetTarget() const { return m_pTarget; }
    // Percent 0..100 (anything else is limited to it).
    void SetPosition(int percent);
    int GetPosition() const { return m_nPosition; }
    void SetRate(double rate);
    double GetRate() const { return m_dRate; }

    // What the main window does for a panel's request to show the pane: a request without a
    // panel, or for the panel the visible pane already serves, hides it; otherwise the pane
    // takes the panel, its position and rate, is created on first use, lies on the panel's
    // top-left corner and shows without taking the activation.
    void ShowForPanel(CWnd* panel, int percent, double rate);
    // Keeps a visible pane on its panel's top-left corner (the main window moved).
    void FollowTarget();

    // Puts the radio check of the speed menu on the entry of the current rate.
    void PrepareSpeedMenu(CMenu* speedMenu) const;
    // The speed text of a rate (the speed button's tool tip).
    static CString SpeedText(double rate);

    CSpeedSliderCtl& GetPositionBar() { return m_position; }
    UI::SDrawBtn& GetButton(int index) { return m_buttons[index]; }
    static const PaneButtonLook& ButtonLook(int index);

    // IOutsideClickPane
    HWND GetPaneWindow() const override { return m_hWnd; }
    HWND GetCompanionWindow() const override { return m_pTarget->GetSafeHwnd(); }
    void OnOutsideClick() override { ShowWindow(SW_HIDE); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override { ShowWindow(SW_HIDE); }

    HWND TargetWindow() const;
    void SendToTarget(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void UpdateSpeedTip();

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnBack1();
    void OnForward1();
    void OnNextFrame();
    void OnSpeedButton();
    void OnSpeed(UINT command);
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
    void OnTimer(UINT_PTR id);
    int OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message);
    void OnActivate(UINT state, CWnd* other, BOOL minimized);
    LRESULT OnWindowPosChanged(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    UI_Mgr::SBmpMapMgr* m_pSkin = nullptr;
    UI::SDrawBtn m_buttons[kButtonCount];
    CSpeedSliderCtl m_position;
    CWnd* m_pTarget = nullptr;
    int m_nPosition = 0;
    double m_dRate = 1.0;

    DECLARE_MESSAGE_MAP()
};
