// util::CIni: reads and writes one INI file through the Windows private-profile functions.
// Nothing is cached: a value written is on disk when the call returns. A missing key or an
// empty value gives the caller's default; a null section or key is refused by writes (0) and
// answered with the default by reads, without touching the file.
#pragma once

#include <afx.h>
#include <afxcoll.h>

namespace util {

class CIni {
public:
    CIni();
    explicit CIni(LPCWSTR path);
    virtual ~CIni();

    void SetPath(LPCWSTR path);
    DWORD GetPath(LPWSTR buffer, DWORD length) const;
    CString GetPath() const;

    // Text
    CString GetString(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText = nullptr) const;
    DWORD GetString(LPCWSTR section, LPCWSTR key, LPWSTR buffer, DWORD length, LPCWSTR defaultText = nullptr) const;
    BOOL WriteString(LPCWSTR section, LPCWSTR key, LPCWSTR value) const;
    BOOL AppendString(LPCWSTR section, LPCWSTR key, LPCWSTR text) const;
    WCHAR GetChar(LPCWSTR section, LPCWSTR key, WCHAR defaultChar = 0) const;
    BOOL WriteChar(LPCWSTR section, LPCWSTR key, WCHAR c) const;

    // Numbers (every caller in the program passes base 10)
    int GetInt(LPCWSTR section, LPCWSTR key, int defaultValue, int base = 10) const;
    UINT GetUInt(LPCWSTR section, LPCWSTR key, UINT defaultValue, int base = 10) const;
    BOOL GetBool(LPCWSTR section, LPCWSTR key, BOOL defaultValue) const;
    double GetDouble(LPCWSTR section, LPCWSTR key, double defaultValue) const;
    BOOL WriteInt(LPCWSTR section, LPCWSTR key, int value, int base = 10) const;
    BOOL WriteUInt(LPCWSTR section, LPCWSTR key, UINT value, int base = 10) const;
    BOOL WriteDouble(LPCWSTR section, LPCWSTR key, double value, int precision = -1) const;
    BOOL WriteBool(LPCWSTR section, LPCWSTR key, BOOL value) const;
    BOOL AddToInt(LPCWSTR section, LPCWSTR key, int increment, int base = 10) const;
    BOOL AddToUInt(LPCWSTR section, LPCWSTR key, UINT increment, int base = 10) const;
    BOOL AddToDouble(LPCWSTR section, LPCWSTR key, double increment, int precision = -1) const;
    BOOL ToggleBool(LPCWSTR section, LPCWSTR key) const;

    // Bytes as upper-case hex digit pairs
    DWORD GetHexBytes(LPCWSTR section, LPCWSTR key, BYTE* buffer, DWORD size, DWORD offset = 0) const;
    BOOL WriteHexBytes(LPCWSTR section, LPCWSTR key, const BYTE* bytes, DWORD count) const;
    BOOL AppendHexBytes(LPCWSTR section, LPCWSTR key, const BYTE* bytes, DWORD count) const;
    POINT GetPoint(LPCWSTR section, LPCWSTR key, POINT defaultPoint) const;
    RECT GetRect(LPCWSTR section, LPCWSTR key, RECT defaultRect) const;
    BOOL WritePoint(LPCWSTR section, LPCWSTR key, POINT point) const;
    BOOL WriteRect(LPCWSTR section, LPCWSTR key, RECT rect) const;

    // Lists of items in one value
    DWORD GetList(LPCWSTR section, LPCWSTR key, CStringArray& items, LPCWSTR delimiter = L",") const;
    DWORD GetList(LPCWSTR section, LPCWSTR key, LPWSTR buffer, DWORD length, LPCWSTR delimiter = L",",
                  BOOL trim = TRUE) const;
    BOOL WriteList(LPCWSTR section, LPCWSTR key, const CStringArray& items, int count = -1,
                   LPCWSTR delimiter = L",") const;

    // Sections and keys
    DWORD GetSectionLines(LPCWSTR section, CStringArray& lines) const;
    DWORD GetSectionLines(LPCWSTR section, LPWSTR buffer, DWORD length) const;
    DWORD GetKeyNames(LPCWSTR section, CStringArray& names) const;
    DWORD GetKeyNames(LPCWSTR section, LPWSTR buffer, DWORD length) const;
    DWORD GetSectionNames(CStringArray& names) const;
    DWORD GetSectionNames(LPWSTR buffer, DWORD length) const;
    BOOL DeleteSection(LPCWSTR section) const;
    BOOL DeleteKey(LPCWSTR section, LPCWSTR key) const;
    BOOL HasSection(LPCWSTR section) const;
    BOOL HasKey(LPCWSTR section, LPCWSTR key) const;
    BOOL CopySection(LPCWSTR source, LPCWSTR target, BOOL failIfExists) const;
    BOOL MoveSection(LPCWSTR source, LPCWSTR target, BOOL failIfExists = TRUE) const;
    BOOL CopyKey(LPCWSTR sourceSection, LPCWSTR sourceKey, LPCWSTR targetSection, LPCWSTR targetKey,
                 BOOL failIfExists) const;
    BOOL MoveKey(LPCWSTR sourceSection, LPCWSTR sourceKey, LPCWSTR targetSection, LPCWSTR targetKey,
                 BOOL failIfExists = TRUE) const;

private:
    CIni(const CIni&) = delete;
    CIni& operator=(const CIni&) = delete;

    CString ReadValue(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText) const;
    CString ReadNumberText(LPCWSTR section, LPCWSTR key) const;
    CString ReadSectionRaw(LPCWSTR section) const;
    BOOL WriteValue(LPCWSTR section, LPCWSTR key, LPCWSTR value) const;
    void CreateUnicodeFileIfMissing() const;

    LPWSTR m_pszPath = nullptr;
};

} // namespace util
