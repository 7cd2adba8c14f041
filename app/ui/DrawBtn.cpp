#include "app/ui/DrawBtn.h"

namespace UI {

BEGIN_MESSAGE_MAP(SDrawBtn, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSEHOVER()
    ON_WM_MOUSELEAVE()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_WM_NCDESTROY()
END_MESSAGE_MAP()

SDrawBtn::~SDrawBtn() = default;

int SDrawBtn::SetStateImage(UINT id, int state)
{
    if (state < 1 || state > 4)
        return 0;
    StateImage& image = m_images[state - 1];
    image = StateImage();
    image.kind = kSkinItem;
    image.id = id;
    return 1;
}

void SDrawBtn::SetStateImages(UINT firstItem)
{
    for (int state = 1; state <= 4; ++state)
        SetStateImage(firstItem + static_cast<UINT>(state - 1), state);
}

int SDrawBtn::SetStateRect(int left, int top, int right, int bottom, int state)
{
    if (state < 1 || state > 4)
        return 0;
    StateImage& image = m_images[state - 1];
    image = StateImage();
    image.kind = kRect;
    image.rect = { left, top, right, bottom };
    return 1;
}

int SDrawBtn::SetStateBitmap(HBITMAP bitmap, int state)
{
    if (state < 1 || state > 4)
        return 0;
    StateImage& image = m_images[state - 1];
    image = StateImage();
    image.kind = kBitmap;
    image.bitmap = bitmap;
    return 1;
}

void SDrawBtn::SetCheck(BOOL checked)
{
    m_bChecked = checked;
    if (m_hWnd != nullptr)
        Invalidate(FALSE);
}

BOOL SDrawBtn::SetTransparent(BOOL transparent, COLORREF colorKey)
{
    BOOL previous = m_bTransparent;
    m_bTransparent = transparent;
    m_crKey = colorKey;
    if (m_hWnd != nullptr) {
        ModifyStyleEx(transparent ? 0 : WS_EX_TRANSPARENT, transparent ? WS_EX_TRANSPARENT : 0);
        Invalidate(FALSE);
    }
    return previous;
}

void SDrawBtn::ApplyRoundRegion()
{
    if (m_hWnd == nullptr || (m_nRoundWidth == 0 && m_nRoundHeight == 0))
        return;
    CRect rc;
    GetWindowRect(rc);
    // One pixel wider and higher: the region's right and bottom edges are exclusive.
    HRGN region = ::CreateRoundRectRgn(0, 0, rc.Width() + 1, rc.Height() + 1, m_nRoundWidth, m_nRoundHeight);
    if (region != nullptr && !SetWindowRgn(region, TRUE))
        ::DeleteObject(region);
}

void SDrawBtn::SetRoundRegion(int width, int height)
{
    m_nRoundWidth = width;
    m_nRoundHeight = height;
    ApplyRoundRegion();
}

void SDrawBtn::SetToolTip(LPCWSTR text)
{
    m_strToolTip.Empty();
    if (text == nullptr || *text == 0) {
        if (m_ToolTip.m_hWnd != nullptr)
            m_ToolTip.Activate(FALSE);
        return;
    }
    m_strToolTip = text;
    if (m_hWnd == nullptr)
        return;   // no window to register with yet
    if (m_ToolTip.m_hWnd == nullptr) {
        if (!m_ToolTip.Create(this))
            return;
    }
    m_ToolTip.Activate(TRUE);
    // One tool per button: a new text replaces the old one.
    if (m_ToolTip.GetToolCount() == 0)
        m_ToolTip.AddTool(this, m_strToolTip);
    else
        m_ToolTip.UpdateTipText(m_strToolTip, this);
}

BOOL SDrawBtn::SetBlink(BOOL blink)
{
    BOOL previous = m_bBlink;
    m_bBlink = blink;
    if (m_hWnd != nullptr) {
        if (blink)
            SetTimer(kBlinkTimer, 300);
        else
            KillTimer(kBlinkTimer);
    }
    return previous;
}

int SDrawBtn::ChooseImage(BOOL checked, BOOL tracking, UINT itemState)
{
    if (checked)
        return kPressed;
    if (tracking)
        return (itemState & ODS_SELECTED) ? kPressed : kHover;
    if (itemState & ODS_DISABLED)
        return kDisabled;
    return kNormal;
}

void SDrawBtn::PreSubclassWindow()
{
    CButton::PreSubclassWindow();
    // Drawn by DrawItem whatever style the template gave it.
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
    if (m_bTransparent)
        ModifyStyleEx(0, WS_EX_TRANSPARENT);
}

BOOL SDrawBtn::PreTranslateMessage(MSG* pMsg)
{
    if (m_ToolTip.m_hWnd != nullptr && pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST)
        m_ToolTip.RelayEvent(pMsg);
    return CButton::PreTranslateMessage(pMsg);
}

BOOL SDrawBtn::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return CButton::OnNotify(wParam, lParam, pResult);
}

void SDrawBtn::DrawImage(CDC* pDC, const CRect& rc, int image)
{
    const StateImage& state = m_images[image];
    switch (state.kind) {
    case kSkinItem:
        if (m_pSkin == nullptr)
            break;
        if (m_bTransparent)
            m_pSkin->DrawItemTransparent(pDC, rc, state.id, m_crKey);
        else
            m_pSkin->DrawItem(pDC, rc, state.id, true, SRCCOPY);
        break;
    case kRect:
        if (m_pSkin == nullptr)
            break;
        if (m_bTransparent)
            m_pSkin->DrawRectTransparent(pDC, rc, state.rect, m_crKey);
        else
            m_pSkin->DrawRect(pDC, rc, state.rect, true, SRCCOPY);
        break;
    case kBitmap: {
        if (state.bitmap == nullptr)
            break;
        BITMAP bm = {};
        ::GetObjectW(state.bitmap, sizeof(bm), &bm);
        HDC mem = ::CreateCompatibleDC(pDC->m_hDC);
        if (mem == nullptr)
            break;
        HGDIOBJ old = ::SelectObject(mem, state.bitmap);
        if (m_bTransparent)
            ::TransparentBlt(pDC->m_hDC, rc.left, rc.top, rc.Width(), rc.Height(), mem, 0, 0, bm.bmWidth,
                             bm.bmHeight, m_crKey);
        else
            ::StretchBlt(pDC->m_hDC, rc.left, rc.top, rc.Width(), rc.Height(), mem, 0, 0, bm.bmWidth,
                         bm.bmHeight, SRCCOPY);
        ::SelectObject(mem, old);
        ::DeleteDC(mem);
        break;
    }
    default:
        break;
    }
}

void SDrawBtn::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    int saved = pDC->SaveDC();
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(region);
    if (kind == SIMPLEREGION || kind == COMPLEXREGION)
        ::SelectClipRgn(pDC->m_hDC, region);
    ::DeleteObject(region);

    m_nLastImage = ChooseImage(m_bChecked, m_bTracking, lpDrawItemStruct->itemState);
    DrawImage(pDC, CRect(lpDrawItemStruct->rcItem), m_nLastImage);
    pDC->RestoreDC(saved);
}

void SDrawBtn::OnMouseMove(UINT flags, CPoint pt)
{
    if (!m_bTracking) {
        TRACKMOUSEEVENT tme = { sizeof(tme) };
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        tme.dwHoverTime = 1;
        m_bTracking = ::TrackMouseEvent(&tme);
    }
    CButton::OnMouseMove(flags, pt);
}

void SDrawBtn::OnMouseHover(UINT, CPoint)
{
    m_bHover = TRUE;
    Invalidate(FALSE);
}

void SDrawBtn::OnMouseLeave()
{
    m_bHover = FALSE;
    m_bTracking = FALSE;
    Invalidate(FALSE);
    if (m_bTransparent) {
        // What shows through a transparent button belongs to the parent.
        CWnd* parent = GetParent();
        if (parent != nullptr) {
            CRect rc;
            GetWindowRect(rc);
            parent->ScreenToClient(rc);
            parent->InvalidateRect(rc, TRUE);
        }
    }
}

BOOL SDrawBtn::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void SDrawBtn::OnSize(UINT type, int cx, int cy)
{
    CButton::OnSize(type, cx, cy);
    if (m_nRoundWidth != 0 || m_nRoundHeight != 0)
        ApplyRoundRegion();
}

void SDrawBtn::OnTimer(UINT_PTR id)
{
    if (id != kBlinkTimer) {
        CButton::OnTimer(id);
        return;
    }
    if (!IsWindowEnabled())
        return;
    int image = m_nLastImage == kNormal ? kPressed : kNormal;
    CClientDC dc(this);
    CRect rc;
    GetClientRect(rc);
    DrawImage(&dc, rc, image);
    m_nLastImage = image;
}

void SDrawBtn::OnDestroy()
{
    if (m_ToolTip.m_hWnd != nullptr)
        m_ToolTip.DestroyWindow();
    CButton::OnDestroy();
}

void SDrawBtn::OnNcDestroy()
{
    CButton::OnNcDestroy();
}

} // namespace UI
