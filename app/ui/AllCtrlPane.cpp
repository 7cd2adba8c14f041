#include "app/ui/AllCtrlPane.h"

namespace {

const UINT kBackgroundItem = 1400;
const int kCornerEllipse = 5;

struct AllCtrlButton {
    PaneButtonLook look;
    UINT command;
};

const AllCtrlButton kButtons[CAllCtrlPane::kButtonCount] = {
    { { IDC_ALLCTRL_BACK10, 1407, true, IDS_TIP_BACK10 }, ID_PANEL_BACK10 },
    { { IDC_ALLCTRL_BACK1, 1411, true, IDS_TIP_BACK1 }, ID_PANEL_BACK1 },
    { { IDC_ALLCTRL_STOP, 1415, true, IDS_TIP_STOP }, ID_PANEL_STOP },
    { { IDC_ALLCTRL_PAUSE, 1419, true, IDS_TIP_PAUSE }, ID_PANEL_PAUSE },
    { { IDC_ALLCTRL_PLAY, 1431, true, IDS_TIP_PLAY }, ID_PANEL_PLAY },
    { { IDC_ALLCTRL_FORWARD1, 1427, true, IDS_TIP_FORWARD1 }, ID_PANEL_FORWARD1 },
    { { IDC_ALLCTRL_FORWARD10, 1423, true, IDS_TIP_FORWARD10 }, ID_PANEL_FORWARD10 },
};

} // namespace

BEGIN_MESSAGE_MAP(CAllCtrlPane, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_CONTROL_RANGE(BN_CLICKED, IDC_ALLCTRL_BACK10, IDC_ALLCTRL_BACK1, OnButton)
    ON_WM_MOUSEACTIVATE()
    ON_WM_ACTIVATE()
    ON_MESSAGE(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CAllCtrlPane::CAllCtrlPane(CWnd* const* targets, int count, CWnd* pParent) : CDialog(IDD, pParent)
{
    for (int i = 0; targets != nullptr && i < count && i < kMaxTargets; ++i)
        m_targets[m_nTargets++] = targets[i];
}

CAllCtrlPane::~CAllCtrlPane()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

BOOL CAllCtrlPane::Create(CWnd* pParent)
{
    return CDialog::Create(IDD, pParent);
}

void CAllCtrlPane::Toggle()
{
    if (m_hWnd != nullptr && IsWindowVisible()) {
        ShowWindow(SW_HIDE);
        return;
    }
    if (m_hWnd == nullptr && !Create(m_pParentWnd))
        return;
    FollowOwnerButton();
    ShowWindow(SW_SHOWNOACTIVATE);
}

void CAllCtrlPane::FollowOwnerButton()
{
    HWND button = m_pOwnerButton->GetSafeHwnd();
    if (m_hWnd == nullptr || button == nullptr)
        return;
    CRect rc;
    ::GetWindowRect(button, &rc);
    // A pop-up is placed in screen coordinates.
    SetWindowPos(nullptr, rc.left, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

const PaneButtonLook& CAllCtrlPane::ButtonLook(int index)
{
    return kButtons[index].look;
}

UINT CAllCtrlPane::CommandOf(UINT control)
{
    for (const AllCtrlButton& b : kButtons) {
        if (b.look.control == control)
            return b.command;
    }
    return 0;
}

void CAllCtrlPane::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kButtonCount; ++i)
        DDX_Control(pDX, static_cast<int>(kButtons[i].look.control), m_buttons[i]);
}

BOOL CAllCtrlPane::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_pSkin != nullptr) {
        for (int i = 0; i < kButtonCount; ++i)
            SkinPaneButton(*this, m_buttons[i], m_pSkin, kButtons[i].look);
        SetRoundWindowRegion(*this, kCornerEllipse);
    }
    return FALSE;
}

void CAllCtrlPane::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(client);
    if (m_pSkin != nullptr)
        m_pSkin->DrawItemTransparent(&dc, client, kBackgroundItem, RGB(255, 255, 255));
}

BOOL CAllCtrlPane::OnEraseBkgnd(CDC* pDC)
{
    if (m_pSkin == nullptr)
        return CDialog::OnEraseBkgnd(pDC);
    // The background item covers the client area.
    return TRUE;
}

void CAllCtrlPane::OnButton(UINT control)
{
    UINT command = CommandOf(control);
    if (command == 0)
        return;
    for (int i = 0; i < m_nTargets; ++i) {
        HWND target = m_targets[i]->GetSafeHwnd();
        if (target != nullptr && ::IsWindow(target))
            ::SendMessageW(target, WM_COMMAND, command, 0);
    }
}

int CAllCtrlPane::OnMouseActivate(CWnd*, UINT, UINT)
{
    return MA_NOACTIVATE;
}

void CAllCtrlPane::OnActivate(UINT state, CWnd* other, BOOL minimized)
{
    CDialog::OnActivate(state, other, minimized);
    if (state == WA_INACTIVE || m_pOwnerButton->GetSafeHwnd() == nullptr)
        return;
    // The operator's keys belong to the main window, not to this pane.
    if (CWnd* top = m_pOwnerButton->GetTopLevelParent())
        top->SetActiveWindow();
}

LRESULT CAllCtrlPane::OnWindowPosChanged(WPARAM, LPARAM)
{
    LRESULT result = Default();
    // The hook lives exactly while the pane is visible, however it was shown or hidden.
    if (IsWindowVisible())
        CPaneMouseHook<CAllCtrlPane>::Install(this);
    else
        CPaneMouseHook<CAllCtrlPane>::Remove(this);
    return result;
}

void CAllCtrlPane::OnDestroy()
{
    CPaneMouseHook<CAllCtrlPane>::Remove(this);
    CDialog::OnDestroy();
}
