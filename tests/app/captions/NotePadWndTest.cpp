// The caption canvas on a real window under Xvfb, in a parent that answers with a fixed style
// and timing: the frame geometry, selecting, moving, resizing and typing with the mouse, the
// layer and clipboard commands, loading, and text import.
#include "app/captions/NotePadWnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/captions/CaptionMessages.h"
#include "app/captions/NotePadGeometry.h"
#include "tests/app/captions/PictureFixtures.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

struct ParentState {
    bool answers = true;
    CharTextStyle style;
    int speed = 100;
    std::vector<CCharObject*> selected;
    std::vector<WPARAM> modified;
    std::vector<UINT> commands;
} g_parent;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTEPAD_NEWOBJECT:
        if (g_parent.answers) {
            CCharObject* object = reinterpret_cast<CCharObject*>(wParam);
            object->SetText(g_parent.style, L"1");
            object->SetSpeed(g_parent.speed);
            object->SetStay(60);
            object->SetStartDelay(0);
            object->SetRepeatCount(1);
            object->SetRepeatInterval(0);
            object->SetMotion(1);
        }
        return 0;
    case WM_NOTEPAD_SELECT:
        g_parent.selected.push_back(reinterpret_cast<CCharObject*>(wParam));
        return 0;
    case WM_NOTEPAD_MODIFIED:
        g_parent.modified.push_back(wParam);
        return 0;
    case WM_COMMAND:
        g_parent.commands.push_back(LOWORD(wParam));
        return 0;
    default:
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// The canvas with its context menu answered by the test.
class CTestNotePad : public CNotePadWnd {
public:
    UINT firstItem = 0;     // tells the two sub-menus apart
    bool pasteGrayed = false;
    UINT answer = 0;

protected:
    UINT TrackMenu(HMENU menu, POINT) override
    {
        firstItem = ::GetMenuItemID(menu, 0);
        pasteGrayed = (::GetMenuState(menu, kCmdPaste, MF_BYCOMMAND) & MF_GRAYED) != 0;
        return answer;
    }
};

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::wstring WriteBytes(const wchar_t* name, const std::vector<uint8_t>& bytes)
{
    const std::wstring path = TempPath(name);
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    ::CloseHandle(h);
    return path;
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

bool SameRect(const RECT& a, const RECT& b)
{
    return ::EqualRect(&a, &b) != FALSE;
}

std::string Show(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class NotePadWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RvxCanvasParent";
        ::RegisterClassW(&wc);
        m_parent = ::CreateWindowExW(0, wc.lpszClassName, L"canvas", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                                     320, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_parent);
        const RECT place = {0, 0, 320, 240};
        ASSERT_TRUE(m_pad.Create(place, CWnd::FromHandle(m_parent), 1147));
        g_parent = ParentState();
        g_parent.style.SetDefault();
        g_parent.style.font.lfHeight = 20;
        g_parent.style.textColour = 0x0000FF;
    }
    void TearDown() override
    {
        m_pad.DestroyWindow();
        ::DestroyWindow(m_parent);
    }
    // A text object in the parent's style at a rectangle.
    int AddText(const RECT& r, const wchar_t* text)
    {
        CCharObject* object = new CCharObject;
        object->SetText(g_parent.style, text);
        object->SetSpeed(g_parent.speed);
        object->SetMotion(1);
        object->SetRect(r);
        return m_pad.GetPage().Add(object);
    }
    CCharObject* Object(int i)
    {
        CCharObject* object = nullptr;
        m_pad.GetPage().GetAt(i, &object);
        return object;
    }
    CStringW TextOf(int i)
    {
        CharTextStyle s;
        CStringW t;
        Object(i)->GetText(&s, &t);
        return t;
    }
    void Drag(POINT from, POINT to)
    {
        m_pad.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(from.x, from.y));
        m_pad.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(to.x, to.y));
        m_pad.SendMessage(WM_LBUTTONUP, 0, At(to.x, to.y));
    }
    void Click(POINT at) { Drag(at, at); }
    bool Modified() { return m_pad.IsModified(false); }

    HWND m_parent = nullptr;
    CTestNotePad m_pad;
};

} // namespace

TEST(NotePadGeometryTest, HandlesSizesAndResizes)
{
    using namespace captions;
    const RECT sel = {20, 20, 120, 70}; // framed by (15, 15, 125, 75): 110 x 60
    struct HandleCase {
        int handle;
        RECT square;
        LPCWSTR cursor;
    };
    const HandleCase handles[] = {
        {0, {15, 15, 20, 20}, IDC_SIZENWSE},  {1, {68, 15, 73, 20}, IDC_SIZENS},
        {2, {120, 15, 125, 20}, IDC_SIZENESW}, {3, {120, 43, 125, 48}, IDC_SIZEWE},
        {4, {120, 70, 125, 75}, IDC_SIZENWSE}, {5, {68, 70, 73, 75}, IDC_SIZENS},
        {6, {15, 70, 20, 75}, IDC_SIZENESW},  {7, {15, 43, 20, 48}, IDC_SIZEWE},
    };
    for (const HandleCase& c : handles) {
        EXPECT_TRUE(SameRect(c.square, HandleRect(sel, c.handle))) << c.handle << ": " << Show(HandleRect(sel, c.handle));
        EXPECT_EQ(c.handle, HandleAt(sel, POINT{c.square.left + 2, c.square.top + 2}));
        EXPECT_EQ(c.cursor, HandleCursor(c.handle));
    }
    EXPECT_EQ(-1, HandleAt(sel, POINT{60, 40}));
    EXPECT_TRUE(OnFrameBand(sel, POINT{17, 40}));
    EXPECT_FALSE(OnFrameBand(sel, POINT{60, 40}));
    EXPECT_FALSE(OnFrameBand(sel, POINT{14, 40}));

    struct ResizeCase {
        int handle;
        POINT to;
        RECT expected;
    };
    const ResizeCase resizes[] = {
        {0, {10, 5}, {10, 5, 120, 70}},   {1, {0, 0}, {20, 0, 120, 70}},    {2, {200, 10}, {20, 10, 200, 70}},
        {3, {150, 0}, {20, 20, 150, 70}}, {4, {130, 90}, {20, 20, 130, 90}}, {5, {0, 80}, {20, 20, 120, 80}},
        {6, {0, 100}, {0, 20, 120, 100}}, {7, {200, 0}, {120, 20, 200, 70}}, // past the other edge: normalised
    };
    for (const ResizeCase& c : resizes)
        EXPECT_TRUE(SameRect(c.expected, ResizedRect(sel, c.handle, c.to)))
            << c.handle << ": " << Show(ResizedRect(sel, c.handle, c.to));

    EXPECT_FALSE(ResizeAccepted(RECT{0, 0, 10, 100}));
    EXPECT_TRUE(ResizeAccepted(RECT{0, 0, 11, 11}));
    EXPECT_FALSE(MakesTextBox(RECT{0, 0, 20, 40}));
    EXPECT_TRUE(MakesTextBox(RECT{0, 0, 21, 21}));
}

TEST_F(NotePadWndTest, LeftAndRightClicksPickTheObjectOnTop)
{
    AddText(RECT{10, 10, 110, 60}, L"bottom");
    AddText(RECT{50, 30, 150, 80}, L"top");
    Click(POINT{60, 40});
    EXPECT_EQ(1, m_pad.GetSelected());
    ASSERT_EQ(1u, g_parent.selected.size());
    EXPECT_EQ(Object(1), g_parent.selected[0]);

    Click(POINT{200, 200});
    EXPECT_EQ(-1, m_pad.GetSelected());
    m_pad.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(60, 40));
    EXPECT_EQ(1, m_pad.GetSelected()) << "right click picks the top object too";
    EXPECT_EQ(UINT(CNotePadWnd::kCmdCut), m_pad.firstItem) << "the object menu";
    m_pad.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(300, 220));
    EXPECT_EQ(-1, m_pad.GetSelected());
    EXPECT_EQ(UINT(CNotePadWnd::kCmdNewText), m_pad.firstItem) << "the file menu";
}

TEST_F(NotePadWndTest, MovesAndResizesChangeTheSelectedObjectEvenBesideAnEqualRectangle)
{
    const RECT same = {10, 20, 110, 60};
    AddText(same, L"first");
    AddText(same, L"second");
    Click(POINT{50, 40}); // selects "second", on top
    m_pad.Reorder(CNotePadWnd::kCmdBottom);
    ASSERT_EQ(0, m_pad.GetSelected()) << "the selection follows the object";
    EXPECT_EQ(CStringW(L"second"), TextOf(0));
    m_pad.SetModified(false);

    Drag(POINT{8, 30}, POINT{38, 40}); // dragged by its frame: a click inside would pick the top object
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(SameRect(RECT{40, 30, 140, 70}, Object(0)->GetRect())) << Show(Object(0)->GetRect());
    EXPECT_TRUE(SameRect(same, Object(1)->GetRect())) << "the other object with the old rectangle stays";

    // Handle 4 (bottom-right) of (40, 30, 140, 70) is at (140..145, 70..75).
    Drag(POINT{142, 72}, POINT{50, 130}); // 10 x 100: refused
    EXPECT_TRUE(SameRect(RECT{40, 30, 140, 70}, Object(0)->GetRect())) << Show(Object(0)->GetRect());
    Drag(POINT{142, 72}, POINT{51, 41}); // 11 x 11: taken
    EXPECT_TRUE(SameRect(RECT{40, 30, 51, 41}, Object(0)->GetRect())) << Show(Object(0)->GetRect());
    EXPECT_TRUE(SameRect(same, Object(1)->GetRect()));
}

TEST_F(NotePadWndTest, ARubberBandOpensATextBoxAndItsTextBecomesAnObjectInTheParentsStyle)
{
    Drag(POINT{30, 30}, POINT{50, 70}); // 20 x 40
    EXPECT_FALSE(::IsWindowVisible(m_pad.GetEdit()));
    Drag(POINT{30, 30}, POINT{51, 51}); // 21 x 21
    ASSERT_TRUE(::IsWindowVisible(m_pad.GetEdit()));
    ::SetWindowTextW(m_pad.GetEdit(), L"Hello");
    EXPECT_FALSE(Modified());

    g_parent.speed = 250;
    Click(POINT{250, 200}); // a click elsewhere commits the text
    ASSERT_EQ(1, m_pad.GetPage().GetCount());
    EXPECT_TRUE(Modified());
    EXPECT_FALSE(::IsWindowVisible(m_pad.GetEdit()));
    CharTextStyle style;
    CStringW text;
    ASSERT_TRUE(Object(0)->GetText(&style, &text));
    EXPECT_EQ(CStringW(L"Hello"), text);
    EXPECT_EQ(0, style.Compare(g_parent.style));
    EXPECT_EQ(250, Object(0)->GetSpeed());
    const RECT r = Object(0)->GetRect();
    EXPECT_EQ(30, r.left);
    EXPECT_EQ(30, r.top);
    EXPECT_GT(r.right, r.left);
    EXPECT_GT(r.bottom, r.top);
}

TEST_F(NotePadWndTest, AChangedStyleOrTimingReachesTheSelectedObjectOnCommitAndAnUnchangedOneDoesNot)
{
    AddText(RECT{10, 10, 110, 60}, L"text");
    Click(POINT{50, 30});
    m_pad.SetModified(false);
    EXPECT_FALSE(m_pad.IsModified(true)) << "nothing changed";
    g_parent.style.textColour = 0x00FF00;
    EXPECT_TRUE(m_pad.IsModified(true));
    CharTextStyle style;
    CStringW text;
    Object(0)->GetText(&style, &text);
    EXPECT_EQ(COLORREF(0x00FF00), style.textColour);
    EXPECT_EQ(CStringW(L"text"), text) << "the text stays";
}

TEST_F(NotePadWndTest, LayerCommandsKeepTheSameObjectSelected)
{
    AddText(RECT{0, 0, 40, 40}, L"a");
    AddText(RECT{50, 0, 90, 40}, L"b");
    AddText(RECT{100, 0, 140, 40}, L"c");
    struct Case {
        UINT command;
        int from;
        int to;
    };
    const Case cases[] = {{CNotePadWnd::kCmdTop, 0, 2}, {CNotePadWnd::kCmdBottom, 2, 0},
                          {CNotePadWnd::kCmdUp, 0, 1},  {CNotePadWnd::kCmdDown, 1, 0}};
    for (const Case& c : cases) {
        const RECT r = Object(c.from)->GetRect();
        Click(POINT{r.left + 5, r.top + 5});
        ASSERT_EQ(c.from, m_pad.GetSelected());
        CCharObject* before = Object(c.from);
        m_pad.SetModified(false);
        m_pad.SendMessage(WM_COMMAND, c.command, 0);
        EXPECT_EQ(c.to, m_pad.GetSelected()) << c.command;
        EXPECT_EQ(before, Object(c.to)) << c.command;
        EXPECT_TRUE(Modified()) << c.command;
    }
}

TEST_F(NotePadWndTest, CutAndPasteGoThroughAPrivateFormatAndMarkThePageModified)
{
    AddText(RECT{10, 20, 110, 60}, L"moving");
    Click(POINT{50, 40});
    m_pad.SetModified(false);
    m_pad.SendMessage(WM_COMMAND, CNotePadWnd::kCmdCut, 0);
    EXPECT_EQ(0, m_pad.GetPage().GetCount());
    EXPECT_TRUE(Modified()) << "a cut is a change";
    EXPECT_TRUE(::IsClipboardFormatAvailable(CNotePadWnd::ClipboardFormat()));
    EXPECT_NE(16u, CNotePadWnd::ClipboardFormat());

    m_pad.SetModified(false);
    m_pad.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(300, 220));
    EXPECT_FALSE(m_pad.pasteGrayed);
    m_pad.SendMessage(WM_COMMAND, CNotePadWnd::kCmdPaste, 0);
    ASSERT_EQ(1, m_pad.GetPage().GetCount());
    EXPECT_TRUE(SameRect(RECT{20, 40, 120, 80}, Object(0)->GetRect())) << Show(Object(0)->GetRect());
    EXPECT_EQ(CStringW(L"moving"), TextOf(0));
    EXPECT_EQ(0, m_pad.GetSelected());
    EXPECT_TRUE(Modified()) << "a paste is a change";
}

TEST_F(NotePadWndTest, PasteRefusesWhatIsNotAWholeObjectRecord)
{
    auto put = [this](UINT format, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(::OpenClipboard(m_pad.m_hWnd));
        ::EmptyClipboard();
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        memcpy(::GlobalLock(block), bytes.data(), bytes.size());
        ::GlobalUnlock(block);
        ::SetClipboardData(format, block);
        ::CloseClipboard();
    };
    fixtures::Bytes huge;
    fixtures::Put32(huge, 3);  // version
    fixtures::Put32(huge, 0);  // text
    for (int i = 0; i < 4; ++i)
        fixtures::Put32(huge, 10);
    huge.push_back(0);         // motion
    fixtures::Put32(huge, 100);
    fixtures::Put32(huge, 60);
    fixtures::Put32(huge, 0xFFFFFFF0); // data length, low half
    fixtures::Put32(huge, 0x7FFFFFFF); // and high half: far more than the block holds
    struct Case {
        const char* name;
        UINT format;
        std::vector<uint8_t> bytes;
    };
    const std::vector<uint8_t> text = {'h', 0, 'i', 0, 0, 0};
    const Case cases[] = {
        {"text only (the system offers its locale as format 16)", CF_UNICODETEXT, text},
        {"a record cut short", CNotePadWnd::ClipboardFormat(), std::vector<uint8_t>(huge.begin(), huge.begin() + 10)},
        {"a record whose data length passes the block", CNotePadWnd::ClipboardFormat(), huge},
    };
    AddText(RECT{0, 0, 40, 40}, L"kept");
    for (const Case& c : cases) {
        put(c.format, c.bytes);
        m_pad.SetModified(false);
        EXPECT_FALSE(m_pad.Paste()) << c.name;
        EXPECT_EQ(1, m_pad.GetPage().GetCount()) << c.name;
        EXPECT_FALSE(Modified()) << c.name;
    }
    m_pad.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(300, 220));
    put(CF_UNICODETEXT, text);
    m_pad.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(300, 220));
    EXPECT_TRUE(m_pad.pasteGrayed) << "text on the clipboard does not offer a paste";
}

TEST_F(NotePadWndTest, DeletingTheOnlyObjectOfANewPageLeavesItUnmodified)
{
    AddText(RECT{10, 10, 60, 60}, L"x");
    Click(POINT{20, 20});
    m_pad.SetModified(true);
    m_pad.SendMessage(WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(0, m_pad.GetPage().GetCount());
    EXPECT_FALSE(Modified());
}

TEST_F(NotePadWndTest, AFailedLoadKeepsTheOpenPageAndItsPath)
{
    AddText(RECT{10, 10, 60, 60}, L"saved");
    const std::wstring good = TempPath(L"rvx_canvas_good.rxf");
    ASSERT_TRUE(m_pad.SaveFile(good.c_str()));
    EXPECT_FALSE(Modified());
    m_pad.Clear();
    g_parent.selected.clear();
    ASSERT_TRUE(m_pad.LoadFile(good.c_str()));
    EXPECT_EQ(0, m_pad.GetSelected());
    ASSERT_EQ(1u, g_parent.selected.size());

    const std::wstring bad = WriteBytes(L"rvx_canvas_bad.rxf", {1, 2, 3});
    EXPECT_FALSE(m_pad.LoadFile(bad.c_str()));
    EXPECT_EQ(CString(good.c_str()), m_pad.GetPath());
    ASSERT_EQ(1, m_pad.GetPage().GetCount());
    EXPECT_EQ(CStringW(L"saved"), TextOf(0));
    ::DeleteFileW(good.c_str());
    ::DeleteFileW(bad.c_str());
}

TEST_F(NotePadWndTest, ImportedTextKeepsADoubleByteCharacterAcrossAnyPieceBoundary)
{
    std::vector<uint8_t> bytes(2047, 'a');
    bytes.push_back(0xD7); // "字" in GBK: its two bytes sit at 2047 and 2048
    bytes.push_back(0xD6);
    const std::wstring path = WriteBytes(L"rvx_canvas_text.txt", bytes);
    ASSERT_TRUE(m_pad.ImportText(path.c_str(), 936));
    ASSERT_TRUE(::IsWindowVisible(m_pad.GetEdit()));
    const int n = ::GetWindowTextLengthW(m_pad.GetEdit());
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    ::GetWindowTextW(m_pad.GetEdit(), &text[0], n + 1);
    text.resize(static_cast<size_t>(n));
    EXPECT_EQ(std::wstring(2047, L'a') + L"字", text);
    ::DeleteFileW(path.c_str());
}

TEST_F(NotePadWndTest, TheCanvasShowsItsPageAndTheSelectionFrame)
{
    const std::wstring bmp = WriteBytes(L"rvx_canvas_pic.bmp", fixtures::Bmp2x2());
    ASSERT_TRUE(m_pad.InsertImage(bmp.c_str(), 1));
    Object(0)->SetRect(RECT{200, 120, 300, 220});
    AddText(RECT{20, 20, 180, 60}, L"Caption");
    Click(POINT{40, 30});
    ::UpdateWindow(m_pad.m_hWnd);
    const Pixels shot = CaptureScreen(m_pad.m_hWnd);
    ASSERT_GT(shot.width, 0);
    EXPECT_TRUE(SavePng(shot, L"caption_canvas.png"));
    EXPECT_EQ(COLORREF(0x0000FF), shot.At(220, 140)) << "the picture's red quarter";
    EXPECT_EQ(COLORREF(0x000000), shot.At(16, 16)) << "a handle";
    ::DeleteFileW(bmp.c_str());
}
