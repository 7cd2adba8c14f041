// Started by the foundation tests from folders of chosen path lengths: writes what
// GetExeDirectory gives, as UTF-16, into the file named by its first argument.
#include "app/foundation/AppHelpers.h"

#include <shellapi.h>

int main()
{
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    HANDLE h = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 3;
    CString folder = GetExeDirectory();
    DWORD written = 0;
    ::WriteFile(h, folder.GetString(), static_cast<DWORD>(folder.GetLength() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(h);
    ::LocalFree(argv);
    return 0;
}
