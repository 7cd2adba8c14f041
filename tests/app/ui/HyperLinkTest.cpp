// The hyperlink control.
#include "app/ui/HyperLink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> g_opened;
std::vector<UINT> g_beeps;
INT_PTR g_shellResult = 42;

HINSTANCE RecordOpen(HWND, LPCWSTR target)
{
    g_opened.push_back(target);
    return reinterpret_cast<HINSTANCE>(g_shellResult);
}

void RecordBeep(UINT type)
{
    g_beeps.push_back(type);
}

class ShellRecorder {
public:
    ShellRecorder()
    {
        g_opened.clear();
        g_beeps.clear();
        g_shellResult = 42;
        m_open = CHyperLink::SetShellOpenFunction(&RecordOpen);
        m_beep = CHyperLink::SetBeepFunction(&RecordBeep);
    }
    ~ShellRecorder()
    {
        CHyperLink::SetShellOpenFunction(m_open);
        CHyperLink::SetBeepFunction(m_beep);
    }

private:
    CHyperLink::ShellOpenFunc m_open;
    CHyperLink::BeepFunc m_beep;
};

class Host : public CWnd {
public:
    Host()
    {
        CreateEx(0, nullptr, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr);
        m_font.CreatePointFont(90, L"Tahoma");
    }
    ~Host() override { DestroyWindow(); }
    HWND AddStatic(LPCWSTR text, DWORD style, const RECT& rc, UINT id)
    {
        HWND h = ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, rc.left, rc.top,
                                   rc.right - rc.left, rc.bottom - rc.top, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.m_hObject), FALSE);
        return h;
    }
    CFont m_font;
};

void Click(CWnd& wnd)
{
    wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    wnd.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

} // namespace

TEST(HyperLink, ChoosesItsTextColourFromItsState)
{
    const COLORREF link = RGB(0, 0, 255), active = RGB(0, 128, 128), visited = RGB(128, 0, 128),
                   hover = RGB(255, 0, 0);
    struct Case {
        BOOL over, active, visited;
        DWORD style;
        COLORREF colour;
    } cases[] = {
        { FALSE, FALSE, FALSE, 0, link },
        { FALSE, FALSE, TRUE, 0, visited },
        { FALSE, TRUE, FALSE, 0, active },
        { FALSE, TRUE, TRUE, 0, active },
        { FALSE, TRUE, TRUE, CHyperLink::StyleNoActiveColour, visited },
        { TRUE, TRUE, FALSE, CHyperLink::StyleUseHover, hover },
        { TRUE, FALSE, FALSE, 0, link },   // hover colour only with its style
    };
    for (const Case& c : cases)
        EXPECT_EQ(CHyperLink::ChooseColour(c.over, c.active, c.visited, c.style), c.colour)
            << c.over << c.active << c.visited << c.style;
}

TEST(HyperLink, ChangeStyleRefusesOverlappingSets)
{
    CHyperLink link;
    EXPECT_EQ(link.GetStyleFlags(), 0x14u);
    EXPECT_FALSE(link.ChangeStyle(0x01, 0x01));
    EXPECT_EQ(link.GetStyleFlags(), 0x14u);
    EXPECT_TRUE(link.ChangeStyle(0x10, 0x03));
    EXPECT_EQ(link.GetStyleFlags(), 0x07u);
}

TEST(HyperLink, TextAndTargetFillEachOther)
{
    Host host;
    CHyperLink noText;
    noText.SetTarget(L"http://example.org/");
    ASSERT_TRUE(noText.SubclassWindow(host.AddStatic(L"", 0, CRect(0, 0, 200, 20), 10)));
    CString text;
    noText.GetWindowText(text);
    EXPECT_STREQ(text, L"http://example.org/");

    CHyperLink noTarget;
    ASSERT_TRUE(noTarget.SubclassWindow(host.AddStatic(L"文本目标", 0, CRect(0, 30, 200, 50), 11)));
    EXPECT_STREQ(noTarget.GetTarget(), L"文本目标");
    EXPECT_STREQ(noTarget.GetToolTip().GetText(&noTarget, CHyperLink::kToolId), L"文本目标");
    noTarget.SetTarget(L"mailto:a@b.example");
    EXPECT_STREQ(noTarget.GetToolTip().GetText(&noTarget, CHyperLink::kToolId), L"mailto:a@b.example");
}

TEST(HyperLink, AutoSizeKeepsTheAlignedEdge)
{
    Host host;
    struct Case {
        DWORD style;
        const char* what;
    } cases[] = { { SS_LEFT, "left" }, { SS_RIGHT, "right" }, { SS_CENTER, "centre" } };
    UINT id = 20;
    for (const Case& c : cases) {
        const CRect start(10, 10, 210, 40);
        CHyperLink link;
        ASSERT_TRUE(link.SubclassWindow(host.AddStatic(L"short", c.style, start, id++)));
        CRect rc;
        link.GetWindowRect(rc);
        host.ScreenToClient(rc);
        EXPECT_LT(rc.Width(), start.Width()) << c.what;
        EXPECT_LT(rc.Height(), start.Height()) << c.what;
        EXPECT_EQ(rc.top, start.top) << c.what;
        if (c.style == SS_LEFT) {
            EXPECT_EQ(rc.left, start.left) << c.what;
        } else if (c.style == SS_RIGHT) {
            EXPECT_EQ(rc.right, start.right) << c.what;
        } else {
            EXPECT_LE(std::abs(rc.CenterPoint().x - start.CenterPoint().x), 1) << c.what;
        }
        link.DestroyWindow();
    }
}

TEST(HyperLink, ClickOrSpaceOpensTheTargetAndMarksItVisited)
{
    ShellRecorder shell;
    Host host;
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(host.AddStatic(L"http://example.org/", 0, CRect(0, 0, 200, 20), 30)));
    EXPECT_EQ(link.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(2, 2)), HTCLIENT);
    Click(link);
    EXPECT_EQ(g_opened, std::vector<std::wstring>{ L"http://example.org/" });
    EXPECT_TRUE(link.GetVisitedFlag());
    EXPECT_EQ(::GetFocus(), link.m_hWnd);   // style 0x10: the click takes the focus
    EXPECT_TRUE(link.IsActive());

    link.SendMessage(WM_KEYDOWN, VK_SPACE);
    link.SendMessage(WM_KEYDOWN, 'X');
    EXPECT_EQ(g_opened.size(), 2u);
    EXPECT_TRUE(g_beeps.empty());

    // The reflected control colour paints it visited, with no background of its own.
    HDC dc = ::GetDC(link.m_hWnd);
    link.SendMessage(WM_KILLFOCUS);
    LRESULT brush = host.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), ::GetStockObject(NULL_BRUSH));
    EXPECT_EQ(::GetTextColor(dc), RGB(128, 0, 128));
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    ::ReleaseDC(link.m_hWnd, dc);
}

TEST(HyperLink, ATargetThatCannotBeOpenedBeepsAndStaysUnvisited)
{
    ShellRecorder shell;
    g_shellResult = 2;   // the shell's "file not found"
    Host host;
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(host.AddStatic(L"nowhere", 0, CRect(0, 0, 200, 20), 31)));
    Click(link);
    EXPECT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_beeps, std::vector<UINT>{ MB_ICONEXCLAMATION });
    EXPECT_FALSE(link.GetVisitedFlag());
}

TEST(HyperLink, OpensOnTheDownClickWithThatStyle)
{
    ShellRecorder shell;
    Host host;
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(host.AddStatic(L"down", 0, CRect(0, 0, 200, 20), 32)));
    link.ChangeStyle(0, CHyperLink::StyleDownClick);
    link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(g_opened.size(), 1u);
    link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(g_opened.size(), 1u);
}

TEST(HyperLink, ClassCursorFallsBackToTheSystemHand)
{
    CHyperLink::SetClassCursor(nullptr);
    EXPECT_NE(CHyperLink::GetClassCursor(), nullptr);
}
