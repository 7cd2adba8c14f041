// Registers the stand-in capture devices for the life of a test fixture: regsvr32 on
// rvxcapstub.dll beside the test program, and /u when done.
#pragma once

#include <windows.h>

#include <string>

namespace rvxstub {

inline std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// Runs regsvr32 and waits for it; its exit code (0 on success).
inline DWORD RunRegsvr32(bool unregister) {
    std::wstring command = L"regsvr32.exe /s ";
    if (unregister) command += L"/u ";
    command += L"\"" + ModuleFolder() + L"rvxcapstub.dll\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return GetLastError();
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

class ScopedStubDevices {
public:
    ScopedStubDevices() : m_registered(RunRegsvr32(false) == 0) {}
    ~ScopedStubDevices() {
        if (m_registered) RunRegsvr32(true);
    }
    bool Registered() const { return m_registered; }

private:
    bool m_registered;
};

}  // namespace rvxstub
