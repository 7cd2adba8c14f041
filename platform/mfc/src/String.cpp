#include "afx.h"

#include <cwchar>
#include <cstdio>

namespace afx_detail {

std::wstring AnsiToWide(const char* text, int length)
{
    if (!text || length == 0)
        return std::wstring();
    if (length < 0)
        length = static_cast<int>(strlen(text));
    if (length == 0)
        return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text, length, &out[0], n);
    return out;
}

std::string WideToAnsi(const wchar_t* text, int length)
{
    if (!text || length == 0)
        return std::string();
    if (length < 0)
        length = static_cast<int>(wcslen(text));
    if (length == 0)
        return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], n, nullptr, nullptr);
    return out;
}

// The C run time's own formatting (msvcrt semantics: in wide formats %s is a wide string).
int FormatLength(const wchar_t* format, va_list args) { return _vscwprintf(format, args); }
int FormatLength(const char* format, va_list args) { return _vscprintf(format, args); }
int FormatInto(wchar_t* buffer, size_t count, const wchar_t* format, va_list args)
{
    return _vsnwprintf(buffer, count, format, args);
}
int FormatInto(char* buffer, size_t count, const char* format, va_list args)
{
    return _vsnprintf(buffer, count, format, args);
}

// String tables are stored in blocks of 16 counted UTF-16 strings; block n + 1 holds the
// ids 16n .. 16n + 15.
bool LoadResourceString(HINSTANCE module, UINT id, std::wstring& out)
{
    out.clear();
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW((id >> 4) + 1), MAKEINTRESOURCEW(6));
    if (!res)
        return false;
    HGLOBAL block = ::LoadResource(module, res);
    DWORD size = ::SizeofResource(module, res);
    const WCHAR* p = block ? static_cast<const WCHAR*>(::LockResource(block)) : nullptr;
    if (!p)
        return false;
    const WCHAR* end = p + size / sizeof(WCHAR);
    for (UINT i = 0; i < (id & 15); ++i) {
        if (p >= end)
            return false;
        p += 1 + *p;
    }
    if (p >= end || *p == 0)
        return false;
    UINT length = *p++;
    if (p + length > end)
        return false;
    out.assign(p, length);
    return true;
}

HINSTANCE CurrentResourceHandle() { return AfxGetResourceHandle(); }

int CompareNoCase(const wchar_t* a, const wchar_t* b) { return _wcsicmp(a, b); }
int CompareNoCase(const char* a, const char* b) { return _stricmp(a, b); }
int Collate(const wchar_t* a, const wchar_t* b, bool noCase) { return noCase ? _wcsicoll(a, b) : wcscoll(a, b); }
int Collate(const char* a, const char* b, bool noCase) { return noCase ? _stricoll(a, b) : strcoll(a, b); }

void MakeUpper(std::wstring& s)
{
    if (!s.empty())
        ::CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
}
void MakeLower(std::wstring& s)
{
    if (!s.empty())
        ::CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
}
void MakeUpper(std::string& s)
{
    if (!s.empty())
        ::CharUpperBuffA(&s[0], static_cast<DWORD>(s.size()));
}
void MakeLower(std::string& s)
{
    if (!s.empty())
        ::CharLowerBuffA(&s[0], static_cast<DWORD>(s.size()));
}

BSTR AllocSysString(const std::wstring& s)
{
    BSTR b = ::SysAllocStringLen(s.c_str(), static_cast<UINT>(s.size()));
    if (!b)
        AfxThrowMemoryException();
    return b;
}
BSTR AllocSysString(const std::string& s) { return AllocSysString(AnsiToWide(s.c_str(), static_cast<int>(s.size()))); }

} // namespace afx_detail
