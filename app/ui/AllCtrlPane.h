// The pane of transport buttons that act on all five channel panels at once (play all, pause
// all, seek all). A borderless pop-up over the main window that never takes the activation and
// hides itself when the operator clicks anywhere but on it or on the button that opened it.
#pragma once

#include <afxwin.h>

#include "app/ui/BmpMapMgr.h"
#include "app/ui/ControlPaneIds.h"
#include "app/ui/DrawBtn.h"
#include "app/ui/PaneSupport.h"

class CAllCtrlPane : public CDialog, public IOutsideClickPane {
public:
    enum { IDD = IDD_ALLCTRL_PANE };
    static const int kMaxTargets = 5;
    static const int kButtonCount = 7;

    // The targets are the channel panels (at most five); the pane never owns them.
    CAllCtrlPane(CWnd* const* targets, int count, CWnd* pParent = nullptr);
    ~CAllCtrlPane() override;

    // Both before the window is created; without a skin map the pane stays unskinned.
    void SetSkinMap(UI_Mgr::SBmpMapMgr* skin) { m_pSkin = skin; }
    void SetOwnerButton(CWnd* button) { m_pOwnerButton = button; }
    BOOL Create(CWnd* pParent = nullptr);

    // What the main window's pane button does: a visible pane hides; otherwise the pane is
    // created on first use, lies on the owner button's top-left corner and shows without
    // taking the activation.
    void Toggle();
    // Keeps a visible pane on its owner button (the main window moved).
    void FollowOwnerButton();

    UI::SDrawBtn& GetButton(int index) { return m_buttons[index]; }
    static const PaneButtonLook& ButtonLook(int index);
    // The command a button sends to every panel, 0 for a control that is not a pane button.
    static UINT CommandOf(UINT control);

    // IOutsideClickPane
    HWND GetPaneWindow() const override { return m_hWnd; }
    HWND GetCompanionWindow() const override { return m_pOwnerButton->GetSafeHwnd(); }
    void OnOutsideClick() override { ShowWindow(SW_HIDE); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override { ShowWindow(SW_HIDE); }

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnButton(UINT control);
    int OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message);
    void OnActivate(UINT state, CWnd* other, BOOL minimized);
    LRESULT OnWindowPosChanged(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    UI_Mgr::SBmpMapMgr* m_pSkin = nullptr;
    UI::SDrawBtn m_buttons[kButtonCount];
    CWnd* m_pOwnerButton = nullptr;
    CWnd* m_targets[kMaxTargets] = {};
    int m_nTargets = 0;

    DECLARE_MESSAGE_MAP()
};
