// The skinned push button: four state images from the skin map (or rectangles of the skin
// bitmap, or bitmaps of its own), hover tracking, a latched state, blinking, an optional round
// window region, transparency and a tool tip.
#pragma once

#include <afxwin.h>
#include <afxcmn.h>

#include "app/ui/BmpMapMgr.h"

namespace UI {

class SDrawBtn : public CButton {
public:
    enum ImageKind { kNone = 0, kSkinItem = 1, kRect = 2, kBitmap = 3 };
    enum Image { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
    static const UINT_PTR kBlinkTimer = 1;

    struct StateImage {
        int kind = kNone;
        UINT id = 0;
        RECT rect = { 0, 0, 0, 0 };
        HBITMAP bitmap = nullptr;
    };

    SDrawBtn() = default;
    ~SDrawBtn() override;

    void SetSkinMap(UI_Mgr::SBmpMapMgr* map) { m_pSkin = map; }
    // States 1..4 are normal, hover, pressed, disabled; 0 (and no change) for any other state.
    int SetStateImage(UINT id, int state);
    // The four states from four consecutive skin items: normal, hover, pressed, disabled.
    void SetStateImages(UINT firstItem);
    int SetStateRect(int left, int top, int right, int bottom, int state);
    int SetStateBitmap(HBITMAP bitmap, int state);
    const StateImage& GetStateImage(int image) const { return m_images[image]; }

    void SetCheck(BOOL checked);
    BOOL GetCheck() const { return m_bChecked; }
    BOOL SetTransparent(BOOL transparent, COLORREF colorKey);
    void SetRoundRegion(int width, int height);
    void SetToolTip(LPCWSTR text);
    BOOL SetBlink(BOOL blink);
    BOOL IsHover() const { return m_bHover; }
    BOOL IsTracking() const { return m_bTracking; }
    int GetLastImage() const { return m_nLastImage; }

    // The image a button shows: latched shows pressed; under the pointer hover, or pressed while
    // held down; otherwise disabled or normal.
    static int ChooseImage(BOOL checked, BOOL tracking, UINT itemState);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void PreSubclassWindow() override;
    void DrawImage(CDC* pDC, const CRect& rc, int image);
    void ApplyRoundRegion();

    void OnMouseMove(UINT flags, CPoint pt);
    void OnMouseHover(UINT flags, CPoint pt);
    void OnMouseLeave();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT type, int cx, int cy);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnNcDestroy();

    UI_Mgr::SBmpMapMgr* m_pSkin = nullptr;
    StateImage m_images[4];
    BOOL m_bHover = FALSE;
    BOOL m_bTracking = FALSE;
    BOOL m_bChecked = FALSE;
    int m_nLastImage = kNormal;
    BOOL m_bBlink = FALSE;
    BOOL m_bTransparent = FALSE;
    COLORREF m_crKey = RGB(255, 255, 255);
    int m_nRoundWidth = 0;
    int m_nRoundHeight = 0;
    CToolTipCtrl m_ToolTip;
    CString m_strToolTip;

    DECLARE_MESSAGE_MAP()
};

} // namespace UI
