#include "tests/system/ProgramProcess.h"

#include <tlhelp32.h>

namespace system_test {

namespace {

std::wstring WindowText(HWND wnd)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(wnd, text, 512);
    return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The texts of a dialog's static controls, one per line.
std::wstring StaticTexts(HWND dialog)
{
    std::wstring texts;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassName(child).c_str(), L"Static") == 0) {
            const std::wstring text = WindowText(child);
            if (!text.empty())
                texts += text + L"\n";
        }
    }
    return texts;
}

template <class Visit>
void ForEachEntry(DWORD kind, Visit visit)
{
    HANDLE snap = ::CreateToolhelp32Snapshot(kind, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return;
    if (kind == TH32CS_SNAPTHREAD) {
        THREADENTRY32 entry = {sizeof(entry)};
        for (BOOL more = ::Thread32First(snap, &entry); more; more = ::Thread32Next(snap, &entry))
            visit(entry.th32OwnerProcessID, entry.th32OwnerProcessID);
    } else {
        PROCESSENTRY32W entry = {sizeof(entry)};
        for (BOOL more = ::Process32FirstW(snap, &entry); more; more = ::Process32NextW(snap, &entry))
            visit(entry.th32ProcessID, entry.th32ParentProcessID);
    }
    ::CloseHandle(snap);
}

} // namespace

ProgramProcess::~ProgramProcess()
{
    if (!info_.hProcess)
        return;
    if (!HasEnded()) {
        ::TerminateProcess(info_.hProcess, 0xDEAD);
        ::WaitForSingleObject(info_.hProcess, 10000);
    }
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
}

bool ProgramProcess::Start(const std::wstring& exe, const std::wstring& folder)
{
    STARTUPINFOW startup = {sizeof(startup)};
    std::wstring command = L"\"" + exe + L"\"";
    return ::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &info_) != FALSE;
}

bool ProgramProcess::PollUntil(DWORD boundMs, const std::function<bool()>& done)
{
    const DWORD begin = ::GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (::GetTickCount() - begin >= boundMs)
            return false;
        ::WaitForSingleObject(info_.hProcess, 50);
    }
}

bool ProgramProcess::HasEnded() const
{
    return info_.hProcess && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
}

DWORD ProgramProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

namespace {

struct WindowSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND wnd, LPARAM lp)
{
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(wnd, &owner);
    if (owner == search->process && ::IsWindowVisible(wnd))
        search->found.push_back(wnd);
    return TRUE;
}

} // namespace

std::vector<HWND> ProgramProcess::TopWindows() const
{
    WindowSearch search = {info_.dwProcessId, {}};
    ::EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramProcess::FindWindowTitled(const std::wstring& prefix) const
{
    for (HWND wnd : TopWindows())
        if (StartsWith(WindowText(wnd), prefix))
            return wnd;
    return nullptr;
}

std::wstring ProgramProcess::MessageBoxText() const
{
    for (HWND wnd : TopWindows()) {
        if (ClassName(wnd) == L"#32770" && !StartsWith(WindowText(wnd), L"Ravelmixer"))
            return WindowText(wnd) + L": " + StaticTexts(wnd);
    }
    return std::wstring();
}

HWND ProgramProcess::FindExitQuestionYes(const std::wstring& question) const
{
    for (HWND wnd : TopWindows()) {
        if (ClassName(wnd) == L"#32770" && StaticTexts(wnd).find(question) != std::wstring::npos)
            return ::GetDlgItem(wnd, IDYES);
    }
    return nullptr;
}

int ProgramProcess::ThreadCount() const
{
    int count = 0;
    ForEachEntry(TH32CS_SNAPTHREAD, [&](DWORD owner, DWORD) { count += owner == info_.dwProcessId; });
    return count;
}

std::vector<DWORD> ProgramProcess::ChildProcesses() const
{
    std::vector<DWORD> children;
    ForEachEntry(TH32CS_SNAPPROCESS, [&](DWORD process, DWORD parent) {
        if (parent == info_.dwProcessId && process != info_.dwProcessId)
            children.push_back(process);
    });
    return children;
}

std::wstring ClassName(HWND wnd)
{
    wchar_t name[256] = {};
    ::GetClassNameW(wnd, name, 256);
    return name;
}

bool IsRunning(DWORD processId)
{
    bool running = false;
    ForEachEntry(TH32CS_SNAPPROCESS, [&](DWORD process, DWORD) { running = running || process == processId; });
    return running;
}

std::wstring TempFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

void DeleteTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
}

namespace {

bool CopyTree(const std::wstring& from, const std::wstring& to, bool top)
{
    if (!::CreateDirectoryW(to.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((from + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring source = from + L"\\" + name, target = to + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A fresh installation: no sample clips, and no settings written by earlier runs.
            if (top && _wcsicmp(name.c_str(), L"samples") == 0)
                continue;
            if (top && _wcsicmp(name.c_str(), L"config") == 0)
                ok = ::CreateDirectoryW(target.c_str(), nullptr) && ok;
            else
                ok = CopyTree(source, target, false) && ok;
        } else {
            ok = ::CopyFileW(source.c_str(), target.c_str(), FALSE) && ok;
        }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return ok;
}

} // namespace

bool CopyProgramFolder(const std::wstring& from, const std::wstring& to)
{
    DeleteTree(to);
    return CopyTree(from, to, true);
}

} // namespace system_test
