// A track bar whose background and thumb are drawn from skin items; it takes the keyboard focus
// while the pointer is over it.
#pragma once

#include <afxcmn.h>

#include "app/ui/BmpMapMgr.h"

class CSpeedSliderCtl : public CSliderCtrl {
public:
    CSpeedSliderCtl() = default;

    void SetSkinMap(UI_Mgr::SBmpMapMgr* map) { m_pSkin = map; }
    void SetBackgroundItem(UINT id) { m_nBackgroundItem = id; }
    void SetThumbItem(UINT id) { m_nThumbItem = id; }
    void SetThumbColorKey(COLORREF key) { m_crThumbKey = key; }
    BOOL IsTracking() const { return m_bTracking; }

    // The thumb image's rectangle: the thumb grown out to the image's size at its left and top.
    static CRect SkinnedThumbRect(const CRect& thumb, const CRect& thumbItem);

protected:
    void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    void OnMouseMove(UINT flags, CPoint pt);
    void OnMouseLeave();
    void DrawBackground(CDC* pDC, const CRect& rc);

    UI_Mgr::SBmpMapMgr* m_pSkin = nullptr;
    UINT m_nBackgroundItem = 0;
    UINT m_nThumbItem = 0;
    COLORREF m_crThumbKey = RGB(255, 255, 255);
    BOOL m_bTracking = FALSE;

    DECLARE_MESSAGE_MAP()
};
