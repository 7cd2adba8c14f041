#include "app/ui/PaneSupport.h"

namespace {

const double kRates[PlaybackSpeed::kCount] = { 0.2, 0.5, 0.8, 1.0, 2.0, 4.0, 8.0 };
const COLORREF kColorKey = RGB(255, 255, 255);

} // namespace

CRect CentreInSlot(const CRect& slot, CSize size)
{
    int left = slot.left + (slot.Width() - size.cx) / 2;
    int top = slot.top + (slot.Height() - size.cy) / 2;
    return CRect(left, top, left + size.cx, top + size.cy);
}

void SkinPaneButton(CWnd& pane, UI::SDrawBtn& button, UI_Mgr::SBmpMapMgr* skin, const PaneButtonLook& look)
{
    button.ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
    button.SetSkinMap(skin);
    button.SetStateImages(look.skinBase);
    CRect item;
    if (skin != nullptr && skin->GetItemRect(look.skinBase, item)) {
        CRect slot;
        button.GetWindowRect(slot);
        pane.ScreenToClient(slot);
        button.MoveWindow(CentreInSlot(slot, item.Size()));
    }
    button.SetTransparent(look.transparent ? TRUE : FALSE, kColorKey);
    if (look.tooltip != 0) {
        CString tip;
        tip.LoadString(look.tooltip);
        button.SetToolTip(tip);
    }
}

void SetRoundWindowRegion(CWnd& wnd, int ellipse)
{
    CRect rc;
    wnd.GetWindowRect(rc);
    HRGN region = ::CreateRoundRectRgn(0, 0, rc.Width() + 1, rc.Height() + 1, ellipse, ellipse);
    if (region != nullptr && !wnd.SetWindowRgn(region, TRUE))
        ::DeleteObject(region);
}

namespace PlaybackSpeed {

int IndexOf(double rate)
{
    for (int i = 0; i < kCount; ++i) {
        if (kRates[i] >= rate)
            return i;
    }
    return kCount - 1;
}

double RateOf(int index)
{
    return index >= 0 && index < kCount ? kRates[index] : 1.0;
}

} // namespace PlaybackSpeed

bool IsOutsideClick(UINT message, HWND target, HWND pane, POINT cursor, const RECT& paneRect,
                    const RECT* companionRect)
{
    if (message < WM_LBUTTONDOWN || message > WM_MOUSEWHEEL)
        return false;
    if (target == pane)
        return false;
    if (::PtInRect(&paneRect, cursor))
        return false;
    if (companionRect != nullptr && ::PtInRect(companionRect, cursor))
        return false;
    return true;
}
