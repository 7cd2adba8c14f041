// The about box, built from its dialog resource and run modally.
#include "app/ui/AboutDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/app/ui/ScreenshotPng.h"

namespace {

std::vector<std::wstring> g_opened;
std::vector<UINT> g_beeps;

HINSTANCE RecordOpen(HWND, LPCWSTR target)
{
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

void RecordBeep(UINT type)
{
    g_beeps.push_back(type);
}

constexpr UINT kShown = WM_APP + 7;

// Looks at the box once it is up and painted, then closes it with a posted OK.
class WatchedAboutDlg : public CAboutDlg {
public:
    std::function<void(WatchedAboutDlg&)> onShown;

protected:
    BOOL OnInitDialog() override
    {
        BOOL result = CAboutDlg::OnInitDialog();
        PostMessage(kShown);
        return result;
    }
    LRESULT OnShown(WPARAM, LPARAM)
    {
        if (onShown)
            onShown(*this);
        PostMessage(WM_COMMAND, IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(WatchedAboutDlg, CAboutDlg)
    ON_MESSAGE(kShown, OnShown)
END_MESSAGE_MAP()

void Click(CWnd& wnd)
{
    wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    wnd.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

} // namespace

TEST(AboutBox, ShowsItsFourLinksAndOpensTheirTargets)
{
    g_opened.clear();
    g_beeps.clear();
    auto previousOpen = CHyperLink::SetShellOpenFunction(&RecordOpen);
    auto previousBeep = CHyperLink::SetBeepFunction(&RecordBeep);

    WatchedAboutDlg dlg;
    CString caption;
    CString version;
    std::vector<CString> targets;
    bool hasIcon = false;
    bool visible = false;
    int linkPixels = 0;
    dlg.onShown = [&](WatchedAboutDlg& d) {
        d.GetWindowText(caption);
        d.GetDlgItemText(IDC_ABOUT_VERSION, version);
        targets = { d.m_linkWeb.GetTarget(), d.m_linkSupport.GetTarget(), d.m_linkMail.GetTarget(),
                    d.m_linkMail2.GetTarget() };
        HWND icon = ::GetWindow(d.m_hWnd, GW_CHILD);
        hasIcon = icon && ::SendMessageW(icon, STM_GETICON, 0, 0) != 0;
        // The empty links have no target: clicking them does nothing at all.
        Click(d.m_linkSupport);
        Click(d.m_linkMail2);
        Click(d.m_linkWeb);
        Click(d.m_linkMail);
        visible = d.IsWindowVisible() != FALSE;
        Pixels shot = CaptureScreen(d.m_hWnd);
        SavePng(shot, L"about_box.png");
        // The web link is drawn in the link colour, the visited one now.
        CRect link;
        d.m_linkWeb.GetWindowRect(link);
        CRect box;
        d.GetWindowRect(box);
        link.OffsetRect(-box.left, -box.top);
        for (int y = link.top; y < link.bottom; ++y)
            for (int x = link.left; x < link.right; ++x)
                linkPixels += shot.At(x, y) == RGB(128, 0, 128) ? 1 : 0;
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);

    EXPECT_STREQ(caption, L"关于 Ravelmixer");
    EXPECT_NE(std::wstring(version.GetString()).find(RVX_BUILD_VERSION_TEXT), std::wstring::npos);
    EXPECT_TRUE(hasIcon);
    EXPECT_TRUE(visible);
    EXPECT_GT(linkPixels, 10);
    ASSERT_EQ(targets.size(), 4u);
    EXPECT_STREQ(targets[0], L"http://www.ravelmixer.example/");
    EXPECT_STREQ(targets[1], L"");
    EXPECT_STREQ(targets[2], L"mailto:support@ravelmixer.example");
    EXPECT_STREQ(targets[3], L"");
    std::vector<std::wstring> expected = { L"http://www.ravelmixer.example/", L"mailto:support@ravelmixer.example" };
    EXPECT_EQ(g_opened, expected);
    EXPECT_TRUE(g_beeps.empty());

    CHyperLink::SetShellOpenFunction(previousOpen);
    CHyperLink::SetBeepFunction(previousBeep);
}
