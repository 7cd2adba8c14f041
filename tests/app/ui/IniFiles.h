// Test helpers for settings files: a file's bytes, a file written from bytes, and the bytes the
// program writes into an INI file it creates (UTF-16LE with a byte-order mark).
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

inline std::string ReadFileBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0)
        bytes.append(buffer, n);
    ::CloseHandle(f);
    return bytes;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    const bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
    ::CloseHandle(f);
    return ok;
}

// The text as UTF-16LE after a byte-order mark, code unit by code unit.
inline std::string Utf16File(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

// A program folder of the test's own with an empty config folder; removed with its files.
class CTestProgramFolder {
public:
    explicit CTestProgramFolder(const wchar_t* name)
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        wchar_t unique[64];
        swprintf(unique, 64, L"%ls_%lu", name, ::GetCurrentProcessId());
        m_folder = std::wstring(temp) + unique;
        Remove();
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        ::CreateDirectoryW(Config().c_str(), nullptr);
    }
    ~CTestProgramFolder() { Remove(); }
    CTestProgramFolder(const CTestProgramFolder&) = delete;
    CTestProgramFolder& operator=(const CTestProgramFolder&) = delete;

    const std::wstring& Path() const { return m_folder; }
    std::wstring Config() const { return m_folder + L"\\config"; }
    std::wstring ConfigFile(const wchar_t* name) const { return Config() + L"\\" + name; }

private:
    void Remove()
    {
        for (const std::wstring& dir : { Config(), m_folder }) {
            WIN32_FIND_DATAW found;
            HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &found);
            if (h != INVALID_HANDLE_VALUE) {
                do {
                    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                        ::DeleteFileW((dir + L"\\" + found.cFileName).c_str());
                } while (::FindNextFileW(h, &found));
                ::FindClose(h);
            }
            ::RemoveDirectoryW(dir.c_str());
        }
    }

    std::wstring m_folder;
};
