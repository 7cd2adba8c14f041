// The start-up system check: its rows and report for machines given by hand, the skip key in
// system.ini byte for byte, and the dialog on a real window under Xvfb.
#include "app/settings/SysCheckDlg.h"

#include "app/foundation/AppHelpers.h"

#include <gtest/gtest.h>

#include <d3d9.h>

#include "tests/app/ui/DrivenDialog.h"
#include "tests/app/ui/IniFiles.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

SysCheckProbe g_machine;
int g_probes = 0;

SysCheckProbe GivenMachine()
{
    ++g_probes;
    return g_machine;
}

SysCheckProbe Machine(int processors, bool d3d, bool caps, DWORD shader, DWORD textureCaps)
{
    SysCheckProbe probe;
    probe.processors = processors;
    probe.direct3D = d3d;
    probe.caps = caps;
    probe.pixelShaderVersion = shader;
    probe.textureCaps = textureCaps;
    return probe;
}

class SysCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetExeDirectoryOverride(m_folder.Path().c_str());
        m_previous = SetSysCheckProbeProc(&GivenMachine);
        g_probes = 0;
    }
    void TearDown() override
    {
        SetSysCheckProbeProc(m_previous);
        SetExeDirectoryOverride(nullptr);
    }

    CTestProgramFolder m_folder{ L"rvx_syscheck" };
    SysCheckProbeProc m_previous = nullptr;
};

const DWORD kPs20 = D3DPS_VERSION(2, 0);
const DWORD kPow2 = D3DPTEXTURECAPS_POW2;
const DWORD kPow2Conditional = D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL;

} // namespace

TEST_F(SysCheckTest, EachMachineGivesItsRowsAndOnlyAPassingOneStartsSilently)
{
    struct Case {
        const char* what;
        SysCheckProbe machine;
        int result;
        const wchar_t* report;
    } cases[] = {
        { "two processors, shader 2.0, any texture size", Machine(2, true, true, kPs20, 0), 1, L"" },
        { "shader 3.0", Machine(8, true, true, D3DPS_VERSION(3, 0), 0), 1, L"" },
        { "sizes of power of two only when conditional", Machine(2, true, true, kPs20, kPow2Conditional), 1, L"" },
        { "one processor: only the first row fails, all three are listed", Machine(1, true, true, kPs20, 0), 0,
          L"CPU核心\t\t2\t\t1\t\tNO\nPixelShader\t\t0200\t\t0200\t\tYES\n非POW2纹理\t\tYES\t\tYES\t\tYES\n" },
        { "shader 1.4", Machine(2, true, true, D3DPS_VERSION(1, 4), 0), 0,
          L"CPU核心\t\t2\t\t2\t\tYES\nPixelShader\t\t0200\t\t0104\t\tNO\n非POW2纹理\t\tYES\t\tYES\t\tYES\n" },
        { "powers of two only", Machine(4, true, true, kPs20, kPow2), 0,
          L"CPU核心\t\t2\t\t4\t\tYES\nPixelShader\t\t0200\t\t0200\t\tYES\n非POW2纹理\t\tYES\t\tNO\t\tNO\n" },
        // A card that cannot be asked is no card the program can render with: reported, not passed.
        { "no Direct3D 9", Machine(2, false, false, 0, 0), 0,
          L"CPU核心\t\t2\t\t2\t\tYES\nPixelShader\t\t0200\t\tN/A\t\tNO\n非POW2纹理\t\tYES\t\tN/A\t\tNO\n" },
        { "no capabilities of adapter 0", Machine(2, true, false, 0, 0), 0,
          L"CPU核心\t\t2\t\t2\t\tYES\nPixelShader\t\t0200\t\tN/A\t\tNO\n非POW2纹理\t\tYES\t\tN/A\t\tNO\n" },
    };
    for (const Case& c : cases) {
        g_machine = c.machine;
        CSysCheckDlg check;
        EXPECT_EQ(check.RunChecks(), c.result) << c.what;
        EXPECT_STREQ(check.m_strReport, c.report) << c.what;
    }
}

TEST_F(SysCheckTest, TheSkipKeyChecksNothing)
{
    g_machine = Machine(1, false, false, 0, 0);
    struct Case {
        const char* file;
        int result;
        int probes;
    } cases[] = {
        { "[Main]\r\nSysCheck=1\r\n", 1, 0 },
        { "[Main]\r\nSysCheck=0\r\n", 0, 1 },
        { "[Other]\r\nSysCheck=1\r\n", 0, 1 },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(m_folder.ConfigFile(L"system.ini"), c.file));
        g_probes = 0;
        CSysCheckDlg check;
        EXPECT_EQ(check.RunChecks(), c.result) << c.file;
        EXPECT_EQ(g_probes, c.probes) << c.file;
    }
}

TEST_F(SysCheckTest, TheDialogShowsTheReportAndItsCheckBoxWritesTheKeyAtOnce)
{
    g_machine = Machine(1, true, true, D3DPS_VERSION(1, 4), kPow2);
    CDrivenDialog<CSysCheckDlg> dialog;
    ASSERT_EQ(dialog.RunChecks(), 0);
    std::string afterCheck, afterUncheck;
    CString shownReport;
    dialog.driver = [&](CDrivenDialog<CSysCheckDlg>& dlg) {
        dlg.GetDlgItemText(IDC_SYSCHECK_REPORT, shownReport);
        EXPECT_TRUE(SavePng(CaptureScreen(dlg.m_hWnd), L"syscheck_dialog.png"));
        dlg.CheckDlgButton(IDC_SYSCHECK_SKIP, BST_CHECKED);
        dlg.Command(IDC_SYSCHECK_SKIP);
        afterCheck = ReadFileBytes(m_folder.ConfigFile(L"system.ini"));
        dlg.CheckDlgButton(IDC_SYSCHECK_SKIP, BST_UNCHECKED);
        dlg.Command(IDC_SYSCHECK_SKIP);
        afterUncheck = ReadFileBytes(m_folder.ConfigFile(L"system.ini"));
        dlg.Command(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_STREQ(shownReport, dialog.m_strReport);
    EXPECT_EQ(afterCheck, Utf16File(L"[Main]\r\nSysCheck=1\r\n"));
    EXPECT_EQ(afterUncheck, Utf16File(L"[Main]\r\nSysCheck=0\r\n"));
}

TEST_F(SysCheckTest, QuitIsTheDialogsCancel)
{
    g_machine = Machine(1, true, true, kPs20, 0);
    CDrivenDialog<CSysCheckDlg> dialog;
    ASSERT_EQ(dialog.RunChecks(), 0);
    dialog.driver = [](CDrivenDialog<CSysCheckDlg>& dlg) { dlg.Command(IDCANCEL); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    // Quitting leaves the skip key as it was: no file.
    EXPECT_EQ(::GetFileAttributesW(m_folder.ConfigFile(L"system.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SysCheckProbe, ThisMachineUnderTheTestDisplayHasACardThatPasses)
{
    // Wine's Direct3D 9 on the test display: a pixel shader of 2.0 or later and any texture size.
    const SysCheckProbe probe = ProbeThisMachine();
    EXPECT_GE(probe.processors, 1);
    ASSERT_TRUE(probe.direct3D);
    ASSERT_TRUE(probe.caps);
    const std::vector<CSysCheckDlg::Row> rows = CSysCheckDlg::CheckRows(probe);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[1].passed) << "pixel shader " << std::hex << probe.pixelShaderVersion;
    EXPECT_TRUE(rows[2].passed) << "texture caps " << std::hex << probe.textureCaps;
}
