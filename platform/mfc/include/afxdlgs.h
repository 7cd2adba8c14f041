// Property sheets and pages, and the file dialog.
#pragma once

#include <afxwin.h>
#include <commdlg.h>
#include <prsht.h>

#include <vector>

class CPropertySheet;

// A page object needs no window: settings pages are constructed only to load and save their
// values, and their windows exist only while a sheet shows them.
class CPropertyPage : public CDialog {
public:
    CPropertyPage();
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    explicit CPropertyPage(LPCWSTR templateName, UINT nIDCaption = 0);

    PROPSHEETPAGEW m_psp;

    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    virtual BOOL OnApply();
    virtual void OnReset();
    virtual BOOL OnQueryCancel();
    void OnOK() override;
    void OnCancel() override;
    void SetModified(BOOL changed = TRUE);
    CPropertySheet* GetSheet() const { return m_pSheet; }
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    static INT_PTR CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);

    CPropertySheet* m_pSheet;
    UINT m_nIDCaption;
    CString m_caption;
    BOOL m_bFirstSetActive;

    friend class CPropertySheet;
};

class CPropertySheet : public CWnd {
public:
    explicit CPropertySheet(UINT nIDCaption = 0, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(LPCWSTR caption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    PROPSHEETHEADERW m_psh;

    void AddPage(CPropertyPage* page);
    void RemovePage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const { return m_pages.at(static_cast<size_t>(index)); }
    int GetPageIndex(CPropertyPage* page) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    BOOL SetActivePage(int index);
    BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
    void SetTitle(LPCWSTR title, UINT style = 0);
    BOOL PressButton(int button) { return ::PostMessageW(m_hWnd, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); }

    // Runs the sheet with the framework's own loop (the sheet is modeless underneath), so its
    // messages are pre-translated like every other dialog's. IDOK when the pages were applied.
    virtual INT_PTR DoModal();
    virtual BOOL Create(CWnd* pParentWnd = nullptr, DWORD style = static_cast<DWORD>(-1), DWORD exStyle = 0);
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL ContinueModal() override;

protected:
    void BuildHeader(HWND owner, bool modeless);
    static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    void PostNcDestroy() override;

    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEW> m_built;
    CString m_caption;
    CWnd* m_pParentWnd;
    UINT m_nStartPage;
    BOOL m_bApplied;

    friend class CPropertyPage;
};

// The one function behind every file dialog (AFX_FILEDIALOG_PROC, afx.h). Tests replace it to
// record the request and answer without a window: TRUE with the chosen name in ofn->lpstrFile,
// or FALSE for a cancelled dialog. An empty function restores the system's dialogs. Returns
// the previous one.
AFX_FILEDIALOG_PROC AFXAPI AfxSetFileDialogProc(AFX_FILEDIALOG_PROC proc);

class CFileDialog : public CDialog {
public:
    // filter: the framework's "Text (*.txt)|*.txt|All (*.*)|*.*||" form.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCWSTR defExt = nullptr, LPCWSTR fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr,
                         CWnd* pParentWnd = nullptr);

    OPENFILENAMEW m_ofn;

    INT_PTR DoModal() override;
    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    CString GetFolderPath() const;
    // Multiple selection (OFN_ALLOWMULTISELECT): every chosen path in order.
    std::vector<CString> GetPathNames() const;

private:
    BOOL m_bOpenFileDialog;
    std::vector<wchar_t> m_file;
    std::vector<wchar_t> m_filter;
    CString m_defExt;
};
