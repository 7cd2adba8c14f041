#include "app/ui/SpeedSliderCtl.h"

BEGIN_MESSAGE_MAP(CSpeedSliderCtl, CSliderCtrl)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSELEAVE()
END_MESSAGE_MAP()

CRect CSpeedSliderCtl::SkinnedThumbRect(const CRect& thumb, const CRect& thumbItem)
{
    CRect rc = thumb;
    rc.left -= (thumbItem.Width() - thumb.Width()) / 2;
    rc.top -= (thumbItem.Height() - thumb.Height()) / 2;
    return rc;
}

void CSpeedSliderCtl::DrawBackground(CDC* pDC, const CRect& rc)
{
    if (m_pSkin != nullptr)
        m_pSkin->DrawItem(pDC, rc, m_nBackgroundItem, true, SRCCOPY);
    else
        pDC->FillSolidRect(rc, ::GetSysColor(COLOR_BTNFACE));
}

void CSpeedSliderCtl::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(pNMHDR);
    CDC* pDC = CDC::FromHandle(cd->hdc);
    switch (cd->dwDrawStage) {
    case CDDS_PREPAINT: {
        CRect client;
        GetClientRect(client);
        DrawBackground(pDC, client);
        CRect thumb;
        GetThumbRect(thumb);
        CRect item;
        if (m_pSkin != nullptr && m_pSkin->GetItemRect(m_nThumbItem, item))
            m_pSkin->DrawItemTransparent(pDC, SkinnedThumbRect(thumb, item), m_nThumbItem, m_crThumbKey);
        else if (m_pSkin == nullptr)
            pDC->FillSolidRect(thumb, ::GetSysColor(COLOR_BTNFACE));
        *pResult = CDRF_SKIPDEFAULT;
        break;
    }
    case CDDS_ITEMPREPAINT: {
        CRect rc(cd->rc);
        if (cd->dwItemSpec == TBCD_THUMB) {
            if (m_pSkin != nullptr)
                m_pSkin->DrawItemTransparent(pDC, rc, m_nThumbItem, RGB(255, 255, 255));
            else
                pDC->FillSolidRect(rc, ::GetSysColor(COLOR_BTNFACE));
        } else if (cd->dwItemSpec != TBCD_CHANNEL) {
            DrawBackground(pDC, rc);
        }
        *pResult = CDRF_SKIPDEFAULT;
        break;
    }
    default:
        *pResult = (cd->uItemState & CDIS_FOCUS) ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
        break;
    }
}

void CSpeedSliderCtl::OnMouseMove(UINT flags, CPoint pt)
{
    if (!m_bTracking) {
        TRACKMOUSEEVENT tme = { sizeof(tme) };
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        tme.dwHoverTime = 1;
        m_bTracking = ::TrackMouseEvent(&tme);
        SetFocus();
    }
    CSliderCtrl::OnMouseMove(flags, pt);
}

void CSpeedSliderCtl::OnMouseLeave()
{
    m_bTracking = FALSE;
    if (CWnd* parent = GetParent())
        parent->SetFocus();
}
