// The Windows Media destinations and metadata pages: [Encoding] byte for byte, the checks of
// the destinations as a table with their order, the free-port search, and both pages on a
// real sheet: refusals that bring their page forward with the focus on the control, and the
// records the main window gets from the applied pages only.
#include <winsock2.h>

#include "app/settings/EncodeInfPage.h"
#include "app/settings/EncodeOutputPage.h"
#include "app/settings/OutputSheets.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "testing/wmprofile/ProfileManagerStandIn.h"
#include "tests/app/settings/OutputPagesFixture.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

const char kEncodingIni[] =
    "[Encoding]\r\n"
    "OutputFile=1\r\n"
    "OutputFilePath=C:\\out\\show.wmv\r\n"
    "Addindex=1\r\n"
    "Overwrite=0\r\n"
    "Broadcast=1\r\n"
    "BroadcastPort=8080\r\n"
    "PushToServer=1\r\n"
    "PushServer=media.example:8081\r\n"
    "PublishPoint=live\r\n"
    "CopyFrom=template\r\n"
    "AutoRemove=1\r\n"
    "Title=晚间新闻\r\n"
    "Author=台\r\n"
    "Rating=G\r\n"
    "Copyright=(c) 2026\r\n"
    "Description=第一集\r\n";

struct DestinationValues {
    int file;
    LPCWSTR path;
    int broadcast;
    LPCWSTR port;
    int push;
    LPCWSTR server, point;
};

void Fill(CEncodeOutputPage& page, const DestinationValues& v)
{
    page.m_nOutputFile = v.file;
    page.m_strOutputFilePath = v.path;
    page.m_nBroadcast = v.broadcast;
    page.m_strBroadcastPort = v.port;
    page.m_nPushToServer = v.push;
    page.m_strPushServer = v.server;
    page.m_strPublishPoint = v.point;
}


} // namespace

TEST_F(OutputPagesTest, EncodingPagesWriteTheirKeysByteForByteAndReadThemBack)
{
    CEncodeOutputPage out;
    Fill(out, { 1, L"C:\\out\\show.wmv", 1, L"8080", 1, L"media.example:8081", L"live" });
    out.m_nAddindex = 1;
    out.m_strCopyFrom = L"template";
    out.m_nAutoRemove = 1;
    ASSERT_TRUE(out.SaveSettings());
    CEncodeInfPage info;
    info.m_strTitle = L"晚间新闻";
    info.m_strAuthor = L"台";
    info.m_strRating = L"G";
    info.m_strCopyright = L"(c) 2026";
    info.m_strDescription = L"第一集";
    ASSERT_TRUE(info.SaveSettings());
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File(kEncodingIni));

    CEncodeOutputPage back;
    CEncodeInfPage backInfo;
    ASSERT_EQ(back.LoadSettings(), 1);
    ASSERT_EQ(backInfo.LoadSettings(), 1);
    EXPECT_EQ(back.m_strPushServer, CString(L"media.example:8081"));
    EXPECT_EQ(back.m_nAutoRemove, 1);
    EXPECT_EQ(backInfo.m_strTitle, CString(L"晚间新闻"));
    CEncodeSettings record;
    back.CopyTo(record);
    backInfo.CopyTo(record);
    EXPECT_EQ(record.Flags, kEncodeOutputFile | kEncodeBroadcast | kEncodePushToServer);
    EXPECT_EQ(record.Port, 8080);
    EXPECT_EQ(record.Description, CString(L"第一集"));
}

TEST_F(OutputPagesTest, EncodingPagesStartEmptyAndTakeTheLoadDefaultsFromAFileWithoutKeys)
{
    CEncodeOutputPage none;
    EXPECT_EQ(none.LoadSettings(), 0);
    EXPECT_EQ(none.m_nOutputFile + none.m_nBroadcast + none.m_nPushToServer, 0);
    EXPECT_TRUE(none.m_strBroadcastPort.IsEmpty());
    CEncodeInfPage noInfo;
    EXPECT_EQ(noInfo.LoadSettings(), 0);

    WriteBytes(IniPath(), "[Other]\r\n");
    CEncodeOutputPage page;
    EXPECT_EQ(page.LoadSettings(), 1);
    EXPECT_EQ(page.m_nOutputFile, 1);
    EXPECT_EQ(page.m_nBroadcast, 1);
    EXPECT_EQ(page.m_nPushToServer, 0);
    EXPECT_EQ(page.m_strBroadcastPort, CString(L"8080"));

    // The port keeps its low 16 bits; a text that is no number keeps the record's port.
    struct Case {
        const wchar_t* text;
        WORD port;
    } cases[] = { { L"8080", 8080 }, { L"65537", 1 }, { L"-1", 65535 }, { L"abc", 4321 }, { L"", 4321 } };
    for (const Case& c : cases) {
        page.m_strBroadcastPort = c.text;
        CEncodeSettings record;
        record.Port = 4321;
        page.CopyTo(record);
        EXPECT_EQ(record.Port, c.port) << c.text;
    }
}

TEST(EncodeOutputPage, TheFirstFailingCheckNamesItsMessageAndControl)
{
    struct Case {
        DestinationValues values;
        UINT textId, controlId;
    } cases[] = {
        { { 0, L"", 0, L"abc", 1, L"", L"" }, 108, 1121 },                   // both push fields empty: server first
        { { 0, L"", 0, L"", 1, L"srv:8081", L"" }, 109, 1122 },
        { { 1, L"", 1, L"0", 1, L"srv", L"pt" }, 111, 1127 },                // port before file name
        { { 0, L"", 1, L"65536", 0, L"", L"" }, 111, 1127 },
        { { 0, L"", 1, L"abc", 0, L"", L"" }, 111, 1127 },
        { { 0, L"", 1, L"", 0, L"", L"" }, 111, 1127 },
        { { 0, L"", 1, L"65535", 0, L"", L"" }, 0, 0 },
        { { 0, L"", 0, L"abc", 0, L"", L"" }, 0, 0 },                        // pull off: no port check
        { { 1, L"", 0, L"", 0, L"", L"" }, 112, 1128 },
        { { 1, L"C:\\v\\a.b.wmv", 1, L"8080", 0, L"", L"" }, 0, 0 },
        { { 1, L"a(1).wmv", 0, L"", 0, L"", L"" }, 112, 1128 },
        { { 1, L"[x].wmv", 0, L"", 0, L"", L"" }, 112, 1128 },
        { { 1, L"100%.wmv", 0, L"", 0, L"", L"" }, 112, 1128 },
        { { 1, L"C:\\v\\a\"b.wmv", 0, L"", 0, L"", L"" }, 112, 1128 },       // quotes name no file
        { { 1, L"C:\\v\\a.wmv:hidden", 0, L"", 0, L"", L"" }, 112, 1128 },   // a stream of another file
        { { 1, L"C:\\v\\", 0, L"", 0, L"", L"" }, 112, 1128 },               // a folder
        { { 0, L"", 0, L"", 0, L"", L"" }, 0, 0 },                           // nothing to write to
    };
    for (const Case& c : cases) {
        CEncodeOutputPage page;
        Fill(page, c.values);
        const CEncodeOutputPage::Refusal refusal = page.Validate();
        EXPECT_EQ(refusal.textId, c.textId) << c.values.path << " port " << c.values.port;
        EXPECT_EQ(refusal.controlId, c.controlId);
    }
}

namespace {

std::vector<int>& Tried()
{
    static std::vector<int> tried;
    return tried;
}

int RefuseEveryPort(UINT_PTR, int port)
{
    Tried().push_back(port);
    return SOCKET_ERROR;
}

int BindFrom1030(UINT_PTR, int port)
{
    Tried().push_back(port);
    return port >= 1030 ? 0 : SOCKET_ERROR;
}

} // namespace

TEST(EncodeOutputPage, TheFreePortIsTheFirstThatBinds)
{
    Tried().clear();
    EXPECT_EQ(CEncodeOutputPage::FindFreePort(BindFrom1030), 1030);
    EXPECT_EQ(Tried(), (std::vector<int>{ 1025, 1026, 1027, 1028, 1029, 1030 }));

    // None binds: 65536, which the port check refuses, never a port that did not bind.
    Tried().clear();
    EXPECT_EQ(CEncodeOutputPage::FindFreePort(RefuseEveryPort), 65536);
    EXPECT_EQ(Tried().size(), 65535u - 1025u + 1u);

    // With real sockets: a port held by a listener here is passed over, and the port found
    // can be bound once the search has let it go.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const int first = CEncodeOutputPage::FindFreePort();
    ASSERT_GE(first, 1025);
    ASSERT_LE(first, 65535);
    SOCKET holder = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(first));
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(holder, 1), 0);
    const int next = CEncodeOutputPage::FindFreePort();
    EXPECT_NE(next, first);
    EXPECT_GT(next, 1025);
    closesocket(holder);
    WSACleanup();
}

TEST_F(OutputPagesTest, WindowsMediaSheetRefusesWithTheFocusAndCopiesOnlyAppliedPages)
{
    standin::CProfileManagerStandIn profiles;
    WriteBytes(IniPath(), Utf16File("[Encoding]\r\nOutputFile=0\r\nBroadcast=1\r\nBroadcastPort=8080\r\nPushToServer=0\r\nTitle=Old\r\n"));
    CWmvOutputSheet sheet;
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    CEncodeOutputPage& page = sheet.m_outputPage;
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_EO_BROADCAST), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(Text(page, IDC_EO_PORT), CString(L"8080"));
    EXPECT_FALSE(Enabled(page, IDC_EO_FILE_PATH));
    EXPECT_FALSE(Enabled(page, IDC_EO_PUSH_SERVER));
    EXPECT_TRUE(Enabled(page, IDC_EO_FIND_PORT));
    SavePng(CaptureScreen(sheet.m_hWnd), L"wmv_output_sheet.png");

    // A click on a destination enables its controls.
    page.CheckDlgButton(IDC_EO_PUSH, BST_CHECKED);
    Click(page, IDC_EO_PUSH);
    EXPECT_TRUE(Enabled(page, IDC_EO_PUSH_SERVER));
    EXPECT_TRUE(Enabled(page, IDC_EO_AUTO_REMOVE));
    page.CheckDlgButton(IDC_EO_OUTPUT_FILE, BST_CHECKED);
    Click(page, IDC_EO_OUTPUT_FILE);
    EXPECT_TRUE(Enabled(page, IDC_EO_BROWSE));

    // The save dialog names the file.
    AfxSetFileDialogProc([](BOOL open, OPENFILENAMEW* ofn) {
        EXPECT_FALSE(open);
        EXPECT_STREQ(ofn->lpstrDefExt, L"wmv");
        EXPECT_TRUE(ofn->Flags & OFN_OVERWRITEPROMPT);
        wcscpy(ofn->lpstrFile, L"D:\\shows\\night.wmv");
        return TRUE;
    });
    Click(page, IDC_EO_BROWSE);
    AfxSetFileDialogProc(nullptr);
    EXPECT_EQ(Text(page, IDC_EO_FILE_PATH), CString(L"D:\\shows\\night.wmv"));

    // Refused while the metadata page is on show: the destinations page comes forward with
    // the focus on the control, and the file stays as it was.
    const std::string before = ReadBytes(IniPath());
    SetText(page, IDC_EO_PORT, L"99999");
    sheet.SetActivePage(&sheet.m_infoPage);
    Pump();
    EXPECT_EQ(Text(sheet.m_infoPage, IDC_EI_TITLE), CString(L"Old"));
    SetText(sheet.m_infoPage, IDC_EI_TITLE, L"新标题");
    SavePng(CaptureScreen(sheet.m_hWnd), L"wmv_info_page.png");
    EXPECT_FALSE(sheet.SendMessage(PSM_APPLY));
    ASSERT_GE(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, L"请输入推服务器地址");
    EXPECT_EQ(Boxes()[0].caption, L"错误");
    EXPECT_EQ(sheet.GetActivePage(), &page);
    EXPECT_EQ(::GetFocus(), Item(page, IDC_EO_PUSH_SERVER));

    SetText(page, IDC_EO_PUSH_SERVER, L"media:8081");
    SetText(page, IDC_EO_PUBLISH_POINT, L"live");
    Boxes().clear();
    EXPECT_FALSE(sheet.SendMessage(PSM_APPLY));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, L"输入端口无效，请重新输入.\n");
    EXPECT_EQ(::GetFocus(), Item(page, IDC_EO_PORT));

    // The search puts a port that bound into the edit.
    Click(page, IDC_EO_FIND_PORT);
    long long found = 0;
    EXPECT_TRUE(ParseNumberInRange(Text(page, IDC_EO_PORT), 1025, 65535, found));
    SetText(page, IDC_EO_PORT, L"8090");
    EXPECT_FALSE(sheet.m_infoPage.m_bApplied);

    Boxes().clear();
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_TRUE(Boxes().empty());
    CEncodeSettings record;
    record.Profile = L"<profile/>";
    ASSERT_TRUE(sheet.CopyApplied(record));
    EXPECT_EQ(record.Flags, kEncodeOutputFile | kEncodeBroadcast | kEncodePushToServer);
    EXPECT_EQ(record.Port, 8090);
    EXPECT_EQ(record.OutputFilePath, CString(L"D:\\shows\\night.wmv"));
    EXPECT_EQ(record.PushServer, CString(L"media:8081"));
    EXPECT_EQ(record.Title, CString(L"新标题"));
    EXPECT_EQ(record.Profile, CString(L"<profile/>"));
    CEncodeInfPage stored;
    ASSERT_EQ(stored.LoadSettings(), 1);
    EXPECT_EQ(stored.m_strTitle, CString(L"新标题"));
}

TEST_F(OutputPagesTest, APageNeverShownIsNotCopied)
{
    standin::CProfileManagerStandIn profiles;
    WriteBytes(IniPath(), "[Encoding]\r\nOutputFile=0\r\nBroadcast=0\r\nTitle=Stored\r\n");
    CWmvOutputSheet sheet;
    ASSERT_TRUE(sheet.Create());
    Pump();
    // Pull broadcast off: an invalid port text is saved as it stands.
    SetText(sheet.m_outputPage, IDC_EO_PORT, L"abc");
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_TRUE(Boxes().empty());
    CEncodeSettings record;
    record.Title = L"Kept";
    ASSERT_TRUE(sheet.CopyApplied(record));
    EXPECT_EQ(record.Flags, 0);
    EXPECT_EQ(record.Title, CString(L"Kept"));
    CEncodeOutputPage stored;
    ASSERT_EQ(stored.LoadSettings(), 1);
    EXPECT_EQ(stored.m_strBroadcastPort, CString(L"abc"));
}

TEST_F(OutputPagesTest, AValueWithLineBreaksStaysOnItsOwnLine)
{
    CEncodeInfPage info;
    info.m_strTitle = L"第一行\r\n第二行";
    info.m_strDescription = L"a\nInjected=1\rb";
    ASSERT_TRUE(info.SaveSettings());
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File("[Encoding]\r\nTitle=第一行 第二行\r\nAuthor=\r\nRating=\r\nCopyright=\r\n"
                                              "Description=a Injected=1 b\r\n"));
    CEncodeOutputPage out;
    out.m_strPushServer = L"srv\r\nPushToServer=1";
    ASSERT_TRUE(out.SaveSettings());
    CEncodeOutputPage back;
    ASSERT_EQ(back.LoadSettings(), 1);
    EXPECT_EQ(back.m_nPushToServer, 0);
    EXPECT_EQ(back.m_strPushServer, CString(L"srv PushToServer=1"));
}
