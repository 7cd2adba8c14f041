// Winsock first: its header must come before the system header the pages include.
#include <winsock2.h>

#include "app/settings/EncodeOutputPage.h"

#include "app/foundation/Ini.h"
#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputSettingsIni.h"

#include <ws2tcpip.h>

namespace {

const wchar_t kSection[] = L"Encoding";
const int kFirstFreePort = 1025;
const int kNoFreePort = 65536;

int Flag(const util::CIni& ini, const wchar_t* key, BOOL defaultValue)
{
    return ini.GetBool(kSection, key, defaultValue) ? 1 : 0;
}

int BindAnyAddress(UINT_PTR socket, int port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<u_short>(port));
    return ::bind(static_cast<SOCKET>(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

} // namespace

BEGIN_MESSAGE_MAP(CEncodeOutputPage, CPropertyPage)
    ON_BN_CLICKED(IDC_EO_OUTPUT_FILE, OnDestinationClicked)
    ON_BN_CLICKED(IDC_EO_BROADCAST, OnDestinationClicked)
    ON_BN_CLICKED(IDC_EO_PUSH, OnDestinationClicked)
    ON_BN_CLICKED(IDC_EO_ADD_INDEX, OnChanged)
    ON_BN_CLICKED(IDC_EO_OVERWRITE, OnChanged)
    ON_BN_CLICKED(IDC_EO_AUTO_REMOVE, OnChanged)
    ON_EN_CHANGE(IDC_EO_FILE_PATH, OnChanged)
    ON_EN_CHANGE(IDC_EO_PORT, OnChanged)
    ON_EN_CHANGE(IDC_EO_PUSH_SERVER, OnChanged)
    ON_EN_CHANGE(IDC_EO_PUBLISH_POINT, OnChanged)
    ON_EN_CHANGE(IDC_EO_COPY_FROM, OnChanged)
    ON_BN_CLICKED(IDC_EO_BROWSE, OnBrowse)
    ON_BN_CLICKED(IDC_EO_FIND_PORT, OnFindPort)
END_MESSAGE_MAP()

CEncodeOutputPage::CEncodeOutputPage() : CPropertyPage(IDD) {}

int CEncodeOutputPage::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CEncodeOutputPage::LoadSettings(const CString& path)
{
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    util::CIni ini(path);
    m_nOutputFile = Flag(ini, L"OutputFile", TRUE);
    m_strOutputFilePath = ini.GetString(kSection, L"OutputFilePath", L"");
    m_nAddindex = Flag(ini, L"Addindex", FALSE);
    m_nOverwrite = Flag(ini, L"Overwrite", FALSE);
    m_nBroadcast = Flag(ini, L"Broadcast", TRUE);
    m_strBroadcastPort = ini.GetString(kSection, L"BroadcastPort", L"8080");
    m_nPushToServer = Flag(ini, L"PushToServer", FALSE);
    m_strPushServer = ini.GetString(kSection, L"PushServer", L"");
    m_strPublishPoint = ini.GetString(kSection, L"PublishPoint", L"");
    m_strCopyFrom = ini.GetString(kSection, L"CopyFrom", L"");
    m_nAutoRemove = Flag(ini, L"AutoRemove", FALSE);
    return 1;
}

BOOL CEncodeOutputPage::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL CEncodeOutputPage::SaveSettings(const CString& path) const
{
    util::CIni ini(path);
    BOOL ok = ini.WriteInt(kSection, L"OutputFile", m_nOutputFile);
    ok &= ini.WriteString(kSection, L"OutputFilePath", OneLine(m_strOutputFilePath));
    ok &= ini.WriteInt(kSection, L"Addindex", m_nAddindex);
    ok &= ini.WriteInt(kSection, L"Overwrite", m_nOverwrite);
    ok &= ini.WriteInt(kSection, L"Broadcast", m_nBroadcast);
    ok &= ini.WriteString(kSection, L"BroadcastPort", OneLine(m_strBroadcastPort));
    ok &= ini.WriteInt(kSection, L"PushToServer", m_nPushToServer);
    ok &= ini.WriteString(kSection, L"PushServer", OneLine(m_strPushServer));
    ok &= ini.WriteString(kSection, L"PublishPoint", OneLine(m_strPublishPoint));
    ok &= ini.WriteString(kSection, L"CopyFrom", OneLine(m_strCopyFrom));
    ok &= ini.WriteInt(kSection, L"AutoRemove", m_nAutoRemove);
    return ok;
}

void CEncodeOutputPage::CopyTo(CEncodeSettings& s) const
{
    s.Flags = 0;
    if (m_nOutputFile)
        s.Flags |= kEncodeOutputFile;
    if (m_nBroadcast)
        s.Flags |= kEncodeBroadcast;
    if (m_nPushToServer)
        s.Flags |= kEncodePushToServer;
    long long port = 0;
    if (ParseNumberInRange(m_strBroadcastPort, -0x80000000LL, 0x7FFFFFFFLL, port))
        s.Port = static_cast<WORD>(port & 0xFFFF);
    s.OutputFilePath = m_strOutputFilePath;
    s.Addindex = m_nAddindex;
    s.Overwrite = m_nOverwrite;
    s.PushServer = m_strPushServer;
    s.PublishPoint = m_strPublishPoint;
    s.CopyFrom = m_strCopyFrom;
    s.AutoRemove = m_nAutoRemove;
}

bool CEncodeOutputPage::IsValidFileName(const CString& path)
{
    if (path.IsEmpty() || path.FindOneOf(L"[~!@#$%^&*()+|<>?]") >= 0)
        return false;
    // Characters no file name may hold: quotes, control characters, and a colon anywhere
    // but after a drive letter (elsewhere it names a hidden stream of another file).
    for (int i = 0; i < path.GetLength(); ++i) {
        const wchar_t c = path[i];
        if (c < 32 || c == L'"' || (c == L':' && i != 1))
            return false;
    }
    const wchar_t last = path[path.GetLength() - 1];
    return last != L'\\' && last != L'/';
}

CEncodeOutputPage::Refusal CEncodeOutputPage::Validate() const
{
    if (m_nPushToServer && m_strPushServer.IsEmpty())
        return { IDS_ENTER_PUSH_SERVER, IDC_EO_PUSH_SERVER };
    if (m_nPushToServer && m_strPublishPoint.IsEmpty())
        return { IDS_ENTER_PUBLISH_POINT, IDC_EO_PUBLISH_POINT };
    long long port = 0;
    if (m_nBroadcast && !ParseNumberInRange(m_strBroadcastPort, 1, 65535, port))
        return { IDS_PORT_INVALID, IDC_EO_PORT };
    if (m_nOutputFile && !IsValidFileName(m_strOutputFilePath))
        return { IDS_FILE_NAME_INVALID, IDC_EO_FILE_PATH };
    return { 0, 0 };
}

int CEncodeOutputPage::FindFreePort(BindPortProc bindPort)
{
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return kNoFreePort;
    int found = kNoFreePort;
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (probe != INVALID_SOCKET) {
        // Exclusive use: a port another program holds with address reuse must not count as
        // free just because it could be shared.
        BOOL exclusive = TRUE;
        ::setsockopt(probe, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
        for (int port = kFirstFreePort; port <= 65535; ++port) {
            if ((bindPort ? bindPort : BindAnyAddress)(probe, port) == 0) {
                found = port;
                break;
            }
        }
        ::closesocket(probe);
    }
    ::WSACleanup();
    return found;
}

void CEncodeOutputPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_EO_OUTPUT_FILE, m_nOutputFile);
    DDX_Text(pDX, IDC_EO_FILE_PATH, m_strOutputFilePath);
    DDX_Check(pDX, IDC_EO_ADD_INDEX, m_nAddindex);
    DDX_Check(pDX, IDC_EO_OVERWRITE, m_nOverwrite);
    DDX_Check(pDX, IDC_EO_BROADCAST, m_nBroadcast);
    DDX_Text(pDX, IDC_EO_PORT, m_strBroadcastPort);
    DDX_Check(pDX, IDC_EO_PUSH, m_nPushToServer);
    DDX_Text(pDX, IDC_EO_PUSH_SERVER, m_strPushServer);
    DDX_Text(pDX, IDC_EO_PUBLISH_POINT, m_strPublishPoint);
    DDX_Text(pDX, IDC_EO_COPY_FROM, m_strCopyFrom);
    DDX_Check(pDX, IDC_EO_AUTO_REMOVE, m_nAutoRemove);
}

BOOL CEncodeOutputPage::OnInitDialog()
{
    LoadSettings();
    CPropertyPage::OnInitDialog();
    EnableDestinations();
    return TRUE;
}

void CEncodeOutputPage::EnableDestinations()
{
    const BOOL file = IsDlgButtonChecked(IDC_EO_OUTPUT_FILE) == BST_CHECKED;
    for (UINT id : { IDC_EO_FILE_PATH, IDC_EO_BROWSE, IDC_EO_ADD_INDEX, IDC_EO_OVERWRITE })
        EnableControl(this, id, file);
    const BOOL broadcast = IsDlgButtonChecked(IDC_EO_BROADCAST) == BST_CHECKED;
    for (UINT id : { IDC_EO_PORT, IDC_EO_FIND_PORT })
        EnableControl(this, id, broadcast);
    const BOOL push = IsDlgButtonChecked(IDC_EO_PUSH) == BST_CHECKED;
    for (UINT id : { IDC_EO_PUSH_SERVER, IDC_EO_PUBLISH_POINT, IDC_EO_COPY_FROM, IDC_EO_AUTO_REMOVE })
        EnableControl(this, id, push);
}

void CEncodeOutputPage::OnDestinationClicked()
{
    EnableDestinations();
    SetModified(TRUE);
}

void CEncodeOutputPage::OnChanged()
{
    SetModified(TRUE);
}

void CEncodeOutputPage::OnBrowse()
{
    CFileDialog dialog(FALSE, L"wmv", ControlText(this, IDC_EO_FILE_PATH), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       L"Windows Media Files(*.wmv)|*.wmv;*.asf||", this);
    if (dialog.DoModal() != IDOK)
        return;
    SetDlgItemText(IDC_EO_FILE_PATH, dialog.GetPathName());
}

void CEncodeOutputPage::OnFindPort()
{
    CString text;
    text.Format(L"%d", FindFreePort());
    SetDlgItemText(IDC_EO_PORT, text);
}

BOOL CEncodeOutputPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    const Refusal refusal = Validate();
    if (refusal.textId)
        return RefuseWithFocus(this, refusal.textId, refusal.controlId);
    SaveSettings();
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
