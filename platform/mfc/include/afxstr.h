// CStringT: the framework's string in its wide (CStringW, the CString of a Unicode build) and
// narrow (CStringA, ANSI code page) forms. Converting between the two goes through the ANSI
// code page, as the framework does.
//
// Unlike the original, a CString passed through "..." (Format, printf) must be cast to its
// character pointer ((LPCTSTR)s or s.GetString()): GCC does not pass class objects through
// an ellipsis the way MSVC does.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

template <typename XCHAR> class CStringT;
typedef CStringT<wchar_t> CStringW;
typedef CStringT<char> CStringA;
typedef CStringW CString;

namespace afx_detail {

template <typename XCHAR> struct OtherChar;
template <> struct OtherChar<wchar_t> { typedef char type; };
template <> struct OtherChar<char> { typedef wchar_t type; };

std::wstring AnsiToWide(const char* text, int length);
std::string WideToAnsi(const wchar_t* text, int length);
inline void Convert(std::wstring& out, const char* text, int length) { out = AnsiToWide(text, length); }
inline void Convert(std::string& out, const wchar_t* text, int length) { out = WideToAnsi(text, length); }

int FormatLength(const wchar_t* format, va_list args);
int FormatLength(const char* format, va_list args);
int FormatInto(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);
int FormatInto(char* buffer, size_t count, const char* format, va_list args);

bool LoadResourceString(HINSTANCE module, UINT id, std::wstring& out);
HINSTANCE CurrentResourceHandle();

int CompareNoCase(const wchar_t* a, const wchar_t* b);
int CompareNoCase(const char* a, const char* b);
int Collate(const wchar_t* a, const wchar_t* b, bool noCase);
int Collate(const char* a, const char* b, bool noCase);
void MakeUpper(std::wstring& s);
void MakeUpper(std::string& s);
void MakeLower(std::wstring& s);
void MakeLower(std::string& s);
BSTR AllocSysString(const std::wstring& s);
BSTR AllocSysString(const std::string& s);

} // namespace afx_detail

template <typename XCHAR>
class CStringT {
public:
    typedef XCHAR XCHAR_TYPE;
    typedef typename afx_detail::OtherChar<XCHAR>::type YCHAR;
    typedef const XCHAR* PCXSTR;
    typedef XCHAR* PXSTR;
    typedef const YCHAR* PCYSTR;
    typedef std::basic_string<XCHAR> String;

    CStringT() {}
    CStringT(const CStringT& other) : m_s(other.m_s) {}
    CStringT(CStringT&& other) noexcept : m_s(std::move(other.m_s)) {}
    // A string id made with MAKEINTRESOURCE loads that string, as the framework allows.
    CStringT(PCXSTR text) { AssignPointer(text); }
    CStringT(PCYSTR text) { AssignPointer(text); }
    CStringT(PCXSTR text, int length) { if (text && length > 0) m_s.assign(text, length); }
    CStringT(PCYSTR text, int length) { if (text && length > 0) afx_detail::Convert(m_s, text, length); }
    CStringT(XCHAR ch, int repeat = 1) { if (repeat > 0) m_s.assign(repeat, ch); }
    CStringT(const CStringT<YCHAR>& other) { afx_detail::Convert(m_s, other.GetString(), other.GetLength()); }
    explicit CStringT(const String& s) : m_s(s) {}

    CStringT& operator=(const CStringT& other) { m_s = other.m_s; return *this; }
    CStringT& operator=(CStringT&& other) noexcept { m_s = std::move(other.m_s); return *this; }
    CStringT& operator=(PCXSTR text) { AssignPointer(text); return *this; }
    CStringT& operator=(PCYSTR text) { AssignPointer(text); return *this; }
    CStringT& operator=(XCHAR ch) { m_s.assign(1, ch); return *this; }
    CStringT& operator=(const CStringT<YCHAR>& other)
    {
        afx_detail::Convert(m_s, other.GetString(), other.GetLength());
        return *this;
    }

    CStringT& operator+=(const CStringT& other) { m_s += other.m_s; return *this; }
    CStringT& operator+=(PCXSTR text) { if (text) m_s += text; return *this; }
    CStringT& operator+=(PCYSTR text) { return *this += CStringT(text); }
    CStringT& operator+=(XCHAR ch) { m_s += ch; return *this; }

    // Access
    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    PCXSTR GetString() const { return m_s.c_str(); }
    operator PCXSTR() const { return m_s.c_str(); }
    XCHAR GetAt(int index) const { return m_s.at(static_cast<size_t>(index)); }
    XCHAR operator[](int index) const { return GetAt(index); }
    void SetAt(int index, XCHAR ch) { m_s.at(static_cast<size_t>(index)) = ch; }
    const String& str() const { return m_s; }

    // The buffer stays valid until the next call that changes the string; ReleaseBuffer with
    // -1 takes the length up to the first terminator the caller wrote.
    PXSTR GetBuffer(int minLength)
    {
        if (minLength > GetLength())
            m_s.resize(static_cast<size_t>(minLength));
        return &m_s[0];
    }
    PXSTR GetBuffer() { return &m_s[0]; }
    PXSTR GetBufferSetLength(int length)
    {
        m_s.resize(static_cast<size_t>(length < 0 ? 0 : length));
        return &m_s[0];
    }
    void ReleaseBuffer(int newLength = -1)
    {
        if (newLength < 0)
            newLength = static_cast<int>(std::char_traits<XCHAR>::length(m_s.c_str()));
        if (newLength < GetLength())
            m_s.resize(static_cast<size_t>(newLength));
    }
    void ReleaseBufferSetLength(int newLength) { ReleaseBuffer(newLength); }
    void Preallocate(int length) { if (length > 0) m_s.reserve(static_cast<size_t>(length)); }
    void FreeExtra() { m_s.shrink_to_fit(); }
    void Append(PCXSTR text, int length) { if (text && length > 0) m_s.append(text, length); }
    void Append(PCXSTR text) { if (text) m_s.append(text); }
    void Append(const CStringT& other) { m_s += other.m_s; }
    void AppendChar(XCHAR ch) { m_s += ch; }

    // Comparison
    int Compare(PCXSTR other) const
    {
        int r = m_s.compare(other ? other : Nil());
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    int CompareNoCase(PCXSTR other) const { return afx_detail::CompareNoCase(m_s.c_str(), other ? other : Nil()); }
    int Collate(PCXSTR other) const { return afx_detail::Collate(m_s.c_str(), other ? other : Nil(), false); }
    int CollateNoCase(PCXSTR other) const { return afx_detail::Collate(m_s.c_str(), other ? other : Nil(), true); }

    // Extraction
    CStringT Mid(int first) const { return Mid(first, GetLength()); }
    CStringT Mid(int first, int count) const
    {
        if (first < 0) first = 0;
        if (count < 0) count = 0;
        if (first >= GetLength()) return CStringT();
        return CStringT(m_s.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
    }
    CStringT Left(int count) const { return Mid(0, count); }
    CStringT Right(int count) const
    {
        if (count <= 0) return CStringT();
        if (count >= GetLength()) return *this;
        return CStringT(m_s.substr(m_s.size() - static_cast<size_t>(count)));
    }
    CStringT SpanIncluding(PCXSTR set) const
    {
        size_t n = m_s.find_first_not_of(set ? set : Nil());
        return CStringT(m_s.substr(0, n));
    }
    CStringT SpanExcluding(PCXSTR set) const
    {
        size_t n = m_s.find_first_of(set ? set : Nil());
        return CStringT(m_s.substr(0, n));
    }
    // Next token from start on; start becomes -1 after the last one.
    CStringT Tokenize(PCXSTR tokens, int& start) const
    {
        if (start < 0) return CStringT();
        if (!tokens || !*tokens) {
            if (start < GetLength()) return Mid(start);
        } else {
            size_t from = m_s.find_first_not_of(tokens, static_cast<size_t>(start));
            if (from != String::npos) {
                size_t to = m_s.find_first_of(tokens, from);
                if (to == String::npos) to = m_s.size();
                start = static_cast<int>(to) + 1;
                return CStringT(m_s.substr(from, to - from));
            }
        }
        start = -1;
        return CStringT();
    }

    // Changes
    CStringT& MakeUpper() { afx_detail::MakeUpper(m_s); return *this; }
    CStringT& MakeLower() { afx_detail::MakeLower(m_s); return *this; }
    CStringT& MakeReverse() { m_s.assign(m_s.rbegin(), m_s.rend()); return *this; }
    int Replace(XCHAR oldChar, XCHAR newChar)
    {
        int n = 0;
        for (auto& c : m_s)
            if (c == oldChar) { c = newChar; ++n; }
        return n;
    }
    int Replace(PCXSTR oldText, PCXSTR newText)
    {
        if (!oldText || !*oldText) return 0;
        String from(oldText), to(newText ? newText : Nil());
        int n = 0;
        for (size_t pos = m_s.find(from); pos != String::npos; pos = m_s.find(from, pos + to.size())) {
            m_s.replace(pos, from.size(), to);
            ++n;
        }
        return n;
    }
    int Remove(XCHAR ch)
    {
        size_t before = m_s.size();
        String out;
        for (auto c : m_s)
            if (c != ch) out += c;
        m_s.swap(out);
        return static_cast<int>(before - m_s.size());
    }
    int Insert(int index, XCHAR ch) { return Insert(index, CStringT(ch)); }
    int Insert(int index, PCXSTR text)
    {
        if (index < 0) index = 0;
        if (index > GetLength()) index = GetLength();
        if (text) m_s.insert(static_cast<size_t>(index), text);
        return GetLength();
    }
    int Delete(int index, int count = 1)
    {
        if (index < 0) index = 0;
        if (count > 0 && index < GetLength())
            m_s.erase(static_cast<size_t>(index), static_cast<size_t>(count));
        return GetLength();
    }

    // Trimming: with no argument, white space (space, tab, CR, LF, vertical tab, form feed).
    CStringT& TrimRight() { return TrimRight(WhiteSpace()); }
    CStringT& TrimRight(XCHAR ch) { XCHAR set[2] = {ch, 0}; return TrimRight(set); }
    CStringT& TrimRight(PCXSTR set)
    {
        size_t n = m_s.find_last_not_of(set ? set : Nil());
        m_s.erase(n == String::npos ? 0 : n + 1);
        return *this;
    }
    CStringT& TrimLeft() { return TrimLeft(WhiteSpace()); }
    CStringT& TrimLeft(XCHAR ch) { XCHAR set[2] = {ch, 0}; return TrimLeft(set); }
    CStringT& TrimLeft(PCXSTR set)
    {
        size_t n = m_s.find_first_not_of(set ? set : Nil());
        m_s.erase(0, n == String::npos ? m_s.size() : n);
        return *this;
    }
    CStringT& Trim() { return TrimRight().TrimLeft(); }
    CStringT& Trim(XCHAR ch) { return TrimRight(ch).TrimLeft(ch); }
    CStringT& Trim(PCXSTR set) { return TrimRight(set).TrimLeft(set); }

    // Searching: -1 when not found.
    int Find(XCHAR ch, int start = 0) const
    {
        if (start < 0 || start > GetLength()) return -1;
        return Pos(m_s.find(ch, static_cast<size_t>(start)));
    }
    int Find(PCXSTR text, int start = 0) const
    {
        if (!text || start < 0 || start > GetLength()) return -1;
        return Pos(m_s.find(text, static_cast<size_t>(start)));
    }
    int ReverseFind(XCHAR ch) const { return Pos(m_s.rfind(ch)); }
    int FindOneOf(PCXSTR set) const { return Pos(m_s.find_first_of(set ? set : Nil())); }

    // Formatting in the C run time's manner (in the wide form %s takes a wide string).
    void Format(PCXSTR format, ...)
    {
        va_list args;
        va_start(args, format);
        FormatV(format, args);
        va_end(args);
    }
    void Format(UINT formatId, ...)
    {
        CStringT format;
        format.LoadString(formatId);
        va_list args;
        va_start(args, formatId);
        FormatV(format, args);
        va_end(args);
    }
    void AppendFormat(PCXSTR format, ...)
    {
        va_list args;
        va_start(args, format);
        AppendFormatV(format, args);
        va_end(args);
    }
    void FormatV(PCXSTR format, va_list args)
    {
        m_s.clear();
        AppendFormatV(format, args);
    }
    void AppendFormatV(PCXSTR format, va_list args)
    {
        if (!format) return;
        va_list probe;
        va_copy(probe, args);
        int length = afx_detail::FormatLength(format, probe);
        va_end(probe);
        if (length <= 0) return;
        size_t old = m_s.size();
        m_s.resize(old + static_cast<size_t>(length) + 1);
        int written = afx_detail::FormatInto(&m_s[old], static_cast<size_t>(length) + 1, format, args);
        m_s.resize(old + static_cast<size_t>(written < 0 ? 0 : written));
    }

    // Resources: from the current resource module. A missing id gives FALSE and an empty text.
    BOOL LoadString(UINT id) { return LoadString(afx_detail::CurrentResourceHandle(), id); }
    BOOL LoadString(HINSTANCE module, UINT id)
    {
        std::wstring text;
        bool ok = afx_detail::LoadResourceString(module, id, text);
        *this = CStringW(text);
        return ok ? TRUE : FALSE;
    }

    BSTR AllocSysString() const { return afx_detail::AllocSysString(m_s); }

    friend CStringT operator+(const CStringT& a, const CStringT& b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(const CStringT& a, PCXSTR b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(PCXSTR a, const CStringT& b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(const CStringT& a, XCHAR b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(XCHAR a, const CStringT& b) { CStringT r(a); r += b; return r; }

    friend bool operator==(const CStringT& a, const CStringT& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CStringT& a, PCXSTR b) { return a.Compare(b) == 0; }
    friend bool operator==(PCXSTR a, const CStringT& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CStringT& a, const CStringT& b) { return a.m_s != b.m_s; }
    friend bool operator!=(const CStringT& a, PCXSTR b) { return a.Compare(b) != 0; }
    friend bool operator!=(PCXSTR a, const CStringT& b) { return b.Compare(a) != 0; }
    friend bool operator<(const CStringT& a, const CStringT& b) { return a.m_s < b.m_s; }
    friend bool operator<(const CStringT& a, PCXSTR b) { return a.Compare(b) < 0; }
    friend bool operator>(const CStringT& a, const CStringT& b) { return a.m_s > b.m_s; }
    friend bool operator>(const CStringT& a, PCXSTR b) { return a.Compare(b) > 0; }
    friend bool operator<=(const CStringT& a, const CStringT& b) { return a.m_s <= b.m_s; }
    friend bool operator>=(const CStringT& a, const CStringT& b) { return a.m_s >= b.m_s; }

private:
    static PCXSTR Nil() { static const XCHAR nil[1] = {0}; return nil; }
    static PCXSTR WhiteSpace() { static const XCHAR ws[7] = {' ', '\t', '\r', '\n', '\v', '\f', 0}; return ws; }
    static int Pos(size_t p) { return p == String::npos ? -1 : static_cast<int>(p); }

    void AssignPointer(PCXSTR text)
    {
        if (text && IS_INTRESOURCE(text))
            LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(text)));
        else if (text)
            m_s.assign(text);
        else
            m_s.clear();
    }
    void AssignPointer(PCYSTR text)
    {
        if (text && IS_INTRESOURCE(text))
            LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(text)));
        else if (text)
            afx_detail::Convert(m_s, text, -1);
        else
            m_s.clear();
    }

    String m_s;
};

// The framework's conversion helpers, as objects that hold the converted text.
class CW2A {
public:
    explicit CW2A(const wchar_t* text) : m_s(text ? afx_detail::WideToAnsi(text, -1) : std::string()) {}
    operator const char*() const { return m_s.c_str(); }
    const char* c_str() const { return m_s.c_str(); }
private:
    std::string m_s;
};
class CA2W {
public:
    explicit CA2W(const char* text) : m_s(text ? afx_detail::AnsiToWide(text, -1) : std::wstring()) {}
    operator const wchar_t*() const { return m_s.c_str(); }
    const wchar_t* c_str() const { return m_s.c_str(); }
private:
    std::wstring m_s;
};
typedef CW2A CT2A;
typedef CA2W CA2T;
