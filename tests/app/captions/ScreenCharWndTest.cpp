// The subtitle line window on a real window under Xvfb, its timer ticked by hand: lines read
// from text files built byte by byte, automatic and manual publishing, what the parent gets
// with WM_CAPTION_BITMAP while the call lasts, and the in-place edit rules.
#include "app/captions/ScreenCharWnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/DeskMessages.h"

namespace {

// The parent: writes down what the window sends it, reading the bitmap while the call lasts.
struct Sent {
    bool shown;       // a device context came with it
    int width, height; // from lParam
    int bitmapWidth, bitmapHeight;
    COLORREF corner;
};

std::vector<Sent> g_sent;
int g_autoEnded = 0;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CAPTION_BITMAP) {
        Sent s = {wParam != 0, int(lParam & 0xFFFF), int(DWORD(lParam) >> 16), 0, 0, CLR_INVALID};
        if (wParam) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            BITMAP bm = {};
            ::GetObjectW(::GetCurrentObject(dc, OBJ_BITMAP), sizeof(bm), &bm);
            s.bitmapWidth = bm.bmWidth;
            s.bitmapHeight = bm.bmHeight;
            s.corner = ::GetPixel(dc, 0, 0);
        }
        g_sent.push_back(s);
        return 0;
    }
    if (message == WM_SUBTITLE_AUTO_ENDED) {
        ++g_autoEnded;
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// The window with its timer replaced by a record of what it asked for.
class CTestScreenCharWnd : public CScreenCharWnd {
public:
    UINT started = 0;
    int starts = 0, stops = 0;
    bool running = false;
    void Tick() { SendMessage(WM_TIMER, kAutoTimer); }

protected:
    void StartTicker(UINT periodMs) override
    {
        started = periodMs;
        ++starts;
        running = true;
    }
    void StopTicker() override
    {
        ++stops;
        running = false;
    }
};

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::wstring WriteFile(const wchar_t* name, const std::string& bytes)
{
    const std::wstring path = TempPath(name);
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    ::CloseHandle(h);
    return path;
}

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

class ScreenCharWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RvxSubtitleParent";
        ::RegisterClassW(&wc);
        m_parent = ::CreateWindowExW(0, wc.lpszClassName, L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420,
                                     320, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_parent);
        const RECT place = {10, 10, 390, 270};
        ASSERT_TRUE(m_wnd.Create(place, CWnd::FromHandle(m_parent), 1062));
        m_style.SetDefault();
        m_style.font.lfHeight = 24;
        m_style.textColour = 0x000000;
        m_style.backgroundColour = 0x00FF00;
        g_sent.clear();
        g_autoEnded = 0;
    }
    void TearDown() override
    {
        m_wnd.DestroyWindow();
        ::DestroyWindow(m_parent);
    }
    std::vector<std::wstring> Lines()
    {
        std::vector<std::wstring> out;
        for (int i = 0; i < m_wnd.GetList().GetItemCount(); ++i)
            out.push_back(std::wstring(m_wnd.GetList().GetItemText(i, 0)));
        return out;
    }
    void Fill(const std::vector<std::wstring>& lines)
    {
        m_wnd.GetList().DeleteAllItems();
        for (const std::wstring& l : lines)
            m_wnd.GetList().InsertItem(m_wnd.GetList().GetItemCount(), l.c_str());
    }
    // What the list reports for a click at a point of its client area.
    void ClickList(POINT at)
    {
        NMITEMACTIVATE n = {};
        n.hdr.hwndFrom = m_wnd.GetList().m_hWnd;
        n.hdr.idFrom = CScreenCharWnd::kListId;
        n.hdr.code = NM_CLICK;
        n.iItem = -1;
        n.ptAction = at;
        m_wnd.SendMessage(WM_NOTIFY, CScreenCharWnd::kListId, reinterpret_cast<LPARAM>(&n));
    }
    void DoubleClickLine(int item)
    {
        NMITEMACTIVATE n = {};
        n.hdr.hwndFrom = m_wnd.GetList().m_hWnd;
        n.hdr.idFrom = CScreenCharWnd::kListId;
        n.hdr.code = NM_DBLCLK;
        n.iItem = item;
        m_wnd.SendMessage(WM_NOTIFY, CScreenCharWnd::kListId, reinterpret_cast<LPARAM>(&n));
    }
    void CancelEdit()
    {
        HWND edit = reinterpret_cast<HWND>(m_wnd.GetList().SendMessage(LVM_GETEDITCONTROL));
        ASSERT_TRUE(edit);
        ::SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        Pump();
    }

    HWND m_parent = nullptr;
    CTestScreenCharWnd m_wnd;
    CharTextStyle m_style;
};

} // namespace

TEST_F(ScreenCharWndTest, TextFilesGiveTheirNonEmptyLinesUpToTheFirstOverlongOne)
{
    const std::string longest(1024, 'x');
    struct Case {
        const char* name;
        std::string bytes;
        UINT codePage;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {"CRLF, LF, empty lines, last line without end", "one\r\ntwo\n\n\r\nthree", CP_ACP, {L"one", L"two", L"three"}},
        {"third line of 1500 bytes", "a\nb\n" + std::string(1500, 'c') + "\nd\n", CP_ACP, {L"a", L"b"}},
        {"a line of exactly 1024 bytes, CRLF", longest + "\r\nz", CP_ACP,
         {std::wstring(1024, L'x'), L"z"}},
        {"1025 bytes ends the reading", "a\n" + longest + "y\nz", CP_ACP, {L"a"}},
        {"GBK lines", "\xD7\xD6\xC4\xBB\r\n\xB7\xC9\xC4\xBB\xCE\xC4\xB1\xBE\r\n", 936, {L"字幕", L"飞幕文本"}},
        {"empty file", "", CP_ACP, {}},
    };
    // A double-byte character across the reader's 64 KiB piece boundary: 63 lines of 1024 bytes
    // and "b\n" put the last line at 64514, so its character takes bytes 65535 and 65536.
    std::string straddling;
    std::vector<std::wstring> straddlingLines;
    for (int i = 0; i < 63; ++i) {
        straddling += std::string(1023, 'a') + "\n";
        straddlingLines.push_back(std::wstring(1023, L'a'));
    }
    straddling += "b\n" + std::string(1021, 'a') + "\xD7\xD6";
    straddlingLines.push_back(L"b");
    straddlingLines.push_back(std::wstring(1021, L'a') + L"字");
    ASSERT_EQ(65535u, straddling.size() - 2);
    const Case boundary = {"GBK character across the piece boundary", straddling, 936, straddlingLines};
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back(boundary);
    for (const Case& c : all) {
        Fill({L"old"});
        const std::wstring path = WriteFile(L"rvx_subtitles.txt", c.bytes);
        EXPECT_TRUE(m_wnd.LoadTextFile(path.c_str(), c.codePage)) << c.name;
        EXPECT_EQ(c.lines, Lines()) << c.name;
        ::DeleteFileW(path.c_str());
    }
    Fill({L"kept"});
    EXPECT_FALSE(m_wnd.LoadTextFile(TempPath(L"rvx_no_such_subtitles.txt").c_str()));
    EXPECT_EQ(std::vector<std::wstring>{L"kept"}, Lines());
}

TEST_F(ScreenCharWndTest, AutomaticPublishingShowsALinePerTickAndEndsByItselfTellingTheParent)
{
    m_wnd.SetStyle(&m_style);
    Fill({L"first", L"second", L"third"});
    m_wnd.SetManualMode(true);
    m_wnd.SetAutoMode(true, 2.5);
    EXPECT_FALSE(m_wnd.IsManualMode());
    EXPECT_TRUE(m_wnd.running);
    EXPECT_EQ(2500u, m_wnd.started);
    EXPECT_EQ(L"first", std::wstring(m_wnd.GetCurrentText()));
    m_wnd.Tick();
    EXPECT_EQ(L"second", std::wstring(m_wnd.GetCurrentText()));
    m_wnd.Tick();
    EXPECT_EQ(L"third", std::wstring(m_wnd.GetCurrentText()));
    EXPECT_TRUE(Lines().empty());
    ASSERT_EQ(3u, g_sent.size());
    for (const Sent& s : g_sent)
        EXPECT_TRUE(s.shown);
    EXPECT_EQ(0, g_autoEnded);

    m_wnd.Tick(); // the list ran out: the subtitle goes and the mode ends
    ASSERT_EQ(4u, g_sent.size());
    EXPECT_FALSE(g_sent.back().shown);
    EXPECT_EQ(0, g_sent.back().width);
    EXPECT_FALSE(m_wnd.IsAutoMode());
    EXPECT_FALSE(m_wnd.running);
    EXPECT_EQ(1, g_autoEnded);
    m_wnd.Tick(); // a tick queued before the end does nothing
    EXPECT_EQ(4u, g_sent.size());

    Fill({L"again"});
    m_wnd.SetAutoMode(true, 0); // keeps the period
    EXPECT_EQ(2500u, m_wnd.started);
    m_wnd.SetAutoMode(true, 0.29);
    EXPECT_EQ(290u, m_wnd.started);
    m_wnd.SetManualMode(true); // manual ends automatic
    EXPECT_FALSE(m_wnd.IsAutoMode());
    EXPECT_FALSE(m_wnd.running);
    EXPECT_EQ(1, g_autoEnded); // switched off by the operator, not by itself
}

TEST_F(ScreenCharWndTest, TheParentGetsAValidBitmapOfTheLineOrAHide)
{
    Fill({L"Line one", L"Line two"});
    m_wnd.SetManualMode(true);
    m_wnd.TakeLine(0);
    EXPECT_TRUE(g_sent.empty()) << "nothing is sent without a style";
    EXPECT_EQ(1u, Lines().size());

    m_wnd.SetStyle(&m_style);
    m_wnd.TakeLine(0);
    ASSERT_EQ(1u, g_sent.size());
    const Sent& s = g_sent[0];
    EXPECT_TRUE(s.shown);
    EXPECT_GT(s.width, 0);
    EXPECT_GT(s.height, 0);
    EXPECT_EQ(s.bitmapWidth, s.width);
    EXPECT_EQ(s.bitmapHeight, s.height);
    EXPECT_EQ(COLORREF(0x00FF00), s.corner) << "the background is drawn";

    struct Case {
        const char* name;
        bool manual;
        int index;
    };
    const Case hides[] = {{"no mode", false, 0}, {"past the end", true, 5}, {"negative", true, -1}};
    for (const Case& c : hides) {
        Fill({L"stays"});
        g_sent.clear();
        m_wnd.SetManualMode(c.manual);
        m_wnd.TakeLine(c.index);
        ASSERT_EQ(1u, g_sent.size()) << c.name;
        EXPECT_FALSE(g_sent[0].shown) << c.name;
        EXPECT_EQ(std::vector<std::wstring>{L"stays"}, Lines()) << c.name;
        EXPECT_TRUE(m_wnd.GetCurrentText().IsEmpty()) << c.name;
    }
}

TEST_F(ScreenCharWndTest, DoubleClickPublishesALineOnlyInManualMode)
{
    m_wnd.SetStyle(&m_style);
    Fill({L"a", L"b", L"c"});
    DoubleClickLine(1);
    EXPECT_EQ(3u, Lines().size());
    m_wnd.SetManualMode(true);
    DoubleClickLine(1);
    EXPECT_EQ(L"b", std::wstring(m_wnd.GetCurrentText()));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"c"}), Lines());
}

TEST_F(ScreenCharWndTest, AClickBelowTheLinesAddsALineToTypeAndACancelledEmptyLineGoes)
{
    Fill({L"existing"});
    const POINT below = {20, 200};

    ClickList(below);
    EXPECT_EQ((std::vector<std::wstring>{L"existing", L""}), Lines());
    CancelEdit();
    EXPECT_EQ(std::vector<std::wstring>{L"existing"}, Lines()) << "the cancelled new line is removed";

    m_wnd.GetList().SetFocus();
    ASSERT_TRUE(m_wnd.GetList().EditLabel(0));
    CancelEdit();
    EXPECT_EQ(std::vector<std::wstring>{L"existing"}, Lines()) << "a cancelled edit keeps an existing line";

    Fill({L"x", L"y"});
    m_wnd.SetStyle(&m_style);
    m_wnd.SetAutoMode(true, 1); // takes "x"
    ClickList(below);
    EXPECT_EQ(std::vector<std::wstring>{L"y"}, Lines()) << "no line is added while publishing automatically";
    m_wnd.GetList().SetFocus();
    EXPECT_FALSE(m_wnd.GetList().EditLabel(0)) << "lines are not edited while publishing automatically";
}
