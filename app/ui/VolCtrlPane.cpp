#include "app/ui/VolCtrlPane.h"

namespace {

const UINT kTrackItem = 1401;
const UINT kThumbItem = 1402;
const UINT kBackgroundLeft = 1443;
const UINT kBackgroundMiddle = 1444;
const UINT kBackgroundRight = 1445;
const int kThumbLength = 17;
const int kCornerEllipse = 12;
const COLORREF kColorKey = RGB(255, 255, 255);
// The whole clip, start to end; the pane's bar once began at 1 and could never seek to 0 %.
const int kPositionMin = 0;
const int kPositionMax = 100;

enum { kBack1, kForward1, kNextFrame, kSpeed };

const PaneButtonLook kButtons[CVolCtrlPane::kButtonCount] = {
    { IDC_VOLCTRL_BACK1, 1411, true, IDS_TIP_BACK1 },
    { IDC_VOLCTRL_FORWARD1, 1427, true, IDS_TIP_FORWARD1 },
    { IDC_VOLCTRL_NEXT_FRAME, 1439, true, IDS_TIP_NEXT_FRAME },
    { IDC_VOLCTRL_SPEED, 1446, false, 0 },   // its tip is the current speed
};

} // namespace

BEGIN_MESSAGE_MAP(CVolCtrlPane, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_BN_CLICKED(IDC_VOLCTRL_BACK1, OnBack1)
    ON_BN_CLICKED(IDC_VOLCTRL_FORWARD1, OnForward1)
    ON_BN_CLICKED(IDC_VOLCTRL_NEXT_FRAME, OnNextFrame)
    ON_BN_CLICKED(IDC_VOLCTRL_SPEED, OnSpeedButton)
    ON_COMMAND_RANGE(ID_SPEED_X0_2, ID_SPEED_X8_0, OnSpeed)
    ON_WM_HSCROLL()
    ON_WM_TIMER()
    ON_WM_MOUSEACTIVATE()
    ON_WM_ACTIVATE()
    ON_MESSAGE(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CVolCtrlPane::CVolCtrlPane(CWnd* pParent) : CDialog(IDD, pParent) {}

CVolCtrlPane::~CVolCtrlPane()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

BOOL CVolCtrlPane::Create(CWnd* pParent)
{
    return CDialog::Create(IDD, pParent);
}

const PaneButtonLook& CVolCtrlPane::ButtonLook(int index)
{
    return kButtons[index];
}

CString CVolCtrlPane::SpeedText(double rate)
{
    CString text;
    text.LoadString(IDS_SPEED_X0_2 + static_cast<UINT>(PlaybackSpeed::IndexOf(rate)));
    return text;
}

void CVolCtrlPane::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kButtonCount; ++i)
        DDX_Control(pDX, static_cast<int>(kButtons[i].control), m_buttons[i]);
    DDX_Control(pDX, IDC_VOLCTRL_POSITION, m_position);
}

BOOL CVolCtrlPane::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_pSkin != nullptr) {
        for (int i = 0; i < kButtonCount; ++i)
            SkinPaneButton(*this, m_buttons[i], m_pSkin, kButtons[i]);
        SetRoundWindowRegion(*this, kCornerEllipse);
        m_position.SetSkinMap(m_pSkin);
        m_position.SetBackgroundItem(kTrackItem);
        m_position.SetThumbItem(kThumbItem);
        m_position.SetThumbColorKey(kColorKey);
        m_position.SetThumbLength(kThumbLength);
    }
    m_position.SetRange(kPositionMin, kPositionMax, TRUE);
    m_position.SetPos(m_nPosition);
    UpdateSpeedTip();
    if (m_pTarget != nullptr)
        SetTimer(kPositionTimer, kPositionPeriodMs);
    return FALSE;
}

HWND CVolCtrlPane::TargetWindow() const
{
    HWND target = m_pTarget->GetSafeHwnd();
    return target != nullptr && ::IsWindow(target) ? target : nullptr;
}

void CVolCtrlPane::SendToTarget(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HWND target = TargetWindow())
        ::SendMessageW(target, message, wParam, lParam);
}

void CVolCtrlPane::SetTarget(CWnd* panel)
{
    m_pTarget = panel;
    if (m_hWnd == nullptr)
        return;
    if (panel != nullptr)
        SetTimer(kPositionTimer, kPositionPeriodMs);
    else
        KillTimer(kPositionTimer);
}

void CVolCtrlPane::SetPosition(int percent)
{
    m_nPosition = percent < kPositionMin ? kPositionMin : (percent > kPositionMax ? kPositionMax : percent);
    if (m_position.m_hWnd != nullptr) {
        m_position.SetPos(m_nPosition);
        m_position.Invalidate(FALSE);
    }
}

void CVolCtrlPane::SetRate(double rate)
{
    m_dRate = rate;
    UpdateSpeedTip();
}

void CVolCtrlPane::UpdateSpeedTip()
{
    UI::SDrawBtn& speed = m_buttons[kSpeed];
    if (speed.m_hWnd != nullptr)
        speed.SetToolTip(SpeedText(m_dRate));
}

void CVolCtrlPane::ShowForPanel(CWnd* panel, int percent, double rate)
{
    if (panel == nullptr || (panel == m_pTarget && m_hWnd != nullptr && IsWindowVisible())) {
        SetTarget(nullptr);
        if (m_hWnd != nullptr)
            ShowWindow(SW_HIDE);
        return;
    }
    SetTarget(panel);
    SetPosition(percent);
    SetRate(rate);
    if (m_hWnd == nullptr && !Create(m_pParentWnd))
        return;
    FollowTarget();
    ShowWindow(SW_SHOWNOACTIVATE);
    // The operator goes on working in the main window.
    if (CWnd* top = panel->GetTopLevelParent())
        top->SetFocus();
}

void CVolCtrlPane::FollowTarget()
{
    HWND target = TargetWindow();
    if (m_hWnd == nullptr || target == nullptr)
        return;
    CRect rc;
    ::GetWindowRect(target, &rc);
    // A pop-up is placed in screen coordinates.
    SetWindowPos(nullptr, rc.left, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVolCtrlPane::PrepareSpeedMenu(CMenu* speedMenu) const
{
    if (speedMenu == nullptr)
        return;
    UINT current = ID_SPEED_X0_2 + static_cast<UINT>(PlaybackSpeed::IndexOf(m_dRate));
    speedMenu->CheckMenuRadioItem(ID_SPEED_X0_2, ID_SPEED_X8_0, current, MF_BYCOMMAND);
}

void CVolCtrlPane::OnPaint()
{
    CPaintDC dc(this);
    if (m_pSkin == nullptr)
        return;
    CRect client;
    GetClientRect(client);
    CRect left;
    CRect right;
    m_pSkin->GetItemRect(kBackgroundLeft, left);
    m_pSkin->GetItemRect(kBackgroundRight, right);
    CRect leftPart(0, 0, left.Width(), client.Height());
    CRect rightPart(client.right - right.Width(), 0, client.right, client.Height());
    CRect middlePart(leftPart.right, 0, rightPart.left, client.Height());
    m_pSkin->DrawItemTransparent(&dc, leftPart, kBackgroundLeft, kColorKey);
    if (middlePart.Width() > 0)
        m_pSkin->DrawItemTransparent(&dc, middlePart, kBackgroundMiddle, kColorKey);
    m_pSkin->DrawItemTransparent(&dc, rightPart, kBackgroundRight, kColorKey);
}

BOOL CVolCtrlPane::OnEraseBkgnd(CDC* pDC)
{
    if (m_pSkin == nullptr)
        return CDialog::OnEraseBkgnd(pDC);
    return TRUE;
}

void CVolCtrlPane::OnBack1()
{
    SendToTarget(WM_COMMAND, ID_PANEL_BACK1, 0);
}

void CVolCtrlPane::OnForward1()
{
    SendToTarget(WM_COMMAND, ID_PANEL_FORWARD1, 0);
}

void CVolCtrlPane::OnNextFrame()
{
    SendToTarget(WM_PANEL_STEP_FRAME);
}

void CVolCtrlPane::OnSpeedButton()
{
    CMenu menu;
    if (!menu.LoadMenu(IDR_POPUP_MENUS))
        return;
    CMenu* speedMenu = menu.GetSubMenu(IDM_POPUP_SPEED);
    if (speedMenu == nullptr)
        return;
    PrepareSpeedMenu(speedMenu);
    CRect rc;
    m_buttons[kSpeed].GetWindowRect(rc);
    speedMenu->TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, rc.left, rc.bottom, this);
}

void CVolCtrlPane::OnSpeed(UINT command)
{
    HWND target = TargetWindow();
    if (target == nullptr)
        return;
    double rate = PlaybackSpeed::RateOf(static_cast<int>(command - ID_SPEED_X0_2));
    if (::SendMessageW(target, WM_PANEL_SET_RATE, reinterpret_cast<WPARAM>(&rate), 0) != 0)
        SetRate(rate);
}

void CVolCtrlPane::OnHScroll(UINT code, UINT pos, CScrollBar* bar)
{
    if (bar == nullptr || bar->GetSafeHwnd() != m_position.m_hWnd) {
        CDialog::OnHScroll(code, pos, bar);
        return;
    }
    m_position.Invalidate(FALSE);
    m_nPosition = m_position.GetPos();
    SendToTarget(WM_PANEL_SEEK_PERCENT, static_cast<WPARAM>(m_nPosition));
}

void CVolCtrlPane::OnTimer(UINT_PTR id)
{
    if (id != kPositionTimer) {
        CDialog::OnTimer(id);
        return;
    }
    HWND target = TargetWindow();
    if (target == nullptr)
        return;
    int percent = 0;
    if (::SendMessageW(target, WM_PANEL_GET_PERCENT, reinterpret_cast<WPARAM>(&percent), 0) == 0)
        percent = 0;
    SetPosition(percent);
}

int CVolCtrlPane::OnMouseActivate(CWnd*, UINT, UINT)
{
    return MA_NOACTIVATE;
}

void CVolCtrlPane::OnActivate(UINT state, CWnd* other, BOOL minimized)
{
    CDialog::OnActivate(state, other, minimized);
    if (state == WA_INACTIVE || m_pTarget->GetSafeHwnd() == nullptr)
        return;
    if (CWnd* top = m_pTarget->GetTopLevelParent())
        top->SetActiveWindow();
}

LRESULT CVolCtrlPane::OnWindowPosChanged(WPARAM, LPARAM)
{
    LRESULT result = Default();
    if (IsWindowVisible())
        CPaneMouseHook<CVolCtrlPane>::Install(this);
    else
        CPaneMouseHook<CVolCtrlPane>::Remove(this);
    return result;
}

void CVolCtrlPane::OnDestroy()
{
    KillTimer(kPositionTimer);
    CPaneMouseHook<CVolCtrlPane>::Remove(this);
    CDialog::OnDestroy();
}
