// The effect palette: its grid geometry and key moves as tables, then the control itself on
// a real window: clicks, drags, double clicks and keys turned into notifications to its owner,
// and the cells it draws.
#include "app/ui/EffectList.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/app/ui/ScreenshotPng.h"

namespace {

const COLORREF kOrange = RGB(255, 101, 0);

struct Note {
    UINT code;
    int item;
};

// The owner: records the list's notifications (the list's own custom drawing is reflected
// back to it before this sees anything).
class Owner : public CWnd {
public:
    Owner() { CreateEx(0, nullptr, L"owner", WS_POPUP | WS_VISIBLE, 20, 20, 240, 140, nullptr, nullptr); }
    ~Owner() override { DestroyWindow(); }
    std::vector<Note> notes;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        BOOL handled = CWnd::OnNotify(wParam, lParam, pResult);
        auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
        if (nm->hdr.code == NM_CLICK || nm->hdr.code == NM_DBLCLK || nm->hdr.code == LVN_BEGINDRAG) {
            EXPECT_EQ(nm->hdr.idFrom, 1033u);
            notes.push_back({ nm->hdr.code, nm->iItem });
        }
        return handled;
    }
};

// A palette of `count` effects with 32 x 32 pictures, each a colour of its own, in a client
// area of 200 x 100 (4 columns, 2 rows).
class PaletteTest : public ::testing::Test {
protected:
    void Fill(int count)
    {
        // As the main window's resource makes it: a plain list view, subclassed afterwards.
        HWND hwnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 200, 100,
                                      owner_.m_hWnd, reinterpret_cast<HMENU>(1033), nullptr, nullptr);
        ASSERT_TRUE(list_.SubclassWindow(hwnd));
        ASSERT_TRUE(images_.Create(32, 32, ILC_COLOR24, count, 1));
        HDC screen = ::GetDC(nullptr);
        for (int i = 0; i < count; ++i) {
            CBitmap bitmap;
            bitmap.Attach(::CreateCompatibleBitmap(screen, 32, 32));
            CDC dc;
            dc.Attach(::CreateCompatibleDC(screen));
            CBitmap* old = dc.SelectObject(&bitmap);
            dc.FillSolidRect(0, 0, 32, 32, Colour(i));
            dc.SelectObject(old);
            images_.Add(&bitmap, static_cast<CBitmap*>(nullptr));
        }
        ::ReleaseDC(nullptr, screen);
        list_.SetImageList(&images_, LVSIL_NORMAL);
        for (int i = 0; i < count; ++i) {
            list_.InsertItem(i, L"", i);
            list_.SetItemData(i, static_cast<DWORD_PTR>(100 + i));
        }
    }

    static COLORREF Colour(int i) { return RGB(20 * i, 200 - 15 * i, 60); }

    void Click(int x, int y) { list_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Key(UINT vk) { list_.SendMessage(WM_KEYDOWN, vk, 1); }
    int Selected() const { return list_.GetNextItem(-1, LVNI_SELECTED); }

    Owner owner_;
    CEffectList list_;
    CImageList images_;
};

} // namespace

TEST(EffectGrid, CountsOnlyWholeCellsAndHitsOnlyShownItems)
{
    EffectGrid grid = EffectGrid::ForClient(200, 100);
    EXPECT_EQ(grid.columns, 4);
    EXPECT_EQ(grid.rows, 2);
    EXPECT_EQ(grid.Cells(), 8);
    EXPECT_EQ(EffectGrid::ForClient(46, 100).Cells(), 0);
    EXPECT_EQ(EffectGrid::ForClient(0, 0).Cells(), 0);

    struct Case {
        int x, y, items, hit;
    } cases[] = {
        { 0, 0, 10, 0 },      { 46, 43, 10, 0 },   { 47, 0, 10, 1 },    { 0, 44, 10, 4 },
        { 100, 50, 10, 6 },   { 187, 87, 10, 7 },  { 188, 10, 10, -1 }, { 190, 10, 10, -1 },
        { 10, 88, 10, -1 },   { -1, 10, 10, -1 },  { 100, 50, 6, -1 },  { 0, 0, 0, -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(grid.HitTest(c.x, c.y, c.items), c.hit) << c.x << "," << c.y << " of " << c.items;
    EXPECT_EQ(grid.CellRect(5), CRect(47, 44, 94, 88));
    EXPECT_EQ(grid.CellRect(3), CRect(141, 0, 188, 44));
}

TEST(EffectGrid, ArrowKeysMoveWithinTheGridAndStopAtItsEdges)
{
    EffectGrid grid = EffectGrid::ForClient(200, 100);   // 4 x 2
    struct Case {
        UINT key;
        int current, items, target;
    } cases[] = {
        { VK_LEFT, -1, 10, 0 },  { VK_DOWN, -1, 10, 0 },   { 'A', -1, 10, 0 },      { VK_LEFT, -1, 0, -1 },
        { VK_RIGHT, 0, 10, 1 },  { VK_DOWN, 1, 10, 5 },    { VK_LEFT, 5, 10, 4 },   { VK_UP, 5, 10, 1 },
        { VK_RIGHT, 3, 10, 3 },  { VK_RIGHT, 7, 10, 7 },   { VK_DOWN, 6, 10, 6 },   { VK_LEFT, 4, 10, 4 },
        { VK_UP, 2, 10, 2 },     { VK_NUMPAD3, 6, 10, 6 }, { VK_DOWN, 3, 6, -1 },   { VK_RIGHT, 4, 5, -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(grid.KeyTarget(c.key, c.current, c.items), c.target)
            << "key " << c.key << " from " << c.current << " of " << c.items;
}

TEST_F(PaletteTest, AClickSelectsOneCellAndTellsTheOwner)
{
    Fill(10);
    EXPECT_EQ(list_.GetCellCount(), 8);
    Click(100, 10);   // cell 2
    EXPECT_EQ(Selected(), 2);
    Click(10, 60);    // cell 4: the previous selection goes
    EXPECT_EQ(Selected(), 4);
    EXPECT_EQ(list_.GetSelectedCount(), 1);
    Click(190, 10);   // beyond the whole columns: nothing, the selection stays
    Click(10, 95);    // below the whole rows
    EXPECT_EQ(Selected(), 4);
    ASSERT_EQ(owner_.notes.size(), 2u);
    EXPECT_EQ(owner_.notes[0].code, static_cast<UINT>(NM_CLICK));
    EXPECT_EQ(owner_.notes[0].item, 2);
    EXPECT_EQ(owner_.notes[1].item, 4);
    EXPECT_EQ(list_.GetItemData(4), 104u);   // the owner's key travels untouched

    CRect rc;
    EXPECT_TRUE(list_.GetCellRect(7, rc));
    EXPECT_EQ(rc, CRect(141, 44, 188, 88));
    EXPECT_FALSE(list_.GetCellRect(8, rc));    // in the list, but not shown
    EXPECT_FALSE(list_.GetCellRect(10, rc));
    CEffectList windowless;
    EXPECT_EQ(windowless.GetCellCount(), 0);
    EXPECT_EQ(windowless.HitTestCell(0, 0), -1);
    EXPECT_FALSE(windowless.GetCellRect(0, rc));
}

TEST_F(PaletteTest, OnePressBeginsOneDragAndADoubleClickNamesTheSelection)
{
    Fill(10);
    list_.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(60, 10));   // not pressed: nothing
    Click(60, 10);
    for (int x = 61; x < 66; ++x)
        list_.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 10));
    list_.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(65, 10));
    list_.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(66, 10));
    Click(60, 10);   // a new press may drag again
    list_.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70, 20));
    list_.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(70, 20));
    list_.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(70, 20));

    std::vector<UINT> codes;
    for (const Note& n : owner_.notes) {
        codes.push_back(n.code);
        EXPECT_EQ(n.item, 1);
    }
    EXPECT_EQ(codes, (std::vector<UINT>{ static_cast<UINT>(NM_CLICK), static_cast<UINT>(LVN_BEGINDRAG),
                                         static_cast<UINT>(NM_CLICK), static_cast<UINT>(LVN_BEGINDRAG),
                                         static_cast<UINT>(NM_DBLCLK) }));
}

TEST_F(PaletteTest, ADoubleClickWithNothingSelectedSaysNothing)
{
    Fill(3);
    list_.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(owner_.notes.empty());
}

TEST_F(PaletteTest, KeysMoveTheSelectionAsClicksDo)
{
    Fill(6);   // items 0..3 on the first row, 4 and 5 on the second
    Key(VK_DOWN);      // nothing selected: item 0
    Key(VK_RIGHT);     // 1
    Key(VK_DOWN);      // 5
    Key(VK_RIGHT);     // 6 is beyond the last item: nothing
    Key(VK_SPACE);     // any other key clicks the current item again
    std::vector<int> items;
    for (const Note& n : owner_.notes) {
        EXPECT_EQ(n.code, static_cast<UINT>(NM_CLICK));
        items.push_back(n.item);
    }
    EXPECT_EQ(items, (std::vector<int>{ 0, 1, 5, 5 }));
    EXPECT_EQ(Selected(), 5);
}

TEST_F(PaletteTest, DrawsCentredPicturesTheSelectionFrameAndNothingBeyondTheCells)
{
    Fill(10);
    Click(60, 60);   // cell 5 selected
    owner_.UpdateWindow();
    Pixels shot = CaptureWindow(list_.m_hWnd);
    SavePng(shot, L"effect_list.png");
    ASSERT_EQ(shot.width, 200);
    // A 32 x 32 picture sits at (7, 6) in its 47 x 44 cell.
    EXPECT_EQ(shot.At(7, 6), Colour(0));
    EXPECT_EQ(shot.At(38, 37), Colour(0));
    EXPECT_EQ(shot.At(6, 6), RGB(255, 255, 255));
    EXPECT_EQ(shot.At(7, 5), RGB(255, 255, 255));
    EXPECT_EQ(shot.At(47 * 3 + 20, 20), Colour(3));
    EXPECT_EQ(shot.At(47 * 3 + 20, 44 + 20), Colour(7));
    // The selected cell's picture is framed in orange on its bounds, its middle unchanged.
    EXPECT_EQ(shot.At(47 + 7, 44 + 6), kOrange);
    EXPECT_EQ(shot.At(47 + 7 + 16, 44 + 6), kOrange);
    EXPECT_EQ(shot.At(47 + 7 + 16, 44 + 6 + 16), Colour(5));
    EXPECT_EQ(shot.At(7 + 16, 6), Colour(0));   // unselected: no frame
    // Items 8 and 9 have no whole cell: the strips right and below stay white.
    for (int y = 0; y < 100; y += 7)
        EXPECT_EQ(shot.At(195, y), RGB(255, 255, 255)) << y;
    for (int x = 0; x < 200; x += 9)
        EXPECT_EQ(shot.At(x, 94), RGB(255, 255, 255)) << x;
}
