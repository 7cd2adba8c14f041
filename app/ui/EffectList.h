// The main window's palette of transition effects: a list view that shows one picture per
// effect in a fixed grid of 47 x 44 cells and draws everything itself. Clicks, the arrow keys,
// double clicks and drags are turned into list-view notifications to the owner, which knows
// what the item data (its effect key) means.
#pragma once

#include <afxcmn.h>

// The grid of whole cells that fits a client area; items beyond the last cell are not shown.
struct EffectGrid {
    static const int kCellWidth = 47;
    static const int kCellHeight = 44;

    int columns = 0;
    int rows = 0;

    static EffectGrid ForClient(int width, int height);
    int Cells() const { return columns * rows; }
    // The item under a client point, or -1 (outside the whole cells, or no such item).
    int HitTest(int x, int y, int itemCount) const;
    // The cell of an item; the caller checks that the item is shown.
    CRect CellRect(int item) const;
    // Where a key press moves the selection from `current` (-1: none): the arrow keys move
    // within the grid and stop at its edges, any other key stays on the current item; with
    // none selected every key goes to item 0. -1 when the target is beyond the last item.
    int KeyTarget(UINT key, int current, int itemCount) const;
};

class CEffectList : public CListCtrl {
    DECLARE_DYNAMIC(CEffectList)
public:
    CEffectList() = default;

    BOOL Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Whole cells of the current client area (0 without a window).
    int GetCellCount() const;
    // The item under a client point, or -1.
    int HitTestCell(int x, int y) const;
    // The item's cell; FALSE when it is not in the list, not shown, or there is no window.
    BOOL GetCellRect(int item, CRect& rc) const;

    BOOL IsPressed() const { return m_bPressed; }
    BOOL IsDragStarted() const { return m_bDragStarted; }

protected:
    // The grid never scrolls: what does not fit in whole cells is not shown.
    void PreSubclassWindow() override;
    EffectGrid Grid() const;
    int FirstSelected() const;
    // Selects one item as a click does: the previous selection goes, the cells are redrawn
    // and the owner is told with NM_CLICK.
    void ClickItem(int item);
    void Notify(UINT code, int item);
    void DrawCell(CDC* pDC, const EffectGrid& grid, int item);

    void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    void OnLButtonDown(UINT flags, CPoint pt);
    void OnLButtonUp(UINT flags, CPoint pt);
    void OnRButtonDown(UINT flags, CPoint pt);
    void OnMouseMove(UINT flags, CPoint pt);
    void OnLButtonDblClk(UINT flags, CPoint pt);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);

    BOOL m_bPressed = FALSE;
    BOOL m_bDragStarted = FALSE;

    DECLARE_MESSAGE_MAP()
};
