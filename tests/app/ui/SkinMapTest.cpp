// The skin map: reading the XML skin map files, resolving the bitmap, drawing items.
#include "app/ui/BmpMapMgr.h"

#include <gtest/gtest.h>

#include "tests/app/ui/ScreenshotPng.h"
#include "tests/app/ui/SkinFixture.h"

using UI_Mgr::SBmpItem;
using UI_Mgr::SBmpMapMgr;

namespace {

// A 30 x 10 memory canvas filled with grey.
class Canvas {
public:
    Canvas(int w = 30, int h = 10) : m_w(w), m_h(h)
    {
        HDC screen = ::GetDC(nullptr);
        m_dc.Attach(::CreateCompatibleDC(screen));
        m_bitmap.Attach(::CreateCompatibleBitmap(screen, w, h));
        ::ReleaseDC(nullptr, screen);
        m_old = ::SelectObject(m_dc.m_hDC, m_bitmap.m_hObject);
        m_dc.FillSolidRect(0, 0, w, h, RGB(128, 128, 128));
    }
    ~Canvas() { ::SelectObject(m_dc.m_hDC, m_old); }
    CDC* dc() { return &m_dc; }
    COLORREF At(int x, int y) { return m_dc.GetPixel(x, y); }

private:
    int m_w, m_h;
    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_old;
};

} // namespace

TEST(SkinMap, ReadsAHandWrittenSkinMapAndItsBitmapBesideIt)
{
    std::wstring map = WriteTestSkin(L"fixture");
    SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(map.c_str()));
    ASSERT_EQ(skin.GetItems().size(), 5u);
    const SBmpItem& keyed = skin.GetItems().at(105);
    EXPECT_EQ(keyed.ID, 105u);
    EXPECT_EQ(keyed.Name, "keyed");
    EXPECT_EQ(keyed.Desc, "按钮 keyed");
    CRect rc;
    EXPECT_TRUE(skin.GetItemRect(103, rc));
    EXPECT_EQ(rc, CRect(20, 0, 30, 10));
    // "..\skin.bmp" steps out of the map file's own path: the bitmap beside the skins folder's map.
    std::wstring folder = map.substr(0, map.rfind(L'\\'));
    EXPECT_EQ(skin.GetBitmapPathW(), folder + L"\\skin.bmp");
    EXPECT_NE(skin.GetMemDC(), nullptr);
}

TEST(SkinMap, DrawsItemsPlainStretchedAndWithAColourKey)
{
    SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WriteTestSkin(L"draw").c_str()));
    Canvas canvas;
    // Plain: copied at the destination's top-left with the destination's size.
    EXPECT_TRUE(skin.DrawItem(canvas.dc(), CRect(0, 0, 5, 5), 102, false));
    EXPECT_EQ(canvas.At(4, 4), kGreen);
    EXPECT_EQ(canvas.At(5, 5), RGB(128, 128, 128));
    // Stretched: the whole item fills the destination.
    EXPECT_TRUE(skin.DrawItem(canvas.dc(), CRect(10, 0, 30, 10), 101, true));
    EXPECT_EQ(canvas.At(10, 0), kRed);
    EXPECT_EQ(canvas.At(29, 9), kRed);
    // Colour key: white is left out, the grey canvas shows through around the black centre.
    Canvas keyed;
    EXPECT_TRUE(skin.DrawItemTransparent(keyed.dc(), CRect(0, 0, 10, 10), 105, kWhite));
    EXPECT_EQ(keyed.At(0, 0), RGB(128, 128, 128));
    EXPECT_EQ(keyed.At(5, 5), kBlack);
}

TEST(SkinMap, UnknownIdsAndAnEmptyManagerDrawNothing)
{
    SBmpMapMgr skin;
    Canvas canvas;
    CRect rc(1, 2, 3, 4);
    EXPECT_FALSE(skin.GetItemRect(101, rc));
    EXPECT_TRUE(rc.IsRectNull());
    EXPECT_FALSE(skin.DrawItem(canvas.dc(), CRect(0, 0, 10, 10), 101, true));

    ASSERT_TRUE(skin.Load(WriteTestSkin(L"unknown").c_str()));
    rc.SetRect(1, 2, 3, 4);
    EXPECT_FALSE(skin.GetItemRect(999, rc));
    EXPECT_TRUE(rc.IsRectNull());
    EXPECT_FALSE(skin.DrawItem(canvas.dc(), CRect(0, 0, 10, 10), 999, true));
    EXPECT_FALSE(skin.DrawItemTransparent(canvas.dc(), CRect(0, 0, 10, 10), 999, kWhite));
    EXPECT_FALSE(skin.DrawItem(nullptr, CRect(0, 0, 10, 10), 101, true));
    EXPECT_EQ(canvas.At(5, 5), RGB(128, 128, 128));
}

TEST(SkinMap, BadFilesLoadNothing)
{
    std::wstring folder = MakeTestFolder(L"bad");
    WriteBytes(folder + L"\\skin.bmp", SkinBitmap());
    const std::string good = SkinMapXml("skin.bmp");
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        { "not well-formed", "<?xml version=\"1.0\"?><boost_serialization><BMPMGR><BMPPATH>x" },
        { "not XML at all", "\x01\x02\x03 garbage" },
        { "truncated in the map", good.substr(0, good.find("<item_version>") + 40) },
        { "empty bitmap path", SkinMapXml("") },
        { "missing bitmap", SkinMapXml("..\\nothing.bmp") },
        { "empty file", "" },
    };
    for (const Case& c : cases) {
        std::wstring map = folder + L"\\case.skn";
        WriteBytes(map, c.text);
        SBmpMapMgr skin;
        EXPECT_FALSE(skin.Load(map.c_str())) << c.what;
        EXPECT_TRUE(skin.GetItems().empty()) << c.what;
        EXPECT_FALSE(skin.IsLoaded()) << c.what;
    }
    SBmpMapMgr skin;
    EXPECT_FALSE(skin.Load((folder + L"\\no such file.skn").c_str()));
}

TEST(SkinMap, AnEmptyMapLoadsNothing)
{
    std::wstring folder = MakeTestFolder(L"emptymap");
    WriteBytes(folder + L"\\skin.bmp", SkinBitmap());
    SBmpMapMgr empty;
    empty.SetBitmapPath("..\\skin.bmp");
    ASSERT_TRUE(empty.Save((folder + L"\\empty.skn").c_str()));
    SBmpMapMgr skin;
    EXPECT_FALSE(skin.Load((folder + L"\\empty.skn").c_str()));
}

TEST(SkinMap, WrittenByTheXmlArchiveAndReadBack)
{
    std::wstring folder = MakeTestFolder(L"roundtrip 中文");
    WriteBytes(folder + L"\\skin.bmp", SkinBitmap());
    SBmpMapMgr written;
    written.SetBitmapPath("..\\skin.bmp");
    SBmpItem item;
    item.ID = 7;
    item.Rect = { 1, 2, 3, 4 };
    item.Name = "seven";
    item.Desc = "a < b & c";
    written.SetItem(item);
    item.ID = 4000000000u;
    item.Rect = { -5, 0, 10, 10 };
    item.Name = "big";
    item.Desc = "";
    written.SetItem(item);
    // A folder outside the ANSI code page still works: files are opened by their wide paths.
    std::wstring map = folder + L"\\ui.skn";
    ASSERT_TRUE(written.Save(map.c_str()));

    SBmpMapMgr read;
    ASSERT_TRUE(read.Load(map.c_str()));
    ASSERT_EQ(read.GetItems().size(), 2u);
    const SBmpItem& seven = read.GetItems().at(7);
    EXPECT_EQ(CRect(seven.Rect), CRect(1, 2, 3, 4));
    EXPECT_EQ(seven.Desc, "a < b & c");
    const SBmpItem& big = read.GetItems().at(4000000000u);
    EXPECT_EQ(CRect(big.Rect), CRect(-5, 0, 10, 10));
    EXPECT_EQ(read.GetBitmapPathW(), folder + L"\\skin.bmp");
}

TEST(SkinMap, LoadingASecondMapReleasesTheFirstBitmapAndDC)
{
    SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(WriteTestSkin(L"second1").c_str()));
    HBITMAP firstBitmap = skin.GetBitmap();
    HDC firstDC = skin.GetMemDC();
    ASSERT_TRUE(skin.Load(WriteTestSkin(L"second2").c_str()));
    EXPECT_EQ(::GetObjectType(firstBitmap), 0u);
    EXPECT_NE(skin.GetBitmap(), firstBitmap);
    (void)firstDC;
    skin.Clear();
    EXPECT_EQ(::GetObjectType(skin.GetBitmap()), 0u);
    EXPECT_TRUE(skin.GetItems().empty());
}

// A map cut short (a disk that filled up, a copy broken off) keeps what was read before the
// cut, as far as it names a bitmap and at least one item; at no cut does reading end the
// program, as it did when the archive's closing tag was missing.
TEST(SkinMap, AMapCutShortKeepsTheItemsReadBeforeTheCut)
{
    std::wstring folder = MakeTestFolder(L"cut");
    WriteBytes(folder + L"\\skin.bmp", SkinBitmap());
    const std::string good = SkinMapXml("..\\skin.bmp");
    const std::wstring map = folder + L"\\cut.skn";
    auto itemsEnded = [&good](size_t n) {
        size_t count = 0;
        for (size_t at = good.find("</item>"); at != std::string::npos && at + 7 <= n; at = good.find("</item>", at + 1))
            ++count;
        return count;
    };
    for (size_t n = 0; n <= good.size(); ++n) {
        WriteBytes(map, good.substr(0, n));
        SBmpMapMgr skin;
        const bool loaded = skin.Load(map.c_str());
        const size_t complete = itemsEnded(n);
        ASSERT_EQ(loaded, complete > 0) << "cut at " << n;
        ASSERT_EQ(skin.GetItems().size(), complete) << "cut at " << n;
        ASSERT_EQ(skin.IsLoaded(), loaded) << "cut at " << n;
    }
    // Cut right after the last item: the whole map is there and draws.
    WriteBytes(map, good.substr(0, good.rfind("</item>") + 7));
    SBmpMapMgr skin;
    ASSERT_TRUE(skin.Load(map.c_str()));
    CRect rc;
    EXPECT_TRUE(skin.GetItemRect(105, rc));
    EXPECT_EQ(rc, CRect(40, 0, 50, 10));
}
