#include "app/ui/VersionCheck.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/LogWriter.h"

#include <shellapi.h>

#include <cwchar>

namespace {

const UINT kIdsNewVersion = 238;   // "... %s ... %s ...": the new version, then this one
const UINT kIdsUpdateCaption = 239;
// A version text is a few lines; anything larger is not one.
const UINT kMaxVersionText = 256 * 1024;

} // namespace

const wchar_t CNewVersionCheck::kDefaultUrl[] = L"http://update.ravelmixer.example/rvxversion.txt";
const wchar_t CNewVersionCheck::kReleaseNotesFile[] = L"rvxrelease.txt";

bool ParseVersionText(LPCWSTR text, DWORD fields[4])
{
    for (int i = 0; i < 4; ++i)
        fields[i] = 0;
    if (!text || !*text)
        return false;
    int field = 0;
    const wchar_t* p = text;
    for (;;) {
        if (*p < L'0' || *p > L'9')
            return false;
        ULONGLONG value = 0;
        while (*p >= L'0' && *p <= L'9') {
            value = value * 10 + static_cast<ULONGLONG>(*p - L'0');
            if (value > 0xFFFFFFFFull)
                return false;
            ++p;
        }
        fields[field++] = static_cast<DWORD>(value);
        if (*p == L'\0')
            return true;
        if (*p != L'.' || field == 4)
            return false;
        ++p;
    }
}

int CompareVersionFields(const DWORD a[4], const DWORD b[4])
{
    for (int i = 0; i < 4; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

CNewVersionCheck::CNewVersionCheck(LPCWSTR url, LPCWSTR installedVersion)
    : m_url(url ? url : L""), m_installed(installedVersion ? installedVersion : L"")
{
    m_request.SetMaxResponseSize(kMaxVersionText);
    m_shellOpen = [](HWND owner, LPCWSTR path) { ::ShellExecuteW(owner, L"open", path, nullptr, nullptr, SW_SHOW); };
}

CString CNewVersionCheck::ReleaseNotesPath()
{
    return GetExeDirectory() + L"\\" + kReleaseNotesFile;
}

BOOL CNewVersionCheck::Start(HWND notify, UINT message)
{
    if (!m_request.SetUrl(m_url))
        return FALSE;
    m_request.SetNotify(notify, message, 0);
    return m_request.Send(TRUE);
}

BOOL CNewVersionCheck::OnDone(HWND owner)
{
    if (!m_request.IsSuccess())
        return FALSE;
    const CString text = m_request.GetResponseText(CP_ACP);
    const int lineEnd = text.Find(L"\r\n");
    if (lineEnd < 0)
        return FALSE;
    CString offered = text.Left(lineEnd);
    offered.Trim();
    DWORD newer[4], installed[4];
    if (!ParseVersionText(offered, newer) || !ParseVersionText(m_installed, installed) ||
        CompareVersionFields(newer, installed) <= 0)
        return FALSE;

    // The body's own bytes: written as downloaded, which is the text in the ANSI code page.
    const http::CBuffer* body = m_request.GetResponseBuffer();
    const CString path = ReleaseNotesPath();
    CFile file;
    CFileException error;
    if (!body || !file.Open(path, CFile::modeCreate | CFile::modeWrite, &error)) {
        LogTime(AppLog()) << "New version " << CStringA(offered).GetString() << ": the release notes cannot be written to "
                          << CStringA(path).GetString() << "\n";
        return FALSE;
    }
    try {
        file.Write(body->GetData(), body->GetLength());
        file.Close();
    } catch (CFileException* e) {
        e->Delete();
        file.Abort();
        LogTime(AppLog()) << "New version: writing " << CStringA(path).GetString() << " failed\n";
        return FALSE;
    }

    CString format, question;
    format.LoadString(kIdsNewVersion);
    question.Format(format, offered.GetString(), m_installed.GetString());
    if (AppMessageBoxText(owner, question, kIdsUpdateCaption, MB_YESNO | MB_ICONINFORMATION) == IDYES && m_shellOpen)
        m_shellOpen(owner, path);
    return TRUE;
}
