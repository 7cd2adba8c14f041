// The new-version check of the main window: shortly after start-up it downloads a small
// version text; when its first line names a newer build than this one, the whole text (the
// release notes) is written beside the program and the operator is asked whether to read it.
#pragma once

#include <afx.h>

#include <functional>

#include "app/foundation/HttpRequest.h"

// Compares two dotted versions of up to four fields as numbers ("1.0.10.0" is above
// "1.0.9.0"; missing fields count as 0). Returns -1, 0 or 1; false from ParseVersionText for a
// text that is no such version.
bool ParseVersionText(LPCWSTR text, DWORD fields[4]);
int CompareVersionFields(const DWORD a[4], const DWORD b[4]);

class CNewVersionCheck {
public:
    // Where the version text is published.
    static const wchar_t kDefaultUrl[];
    // The release notes' file in the program folder.
    static const wchar_t kReleaseNotesFile[];

    // The shell's open of the written release notes (tests record it instead).
    using ShellOpenFunc = std::function<void(HWND owner, LPCWSTR path)>;

    CNewVersionCheck(LPCWSTR url, LPCWSTR installedVersion);

    // The one-shot start-up timer: asks for `message` to be posted to `notify` when the
    // download has ended and starts it in the background. 0 when it cannot start.
    BOOL Start(HWND notify, UINT message);
    // The posted message: a download that did not succeed, a text without a line break or
    // whose first line is no newer version offers nothing. Otherwise the notes are written
    // and the operator asked (string 238 with both versions, caption 239); Yes opens the
    // notes. Returns TRUE when it asked.
    BOOL OnDone(HWND owner);

    void SetShellOpen(ShellOpenFunc open) { m_shellOpen = std::move(open); }
    http::CHttpRequest& Request() { return m_request; }
    static CString ReleaseNotesPath();

private:
    CString m_url;
    CString m_installed;
    http::CHttpRequest m_request;
    ShellOpenFunc m_shellOpen;
};
