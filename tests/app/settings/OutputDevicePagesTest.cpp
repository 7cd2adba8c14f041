// The output device pages: their sections of output.ini byte for byte, what a missing or a
// hand-written file loads as, the device lists as tables, and every page on a real sheet
// under Xvfb: shown values, refusals with the focus on the offending control and the file
// left alone, what OK writes, and the sheets the main window opens.
#include "app/settings/AudioOutputConfig.h"
#include "app/settings/AviConfigPage.h"
#include "app/settings/DecklinkConfigPage.h"
#include "app/settings/DvOutputConfigPage.h"
#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputSettingsIni.h"
#include "app/settings/OutputSheets.h"
#include "app/settings/VCardConfigPage.h"
#include "app/settings/VDConfigPage.h"

#include "app/core/DeskMessages.h"
#include "app/foundation/AppHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <uuids.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/app/settings/OutputPagesFixture.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

ListedDevice Device(LPCWSTR name, LPCWSTR description = L"", int pages = 0)
{
    ListedDevice device;
    device.friendlyName = name;
    device.description = description;
    device.pages = pages;
    return device;
}

std::vector<CString> Texts(const std::vector<CAviConfigPage::CodecChoice>& choices)
{
    std::vector<CString> texts;
    for (const auto& choice : choices)
        texts.push_back(choice.text);
    return texts;
}

std::vector<CString> Strings(std::initializer_list<LPCWSTR> items)
{
    std::vector<CString> strings;
    for (LPCWSTR item : items)
        strings.push_back(item);
    return strings;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// output.ini, byte for byte

TEST_F(OutputPagesTest, EachPageWritesItsSectionByteForByte)
{
    struct Case {
        const char* name;
        std::function<BOOL()> save;
        const char* file;
    } cases[] = {
        { "avi",
          [] {
              CAviConfigPage page;
              page.m_settings.Path = L"D:\\rec";
              page.m_settings.Split = 0;
              page.m_settings.Max = 700;
              page.m_settings.VCodec = L"Microsoft DV (PAL)";
              page.m_settings.VQuality = 85;
              page.m_settings.ACodec = L"None";
              return page.SaveSettings();
          },
          "[Avi]\r\nPath=D:\\rec\r\nSplit=0\r\nMax=700\r\nVCodec=Microsoft DV (PAL)\r\nVQuality=85\r\nACodec=None\r\n" },
        { "1394",
          [] {
              C1394OutputConfig page;
              page.m_settings.Device = L"DV #2";
              page.m_settings.AutoSelect = 1;
              return page.SaveSettings();
          },
          "[1394]\r\nDevice=DV #2\r\nAutoSelect=1\r\n" },
        { "decklink",
          [] {
              CDecklinkConfigPage page;
              page.m_settings.VideoDevice = L"Decklink Video Render";
              page.m_settings.AudioDevice = L"None";
              return page.SaveSettings();
          },
          "[Decklink]\r\nVideoDevice=Decklink Video Render\r\nAudioDevice=None\r\n" },
        { "vcard",
          [] {
              CVCardConfigPage page;
              page.m_nMonitor = 1;
              return page.SaveSettings();
          },
          "[VCard]\r\nMonitor=1\r\n" },
        { "virtual device",
          [] {
              CVDConfigPage page;
              page.m_nPort = 9100;
              return page.SaveSettings();
          },
          "[VirtualDevice]\r\nListenPort=9100\r\n" },
        { "sound card",
          [] {
              CAudioOutputConfig page;
              page.m_settings.Enable = 1;
              page.m_settings.Device = L"Default WaveOut Device";
              return page.SaveSettings();
          },
          "[Audio]\r\nEnable=1\r\nDevice=Default WaveOut Device\r\n" },
    };
    for (const Case& c : cases) {
        DeleteFileW(IniPath());
        ASSERT_TRUE(c.save()) << c.name;
        EXPECT_EQ(ReadBytes(IniPath()), Utf16File(c.file)) << c.name;
    }
}

TEST_F(OutputPagesTest, WithoutTheFileEveryPageKeepsItsBuiltInValues)
{
    CAviConfigPage avi;
    C1394OutputConfig dv;
    CDecklinkConfigPage decklink;
    CVCardConfigPage vcard;
    CVDConfigPage vd;
    CAudioOutputConfig audio;
    EXPECT_EQ(avi.LoadSettings(), 0);
    EXPECT_EQ(dv.LoadSettings(), 0);
    EXPECT_EQ(decklink.LoadSettings(), 0);
    EXPECT_EQ(vcard.LoadSettings(), 0);
    EXPECT_EQ(vd.LoadSettings(), 0);
    EXPECT_EQ(audio.LoadSettings(), 0);
    EXPECT_TRUE(avi.m_settings.Path.IsEmpty());
    EXPECT_EQ(avi.m_settings.Split, 1);
    EXPECT_EQ(avi.m_settings.Max, 2048);
    EXPECT_EQ(avi.m_settings.VQuality, 100);
    EXPECT_TRUE(dv.m_settings.Device.IsEmpty());
    EXPECT_EQ(dv.m_settings.AutoSelect, 0);
    EXPECT_TRUE(decklink.m_settings.VideoDevice.IsEmpty());
    EXPECT_EQ(vcard.m_nMonitor, 2);
    // The port the virtual capture device connects to first, not 0.
    EXPECT_EQ(vd.m_nPort, 8601);
    EXPECT_EQ(audio.m_settings.Enable, 0);
    EXPECT_TRUE(audio.m_settings.Device.IsEmpty());
    EXPECT_EQ(GetFileAttributesW(IniPath()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(OutputPagesTest, AFileWithoutTheKeysGivesTheLoadDefaultsAndAHandWrittenOneIsRead)
{
    WriteBytes(IniPath(), "[Other]\r\nx=1\r\n");
    CAviConfigPage avi;
    CDecklinkConfigPage decklink;
    CVCardConfigPage vcard;
    CVDConfigPage vd;
    CAudioOutputConfig audio;
    EXPECT_EQ(avi.LoadSettings(), 1);
    EXPECT_EQ(decklink.LoadSettings(), 1);
    EXPECT_EQ(vcard.LoadSettings(), 1);
    EXPECT_EQ(vd.LoadSettings(), 1);
    EXPECT_EQ(audio.LoadSettings(), 1);
    EXPECT_EQ(avi.m_settings.Path, CString(L"C:\\"));
    EXPECT_EQ(avi.m_settings.VCodec, CString(L"Microsoft DV (PAL)"));
    EXPECT_EQ(avi.m_settings.ACodec, CString(L"None"));
    EXPECT_EQ(decklink.m_settings.VideoDevice, CString(L"Decklink Video Render"));
    EXPECT_EQ(decklink.m_settings.AudioDevice, CString(L"Decklink Audio Render"));
    EXPECT_EQ(vcard.m_nMonitor, 2);
    EXPECT_EQ(vd.m_nPort, 8601);
    EXPECT_EQ(audio.m_settings.Enable, 1);

    WriteBytes(IniPath(), "[VCard]\r\nMonitor=3\r\n[Audio]\r\nEnable=no\r\nDevice=Speakers\r\n"
                          "[VirtualDevice]\r\nListenPort=80\r\n");
    EXPECT_EQ(vcard.LoadSettings(), 1);
    EXPECT_EQ(audio.LoadSettings(), 1);
    EXPECT_EQ(vd.LoadSettings(), 1);
    EXPECT_EQ(vcard.m_nMonitor, 3);
    EXPECT_EQ(audio.m_settings.Enable, 0);
    EXPECT_EQ(audio.m_settings.Device, CString(L"Speakers"));
    EXPECT_EQ(vd.m_nPort, 8601);   // a port the page refuses is never listened on
}

// ---------------------------------------------------------------------------------------------
// Lists

TEST(OutputPageLists, TheVideoCompressorListShowsOnlyCompressorsTheRecordingCanUse)
{
    struct Case {
        std::vector<ListedDevice> devices;
        std::vector<CString> texts;
    } cases[] = {
        { {}, Strings({ L"None" }) },
        { { Device(L"DV Video Encoder") }, Strings({ L"None", L"Microsoft DV (NTSC)", L"Microsoft DV (PAL)" }) },
        { { Device(L"MJPEG Compressor"), Device(L"Microsoft Video 1"), Device(L"microsoft rle"), Device(L"Microsoft RLE") },
          Strings({ L"None", L"Microsoft Video 1", L"Microsoft RLE" }) },
        { { Device(L"WMVideo9 Encoder DMO"), Device(L"DV Video Encoder"), Device(L"Cinepak Codec by Radius") },
          Strings({ L"None", L"WMVideo9 Encoder DMO", L"Microsoft DV (NTSC)", L"Microsoft DV (PAL)", L"Cinepak Codec by Radius" }) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Texts(CAviConfigPage::VideoCodecChoices(c.devices)), c.texts) << c.devices.size();

    // Both DV entries stand for the one encoder.
    const auto choices = CAviConfigPage::VideoCodecChoices({ Device(L"Microsoft Video 1"), Device(L"DV Video Encoder") });
    EXPECT_EQ(choices[0].device, -1);
    EXPECT_EQ(choices[1].device, 0);
    EXPECT_EQ(choices[2].device, 1);
    EXPECT_EQ(choices[3].device, 1);
}

TEST(OutputPageLists, DeviceListsNameEachDeviceOnceAndKeepOnlyDecklinkRenderers)
{
    EXPECT_EQ(C1394OutputConfig::DeviceListTexts({ Device(L"DV"), Device(L"DV"), Device(L"DV", L"Sony"), Device(L"DV"), Device(L"Cam") }),
              Strings({ L"DV", L"DV #2", L"DV(Sony)", L"DV #3", L"Cam" }));
    EXPECT_EQ(CDecklinkConfigPage::RendererChoices({ Device(L"Decklink Video Render"), Device(L"Video Renderer"),
                                                     Device(L"DeckLink Video Render"), Device(L"My Decklink 2") }),
              Strings({ L"None", L"Decklink Video Render", L"My Decklink 2" }));
    MONITORINFOEXW monitor = {};
    wcscpy(monitor.szDevice, L"\\\\.\\DISPLAY2");
    monitor.rcMonitor = { -1280, 0, 0, 1024 };
    EXPECT_EQ(CVCardConfigPage::MonitorText(monitor), CString(L"\\\\.\\DISPLAY2 (-1280,0,0,1024)"));
}

TEST(OutputPageLists, NumbersAreTakenWholeAndInRange)
{
    struct Case {
        const wchar_t* text;
        long long low, high;
        bool ok;
        long long value;
    } cases[] = {
        { L"8601", 1024, 65535, true, 8601 },   { L" 65535 ", 1024, 65535, true, 65535 },
        { L"65536", 1024, 65535, false, 0 },    { L"80", 1024, 65535, false, 0 },
        { L"", 1, 100, false, 0 },              { L"abc", 1, 100, false, 0 },
        { L"12abc", 1, 100, false, 0 },         { L"-5", -10, 10, true, -5 },
        { L"99999999999999999999", 0, 100, false, 0 },
    };
    for (const Case& c : cases) {
        long long value = 0;
        EXPECT_EQ(ParseNumberInRange(c.text, c.low, c.high, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// On a sheet

TEST_F(OutputPagesTest, AviPageShowsItsValuesRefusesABadSizeAndWritesWhatWasChosen)
{
    Devices()[CLSID_VideoCompressorCategory] = { Device(L"MJPEG Compressor"), Device(L"DV Video Encoder", L"", 1),
                                                 Device(L"Microsoft Video 1", L"", 0) };
    Devices()[CLSID_AudioCompressorCategory] = { Device(L"PCM"), Device(L"MPEG Layer-3", L"", 1) };
    WriteBytes(IniPath(), Utf16File("[Avi]\r\nPath=D:\\rec\r\nSplit=1\r\nMax=650\r\nVCodec=Microsoft DV (PAL)\r\nVQuality=40\r\nACodec=None\r\n"));
    CAviOutputSheet sheet;
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    CAviConfigPage& page = sheet.m_page;

    EXPECT_EQ(Text(page, IDC_AVI_PATH), CString(L"D:\\rec"));
    EXPECT_EQ(Text(page, IDC_AVI_MAX), CString(L"650"));
    EXPECT_EQ(Text(page, IDC_AVI_VQUALITY), CString(L"40"));
    EXPECT_EQ(SendItem(page, IDC_AVI_VQUALITY_BAR, TBM_GETPOS), 40);
    EXPECT_EQ(SendItem(page, IDC_AVI_VCODEC, CB_GETCOUNT), 4);      // None, NTSC, PAL, Video 1
    EXPECT_EQ(SendItem(page, IDC_AVI_VCODEC, CB_GETCURSEL), 2);
    EXPECT_EQ(SendItem(page, IDC_AVI_ACODEC, CB_GETCOUNT), 3);
    EXPECT_EQ(SendItem(page, IDC_AVI_ACODEC, CB_GETCURSEL), 0);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_AVI_SPLIT), static_cast<UINT>(BST_CHECKED));
    SavePng(CaptureScreen(sheet.m_hWnd), L"avi_output_sheet.png");

    // A compressor with property pages enables its button; any new choice resets the quality.
    Select(page, IDC_AVI_VCODEC, 3);
    EXPECT_FALSE(Enabled(page, IDC_AVI_VCODEC_SETUP));
    EXPECT_EQ(Text(page, IDC_AVI_VQUALITY), CString(L"100"));
    Select(page, IDC_AVI_VCODEC, 1);
    EXPECT_TRUE(Enabled(page, IDC_AVI_VCODEC_SETUP));
    Select(page, IDC_AVI_ACODEC, 2);
    EXPECT_TRUE(Enabled(page, IDC_AVI_ACODEC_SETUP));
    // The track bar drives the quality edit.
    SendItem(page, IDC_AVI_VQUALITY_BAR, TBM_SETPOS, TRUE, 70);
    page.SendMessage(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 70), reinterpret_cast<LPARAM>(Item(page, IDC_AVI_VQUALITY_BAR)));
    EXPECT_EQ(Text(page, IDC_AVI_VQUALITY), CString(L"70"));

    // The folder browser puts its choice into the folder edit.
    BrowseAnswer() = L"E:\\video";
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_AVI_BROWSE, BN_CLICKED), reinterpret_cast<LPARAM>(Item(page, IDC_AVI_BROWSE)));
    EXPECT_EQ(Text(page, IDC_AVI_PATH), CString(L"E:\\video"));
    EXPECT_EQ(BrowseTitle(), L"请选择一个文件夹，然后点击[确定]按钮");

    // Refusals: the message, the focus on the control, the file as it was.
    const std::string before = ReadBytes(IniPath());
    struct Refusal {
        UINT id;
        const wchar_t* text;
        const wchar_t* message;
    } refusals[] = {
        { IDC_AVI_MAX, L"0", L"每个文件的大小无效，请输入大于0的MB数。" },
        { IDC_AVI_MAX, L"", L"每个文件的大小无效，请输入大于0的MB数。" },
        { IDC_AVI_MAX, L"99999999999", L"每个文件的大小无效，请输入大于0的MB数。" },
        { IDC_AVI_VQUALITY, L"101", L"质量无效，请输入0到100之间的数。" },
    };
    for (const Refusal& r : refusals) {
        SetText(page, IDC_AVI_MAX, L"650");
        SetText(page, IDC_AVI_VQUALITY, L"70");
        SetText(page, r.id, r.text);
        Boxes().clear();
        EXPECT_FALSE(sheet.SendMessage(PSM_APPLY)) << r.text;
        ASSERT_EQ(Boxes().size(), 1u) << r.text;
        EXPECT_EQ(Boxes()[0].text, r.message);
        EXPECT_EQ(Boxes()[0].caption, L"错误");
        EXPECT_TRUE(Boxes()[0].type & MB_ICONERROR);
        EXPECT_EQ(::GetFocus(), Item(page, r.id)) << r.text;
        EXPECT_EQ(ReadBytes(IniPath()), before);
    }

    SetText(page, IDC_AVI_MAX, L"1024");
    SetText(page, IDC_AVI_VQUALITY, L"70");
    page.CheckDlgButton(IDC_AVI_SPLIT, BST_UNCHECKED);
    sheet.SendMessage(PSM_PRESSBUTTON, PSBTN_OK);
    Pump();
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File("[Avi]\r\nPath=E:\\video\r\nSplit=0\r\nMax=1024\r\nVCodec=Microsoft DV (NTSC)\r\n"
                                              "VQuality=70\r\nACodec=MPEG Layer-3\r\n"));
    AviOutputSettings record;
    EXPECT_TRUE(sheet.CopyApplied(record));
    EXPECT_EQ(record.Max, 1024);
    EXPECT_EQ(record.Path, CString(L"E:\\video"));
}

TEST_F(OutputPagesTest, AviPageKeepsAStoredCompressorItCannotList)
{
    Devices()[CLSID_VideoCompressorCategory] = { Device(L"MJPEG Compressor") };
    WriteBytes(IniPath(), "[Avi]\r\nPath=C:\\\r\nVCodec=MJPEG Compressor\r\nACodec=Lame\r\n");
    CAviOutputSheet sheet;
    ASSERT_TRUE(sheet.Create());
    Pump();
    EXPECT_EQ(SendItem(sheet.m_page, IDC_AVI_VCODEC, CB_GETCURSEL), -1);
    EXPECT_EQ(SendItem(sheet.m_page, IDC_AVI_VCODEC, CB_GETCOUNT), 1);
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    AviOutputSettings stored;
    ASSERT_EQ(LoadAviOutputSettings(IniPath(), stored), 1);
    EXPECT_EQ(stored.VCodec, CString(L"MJPEG Compressor"));
    EXPECT_EQ(stored.ACodec, CString(L"Lame"));
}

TEST_F(OutputPagesTest, DvPageSelectsTheStoredNumberedDeviceAndAutomaticChoiceLocksTheList)
{
    Devices()[kKsRenderCategory] = { Device(L"DV"), Device(L"DV"), Device(L"Panasonic DV", L"Tape") };
    WriteBytes(IniPath(), Utf16File("[1394]\r\nDevice=DV #2\r\nAutoSelect=0\r\n"));
    C1394OutputSheet sheet;
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    C1394OutputConfig& page = sheet.m_page;
    EXPECT_EQ(SendItem(page, IDC_DV_DEVICE, CB_GETCOUNT), 3);
    EXPECT_EQ(SendItem(page, IDC_DV_DEVICE, CB_GETCURSEL), 1);
    EXPECT_TRUE(Enabled(page, IDC_DV_DEVICE));
    SavePng(CaptureScreen(sheet.m_hWnd), L"dv_output_sheet.png");

    page.CheckDlgButton(IDC_DV_AUTO_SELECT, BST_CHECKED);
    Click(page, IDC_DV_AUTO_SELECT);
    EXPECT_FALSE(Enabled(page, IDC_DV_DEVICE));
    EXPECT_FALSE(Enabled(page, IDC_DV_PROPERTIES));
    Select(page, IDC_DV_DEVICE, 2);
    sheet.SendMessage(PSM_PRESSBUTTON, PSBTN_OK);
    Pump();
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File("[1394]\r\nDevice=Panasonic DV(Tape)\r\nAutoSelect=1\r\n"));
    DvOutputSettings record;
    EXPECT_TRUE(sheet.CopyApplied(record));
    EXPECT_EQ(record.AutoSelect, 1);
}

TEST_F(OutputPagesTest, DecklinkPageListsTheCardsRenderersAndKeepsAListWithoutChoice)
{
    Devices()[kVideoRendererCategory] = { Device(L"Video Renderer"), Device(L"Decklink Video Render") };
    Devices()[CLSID_AudioRendererCategory] = { Device(L"Default DirectSound Device"), Device(L"Decklink Audio Render") };
    WriteBytes(IniPath(), Utf16File("[Decklink]\r\nVideoDevice=None\r\nAudioDevice=Gone Render\r\n"));
    CDecklinkOutputSheet sheet;
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    CDecklinkConfigPage& page = sheet.m_page;
    EXPECT_EQ(SendItem(page, IDC_DL_VIDEO, CB_GETCOUNT), 2);
    EXPECT_EQ(SendItem(page, IDC_DL_VIDEO, CB_GETCURSEL), 0);
    EXPECT_EQ(SendItem(page, IDC_DL_AUDIO, CB_GETCURSEL), -1);
    SavePng(CaptureScreen(sheet.m_hWnd), L"decklink_output_sheet.png");
    Select(page, IDC_DL_VIDEO, 1);
    sheet.SendMessage(PSM_PRESSBUTTON, PSBTN_OK);
    Pump();
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File("[Decklink]\r\nVideoDevice=Decklink Video Render\r\nAudioDevice=Gone Render\r\n"));
}

TEST_F(OutputPagesTest, GraphicsCardPageWritesOnlyAChosenMonitor)
{
    std::vector<MONITORINFOEXW> monitors;
    CVCardConfigPage::EnumMonitors(monitors);
    ASSERT_GE(monitors.size(), 1u);

    // Monitor 2 of a one-monitor display selects nothing, and OK writes nothing.
    WriteBytes(IniPath(), "[VCard]\r\nMonitor=9\r\n");
    {
        CVCardOutputSheet sheet;
        ASSERT_TRUE(sheet.Create());
        sheet.ShowWindow(SW_SHOW);
        Pump();
        EXPECT_EQ(SendItem(sheet.m_page, IDC_VC_MONITOR, LB_GETCOUNT), static_cast<LRESULT>(monitors.size()));
        EXPECT_EQ(SendItem(sheet.m_page, IDC_VC_MONITOR, LB_GETCURSEL), LB_ERR);
        EXPECT_EQ(Text(sheet.m_page, IDC_VC_MONITOR, 0), CVCardConfigPage::MonitorText(monitors[0]));
        EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
        EXPECT_EQ(ReadBytes(IniPath()), "[VCard]\r\nMonitor=9\r\n");
    }
    {
        CVCardOutputSheet sheet;
        ASSERT_TRUE(sheet.Create());
        sheet.ShowWindow(SW_SHOW);
        Pump();
        SendItem(sheet.m_page, IDC_VC_MONITOR, LB_SETCURSEL, 0);
        Click(sheet.m_page, IDC_VC_REFRESH);   // a refresh keeps the list, not the choice
        EXPECT_EQ(SendItem(sheet.m_page, IDC_VC_MONITOR, LB_GETCOUNT), static_cast<LRESULT>(monitors.size()));
        SendItem(sheet.m_page, IDC_VC_MONITOR, LB_SETCURSEL, 0);
        SavePng(CaptureScreen(sheet.m_hWnd), L"vcard_output_sheet.png");
        EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
        int monitor = 0;
        EXPECT_TRUE(sheet.CopyApplied(monitor));
        EXPECT_EQ(monitor, 1);
    }
    int stored = 0;
    ASSERT_EQ(LoadVCardMonitor(IniPath(), stored), 1);
    EXPECT_EQ(stored, 1);
}

TEST_F(OutputPagesTest, VirtualDevicePageRefusesPortsOutOfRangeAndCreatesTheFile)
{
    CVDOutputSheet sheet;
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    CVDConfigPage& page = sheet.m_page;
    EXPECT_EQ(Text(page, IDC_VD_PORT), CString(L"8601"));
    SavePng(CaptureScreen(sheet.m_hWnd), L"vd_output_sheet.png");
    for (const wchar_t* bad : { L"80", L"1023", L"65536", L"70000", L"" }) {
        SetText(page, IDC_VD_PORT, bad);
        Boxes().clear();
        EXPECT_FALSE(sheet.SendMessage(PSM_APPLY)) << bad;
        ASSERT_EQ(Boxes().size(), 1u) << bad;
        EXPECT_EQ(Boxes()[0].text, L"监听端口无效，请输入1024到65535之间的端口号。");
        EXPECT_EQ(::GetFocus(), Item(page, IDC_VD_PORT)) << bad;
        EXPECT_EQ(GetFileAttributesW(IniPath()), INVALID_FILE_ATTRIBUTES) << bad;
    }
    SetText(page, IDC_VD_PORT, L"1024");
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_EQ(ReadBytes(IniPath()), Utf16File("[VirtualDevice]\r\nListenPort=1024\r\n"));
    WORD port = 0;
    EXPECT_TRUE(sheet.CopyApplied(port));
    EXPECT_EQ(port, 1024);
}

namespace {

// The main window's side of the sound-card page: the volume it answers and what it is told.
struct VolumeWindow {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_PROGRAM_VOLUME) {
            if (wParam == 1)
                return 35;
            volumes().push_back(static_cast<int>(lParam));
            return 0;
        }
        if (message == WM_SET_AUDIO_OUTPUT) {
            outputs().push_back({ static_cast<int>(wParam), *reinterpret_cast<CString*>(lParam) });
            return 0;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    static std::vector<int>& volumes()
    {
        static std::vector<int> v;
        return v;
    }
    static std::vector<std::pair<int, CString>>& outputs()
    {
        static std::vector<std::pair<int, CString>> v;
        return v;
    }
};

} // namespace

TEST_F(OutputPagesTest, SoundCardPageSetsTheVolumeAtOnceAndTellsTheMainWindowOnlyOfAChange)
{
    WNDCLASSW cls = {};
    cls.lpfnWndProc = VolumeWindow::Proc;
    cls.hInstance = ::GetModuleHandleW(nullptr);
    cls.lpszClassName = L"RvxVolumeWindow";
    ::RegisterClassW(&cls);
    HWND main = ::CreateWindowW(L"RvxVolumeWindow", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(main, nullptr);
    VolumeWindow::volumes().clear();
    VolumeWindow::outputs().clear();
    Devices()[CLSID_AudioRendererCategory] = { Device(L"Default DirectSound Device"), Device(L"Speakers") };
    WriteBytes(IniPath(), "[Audio]\r\nEnable=0\r\nDevice=Speakers\r\n");

    CAudioOutputSheet sheet(nullptr, main);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();
    CAudioOutputConfig& page = sheet.m_page;
    EXPECT_EQ(SendItem(page, IDC_AO_VOLUME, TBM_GETPOS), 35);
    EXPECT_EQ(SendItem(page, IDC_AO_DEVICE, CB_GETCURSEL), 1);
    EXPECT_FALSE(Enabled(page, IDC_AO_DEVICE));
    SavePng(CaptureScreen(sheet.m_hWnd), L"audio_output_sheet.png");

    // Every way the bar moves sets the volume, the keyboard's end included.
    struct Move {
        int code, pos;
    } moves[] = { { TB_PAGEDOWN, 45 }, { TB_THUMBTRACK, 60 }, { TB_LINEUP, 59 }, { TB_BOTTOM, 100 }, { TB_ENDTRACK, 100 } };
    for (const Move& m : moves) {
        SendItem(page, IDC_AO_VOLUME, TBM_SETPOS, TRUE, m.pos);
        page.SendMessage(WM_HSCROLL, MAKEWPARAM(m.code, 0), reinterpret_cast<LPARAM>(Item(page, IDC_AO_VOLUME)));
    }
    EXPECT_EQ(VolumeWindow::volumes(), (std::vector<int>{ 45, 60, 59, 100, 100 }));

    // Nothing changed: OK tells nobody and writes nothing.
    const std::string before = ReadBytes(IniPath());
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_TRUE(VolumeWindow::outputs().empty());
    EXPECT_EQ(ReadBytes(IniPath()), before);

    page.CheckDlgButton(IDC_AO_ENABLE, BST_CHECKED);
    Click(page, IDC_AO_ENABLE);
    EXPECT_TRUE(Enabled(page, IDC_AO_DEVICE));
    Select(page, IDC_AO_DEVICE, 0);
    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    ASSERT_EQ(VolumeWindow::outputs().size(), 1u);
    EXPECT_EQ(VolumeWindow::outputs()[0].first, 1);
    EXPECT_EQ(VolumeWindow::outputs()[0].second, CString(L"Default DirectSound Device"));
    // The hand-written file stays in its own encoding.
    EXPECT_EQ(ReadBytes(IniPath()), "[Audio]\r\nEnable=1\r\nDevice=Default DirectSound Device\r\n");
    AudioOutputSettings stored;
    ASSERT_EQ(LoadAudioOutputSettings(IniPath(), stored), 1);
    EXPECT_EQ(stored.Enable, 1);
    EXPECT_EQ(stored.Device, CString(L"Default DirectSound Device"));
    AudioOutputSettings record;
    EXPECT_TRUE(sheet.CopyApplied(record));
    EXPECT_EQ(record.Device, CString(L"Default DirectSound Device"));
    sheet.DestroyWindow();
    ::DestroyWindow(main);
}
