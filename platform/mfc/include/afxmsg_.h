// Message map entries. Each entry names the message (or WM_COMMAND / WM_NOTIFY with a
// notification code and a control id range) and a small dispatcher that unpacks the message's
// parameters and calls the handler of the class the map belongs to. The dispatchers are
// captureless lambdas, so a handler's signature is checked by the compiler instead of being
// cast to a generic member pointer.
#pragma once

// Reflected messages arrive at the control with this offset added.
#define WM_REFLECT_BASE 0xBC00
// All WM_CTLCOLORxxx messages dispatch through this one entry kind.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() \
    { \
        typedef theClass ThisClass; \
        typedef baseClass TheBaseClass; \
        static_cast<void>(sizeof(ThisClass)); \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0, nullptr } \
        }; \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] }; \
        return &messageMap; \
    }

#define AFX_THUNK(body) \
    [](CCmdTarget* _target, AFX_MSGCALL& _call) -> BOOL { \
        ThisClass* _self = static_cast<ThisClass*>(_target); \
        (void)_self; (void)_call; \
        body \
    }

// Commands, update handlers and control notifications.
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), AFX_THUNK(_self->memberFxn(); return TRUE;) },
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    { WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), \
      AFX_THUNK(_self->memberFxn(_call.nID); return TRUE;) },
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
    { WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id), \
      AFX_THUNK(_self->memberFxn(static_cast<CCmdUI*>(_call.pExtra)); return TRUE;) },
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn) \
    { WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(idLast), \
      AFX_THUNK(_self->memberFxn(static_cast<CCmdUI*>(_call.pExtra)); return TRUE;) },
#define ON_CONTROL(code, id, memberFxn) \
    { WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), AFX_THUNK(_self->memberFxn(); return TRUE;) },
#define ON_CONTROL_RANGE(code, id, idLast, memberFxn) \
    { WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(idLast), \
      AFX_THUNK(_self->memberFxn(_call.nID); return TRUE;) },
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)

#define ON_NOTIFY(code, id, memberFxn) \
    { WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(id), \
      AFX_THUNK(_self->memberFxn(reinterpret_cast<NMHDR*>(_call.lParam), &_call.result); return TRUE;) },
#define ON_NOTIFY_RANGE(code, id, idLast, memberFxn) \
    { WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(idLast), \
      AFX_THUNK(_self->memberFxn(_call.nID, reinterpret_cast<NMHDR*>(_call.lParam), &_call.result); \
                return TRUE;) },

// Reflected notifications, handled by the control itself.
#define ON_NOTIFY_REFLECT(code, memberFxn) \
    { WM_REFLECT_BASE + WM_NOTIFY, (UINT)(code), 0, 0, \
      AFX_THUNK(_self->memberFxn(reinterpret_cast<NMHDR*>(_call.lParam), &_call.result); return TRUE;) },
#define ON_CONTROL_REFLECT(code, memberFxn) \
    { WM_REFLECT_BASE + WM_COMMAND, (UINT)(code), 0, 0, AFX_THUNK(_self->memberFxn(); return TRUE;) },
#define ON_WM_CTLCOLOR_REFLECT() \
    { WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, \
      AFX_THUNK(HBRUSH brush = _self->CtlColor(CDC::FromHandle(reinterpret_cast<HDC>(_call.wParam)), \
                                               _call.nCode); \
                _call.result = reinterpret_cast<LRESULT>(brush); return brush != nullptr;) },
#define ON_WM_HSCROLL_REFLECT() \
    { WM_REFLECT_BASE + WM_HSCROLL, 0, 0, 0, \
      AFX_THUNK(_self->HScroll(LOWORD(_call.wParam), HIWORD(_call.wParam)); return TRUE;) },
#define ON_WM_VSCROLL_REFLECT() \
    { WM_REFLECT_BASE + WM_VSCROLL, 0, 0, 0, \
      AFX_THUNK(_self->VScroll(LOWORD(_call.wParam), HIWORD(_call.wParam)); return TRUE;) },

// Any message, by number: LRESULT Handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
    { (UINT)(message), 0, 0, 0, \
      AFX_THUNK(_call.result = _self->memberFxn(_call.wParam, _call.lParam); return TRUE;) },
#define ON_REGISTERED_MESSAGE(messageVar, memberFxn) ON_MESSAGE(messageVar, memberFxn)

// Window messages with their parameters unpacked.
#define AFX_WM_VOID(msg, call) { msg, 0, 0, 0, AFX_THUNK(_self->call; return TRUE;) },
#define ON_WM_CREATE() \
    { WM_CREATE, 0, 0, 0, \
      AFX_THUNK(_call.result = _self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(_call.lParam)); return TRUE;) },
#define ON_WM_PAINT() AFX_WM_VOID(WM_PAINT, OnPaint())
#define ON_WM_ERASEBKGND() \
    { WM_ERASEBKGND, 0, 0, 0, \
      AFX_THUNK(_call.result = _self->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(_call.wParam))); \
                return TRUE;) },
#define ON_WM_TIMER() AFX_WM_VOID(WM_TIMER, OnTimer(static_cast<UINT_PTR>(_call.wParam)))
#define ON_WM_SIZE() \
    AFX_WM_VOID(WM_SIZE, OnSize(static_cast<UINT>(_call.wParam), (short)LOWORD(_call.lParam), \
                                (short)HIWORD(_call.lParam)))
#define ON_WM_MOVE() AFX_WM_VOID(WM_MOVE, OnMove((short)LOWORD(_call.lParam), (short)HIWORD(_call.lParam)))
#define ON_WM_CLOSE() AFX_WM_VOID(WM_CLOSE, OnClose())
#define ON_WM_DESTROY() AFX_WM_VOID(WM_DESTROY, OnDestroy())
#define ON_WM_NCDESTROY() AFX_WM_VOID(WM_NCDESTROY, OnNcDestroy())
#define ON_WM_SYSCOMMAND() \
    AFX_WM_VOID(WM_SYSCOMMAND, OnSysCommand(static_cast<UINT>(_call.wParam), _call.lParam))
#define AFX_WM_MOUSE(msg, fn) \
    AFX_WM_VOID(msg, fn(static_cast<UINT>(_call.wParam), CPoint(_call.lParam)))
#define ON_WM_MOUSEMOVE() AFX_WM_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_WM_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_WM_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_WM_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_WM_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_WM_MOUSE(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MOUSEHOVER() AFX_WM_MOUSE(WM_MOUSEHOVER, OnMouseHover)
#define ON_WM_MOUSELEAVE() AFX_WM_VOID(WM_MOUSELEAVE, OnMouseLeave())
#define ON_WM_MOUSEWHEEL() \
    { WM_MOUSEWHEEL, 0, 0, 0, \
      AFX_THUNK(_call.result = _self->OnMouseWheel(LOWORD(_call.wParam), (short)HIWORD(_call.wParam), \
                                                   CPoint(_call.lParam)); return TRUE;) },
#define AFX_WM_KEY(msg, fn) \
    AFX_WM_VOID(msg, fn(static_cast<UINT>(_call.wParam), LOWORD(_call.lParam), HIWORD(_call.lParam)))
#define ON_WM_KEYDOWN() AFX_WM_KEY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_WM_KEY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_WM_KEY(WM_CHAR, OnChar)
#define ON_WM_SETCURSOR() \
    { WM_SETCURSOR, 0, 0, 0, \
      AFX_THUNK(_call.result = _self->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(_call.wParam)), \
                                                  LOWORD(_call.lParam), HIWORD(_call.lParam)); return TRUE;) },
#define ON_WM_SETFOCUS() \
    AFX_WM_VOID(WM_SETFOCUS, OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(_call.wParam))))
#define ON_WM_KILLFOCUS() \
    AFX_WM_VOID(WM_KILLFOCUS, OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(_call.wParam))))
#define ON_WM_NCHITTEST() \
    { WM_NCHITTEST, 0, 0, 0, AFX_THUNK(_call.result = _self->OnNcHitTest(CPoint(_call.lParam)); return TRUE;) },
#define AFX_WM_SCROLL(msg, fn) \
    AFX_WM_VOID(msg, fn(LOWORD(_call.wParam), (short)HIWORD(_call.wParam), \
                        reinterpret_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(_call.lParam)))))
#define ON_WM_HSCROLL() AFX_WM_SCROLL(WM_HSCROLL, OnHScroll)
#define ON_WM_VSCROLL() AFX_WM_SCROLL(WM_VSCROLL, OnVScroll)
#define ON_WM_INITMENUPOPUP() \
    AFX_WM_VOID(WM_INITMENUPOPUP, OnInitMenuPopup(CMenu::FromHandle(reinterpret_cast<HMENU>(_call.wParam)), \
                                                  LOWORD(_call.lParam), HIWORD(_call.lParam)))
#define ON_WM_MOUSEACTIVATE() \
    { WM_MOUSEACTIVATE, 0, 0, 0, \
      AFX_THUNK(_call.result = _self->OnMouseActivate(CWnd::FromHandle(reinterpret_cast<HWND>(_call.wParam)), \
                                                      LOWORD(_call.lParam), HIWORD(_call.lParam)); return TRUE;) },
#define ON_WM_ACTIVATE() \
    AFX_WM_VOID(WM_ACTIVATE, OnActivate(LOWORD(_call.wParam), \
                                        CWnd::FromHandle(reinterpret_cast<HWND>(_call.lParam)), \
                                        HIWORD(_call.wParam)))
#define ON_WM_SHOWWINDOW() \
    AFX_WM_VOID(WM_SHOWWINDOW, OnShowWindow(static_cast<BOOL>(_call.wParam), static_cast<UINT>(_call.lParam)))
#define ON_WM_CTLCOLOR() \
    { WM_CTLCOLOR, 0, 0, 0, \
      AFX_THUNK(_call.result = reinterpret_cast<LRESULT>( \
                    _self->OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(_call.wParam)), \
                                      CWnd::FromHandle(reinterpret_cast<HWND>(_call.lParam)), _call.nCode)); \
                return TRUE;) },
#define ON_WM_DRAWITEM() \
    AFX_WM_VOID(WM_DRAWITEM, OnDrawItem(static_cast<int>(_call.wParam), \
                                        reinterpret_cast<LPDRAWITEMSTRUCT>(_call.lParam)))
#define ON_WM_CONTEXTMENU() \
    AFX_WM_VOID(WM_CONTEXTMENU, OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(_call.wParam)), \
                                              CPoint(_call.lParam)))
#define ON_WM_GETMINMAXINFO() \
    AFX_WM_VOID(WM_GETMINMAXINFO, OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(_call.lParam)))
#define ON_WM_DEVICECHANGE() \
    { WM_DEVICECHANGE, 0, 0, 0, \
      AFX_THUNK(_call.result = _self->OnDeviceChange(static_cast<UINT>(_call.wParam), \
                                                     static_cast<DWORD_PTR>(_call.lParam)); return TRUE;) },
