#include "app/ui/VideoDlg.h"

#include "app/core/DeskMessages.h"

namespace {

const DWORD kFrameStyles = WS_CAPTION | WS_THICKFRAME;

} // namespace

BEGIN_MESSAGE_MAP(CVideoChildWnd, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDBLCLK()
END_MESSAGE_MAP()

BOOL CVideoChildWnd::OnEraseBkgnd(CDC* pDC)
{
    CRect rc;
    GetClientRect(&rc);
    pDC->FillRect(&rc, CBrush::FromHandle(static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))));
    return TRUE;
}

void CVideoChildWnd::OnLButtonDblClk(UINT flags, CPoint pt)
{
    // The child covers the whole client area, so the frame's double click arrives here.
    CWnd* frame = GetParent();
    if (frame != nullptr) {
        ClientToScreen(&pt);
        frame->ScreenToClient(&pt);
        frame->SendMessage(WM_LBUTTONDBLCLK, flags, MAKELPARAM(pt.x, pt.y));
    }
}

BEGIN_MESSAGE_MAP(CVideoDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CVideoDlg::CVideoDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CVideoDlg::~CVideoDlg()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CVideoDlg::SetOutputSize(int width, int height)
{
    // A size no output has keeps the default rather than making a window without a client area.
    if (width > 0 && height > 0) {
        m_nWidth = width;
        m_nHeight = height;
    }
}

BOOL CVideoDlg::Create(CWnd* pParent)
{
    return CDialog::Create(IDD, pParent);
}

BOOL CVideoDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_video.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, m_nWidth, m_nHeight, m_hWnd,
                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_VIDEO_CHILD)));
    CRect rc(0, 0, m_nWidth, m_nHeight);
    ::AdjustWindowRectEx(&rc, GetStyle(), FALSE, GetExStyle());
    SetWindowPos(nullptr, 0, 0, rc.Width(), rc.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
    return TRUE;
}

void CVideoDlg::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    if (m_video.GetSafeHwnd() != nullptr) {
        CRect child;
        m_video.GetWindowRect(&child);
        ScreenToClient(&child);
        dc.ExcludeClipRect(&child);
    }
    dc.FillRect(&client, CBrush::FromHandle(static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))));
}

BOOL CVideoDlg::OnEraseBkgnd(CDC*)
{
    // Painting fills around the child; erasing first would only flicker over the picture.
    return TRUE;
}

void CVideoDlg::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    if (m_video.GetSafeHwnd() != nullptr && cx > 0 && cy > 0)
        m_video.MoveWindow(0, 0, cx, cy);
}

void CVideoDlg::OnLButtonDblClk(UINT, CPoint)
{
    ToggleFullScreen();
}

BOOL CVideoDlg::ToggleFullScreen()
{
    if (m_hWnd == nullptr)
        return FALSE;
    if (m_bFullScreen) {
        LeaveFullScreen();
        return TRUE;
    }
    CRect current;
    GetWindowRect(&current);
    HMONITOR monitor = ::MonitorFromRect(&current, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (monitor == nullptr || !::GetMonitorInfoW(monitor, &info))
        return FALSE;
    m_rcSaved = current;
    return EnterFullScreen(info.rcMonitor);
}

BOOL CVideoDlg::PlaceOnRect(const RECT& rc)
{
    if (m_hWnd == nullptr)
        return FALSE;
    // Already full screen: the rectangle to return to is still the one from before.
    if (!m_bFullScreen)
        GetWindowRect(&m_rcSaved);
    return EnterFullScreen(rc);
}

BOOL CVideoDlg::EnterFullScreen(const RECT& rc)
{
    m_bFullScreen = TRUE;
    ModifyStyle(kFrameStyles, 0);
    return ::SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                        SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

void CVideoDlg::LeaveFullScreen()
{
    m_bFullScreen = FALSE;
    ModifyStyle(0, kFrameStyles);
    // Wine leaves an owned window topmost through HWND_NOTOPMOST (Windows does not): for that
    // one call the window is without its owner, which it gets back at once.
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner != nullptr)
        ::SetWindowLongPtrW(m_hWnd, GWLP_HWNDPARENT, 0);
    ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (owner != nullptr)
        ::SetWindowLongPtrW(m_hWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    ::SetWindowPos(m_hWnd, nullptr, m_rcSaved.left, m_rcSaved.top, m_rcSaved.Width(), m_rcSaved.Height(),
                   SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

void CVideoDlg::TellMainWindowRemoved()
{
    CWnd* main = AfxGetMainWnd();
    if (main != nullptr && main->GetSafeHwnd() != nullptr && m_video.GetSafeHwnd() != nullptr)
        main->SendMessage(WM_REMOVE_VIDEO_WINDOW, reinterpret_cast<WPARAM>(m_video.GetSafeHwnd()), 0);
    m_nShown = 0;
}

void CVideoDlg::OnClose()
{
    // The close box hides the window; the mixer must stop presenting into it first.
    OnCancel();
}

void CVideoDlg::OnCancel()
{
    // Escape reaches here as well as the close box: either way the window goes out of sight,
    // so the main window is told once, while it is still visible.
    if (IsWindowVisible())
        TellMainWindowRemoved();
    ShowWindow(SW_HIDE);
}

void CVideoDlg::OnDestroy()
{
    // Destroyed while the mixer presents into it (its owner, the main window, is closing and
    // destroys its owned windows first): the mixer is told before the window goes, so it never
    // presents into a destroyed window.
    if (m_nShown != 0)
        TellMainWindowRemoved();
    CDialog::OnDestroy();
}
