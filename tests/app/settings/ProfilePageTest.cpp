// The Windows Media profile page: the standard choices' index as a table of lines, profile
// files read and written, the figures the lists show, the shipped standard folder, and the
// page on a real sheet against a profile manager that reads profile files (Wine's runtime
// has none): the standard pair built into a profile the output loads, custom files copied,
// chosen and refused when they are no profile, the standard choice kept for the next start,
// and a page without the runtime that says so.
#include "app/settings/ProfileConfigPage.h"

#include "app/core/OutputSettings.h"
#include "app/settings/OutputSheets.h"
#include "app/settings/WmProfiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "testing/wmprofile/ProfileManagerStandIn.h"
#include "tests/app/settings/OutputPagesFixture.h"
#include "tests/app/ui/DrivenDialog.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

const GUID kFirst = { 0x11111111, 0x2222, 0x3333, { 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01 } };
const GUID kSecond = { 0x11111111, 0x2222, 0x3333, { 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02 } };

std::string VideoPrx(const char* name, int bitrate, long long frameTime, int width, int height)
{
    char text[1024];
    snprintf(text, sizeof text,
             "<profile version=\"589824\" storageformat=\"1\" name=\"%s\" description=\"\">\r\n"
             "  <streamconfig majortype=\"{73646976-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\" bitrate=\"%d\">\r\n"
             "    <wmmediatype><videoinfoheader avgtimeperframe=\"%lld\"><bitmapinfoheader biwidth=\"%d\" biheight=\"%d\"/>"
             "</videoinfoheader></wmmediatype>\r\n"
             "  </streamconfig>\r\n</profile>",
             name, bitrate, frameTime, width, height);
    return text;
}

std::string AudioPrx(const char* name, int bitrate)
{
    char text[1024];
    snprintf(text, sizeof text,
             "<profile version=\"589824\" storageformat=\"1\" name=\"%s\" description=\"\">\r\n"
             "  <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\" bitrate=\"%d\">\r\n"
             "  </streamconfig>\r\n</profile>",
             name, bitrate);
    return text;
}

// A profile file as the runtime writes it: UTF-16LE, no byte-order mark.
std::string Utf16Text(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

std::string PairPrx(int audioBitrate, int videoBitrate, long long frameTime, int width, int height)
{
    char text[2048];
    snprintf(text, sizeof text,
             "<profile version=\"589824\" storageformat=\"1\" name=\"pair\" description=\"\">\r\n"
             "  <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\" bitrate=\"%d\">\r\n"
             "  </streamconfig>\r\n"
             "  <streamconfig majortype=\"{73646976-0000-0010-8000-00AA00389B71}\" streamnumber=\"2\" bitrate=\"%d\">\r\n"
             "    <wmmediatype><videoinfoheader avgtimeperframe=\"%lld\"><bitmapinfoheader biwidth=\"%d\" biheight=\"%d\"/>"
             "</videoinfoheader></wmmediatype>\r\n"
             "  </streamconfig>\r\n</profile>",
             audioBitrate, videoBitrate, frameTime, width, height);
    return text;
}

} // namespace

TEST(SettingsMapFile, ChoicesAreReadInFileOrderWithTheNamesOfTheirClasses)
{
    const std::vector<std::string> lines = {
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n",
        "<WMENCSTREAMCONFIG id=\"GUID {11111111-2222-3333-4444-555555555501}\">\r\n",
        "<WMENCSTREAMCONFIG_NAME name=\"视频：320 x 240\"/>\r\n",
        "</WMENCSTREAMCONFIG>",
        "",
        "<WMENCSTREAMCONFIG_NAME x/>",                                            // too short: no name
        "<WMENCSTREAMCONFIG id=\"GUID {not a class}\">",                          // no current class
        "<WMENCSTREAMCONFIG_NAME name=\"lost\"/>",                                // names nothing
        "<WMENCVIDEO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555501}\" file=\"v1.prx\" Destination=\"2\"/>\r\n",
        "<WMENCAUDIO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555502}\" file=\"a1.prx\" Destination=\"2\"/>",
        "<WMENCSCRIPT_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555503}\" file=\"s.prx\" Destination=\"2\"/>",
        "<WMENCAUDIO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555502}\" file=\"a2.prx\" Destination=\"9\"/>",
        "<WMENCAUDIO_CONFIG id=\"GUID",                                           // cut short
        "<WMENCVIDEO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555501}\" file=\"\" Destination=\"2\"/>",
        "<WMENCVIDEO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555501}\" file=\"v.prx\" Destination=\"x\"/>",
        "<WMENCVIDEO_CONFIG id=\"GUID {bad}\" file=\"v.prx\" Destination=\"1\"/>",
    };
    const SettingsMap map = ParseSettingsMap(lines);
    ASSERT_EQ(map.entries.size(), 3u);
    EXPECT_EQ(map.entries[0].type, StreamChoice::kVideo);
    EXPECT_EQ(map.entries[0].id, kFirst);
    EXPECT_EQ(map.entries[0].file, CString(L"v1.prx"));
    EXPECT_EQ(map.entries[0].name, CString(L"视频：320 x 240"));
    EXPECT_EQ(map.entries[1].type, StreamChoice::kAudio);
    EXPECT_EQ(map.entries[1].id, kSecond);
    EXPECT_TRUE(map.entries[1].name.IsEmpty());   // no name under its class
    EXPECT_EQ(map.entries[2].destination, 9);
    EXPECT_EQ(map.byDestination.at(2), (std::vector<size_t>{ 0, 1 }));
    EXPECT_EQ(map.byDestination.at(9), (std::vector<size_t>{ 2 }));
    EXPECT_EQ(map.names.size(), 1u);
    EXPECT_TRUE(ReadSettingsMap(L"C:\\no\\such\\SettingsMap.xml").entries.empty());
}

TEST(WmProfileFigures, FrameRatesAndColumnsAreWorkedOutInFloatingPoint)
{
    struct Case {
        LONGLONG frameTime;
        const wchar_t* fps;
    } cases[] = { { 400000, L"25.00 fps" }, { 333667, L"29.97 fps" }, { 666667, L"15.00 fps" }, { 0, L"0.00 fps" }, { -5, L"0.00 fps" } };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFigures(0, 0, FramesPerSecond(c.frameTime), 0, 0).fps, CString(c.fps)) << c.frameTime;
    const FigureTexts texts = FormatFigures(48000, 282000, 25.0, 320, 240);
    EXPECT_EQ(texts.bitrate, CString(L"330 Kbps"));
    EXPECT_EQ(texts.size, CString(L"320 x 240"));
    // Bit rates whose sum passes 32 bits stay right.
    EXPECT_EQ(FormatFigures(0xFFFFFFFFu, 1000, 0, 0, 0).bitrate, CString(L"4294968 Kbps"));
}

TEST_F(OutputPagesTest, ProfileFilesAreReadWholeAndWrittenWithoutTheirEnd)
{
    standin::CProfileManagerStandIn profiles;
    CComPtr<IWMProfileManager> manager;
    ASSERT_EQ(wmf::CreateProfileManager(&manager), S_OK);
    const CString path = folder_ + L"\\p.prx";
    WriteBytes(path, Utf16Text(VideoPrx("v", 282000, 400000, 320, 240)));

    CComPtr<IWMProfile> profile;
    EXPECT_EQ(LoadProfileFile(nullptr, path, &profile), E_INVALIDARG);
    EXPECT_EQ(LoadProfileFile(manager, L"", &profile), E_INVALIDARG);
    ASSERT_EQ(LoadProfileFile(manager, path, &profile), S_OK);
    DWORD streams = 0;
    profile->GetStreamCount(&streams);
    EXPECT_EQ(streams, 1u);

    // Saved: exactly the manager's text, no zero at its end, no byte-order mark.
    CString text;
    ASSERT_EQ(GetProfileText(manager, profile, text), S_OK);
    EXPECT_EQ(SaveProfileFile(manager, profile, path, false), HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
    EXPECT_EQ(SaveProfileFile(manager, profile, L"", true), E_INVALIDARG);
    ASSERT_EQ(SaveProfileFile(manager, profile, path, true), S_OK);
    const std::string saved = ReadBytes(path);
    EXPECT_EQ(saved.size(), static_cast<size_t>(text.GetLength()) * 2);
    EXPECT_EQ(saved.substr(0, 4), std::string("<\0p\0", 4));

    // What is no profile is refused, never read past its end: text that is not the XML, a
    // file of one odd byte, an empty file, a file with a byte-order mark is still read.
    struct Case {
        std::string bytes;
        bool loads;
    } cases[] = {
        { Utf16Text("<profile version=\"1\" name=\"x\"><streamconfig"), false },
        { "<", false },
        { "", false },
        { Utf16Text("not a profile at all"), false },
        { std::string("\xFF\xFE", 2) + Utf16Text(AudioPrx("a", 64000)), true },
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.bytes);
        CComPtr<IWMProfile> loaded;
        EXPECT_EQ(SUCCEEDED(LoadProfileFile(manager, path, &loaded)), c.loads) << c.bytes.size();
    }
}

TEST_F(OutputPagesTest, TheShippedStandardFolderOffersEveryDestinationAPairThatLoads)
{
    standin::CProfileManagerStandIn profiles;
    CComPtr<IWMProfileManager> manager;
    ASSERT_EQ(wmf::CreateProfileManager(&manager), S_OK);
    const CString folder = CString(RVX_PROGRAM_FOLDER) + L"\\SProfiles";
    const SettingsMap map = ReadSettingsMap(folder + L"\\SettingsMap.xml");
    ASSERT_FALSE(map.entries.empty());
    for (int destination = 0; destination < 7; ++destination) {
        int audio = 0, video = 0;
        for (size_t index : map.byDestination.at(destination)) {
            const StreamChoice& choice = map.entries[index];
            EXPECT_FALSE(choice.name.IsEmpty()) << static_cast<LPCWSTR>(choice.file);
            CComPtr<IWMProfile> profile;
            ASSERT_EQ(LoadProfileFile(manager, folder + L"\\" + choice.file, &profile), S_OK) << static_cast<LPCWSTR>(choice.file);
            CComPtr<IWMStreamConfig> stream;
            ASSERT_EQ(profile->GetStream(0, &stream), S_OK);
            if (choice.type == StreamChoice::kVideo) {
                ++video;
                EXPECT_TRUE(IsVideoStream(stream));
                const StreamFigures figures = ReadStreamFigures(stream);
                EXPECT_TRUE(figures.hasPicture);
                EXPECT_GT(figures.fps, 0.0);
                EXPECT_GT(figures.width, 0);
            } else {
                ++audio;
                EXPECT_TRUE(IsAudioStream(stream));
            }
        }
        EXPECT_GT(audio, 0) << destination;
        EXPECT_GT(video, 0) << destination;
    }
}

namespace {

// The page with the name dialog answered by the test.
class CTestProfilePage : public CProfileConfigPage {
public:
    CString answer;
    int asked = 0;

protected:
    INT_PTR AskProfileName(CProfileRenameDlg& dialog) override
    {
        ++asked;
        if (answer.IsEmpty())
            return IDCANCEL;
        dialog.m_strName = answer;
        dialog.m_strPath = userFolder + L"\\" + answer + L".prx";
        return IDOK;
    }

public:
    CString userFolder;
};

class ProfilePageTest : public OutputPagesTest {
protected:
    void SetUp() override
    {
        OutputPagesTest::SetUp();
        standard_ = folder_ + L"\\SProfiles";
        user_ = folder_ + L"\\UProfiles";
        CreateDirectoryW(standard_, nullptr);
        CreateDirectoryW(user_, nullptr);
        WriteBytes(standard_ + L"\\SettingsMap.xml",
                   "<WMENCSTREAMCONFIG id=\"GUID {11111111-2222-3333-4444-555555555501}\">\r\n"
                   "<WMENCSTREAMCONFIG_NAME name=\"视频 282\"/>\r\n"
                   "<WMENCSTREAMCONFIG id=\"GUID {11111111-2222-3333-4444-555555555502}\">\r\n"
                   "<WMENCSTREAMCONFIG_NAME name=\"音频 48\"/>\r\n"
                   "<WMENCSTREAMCONFIG id=\"GUID {11111111-2222-3333-4444-555555555503}\">\r\n"
                   "<WMENCSTREAMCONFIG_NAME name=\"视频 100\"/>\r\n"
                   "<WMENCVIDEO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555501}\" file=\"v282.prx\" Destination=\"2\"/>\r\n"
                   "<WMENCAUDIO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555502}\" file=\"a48.prx\" Destination=\"2\"/>\r\n"
                   "<WMENCVIDEO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555503}\" file=\"v100.prx\" Destination=\"2\"/>\r\n"
                   "<WMENCVIDEO_CONFIG id=\"GUID {11111111-2222-3333-4444-555555555503}\" file=\"v100.prx\" Destination=\"5\"/>\r\n");
        WriteBytes(standard_ + L"\\v282.prx", Utf16Text(VideoPrx("v282", 282000, 400000, 320, 240)));
        WriteBytes(standard_ + L"\\v100.prx", Utf16Text(VideoPrx("v100", 100000, 666667, 176, 144)));
        WriteBytes(standard_ + L"\\a48.prx", Utf16Text(AudioPrx("a48", 48000)));
    }
    void TearDown() override
    {
        for (const CString& folder : { standard_, user_ }) {
            WIN32_FIND_DATAW found;
            HANDLE find = FindFirstFileW(folder + L"\\*", &found);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    DeleteFileW(folder + L"\\" + found.cFileName);
                } while (FindNextFileW(find, &found));
                FindClose(find);
            }
            RemoveDirectoryW(folder);
        }
        OutputPagesTest::TearDown();
    }

    CString RowText(CWnd& page, UINT list, int row, int column)
    {
        wchar_t text[256] = {};
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendItem(page, list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::vector<int> SelectedRows(CWnd& page, UINT list)
    {
        std::vector<int> rows;
        int row = -1;
        while ((row = static_cast<int>(SendItem(page, list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
            rows.push_back(row);
        return rows;
    }
    void SelectRow(CWnd& page, UINT list, int row)
    {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = 0;
        SendItem(page, list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_SELECTED;
        SendItem(page, list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    }

    CString standard_, user_;
};

struct ProfileSheet : public CPropertySheet {
    ProfileSheet(const CString& standard, const CString& user) : CPropertySheet(L"编码配置")
    {
        page.SetFolders(standard, user);
        page.userFolder = user;
        page.SetOutputSize(720, 576);
        AddPage(&page);
    }
    CTestProfilePage page;
};

} // namespace

TEST_F(ProfilePageTest, TheStandardPairBecomesAProfileTheOutputLoadsAndIsKeptForTheNextStart)
{
    standin::CProfileManagerStandIn profiles;
    WriteBytes(user_ + L"\\old.prx", Utf16Text(PairPrx(64000, 500000, 400000, 320, 240)));
    WriteBytes(IniPath(), Utf16File("[Encoding]\r\nProfile=old.prx\r\n"));
    ProfileSheet sheet(standard_, user_);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    CTestProfilePage& page = sheet.page;
    // Opened in custom mode on the stored file; the standard side shows destination 2.
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_PC_CUSTOM), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(SelectedRows(page, IDC_PC_CUSTOM_LIST), (std::vector<int>{ 0 }));
    EXPECT_EQ(SendItem(page, IDC_PC_DESTINATION, CB_GETCURSEL), 2);
    EXPECT_EQ(SendItem(page, IDC_PC_DESTINATION, CB_GETCOUNT), 7);
    EXPECT_EQ(SendItem(page, IDC_PC_VIDEO, CB_GETCOUNT), 2);
    EXPECT_EQ(SendItem(page, IDC_PC_AUDIO, CB_GETCOUNT), 1);
    EXPECT_EQ(RowText(page, IDC_PC_STANDARD_LIST, 0, 0), CString(L"330 Kbps"));
    EXPECT_EQ(RowText(page, IDC_PC_STANDARD_LIST, 0, 1), CString(L"25.00 fps"));
    EXPECT_EQ(RowText(page, IDC_PC_STANDARD_LIST, 0, 2), CString(L"320 x 240"));
    EXPECT_EQ(RowText(page, IDC_PC_CUSTOM_LIST, 0, 0), CString(L"old"));
    EXPECT_EQ(RowText(page, IDC_PC_CUSTOM_LIST, 0, 1), CString(L"564 Kbps"));
    EXPECT_FALSE(Enabled(page, IDC_PC_VIDEO));
    EXPECT_TRUE(Enabled(page, IDC_PC_CUSTOM_LIST));
    SavePng(CaptureScreen(sheet.m_hWnd), L"wmv_profile_page.png");

    // Standard mode, the second video choice.
    page.CheckRadioButton(IDC_PC_STANDARD, IDC_PC_CUSTOM, IDC_PC_STANDARD);
    Click(page, IDC_PC_STANDARD);
    EXPECT_TRUE(Enabled(page, IDC_PC_VIDEO));
    EXPECT_FALSE(Enabled(page, IDC_PC_EDIT));
    Select(page, IDC_PC_VIDEO, 1);
    EXPECT_EQ(RowText(page, IDC_PC_STANDARD_LIST, 0, 0), CString(L"148 Kbps"));
    EXPECT_EQ(RowText(page, IDC_PC_STANDARD_LIST, 0, 1), CString(L"15.00 fps"));
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_TRUE(page.m_bApplied);
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File("[Encoding]\r\nProfile=\r\nStandardDestination=2\r\nStandardVideo=1\r\n"
                                              "StandardAudio=0\r\nStandardRow=0\r\n"));

    // The text is a two-stream profile: audio 1 then video 2, named "audio/ video".
    CEncodeSettings record;
    record.Profile = page.m_strProfileText;
    EXPECT_GE(record.Profile.Find(L"name=\"音频 48/ 视频 100\""), 0);
    CComPtr<IWMProfile> built;
    built.Attach(record.CreateProfile());
    ASSERT_TRUE(built);
    DWORD count = 0;
    built->GetStreamCount(&count);
    ASSERT_EQ(count, 2u);
    CComPtr<IWMStreamConfig> first, second;
    built->GetStream(0, &first);
    built->GetStream(1, &second);
    WORD number = 0;
    EXPECT_TRUE(IsAudioStream(first));
    first->GetStreamNumber(&number);
    EXPECT_EQ(number, 1);
    EXPECT_TRUE(IsVideoStream(second));
    second->GetStreamNumber(&number);
    EXPECT_EQ(number, 2);
    WMT_VERSION version = WMT_VER_4_0;
    built->GetVersion(&version);
    EXPECT_EQ(version, WMT_VER_9_0);

    // The next start builds the same profile rather than the custom file chosen before.
    CProfileConfigPage next;
    next.SetFolders(standard_, user_);
    ASSERT_EQ(next.LoadSettings(), 1);
    EXPECT_EQ(next.m_strProfileText, page.m_strProfileText);
    EXPECT_TRUE(next.m_strProfile.IsEmpty());
}

TEST_F(ProfilePageTest, ACopyBecomesTheChosenCustomFileAndAFileThatIsNoProfileIsRefused)
{
    standin::CProfileManagerStandIn profiles;
    WriteBytes(user_ + L"\\show.prx", Utf16Text(PairPrx(64000, 500000, 333667, 0, 0)));
    WriteBytes(user_ + L"\\show2.prx", Utf16Text(PairPrx(64000, 300000, 400000, 320, 240)));
    WriteBytes(user_ + L"\\broken.prx", Utf16Text("<profile version=\"589824\" name=\"broken\">"));
    WriteBytes(IniPath(), Utf16File("[Encoding]\r\nProfile=SHOW.prx\r\n"));
    ProfileSheet sheet(standard_, user_);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    CTestProfilePage& page = sheet.page;
    // A file that is no profile is left out; "show" is not "show2".
    ASSERT_EQ(SendItem(page, IDC_PC_CUSTOM_LIST, LVM_GETITEMCOUNT), 2);
    ASSERT_EQ(SelectedRows(page, IDC_PC_CUSTOM_LIST).size(), 1u);
    const int show = SelectedRows(page, IDC_PC_CUSTOM_LIST)[0];
    EXPECT_EQ(RowText(page, IDC_PC_CUSTOM_LIST, show, 0), CString(L"show"));
    // A video size of 0 x 0 shows the output's size.
    EXPECT_EQ(RowText(page, IDC_PC_CUSTOM_LIST, show, 3), CString(L"720 x 576"));
    EXPECT_EQ(RowText(page, IDC_PC_CUSTOM_LIST, show, 2), CString(L"29.97 fps"));

    // Copy the standard choice into a new file: the page turns to custom mode on it.
    page.CheckRadioButton(IDC_PC_STANDARD, IDC_PC_CUSTOM, IDC_PC_STANDARD);
    Click(page, IDC_PC_STANDARD);
    page.answer = L"晚间";
    Click(page, IDC_PC_COPY);
    EXPECT_EQ(page.asked, 1);
    EXPECT_NE(GetFileAttributesW(user_ + L"\\晚间.prx"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_PC_CUSTOM), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(SendItem(page, IDC_PC_CUSTOM_LIST, LVM_GETITEMCOUNT), 3);
    ASSERT_EQ(SelectedRows(page, IDC_PC_CUSTOM_LIST).size(), 1u);
    EXPECT_EQ(RowText(page, IDC_PC_CUSTOM_LIST, SelectedRows(page, IDC_PC_CUSTOM_LIST)[0], 0), CString(L"晚间"));
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_EQ(page.m_strProfile, CString(L"晚间.prx"));
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File("[Encoding]\r\nProfile=晚间.prx\r\n"));
    CProfileConfigPage stored;
    stored.SetFolders(standard_, user_);
    ASSERT_EQ(stored.LoadSettings(), 1);
    EXPECT_EQ(stored.m_strProfile, CString(L"晚间.prx"));
    EXPECT_EQ(stored.m_strProfileText, page.m_strProfileText);

    // Without the runtime's profile editor, Edit does nothing and says nothing.
    Boxes().clear();
    Click(page, IDC_PC_EDIT);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(SendItem(page, IDC_PC_CUSTOM_LIST, LVM_GETITEMCOUNT), 3);

    // The chosen file damaged behind the page's back: refused with a message, nothing kept.
    WriteBytes(user_ + L"\\晚间.prx", Utf16Text("<profile"));
    Boxes().clear();
    EXPECT_FALSE(sheet.SendMessage(PSM_APPLY));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].text.find(L"不是有效的配置文件"), std::wstring::npos);
    EXPECT_EQ(::GetFocus(), Item(page, IDC_PC_CUSTOM_LIST));

    // Delete takes the selected file only after Yes; with nothing selected nothing goes.
    BoxAnswers() = { IDNO };
    Click(page, IDC_PC_DELETE);
    EXPECT_NE(GetFileAttributesW(user_ + L"\\晚间.prx"), INVALID_FILE_ATTRIBUTES);
    SelectRow(page, IDC_PC_CUSTOM_LIST, -1);
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED;
    SendItem(page, IDC_PC_CUSTOM_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    Boxes().clear();
    Click(page, IDC_PC_DELETE);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(SendItem(page, IDC_PC_CUSTOM_LIST, LVM_GETITEMCOUNT), 3);
    SelectRow(page, IDC_PC_CUSTOM_LIST, 0);
    const CString first = RowText(page, IDC_PC_CUSTOM_LIST, 0, 0);
    BoxAnswers() = { IDYES };
    Click(page, IDC_PC_DELETE);
    EXPECT_EQ(GetFileAttributesW(user_ + L"\\" + first + L".prx"), INVALID_FILE_ATTRIBUTES);
    // Refilled: the damaged file is no longer listed.
    EXPECT_EQ(SendItem(page, IDC_PC_CUSTOM_LIST, LVM_GETITEMCOUNT), 1);
}

TEST(ProfileRenameDialog, NamesThatCannotBeAFileAreRefused)
{
    struct Case {
        const wchar_t* name;
        bool valid;
    } cases[] = { { L"show", true }, { L"晚间 新闻", true }, { L"a/b", false }, { L"a\\b", false }, { L"a?b", false },
                  { L"a|b", false },  { L"", false },         { L"a:b", false }, { L"a\"b", false }, { L"100%", false } };
    for (const Case& c : cases)
        EXPECT_EQ(CProfileRenameDlg::IsValidName(CString(c.name) + L".prx"), c.valid) << c.name;
}

TEST_F(ProfilePageTest, TheNameDialogRefusesABadNameAndReplacesAFileOnlyAfterYes)
{
    WriteBytes(user_ + L"\\taken.prx", "x");
    struct Step {
        const wchar_t* name;
        std::vector<int> answers;
        bool closes;
        size_t boxes;
    } steps[] = {
        { L"a/b", {}, false, 1 },
        { L"taken", { IDNO }, false, 1 },
        { L"taken", { IDYES }, true, 1 },
        { L"fresh", {}, true, 0 },
    };
    for (const Step& s : steps) {
        CDrivenDialog<CProfileRenameDlg> dialog(user_);
        bool closed = false;
        dialog.driver = [&](CDrivenDialog<CProfileRenameDlg>& d) {
            SetText(d, IDC_PR_NAME, s.name);
            Boxes().clear();
            BoxAnswers() = s.answers;
            d.Command(IDOK);
            closed = !d.IsOpen();
        };
        dialog.DoModal();
        EXPECT_EQ(closed, s.closes) << s.name;
        EXPECT_EQ(Boxes().size(), s.boxes) << s.name;
        if (s.closes) {
            EXPECT_EQ(dialog.m_strPath, user_ + L"\\" + s.name + L".prx");
        }
    }
}

TEST_F(ProfilePageTest, WithoutTheRuntimeThePageSaysSoOnceAndStaysEmpty)
{
    standin::CNoProfileManager missing;
    ProfileSheet sheet(standard_, user_);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, L"外部错误，可能是没有安装Windows Media Formate 9");
    EXPECT_EQ(Boxes()[0].caption, L"错误");
    EXPECT_EQ(SendItem(sheet.page, IDC_PC_VIDEO, CB_GETCOUNT), 0);
    EXPECT_FALSE(Enabled(sheet.page, IDC_PC_COPY));
    SavePng(CaptureScreen(sheet.m_hWnd), L"wmv_profile_page_no_runtime.png");
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(sheet.page.m_strProfileText.IsEmpty());
    CProfileConfigPage windowless;
    EXPECT_EQ(windowless.LoadSettings(), 0);
}

TEST_F(ProfilePageTest, TheMainWindowsRecordsAreFilledFromThePagesAtStart)
{
    standin::CProfileManagerStandIn profiles;
    OutputRecords none;
    none.encode.Title = L"kept";
    LoadOutputRecords(none, 720, 576);
    // No output.ini: the built-in values, a listen port the virtual device can reach.
    EXPECT_EQ(none.encode.Flags, 0);
    EXPECT_EQ(none.encode.Title, CString(L"kept"));
    // The first start already has a profile: the standard folder's first pair.
    EXPECT_GE(none.encode.Profile.Find(L"name=\"音频 48/ 视频 282\""), 0);
    EXPECT_EQ(none.avi.Max, 2048);
    EXPECT_EQ(none.listenPort, 8601);
    EXPECT_EQ(none.monitor, 2);

    WriteBytes(user_ + L"\\show.prx", Utf16Text(PairPrx(64000, 500000, 400000, 320, 240)));
    WriteBytes(IniPath(), Utf16File("[Encoding]\r\nOutputFile=0\r\nBroadcast=1\r\nBroadcastPort=9090\r\nTitle=夜\r\n"
                                    "Profile=show.prx\r\n[Avi]\r\nMax=700\r\n[VirtualDevice]\r\nListenPort=9100\r\n"
                                    "[Audio]\r\nEnable=1\r\nDevice=Speakers\r\n[VCard]\r\nMonitor=1\r\n"));
    // The profile page's folders are the program folder's.
    CreateDirectoryW(folder_ + L"\\UProfiles", nullptr);
    OutputRecords records;
    LoadOutputRecords(records, 720, 576);
    EXPECT_EQ(records.encode.Flags, kEncodeBroadcast);
    EXPECT_EQ(records.encode.Port, 9090);
    EXPECT_EQ(records.encode.Title, CString(L"夜"));
    EXPECT_GE(records.encode.Profile.Find(L"<profile"), 0);
    EXPECT_EQ(records.avi.Max, 700);
    EXPECT_EQ(records.avi.VCodec, CString(L"Microsoft DV (PAL)"));
    EXPECT_EQ(records.listenPort, 9100);
    EXPECT_EQ(records.audio.Enable, 1);
    EXPECT_EQ(records.audio.Device, CString(L"Speakers"));
    EXPECT_EQ(records.monitor, 1);
    EXPECT_EQ(records.decklink.VideoDevice, CString(L"Decklink Video Render"));
}
