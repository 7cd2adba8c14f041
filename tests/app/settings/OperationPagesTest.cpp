// The operation and hot-key pages: their keys in system.ini and hotkey.ini byte for byte,
// what hand-written files load as, the duplicate rule and the accelerator entries as tables,
// and both pages on a real sheet under Xvfb, driven through their controls.
#include "app/settings/HotKeyPropertyPage.h"
#include "app/settings/HotKeyTable.h"
#include "app/settings/OPConfigPage.h"

#include "app/foundation/AppHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/app/ui/ScreenshotPng.h"

namespace {

std::string ReadBytes(const CString& path)
{
    std::string bytes;
    FILE* f = _wfopen(path, L"rb");
    if (!f)
        return bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

void WriteBytesTo(const CString& path, const std::string& bytes)
{
    FILE* f = _wfopen(path, L"wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// What the program writes into a file it creates: a UTF-16LE byte-order mark and the text in
// UTF-16LE, written out byte by byte here.
std::string Utf16File(const char* ascii)
{
    std::string bytes = "\xFF\xFE";
    for (const char* p = ascii; *p; ++p) {
        bytes.push_back(*p);
        bytes.push_back('\0');
    }
    return bytes;
}

class MessageBoxRecorder {
public:
    MessageBoxRecorder()
    {
        previous_ = AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
            boxes.push_back({ text ? text : L"", caption ? caption : L"", type });
            return IDOK;
        });
    }
    ~MessageBoxRecorder() { AfxSetMessageBoxProc(previous_); }
    struct Box {
        std::wstring text, caption;
        UINT type;
    };
    std::vector<Box> boxes;

private:
    AFX_MESSAGEBOX_PROC previous_;
};

// A program folder of the test's own, with its config folder.
class PagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        wchar_t name[40];
        swprintf(name, 40, L"rvx_oppages_%lu", GetCurrentProcessId());
        folder_ = CString(temp) + name;
        CreateDirectoryW(folder_, nullptr);
        CreateDirectoryW(folder_ + L"\\config", nullptr);
        SetExeDirectoryOverride(folder_);
        DeleteFileW(COPConfigPage::SettingsPath());
        DeleteFileW(CHotKeyPropertyPage::SettingsPath());
    }
    void TearDown() override
    {
        DeleteFileW(COPConfigPage::SettingsPath());
        DeleteFileW(CHotKeyPropertyPage::SettingsPath());
        RemoveDirectoryW(folder_ + L"\\config");
        RemoveDirectoryW(folder_);
        SetExeDirectoryOverride(nullptr);
    }

    static void Pump()
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!AfxPumpMessage())
                break;
        }
    }

    CString folder_;
};

const char kOperationIni[] =
    "[Operation]\r\n"
    "SecPause=1\r\n"
    "PriRecord=1\r\n"
    "LogoSL=0.200000\r\n"
    "SubSL=0.000000\r\n"
    "ActionWhenOver=2\r\n";

const char kHotKeyIni[] =
    "[Key]\r\n"
    "Hard1=131184\r\n"        // Ctrl+F1
    "Hard2=65601\r\n"         // Shift+A
    "Hard3=0\r\nHard4=0\r\nHard5=0\r\n"
    "Effect1=0\r\nEffect2=0\r\nEffect3=0\r\nEffect4=0\r\nEffect5=0\r\n"
    "HEffect1=0\r\nHEffect2=0\r\nHEffect3=0\r\nHEffect4=0\r\nHEffect5=0\r\n"
    "EnableSub=32\r\n"        // Space
    "NextSub=0\r\nAutoSub=0\r\nHandSub=0\r\nEnableLogo1=0\r\nEnableLogo2=0\r\n"
    "AutoCut=458819\r\n"      // Ctrl+Alt+Shift+C
    "WmvOutput=0\r\nAviOutput=0\r\n1394Output=0\r\n"
    "PutterUp=524326\r\n"     // Up (extended)
    "PutterDown=524328\r\n";  // Down (extended)

} // namespace

TEST_F(PagesTest, OperationPageWritesItsFiveKeysByteForByte)
{
    COPConfigPage page;
    page.m_nSecPause = 1;
    page.m_nPriRecord = 1;
    page.m_fLogoSL = 0.2f;
    page.m_fSubSL = 0.0f;
    page.m_nActionWhenOver = 2;
    ASSERT_TRUE(page.SaveSettings());
    EXPECT_EQ(ReadBytes(COPConfigPage::SettingsPath()), Utf16File(kOperationIni));

    COPConfigPage back;
    EXPECT_EQ(back.LoadSettings(), 1);
    EXPECT_EQ(back.m_nSecPause, 1);
    EXPECT_EQ(back.m_nPriRecord, 1);
    EXPECT_FLOAT_EQ(back.m_fLogoSL, 0.2f);
    EXPECT_FLOAT_EQ(back.m_fSubSL, 0.0f);
    EXPECT_EQ(back.m_nActionWhenOver, 2);
}

TEST_F(PagesTest, OperationPageLoadsWhatAFileHoldsWithTheKeysOwnDefaults)
{
    COPConfigPage missing;
    EXPECT_EQ(missing.LoadSettings(), 0);   // no file: the built-in values, nothing reported
    EXPECT_EQ(missing.m_nSecPause, 0);
    EXPECT_FLOAT_EQ(missing.m_fLogoSL, 0.05f);

    struct Case {
        const char* file;
        int secPause, priRecord;
        float logo, sub;
        int action;
    } cases[] = {
        // A file without the keys gives the keys' own defaults, SecPause 1 among them.
        { "[Other]\r\nx=1\r\n", 1, 0, 0.05f, 0.05f, 0 },
        // Flags read "true"/"yes" in any case, or any non-zero number, as set.
        { "[Operation]\r\nSecPause=0\r\nPriRecord=yes\r\nLogoSL=0.1\r\nSubSL=0.15\r\nActionWhenOver=1\r\n", 0, 1, 0.1f, 0.15f, 1 },
        { "[Operation]\r\nSecPause=False\r\nPriRecord=-1\r\nActionWhenOver=-1\r\n", 0, 1, 0.05f, 0.05f, 0 },
        { "[Operation]\r\nSecPause=TRUE\r\nPriRecord=no\r\n", 1, 0, 0.05f, 0.05f, 0 },
        { "[Operation]\r\nActionWhenOver=7\r\nLogoSL=abc\r\n", 1, 0, 0.0f, 0.05f, 0 },
    };
    for (const Case& c : cases) {
        WriteBytesTo(COPConfigPage::SettingsPath(), c.file);
        COPConfigPage page;
        EXPECT_EQ(page.LoadSettings(), 1) << c.file;
        EXPECT_EQ(page.m_nSecPause, c.secPause) << c.file;
        EXPECT_EQ(page.m_nPriRecord, c.priRecord) << c.file;
        EXPECT_FLOAT_EQ(page.m_fLogoSL, c.logo) << c.file;
        EXPECT_FLOAT_EQ(page.m_fSubSL, c.sub) << c.file;
        EXPECT_EQ(page.m_nActionWhenOver, c.action) << c.file;
    }
}

TEST(OperationPage, ASafeLineIsTheNumberItsTextStartsWith)
{
    struct Case {
        const wchar_t* text;
        float value;
    } cases[] = { { L"0.2", 0.2f }, { L"0.15x", 0.15f }, { L"abc", 0.0f }, { L"", 0.0f }, { L" 0.1", 0.1f }, { L"1e-1", 0.1f } };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(COPConfigPage::ParseSafeLine(c.text), c.value) << c.text;
}

TEST_F(PagesTest, HotKeyPageWritesAll27KeysByteForByteAndReadsThemBack)
{
    WriteBytesTo(CHotKeyPropertyPage::SettingsPath(), std::string(kHotKeyIni));
    CHotKeyPropertyPage page;
    EXPECT_EQ(page.LoadSettings(), 1);
    EXPECT_EQ(page.m_nHotKeys[0], 0x20070);
    EXPECT_EQ(page.m_nHotKeys[1], 0x10041);
    EXPECT_EQ(page.m_nHotKeys[15], 32);
    EXPECT_EQ(page.m_nHotKeys[21], 0x70043);
    EXPECT_EQ(page.m_nHotKeys[26], 0x80028);

    ASSERT_TRUE(DeleteFileW(CHotKeyPropertyPage::SettingsPath()));
    ASSERT_TRUE(page.SaveSettings());
    EXPECT_EQ(ReadBytes(CHotKeyPropertyPage::SettingsPath()), Utf16File(kHotKeyIni));

    CHotKeyPropertyPage none;
    ASSERT_TRUE(DeleteFileW(CHotKeyPropertyPage::SettingsPath()));
    EXPECT_EQ(none.LoadSettings(), 0);
    for (int v : none.m_nHotKeys)
        EXPECT_EQ(v, 0);
}

TEST(HotKeyPage, DuplicatesAreKeysThatTheAcceleratorTableCannotTellApart)
{
    struct Case {
        std::vector<int> keys;
        bool duplicate;
    } cases[] = {
        { { 0, 0, 0 }, false },                            // commands without a key
        { { 0x20070, 0, 0x20070 }, true },                 // two commands on Ctrl+F1
        { { 0x20070, 0x10070, 0x70 }, false },             // same key, other modifiers
        { { 0x25, 0x80025 }, true },                       // Left and extended Left: one accelerator
        { { 0x20000, 0x20000 }, false },                   // a modifier alone is no key
        { { 32, 0x10020, 32 }, true },                     // Space twice
    };
    for (const Case& c : cases)
        EXPECT_EQ(CHotKeyPropertyPage::HasDuplicate(c.keys.data(), static_cast<int>(c.keys.size())), c.duplicate);
}

TEST(HotKeyPage, EachHotKeyBecomesAVirtualKeyEntryWithItsModifiers)
{
    CHotKeyPropertyPage page;
    struct Case {
        int hotKey;
        WORD key;
        BYTE flags;
    } cases[] = {
        { 0, 0, FVIRTKEY },
        { 0x70, VK_F1, FVIRTKEY },
        { 0x30070, VK_F1, FVIRTKEY | FCONTROL | FSHIFT },
        { 0x40020, VK_SPACE, FVIRTKEY | FALT },
        { 0xF0025, VK_LEFT, FVIRTKEY | FALT | FCONTROL | FSHIFT },   // the extended bit has no flag
        { 0x80026, VK_UP, FVIRTKEY },
    };
    const int n = static_cast<int>(sizeof cases / sizeof cases[0]);
    for (int i = 0; i < n; ++i)
        page.m_nHotKeys[i] = cases[i].hotKey;
    ACCEL entries[CHotKeyPropertyPage::kHotKeyCount];
    page.FillAccelerators(entries);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(entries[i].key, cases[i].key) << std::hex << cases[i].hotKey;
        EXPECT_EQ(entries[i].fVirt, cases[i].flags) << std::hex << cases[i].hotKey;
    }
}

TEST_F(PagesTest, TheMainWindowsTableBindsEachHotKeyToItsCommand)
{
    WriteBytesTo(CHotKeyPropertyPage::SettingsPath(), std::string(kHotKeyIni));
    HACCEL table = CreateHotKeyAcceleratorTable();
    ASSERT_NE(table, nullptr);
    ACCEL entries[40];
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 40), 27);
    const WORD commands[27] = { 34458, 34459, 34460, 34461, 34462, 34452, 34453, 34454, 34455,
                                34456, 34490, 34491, 34492, 34493, 34494, 32776, 34445, 34457,
                                34463, 32774, 32775, 32777, 34528, 34529, 34530, 34531, 34532 };
    for (int i = 0; i < 27; ++i)
        EXPECT_EQ(entries[i].cmd, commands[i]) << CHotKeyPropertyPage::KeyName(i);
    EXPECT_EQ(entries[0].key, VK_F1);
    EXPECT_EQ(entries[0].fVirt, FVIRTKEY | FCONTROL);
    EXPECT_EQ(entries[21].key, 'C');
    EXPECT_EQ(entries[21].fVirt, FVIRTKEY | FCONTROL | FALT | FSHIFT);

    // A rebuilt table replaces the old one, which is destroyed.
    HACCEL old = table;
    ASSERT_TRUE(RebuildHotKeyAcceleratorTable(table));
    // The new table is made before the old one goes, so the two handles differ.
    ASSERT_NE(table, old);
    EXPECT_EQ(CopyAcceleratorTableW(table, nullptr, 0), 27);
    EXPECT_EQ(CopyAcceleratorTableW(old, nullptr, 0), 0);
    DestroyAcceleratorTable(table);
}

// ---------------------------------------------------------------------------------------------
// On a sheet

namespace {

HWND Item(CWnd& page, UINT id)
{
    return ::GetDlgItem(page.m_hWnd, static_cast<int>(id));
}

CString TextOf(HWND hwnd)
{
    wchar_t text[64] = {};
    ::GetWindowTextW(hwnd, text, 64);
    return text;
}

bool ApplyEnabled(CPropertySheet& sheet)
{
    return ::IsWindowEnabled(::GetDlgItem(sheet.m_hWnd, 0x3021)) != FALSE;   // the Apply button
}

} // namespace

TEST_F(PagesTest, OperationPageShowsItsValuesAndAppliesWhatWasTyped)
{
    WriteBytesTo(COPConfigPage::SettingsPath(),
                 "[Operation]\r\nSecPause=1\r\nPriRecord=0\r\nLogoSL=0.15\r\nSubSL=0.1\r\nActionWhenOver=1\r\n");
    COPConfigPage page;
    CPropertySheet sheet(L"操作设置");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();

    EXPECT_STREQ(TextOf(Item(page, IDC_OP_LOGO_SAFELINE)), L"0.15");
    EXPECT_STREQ(TextOf(Item(page, IDC_OP_SUB_SAFELINE)), L"0.10");
    EXPECT_EQ(::SendMessageW(Item(page, IDC_OP_LOGO_SAFELINE), CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_OP_OVER_FIRST), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_OP_SECPAUSE), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_OP_PRIRECORD), static_cast<UINT>(BST_UNCHECKED));
    Pixels shot = CaptureScreen(sheet.m_hWnd);
    SavePng(shot, L"operation_page.png");

    // A radio does not mark the page modified; a check and a typed safe line do.
    EXPECT_FALSE(ApplyEnabled(sheet));
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_OP_OVER_REPLAY, BN_CLICKED), reinterpret_cast<LPARAM>(Item(page, IDC_OP_OVER_REPLAY)));
    EXPECT_FALSE(ApplyEnabled(sheet));
    ::SetWindowTextW(Item(page, IDC_OP_LOGO_SAFELINE), L"0.2");
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_OP_LOGO_SAFELINE, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(Item(page, IDC_OP_LOGO_SAFELINE)));
    EXPECT_TRUE(ApplyEnabled(sheet));
    ::SetWindowTextW(Item(page, IDC_OP_SUB_SAFELINE), L"abc");
    page.CheckDlgButton(IDC_OP_PRIRECORD, BST_CHECKED);
    // With no radio checked the previous action stays.
    for (UINT id = IDC_OP_OVER_LAST; id <= IDC_OP_OVER_REPLAY; ++id)
        page.CheckDlgButton(static_cast<int>(id), BST_UNCHECKED);

    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    COPConfigPage stored;
    ASSERT_EQ(stored.LoadSettings(), 1);
    EXPECT_FLOAT_EQ(stored.m_fLogoSL, 0.2f);
    EXPECT_FLOAT_EQ(stored.m_fSubSL, 0.0f);
    EXPECT_EQ(stored.m_nPriRecord, 1);
    EXPECT_EQ(stored.m_nSecPause, 1);
    EXPECT_EQ(stored.m_nActionWhenOver, 1);

    // The next opening shows the typed line with two decimals.
    sheet.DestroyWindow();
    COPConfigPage again;
    CPropertySheet second(L"操作设置");
    second.AddPage(&again);
    ASSERT_TRUE(second.Create());
    Pump();
    EXPECT_STREQ(TextOf(Item(again, IDC_OP_LOGO_SAFELINE)), L"0.20");
    EXPECT_STREQ(TextOf(Item(again, IDC_OP_SUB_SAFELINE)), L"0.00");
}

TEST_F(PagesTest, HotKeyPageRefusesADuplicateAndKeepsTheFileUntilItIsMended)
{
    WriteBytesTo(CHotKeyPropertyPage::SettingsPath(), std::string(kHotKeyIni));
    const std::string before = ReadBytes(CHotKeyPropertyPage::SettingsPath());
    MessageBoxRecorder boxes;
    CHotKeyPropertyPage page;
    CPropertySheet sheet(L"快捷键表");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();

    for (int i = 0; i < CHotKeyPropertyPage::kHotKeyCount; ++i) {
        LRESULT shown = ::SendMessageW(Item(page, CHotKeyPropertyPage::ControlId(i)), HKM_GETHOTKEY, 0, 0);
        const int value = page.m_nHotKeys[i];
        EXPECT_EQ(LOBYTE(shown), LOWORD(value) & 0xFF) << CHotKeyPropertyPage::KeyName(i);
        EXPECT_EQ(HIBYTE(shown), HIWORD(value)) << CHotKeyPropertyPage::KeyName(i);
    }
    Pixels shot = CaptureScreen(sheet.m_hWnd);
    SavePng(shot, L"hotkey_page.png");

    // Hard3 on Ctrl+F1, which Hard1 has already.
    ::SendMessageW(Item(page, 1193), HKM_SETHOTKEY, MAKEWORD(VK_F1, HOTKEYF_CONTROL), 0);
    EXPECT_FALSE(sheet.SendMessage(PSM_APPLY));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, L"有重复的快捷键，重新设置！");
    EXPECT_EQ(boxes.boxes[0].caption, L"错误");
    EXPECT_TRUE(boxes.boxes[0].type & MB_ICONERROR);
    EXPECT_TRUE(::IsWindow(sheet.m_hWnd));
    EXPECT_EQ(ReadBytes(CHotKeyPropertyPage::SettingsPath()), before);

    // Hard3 on Alt+Space instead.
    ::SendMessageW(Item(page, 1193), HKM_SETHOTKEY, MAKEWORD(VK_SPACE, HOTKEYF_ALT), 0);
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    CHotKeyPropertyPage stored;
    ASSERT_EQ(stored.LoadSettings(), 1);
    EXPECT_EQ(stored.m_nHotKeys[2], 0x40020);
    EXPECT_EQ(stored.m_nHotKeys[0], 0x20070);
    EXPECT_EQ(stored.m_nHotKeys[26], 0x80028);
}

TEST_F(PagesTest, HotKeyBoxesTakeTheSpaceBar)
{
    CHotKeyPropertyPage page;
    CPropertySheet sheet(L"快捷键表");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    sheet.SetForegroundWindow();
    Pump();
    HWND box = Item(page, IDC_HK_NEXTSUB);
    ::SetFocus(box);

    ::SendMessageW(box, WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::SendMessageW(box, WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_EQ(::SendMessageW(box, HKM_GETHOTKEY, 0, 0), VK_SPACE);

    // Shift+Space typed on the keyboard.
    INPUT keys[4] = {};
    const WORD order[4][2] = { { VK_SHIFT, 0 }, { VK_SPACE, 0 }, { VK_SPACE, KEYEVENTF_KEYUP }, { VK_SHIFT, KEYEVENTF_KEYUP } };
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = order[i][0];
        keys[i].ki.dwFlags = order[i][1];
    }
    ASSERT_EQ(::GetFocus(), box);
    ::SendInput(4, keys, sizeof(INPUT));
    Pump();
    EXPECT_EQ(::SendMessageW(box, HKM_GETHOTKEY, 0, 0), MAKEWORD(VK_SPACE, HOTKEYF_SHIFT));

    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    CHotKeyPropertyPage stored;
    ASSERT_EQ(stored.LoadSettings(), 1);
    EXPECT_EQ(stored.m_nHotKeys[16], 0x10020);
}
