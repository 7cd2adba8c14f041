// Dialogs from resources with data exchange, property sheets, and the file dialog function.
#include <afxwin.h>
#include <afxdlgs.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "mfc_window_test_ids.h"

namespace {

// Records message boxes instead of showing them; the test decides what happens next.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(std::function<void(const std::wstring&)> onBox = nullptr)
        : m_onBox(std::move(onBox))
    {
        m_previous = AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR, UINT) {
            texts.push_back(text ? text : L"");
            if (m_onBox)
                m_onBox(texts.back());
            return IDOK;
        });
    }
    ~MessageBoxRecorder() { AfxSetMessageBoxProc(m_previous); }
    std::vector<std::wstring> texts;

private:
    std::function<void(const std::wstring&)> m_onBox;
    AFX_MESSAGEBOX_PROC m_previous;
};

class ValuesDialog : public CDialog {
public:
    ValuesDialog() : CDialog(IDD_VALUES) {}
    int number = 3;
    CString name = L"初始";
    int flag = 1;
    std::function<void(ValuesDialog&)> onInit;

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_NUMBER, number);
        DDV_MinMaxInt(pDX, number, 1, 100);
        DDX_Text(pDX, IDC_NAME, name);
        DDX_Check(pDX, IDC_FLAG, flag);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (onInit)
            onInit(*this);
        return TRUE;
    }
};

} // namespace

TEST(WindowDialog, ModalDialogFromResourceExchangesItsValuesOnOk)
{
    ValuesDialog dlg;
    CString shownName;
    CString caption;
    dlg.onInit = [&](ValuesDialog& d) {
        d.GetDlgItemText(IDC_NAME, shownName);
        d.GetWindowText(caption);
        d.SetDlgItemText(IDC_NUMBER, L" 42 ");
        d.SetDlgItemText(IDC_NAME, L"第二路");
        d.CheckDlgButton(IDC_FLAG, BST_UNCHECKED);
        d.PostMessage(WM_COMMAND, IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_STREQ(shownName, L"初始");
    EXPECT_STREQ(caption, L"数值");
    EXPECT_EQ(dlg.number, 42);
    EXPECT_STREQ(dlg.name, L"第二路");
    EXPECT_EQ(dlg.flag, 0);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(WindowDialog, CancelLeavesTheValuesAlone)
{
    ValuesDialog dlg;
    dlg.onInit = [](ValuesDialog& d) {
        d.SetDlgItemText(IDC_NUMBER, L"77");
        d.PostMessage(WM_COMMAND, IDCANCEL);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.number, 3);
}

TEST(WindowDialog, RefusedValueKeepsTheDialogOpenWithTheFocusOnTheControl)
{
    ValuesDialog dlg;
    HWND focusAtBox = nullptr;
    HWND numberEdit = nullptr;
    int boxes = 0;
    MessageBoxRecorder boxesSeen([&](const std::wstring&) {
        ++boxes;
        // Answering the second box: the value was put right and OK is pressed again.
        focusAtBox = ::GetFocus();
        dlg.SetDlgItemText(IDC_NUMBER, boxes == 1 ? L"500" : L"64");
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    dlg.onInit = [&](ValuesDialog& d) {
        numberEdit = ::GetDlgItem(d.m_hWnd, IDC_NUMBER);
        d.SetDlgItemText(IDC_NUMBER, L"abc");
        d.PostMessage(WM_COMMAND, IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(boxesSeen.texts.size(), 2u);
    EXPECT_EQ(boxesSeen.texts[0], L"Please enter an integer.");
    EXPECT_EQ(boxesSeen.texts[1], L"Please enter a value between 1 and 100.");
    EXPECT_EQ(focusAtBox, numberEdit);
    EXPECT_EQ(dlg.number, 64);
}

namespace {

class NumberPage : public CPropertyPage {
public:
    NumberPage() : CPropertyPage(IDD_PAGE_ONE) {}
    int number = 10;
    int applied = 0;
    std::function<void(NumberPage&)> onInit;
    // A settings page's loader and saver: they run without a window.
    void Load(int stored) { number = stored; }
    int Save() const { return number; }

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_NUMBER, number);
        DDV_MinMaxInt(pDX, number, 1, 100);
    }
    BOOL OnInitDialog() override
    {
        CPropertyPage::OnInitDialog();
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    void OnOK() override { ++applied; }
};

class FlagPage : public CPropertyPage {
public:
    FlagPage() : CPropertyPage(IDD_PAGE_TWO) {}
};

} // namespace

TEST(WindowPropertySheet, PagesLoadAndSaveWithoutAWindow)
{
    NumberPage page;
    EXPECT_EQ(page.m_hWnd, nullptr);
    page.Load(55);
    EXPECT_EQ(page.Save(), 55);
    EXPECT_FALSE(page.UpdateData(TRUE));   // no window: nothing exchanged, nothing lost
    EXPECT_EQ(page.Save(), 55);
}

TEST(WindowPropertySheet, RefusedPageKeepsTheSheetOpenWithTheFocusOnTheOffendingControl)
{
    NumberPage one;
    FlagPage two;
    CPropertySheet sheet(IDS_SHEET_TITLE);
    sheet.AddPage(&one);
    sheet.AddPage(&two);
    HWND numberEdit = nullptr;
    HWND focusAtBox = nullptr;
    bool sheetOpenAtBox = false;
    MessageBoxRecorder boxes([&](const std::wstring&) {
        focusAtBox = ::GetFocus();
        sheetOpenAtBox = ::IsWindowVisible(sheet.m_hWnd) != FALSE;
        // Put the value right and press OK again.
        ::SetWindowTextW(numberEdit, L"50");
        sheet.PressButton(PSBTN_OK);
    });
    one.onInit = [&](NumberPage& p) {
        numberEdit = ::GetDlgItem(p.m_hWnd, IDC_NUMBER);
        ::SetWindowTextW(numberEdit, L"500");
        // The sheet object gets its window only once the sheet is up; post to the window.
        ::PostMessageW(::GetParent(p.m_hWnd), PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    EXPECT_EQ(sheet.DoModal(), IDOK);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(sheetOpenAtBox);
    EXPECT_EQ(focusAtBox, numberEdit);
    EXPECT_EQ(one.number, 50);
    EXPECT_EQ(one.applied, 1);
    EXPECT_EQ(sheet.m_hWnd, nullptr);
}

TEST(WindowFileDialog, GoesThroughTheReplaceableFunction)
{
    std::vector<std::wstring> filters;
    BOOL wasOpen = FALSE;
    AFX_FILEDIALOG_PROC previous = AfxSetFileDialogProc([&](BOOL open, OPENFILENAMEW* ofn) {
        wasOpen = open;
        for (const wchar_t* p = ofn->lpstrFilter; p && *p; p += wcslen(p) + 1)
            filters.push_back(p);
        EXPECT_STREQ(ofn->lpstrFile, L"start.rvp");
        EXPECT_STREQ(ofn->lpstrDefExt, L"rvp");
        lstrcpyW(ofn->lpstrFile, L"C:\\项目\\节目.rvp");
        return TRUE;
    });
    CFileDialog dlg(FALSE, L"rvp", L"start.rvp", OFN_OVERWRITEPROMPT, L"Projects (*.rvp)|*.rvp|All (*.*)|*.*||");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(wasOpen);
    std::vector<std::wstring> expected = { L"Projects (*.rvp)", L"*.rvp", L"All (*.*)", L"*.*" };
    EXPECT_EQ(filters, expected);
    EXPECT_STREQ(dlg.GetPathName(), L"C:\\项目\\节目.rvp");
    EXPECT_STREQ(dlg.GetFileName(), L"节目.rvp");
    EXPECT_STREQ(dlg.GetFileExt(), L"rvp");
    EXPECT_STREQ(dlg.GetFileTitle(), L"节目");

    AfxSetFileDialogProc([](BOOL, OPENFILENAMEW*) { return FALSE; });
    CFileDialog cancelled(TRUE);
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    AfxSetFileDialogProc(previous);
}

namespace {

class ModelessValues : public ValuesDialog {
public:
    explicit ModelessValues(bool* deleted) : m_deleted(deleted) {}
    ~ModelessValues() override { *m_deleted = true; }

protected:
    void PostNcDestroy() override { delete this; }

private:
    bool* m_deleted;
};

class LoopApp : public CWinApp {
public:
    int exits = 0;
    int ExitInstance() override
    {
        ++exits;
        return CWinApp::ExitInstance();
    }
};

class PingCounter : public CWnd {
public:
    int seen = 0;

protected:
    LRESULT OnPing(WPARAM, LPARAM)
    {
        if (++seen == 3)
            ::PostQuitMessage(5);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PingCounter, CWnd)
    ON_MESSAGE(WM_APP + 9, OnPing)
END_MESSAGE_MAP()

} // namespace

TEST(WindowDialog, ModelessDialogFromResourceHidesOnOkAndDeletesItselfWhenDestroyed)
{
    bool deleted = false;
    auto* dlg = new ModelessValues(&deleted);
    ASSERT_TRUE(dlg->Create(IDD_VALUES));
    HWND hWnd = dlg->m_hWnd;
    EXPECT_EQ(::GetDlgItemInt(hWnd, IDC_NUMBER, nullptr, TRUE), 3u);   // OnInitDialog filled it
    dlg->ShowWindow(SW_SHOW);
    ::SetDlgItemTextW(hWnd, IDC_NUMBER, L"9");
    dlg->SendMessage(WM_COMMAND, IDOK);
    EXPECT_FALSE(::IsWindowVisible(hWnd));
    EXPECT_EQ(dlg->number, 9);
    EXPECT_FALSE(deleted);
    dlg->DestroyWindow();
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST(WindowApplication, RunPumpsUntilQuitAndReturnsTheExitCode)
{
    LoopApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    PingCounter wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    for (int i = 0; i < 3; ++i)
        wnd.PostMessage(WM_APP + 9);
    EXPECT_EQ(app.Run(), 5);
    EXPECT_EQ(wnd.seen, 3);
    EXPECT_EQ(app.exits, 1);
    wnd.DestroyWindow();
}
