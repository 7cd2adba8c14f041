// The program under test as a process of its own: started, watched through its windows and the
// system's process and thread lists, and never left running by the test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace system_test {

class ProgramProcess {
public:
    ProgramProcess() = default;
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;
    // A program still running when the test gives up on it is ended, so no run is left behind.
    ~ProgramProcess();

    bool Start(const std::wstring& exe, const std::wstring& folder);
    // Calls done() every 50 ms until it answers true or boundMs pass; the wait between two calls
    // ends early when the program ends. Returns done()'s last answer.
    bool PollUntil(DWORD boundMs, const std::function<bool()>& done);

    bool HasEnded() const;
    DWORD ExitCode() const;
    DWORD Id() const { return info_.dwProcessId; }

    // A visible top-level window of the program whose caption begins with the text.
    HWND FindWindowTitled(const std::wstring& prefix) const;
    // The text of a message box the program shows, or empty.
    std::wstring MessageBoxText() const;
    // The Yes button of the program's message box whose text holds the question, or null.
    HWND FindExitQuestionYes(const std::wstring& question) const;

    // Threads of the program's process and processes it started that still run.
    int ThreadCount() const;
    std::vector<DWORD> ChildProcesses() const;

private:
    std::vector<HWND> TopWindows() const;

    PROCESS_INFORMATION info_ = {};
};

std::wstring ClassName(HWND wnd);
bool IsRunning(DWORD processId);

std::wstring TempFolder(const std::wstring& name);
// Copies the program folder without its sample clips into an empty destination.
bool CopyProgramFolder(const std::wstring& from, const std::wstring& to);
void DeleteTree(const std::wstring& folder);

} // namespace system_test
