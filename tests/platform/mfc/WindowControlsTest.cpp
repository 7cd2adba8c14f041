// Common controls, image lists and menus from the resource module.
#include <afxwin.h>
#include <afxcmn.h>

#include <gtest/gtest.h>

#include "mfc_window_test_ids.h"

namespace {

class Host : public CWnd {
public:
    Host() { CreateEx(0, nullptr, L"host", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr); }
    ~Host() override { DestroyWindow(); }
};

} // namespace

TEST(WindowControls, ListViewInReportMode)
{
    Host host;
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 200, 100), &host, 40));
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(list.GetExtendedStyle() & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list.InsertColumn(0, L"名称", LVCFMT_LEFT, 80), 0);
    EXPECT_EQ(list.InsertColumn(1, L"路径", LVCFMT_LEFT, 100), 1);
    EXPECT_EQ(list.InsertItem(0, L"第一"), 0);
    EXPECT_EQ(list.InsertItem(1, L"第二"), 1);
    EXPECT_TRUE(list.SetItemText(1, 1, L"C:\\b"));
    EXPECT_TRUE(list.SetItemData(1, 77));
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_STREQ(list.GetItemText(1, 0), L"第二");
    EXPECT_STREQ(list.GetItemText(1, 1), L"C:\\b");
    EXPECT_EQ(list.GetItemData(1), 77u);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(WindowControls, SliderImageListToolTipAndHotKey)
{
    Host host;
    CSliderCtrl slider;
    ASSERT_TRUE(slider.Create(WS_CHILD | TBS_VERT, CRect(0, 0, 30, 100), &host, 41));
    slider.SetRange(0, 200);
    slider.SetPos(150);
    EXPECT_EQ(slider.GetRangeMax(), 200);
    EXPECT_EQ(slider.GetPos(), 150);

    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4));
    CBitmap bitmap;
    {
        CClientDC screen(nullptr);
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 32, 16));
    }
    EXPECT_EQ(images.Add(&bitmap, RGB(255, 0, 255)), 0);
    EXPECT_EQ(images.GetImageCount(), 2);   // a 32-pixel strip is two images

    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&host));
    EXPECT_TRUE(tips.AddTool(&slider, L"音量"));
    EXPECT_EQ(tips.GetToolCount(), 1);
    EXPECT_STREQ(tips.GetText(&slider), L"音量");
    tips.UpdateTipText(L"增益", &slider);
    EXPECT_STREQ(tips.GetText(&slider), L"增益");

    CHotKeyCtrl hotKey;
    ASSERT_TRUE(hotKey.Create(WS_CHILD, CRect(0, 0, 100, 20), &host, 42));
    hotKey.SetHotKey('K', HOTKEYF_CONTROL);
    WORD key = 0;
    WORD mods = 0;
    hotKey.GetHotKey(key, mods);
    EXPECT_EQ(key, 'K');
    EXPECT_EQ(mods, HOTKEYF_CONTROL);
}

TEST(WindowControls, MenusComeFromTheResourceModule)
{
    HINSTANCE previous = AfxGetResourceHandle();
    // A module without the menu: the program's own resources are used instead.
    AfxSetResourceHandle(::GetModuleHandleW(L"kernel32.dll"));
    CMenu menu;
    EXPECT_TRUE(menu.LoadMenu(IDR_TEST_MENU));
    AfxSetResourceHandle(previous);
    CMenu* popup = menu.GetSubMenu(0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetMenuItemCount(), 3u);
    EXPECT_EQ(popup->GetMenuItemID(2), 502u);
    CString text;
    popup->GetMenuString(501, text, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"打开(&O)");
    AfxDeleteTempObjects();
    EXPECT_TRUE(::IsMenu(menu.m_hMenu));   // temporary wrappers never own their handles
}
