// Property sheets over the common-controls sheet, run modeless under the framework's own loop.
#include "AfxState.h"

#include <afxdlgs.h>

#include <algorithm>

namespace {

CString LoadText(UINT id)
{
    CString text;
    if (id != 0) {
        wchar_t buffer[512];
        LPCWSTR name = MAKEINTRESOURCEW((id >> 4) + 1);
        int n = ::LoadStringW(AfxFindResourceHandle(name, RT_STRING), id, buffer, 512);
        if (n > 0)
            text = CString(buffer, n);
    }
    return text;
}

} // namespace

CPropertyPage::CPropertyPage() : m_psp(), m_pSheet(nullptr), m_nIDCaption(0), m_bFirstSetActive(TRUE) {}

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption)
    : CDialog(nIDTemplate), m_psp(), m_pSheet(nullptr), m_nIDCaption(nIDCaption), m_bFirstSetActive(TRUE)
{
}

CPropertyPage::CPropertyPage(LPCWSTR templateName, UINT nIDCaption)
    : CDialog(templateName), m_psp(), m_pSheet(nullptr), m_nIDCaption(nIDCaption), m_bFirstSetActive(TRUE)
{
}

BOOL CPropertyPage::OnSetActive()
{
    // The first activation follows OnInitDialog, which already filled the controls.
    if (m_bFirstSetActive)
        m_bFirstSetActive = FALSE;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset()
{
    OnCancel();
}

BOOL CPropertyPage::OnQueryCancel()
{
    return TRUE;
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

void CPropertyPage::SetModified(BOOL changed)
{
    if (m_hWnd == nullptr)
        return;
    HWND sheet = ::GetParent(m_hWnd);
    ::SendMessageW(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CPropertyPage::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard navigation belongs to the sheet, further up the walk.
    (void)pMsg;
    return FALSE;
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    NMHDR* nmhdr = reinterpret_cast<NMHDR*>(lParam);
    if (nmhdr != nullptr && nmhdr->hwndFrom == ::GetParent(m_hWnd)) {
        LRESULT result = 0;
        bool handled = true;
        switch (nmhdr->code) {
        case PSN_SETACTIVE:
            result = OnSetActive() ? 0 : -1;
            break;
        case PSN_KILLACTIVE:
            result = OnKillActive() ? FALSE : TRUE;
            break;
        case PSN_APPLY:
            if (OnApply()) {
                result = PSNRET_NOERROR;
                if (m_pSheet != nullptr)
                    m_pSheet->m_bApplied = TRUE;
            } else {
                // Refused: the sheet stays open on this page, the focus where the page put it.
                result = PSNRET_INVALID;
            }
            break;
        case PSN_RESET:
            OnReset();
            break;
        case PSN_QUERYCANCEL:
            result = OnQueryCancel() ? FALSE : TRUE;
            break;
        default:
            handled = false;
            break;
        }
        if (handled) {
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            *pResult = result;
            return TRUE;
        }
    }
    return CDialog::OnNotify(wParam, lParam, pResult);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG || CWnd::FromHandlePermanent(hWnd) != nullptr)
        return FALSE;
    auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
    auto* page = reinterpret_cast<CPropertyPage*>(psp->lParam);
    if (page == nullptr || !page->SubclassWindow(hWnd))
        return FALSE;
    // Through the object's own procedure, as every later message goes.
    return static_cast<INT_PTR>(AfxWndProc(hWnd, message, wParam, lParam));
}

// ---------------------------------------------------------------------------------------------

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_psh(), m_caption(LoadText(nIDCaption)), m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage),
      m_bApplied(FALSE)
{
}

CPropertySheet::CPropertySheet(LPCWSTR caption, CWnd* pParentWnd, UINT iSelectPage)
    : m_psh(), m_caption(caption), m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage), m_bApplied(FALSE)
{
}

CPropertySheet::~CPropertySheet()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (page == nullptr)
        return;
    page->m_pSheet = this;
    m_pages.push_back(page);
    if (m_hWnd != nullptr) {
        PROPSHEETPAGEW psp = {};
        psp.dwSize = sizeof(psp);
        psp.hInstance = AfxFindResourceHandle(page->m_lpszTemplateName, RT_DIALOG);
        psp.pszTemplate = page->m_lpszTemplateName;
        psp.pfnDlgProc = &CPropertyPage::PageProc;
        psp.lParam = reinterpret_cast<LPARAM>(page);
        HPROPSHEETPAGE h = ::CreatePropertySheetPageW(&psp);
        if (h != nullptr)
            ::SendMessageW(m_hWnd, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(h));
    }
}

void CPropertySheet::RemovePage(CPropertyPage* page)
{
    int index = GetPageIndex(page);
    if (index < 0)
        return;
    if (m_hWnd != nullptr)
        ::SendMessageW(m_hWnd, PSM_REMOVEPAGE, static_cast<WPARAM>(index), 0);
    m_pages.erase(m_pages.begin() + index);
    page->m_pSheet = nullptr;
}

int CPropertySheet::GetPageIndex(CPropertyPage* page) const
{
    auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

int CPropertySheet::GetActiveIndex() const
{
    if (m_hWnd == nullptr)
        return static_cast<int>(m_nStartPage);
    HWND current = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i]->m_hWnd == current && current != nullptr)
            return static_cast<int>(i);
    }
    return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    int index = GetActiveIndex();
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

BOOL CPropertySheet::SetActivePage(int index)
{
    if (index < 0 || index >= GetPageCount())
        return FALSE;
    if (m_hWnd == nullptr) {
        m_nStartPage = static_cast<UINT>(index);
        return TRUE;
    }
    return static_cast<BOOL>(::SendMessageW(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0));
}

void CPropertySheet::SetTitle(LPCWSTR title, UINT style)
{
    m_caption = title;
    if (m_hWnd != nullptr)
        ::SendMessageW(m_hWnd, PSM_SETTITLEW, style, reinterpret_cast<LPARAM>(title));
}

void CPropertySheet::BuildHeader(HWND owner, bool modeless)
{
    m_built.clear();
    for (CPropertyPage* page : m_pages) {
        PROPSHEETPAGEW psp = {};
        psp.dwSize = sizeof(psp);
        psp.hInstance = AfxFindResourceHandle(page->m_lpszTemplateName, RT_DIALOG);
        psp.pszTemplate = page->m_lpszTemplateName;
        psp.pfnDlgProc = &CPropertyPage::PageProc;
        psp.lParam = reinterpret_cast<LPARAM>(page);
        if (page->m_nIDCaption != 0) {
            page->m_caption = LoadText(page->m_nIDCaption);
            psp.dwFlags |= PSP_USETITLE;
            psp.pszTitle = page->m_caption;
        }
        page->m_bFirstSetActive = TRUE;
        page->m_pSheet = this;
        m_built.push_back(psp);
    }
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | (modeless ? PSH_MODELESS : 0);
    m_psh.hwndParent = owner;
    m_psh.hInstance = AfxGetResourceHandle();
    m_psh.pszCaption = m_caption;
    m_psh.nPages = static_cast<UINT>(m_built.size());
    m_psh.nStartPage = m_nStartPage;
    m_psh.ppsp = m_built.data();
    m_psh.pfnCallback = &CPropertySheet::SheetCallback;
}

int CALLBACK CPropertySheet::SheetCallback(HWND, UINT, LPARAM)
{
    return 0;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD style, DWORD exStyle)
{
    (void)style;
    (void)exStyle;
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    BuildHeader(m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr, true);
    m_bApplied = FALSE;
    HWND hWnd = reinterpret_cast<HWND>(::PropertySheetW(&m_psh));
    if (hWnd == nullptr || hWnd == reinterpret_cast<HWND>(-1))
        return FALSE;
    return SubclassWindow(hWnd);
}

BOOL CPropertySheet::ContinueModal()
{
    // The sheet drops its current page once OK or Cancel has been dealt with.
    return CWnd::ContinueModal() && m_hWnd != nullptr &&
           ::SendMessageW(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0) != 0;
}

INT_PTR CPropertySheet::DoModal()
{
    HWND owner = nullptr;
    CWnd* parent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    if (parent != nullptr && parent->m_hWnd != nullptr)
        owner = parent->GetTopLevelParent()->GetSafeHwnd();
    bool enableOwner = owner != nullptr && ::IsWindowEnabled(owner);
    if (enableOwner)
        ::EnableWindow(owner, FALSE);

    INT_PTR result = -1;
    BuildHeader(owner, true);
    m_bApplied = FALSE;
    HWND hWnd = reinterpret_cast<HWND>(::PropertySheetW(&m_psh));
    if (hWnd != nullptr && hWnd != reinterpret_cast<HWND>(-1) && SubclassWindow(hWnd)) {
        m_nFlags |= WF_CONTINUEMODAL;
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
        RunModalLoop(0);
        result = m_bApplied ? IDOK : IDCANCEL;
    }
    if (enableOwner)
        ::EnableWindow(owner, TRUE);
    if (owner != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    if (m_hWnd != nullptr)
        DestroyWindow();
    return result;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* pMsg)
{
    if (m_hWnd == nullptr || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    return static_cast<BOOL>(::SendMessageW(m_hWnd, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(pMsg)));
}

void CPropertySheet::PostNcDestroy()
{
    for (CPropertyPage* page : m_pages)
        page->m_bFirstSetActive = TRUE;
}
