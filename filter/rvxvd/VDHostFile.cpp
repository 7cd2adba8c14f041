#include "filter/rvxvd/VDHostFile.h"

#include <winsock2.h>
#include <windows.h>

#include <string>

namespace vd {

const wchar_t kHostFilePath[] = L"c:\\rvxhost.txt";

namespace {

const char kDefaultLine[] = "127.0.0.1:8601";
// Longer than any host:port line the parser keeps (1023 characters either side).
constexpr DWORD kMaxRead = 4096;

bool ReadLine(const wchar_t* path, std::string* text)
{
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    char buf[kMaxRead];
    DWORD got = 0;
    const BOOL ok = ReadFile(f, buf, sizeof(buf), &got, nullptr);
    CloseHandle(f);
    if (!ok)
        return false;
    text->assign(buf, got);
    return true;
}

void CreateDefault(const wchar_t* path)
{
    // CREATE_NEW: another device creating the file at the same moment keeps its copy.
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(f, kDefaultLine, sizeof(kDefaultLine) - 1, &written, nullptr);
    CloseHandle(f);
}

}  // namespace

VdHostAddress ReadHostFile(const wchar_t* path)
{
    std::string text;
    if (!ReadLine(path, &text)) {
        CreateDefault(path);
        if (!ReadLine(path, &text))
            return VdHostAddress();
    }
    return ParseHostLine(text);
}

}  // namespace vd
