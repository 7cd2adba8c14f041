// Test helpers: a private folder per test and small files written into it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

inline std::wstring MakeTestFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"rvx_ui_" + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
    ::CloseHandle(f);
    return ok;
}

// A 24-bit bottom-up BMP file of the given pixels (row by row, top first).
inline std::string BmpFile(int width, int height, const std::vector<COLORREF>& rgb)
{
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(stride * height);
    std::string b;
    auto u16 = [&](uint16_t v) { b.push_back(char(v & 0xff)); b.push_back(char(v >> 8)); };
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(char((v >> (8 * i)) & 0xff)); };
    b += "BM";
    u32(14 + 40 + imageSize);
    u32(0);
    u32(14 + 40);
    u32(40);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(height));
    u16(1);
    u16(24);
    u32(0);
    u32(imageSize);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = height - 1; y >= 0; --y) {
        int written = 0;
        for (int x = 0; x < width; ++x) {
            COLORREF c = rgb[static_cast<size_t>(y) * width + x];
            b.push_back(char(GetBValue(c)));
            b.push_back(char(GetGValue(c)));
            b.push_back(char(GetRValue(c)));
            written += 3;
        }
        for (; written < stride; ++written)
            b.push_back(0);
    }
    return b;
}
