// The application object, its message loop and the message-filter hook through which dialog
// boxes, message boxes and menus hand every message to ProcessMessageFilter.
#include "AfxState.h"

namespace {

CWinApp* g_app = nullptr;

LRESULT CALLBACK MessageFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && g_app != nullptr && lParam != 0) {
        if (g_app->ProcessMessageFilter(code, reinterpret_cast<LPMSG>(lParam)))
            return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

CWinApp::CWinApp(LPCWSTR appName)
    : m_pszAppName(appName), m_hInstance(::GetModuleHandleW(nullptr)), m_lpCmdLine(nullptr),
      m_nCmdShow(SW_SHOWNORMAL), m_msgCur(), m_hMsgFilter(nullptr)
{
    g_app = this;
    // The application object is not a worker thread; nothing may delete it but its owner.
    m_bAutoDelete = FALSE;
    m_nThreadID = ::GetCurrentThreadId();
    m_hMsgFilter = ::SetWindowsHookExW(WH_MSGFILTER, &MessageFilterHook, nullptr, ::GetCurrentThreadId());
    // Message boxes belong to the main window while there is one.
    AfxSetMessageBoxOwnerProc([]() -> HWND {
        CWnd* main = AfxGetMainWnd();
        return main ? main->m_hWnd : nullptr;
    });
}

const AFX_MSGMAP* PASCAL CWinApp::GetThisMessageMap()
{
    return CCmdTarget::GetThisMessageMap();
}

const AFX_MSGMAP* CWinApp::GetMessageMap() const
{
    return GetThisMessageMap();
}

CWinApp::~CWinApp()
{
    if (m_hMsgFilter)
        ::UnhookWindowsHookEx(m_hMsgFilter);
    if (g_app == this) {
        g_app = nullptr;
        AfxSetMessageBoxOwnerProc(nullptr);
    }
}

CWinApp* AFXAPI AfxGetApp()
{
    return g_app;
}

CWnd* AFXAPI AfxGetMainWnd()
{
    return g_app ? g_app->m_pMainWnd : nullptr;
}

void AFXAPI AfxEnableControlContainer() {}

BOOL CWinApp::ProcessMessageFilter(int code, LPMSG lpMsg)
{
    (void)code;
    (void)lpMsg;
    return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg)
{
    HWND mainWnd = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (CWnd::WalkPreTranslateTree(mainWnd, pMsg))
        return TRUE;
    // A message for another top-level window still gives the main window its chance.
    if (mainWnd != nullptr && pMsg->hwnd != nullptr) {
        CWnd* target = CWnd::FromHandle(pMsg->hwnd);
        CWnd* top = target ? target->GetTopLevelParent() : nullptr;
        if (top == nullptr || top->m_hWnd != mainWnd)
            return m_pMainWnd->PreTranslateMessage(pMsg);
    }
    return FALSE;
}

BOOL CWinApp::OnIdle(LONG count)
{
    (void)count;
    AfxDeleteTempObjects();
    return FALSE;
}

BOOL CWinApp::PumpMessage()
{
    MSG& msg = afx_detail::State().pumpMsg;
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    m_msgCur = msg;
    if (got <= 0)
        return FALSE;
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return TRUE;
}

int CWinApp::Run()
{
    for (;;) {
        MSG peek;
        if (!::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE))
            OnIdle(0);
        if (!PumpMessage())
            break;
    }
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT nID) const
{
    LPCWSTR name = MAKEINTRESOURCEW(nID);
    return ::LoadIconW(AfxFindResourceHandle(name, RT_GROUP_ICON), name);
}

HCURSOR CWinApp::LoadCursor(UINT nID) const
{
    LPCWSTR name = MAKEINTRESOURCEW(nID);
    return ::LoadCursorW(AfxFindResourceHandle(name, RT_GROUP_CURSOR), name);
}

BOOL AFXAPI AfxPreTranslateMessage(MSG* pMsg)
{
    if (g_app != nullptr)
        return g_app->PreTranslateMessage(pMsg);
    return CWnd::WalkPreTranslateTree(nullptr, pMsg);
}

BOOL AFXAPI AfxPumpMessage()
{
    if (g_app != nullptr)
        return g_app->PumpMessage();
    MSG& msg = afx_detail::State().pumpMsg;
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0)
        return FALSE;
    if (!AfxPreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return TRUE;
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCWSTR name, LPCWSTR type)
{
    HINSTANCE current = AfxGetResourceHandle();
    if (current != nullptr && ::FindResourceW(current, name, type) != nullptr)
        return current;
    HINSTANCE own = ::GetModuleHandleW(nullptr);
    if (::FindResourceW(own, name, type) != nullptr)
        return own;
    return current ? current : own;
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return -1;
    app->m_hInstance = hInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;
    int result;
    if (!app->InitApplication() || !app->InitInstance()) {
        // A dialog-based program ends here, its main dialog having run inside InitInstance.
        result = app->ExitInstance();
    } else {
        result = app->Run();
    }
    AfxDeleteTempObjects();
    return result;
}
