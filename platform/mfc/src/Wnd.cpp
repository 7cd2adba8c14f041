// Window objects: the handle map, creation and subclassing, the window procedure and message
// dispatch with reflection of child notifications.
#include "AfxState.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace afx_detail {

ThreadState::~ThreadState()
{
    DeleteTempObjects(*this);
    if (cbtHook)
        ::UnhookWindowsHookEx(cbtHook);
}

ThreadState& State()
{
    static thread_local ThreadState state;
    return state;
}

void DeleteTempObjects(ThreadState& state)
{
    for (auto& entry : state.tempWnds)
        entry.second->m_hWnd = nullptr;
    state.tempWnds.clear();
    for (auto& entry : state.tempMenus)
        entry.second->m_hMenu = nullptr;
    state.tempMenus.clear();
    for (auto& entry : state.tempDCs) {
        entry.second->m_hDC = nullptr;
        entry.second->m_hAttribDC = nullptr;
    }
    state.tempDCs.clear();
    for (auto& entry : state.tempGdi)
        entry.second->m_hObject = nullptr;
    state.tempGdi.clear();
}

} // namespace afx_detail

using afx_detail::State;

void AFXAPI AfxDeleteTempObjects()
{
    afx_detail::DeleteTempObjects(State());
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr), m_nModalResult(0), m_nFlags(0) {}

CWnd::~CWnd()
{
    if (m_hWnd != nullptr && (m_nFlags & WF_TEMPORARY) == 0) {
        auto& map = State().permanentWnds;
        auto it = map.find(m_hWnd);
        if (it != map.end() && it->second == this) {
            // The object goes before its window: the window must not call into a dead object.
            if (::IsWindow(m_hWnd) && m_pfnSuper != nullptr)
                ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
            HWND hWnd = m_hWnd;
            map.erase(it);
            m_hWnd = nullptr;
            ::DestroyWindow(hWnd);
        }
    }
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    auto& map = State().permanentWnds;
    auto it = map.find(hWnd);
    return it == map.end() ? nullptr : it->second;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hWnd))
        return wnd;
    auto& temps = State().tempWnds;
    auto it = temps.find(hWnd);
    if (it != temps.end())
        return it->second.get();
    auto wnd = std::make_unique<CWnd>();
    wnd->m_hWnd = hWnd;
    wnd->m_nFlags |= WF_TEMPORARY;
    CWnd* raw = wnd.get();
    temps.emplace(hWnd, std::move(wnd));
    return raw;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (hWnd == nullptr || m_hWnd != nullptr)
        return FALSE;
    auto& state = State();
    auto temp = state.tempWnds.find(hWnd);
    if (temp != state.tempWnds.end()) {
        temp->second->m_hWnd = nullptr;
        state.tempWnds.erase(temp);
    }
    state.permanentWnds[hWnd] = this;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr) {
        auto& map = State().permanentWnds;
        auto it = map.find(hWnd);
        if (it != map.end() && it->second == this)
            map.erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

LPCWSTR PASCAL CWnd::DefaultClassName()
{
    static const wchar_t name[] = L"RvxWnd";
    static const bool registered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = name;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    (void)registered;
    return name;
}

// While CreateEx runs, the first window created on the thread is the object's: it is attached
// and subclassed before it sees its first message, so WM_NCCREATE and WM_CREATE reach the map.
LRESULT CALLBACK AfxCbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    auto& state = State();
    if (code == HCBT_CREATEWND && state.pWndInit != nullptr) {
        CWnd* wnd = state.pWndInit;
        state.pWndInit = nullptr;
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        wnd->Attach(hWnd);
        wnd->PreSubclassWindow();
        WNDPROC old = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
        if (old != &AfxWndProc)
            wnd->m_pfnSuper = old;
    }
    return ::CallNextHookEx(state.cbtHook, code, wParam, lParam);
}

namespace afx_detail {

// Hooks creation on this thread for one window object; unhooks when it goes out of scope.
class CreationHook {
public:
    explicit CreationHook(CWnd* wnd)
    {
        auto& state = State();
        m_previous = state.pWndInit;
        state.pWndInit = wnd;
        if (state.cbtHook == nullptr) {
            state.cbtHook = ::SetWindowsHookExW(WH_CBT, &AfxCbtHook, nullptr, ::GetCurrentThreadId());
            m_installed = true;
        }
    }
    ~CreationHook()
    {
        auto& state = State();
        state.pWndInit = m_previous;
        if (m_installed) {
            ::UnhookWindowsHookEx(state.cbtHook);
            state.cbtHook = nullptr;
        }
    }
    CreationHook(const CreationHook&) = delete;
    CreationHook& operator=(const CreationHook&) = delete;

private:
    CWnd* m_previous = nullptr;
    bool m_installed = false;
};

} // namespace afx_detail

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (cs.lpszClass == nullptr)
        cs.lpszClass = DefaultClassName();
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND hWndParent, HMENU nIDorHMenu, LPVOID createParam)
{
    if (m_hWnd != nullptr)
        return FALSE;
    CREATESTRUCTW cs = {};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = style;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = ::GetModuleHandleW(nullptr);
    cs.lpCreateParams = createParam;
    if (!PreCreateWindow(cs))
        return FALSE;
    HWND hWnd;
    {
        afx_detail::CreationHook hook(this);
        hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx,
                                 cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    }
    if (hWnd == nullptr) {
        // A window refused in WM_CREATE is already gone; forget it.
        if (m_hWnd != nullptr)
            Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID createParam)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd->GetSafeHwnd(),
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), createParam);
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, LPVOID createParam)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, pParentWnd, nID, createParam);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    HWND hWnd = m_hWnd;
    const bool ours = FromHandlePermanent(hWnd) == this;
    BOOL result = ::DestroyWindow(hWnd);
    // A window attached without our procedure never saw WM_NCDESTROY; forget it here.
    if (ours && m_hWnd == hWnd && !::IsWindow(hWnd))
        Detach();
    return result;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!::IsWindow(hWnd) || !Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    WNDPROC old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (old != &AfxWndProc)
        m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWnd = ::GetDlgItem(pParent->GetSafeHwnd(), nID);
    return hWnd != nullptr && SubclassWindow(hWnd);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper != nullptr) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        m_pfnSuper = nullptr;
    }
    return Detach();
}

void CWnd::FinalNcDestroy()
{
    HWND hWnd = m_hWnd;
    if (m_pfnSuper != nullptr && ::IsWindow(hWnd))
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    // Last: a self-deleting window frees itself here.
    PostNcDestroy();
}

void CWnd::OnNcDestroy()
{
    Default();
    FinalNcDestroy();
}

// ---------------------------------------------------------------------------------------------
// The window procedure

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (wnd == nullptr)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    auto& state = State();
    MSG saved = state.lastMsg;
    state.lastMsg.hwnd = hWnd;
    state.lastMsg.message = message;
    state.lastMsg.wParam = wParam;
    state.lastMsg.lParam = lParam;
    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the system's window code; the message counts as
        // handled with a zero result.
        result = 0;
    }
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == wnd)
        wnd->FinalNcDestroy();
    state.lastMsg = saved;
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = State().lastMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

const MSG* PASCAL CWnd::GetCurrentMessage()
{
    return &State().lastMsg;
}

namespace {

bool IsControlColor(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// Messages a child sends its parent about itself: the parent's map goes first, then the
// message is reflected to the child, then default handling.
HWND ChildOfNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsControlColor(message))
        return reinterpret_cast<HWND>(lParam);
    switch (message) {
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        return dis && dis->CtlType != ODT_MENU ? dis->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
        return mis && mis->CtlType != ODT_MENU ? ::GetDlgItem(parent, mis->CtlID) : nullptr;
    }
    case WM_DELETEITEM:
        return reinterpret_cast<LPDELETEITEMSTRUCT>(lParam)->hwndItem;
    case WM_COMPAREITEM:
        return reinterpret_cast<LPCOMPAREITEMSTRUCT>(lParam)->hwndItem;
    case WM_HSCROLL:
    case WM_VSCROLL:
        return reinterpret_cast<HWND>(lParam);
    default:
        (void)wParam;
        return nullptr;
    }
}

} // namespace

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        if (!OnNotify(wParam, lParam, &result))
            return FALSE;
        *pResult = result;
        return TRUE;
    }

    AFX_MSGCALL call = {};
    call.message = message;
    call.wParam = wParam;
    call.lParam = lParam;
    UINT lookup = message;
    if (IsControlColor(message)) {
        lookup = WM_CTLCOLOR;
        call.nCode = message - WM_CTLCOLORMSGBOX;
    } else if (message >= WM_REFLECT_BASE + WM_CTLCOLORMSGBOX && message <= WM_REFLECT_BASE + WM_CTLCOLORSTATIC) {
        lookup = WM_REFLECT_BASE + WM_CTLCOLOR;
        call.nCode = message - WM_REFLECT_BASE - WM_CTLCOLORMSGBOX;
    }
    UINT code = 0;
    if (message == WM_REFLECT_BASE + WM_NOTIFY)
        code = reinterpret_cast<NMHDR*>(lParam)->code;
    else if (message == WM_REFLECT_BASE + WM_COMMAND)
        code = HIWORD(wParam);

    const AFX_MSGMAP_ENTRY* entry = (lookup == WM_CTLCOLOR || lookup == WM_REFLECT_BASE + WM_CTLCOLOR)
                                        ? FindMessageEntry(lookup, 0, 0)
                                        : FindMessageEntry(lookup, code, 0);
    if (entry != nullptr) {
        if (code != 0)
            call.nCode = code;
        if (!DispatchEntry(entry, call))
            return FALSE;
        *pResult = call.result;
        return TRUE;
    }

    // No handler of our own: a child's notification about itself goes back to the child.
    HWND child = ChildOfNotification(m_hWnd, message, wParam, lParam);
    if (child != nullptr && ReflectLastMsg(child, &result)) {
        *pResult = result;
        return TRUE;
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    if (hWndCtrl != nullptr) {
        if (ReflectLastMsg(hWndCtrl))
            return TRUE;
    } else {
        // Menu items and accelerators both arrive as plain commands.
        nCode = CN_COMMAND;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    (void)wParam;
    NMHDR* nmhdr = reinterpret_cast<NMHDR*>(lParam);
    if (nmhdr == nullptr)
        return FALSE;
    if (nmhdr->hwndFrom != nullptr && ReflectLastMsg(nmhdr->hwndFrom, pResult))
        return TRUE;
    AFX_NOTIFY notify = { pResult, nmhdr };
    return OnCmdMsg(static_cast<UINT>(nmhdr->idFrom), MAKELONG(nmhdr->code, WM_NOTIFY), &notify, nullptr);
}

BOOL PASCAL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* child = FromHandlePermanent(hWndChild);
    return child != nullptr && child->SendChildNotifyLastMsg(pResult);
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult)
{
    const MSG& msg = State().lastMsg;
    LRESULT ignored = 0;
    return OnChildNotify(msg.message, msg.wParam, msg.lParam, pResult ? pResult : &ignored);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_PARENTNOTIFY:
        return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
    default:
        if (IsControlColor(message)) {
            if (!OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult))
                return FALSE;
            // A control that declines to colour itself answers with no brush.
            return *pResult != 0;
        }
        return FALSE;
    }
}

HBRUSH CWnd::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    (void)pDC;
    (void)nCtlColor;
    LRESULT result = 0;
    if (pWnd != nullptr && ReflectLastMsg(pWnd->m_hWnd, &result))
        return reinterpret_cast<HBRUSH>(result);
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    (void)nIDCtl;
    if (lpDrawItemStruct != nullptr && lpDrawItemStruct->CtlType != ODT_MENU &&
        ReflectLastMsg(lpDrawItemStruct->hwndItem))
        return;
    Default();
}

void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar != nullptr && ReflectLastMsg(pScrollBar->m_hWnd))
        return;
    Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar != nullptr && ReflectLastMsg(pScrollBar->m_hWnd))
        return;
    Default();
}

// ---------------------------------------------------------------------------------------------
// Pre-translation and modal loops

BOOL CWnd::PreTranslateMessage(MSG* pMsg)
{
    (void)pMsg;
    return FALSE;
}

BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
        CWnd* wnd = FromHandlePermanent(hWnd);
        if (wnd != nullptr && wnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
        // Owned pop-ups do not pass their messages on to their owners.
        if ((::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD) == 0)
            break;
    }
    return FALSE;
}

BOOL CWnd::ContinueModal()
{
    return (m_nFlags & WF_CONTINUEMODAL) != 0;
}

void CWnd::EndModalLoop(int nResult)
{
    m_nModalResult = nResult;
    if (m_nFlags & WF_CONTINUEMODAL) {
        m_nFlags &= ~WF_CONTINUEMODAL;
        // Wakes the loop if it is waiting for a message.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
}

int CWnd::RunModalLoop(DWORD flags)
{
    (void)flags;
    m_nFlags |= WF_MODALLOOP;
    HWND hWnd = m_hWnd;
    while (ContinueModal()) {
        MSG peek;
        if (!::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE))
            AfxDeleteTempObjects();
        if (!AfxPumpMessage()) {
            // WM_QUIT ends every loop; the outer ones see it again.
            ::PostQuitMessage(static_cast<int>(State().pumpMsg.wParam));
            m_nFlags &= ~(WF_MODALLOOP | WF_CONTINUEMODAL);
            return -1;
        }
        if (!::IsWindow(hWnd))
            break;
    }
    m_nFlags &= ~(WF_MODALLOOP | WF_CONTINUEMODAL);
    return m_nModalResult;
}

// ---------------------------------------------------------------------------------------------
// Data exchange entry

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    if (m_hWnd == nullptr)
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Operations

void CWnd::GetWindowText(CString& text) const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    text = CString(buffer.data(), got);
}

int CWnd::GetDlgItemText(int nID, CString& text) const
{
    text.Empty();
    HWND item = ::GetDlgItem(m_hWnd, nID);
    if (item == nullptr)
        return 0;
    FromHandle(item)->GetWindowText(text);
    return text.GetLength();
}

CWnd* CWnd::GetTopLevelParent() const
{
    HWND hWnd = m_hWnd;
    while (hWnd != nullptr && (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    return FromHandle(hWnd);
}

void CWnd::SetFont(CFont* font, BOOL redraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font->GetSafeHandle()), redraw);
}

CFont* CWnd::GetFont() const
{
    return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
}

void CWnd::ScreenToClient(LPRECT rc) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(rc));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(rc) + 1);
}

void CWnd::ClientToScreen(LPRECT rc) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(rc));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(rc) + 1);
}

void CWnd::CenterWindow(CWnd* alternateOwner)
{
    HWND center = alternateOwner ? alternateOwner->m_hWnd : nullptr;
    if (center == nullptr)
        center = (GetStyle() & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    RECT area;
    RECT self;
    ::GetWindowRect(m_hWnd, &self);
    if (center != nullptr && ::IsWindowVisible(center) && !::IsIconic(center)) {
        ::GetWindowRect(center, &area);
    } else {
        MONITORINFO mi = { sizeof(mi) };
        ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
        area = mi.rcWork;
    }
    int w = self.right - self.left;
    int h = self.bottom - self.top;
    int x = (area.left + area.right) / 2 - w / 2;
    int y = (area.top + area.bottom) / 2 - h / 2;
    if (GetStyle() & WS_CHILD) {
        POINT pt = { x, y };
        ::ScreenToClient(::GetParent(m_hWnd), &pt);
        x = pt.x;
        y = pt.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static BOOL ModifyLong(HWND hWnd, int index, DWORD remove, DWORD add, UINT flags)
{
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hWnd, index));
    DWORD changed = (style & ~remove) | add;
    if (style == changed)
        return FALSE;
    ::SetWindowLongPtrW(hWnd, index, static_cast<LONG_PTR>(changed));
    if (flags != 0)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags)
{
    return ModifyLong(m_hWnd, GWL_STYLE, remove, add, flags);
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags)
{
    return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC)
{
    return ::ReleaseDC(m_hWnd, pDC->GetSafeHdc());
}

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type)
{
    return AfxShowMessageBox(m_hWnd, text, caption ? caption : L"", type);
}

void CWnd::DragAcceptFiles(BOOL accept)
{
    ModifyStyleEx(accept ? 0 : WS_EX_ACCEPTFILES, accept ? WS_EX_ACCEPTFILES : 0);
}
