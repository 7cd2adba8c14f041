// The shipped skin as the program loads it: skins\ui.skn and ui.bmp from the build's program
// folder, the effect pictures and the pager's category buttons, read through the skin map.
#include "app/ui/BmpMapMgr.h"
#include "skin/DeskLayout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::wstring kSkins = L"" RVX_PROGRAM_FOLDER L"\\skins";

// Every skin item the desk's windows draw, with who draws it (first id, count).
struct ItemRange {
    unsigned first;
    unsigned count;
    const char* who;
};
const ItemRange kDrawnItems[] = {
    {101, 1, "main window background"},
    {1101, 4, "output button 1016"},
    {1105, 4, "category button 1035"}, {1217, 4, "category button 1036"}, {1221, 4, "category button 1051"},
    {1225, 4, "category button 1053"}, {1229, 4, "category button 1052"}, {1233, 4, "category button 1059"},
    {1237, 4, "category button 1060"}, {1109, 4, "category button 1061"},
    {1450, 4, "previous category page 1065"}, {1454, 4, "next category page 1066"},
    {1145, 4, "automatic switch 1019"}, {1158, 4, "duration down 1054"}, {1162, 4, "duration up 1055"},
    {1174, 4, "logo and caption switches 1040, 1041, 1038"}, {1186, 4, "logo load 1025, 1028"},
    {1113, 4, "logo corner top left"}, {1117, 4, "logo corner top right"},
    {1121, 4, "logo corner bottom right"}, {1125, 4, "logo corner bottom left"},
    {1129, 4, "caption editor 1050"}, {1178, 4, "caption load 1013"}, {1182, 4, "caption style 1014"},
    {1149, 4, "automatic publishing 1020"}, {1153, 4, "manual publishing 1021"},
    {1166, 4, "interval down 1056"}, {1170, 4, "interval up 1057"},
    {1316, 4, "mixer console 1063"}, {1403, 4, "panel pane 1064"},
    {1301, 1, "channel panel background"}, {1302, 1, "program view background"},
    {1311, 1, "T-bar track"}, {1157, 1, "T-bar thumb"},
    {1190, 3, "tally lamps on air, preview, idle"},
    {1193, 24, "panel transport buttons 4112..4117"}, {1435, 4, "panel more-controls 4118"},
    {1312, 4, "program view video-window button 4119"},
    {1400, 1, "panel pane background"}, {1407, 28, "panel pane buttons"},
    {1401, 2, "clip pane position bar and thumb"}, {1439, 4, "clip pane next frame"},
    {1443, 3, "clip pane background parts"}, {1446, 4, "clip pane speed"},
};

// Buttons by their first item: the four states must look different.
const unsigned kButtons[] = {1101, 1105, 1217, 1221, 1225, 1229, 1233, 1237, 1109, 1450, 1454, 1145,
                             1158, 1162, 1174, 1186, 1113, 1117, 1121, 1125, 1129, 1178, 1182, 1149,
                             1153, 1166, 1170, 1316, 1403, 1193, 1197, 1201, 1205, 1209, 1213, 1435,
                             1312, 1407, 1411, 1415, 1419, 1423, 1427, 1431, 1439, 1446};

std::string ReadFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ShippedSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        skin_ = new UI_Mgr::SBmpMapMgr;
        ASSERT_TRUE(skin_->Load((kSkins + L"\\ui.skn").c_str())) << "the build lays out skins\\ui.skn";
        BITMAP bm = {};
        ::GetObjectW(skin_->GetBitmap(), sizeof(bm), &bm);
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
        pixels_.resize(static_cast<size_t>(width_) * height_);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        ASSERT_EQ(::GetDIBits(skin_->GetMemDC(), skin_->GetBitmap(), 0, height_, pixels_.data(), &info,
                              DIB_RGB_COLORS),
                  height_);
    }
    static void TearDownTestSuite()
    {
        delete skin_;
        skin_ = nullptr;
    }

    static CRect Rect(unsigned id)
    {
        CRect rc;
        EXPECT_TRUE(skin_->GetItemRect(id, rc)) << "item " << id;
        return rc;
    }
    // 0x00RRGGBB at a point of the skin bitmap.
    static DWORD At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF; }
    // Mean difference per channel between two items of the same size.
    static double Difference(unsigned a, unsigned b)
    {
        CRect ra = Rect(a), rb = Rect(b);
        EXPECT_EQ(ra.Size(), rb.Size()) << a << " and " << b;
        double sum = 0;
        for (int y = 0; y < ra.Height(); ++y) {
            for (int x = 0; x < ra.Width(); ++x) {
                DWORD p = At(ra.left + x, ra.top + y), q = At(rb.left + x, rb.top + y);
                for (int shift = 0; shift < 24; shift += 8)
                    sum += std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF));
            }
        }
        return sum / (3.0 * ra.Width() * ra.Height());
    }

    static UI_Mgr::SBmpMapMgr* skin_;
    static int width_, height_;
    static std::vector<DWORD> pixels_;
};

UI_Mgr::SBmpMapMgr* ShippedSkin::skin_ = nullptr;
int ShippedSkin::width_ = 0;
int ShippedSkin::height_ = 0;
std::vector<DWORD> ShippedSkin::pixels_;

} // namespace

TEST_F(ShippedSkin, NamesEveryItemTheDeskDrawsInsideItsBitmap)
{
    for (const ItemRange& range : kDrawnItems) {
        for (unsigned id = range.first; id < range.first + range.count; ++id) {
            CRect rc;
            ASSERT_TRUE(skin_->GetItemRect(id, rc)) << "item " << id << " (" << range.who << ")";
            EXPECT_FALSE(rc.IsRectEmpty()) << id;
            EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= width_ && rc.bottom <= height_)
                << "item " << id << " lies outside the " << width_ << " x " << height_ << " bitmap";
        }
    }
}

TEST_F(ShippedSkin, ButtonsShowFourVisiblyDifferentStates)
{
    for (unsigned base : kButtons) {
        for (unsigned a = 0; a < 4; ++a)
            for (unsigned b = a + 1; b < 4; ++b)
                EXPECT_GT(Difference(base + a, base + b), 8.0) << "button " << base << ": states " << a + 1
                                                                 << " and " << b + 1 << " look alike";
    }
}

TEST_F(ShippedSkin, OnlyKeyedItemsHoldTheWhiteColourKey)
{
    // Buttons are drawn transparent on white: a white pixel in one would be a hole.
    for (unsigned base : kButtons) {
        for (unsigned id = base; id < base + 4; ++id) {
            CRect rc = Rect(id);
            int white = 0;
            for (int y = rc.top; y < rc.bottom; ++y)
                for (int x = rc.left; x < rc.right; ++x)
                    white += At(x, y) == 0xFFFFFF;
            EXPECT_EQ(white, 0) << "item " << id;
        }
    }
    // The T-bar thumb lets the track show around its handle, and its handle is solid.
    CRect thumb = Rect(1157);
    EXPECT_EQ(At(thumb.left, thumb.top), 0xFFFFFFu);
    EXPECT_NE(At(thumb.CenterPoint().x, thumb.CenterPoint().y), 0xFFFFFFu);
}

TEST_F(ShippedSkin, TalliesAreOnAirRedPreviewGreenAndIdleDark)
{
    struct Lamp {
        unsigned id;
        int red, green;   // expected dominant channel: +1 strong, -1 weak
    } lamps[] = {{1190, +1, -1}, {1191, -1, +1}, {1192, -1, -1}};
    for (const Lamp& lamp : lamps) {
        CRect rc = Rect(lamp.id);
        DWORD c = At(rc.left + 4, rc.top + rc.Height() / 2);
        int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF;
        EXPECT_EQ(r > 160, lamp.red > 0) << "lamp " << lamp.id << " colour " << std::hex << c;
        EXPECT_EQ(g > 140, lamp.green > 0) << "lamp " << lamp.id << " colour " << std::hex << c;
    }
}

TEST_F(ShippedSkin, MainWindowControlsFitTheClientAreaWithoutOverlapping)
{
    CRect background = Rect(101);
    EXPECT_EQ(background, CRect(0, 0, skin_layout::kClientWidth, skin_layout::kClientHeight));
    std::set<unsigned> firstUse;
    for (const auto& p : skin_layout::kMainWindow) {
        CRect place(p.rect);
        EXPECT_TRUE(background.PtInRect(place.TopLeft()) && place.right <= background.right &&
                    place.bottom <= background.bottom)
            << "control " << p.control;
        if (p.item != 0) {
            CRect item = Rect(p.item);
            EXPECT_EQ(item.Size(), place.Size()) << "control " << p.control << " is not the size of item " << p.item;
            // The first control of an item stands where the item lies in the bitmap.
            if (firstUse.insert(p.item).second) {
                EXPECT_EQ(item, place) << "control " << p.control;
            }
        }
        for (const auto& q : skin_layout::kMainWindow) {
            if (&q == &p)
                continue;
            CRect overlap;
            EXPECT_FALSE(overlap.IntersectRect(&place, &q.rect))
                << "controls " << p.control << " and " << q.control << " overlap";
        }
    }
}

TEST_F(ShippedSkin, PanelAndViewHoldTheirFixedLayouts)
{
    EXPECT_EQ(Rect(1301).Size(), CSize(skin_layout::kPanelWidth, skin_layout::kPanelHeight));
    // The panel's seven buttons stand side by side from x = 98, each as large as its image.
    int right = 98;
    for (unsigned base : {1193u, 1197u, 1201u, 1205u, 1209u, 1213u, 1435u})
        right += Rect(base).Width();
    EXPECT_LE(right, skin_layout::kPanelWidth);
    EXPECT_LE(152 + Rect(1193).Height(), skin_layout::kPanelHeight);
    // The view's video area ends at (354, 267) and its button at (349, 288).
    CRect view = Rect(1302);
    EXPECT_GE(view.Width(), 354);
    EXPECT_GE(view.Height(), 288);
    EXPECT_EQ(Rect(1312).Size(), CSize(21, 19));
    // The tally lamp is drawn into (65, 5, 122, 17).
    EXPECT_EQ(Rect(1190).Size(), CSize(57, 12));
}

TEST_F(ShippedSkin, MapIsWhatTheSkinMapWritesByteForByte)
{
    UI_Mgr::SBmpMapMgr copy;
    copy.SetBitmapPath("..\\ui.bmp");
    for (const auto& entry : skin_->GetItems())
        copy.SetItem(entry.second);
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring saved = std::wstring(temp) + L"rvx_shipped_skin_copy.skn";
    ASSERT_TRUE(copy.Save(saved.c_str()));
    const std::string shipped = ReadFile(kSkins + L"\\ui.skn");
    const std::string written = ReadFile(saved);
    ::DeleteFileW(saved.c_str());
    // Only the first difference, with a little context: the files are long.
    size_t at = 0;
    while (at < shipped.size() && at < written.size() && shipped[at] == written[at])
        ++at;
    EXPECT_TRUE(at == shipped.size() && at == written.size())
        << "first difference at byte " << at << ":\n shipped: " << shipped.substr(at > 60 ? at - 60 : 0, 120)
        << "\n written: " << written.substr(at > 60 ? at - 60 : 0, 120);
}

TEST_F(ShippedSkin, EveryTransitionHasItsPictureAndEveryCategoryItsButtons)
{
    // One 40 x 40 picture per transition of the program folder's fx.
    int transitions = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(L"" RVX_PROGRAM_FOLDER L"\\fx\\*.fxo", &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        transitions += found.cFileName[0] != L'_';
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    int pictures = 0;
    find = ::FindFirstFileW((kSkins + L"\\effects\\*.bmp").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        const std::wstring path = kSkins + L"\\effects\\" + found.cFileName;
        HBITMAP bmp = static_cast<HBITMAP>(::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        ASSERT_NE(bmp, nullptr) << "effects\\" << found.cFileName;
        BITMAP bm = {};
        ::GetObjectW(bmp, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, 40);
        EXPECT_EQ(bm.bmHeight, 40);
        ::DeleteObject(bmp);
        ++pictures;
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    EXPECT_EQ(pictures, transitions);

    // Category 1 holds the shipped transitions: its four images, the size of a category button.
    CRect button = Rect(1105);
    for (const wchar_t* suffix : {L"n", L"h", L"s", L"d"}) {
        const std::wstring path = kSkins + L"\\btns\\1_" + suffix + L".bmp";
        HBITMAP bmp = static_cast<HBITMAP>(::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        ASSERT_NE(bmp, nullptr) << "btns\\1_" << suffix << ".bmp";
        BITMAP bm = {};
        ::GetObjectW(bmp, sizeof(bm), &bm);
        EXPECT_EQ(CSize(bm.bmWidth, bm.bmHeight), button.Size());
        ::DeleteObject(bmp);
    }
}
