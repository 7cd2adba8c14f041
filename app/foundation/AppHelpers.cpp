#include "app/foundation/AppHelpers.h"

#include <mutex>
#include <vector>

namespace {

std::mutex g_folderLock;
CString g_folderOverride;

CString ModuleFolder()
{
    // A module path longer than the first buffer would be cut, and cutting its last
    // component would then name a wrong folder: grow until the whole path fits.
    std::vector<WCHAR> path(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return CString();
        if (n < path.size())
            break;
        if (path.size() >= 32768)
            return CString();
        path.resize(path.size() * 2);
    }
    CString full(path.data());
    int slash = full.ReverseFind(L'\\');
    if (slash < 0)
        return CString();
    // A program in a drive's root keeps its backslash ("C:\"), as the shell's path
    // functions leave it.
    if (slash == 2 && full.GetLength() > 2 && full[1] == L':')
        return full.Left(3);
    return full.Left(slash);
}

} // namespace

CString GetExeDirectory()
{
    {
        std::lock_guard<std::mutex> lock(g_folderLock);
        if (!g_folderOverride.IsEmpty())
            return g_folderOverride;
    }
    return ModuleFolder();
}

void SetExeDirectoryOverride(LPCWSTR folder)
{
    std::lock_guard<std::mutex> lock(g_folderLock);
    g_folderOverride = folder;
    g_folderOverride.TrimRight(L"\\");
}

int AppMessageBox(HWND owner, UINT textId, UINT captionId, UINT style)
{
    CString text;
    text.LoadString(textId);
    return AppMessageBoxText(owner, text, captionId, style);
}

int AppMessageBoxText(HWND owner, LPCWSTR text, UINT captionId, UINT style)
{
    CString caption;
    caption.LoadString(captionId);
    return AfxShowMessageBox(owner, text, caption, style);
}
