#include "app/foundation/Ini.h"

#include <cwchar>
#include <cstdlib>
#include <vector>

namespace util {

namespace {

// Numbers travel through a text buffer of this many characters (plus the terminator).
const DWORD kNumberChars = 64;
const DWORD kReadStep = 512;
const DWORD kLinearGrowth = 64 * 1024;
// A value or a section is read up to these lengths and cut there: far beyond any path, name
// or list the program stores (the longest path is 32767 characters), and an 8 MB value in a
// damaged or hostile file no longer takes a hundred megabytes of growing buffers to read.
const DWORD kMaxValueChars = 256 * 1024;
const DWORD kMaxSectionChars = 1024 * 1024;
const wchar_t kMissingKey[] = L"{63788286-AE30-4D6B-95DF-3B451C1C79F9}";

LPWSTR CopyPath(LPCWSTR path)
{
    if (!path)
        return nullptr;
    size_t n = wcslen(path);
    LPWSTR copy = new WCHAR[n + 1];
    wmemcpy(copy, path, n + 1);
    return copy;
}

int ConversionBase(int base) { return (base == 2 || base == 8 || base == 16) ? base : 10; }

// The value's bits from the lowest upwards, stopping after the highest set bit, reversed.
CString BinaryText(ULONGLONG value)
{
    CString digits;
    do {
        digits += (value & 1) ? L'1' : L'0';
        value >>= 1;
    } while (value && digits.GetLength() < 64);
    return digits.MakeReverse();
}

CString FormatNumber(UINT bits, bool isSigned, int base)
{
    CString text;
    switch (base) {
    case 2: text = BinaryText(bits); break;
    case 8: text.Format(L"%o", bits); break;
    case 16: text.Format(L"%X", bits); break;
    default:
        if (isSigned)
            text.Format(L"%d", static_cast<int>(bits));
        else
            text.Format(L"%u", bits);
        break;
    }
    return text;
}

bool IsHexDigit(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

BYTE HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return static_cast<BYTE>(c - L'0');
    if (c >= L'a' && c <= L'f') return static_cast<BYTE>(c - L'a' + 10);
    return static_cast<BYTE>(c - L'A' + 10);
}

CString HexText(const BYTE* bytes, DWORD count)
{
    CString text;
    for (DWORD i = 0; bytes && i < count; ++i)
        text.AppendFormat(L"%02X", bytes[i]);
    return text;
}

// Splits a double-NUL-terminated list into its items.
void SplitNulList(const std::vector<WCHAR>& buffer, CStringArray& items)
{
    for (const WCHAR* p = buffer.data(); *p; p += wcslen(p) + 1)
        items.Add(CString(p));
}

// Copies items into a caller buffer as a double-NUL-terminated list; returns the characters
// the whole list needs without its final terminator (so a null buffer asks for the size).
DWORD CopyNulList(const CStringArray& items, LPWSTR buffer, DWORD length)
{
    DWORD needed = 0;
    for (INT_PTR i = 0; i < items.GetSize(); ++i)
        needed += static_cast<DWORD>(items[i].GetLength()) + 1;
    if (!buffer || length == 0)
        return needed;
    DWORD pos = 0;
    for (INT_PTR i = 0; i < items.GetSize(); ++i) {
        DWORD n = static_cast<DWORD>(items[i].GetLength()) + 1;
        if (pos + n + 1 > length)
            break;
        wmemcpy(buffer + pos, items[i].GetString(), n);
        pos += n;
    }
    buffer[pos < length ? pos : length - 1] = 0;
    if (pos == 0 && length > 1)
        buffer[1] = 0;
    return needed;
}

const wchar_t kTrimSet[] = L" \t\r\n";

} // namespace

CIni::CIni() {}

CIni::CIni(LPCWSTR path) : m_pszPath(CopyPath(path)) {}

CIni::~CIni() { delete[] m_pszPath; }

void CIni::SetPath(LPCWSTR path)
{
    delete[] m_pszPath;
    // A null path empties the current text.
    m_pszPath = CopyPath(path ? path : L"");
}

DWORD CIni::GetPath(LPWSTR buffer, DWORD length) const
{
    DWORD n = m_pszPath ? static_cast<DWORD>(wcslen(m_pszPath)) : 0;
    if (!buffer)
        return n;
    DWORD copied = n < length ? n : length;
    if (copied)
        wmemcpy(buffer, m_pszPath, copied);
    if (copied < length)
        buffer[copied] = 0;
    return copied;
}

CString CIni::GetPath() const { return CString(m_pszPath ? m_pszPath : L""); }

// ---------------------------------------------------------------------------------------
// The base of every read and write

CString CIni::ReadValue(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText) const
{
    if (!defaultText)
        defaultText = L"";
    if (!section || !key || !m_pszPath)
        return CString(defaultText);
    // Grow the buffer until the value fits, up to the longest value read. Past 64 K
    // characters the buffer doubles, so that a long value costs a few reads, not hundreds.
    for (DWORD size = kReadStep;;) {
        std::vector<WCHAR> buffer(size + 1, 0);
        DWORD n = ::GetPrivateProfileStringW(section, key, defaultText, buffer.data(), size, m_pszPath);
        if (n + 1 < size || size > kMaxValueChars)
            return CString(buffer.data(), static_cast<int>(n < kMaxValueChars ? n : kMaxValueChars));
        size = size < kLinearGrowth ? size + kReadStep : size * 2;
        if (size > kMaxValueChars) size = kMaxValueChars + 1;
    }
}

// The system creates new INI files in the ANSI code page, which loses every character
// outside it (Chinese device names and paths on a Western system); a file that starts
// with the UTF-16LE byte-order mark is kept in UTF-16 by the profile functions.
void CIni::CreateUnicodeFileIfMissing() const
{
    if (!m_pszPath || !*m_pszPath || ::GetFileAttributesW(m_pszPath) != INVALID_FILE_ATTRIBUTES)
        return;
    HANDLE h = ::CreateFileW(m_pszPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return; // the folder is missing, or another writer made it first
    static const BYTE bom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    ::WriteFile(h, bom, sizeof(bom), &written, nullptr);
    ::CloseHandle(h);
}

BOOL CIni::WriteValue(LPCWSTR section, LPCWSTR key, LPCWSTR value) const
{
    if (!section || !key || !m_pszPath)
        return FALSE;
    CreateUnicodeFileIfMissing();
    return ::WritePrivateProfileStringW(section, key, value ? value : L"", m_pszPath);
}

CString CIni::ReadNumberText(LPCWSTR section, LPCWSTR key) const
{
    // Only the first 64 characters of a stored number count.
    return ReadValue(section, key, nullptr).Left(static_cast<int>(kNumberChars));
}

// ---------------------------------------------------------------------------------------
// Text

CString CIni::GetString(LPCWSTR section, LPCWSTR key, LPCWSTR defaultText) const
{
    return ReadValue(section, key, defaultText);
}

DWORD CIni::GetString(LPCWSTR section, LPCWSTR key, LPWSTR buffer, DWORD length, LPCWSTR defaultText) const
{
    CString value = ReadValue(section, key, defaultText);
    DWORD n = static_cast<DWORD>(value.GetLength());
    if (!buffer)
        return n;
    if (length)
        buffer[0] = 0;
    DWORD copied = n < length ? n : length;
    if (copied)
        wmemcpy(buffer, value.GetString(), copied);
    if (copied < length)
        buffer[copied] = 0;
    return copied;
}

BOOL CIni::WriteString(LPCWSTR section, LPCWSTR key, LPCWSTR value) const
{
    return WriteValue(section, key, value);
}

BOOL CIni::AppendString(LPCWSTR section, LPCWSTR key, LPCWSTR text) const
{
    if (!section || !key)
        return FALSE;
    return WriteValue(section, key, ReadValue(section, key, nullptr) + (text ? text : L""));
}

WCHAR CIni::GetChar(LPCWSTR section, LPCWSTR key, WCHAR defaultChar) const
{
    CString value = ReadValue(section, key, nullptr);
    return value.IsEmpty() ? defaultChar : value[0];
}

BOOL CIni::WriteChar(LPCWSTR section, LPCWSTR key, WCHAR c) const
{
    WCHAR text[2] = {c, 0};
    return WriteValue(section, key, text);
}

// ---------------------------------------------------------------------------------------
// Numbers

int CIni::GetInt(LPCWSTR section, LPCWSTR key, int defaultValue, int base) const
{
    // The unsigned conversion, so that "-1" written with "%d" reads back as -1.
    return static_cast<int>(GetUInt(section, key, static_cast<UINT>(defaultValue), base));
}

UINT CIni::GetUInt(LPCWSTR section, LPCWSTR key, UINT defaultValue, int base) const
{
    CString text = ReadNumberText(section, key);
    if (text.IsEmpty())
        return defaultValue;
    return static_cast<UINT>(wcstoul(text, nullptr, ConversionBase(base)));
}

BOOL CIni::GetBool(LPCWSTR section, LPCWSTR key, BOOL defaultValue) const
{
    CString text = ReadNumberText(section, key);
    if (text.IsEmpty())
        return defaultValue;
    if (text.CompareNoCase(L"true") == 0 || text.CompareNoCase(L"yes") == 0)
        return TRUE;
    return wcstol(text, nullptr, 10) != 0 ? TRUE : FALSE;
}

double CIni::GetDouble(LPCWSTR section, LPCWSTR key, double defaultValue) const
{
    CString text = ReadNumberText(section, key);
    if (text.IsEmpty())
        return defaultValue;
    return wcstod(text, nullptr);
}

BOOL CIni::WriteInt(LPCWSTR section, LPCWSTR key, int value, int base) const
{
    return WriteValue(section, key, FormatNumber(static_cast<UINT>(value), true, base));
}

BOOL CIni::WriteUInt(LPCWSTR section, LPCWSTR key, UINT value, int base) const
{
    return WriteValue(section, key, FormatNumber(value, false, base));
}

BOOL CIni::WriteDouble(LPCWSTR section, LPCWSTR key, double value, int precision) const
{
    CString format;
    if (precision <= 0)
        format = L"%f";
    else
        format.Format(L"%%.%df", precision);
    // A text that would not fit the number buffer (values above about 1e55) is written
    // with an exponent instead, so that it reads back as the same value.
    CString text;
    text.Format(format, value);
    if (text.GetLength() > static_cast<int>(kNumberChars))
        text.Format(L"%.17g", value);
    return WriteValue(section, key, text);
}

BOOL CIni::WriteBool(LPCWSTR section, LPCWSTR key, BOOL value) const
{
    return WriteInt(section, key, value ? 1 : 0, 10);
}

BOOL CIni::AddToInt(LPCWSTR section, LPCWSTR key, int increment, int base) const
{
    int value = GetInt(section, key, 0, base);
    return WriteInt(section, key, static_cast<int>(static_cast<UINT>(value) + static_cast<UINT>(increment)), base);
}

BOOL CIni::AddToUInt(LPCWSTR section, LPCWSTR key, UINT increment, int base) const
{
    return WriteUInt(section, key, GetUInt(section, key, 0, base) + increment, base);
}

BOOL CIni::AddToDouble(LPCWSTR section, LPCWSTR key, double increment, int precision) const
{
    return WriteDouble(section, key, GetDouble(section, key, 0.0) + increment, precision);
}

BOOL CIni::ToggleBool(LPCWSTR section, LPCWSTR key) const
{
    return WriteBool(section, key, !GetBool(section, key, FALSE));
}

// ---------------------------------------------------------------------------------------
// Hex bytes

DWORD CIni::GetHexBytes(LPCWSTR section, LPCWSTR key, BYTE* buffer, DWORD size, DWORD offset) const
{
    CString text = ReadValue(section, key, nullptr);
    for (int i = 0; i < text.GetLength(); ++i)
        if (!IsHexDigit(text[i]))
            return 0;
    DWORD count = static_cast<DWORD>(text.GetLength()) / 2;
    if (offset >= count)
        return 0;
    if (!buffer)
        return count - offset;
    DWORD n = count - offset < size ? count - offset : size;
    for (DWORD i = 0; i < n; ++i) {
        int at = static_cast<int>((offset + i) * 2);
        buffer[i] = static_cast<BYTE>((HexValue(text[at]) << 4) | HexValue(text[at + 1]));
    }
    return n;
}

BOOL CIni::WriteHexBytes(LPCWSTR section, LPCWSTR key, const BYTE* bytes, DWORD count) const
{
    return WriteValue(section, key, HexText(bytes, count));
}

BOOL CIni::AppendHexBytes(LPCWSTR section, LPCWSTR key, const BYTE* bytes, DWORD count) const
{
    return AppendString(section, key, HexText(bytes, count));
}

POINT CIni::GetPoint(LPCWSTR section, LPCWSTR key, POINT defaultPoint) const
{
    static_assert(sizeof(POINT) == 8, "a stored point is 8 bytes");
    POINT p;
    if (GetHexBytes(section, key, nullptr, 0) != sizeof(POINT) ||
        GetHexBytes(section, key, reinterpret_cast<BYTE*>(&p), sizeof(p)) != sizeof(POINT))
        return defaultPoint;
    return p;
}

RECT CIni::GetRect(LPCWSTR section, LPCWSTR key, RECT defaultRect) const
{
    static_assert(sizeof(RECT) == 16, "a stored rectangle is 16 bytes");
    RECT r;
    if (GetHexBytes(section, key, nullptr, 0) != sizeof(RECT) ||
        GetHexBytes(section, key, reinterpret_cast<BYTE*>(&r), sizeof(r)) != sizeof(RECT))
        return defaultRect;
    return r;
}

BOOL CIni::WritePoint(LPCWSTR section, LPCWSTR key, POINT point) const
{
    return WriteHexBytes(section, key, reinterpret_cast<const BYTE*>(&point), sizeof(point));
}

BOOL CIni::WriteRect(LPCWSTR section, LPCWSTR key, RECT rect) const
{
    return WriteHexBytes(section, key, reinterpret_cast<const BYTE*>(&rect), sizeof(rect));
}

// ---------------------------------------------------------------------------------------
// Lists

DWORD CIni::GetList(LPCWSTR section, LPCWSTR key, CStringArray& items, LPCWSTR delimiter) const
{
    items.RemoveAll();
    CString value = ReadValue(section, key, nullptr);
    CString delim(delimiter ? delimiter : L"");
    int start = 0;
    for (;;) {
        int at = delim.IsEmpty() ? -1 : value.Find(delim, start);
        CString item = at < 0 ? value.Mid(start) : value.Mid(start, at - start);
        item.Trim(kTrimSet);
        if (!item.IsEmpty())
            items.Add(item);
        if (at < 0)
            break;
        start = at + delim.GetLength();
    }
    return static_cast<DWORD>(items.GetSize());
}

DWORD CIni::GetList(LPCWSTR section, LPCWSTR key, LPWSTR buffer, DWORD length, LPCWSTR delimiter, BOOL trim) const
{
    CStringArray items;
    CString value = ReadValue(section, key, nullptr);
    CString delim(delimiter ? delimiter : L"");
    int start = 0;
    for (;;) {
        int at = delim.IsEmpty() ? -1 : value.Find(delim, start);
        CString item = at < 0 ? value.Mid(start) : value.Mid(start, at - start);
        if (trim)
            item.Trim(kTrimSet);
        if (!item.IsEmpty())
            items.Add(item);
        if (at < 0)
            break;
        start = at + delim.GetLength();
    }
    CopyNulList(items, buffer, length);
    return static_cast<DWORD>(items.GetSize());
}

BOOL CIni::WriteList(LPCWSTR section, LPCWSTR key, const CStringArray& items, int count, LPCWSTR delimiter) const
{
    INT_PTR n = (count < 0 || count > items.GetSize()) ? items.GetSize() : count;
    CString joined;
    for (INT_PTR i = 0; i < n; ++i) {
        if (i)
            joined += delimiter ? delimiter : L",";
        joined += items[i];
    }
    return WriteValue(section, key, joined);
}

// ---------------------------------------------------------------------------------------
// Sections and keys

CString CIni::ReadSectionRaw(LPCWSTR section) const
{
    if (!m_pszPath)
        return CString();
    for (DWORD size = kReadStep * 4;; size = size * 2 > kMaxSectionChars ? kMaxSectionChars : size * 2) {
        std::vector<WCHAR> buffer(size + 2, 0);
        DWORD n = section ? ::GetPrivateProfileSectionW(section, buffer.data(), size, m_pszPath)
                          : ::GetPrivateProfileSectionNamesW(buffer.data(), size, m_pszPath);
        if (n + 2 < size)
            return CString(buffer.data(), static_cast<int>(n + 1));
        if (size == kMaxSectionChars) {
            // A section longer than the cap keeps the lines that fit whole.
            DWORD end = n < size ? n : size;
            while (end > 0 && buffer[end - 1] != 0) --end;
            return CString(buffer.data(), static_cast<int>(end));
        }
    }
}

namespace {

void RawToItems(const CString& raw, CStringArray& items)
{
    std::vector<WCHAR> buffer(raw.GetString(), raw.GetString() + raw.GetLength());
    buffer.push_back(0);
    buffer.push_back(0);
    SplitNulList(buffer, items);
}

} // namespace

DWORD CIni::GetSectionLines(LPCWSTR section, CStringArray& lines) const
{
    lines.RemoveAll();
    if (!section)
        return 0;
    RawToItems(ReadSectionRaw(section), lines);
    return static_cast<DWORD>(lines.GetSize());
}

DWORD CIni::GetSectionLines(LPCWSTR section, LPWSTR buffer, DWORD length) const
{
    CStringArray lines;
    GetSectionLines(section, lines);
    return CopyNulList(lines, buffer, length);
}

DWORD CIni::GetKeyNames(LPCWSTR section, CStringArray& names) const
{
    names.RemoveAll();
    CStringArray lines;
    GetSectionLines(section, lines);
    for (INT_PTR i = 0; i < lines.GetSize(); ++i) {
        int eq = lines[i].Find(L'=');
        if (eq <= 0)
            continue;
        CString name = lines[i].Left(eq);
        name.Trim(kTrimSet);
        names.Add(name);
    }
    return static_cast<DWORD>(names.GetSize());
}

DWORD CIni::GetKeyNames(LPCWSTR section, LPWSTR buffer, DWORD length) const
{
    CStringArray names;
    GetKeyNames(section, names);
    return CopyNulList(names, buffer, length);
}

DWORD CIni::GetSectionNames(CStringArray& names) const
{
    names.RemoveAll();
    RawToItems(ReadSectionRaw(nullptr), names);
    return static_cast<DWORD>(names.GetSize());
}

DWORD CIni::GetSectionNames(LPWSTR buffer, DWORD length) const
{
    CStringArray names;
    GetSectionNames(names);
    return CopyNulList(names, buffer, length);
}

BOOL CIni::DeleteSection(LPCWSTR section) const
{
    if (!section || !m_pszPath)
        return FALSE;
    return ::WritePrivateProfileStringW(section, nullptr, nullptr, m_pszPath);
}

BOOL CIni::DeleteKey(LPCWSTR section, LPCWSTR key) const
{
    if (!section || !key || !m_pszPath)
        return FALSE;
    return ::WritePrivateProfileStringW(section, key, nullptr, m_pszPath);
}

BOOL CIni::HasSection(LPCWSTR section) const
{
    if (!section)
        return FALSE;
    CStringArray names;
    GetSectionNames(names);
    for (INT_PTR i = 0; i < names.GetSize(); ++i)
        if (names[i].CompareNoCase(section) == 0)
            return TRUE;
    return FALSE;
}

BOOL CIni::HasKey(LPCWSTR section, LPCWSTR key) const
{
    if (!section || !key)
        return FALSE;
    return ReadValue(section, key, kMissingKey) != kMissingKey ? TRUE : FALSE;
}

BOOL CIni::CopySection(LPCWSTR source, LPCWSTR target, BOOL failIfExists) const
{
    if (!source || !target || !m_pszPath || _wcsicmp(source, target) == 0 || !HasSection(source))
        return FALSE;
    if (failIfExists && HasSection(target))
        return FALSE;
    CString raw = ReadSectionRaw(source);
    raw += L'\0'; // the section form takes a double-NUL-terminated list
    DeleteSection(target);
    CreateUnicodeFileIfMissing();
    return ::WritePrivateProfileSectionW(target, raw, m_pszPath);
}

BOOL CIni::MoveSection(LPCWSTR source, LPCWSTR target, BOOL failIfExists) const
{
    return CopySection(source, target, failIfExists) && DeleteSection(source);
}

BOOL CIni::CopyKey(LPCWSTR sourceSection, LPCWSTR sourceKey, LPCWSTR targetSection, LPCWSTR targetKey,
                   BOOL failIfExists) const
{
    if (!sourceSection || !sourceKey || !targetSection || !targetKey)
        return FALSE;
    if (_wcsicmp(sourceSection, targetSection) == 0 && _wcsicmp(sourceKey, targetKey) == 0)
        return FALSE;
    if (!HasKey(sourceSection, sourceKey))
        return FALSE;
    if (failIfExists && HasKey(targetSection, targetKey))
        return FALSE;
    return WriteValue(targetSection, targetKey, ReadValue(sourceSection, sourceKey, nullptr));
}

BOOL CIni::MoveKey(LPCWSTR sourceSection, LPCWSTR sourceKey, LPCWSTR targetSection, LPCWSTR targetKey,
                   BOOL failIfExists) const
{
    return CopyKey(sourceSection, sourceKey, targetSection, targetKey, failIfExists) &&
           DeleteKey(sourceSection, sourceKey);
}

} // namespace util
