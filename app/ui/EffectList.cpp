#include "app/ui/EffectList.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CEffectList, CWnd)

BEGIN_MESSAGE_MAP(CEffectList, CListCtrl)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_RBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

namespace {

const COLORREF kSelectionFrame = RGB(255, 101, 0);
const int kSelectionPenWidth = 3;

} // namespace

// ---------------------------------------------------------------------------------------------
// The grid

EffectGrid EffectGrid::ForClient(int width, int height)
{
    EffectGrid grid;
    grid.columns = width > 0 ? width / kCellWidth : 0;
    grid.rows = height > 0 ? height / kCellHeight : 0;
    return grid;
}

int EffectGrid::HitTest(int x, int y, int itemCount) const
{
    if (x < 0 || y < 0 || x >= columns * kCellWidth || y >= rows * kCellHeight)
        return -1;
    int index = (y / kCellHeight) * columns + x / kCellWidth;
    return index < itemCount ? index : -1;
}

CRect EffectGrid::CellRect(int item) const
{
    if (columns <= 0)
        return CRect(0, 0, 0, 0);
    int left = (item % columns) * kCellWidth;
    int top = (item / columns) * kCellHeight;
    return CRect(left, top, left + kCellWidth, top + kCellHeight);
}

int EffectGrid::KeyTarget(UINT key, int current, int itemCount) const
{
    if (itemCount <= 0)
        return -1;
    if (current < 0)
        return 0;
    int target = current;
    // A grid too small for a whole cell has no room to move in.
    if (columns > 0) {
        int column = current % columns;
        int row = current / columns;
        switch (key) {
        case VK_LEFT:
            if (column > 0)
                --column;
            break;
        case VK_UP:
            if (row > 0)
                --row;
            break;
        case VK_RIGHT:
            if (column < columns - 1)
                ++column;
            break;
        case VK_DOWN:
            if (row < rows - 1)
                ++row;
            break;
        default:
            break;
        }
        target = column + row * columns;
    }
    return target < itemCount ? target : -1;
}

// ---------------------------------------------------------------------------------------------
// The control

BOOL CEffectList::Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    // A list view takes its scrolling style when it is created.
    return CListCtrl::Create(style | LVS_NOSCROLL, rect, pParentWnd, nID);
}

void CEffectList::PreSubclassWindow()
{
    CListCtrl::PreSubclassWindow();
    ModifyStyle(0, LVS_NOSCROLL);
}

EffectGrid CEffectList::Grid() const
{
    if (GetSafeHwnd() == nullptr)
        return EffectGrid();
    CRect client;
    GetClientRect(client);
    return EffectGrid::ForClient(client.Width(), client.Height());
}

int CEffectList::GetCellCount() const
{
    return Grid().Cells();
}

int CEffectList::HitTestCell(int x, int y) const
{
    if (GetSafeHwnd() == nullptr)
        return -1;
    return Grid().HitTest(x, y, GetItemCount());
}

BOOL CEffectList::GetCellRect(int item, CRect& rc) const
{
    if (GetSafeHwnd() == nullptr || item < 0 || item >= GetItemCount())
        return FALSE;
    EffectGrid grid = Grid();
    if (item >= grid.Cells())
        return FALSE;
    rc = grid.CellRect(item);
    return TRUE;
}

int CEffectList::FirstSelected() const
{
    return GetNextItem(-1, LVNI_SELECTED);
}

void CEffectList::Notify(UINT code, int item)
{
    CWnd* parent = GetParent();
    if (parent == nullptr)
        return;
    NMLISTVIEW nm = {};
    nm.hdr.hwndFrom = m_hWnd;
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    nm.hdr.code = code;
    nm.iItem = item;
    nm.iSubItem = 0;
    POINT pt;
    ::GetCursorPos(&pt);
    ScreenToClient(&pt);
    nm.ptAction = pt;
    parent->SendMessage(WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void CEffectList::ClickItem(int item)
{
    EffectGrid grid = Grid();
    CRect rc;
    // Only one effect is ever selected, whatever selection style the resource gave the list.
    for (int old = FirstSelected(); old >= 0; old = GetNextItem(old, LVNI_SELECTED)) {
        if (old != item)
            SetItemState(old, 0, LVIS_SELECTED);
        if (old < grid.Cells()) {
            rc = grid.CellRect(old);
            InvalidateRect(rc, TRUE);
        }
    }
    SetItemState(item, LVIS_SELECTED, LVIS_SELECTED | LVIS_FOCUSED);
    if (item < grid.Cells()) {
        rc = grid.CellRect(item);
        InvalidateRect(rc, TRUE);
    }
    Notify(NM_CLICK, item);
}

void CEffectList::DrawCell(CDC* pDC, const EffectGrid& grid, int item)
{
    HIMAGELIST images = ListView_GetImageList(m_hWnd, LVSIL_NORMAL);
    if (images == nullptr)
        return;
    LVITEMW it = {};
    it.mask = LVIF_IMAGE | LVIF_STATE;
    it.iItem = item;
    it.stateMask = LVIS_SELECTED;
    if (!SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)))
        return;
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(images, &width, &height);
    CRect cell = grid.CellRect(item);
    int left = cell.left + (EffectGrid::kCellWidth - width) / 2;
    int top = cell.top + (EffectGrid::kCellHeight - height) / 2;
    ImageList_Draw(images, it.iImage, pDC->GetSafeHdc(), left, top, ILD_NORMAL);
    if (it.state & LVIS_SELECTED) {
        CPen pen(PS_SOLID, kSelectionPenWidth, kSelectionFrame);
        CPen* oldPen = pDC->SelectObject(&pen);
        CGdiObject* oldBrush = pDC->SelectStockObject(NULL_BRUSH);
        int oldMode = pDC->SetBkMode(TRANSPARENT);
        pDC->Rectangle(left, top, left + width, top + height);
        pDC->SetBkMode(oldMode);
        pDC->SelectObject(oldBrush);
        pDC->SelectObject(oldPen);
    }
}

void CEffectList::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
    *pResult = CDRF_DODEFAULT;
    CDC* pDC = CDC::FromHandle(cd->nmcd.hdc);
    EffectGrid grid = Grid();
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: {
        pDC->FillSolidRect(&cd->nmcd.rc, RGB(255, 255, 255));
        int shown = std::min(grid.Cells(), GetItemCount());
        for (int item = 0; item < shown; ++item)
            DrawCell(pDC, grid, item);
        *pResult = CDRF_SKIPDEFAULT;
        break;
    }
    case CDDS_ITEMPREPAINT: {
        // Suppressed by the answer above; drawn the same way should a list view ask anyway.
        int item = static_cast<int>(cd->nmcd.dwItemSpec);
        if (item >= 0 && item < grid.Cells() && item < GetItemCount())
            DrawCell(pDC, grid, item);
        break;
    }
    default:
        break;
    }
}

void CEffectList::OnLButtonDown(UINT, CPoint pt)
{
    // The list view's own handling (its selection and drag loop) never runs.
    SetFocus();
    m_bDragStarted = FALSE;
    int item = HitTestCell(pt.x, pt.y);
    if (item < 0)
        return;
    ClickItem(item);
    m_bPressed = TRUE;
}

void CEffectList::OnLButtonUp(UINT, CPoint)
{
    m_bPressed = FALSE;
}

void CEffectList::OnRButtonDown(UINT, CPoint)
{
    SetFocus();
}

void CEffectList::OnMouseMove(UINT, CPoint)
{
    if (!m_bPressed || m_bDragStarted)
        return;
    if (ListView_GetImageList(m_hWnd, LVSIL_NORMAL) == nullptr)
        return;
    int item = FirstSelected();
    if (item < 0 || item >= GetItemCount())
        return;
    Notify(LVN_BEGINDRAG, item);
    m_bDragStarted = TRUE;
}

void CEffectList::OnLButtonDblClk(UINT, CPoint)
{
    int count = GetItemCount();
    int item = FirstSelected();
    if (count > 0 && item >= 0 && item < count)
        Notify(NM_DBLCLK, item);
}

void CEffectList::OnKeyDown(UINT key, UINT, UINT)
{
    int target = Grid().KeyTarget(key, FirstSelected(), GetItemCount());
    if (target >= 0)
        ClickItem(target);
}
