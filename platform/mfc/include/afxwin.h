// The window half of the framework: command targets and message maps, windows with their
// handle map, the application object and its message loop, dialogs with data exchange,
// menus with update-UI, the standard controls and the GDI wrappers.
#pragma once

#include <afx.h>

#include <windows.h>
#include <commctrl.h>

#include "atltypes.h"

namespace afx_detail {
// The framework lets GetSafeHwnd and its kind be called through a null pointer. The compiler
// may assume `this` is never null, so the test is made out of its sight.
bool IsObject(const void* object);
} // namespace afx_detail

class CCmdTarget;
class CCmdUI;
class CWnd;
class CDC;
class CMenu;
class CScrollBar;
class CDataExchange;
class CWinApp;

// ---------------------------------------------------------------------------------------------
// Message maps

struct AFX_MSGCALL {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT nID;       // command or control id (commands, notifications, ranges)
    UINT nCode;     // notification code, or CTLCOLOR_xxx for control colours
    void* pExtra;   // CCmdUI* for update handlers
    LRESULT result;
};

typedef BOOL (*AFX_MSGTHUNK)(CCmdTarget* target, AFX_MSGCALL& call);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    AFX_MSGTHUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (PASCAL* pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#include "afxmsg_.h"

struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() {}
    virtual ~CCmdTarget() {}

    // Routes a command, an update-UI query (CN_UPDATE_COMMAND_UI, pExtra = CCmdUI*) or a
    // notification (nCode = MAKELONG(code, WM_NOTIFY), pExtra = AFX_NOTIFY*) through the map.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // Finds the first entry of this object's maps (derived class first) that takes the
    // message; nullptr when none does.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
    BOOL DispatchEntry(const AFX_MSGMAP_ENTRY* entry, AFX_MSGCALL& call);

    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

// ---------------------------------------------------------------------------------------------
// GDI wrappers

class CGdiObject : public CObject {
public:
    CGdiObject() : m_hObject(nullptr) {}
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject;

    HGDIOBJ GetSafeHandle() const { return afx_detail::IsObject(this) ? m_hObject : nullptr; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int count, LPVOID buffer) const { return ::GetObjectW(m_hObject, count, buffer); }
    static CGdiObject* PASCAL FromHandle(HGDIOBJ hObject);
};

class CPen : public CGdiObject {
public:
    CPen() {}
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    static CPen* PASCAL FromHandle(HPEN hPen);
};

class CBrush : public CGdiObject {
public:
    CBrush() {}
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
    BOOL CreateHatchBrush(int index, COLORREF color) { return Attach(::CreateHatchBrush(index, color)); }
    BOOL CreateStockObject(int index) { return Attach(::GetStockObject(index)); }
    BOOL CreateSysColorBrush(int index) { return Attach(::GetSysColorBrush(index)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    static CBrush* PASCAL FromHandle(HBRUSH hBrush);
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTW* logFont) { return Attach(::CreateFontIndirectW(logFont)); }
    BOOL CreatePointFont(int pointSize, LPCWSTR faceName, CDC* pDC = nullptr);
    int GetLogFont(LOGFONTW* logFont) const { return GetObject(sizeof(LOGFONTW), logFont); }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    static CFont* PASCAL FromHandle(HFONT hFont);
};

class CBitmap : public CGdiObject {
public:
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateCompatibleBitmap(CDC* pDC, int width, int height);
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
    {
        return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
    }
    int GetBitmap(BITMAP* bm) const { return GetObject(sizeof(BITMAP), bm); }
    CSize GetBitmapDimension() const;
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* PASCAL FromHandle(HBITMAP hBitmap);
};

class CRgn : public CGdiObject {
public:
    BOOL CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }
    BOOL CreateRectRgnIndirect(LPCRECT rc) { return Attach(::CreateRectRgnIndirect(rc)); }
    BOOL CreateRoundRectRgn(int l, int t, int r, int b, int w, int h)
    {
        return Attach(::CreateRoundRectRgn(l, t, r, b, w, h));
    }
    BOOL CreateEllipticRgn(int l, int t, int r, int b) { return Attach(::CreateEllipticRgn(l, t, r, b)); }
    int CombineRgn(CRgn* a, CRgn* b, int mode)
    {
        return ::CombineRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(a->GetSafeHandle()),
                            static_cast<HRGN>(b->GetSafeHandle()), mode);
    }
    BOOL PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
    int GetRgnBox(LPRECT rc) const { return ::GetRgnBox(static_cast<HRGN>(m_hObject), rc); }
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    static CRgn* PASCAL FromHandle(HRGN hRgn);
};

class CDC : public CObject {
public:
    CDC() : m_hDC(nullptr), m_hAttribDC(nullptr) {}
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC;
    HDC m_hAttribDC;

    HDC GetSafeHdc() const { return afx_detail::IsObject(this) ? m_hDC : nullptr; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC hDC);
    HDC Detach();
    BOOL DeleteDC();
    BOOL CreateCompatibleDC(CDC* pDC);
    static CDC* PASCAL FromHandle(HDC hDC);

    CGdiObject* SelectObject(CGdiObject* obj);
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    int SelectObject(CRgn* rgn) { return ::SelectClipRgn(m_hDC, static_cast<HRGN>(rgn->GetSafeHandle())); }
    HGDIOBJ SelectObject(HGDIOBJ obj) { return ::SelectObject(m_hDC, obj); }
    CGdiObject* SelectStockObject(int index);
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }

    BOOL BitBlt(int x, int y, int w, int h, CDC* src, int xSrc, int ySrc, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, w, h, src->GetSafeHdc(), xSrc, ySrc, rop);
    }
    BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, w, h, src->GetSafeHdc(), xSrc, ySrc, wSrc, hSrc, rop);
    }
    BOOL TransparentBlt(int x, int y, int w, int h, CDC* src, int xSrc, int ySrc, int wSrc, int hSrc,
                        UINT colorKey);
    BOOL PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
    void FillSolidRect(LPCRECT rc, COLORREF color);
    void FillSolidRect(int x, int y, int w, int h, COLORREF color);
    void FillRect(LPCRECT rc, CBrush* brush) { ::FillRect(m_hDC, rc, static_cast<HBRUSH>(brush->GetSafeHandle())); }
    void FrameRect(LPCRECT rc, CBrush* brush) { ::FrameRect(m_hDC, rc, static_cast<HBRUSH>(brush->GetSafeHandle())); }
    BOOL Rectangle(LPCRECT rc) { return ::Rectangle(m_hDC, rc->left, rc->top, rc->right, rc->bottom); }
    BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
    BOOL Ellipse(LPCRECT rc) { return ::Ellipse(m_hDC, rc->left, rc->top, rc->right, rc->bottom); }
    CPoint MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    COLORREF SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }
    void DrawFocusRect(LPCRECT rc) { ::DrawFocusRect(m_hDC, rc); }
    BOOL DrawEdge(LPRECT rc, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rc, edge, flags); }
    void DrawDragRect(LPCRECT rc, SIZE size, LPCRECT rcLast, SIZE sizeLast);

    int DrawText(LPCWSTR text, int count, LPRECT rc, UINT format)
    {
        return ::DrawTextW(m_hDC, text, count, rc, format);
    }
    int DrawText(const CString& text, LPRECT rc, UINT format)
    {
        return ::DrawTextW(m_hDC, text, text.GetLength(), rc, format);
    }
    BOOL TextOut(int x, int y, LPCWSTR text, int count) { return ::TextOutW(m_hDC, x, y, text, count); }
    BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text, text.GetLength()); }
    CSize GetTextExtent(LPCWSTR text, int count) const;
    CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
    BOOL GetTextMetrics(LPTEXTMETRICW tm) const { return ::GetTextMetricsW(m_hDC, tm); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }

    int SelectClipRgn(CRgn* rgn) { return ::SelectClipRgn(m_hDC, static_cast<HRGN>(rgn->GetSafeHandle())); }
    int ExcludeClipRect(int l, int t, int r, int b) { return ::ExcludeClipRect(m_hDC, l, t, r, b); }
    int ExcludeClipRect(LPCRECT rc) { return ExcludeClipRect(rc->left, rc->top, rc->right, rc->bottom); }
    int IntersectClipRect(LPCRECT rc) { return ::IntersectClipRect(m_hDC, rc->left, rc->top, rc->right, rc->bottom); }
    int GetClipBox(LPRECT rc) const { return ::GetClipBox(m_hDC, rc); }
    CBitmap* GetCurrentBitmap() const;
    CFont* GetCurrentFont() const;
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;

protected:
    HWND m_hWnd;
};

// ---------------------------------------------------------------------------------------------
// Menus and update-UI

class CMenu : public CObject {
public:
    CMenu() : m_hMenu(nullptr) {}
    virtual ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu;

    HMENU GetSafeHmenu() const { return afx_detail::IsObject(this) ? m_hMenu : nullptr; }
    operator HMENU() const { return m_hMenu; }
    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    static CMenu* PASCAL FromHandle(HMENU hMenu);

    // From the current resource module, so a language library's menus replace the program's.
    BOOL LoadMenu(UINT nIDResource);
    BOOL CreateMenu() { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL DestroyMenu();

    CMenu* GetSubMenu(int pos) const;
    UINT GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int pos) const { return ::GetMenuItemID(m_hMenu, pos); }
    UINT GetMenuState(UINT id, UINT flags) const { return ::GetMenuState(m_hMenu, id, flags); }
    int GetMenuString(UINT id, CString& text, UINT flags) const;
    UINT EnableMenuItem(UINT id, UINT enable) { return ::EnableMenuItem(m_hMenu, id, enable); }
    UINT CheckMenuItem(UINT id, UINT check) { return ::CheckMenuItem(m_hMenu, id, check); }
    BOOL CheckMenuRadioItem(UINT first, UINT last, UINT item, UINT flags)
    {
        return ::CheckMenuRadioItem(m_hMenu, first, last, item, flags);
    }
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr)
    {
        return ::AppendMenuW(m_hMenu, flags, id, text);
    }
    BOOL InsertMenu(UINT pos, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr)
    {
        return ::InsertMenuW(m_hMenu, pos, flags, id, text);
    }
    BOOL ModifyMenu(UINT pos, UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr)
    {
        return ::ModifyMenuW(m_hMenu, pos, flags, id, text);
    }
    BOOL RemoveMenu(UINT pos, UINT flags) { return ::RemoveMenu(m_hMenu, pos, flags); }
    BOOL DeleteMenu(UINT pos, UINT flags) { return ::DeleteMenu(m_hMenu, pos, flags); }
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* pWnd, LPCRECT rc = nullptr);
};

class CCmdUI {
public:
    CCmdUI();
    virtual ~CCmdUI() {}

    UINT m_nID;
    UINT m_nIndex;
    UINT m_nIndexMax;
    CMenu* m_pMenu;
    CMenu* m_pSubMenu;
    CWnd* m_pOther;
    BOOL m_bEnableChanged;
    BOOL m_bContinueRouting;

    virtual void Enable(BOOL on = TRUE);
    virtual void SetCheck(int check = 1);
    virtual void SetRadio(BOOL on = TRUE);
    virtual void SetText(LPCWSTR text);
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Asks the target's update handler; with no handler the item is disabled when asked to.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);
};

// Runs the update handlers of a pop-up menu's command items against the target, as a window
// does on WM_INITMENUPOPUP; sub-menus and separators are left alone.
void AFXAPI AfxUpdateMenuCmdUI(CCmdTarget* pTarget, CMenu* pPopupMenu, BOOL bDisableIfNoHandler);

// ---------------------------------------------------------------------------------------------
// Windows

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd;

    HWND GetSafeHwnd() const { return afx_detail::IsObject(this) ? m_hWnd : nullptr; }
    operator HWND() const { return GetSafeHwnd(); }
    bool operator==(const CWnd& other) const { return m_hWnd == other.m_hWnd; }
    bool operator!=(const CWnd& other) const { return m_hWnd != other.m_hWnd; }

    // The handle map: a window made or subclassed by an object is found again as that object
    // (permanent); any other window is wrapped in a temporary object freed when the thread
    // next goes idle.
    static CWnd* PASCAL FromHandle(HWND hWnd);
    static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWnd);
    HWND Detach();

    virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, LPVOID createParam = nullptr);
    virtual BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                          int x, int y, int width, int height, HWND hWndParent, HMENU nIDorHMenu,
                          LPVOID createParam = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, LPVOID createParam = nullptr);
    virtual BOOL DestroyWindow();

    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // Message processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Offers the message to every window object from its target up through the parents, stopping
    // after hWndStop (or at the top-level window); TRUE when one of them handled it.
    static BOOL PASCAL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
    static const MSG* PASCAL GetCurrentMessage();

    // Notifications from children, and their reflection back to the child.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL SendChildNotifyLastMsg(LRESULT* pResult = nullptr);
    static BOOL PASCAL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);

    virtual void DoDataExchange(CDataExchange* pDX) { (void)pDX; }
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Modal loops (dialogs).
    int RunModalLoop(DWORD flags = 0);
    virtual BOOL ContinueModal();
    virtual void EndModalLoop(int nResult);

    // Window operations.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
    CWnd* GetTopLevelParent() const;
    CWnd* SetParent(CWnd* parent) { return FromHandle(::SetParent(m_hWnd, parent->GetSafeHwnd())); }
    BOOL IsWindow() const { return ::IsWindow(GetSafeHwnd()); }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsChild(const CWnd* wnd) const { return ::IsChild(m_hWnd, wnd->GetSafeHwnd()); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
    int GetWindowText(LPWSTR buffer, int count) const { return ::GetWindowTextW(m_hWnd, buffer, count); }
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    void SetDlgItemText(int nID, LPCWSTR text) { ::SetDlgItemTextW(m_hWnd, nID, text); }
    int GetDlgItemText(int nID, CString& text) const;
    void SetDlgItemInt(int nID, UINT value, BOOL isSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, value, isSigned); }
    UINT GetDlgItemInt(int nID, BOOL* translated = nullptr, BOOL isSigned = TRUE) const
    {
        return ::GetDlgItemInt(m_hWnd, nID, translated, isSigned);
    }
    void CheckDlgButton(int nID, UINT check) { ::CheckDlgButton(m_hWnd, nID, check); }
    UINT IsDlgButtonChecked(int nID) const { return ::IsDlgButtonChecked(m_hWnd, nID); }
    void CheckRadioButton(int first, int last, int check) { ::CheckRadioButton(m_hWnd, first, last, check); }
    void SetFont(CFont* font, BOOL redraw = TRUE);
    CFont* GetFont() const;
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, repaint); }
    void MoveWindow(LPCRECT rc, BOOL repaint = TRUE)
    {
        MoveWindow(rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, repaint);
    }
    BOOL SetWindowPos(const CWnd* after, int x, int y, int w, int h, UINT flags)
    {
        return ::SetWindowPos(m_hWnd, after->GetSafeHwnd(), x, y, w, h, flags);
    }
    void GetWindowRect(LPRECT rc) const { ::GetWindowRect(m_hWnd, rc); }
    void GetClientRect(LPRECT rc) const { ::GetClientRect(m_hWnd, rc); }
    void ScreenToClient(LPPOINT pt) const { ::ScreenToClient(m_hWnd, pt); }
    void ScreenToClient(LPRECT rc) const;
    void ClientToScreen(LPPOINT pt) const { ::ClientToScreen(m_hWnd, pt); }
    void ClientToScreen(LPRECT rc) const;
    void CenterWindow(CWnd* alternateOwner = nullptr);
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(LPCRECT rc, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rc, erase); }
    void ValidateRect(LPCRECT rc) { ::ValidateRect(m_hWnd, rc); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT rc = nullptr, CRgn* rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, rc, static_cast<HRGN>(rgn->GetSafeHandle()), flags);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr)
    {
        return ::SetTimer(m_hWnd, id, elapse, proc);
    }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* PASCAL GetFocus() { return FromHandle(::GetFocus()); }
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* PASCAL GetCapture() { return FromHandle(::GetCapture()); }
    CWnd* SetActiveWindow() { return FromHandle(::SetActiveWindow(m_hWnd)); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    int SetWindowRgn(HRGN rgn, BOOL redraw) { return ::SetWindowRgn(m_hWnd, rgn, redraw); }
    int GetWindowRgn(HRGN rgn) const { return ::GetWindowRgn(m_hWnd, rgn); }
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);
    CMenu* GetMenu() const { return CMenu::FromHandle(::GetMenu(m_hWnd)); }
    BOOL SetMenu(CMenu* menu) { return ::SetMenu(m_hWnd, menu->GetSafeHmenu()); }
    CMenu* GetSystemMenu(BOOL revert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert)); }
    HICON SetIcon(HICON icon, BOOL big)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK);
    void DragAcceptFiles(BOOL accept = TRUE);
    BOOL ShowScrollBar(UINT bar, BOOL show = TRUE) { return ::ShowScrollBar(m_hWnd, bar, show); }
    CWnd* GetNextDlgTabItem(CWnd* ctl, BOOL previous = FALSE) const
    {
        return FromHandle(::GetNextDlgTabItem(m_hWnd, ctl->GetSafeHwnd(), previous));
    }

    // Registers (once) and returns the framework's default window class name.
    static LPCWSTR PASCAL DefaultClassName();

protected:
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    virtual void PreSubclassWindow() {}
    virtual void PostNcDestroy() {}
    // Called after WM_NCDESTROY has been handled: detaches the window and calls PostNcDestroy.
    void FinalNcDestroy();

    // Default handlers for the ON_WM_xxx entries: each passes the message on unchanged.
    int OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
    void OnPaint() { Default(); }
    BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnSize(UINT, int, int) { Default(); }
    void OnMove(int, int) { Default(); }
    void OnClose() { Default(); }
    void OnDestroy() { Default(); }
    void OnNcDestroy();
    void OnSysCommand(UINT, LPARAM) { Default(); }
    void OnMouseMove(UINT, CPoint) { Default(); }
    void OnLButtonDown(UINT, CPoint) { Default(); }
    void OnLButtonUp(UINT, CPoint) { Default(); }
    void OnLButtonDblClk(UINT, CPoint) { Default(); }
    void OnRButtonDown(UINT, CPoint) { Default(); }
    void OnRButtonUp(UINT, CPoint) { Default(); }
    void OnMouseHover(UINT, CPoint) { Default(); }
    void OnMouseLeave() { Default(); }
    BOOL OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
    void OnKeyDown(UINT, UINT, UINT) { Default(); }
    void OnKeyUp(UINT, UINT, UINT) { Default(); }
    void OnChar(UINT, UINT, UINT) { Default(); }
    BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
    void OnSetFocus(CWnd*) { Default(); }
    void OnKillFocus(CWnd*) { Default(); }
    LRESULT OnNcHitTest(CPoint) { return Default(); }
    void OnHScroll(UINT, UINT, CScrollBar*);
    void OnVScroll(UINT, UINT, CScrollBar*);
    void OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
    int OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
    void OnActivate(UINT, CWnd*, BOOL) { Default(); }
    void OnShowWindow(BOOL, UINT) { Default(); }
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnContextMenu(CWnd*, CPoint) { Default(); }
    void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
    BOOL OnDeviceChange(UINT, DWORD_PTR) { return static_cast<BOOL>(Default()); }

    WNDPROC m_pfnSuper;   // the window's own procedure, called for everything we pass on
    int m_nModalResult;
    DWORD m_nFlags;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtHook(int, WPARAM, LPARAM);
    friend class CDialog;
    DECLARE_MESSAGE_MAP()
};

// m_nFlags bits
#define WF_CONTINUEMODAL 0x0001
#define WF_MODALLOOP 0x0002
#define WF_TEMPORARY 0x0004

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------------------------
// The application

// The application object: the program's UI thread with its message loop. Its message map may
// be declared (and stays empty); commands are routed to windows, not to the application.
class CWinApp : public CWinThread {
public:
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    LPCWSTR m_pszAppName;
    HINSTANCE m_hInstance;
    LPWSTR m_lpCmdLine;
    int m_nCmdShow;
    MSG m_msgCur;

    virtual BOOL InitApplication() { return TRUE; }
    BOOL InitInstance() override { return TRUE; }
    // The exit code: the WM_QUIT code that ended the loop, unless a program says otherwise.
    int ExitInstance() override { return static_cast<int>(m_msgCur.wParam); }
    int Run() override;
    // Offers a message to the window objects (target first, up to the main window), then to the
    // main window itself. TRUE when handled.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Called for every message that a dialog box, message box or menu loop is about to process
    // (the message-filter hook); nonzero when handled.
    virtual BOOL ProcessMessageFilter(int code, LPMSG lpMsg);
    virtual BOOL OnIdle(LONG count);
    // One message from the queue through pre-translation and dispatch; FALSE on WM_QUIT.
    virtual BOOL PumpMessage();

    void SetRegistryKey(LPCWSTR) {}
    HCURSOR LoadStandardCursor(LPCWSTR id) const { return ::LoadCursorW(nullptr, id); }
    HICON LoadIcon(UINT nID) const;
    HCURSOR LoadCursor(UINT nID) const;

    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    HHOOK m_hMsgFilter;
};

CWinApp* AFXAPI AfxGetApp();
CWnd* AFXAPI AfxGetMainWnd();
void AFXAPI AfxEnableControlContainer();
// Runs the application object through start-up, its message loop and shut-down.
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
// Frees the temporary window, menu and GDI wrappers the thread made; the message loop does this
// when the queue runs dry.
void AFXAPI AfxDeleteTempObjects();
// Pre-translates a message as the thread's message loop does (application, else window walk).
BOOL AFXAPI AfxPreTranslateMessage(MSG* pMsg);
BOOL AFXAPI AfxPumpMessage();
// The module that dialogs, menus, bitmaps and strings are loaded from; searched first, then
// the program's own module.
HINSTANCE AFXAPI AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);

// ---------------------------------------------------------------------------------------------
// Dialogs and data exchange

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCWSTR templateName, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(LPCWSTR templateName, CWnd* pParentWnd = nullptr);
    BOOL CreateIndirect(LPCDLGTEMPLATEW dialogTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    void NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
    void PrevDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
    void GotoDlgCtrl(CWnd* ctl);
    void SetDefID(UINT nID) { ::SendMessageW(m_hWnd, DM_SETDEFID, nID, 0); }
    DWORD GetDefID() const { return static_cast<DWORD>(::SendMessageW(m_hWnd, DM_GETDEFID, 0, 0)); }
    void MapDialogRect(LPRECT rc) const { ::MapDialogRect(m_hWnd, rc); }

    LPCWSTR m_lpszTemplateName;
    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    LPCDLGTEMPLATEW LoadTemplate(HINSTANCE* module) const;
    BOOL CreateFromTemplate(LPCDLGTEMPLATEW dialogTemplate, HINSTANCE module, HWND owner);
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};

// The data-exchange context of one UpdateData pass.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_idLastControl;
    BOOL m_bEditLastControl;

    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Puts the focus back on the control that failed and ends the exchange.
    [[noreturn]] void Fail();
};

// Thrown by CDataExchange::Fail and caught by UpdateData.
class CUserExchangeFailure {};

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, WORD& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void AFXAPI DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void AFXAPI DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void AFXAPI DDX_Slider(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void AFXAPI DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void AFXAPI DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal);
void AFXAPI DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal);
void AFXAPI DDV_MinMaxFloat(CDataExchange* pDX, float value, float minVal, float maxVal);
void AFXAPI DDV_MinMaxDouble(CDataExchange* pDX, double value, double minVal, double maxVal);

// Prompt string ids of the data-exchange messages; a resource module may supply its own texts
// under these ids (the built-in English texts are used otherwise).
#define AFX_IDP_PARSE_INT 0xF110
#define AFX_IDP_PARSE_REAL 0xF111
#define AFX_IDP_PARSE_INT_RANGE 0xF112
#define AFX_IDP_PARSE_REAL_RANGE 0xF113
#define AFX_IDP_PARSE_STRING_SIZE 0xF114
#define AFX_IDP_PARSE_UINT 0xF116

#include "afxstdctl_.h"
