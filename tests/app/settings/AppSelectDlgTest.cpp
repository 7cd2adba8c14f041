// The application choice: the DV codec it finds, the preset rows it writes into output.ini and
// the AppSelect key of system.ini byte for byte, and the dialog on a real window under Xvfb.
#include "app/settings/AppSelectDlg.h"

#include "app/foundation/AppHelpers.h"

#include <gtest/gtest.h>

#include "tests/app/ui/DrivenDialog.h"
#include "tests/app/ui/IniFiles.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

std::vector<CString> g_compressors;
int g_enumerations = 0;

HRESULT GivenCompressors(std::vector<CString>& names)
{
    ++g_enumerations;
    names = g_compressors;
    return S_OK;
}

class AppSelectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetExeDirectoryOverride(m_folder.Path().c_str());
        m_previous = SetCompressorNamesProc(&GivenCompressors);
        g_compressors.clear();
        g_enumerations = 0;
    }
    void TearDown() override
    {
        SetCompressorNamesProc(m_previous);
        SetExeDirectoryOverride(nullptr);
    }

    std::wstring OutputIni() const { return m_folder.ConfigFile(L"output.ini"); }
    std::wstring SystemIni() const { return m_folder.ConfigFile(L"system.ini"); }

    CTestProgramFolder m_folder{ L"rvx_appselect" };
    CompressorNamesProc m_previous = nullptr;
};

const wchar_t kPalRow[] =
    L"[Output]\r\nVideoSize=720x576\r\nFrameRate=25.000000\r\nPixelAR=1.067000\r\nFieldType=1\r\nAudioFormat=2\r\n";
const wchar_t kNtscRow[] =
    L"[Output]\r\nVideoSize=720x480\r\nFrameRate=29.970000\r\nPixelAR=0.889000\r\nFieldType=1\r\nAudioFormat=2\r\n";
const wchar_t kStreamingRow[] =
    L"[Output]\r\nVideoSize=320x240\r\nFrameRate=25.000000\r\nPixelAR=1.000000\r\nFieldType=2\r\nAudioFormat=1\r\n";

} // namespace

TEST(AppSelectDlg, CanopusDvWinsWhereverItStands)
{
    struct Case {
        std::vector<CString> names;
        const wchar_t* codec;
    } cases[] = {
        { {}, L"" },
        { { L"MJPEG Compressor", L"Cinepak Codec by Radius" }, L"" },
        { { L"MainConcept DV Video Encoder" }, L"MainConcept DV Video Encoder" },
        { { L"Canopus DV", L"MainConcept DV Video Encoder" }, L"Canopus DV" },
        { { L"MainConcept DV Video Encoder", L"x", L"Canopus DV" }, L"Canopus DV" },
        { { L"canopus dv", L"Canopus DV Codec" }, L"" },   // the names as the codecs give them, exactly
    };
    for (const Case& c : cases)
        EXPECT_STREQ(CAppSelectDlg::FindDvCodec(c.names), c.codec);
}

TEST_F(AppSelectTest, EachChoiceWritesItsRowAndCodecByteForByte)
{
    struct Case {
        int use, standard;
        const wchar_t* dvCodec;
        std::wstring file;
    } cases[] = {
        { CAppSelectDlg::kProduction, CAppSelectDlg::kPal, L"", std::wstring(kPalRow) + L"[Avi]\r\nVCodec=Microsoft DV (PAL)\r\n" },
        { CAppSelectDlg::kProduction, CAppSelectDlg::kNtsc, L"", std::wstring(kNtscRow) + L"[Avi]\r\nVCodec=Microsoft DV (NTSC)\r\n" },
        { CAppSelectDlg::kProduction, CAppSelectDlg::kNtsc, L"Canopus DV", std::wstring(kNtscRow) + L"[Avi]\r\nVCodec=Canopus DV\r\n" },
        // Streaming takes MJPEG whatever DV codec is installed, and either standard.
        { CAppSelectDlg::kStreaming, CAppSelectDlg::kNtsc, L"Canopus DV", std::wstring(kStreamingRow) + L"[Avi]\r\nVCodec=MJPEG Compressor\r\n" },
    };
    for (const Case& c : cases) {
        ::DeleteFileW(OutputIni().c_str());
        EXPECT_TRUE(CAppSelectDlg::WritePreset(c.use, c.standard, c.dvCodec, OutputIni().c_str()));
        EXPECT_EQ(ReadFileBytes(OutputIni()), Utf16File(c.file));
    }

    // A file with other keys keeps them; the row's keys change in place.
    ASSERT_TRUE(WriteFileBytes(OutputIni(), Utf16File(L"[Output]\r\nVideoSize=1x1\r\nOther=7\r\n[Avi]\r\nVCodec=x\r\nSplit=1\r\n")));
    EXPECT_TRUE(CAppSelectDlg::WritePreset(CAppSelectDlg::kStreaming, CAppSelectDlg::kPal, L"", OutputIni().c_str()));
    EXPECT_EQ(ReadFileBytes(OutputIni()),
              Utf16File(L"[Output]\r\nVideoSize=320x240\r\nOther=7\r\nFrameRate=25.000000\r\nPixelAR=1.000000\r\n"
                        L"FieldType=2\r\nAudioFormat=1\r\n[Avi]\r\nVCodec=MJPEG Compressor\r\nSplit=1\r\n"));
}

TEST_F(AppSelectTest, ShownOnlyWhileAppSelectIsZero)
{
    struct Case {
        const char* file;
        bool shown;
    } cases[] = {
        { nullptr, false },                        // no system.ini: the choice has been made
        { "[Main]\r\nSysCheck=1\r\n", false },
        { "[Main]\r\nAppSelect=1\r\n", false },
        { "[Main]\r\nAppSelect=0\r\n", true },
    };
    for (const Case& c : cases) {
        ::DeleteFileW(SystemIni().c_str());
        if (c.file) {
            ASSERT_TRUE(WriteFileBytes(SystemIni(), c.file));
        }
        bool shown = false;
        CDrivenDialog<CAppSelectDlg> dialog;
        dialog.driver = [&](CDrivenDialog<CAppSelectDlg>& dlg) {
            shown = true;
            dlg.Command(IDCANCEL);
        };
        EXPECT_EQ(dialog.ShowIfNeeded(), IDCANCEL) << (c.file ? c.file : "no file");
        EXPECT_EQ(shown, c.shown) << (c.file ? c.file : "no file");
    }
    // Cancel writes nothing.
    EXPECT_EQ(::GetFileAttributesW(OutputIni().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(SystemIni()), "[Main]\r\nAppSelect=0\r\n");
}

TEST_F(AppSelectTest, OkWritesTheChosenPresetAndTheCheckBoxDecidesTheNextStart)
{
    struct Case {
        UINT use, standard;
        bool dontShow;
        std::vector<CString> compressors;
        std::wstring output;
        const wchar_t* appSelect;
        int enumerations;
    } cases[] = {
        { IDC_APPSEL_PRODUCTION, IDC_APPSEL_PAL, false, { L"MainConcept DV Video Encoder", L"Canopus DV" },
          std::wstring(kPalRow) + L"[Avi]\r\nVCodec=Canopus DV\r\n", L"0", 1 },
        { IDC_APPSEL_PRODUCTION, IDC_APPSEL_NTSC, true, {},
          std::wstring(kNtscRow) + L"[Avi]\r\nVCodec=Microsoft DV (NTSC)\r\n", L"1", 1 },
        { IDC_APPSEL_STREAMING, IDC_APPSEL_PAL, true, { L"Canopus DV" },
          std::wstring(kStreamingRow) + L"[Avi]\r\nVCodec=MJPEG Compressor\r\n", L"1", 0 },
    };
    bool first = true;
    for (const Case& c : cases) {
        ::DeleteFileW(OutputIni().c_str());
        ASSERT_TRUE(WriteFileBytes(SystemIni(), Utf16File(L"[Main]\r\nAppSelect=0\r\n")));
        g_compressors = c.compressors;
        g_enumerations = 0;
        bool openedWithProductionPal = false;
        CDrivenDialog<CAppSelectDlg> dialog;
        dialog.driver = [&](CDrivenDialog<CAppSelectDlg>& dlg) {
            openedWithProductionPal = dlg.IsDlgButtonChecked(IDC_APPSEL_PRODUCTION) == BST_CHECKED &&
                                      dlg.IsDlgButtonChecked(IDC_APPSEL_PAL) == BST_CHECKED &&
                                      dlg.IsDlgButtonChecked(IDC_APPSEL_DONTSHOW) == BST_UNCHECKED;
            if (first) {
                EXPECT_TRUE(SavePng(CaptureScreen(dlg.m_hWnd), L"app_select_dialog.png"));
            }
            dlg.CheckRadioButton(IDC_APPSEL_PRODUCTION, IDC_APPSEL_STREAMING, c.use);
            dlg.CheckRadioButton(IDC_APPSEL_PAL, IDC_APPSEL_NTSC, c.standard);
            dlg.CheckDlgButton(IDC_APPSEL_DONTSHOW, c.dontShow ? BST_CHECKED : BST_UNCHECKED);
            dlg.Command(IDOK);
        };
        EXPECT_EQ(dialog.ShowIfNeeded(), IDOK);
        first = false;
        EXPECT_TRUE(openedWithProductionPal);
        EXPECT_EQ(ReadFileBytes(OutputIni()), Utf16File(c.output));
        EXPECT_EQ(ReadFileBytes(SystemIni()), Utf16File(std::wstring(L"[Main]\r\nAppSelect=") + c.appSelect + L"\r\n"));
        EXPECT_EQ(g_enumerations, c.enumerations);

        // Confirmed with the box checked, it never comes back; unchecked, it comes at every start.
        bool shownAgain = false;
        CDrivenDialog<CAppSelectDlg> next;
        next.driver = [&](CDrivenDialog<CAppSelectDlg>& dlg) {
            shownAgain = true;
            dlg.Command(IDCANCEL);
        };
        next.ShowIfNeeded();
        EXPECT_EQ(shownAgain, !c.dontShow);
    }
}
