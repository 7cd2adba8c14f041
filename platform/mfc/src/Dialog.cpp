// Dialogs from templates of the current resource module, modal (own loop, so every message is
// pre-translated) and modeless.
#include "AfxState.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace afx_detail {
class CreationHook;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() : m_lpszTemplateName(nullptr), m_nIDHelp(0), m_pParentWnd(nullptr) {}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCWSTR templateName, CWnd* pParentWnd)
    : m_lpszTemplateName(templateName), m_nIDHelp(0), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
}

INT_PTR CALLBACK CDialog::DialogProc(HWND, UINT, WPARAM, LPARAM)
{
    // Everything, WM_INITDIALOG included, is handled by the window object ahead of the
    // dialog manager's own procedure.
    return FALSE;
}

LPCDLGTEMPLATEW CDialog::LoadTemplate(HINSTANCE* module) const
{
    if (m_lpszTemplateName == nullptr)
        return nullptr;
    HINSTANCE inst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC res = ::FindResourceW(inst, m_lpszTemplateName, RT_DIALOG);
    if (res == nullptr)
        return nullptr;
    HGLOBAL data = ::LoadResource(inst, res);
    if (data == nullptr)
        return nullptr;
    *module = inst;
    return static_cast<LPCDLGTEMPLATEW>(::LockResource(data));
}

// Subclasses the dialog window as it is created, like CWnd::CreateEx does.
LRESULT CALLBACK AfxCbtHook(int code, WPARAM wParam, LPARAM lParam);

BOOL CDialog::CreateFromTemplate(LPCDLGTEMPLATEW dialogTemplate, HINSTANCE module, HWND owner)
{
    auto& state = afx_detail::State();
    CWnd* previous = state.pWndInit;
    bool installed = false;
    state.pWndInit = this;
    if (state.cbtHook == nullptr) {
        state.cbtHook = ::SetWindowsHookExW(WH_CBT, &AfxCbtHook, nullptr, ::GetCurrentThreadId());
        installed = true;
    }
    HWND hWnd = ::CreateDialogIndirectParamW(module, dialogTemplate, owner, &CDialog::DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    state.pWndInit = previous;
    if (installed) {
        ::UnhookWindowsHookEx(state.cbtHook);
        state.cbtHook = nullptr;
    }
    if (hWnd == nullptr) {
        if (m_hWnd != nullptr)
            Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::Create(LPCWSTR templateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = templateName;
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    HINSTANCE module = nullptr;
    LPCDLGTEMPLATEW tmpl = LoadTemplate(&module);
    if (tmpl == nullptr)
        return FALSE;
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (owner == nullptr && AfxGetMainWnd() != nullptr)
        owner = AfxGetMainWnd()->m_hWnd;
    return CreateFromTemplate(tmpl, module, owner);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_nIDHelp = nIDTemplate;
    return Create(MAKEINTRESOURCEW(nIDTemplate), pParentWnd);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEW dialogTemplate, CWnd* pParentWnd)
{
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    return CreateFromTemplate(dialogTemplate, ::GetModuleHandleW(nullptr),
                              m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE module = nullptr;
    LPCDLGTEMPLATEW tmpl = LoadTemplate(&module);
    if (tmpl == nullptr)
        return -1;

    // The owner is the top-level window of the parent (or of the main window), disabled while
    // the dialog runs.
    HWND owner = nullptr;
    CWnd* parent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    if (parent != nullptr && parent->m_hWnd != nullptr) {
        CWnd* top = parent->GetTopLevelParent();
        owner = top ? top->m_hWnd : parent->m_hWnd;
    }
    bool enableOwner = false;
    if (owner != nullptr && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        enableOwner = true;
    }

    m_nModalResult = -1;
    m_nFlags |= WF_CONTINUEMODAL;
    INT_PTR result = -1;
    if (CreateFromTemplate(tmpl, module, owner)) {
        if (m_nFlags & WF_CONTINUEMODAL) {
            ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
            RunModalLoop(0);
        }
        result = m_nModalResult;
        if (m_hWnd != nullptr)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    m_nFlags &= ~WF_CONTINUEMODAL;
    // The owner is enabled before the dialog goes, so that activation returns to it.
    if (enableOwner)
        ::EnableWindow(owner, TRUE);
    if (owner != nullptr && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    if (m_hWnd != nullptr)
        DestroyWindow();
    return result;
}

void CDialog::EndDialog(int nResult)
{
    if (m_nFlags & (WF_MODALLOOP | WF_CONTINUEMODAL)) {
        EndModalLoop(nResult);
    } else {
        m_nModalResult = nResult;
        // A modeless dialog is only hidden; its owner destroys it.
        if (m_hWnd != nullptr)
            ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::GotoDlgCtrl(CWnd* ctl)
{
    if (ctl != nullptr)
        ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ctl->m_hWnd), TRUE);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    if (m_hWnd == nullptr || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    // Keyboard navigation of the dialog; the dialog manager hands the message to the
    // message-filter hook (the application's filter) before it acts on it.
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_INITDIALOG) {
        // Default handling first (the dialog manager's own procedure), then the object's.
        DefWindowProc(message, wParam, lParam);
        *pResult = OnInitDialog();
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}
