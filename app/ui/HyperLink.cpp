#include "app/ui/HyperLink.h"

#include <shellapi.h>

IMPLEMENT_DYNAMIC(CHyperLink, CStatic)

BEGIN_MESSAGE_MAP(CHyperLink, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_SETCURSOR()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_KEYDOWN()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_NCHITTEST()
END_MESSAGE_MAP()

COLORREF CHyperLink::s_crLinkColour = RGB(0, 0, 255);
COLORREF CHyperLink::s_crActiveColour = RGB(0, 128, 128);
COLORREF CHyperLink::s_crVisitedColour = RGB(128, 0, 128);
COLORREF CHyperLink::s_crHoverColour = RGB(255, 0, 0);
HCURSOR CHyperLink::s_hLinkCursor = nullptr;

namespace {

HINSTANCE ShellOpen(HWND owner, LPCWSTR target)
{
    return ::ShellExecuteW(owner, L"open", target, nullptr, nullptr, SW_SHOW);
}

void DefaultBeep(UINT type)
{
    ::MessageBeep(type);
}

CHyperLink::ShellOpenFunc g_shellOpen = &ShellOpen;
CHyperLink::BeepFunc g_beep = &DefaultBeep;

} // namespace

CHyperLink::ShellOpenFunc CHyperLink::SetShellOpenFunction(ShellOpenFunc func)
{
    ShellOpenFunc previous = g_shellOpen;
    g_shellOpen = func ? func : &ShellOpen;
    return previous;
}

CHyperLink::BeepFunc CHyperLink::SetBeepFunction(BeepFunc func)
{
    BeepFunc previous = g_beep;
    g_beep = func ? func : &DefaultBeep;
    return previous;
}

void CHyperLink::SetClassColours(COLORREF link, COLORREF active, COLORREF visited, COLORREF hover)
{
    s_crLinkColour = link;
    s_crActiveColour = active;
    s_crVisitedColour = visited;
    s_crHoverColour = hover == static_cast<COLORREF>(-1) ? ::GetSysColor(COLOR_HIGHLIGHT) : hover;
}

void CHyperLink::GetClassColours(COLORREF& link, COLORREF& active, COLORREF& visited, COLORREF& hover)
{
    link = s_crLinkColour;
    active = s_crActiveColour;
    visited = s_crVisitedColour;
    hover = s_crHoverColour;
}

void CHyperLink::SetDefaultCursor()
{
    if (s_hLinkCursor != nullptr)
        return;
    // The hand of the help viewer, as older systems had no hand cursor of their own.
    wchar_t path[MAX_PATH] = {};
    UINT n = ::GetWindowsDirectoryW(path, MAX_PATH);
    if (n > 0 && n + 14 < MAX_PATH) {
        ::lstrcatW(path, L"\\winhlp32.exe");
        HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (module != nullptr) {
            HCURSOR hand = ::LoadCursorW(module, MAKEINTRESOURCEW(106));
            if (hand != nullptr)
                s_hLinkCursor = CopyCursor(hand);
            ::FreeLibrary(module);
        }
    }
    // Without that program (or its cursor) the system's own hand serves.
    if (s_hLinkCursor == nullptr)
        s_hLinkCursor = ::LoadCursorW(nullptr, IDC_HAND);
}

void CHyperLink::SetClassCursor(HCURSOR cursor)
{
    s_hLinkCursor = cursor;
    if (s_hLinkCursor == nullptr)
        SetDefaultCursor();
}

HCURSOR CHyperLink::GetClassCursor()
{
    return s_hLinkCursor;
}

COLORREF CHyperLink::ChooseColour(BOOL over, BOOL active, BOOL visited, DWORD style)
{
    if (over && (style & StyleUseHover))
        return s_crHoverColour;
    if ((style & StyleNoActiveColour) || !active)
        return visited ? s_crVisitedColour : s_crLinkColour;
    return s_crActiveColour;
}

void CHyperLink::BuildFont(const LOGFONTW& base)
{
    LOGFONTW lf = base;
    lf.lfUnderline = (m_dwStyle & StyleUnderline) ? TRUE : FALSE;
    m_Font.DeleteObject();
    if (m_Font.CreateFontIndirect(&lf))
        SetFont(&m_Font, FALSE);
}

void CHyperLink::PreSubclassWindow()
{
    CString text;
    GetWindowText(text);
    if (m_strTarget.IsEmpty())
        m_strTarget = text;
    if (text.IsEmpty() && !m_strTarget.IsEmpty())
        SetWindowText(m_strTarget);

    CFont* font = GetFont();
    if (font != nullptr && font->m_hObject != nullptr) {
        LOGFONTW lf = {};
        font->GetLogFont(&lf);
        BuildFont(lf);
        PositionWindow();
    } else {
        m_dwStyle &= ~StyleAutoSize;
    }
    if (!(m_dwStyle & StyleNoHandCursor))
        SetDefaultCursor();

    if (m_ToolTip.Create(this)) {
        CRect rc;
        GetClientRect(rc);
        m_ToolTip.AddTool(this, m_strTarget, rc, kToolId);
    }
    CStatic::PreSubclassWindow();
}

BOOL CHyperLink::PreTranslateMessage(MSG* pMsg)
{
    if (m_ToolTip.m_hWnd != nullptr)
        m_ToolTip.RelayEvent(pMsg);
    return CStatic::PreTranslateMessage(pMsg);
}

void CHyperLink::SetTarget(LPCWSTR target)
{
    m_strTarget = target;
    if (m_hWnd != nullptr) {
        ShowWindow(SW_HIDE);
        PositionWindow();
        if (m_ToolTip.m_hWnd != nullptr)
            m_ToolTip.UpdateTipText(m_strTarget, this, kToolId);
        ShowWindow(SW_SHOW);
    }
}

void CHyperLink::ReplaceText(LPCWSTR text)
{
    if (m_hWnd == nullptr)
        return;
    ShowWindow(SW_HIDE);
    SetWindowText(text);
    PositionWindow();
    ShowWindow(SW_SHOW);
}

void CHyperLink::ReplaceFont(CFont& font)
{
    if (m_hWnd != nullptr)
        ShowWindow(SW_HIDE);
    LOGFONTW lf = {};
    font.GetLogFont(&lf);
    BuildFont(lf);
    if (m_hWnd != nullptr) {
        PositionWindow();
        ShowWindow(SW_SHOW);
    }
}

BOOL CHyperLink::ChangeStyle(DWORD remove, DWORD add, BOOL update)
{
    if (remove & add)
        return FALSE;
    DWORD old = m_dwStyle;
    m_dwStyle = (m_dwStyle & ~remove) | add;
    if (update && m_hWnd != nullptr) {
        if ((old ^ m_dwStyle) & StyleUnderline) {
            LOGFONTW lf = {};
            if (m_Font.m_hObject != nullptr && m_Font.GetLogFont(&lf))
                BuildFont(lf);
            Invalidate();
        }
        if ((add & StyleAutoSize) && !(old & StyleAutoSize))
            PositionWindow();
        if ((remove & StyleUseHover) && (old & StyleUseHover))
            Invalidate();
    }
    return TRUE;
}

void CHyperLink::PositionWindow()
{
    if (m_hWnd == nullptr || !(m_dwStyle & StyleAutoSize))
        return;
    CRect window;
    GetWindowRect(window);
    CWnd* parent = GetParent();
    if (parent != nullptr)
        parent->ScreenToClient(window);
    CRect client;
    GetClientRect(client);
    const int borderX = window.Width() - client.Width();
    const int borderY = window.Height() - client.Height();

    CString text;
    GetWindowText(text);
    CClientDC dc(this);
    CFont* old = dc.SelectObject(&m_Font);
    CSize extent = dc.GetTextExtent(text);
    dc.SelectObject(old);

    CRect rc(window.left, window.top, window.right - borderX, window.bottom - borderY);
    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        int dy = (rc.Height() - extent.cy) / 2;
        rc.top += dy;
        rc.bottom = rc.top + extent.cy;
    } else {
        rc.bottom = rc.top + extent.cy;
    }
    const DWORD align = style & SS_TYPEMASK;
    if (align == SS_CENTER) {
        int dx = (rc.Width() - extent.cx) / 2;
        rc.left += dx;
        rc.right = rc.left + extent.cx;
    } else if (align == SS_RIGHT) {
        rc.left = rc.right - extent.cx;
    } else {
        rc.right = rc.left + extent.cx;
    }
    rc.right += borderX;
    rc.bottom += borderY;
    SetWindowPos(nullptr, rc.left, rc.top, rc.Width(), rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHyperLink::FollowLink()
{
    if (m_strTarget.IsEmpty())
        return;
    HINSTANCE result = g_shellOpen(GetParent()->GetSafeHwnd(), m_strTarget);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        g_beep(MB_ICONEXCLAMATION);
        return;
    }
    m_bVisited = TRUE;
    if (m_hWnd != nullptr)
        Invalidate();
}

HBRUSH CHyperLink::CtlColor(CDC* pDC, UINT)
{
    pDC->SetTextColor(ChooseColour(m_bOverControl, m_bActive, m_bVisited, m_dwStyle));
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (s_hLinkCursor != nullptr && !(m_dwStyle & StyleNoHandCursor)) {
        ::SetCursor(s_hLinkCursor);
        return TRUE;
    }
    return CStatic::OnSetCursor(pWnd, nHitTest, message);
}

void CHyperLink::OnMouseMove(UINT flags, CPoint pt)
{
    if (!m_bOverControl) {
        m_bOverControl = TRUE;
        Invalidate();
        SetCapture();
    } else {
        CRect rc;
        GetClientRect(rc);
        if (!rc.PtInRect(pt)) {
            m_bOverControl = FALSE;
            ::ReleaseCapture();
            Invalidate();
        }
    }
    CStatic::OnMouseMove(flags, pt);
}

void CHyperLink::OnLButtonDown(UINT, CPoint)
{
    if (m_dwStyle & StyleGetFocusOnClick)
        SetFocus();
    if (m_dwStyle & StyleDownClick)
        FollowLink();
    m_bActive = TRUE;
}

void CHyperLink::OnLButtonUp(UINT, CPoint)
{
    if (m_bActive && !(m_dwStyle & StyleDownClick))
        FollowLink();
}

void CHyperLink::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    if (nChar == VK_SPACE)
        FollowLink();
    else
        CStatic::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CHyperLink::OnSetFocus(CWnd*)
{
    m_bActive = TRUE;
    Invalidate();
}

void CHyperLink::OnKillFocus(CWnd*)
{
    m_bActive = FALSE;
    m_bOverControl = FALSE;
    Invalidate();
}

LRESULT CHyperLink::OnNcHitTest(CPoint)
{
    return HTCLIENT;
}
