// The desk's arithmetic: the category pager, logo and subtitle places, the program volume's
// percent scale, the meter words and the new-version comparison.
#include "app/ui/DeskRules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Shown(const CategoryPager& pager)
{
    std::vector<int> entries;
    for (int slot = 0; slot < pager.GetPageSize(); ++slot)
        entries.push_back(pager.EntryAt(slot));
    return entries;
}

} // namespace

TEST(CategoryPager, PagesOfEightWithPreviousAndNext)
{
    struct Case {
        int entries;
        int page;
        bool turned;
        std::vector<int> shown;
        bool previous;
        bool next;
    };
    const Case cases[] = {
        {0, 0, true, {-1, -1, -1, -1, -1, -1, -1, -1}, false, false},
        {8, 0, true, {0, 1, 2, 3, 4, 5, 6, 7}, false, false},
        {8, 1, false, {0, 1, 2, 3, 4, 5, 6, 7}, false, false},
        {9, 0, true, {0, 1, 2, 3, 4, 5, 6, 7}, false, true},
        {9, 1, true, {8, -1, -1, -1, -1, -1, -1, -1}, true, false},
        {17, 1, true, {8, 9, 10, 11, 12, 13, 14, 15}, true, true},
        {17, 2, true, {16, -1, -1, -1, -1, -1, -1, -1}, true, false},
        {17, -1, false, {0, 1, 2, 3, 4, 5, 6, 7}, false, true},
    };
    for (const Case& c : cases) {
        CategoryPager pager;
        pager.SetEntryCount(c.entries);
        EXPECT_EQ(pager.SetPage(c.page), c.turned) << c.entries << " entries, page " << c.page;
        EXPECT_EQ(Shown(pager), c.shown) << c.entries << " entries, page " << c.page;
        EXPECT_EQ(pager.HasPrevious(), c.previous) << c.entries << " entries, page " << c.page;
        EXPECT_EQ(pager.HasNext(), c.next) << c.entries << " entries, page " << c.page;
    }
}

TEST(CategoryPager, FindsThePageOfAnEntryAndFallsBackWhenEntriesGo)
{
    CategoryPager pager;
    pager.SetEntryCount(17);
    EXPECT_EQ(pager.PageOf(0), 0);
    EXPECT_EQ(pager.PageOf(7), 0);
    EXPECT_EQ(pager.PageOf(8), 1);
    EXPECT_EQ(pager.PageOf(16), 2);
    EXPECT_EQ(pager.PageOf(17), -1);
    EXPECT_EQ(pager.PageOf(-1), -1);
    ASSERT_TRUE(pager.SetPage(2));
    // Fewer categories: a page that no longer exists goes back to the first.
    pager.SetEntryCount(9);
    EXPECT_EQ(pager.GetPage(), 0);
}

TEST(LogoPlace, FourCornersKeepTheMarginAndTheirAnchor)
{
    struct Case {
        int corner;
        float x, y;
        int anchor;
    };
    const float m = 0.05f;
    const Case cases[] = {
        {0, m, m, 0}, {1, 1 - m, m, 1}, {2, 1 - m, 1 - m, 2}, {3, m, 1 - m, 3},
    };
    for (const Case& c : cases) {
        const LayerPlace place = LogoCornerPlace(c.corner, m);
        EXPECT_FLOAT_EQ(place.x, c.x) << "corner " << c.corner;
        EXPECT_FLOAT_EQ(place.y, c.y) << "corner " << c.corner;
        EXPECT_EQ(place.anchor, c.anchor) << "corner " << c.corner;
    }
}

TEST(LogoPlace, OnlyAnExactTgaNameKeepsItsOwnTransparency)
{
    EXPECT_FALSE(IsLogoKeyed(L"C:\\logos\\station.tga"));
    EXPECT_TRUE(IsLogoKeyed(L"C:\\logos\\station.TGA"));
    EXPECT_TRUE(IsLogoKeyed(L"C:\\logos\\station.Tga"));
    EXPECT_TRUE(IsLogoKeyed(L"C:\\logos\\station.bmp"));
    EXPECT_TRUE(IsLogoKeyed(L"tga"));
    EXPECT_TRUE(IsLogoKeyed(L""));
}

TEST(SubtitlePlace, SitsAboveTheMarginAlignedAndNeverAboveTheTop)
{
    struct Case {
        const char* what;
        int w, h;
        int align;
        float x, y;
    };
    // A 720 x 576 program with a margin of 0.05.
    const Case cases[] = {
        {"centred line", 360, 48, kSubtitleCentre, 360.0f / 1440.0f, 1.0f - 48.0f / 576.0f - 0.05f},
        {"right-aligned line", 360, 48, kSubtitleRight, 360.0f / 720.0f, 1.0f - 48.0f / 576.0f - 0.05f},
        {"left line", 360, 48, kSubtitleLeft, 0.0f, 1.0f - 48.0f / 576.0f - 0.05f},
        {"full-width centred line", 720, 48, kSubtitleCentre, 0.0f, 1.0f - 48.0f / 576.0f - 0.05f},
        {"taller than the program minus the margin", 360, 560, kSubtitleCentre, 0.25f, 0.0f},
        {"exactly the program minus the margin", 360, 547, kSubtitleLeft, 0.0f, 1.0f - 547.0f / 576.0f - 0.05f},
        {"taller than the program", 360, 600, kSubtitleLeft, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        const LayerPlace place = SubtitlePlace(720, 576, c.w, c.h, 0.05f, c.align);
        EXPECT_FLOAT_EQ(place.x, c.x) << c.what;
        EXPECT_NEAR(place.y, c.y, 1e-6) << c.what;
        EXPECT_GE(place.y, 0.0f) << c.what;
    }
}

TEST(ProgramVolume, PercentScaleBothWays)
{
    struct Get {
        long volume;
        int percent;
    };
    const Get gets[] = {
        {0, 100}, {-1, 99}, {-1500, 50}, {-2999, 0}, {-3000, 0}, {-10000, 0}, {-30, 99}, {-29, 99},
    };
    for (const Get& g : gets)
        EXPECT_EQ(VolumeToPercent(g.volume), g.percent) << "volume " << g.volume;

    struct Set {
        int percent;
        long volume;
    };
    const Set sets[] = {
        {100, 0}, {50, -1500}, {99, -30}, {1, -2970}, {0, kSilentVolume},
        // Out of range: limited, never a positive volume or one below silence.
        {150, 0}, {-20, kSilentVolume},
    };
    for (const Set& s : sets)
        EXPECT_EQ(PercentToVolume(s.percent), s.volume) << "percent " << s.percent;
}

TEST(MeterWord, TwoSignedLevelsLowHalfFirst)
{
    const DWORD word = (static_cast<DWORD>(static_cast<WORD>(-12)) << 16) | static_cast<WORD>(-60);
    EXPECT_EQ(MeterLow(word), -60);
    EXPECT_EQ(MeterHigh(word), -12);
    EXPECT_EQ(MeterLow(0x00000003u), 3);
    EXPECT_EQ(MeterHigh(0x80000000u), -32768);
}

TEST(NewVersion, ComparesTheFourFieldsOfTheFirstLine)
{
    struct Case {
        const wchar_t* body;
        const wchar_t* installed;
        bool offered;
    };
    const Case cases[] = {
        {L"1.0.0.0\r\nnotes", L"1.0.0.0", false},
        {L"1.0.0.1\r\nnotes", L"1.0.0.0", true},
        {L"1.0.0.1", L"1.0.0.0", false},        // no line break: nothing is offered
        {L"1.0.10.0\r\n", L"1.0.9.0", true},     // numbers, not text
        {L"1.0.9.0\r\n", L"1.0.10.0", false},
        {L"2.0.0.0\r\n", L"1.9.9.9", true},
        {L"0.9.9.9\r\n", L"1.0.0.0", false},
        {L"1.0.0\r\n", L"1.0.0.0", false},       // not four fields
        {L"1.0.0.x\r\n", L"1.0.0.0", false},
        {L"1.0.0.1 \r\n", L"1.0.0.0", false},
        {L"\r\n1.0.0.1\r\n", L"1.0.0.0", false},
        {L"", L"1.0.0.0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsNewerVersionOffered(c.body, c.installed), c.offered) << "body \"" << testing::PrintToString(std::wstring(c.body)) << "\"";
    std::wstring line;
    EXPECT_TRUE(IsNewerVersionOffered(L"3.1.4.1\r\nwhat is new", L"1.0.0.0", &line));
    EXPECT_EQ(line, L"3.1.4.1");
}
