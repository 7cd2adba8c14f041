#include "app/settings/SysCheckDlg.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

#include <d3d9.h>

#include <cstring>

namespace {

const wchar_t kSection[] = L"Main";
const wchar_t kSkipKey[] = L"SysCheck";
const wchar_t kShaderStandard[] = L"0200";
// Shown where the card could not be asked: the program cannot render without Direct3D 9.
const wchar_t kUnknown[] = L"N/A";

SysCheckProbeProc g_probe = nullptr;

CString ItemName(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

SysCheckProbe ProbeThisMachine()
{
    SysCheckProbe probe;
    SYSTEM_INFO info = {};
    ::GetSystemInfo(&info);
    probe.processors = static_cast<int>(info.dwNumberOfProcessors);

    // Loaded by name: on a machine without Direct3D 9 the check must run to say so, where an
    // import would stop the program at load with the loader's message.
    HMODULE library = ::LoadLibraryW(L"d3d9.dll");
    if (library == nullptr)
        return probe;
    using CreateProc = IDirect3D9*(WINAPI*)(UINT);
    const FARPROC entry = ::GetProcAddress(library, "Direct3DCreate9");
    CreateProc create = nullptr;
    static_assert(sizeof(create) == sizeof(entry), "entry points are plain function pointers");
    std::memcpy(&create, &entry, sizeof(create));
    IDirect3D9* d3d = create ? create(D3D_SDK_VERSION) : nullptr;
    if (d3d == nullptr) {
        ::FreeLibrary(library);
        return probe;
    }
    probe.direct3D = true;
    D3DCAPS9 caps = {};
    if (SUCCEEDED(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps))) {
        probe.caps = true;
        probe.pixelShaderVersion = caps.PixelShaderVersion;
        probe.textureCaps = caps.TextureCaps;
    }
    d3d->Release();
    ::FreeLibrary(library);
    return probe;
}

SysCheckProbeProc SetSysCheckProbeProc(SysCheckProbeProc proc)
{
    SysCheckProbeProc previous = g_probe;
    g_probe = proc;
    return previous;
}

BEGIN_MESSAGE_MAP(CSysCheckDlg, CDialog)
    ON_BN_CLICKED(IDC_SYSCHECK_SKIP, OnSkipClicked)
END_MESSAGE_MAP()

CSysCheckDlg::CSysCheckDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CString CSysCheckDlg::SettingsPath()
{
    return GetExeDirectory() + L"\\config\\system.ini";
}

std::vector<CSysCheckDlg::Row> CSysCheckDlg::CheckRows(const SysCheckProbe& probe)
{
    std::vector<Row> rows;
    CString local;
    local.Format(L"%d", probe.processors);
    rows.push_back({ ItemName(IDS_SYSCHECK_CPU), L"2", local, probe.processors > 1 });

    if (!probe.direct3D || !probe.caps) {
        // Without the card's answers the machine cannot be said to meet the needs: both rows
        // are shown as failed, so the operator hears of it before the engine fails to start.
        rows.push_back({ ItemName(IDS_SYSCHECK_PIXELSHADER), kShaderStandard, kUnknown, false });
        rows.push_back({ ItemName(IDS_SYSCHECK_NONPOW2), L"YES", kUnknown, false });
        return rows;
    }
    local.Format(L"%4.4x", static_cast<unsigned>(probe.pixelShaderVersion & 0xFFFF));
    rows.push_back({ ItemName(IDS_SYSCHECK_PIXELSHADER), kShaderStandard, local,
                     local.Compare(kShaderStandard) >= 0 });
    const bool anySize = (probe.textureCaps & D3DPTEXTURECAPS_POW2) == 0 ||
                         (probe.textureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) != 0;
    rows.push_back({ ItemName(IDS_SYSCHECK_NONPOW2), L"YES", anySize ? L"YES" : L"NO", anySize });
    return rows;
}

CString CSysCheckDlg::FormatReport(const std::vector<Row>& rows)
{
    CString report;
    for (const Row& row : rows) {
        CString line;
        line.Format(L"%s\t\t%s\t\t%s\t\t%s\n", static_cast<LPCWSTR>(row.item),
                    static_cast<LPCWSTR>(row.standard), static_cast<LPCWSTR>(row.local),
                    row.passed ? L"YES" : L"NO");
        report += line;
    }
    return report;
}

int CSysCheckDlg::RunChecks()
{
    util::CIni ini(SettingsPath());
    m_bSkip = ini.GetBool(kSection, kSkipKey, FALSE) ? 1 : 0;
    if (m_bSkip)
        return 1;
    const SysCheckProbe probe = g_probe ? g_probe() : ProbeThisMachine();
    const std::vector<Row> rows = CheckRows(probe);
    for (const Row& row : rows) {
        if (!row.passed) {
            m_strReport = FormatReport(rows);
            return 0;
        }
    }
    return 1;
}

void CSysCheckDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SYSCHECK_REPORT, m_strReport);
    DDX_Check(pDX, IDC_SYSCHECK_SKIP, m_bSkip);
}

void CSysCheckDlg::OnSkipClicked()
{
    m_bSkip = IsDlgButtonChecked(IDC_SYSCHECK_SKIP) == BST_CHECKED ? 1 : 0;
    util::CIni ini(SettingsPath());
    ini.WriteInt(kSection, kSkipKey, m_bSkip);
}
