// The output format page: its keys in output.ini byte for byte, what hand-written files load as,
// the program's audio format, and the page on a real sheet under Xvfb driven through its lists.
#include "app/settings/OutputConfigPage.h"

#include "app/foundation/AppHelpers.h"

#include <gtest/gtest.h>

#include "tests/app/ui/DialogSeams.h"
#include "tests/app/ui/IniFiles.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

class OutputConfigTest : public ::testing::Test {
protected:
    void SetUp() override { SetExeDirectoryOverride(m_folder.Path().c_str()); }
    void TearDown() override { SetExeDirectoryOverride(nullptr); }

    std::wstring OutputIni() const { return m_folder.ConfigFile(L"output.ini"); }

    static void Pump()
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!AfxPumpMessage())
                break;
        }
    }

    CTestProgramFolder m_folder{ L"rvx_outputcfg" };
};

HWND Item(CWnd& page, UINT id)
{
    return ::GetDlgItem(page.m_hWnd, static_cast<int>(id));
}

CString TextOf(HWND hwnd)
{
    wchar_t text[128] = {};
    ::GetWindowTextW(hwnd, text, 128);
    return text;
}

CString ListText(HWND list, int index)
{
    wchar_t text[128] = {};
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

void Select(CWnd& page, UINT id, int index)
{
    ::SendMessageW(Item(page, id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    page.SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(page, id)));
}

} // namespace

TEST_F(OutputConfigTest, SavesItsFiveKeysByteForByte)
{
    struct Case {
        int width, height;
        float rate;
        double pixelAspect;
        int field, audio;
        const wchar_t* file;
    } cases[] = {
        { 720, 576, 25.0f, 1.067, 1, 1,
          L"[Output]\r\nVideoSize=720x576\r\nFrameRate=25.000000\r\nPixelAR=1.067000\r\nFieldType=1\r\nAudioFormat=1\r\n" },
        // The float rate is written as the decimal it was set to, not as 29.969999.
        { 720, 480, 29.97f, 0.889, 0, 2,
          L"[Output]\r\nVideoSize=720x480\r\nFrameRate=29.970000\r\nPixelAR=0.889000\r\nFieldType=0\r\nAudioFormat=2\r\n" },
        { 320, 240, 12.5f, 1.0, 2, 0,
          L"[Output]\r\nVideoSize=320x240\r\nFrameRate=12.500000\r\nPixelAR=1.000000\r\nFieldType=2\r\nAudioFormat=0\r\n" },
    };
    for (const Case& c : cases) {
        ::DeleteFileW(OutputIni().c_str());
        COutputConfigPage page;
        page.m_nWidth = c.width;
        page.m_nHeight = c.height;
        page.m_fFrameRate = c.rate;
        page.m_dPixelAR = c.pixelAspect;
        page.m_nFieldType = c.field;
        page.m_nAudioFormat = c.audio;
        ASSERT_TRUE(page.SaveSettings());
        EXPECT_EQ(ReadFileBytes(OutputIni()), Utf16File(c.file));

        COutputConfigPage back;
        ASSERT_EQ(back.LoadSettings(), 1);
        EXPECT_EQ(back.GetVideoWidth(), c.width);
        EXPECT_EQ(back.GetVideoHeight(), c.height);
        EXPECT_FLOAT_EQ(back.GetFrameRate(), c.rate);
        EXPECT_DOUBLE_EQ(back.m_dPixelAR, c.pixelAspect);
        EXPECT_EQ(back.GetFieldType(), c.field);
        EXPECT_EQ(back.m_nAudioFormat, c.audio);
    }
}

TEST_F(OutputConfigTest, LoadsWhatAFileHoldsAndKeepsTheDefaultsForWhatItCannotUse)
{
    COutputConfigPage missing;
    EXPECT_EQ(missing.LoadSettings(), 0);
    EXPECT_EQ(missing.GetVideoWidth(), 720);
    EXPECT_EQ(missing.GetVideoHeight(), 576);

    struct Case {
        const char* file;
        int width, height;
        float rate;
        int field;
    } cases[] = {
        { "[Output]\r\nVideoSize=640x480\r\nFrameRate=30\r\nFieldType=2\r\n", 640, 480, 30.0f, 2 },
        { "[Output]\r\nVideoSize=abc\r\n", 720, 576, 25.0f, 1 },
        { "[Output]\r\nVideoSize=640x\r\n", 720, 576, 25.0f, 1 },
        { "[Output]\r\nVideoSize=640x480x2\r\n", 720, 576, 25.0f, 1 },
        { "[Output]\r\nVideoSize=640*480\r\n", 720, 576, 25.0f, 1 },
        // Sizes and rates the engine cannot start with keep the defaults.
        { "[Output]\r\nVideoSize=0x0\r\nFrameRate=0\r\n", 720, 576, 25.0f, 1 },
        { "[Output]\r\nVideoSize=-720x576\r\nFrameRate=101\r\n", 720, 576, 25.0f, 1 },
        { "[Output]\r\nVideoSize=100000x576\r\nFrameRate=-5\r\n", 720, 576, 25.0f, 1 },
        { "[Other]\r\nVideoSize=320x240\r\n", 720, 576, 25.0f, 1 },
        { "[Output]\r\nFieldType=3\r\nAudioFormat=-1\r\n", 720, 576, 25.0f, 1 },
        { "[Output]\r\nFieldType=0\r\n", 720, 576, 25.0f, 0 },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(OutputIni(), c.file));
        COutputConfigPage page;
        EXPECT_EQ(page.LoadSettings(), 1) << c.file;
        EXPECT_EQ(page.GetVideoWidth(), c.width) << c.file;
        EXPECT_EQ(page.GetVideoHeight(), c.height) << c.file;
        EXPECT_FLOAT_EQ(page.GetFrameRate(), c.rate) << c.file;
        EXPECT_EQ(page.GetFieldType(), c.field) << c.file;
    }
}

TEST(OutputConfigPage, TheAudioFormatGivesTheProgramsPcmFormat)
{
    struct Case {
        int format;
        DWORD rate;
    } cases[] = { { -1, 44100 }, { 0, 32000 }, { 1, 44100 }, { 2, 48000 }, { 7, 44100 } };
    for (const Case& c : cases) {
        const WAVEFORMATEX wf = COutputConfigPage::WaveFormatOf(c.format);
        EXPECT_EQ(wf.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(wf.nChannels, 2);
        EXPECT_EQ(wf.nSamplesPerSec, c.rate) << c.format;
        EXPECT_EQ(wf.nAvgBytesPerSec, c.rate * 4) << c.format;
        EXPECT_EQ(wf.nBlockAlign, 4);
        EXPECT_EQ(wf.wBitsPerSample, 16);
        EXPECT_EQ(wf.cbSize, 0);
    }
}

TEST_F(OutputConfigTest, OnASheetAPresetFillsTheFieldsAndTheChosenFieldTypeIsSaved)
{
    ASSERT_TRUE(WriteFileBytes(OutputIni(), "[Output]\r\nVideoSize=640x480\r\nFrameRate=25\r\nPixelAR=1\r\nFieldType=2\r\nAudioFormat=0\r\n"));
    COutputConfigPage page;
    CPropertySheet sheet(L"输出参数");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    sheet.ShowWindow(SW_SHOW);
    Pump();

    EXPECT_STREQ(TextOf(Item(page, IDC_OUTCFG_WIDTH)), L"640");
    EXPECT_STREQ(TextOf(Item(page, IDC_OUTCFG_HEIGHT)), L"480");
    EXPECT_STREQ(TextOf(Item(page, IDC_OUTCFG_ASPECT)), L"4:3");
    const HWND presets = Item(page, IDC_OUTCFG_PRESET);
    ASSERT_EQ(::SendMessageW(presets, CB_GETCOUNT, 0, 0), 6);
    EXPECT_STREQ(ListText(presets, 0), L"流媒体 320x240 方形像素 25fps 逐行");
    EXPECT_STREQ(ListText(presets, 5), L"D1/DV NTSC 720x480 16:9 29.97fps 隔行");
    const HWND fields = Item(page, IDC_OUTCFG_FIELDTYPE);
    ASSERT_EQ(::SendMessageW(fields, CB_GETCOUNT, 0, 0), 3);
    EXPECT_STREQ(ListText(fields, 0), L"隔行 上场优先");
    EXPECT_STREQ(ListText(fields, 2), L"逐行");
    EXPECT_EQ(::SendMessageW(fields, CB_GETCURSEL, 0, 0), 2);
    const HWND audio = Item(page, IDC_OUTCFG_AUDIOFORMAT);
    EXPECT_STREQ(ListText(audio, 0), L"32kHz stereo 16bits");
    EXPECT_STREQ(ListText(audio, 1), L"44kHz stereo 16bits");
    EXPECT_STREQ(ListText(audio, 2), L"48kHz stereo 16bits");
    EXPECT_EQ(::SendMessageW(audio, CB_GETCURSEL, 0, 0), 0);

    // NTSC 16:9, then another field type and another audio format.
    Select(page, IDC_OUTCFG_PRESET, 5);
    EXPECT_STREQ(TextOf(Item(page, IDC_OUTCFG_WIDTH)), L"720");
    EXPECT_STREQ(TextOf(Item(page, IDC_OUTCFG_HEIGHT)), L"480");
    EXPECT_EQ(::SendMessageW(fields, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(SavePng(CaptureScreen(sheet.m_hWnd), L"output_config_page.png"));
    Select(page, IDC_OUTCFG_FIELDTYPE, 0);
    Select(page, IDC_OUTCFG_AUDIOFORMAT, 2);

    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    // The file was written by hand in ANSI and stays so; every key of it is replaced in place.
    EXPECT_EQ(ReadFileBytes(OutputIni()),
              "[Output]\r\nVideoSize=720x480\r\nFrameRate=29.970000\r\nPixelAR=1.186000\r\nFieldType=0\r\nAudioFormat=2\r\n");
    sheet.DestroyWindow();
}

TEST_F(OutputConfigTest, ARefusedFrameRateKeepsThePageOpenAndTheFileAsItWas)
{
    const char* file = "[Output]\r\nVideoSize=720x576\r\nFrameRate=25\r\n";
    ASSERT_TRUE(WriteFileBytes(OutputIni(), file));
    CDialogSeams seams;
    COutputConfigPage page;
    CPropertySheet sheet(L"输出参数");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    Pump();

    for (const wchar_t* rate : { L"0", L"101" }) {
        seams.boxes.clear();
        ::SetWindowTextW(Item(page, IDC_OUTCFG_FRAMERATE), rate);
        EXPECT_FALSE(sheet.SendMessage(PSM_APPLY)) << rate;
        EXPECT_EQ(seams.boxes.size(), 1u) << rate;
        EXPECT_EQ(ReadFileBytes(OutputIni()), file) << rate;
        EXPECT_TRUE(::IsWindow(sheet.m_hWnd));
    }
    ::SetWindowTextW(Item(page, IDC_OUTCFG_FRAMERATE), L"50");
    ::SetWindowTextW(Item(page, IDC_OUTCFG_WIDTH), L"0");
    EXPECT_FALSE(sheet.SendMessage(PSM_APPLY));
    EXPECT_EQ(ReadFileBytes(OutputIni()), file);
    sheet.DestroyWindow();
}

TEST_F(OutputConfigTest, AMissingFileIsReportedOnceAndSavingCreatesIt)
{
    CDialogSeams seams;
    COutputConfigPage page;
    CPropertySheet sheet(L"输出参数");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    Pump();
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0], L"错误|读取配置文件失败.\n");
    EXPECT_TRUE(seams.boxTypes[0] & MB_ICONERROR);
    EXPECT_STREQ(TextOf(Item(page, IDC_OUTCFG_WIDTH)), L"720");
    EXPECT_EQ(::SendMessageW(Item(page, IDC_OUTCFG_FIELDTYPE), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(Item(page, IDC_OUTCFG_AUDIOFORMAT), CB_GETCURSEL, 0, 0), 1);

    EXPECT_TRUE(sheet.SendMessage(PSM_APPLY));
    EXPECT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(ReadFileBytes(OutputIni()),
              Utf16File(L"[Output]\r\nVideoSize=720x576\r\nFrameRate=25.000000\r\nPixelAR=1.067000\r\nFieldType=1\r\nAudioFormat=1\r\n"));
    sheet.DestroyWindow();
}
