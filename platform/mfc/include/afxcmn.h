// Common controls: track bars, tool tips, list views, image lists and hot-key boxes.
#pragma once

#include <afxwin.h>
#include <commctrl.h>

class CImageList : public CObject {
public:
    CImageList() : m_hImageList(nullptr) {}
    virtual ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList;

    HIMAGELIST GetSafeHandle() const { return afx_detail::IsObject(this) ? m_hImageList : nullptr; }
    operator HIMAGELIST() const { return m_hImageList; }
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    BOOL Attach(HIMAGELIST h);
    HIMAGELIST Detach();
    BOOL DeleteImageList();
    static CImageList* PASCAL FromHandle(HIMAGELIST h);

    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    int Add(CBitmap* bitmap, CBitmap* mask)
    {
        return ImageList_Add(m_hImageList, static_cast<HBITMAP>(bitmap->GetSafeHandle()),
                             static_cast<HBITMAP>(mask->GetSafeHandle()));
    }
    int Add(CBitmap* bitmap, COLORREF maskColor)
    {
        return ImageList_AddMasked(m_hImageList, static_cast<HBITMAP>(bitmap->GetSafeHandle()), maskColor);
    }
    int Add(HICON icon) { return ImageList_AddIcon(m_hImageList, icon); }
    BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
    BOOL Replace(int index, CBitmap* bitmap, CBitmap* mask)
    {
        return ImageList_Replace(m_hImageList, index, static_cast<HBITMAP>(bitmap->GetSafeHandle()),
                                 static_cast<HBITMAP>(mask->GetSafeHandle()));
    }
    BOOL Draw(CDC* pDC, int index, POINT pt, UINT style)
    {
        return ImageList_Draw(m_hImageList, index, pDC->GetSafeHdc(), pt.x, pt.y, style);
    }
    COLORREF SetBkColor(COLORREF color) { return ImageList_SetBkColor(m_hImageList, color); }
    BOOL GetImageInfo(int index, IMAGEINFO* info) const { return ImageList_GetImageInfo(m_hImageList, index, info); }

    // Drag images.
    BOOL BeginDrag(int index, CPoint hotSpot) { return ImageList_BeginDrag(m_hImageList, index, hotSpot.x, hotSpot.y); }
    static BOOL PASCAL DragEnter(CWnd* lock, CPoint pt) { return ImageList_DragEnter(lock->GetSafeHwnd(), pt.x, pt.y); }
    static BOOL PASCAL DragMove(CPoint pt) { return ImageList_DragMove(pt.x, pt.y); }
    static BOOL PASCAL DragLeave(CWnd* lock) { return ImageList_DragLeave(lock->GetSafeHwnd()); }
    static BOOL PASCAL DragShowNolock(BOOL show) { return ImageList_DragShowNolock(show); }
    static void PASCAL EndDrag() { ImageList_EndDrag(); }
};

class CSliderCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    void SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
    void SetRange(int minVal, int maxVal, BOOL redraw = FALSE)
    {
        SendMessage(TBM_SETRANGEMIN, FALSE, minVal);
        SendMessage(TBM_SETRANGEMAX, redraw, maxVal);
    }
    void GetRange(int& minVal, int& maxVal) const
    {
        minVal = GetRangeMin();
        maxVal = GetRangeMax();
    }
    int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
    void SetRangeMin(int minVal, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMIN, redraw, minVal); }
    void SetRangeMax(int maxVal, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMAX, redraw, maxVal); }
    void SetTicFreq(int freq) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(freq)); }
    int SetPageSize(int size) { return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, size)); }
    int GetPageSize() const { return static_cast<int>(SendMessage(TBM_GETPAGESIZE)); }
    int SetLineSize(int size) { return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, size)); }
    int GetLineSize() const { return static_cast<int>(SendMessage(TBM_GETLINESIZE)); }
    void GetThumbRect(LPRECT rc) const { SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(rc)); }
    void GetChannelRect(LPRECT rc) const { SendMessage(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(rc)); }
    void SetThumbLength(int length) { SendMessage(TBM_SETTHUMBLENGTH, static_cast<WPARAM>(length)); }
    int GetThumbLength() const { return static_cast<int>(SendMessage(TBM_GETTHUMBLENGTH)); }
};

class CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* pParentWnd, DWORD style = 0);
    BOOL AddTool(CWnd* pWnd, LPCWSTR text, LPCRECT rcTool = nullptr, UINT_PTR nIDTool = 0);
    void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
    void UpdateTipText(LPCWSTR text, CWnd* pWnd, UINT_PTR nIDTool = 0);
    void SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT rc);
    void Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, activate); }
    void RelayEvent(LPMSG msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    int SetMaxTipWidth(int width) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, width)); }
    void SetDelayTime(UINT delay) { SendMessage(TTM_SETDELAYTIME, TTDT_AUTOMATIC, static_cast<LPARAM>(delay)); }
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    // The tool's text as stored; empty when there is no such tool.
    CString GetText(CWnd* pWnd, UINT_PTR nIDTool = 0) const;

private:
    void FillToolInfo(TTTOOLINFOW& ti, CWnd* pWnd, UINT_PTR nIDTool) const;
};

class CListCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    int InsertColumn(int col, LPCWSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
    BOOL DeleteColumn(int col) { return static_cast<BOOL>(SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(col))); }
    int InsertItem(int item, LPCWSTR text, int image = -1);
    int InsertItem(const LVITEMW* item)
    {
        return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL DeleteItem(int item) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(item))); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    BOOL SetItemText(int item, int subItem, LPCWSTR text);
    CString GetItemText(int item, int subItem) const;
    BOOL SetItemData(int item, DWORD_PTR data);
    DWORD_PTR GetItemData(int item) const;
    BOOL SetItemState(int item, UINT state, UINT mask);
    UINT GetItemState(int item, UINT mask) const
    {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
    }
    int GetNextItem(int item, int flags) const
    {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(item), flags));
    }
    int GetSelectedCount() const { return static_cast<int>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    DWORD SetExtendedStyle(DWORD style)
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
    }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    CImageList* SetImageList(CImageList* list, int which);
    CImageList* GetImageList(int which) const;
    int HitTest(CPoint pt, UINT* flags = nullptr) const;
    BOOL EnsureVisible(int item, BOOL partialOK)
    {
        return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOK));
    }
    BOOL GetItemRect(int item, LPRECT rc, UINT code) const;
    BOOL SetColumnWidth(int col, int width)
    {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), width));
    }
    CImageList* CreateDragImage(int item, LPPOINT pt);
    BOOL SetItemCount(int count) { return static_cast<BOOL>(SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count))); }
    BOOL RedrawItems(int first, int last)
    {
        return static_cast<BOOL>(SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(first), last));
    }
    CEdit* EditLabel(int item) { return static_cast<CEdit*>(FromHandle(reinterpret_cast<HWND>(SendMessage(LVM_EDITLABELW, static_cast<WPARAM>(item))))); }
    COLORREF SetBkColor(COLORREF c) { return static_cast<COLORREF>(SendMessage(LVM_SETBKCOLOR, 0, c)); }
    BOOL SetTextBkColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTBKCOLOR, 0, c)); }
    BOOL SetTextColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, c)); }
    BOOL SetIconSpacing(int cx, int cy) { return static_cast<BOOL>(SendMessage(LVM_SETICONSPACING, 0, MAKELPARAM(cx, cy))); }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
};

class CHotKeyCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetHotKey(WORD virtualKeyCode, WORD modifiers)
    {
        SendMessage(HKM_SETHOTKEY, MAKEWORD(virtualKeyCode, modifiers));
    }
    void GetHotKey(WORD& virtualKeyCode, WORD& modifiers) const;
    DWORD GetHotKey() const { return static_cast<DWORD>(SendMessage(HKM_GETHOTKEY)); }
    void SetRules(WORD invalid, WORD modifiers) { SendMessage(HKM_SETRULES, invalid, MAKELPARAM(modifiers, 0)); }
    static CString PASCAL GetKeyName(UINT virtualKey, BOOL extended);
    CString GetHotKeyName() const;
};

class CSpinButtonCtrl : public CWnd {
public:
    int SetPos(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }
    int GetPos() const { return static_cast<int>(SendMessage(UDM_GETPOS32)); }
    void SetRange(int lower, int upper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    CWnd* SetBuddy(CWnd* buddy)
    {
        return FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy->GetSafeHwnd()))));
    }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
};
