// Message maps, command routing, update-UI, reflection and the pre-translate walk.
#include <afxwin.h>
#include <afxcmn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kBaseOnly = WM_APP + 1;
constexpr UINT kDerivedOnly = WM_APP + 2;
constexpr UINT kBoth = WM_APP + 3;

class BaseWnd : public CWnd {
public:
    std::vector<std::string> log;

protected:
    LRESULT OnBaseOnly(WPARAM wp, LPARAM) { log.push_back("base-only " + std::to_string(wp)); return 11; }
    LRESULT OnBothInBase(WPARAM, LPARAM) { log.push_back("both in base"); return 12; }
    void OnCommandRange(UINT id) { log.push_back("range " + std::to_string(id)); }
    void OnTimer(UINT_PTR id) { log.push_back("timer " + std::to_string(id)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    ON_MESSAGE(kBaseOnly, OnBaseOnly)
    ON_MESSAGE(kBoth, OnBothInBase)
    ON_COMMAND_RANGE(300, 305, OnCommandRange)
    ON_WM_TIMER()
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
protected:
    LRESULT OnDerivedOnly(WPARAM, LPARAM) { log.push_back("derived-only"); return 21; }
    LRESULT OnBothInDerived(WPARAM, LPARAM) { log.push_back("both in derived"); return 22; }
    void OnThree() { log.push_back("command 303"); }
    void OnClicked() { log.push_back("clicked"); }
    void OnUpdateDisabled(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(ui->m_nID == 401); }
    void OnInitMenuPopup(CMenu* popup, UINT, BOOL sysMenu)
    {
        if (!sysMenu)
            AfxUpdateMenuCmdUI(this, popup, TRUE);
    }
    void OnCommand400() {}
    void OnCommand401() {}
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    ON_MESSAGE(kDerivedOnly, OnDerivedOnly)
    ON_MESSAGE(kBoth, OnBothInDerived)
    // The single-id entry comes first in the derived map, so it wins over the base's range.
    ON_COMMAND(303, OnThree)
    ON_BN_CLICKED(77, OnClicked)
    ON_COMMAND(400, OnCommand400)
    ON_COMMAND(401, OnCommand401)
    ON_UPDATE_COMMAND_UI(400, OnUpdateDisabled)
    ON_UPDATE_COMMAND_UI_RANGE(401, 402, OnUpdateChecked)
    ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

BOOL CreateTopLevel(CWnd& wnd, LPCWSTR title = L"test")
{
    return wnd.CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr);
}

void DrainMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!AfxPumpMessage())
            break;
    }
}

} // namespace

TEST(WindowMessageMap, DispatchesThroughTheClassChainDerivedFirst)
{
    DerivedWnd wnd;
    ASSERT_TRUE(CreateTopLevel(wnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);

    EXPECT_EQ(wnd.SendMessage(kBaseOnly, 5), 11);
    EXPECT_EQ(wnd.SendMessage(kDerivedOnly), 21);
    EXPECT_EQ(wnd.SendMessage(kBoth), 22);
    // Unmapped messages get the default procedure.
    EXPECT_EQ(wnd.SendMessage(WM_APP + 50), 0);

    // Commands: a range entry reports the id; a more specific derived entry wins.
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(301, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(303, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(305, 1), 0);   // from an accelerator
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(306, 0), 0);   // out of range: nobody
    wnd.SendMessage(WM_TIMER, 9, 0);
    std::vector<std::string> expected = { "base-only 5", "derived-only", "both in derived", "range 301",
                                          "command 303", "range 305", "timer 9" };
    EXPECT_EQ(wnd.log, expected);

    // A button's click notification reaches the parent's ON_BN_CLICKED.
    CButton button;
    ASSERT_TRUE(button.Create(L"b", WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 40, 20), &wnd, 77));
    wnd.log.clear();
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(wnd.log, std::vector<std::string>{ "clicked" });

    HWND hWnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST(WindowMessageMap, UpdateHandlersSetThePopupMenuStates)
{
    DerivedWnd wnd;
    ASSERT_TRUE(CreateTopLevel(wnd));
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_STRING, 400, L"disabled by its handler");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, 401, L"checked");
    menu.AppendMenu(MF_STRING, 402, L"unchecked");
    menu.AppendMenu(MF_STRING, 303, L"handled, no update handler");
    menu.AppendMenu(MF_STRING, 499, L"no handler at all");
    menu.CheckMenuItem(402, MF_CHECKED);

    wnd.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu.m_hMenu), 0);

    auto state = [&](UINT id) { return menu.GetMenuState(id, MF_BYCOMMAND); };
    EXPECT_TRUE(state(400) & MF_GRAYED);
    EXPECT_TRUE(state(401) & MF_CHECKED);
    EXPECT_FALSE(state(402) & MF_CHECKED);
    EXPECT_FALSE(state(401) & MF_GRAYED);
    EXPECT_FALSE(state(303) & MF_GRAYED);
    EXPECT_TRUE(state(499) & MF_GRAYED);
    wnd.DestroyWindow();
}

namespace {

// A custom-drawn track bar: the parent's NM_CUSTOMDRAW comes back to it.
class DrawnSlider : public CSliderCtrl {
public:
    int customDraws = 0;

protected:
    void OnCustomDraw(NMHDR* nmhdr, LRESULT* result)
    {
        ++customDraws;
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(nmhdr);
        *result = cd->dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DrawnSlider, CSliderCtrl)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
END_MESSAGE_MAP()

class ColouredStatic : public CStatic {
public:
    CBrush brush{ RGB(1, 2, 3) };
    UINT lastKind = 99;

protected:
    HBRUSH CtlColor(CDC* dc, UINT kind)
    {
        lastKind = kind;
        dc->SetTextColor(RGB(200, 0, 0));
        return brush;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ColouredStatic, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class OwnerDrawn : public CButton {
public:
    int draws = 0;
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        ++draws;
        ::FillRect(dis->hDC, &dis->rcItem, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
};

class ParentWnd : public CWnd {
public:
    int parentNotifies = 0;

protected:
    void OnOtherNotify(NMHDR*, LRESULT* result)
    {
        ++parentNotifies;
        *result = 5;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ParentWnd, CWnd)
    ON_NOTIFY(NM_CLICK, 12, OnOtherNotify)
END_MESSAGE_MAP()

} // namespace

TEST(WindowReflection, ChildNotificationsReachTheControls)
{
    ParentWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    DrawnSlider slider;
    ASSERT_TRUE(slider.Create(WS_VISIBLE | TBS_HORZ, CRect(0, 0, 200, 30), &parent, 11));
    ColouredStatic label;
    ASSERT_TRUE(label.Create(L"label", WS_VISIBLE, CRect(0, 40, 100, 60), &parent, 13));
    OwnerDrawn button;
    ASSERT_TRUE(button.Create(L"", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 70, 40, 90), &parent, 14));

    // Custom draw of the track bar while it paints.
    slider.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(slider.customDraws, 0);

    // Control colour: the static's own brush comes back from the parent.
    HDC dc = ::GetDC(label.m_hWnd);
    LRESULT brush = parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), static_cast<HBRUSH>(label.brush));
    EXPECT_EQ(label.lastKind, static_cast<UINT>(CTLCOLOR_STATIC));
    EXPECT_EQ(::GetTextColor(dc), RGB(200, 0, 0));
    ::ReleaseDC(label.m_hWnd, dc);

    // Owner draw reaches the button's DrawItem.
    button.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(button.draws, 0);

    // A notification the control does not reflect goes to the parent's map with its result.
    NMHDR hdr = { slider.m_hWnd, 12, static_cast<UINT>(NM_CLICK) };
    EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 12, reinterpret_cast<LPARAM>(&hdr)), 5);
    EXPECT_EQ(parent.parentNotifies, 1);
    parent.DestroyWindow();
    EXPECT_EQ(slider.m_hWnd, nullptr);   // children detach when their windows go
}

namespace {

std::vector<std::string>* g_order = nullptr;

class RecordingEdit : public CWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN)
            g_order->push_back("edit");
        return FALSE;
    }
};

class RecordingPanel : public CWnd {
public:
    BOOL swallow = FALSE;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN)
            g_order->push_back("panel");
        return swallow;
    }
};

class RecordingDialog : public CDialog {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN)
            g_order->push_back("dialog");
        return CDialog::PreTranslateMessage(msg);
    }
};

class FilterApp : public CWinApp {
public:
    BOOL ProcessMessageFilter(int code, LPMSG msg) override
    {
        if (msg->message == WM_KEYDOWN && code == MSGF_DIALOGBOX)
            g_order->push_back("application filter");
        return CWinApp::ProcessMessageFilter(code, msg);
    }
};

// A dialog template built in memory: one panel with an edit box inside it.
struct EmptyTemplate {
    DLGTEMPLATE dlg;
    WORD menu, cls, title;
};

} // namespace

TEST(WindowPreTranslate, ChildSeesAKeyBeforeItsParentsTheDialogAndTheApplicationFilter)
{
    std::vector<std::string> order;
    g_order = &order;
    FilterApp app;
    EmptyTemplate tmpl = {};
    tmpl.dlg.style = WS_POPUP | WS_VISIBLE;
    tmpl.dlg.cx = 100;
    tmpl.dlg.cy = 60;
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(&tmpl.dlg));
    app.m_pMainWnd = &dialog;
    RecordingPanel panel;
    ASSERT_TRUE(panel.Create(nullptr, L"", WS_VISIBLE | WS_CHILD, CRect(0, 0, 100, 50), &dialog, 20));
    RecordingEdit edit;
    ASSERT_TRUE(edit.CreateEx(0, L"EDIT", L"", WS_VISIBLE | WS_CHILD, CRect(0, 0, 80, 20), &panel, 21));

    ::PostMessageW(edit.m_hWnd, WM_KEYDOWN, 'A', 0);
    DrainMessages();
    std::vector<std::string> expected = { "edit", "panel", "dialog", "application filter" };
    EXPECT_EQ(order, expected);

    // A window on the way that handles the key ends the walk.
    order.clear();
    panel.swallow = TRUE;
    ::PostMessageW(edit.m_hWnd, WM_KEYDOWN, 'B', 0);
    DrainMessages();
    expected = { "edit", "panel" };
    EXPECT_EQ(order, expected);

    app.m_pMainWnd = nullptr;
    dialog.DestroyWindow();
    g_order = nullptr;
}

namespace {

class SelfDeleting : public CWnd {
public:
    explicit SelfDeleting(bool* deleted) : m_deleted(deleted) {}
    ~SelfDeleting() override { *m_deleted = true; }

protected:
    void PostNcDestroy() override { delete this; }

private:
    bool* m_deleted;
};

} // namespace

TEST(WindowLifetime, ModelessWindowDeletesItselfWhenItsWindowGoes)
{
    bool deleted = false;
    auto* wnd = new SelfDeleting(&deleted);
    ASSERT_TRUE(CreateTopLevel(*wnd));
    HWND hWnd = wnd->m_hWnd;
    ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    DrainMessages();
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST(WindowLifetime, SubclassingRunsPreSubclassWindowAndTemporaryWrappersAreFreed)
{
    struct Watching : CWnd {
        int preSubclass = 0;
        void PreSubclassWindow() override { ++preSubclass; }
    };
    HWND raw = ::CreateWindowExW(0, L"STATIC", L"raw", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(raw, nullptr);
    CWnd* temp = CWnd::FromHandle(raw);
    EXPECT_EQ(CWnd::FromHandle(raw), temp);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);

    Watching w;
    ASSERT_TRUE(w.SubclassWindow(raw));
    EXPECT_EQ(w.preSubclass, 1);
    EXPECT_EQ(CWnd::FromHandle(raw), &w);
    CString text;
    w.GetWindowText(text);
    EXPECT_STREQ(text, L"raw");   // the static's own procedure still answers
    AfxDeleteTempObjects();
    EXPECT_EQ(CWnd::FromHandle(raw), &w);
    w.DestroyWindow();
    EXPECT_FALSE(::IsWindow(raw));
}

namespace {

class MenuOwner : public DerivedWnd {
public:
    UINT stateOf400 = 0;
    UINT stateOf401 = 0;
    int initCalls = 0;

protected:
    void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu)
    {
        DerivedWnd::OnInitMenuPopup(popup, index, sysMenu);
        ++initCalls;
        stateOf400 = popup->GetMenuState(400, MF_BYCOMMAND);
        stateOf401 = popup->GetMenuState(401, MF_BYCOMMAND);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MenuOwner, DerivedWnd)
    ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

} // namespace

TEST(WindowMessageMap, APopupMenuOpenedForRealRunsTheUpdateHandlers)
{
    MenuOwner owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    owner.SetForegroundWindow();
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_STRING, 400, L"a");
    menu.AppendMenu(MF_STRING, 401, L"b");
    // The menu's own loop reads the queued Escape and closes again.
    owner.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0);
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RETURNCMD, 10, 10, &owner);
    EXPECT_EQ(owner.initCalls, 1);
    EXPECT_TRUE(owner.stateOf400 & MF_GRAYED);
    EXPECT_TRUE(owner.stateOf401 & MF_CHECKED);
    owner.DestroyWindow();
}
