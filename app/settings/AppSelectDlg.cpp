#include "app/settings/AppSelectDlg.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/DShowHelpers.h"
#include "app/foundation/Ini.h"
#include "app/settings/OutputConfigPage.h"

namespace {

const wchar_t kMain[] = L"Main";
const wchar_t kAppSelectKey[] = L"AppSelect";
const wchar_t kCanopus[] = L"Canopus DV";
const wchar_t kMainConcept[] = L"MainConcept DV Video Encoder";

CompressorNamesProc g_compressorNames = nullptr;

HRESULT CompressorNames(std::vector<CString>& names)
{
    return g_compressorNames ? g_compressorNames(names) : EnumVideoCompressorNames(names);
}

} // namespace

CompressorNamesProc SetCompressorNamesProc(CompressorNamesProc proc)
{
    CompressorNamesProc previous = g_compressorNames;
    g_compressorNames = proc;
    return previous;
}

BEGIN_MESSAGE_MAP(CAppSelectDlg, CDialog)
END_MESSAGE_MAP()

CAppSelectDlg::CAppSelectDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CString CAppSelectDlg::SystemSettingsPath()
{
    return GetExeDirectory() + L"\\config\\system.ini";
}

CString CAppSelectDlg::OutputSettingsPath()
{
    return GetExeDirectory() + L"\\config\\output.ini";
}

INT_PTR CAppSelectDlg::ShowIfNeeded()
{
    util::CIni ini(SystemSettingsPath());
    m_bDontShow = ini.GetInt(kMain, kAppSelectKey, 1);
    if (m_bDontShow != 0)
        return IDCANCEL;
    return DoModal();
}

CString CAppSelectDlg::FindDvCodec(const std::vector<CString>& names)
{
    CString found;
    for (const CString& name : names) {
        if (name == kCanopus)
            return name;
        if (name == kMainConcept)
            found = name;
    }
    return found;
}

BOOL CAppSelectDlg::WritePreset(int use, int standard, const CString& dvCodec, const CString& outputIni)
{
    // The rows match the output format page's presets: streaming 320 x 240 progressive at
    // 44.1 kHz, production D1 4:3 PAL or NTSC at 48 kHz.
    COutputConfigPage format;
    CString codec;
    if (use == kStreaming) {
        format.ApplyPreset(0);
        format.m_nAudioFormat = COutputConfigPage::k44kHz;
        codec = L"MJPEG Compressor";
    } else {
        format.ApplyPreset(standard == kNtsc ? 4 : 2);
        format.m_nAudioFormat = COutputConfigPage::k48kHz;
        if (!dvCodec.IsEmpty())
            codec = dvCodec;
        else
            codec = standard == kNtsc ? L"Microsoft DV (NTSC)" : L"Microsoft DV (PAL)";
    }
    // The profile API creates the file, not its folder.
    const int slash = outputIni.ReverseFind(L'\\');
    if (slash > 0)
        ::CreateDirectoryW(outputIni.Left(slash), nullptr);
    BOOL ok = format.SaveSettings(outputIni);
    util::CIni ini(outputIni);
    ok = ini.WriteString(L"Avi", L"VCodec", codec) && ok;
    return ok;
}

BOOL CAppSelectDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckRadioButton(IDC_APPSEL_PRODUCTION, IDC_APPSEL_STREAMING, IDC_APPSEL_PRODUCTION);
    CheckRadioButton(IDC_APPSEL_PAL, IDC_APPSEL_NTSC, IDC_APPSEL_PAL);
    return TRUE;
}

void CAppSelectDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_APPSEL_DONTSHOW, m_bDontShow);
}

void CAppSelectDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_nUse = IsDlgButtonChecked(IDC_APPSEL_PRODUCTION) == BST_CHECKED ? kProduction : kStreaming;
    m_nStandard = IsDlgButtonChecked(IDC_APPSEL_NTSC) == BST_CHECKED ? kNtsc : kPal;
    std::vector<CString> names;
    CString dvCodec;
    if (m_nUse == kProduction && SUCCEEDED(CompressorNames(names)))
        dvCodec = FindDvCodec(names);
    WritePreset(m_nUse, m_nStandard, dvCodec, OutputSettingsPath());
    util::CIni ini(SystemSettingsPath());
    ini.WriteInt(kMain, kAppSelectKey, m_bDontShow ? 1 : 0);
    EndDialog(IDOK);
}
