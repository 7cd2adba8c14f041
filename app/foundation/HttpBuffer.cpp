#include "app/foundation/HttpBuffer.h"

#include <cstdlib>
#include <cstring>

namespace http {

namespace {

const ULONGLONG kGrowStep = 1024;
const UINT kShrinkAbove = 524288;
const UINT kShrinkTo = 262144;
// The most a buffer may hold: its length and capacity stay 32-bit values.
const ULONGLONG kMaxCapacity = 0xFFFFFC00ull;

UINT Pad4(UINT n) { return (4 - (n & 3)) & 3; }

void PutBE16(BYTE* p, UINT v)
{
    p[0] = static_cast<BYTE>(v >> 8);
    p[1] = static_cast<BYTE>(v);
}

void PutBE32(BYTE* p, UINT v)
{
    p[0] = static_cast<BYTE>(v >> 24);
    p[1] = static_cast<BYTE>(v >> 16);
    p[2] = static_cast<BYTE>(v >> 8);
    p[3] = static_cast<BYTE>(v);
}

UINT GetBE16(const BYTE* p) { return (UINT(p[0]) << 8) | p[1]; }
UINT GetBE32(const BYTE* p) { return (UINT(p[0]) << 24) | (UINT(p[1]) << 16) | (UINT(p[2]) << 8) | p[3]; }

CString Decode(const BYTE* bytes, UINT count, UINT codePage)
{
    CString text;
    if (!count || count > static_cast<UINT>(INT_MAX))
        return text;
    const int chars = MultiByteToWideChar(codePage, 0, reinterpret_cast<LPCSTR>(bytes), static_cast<int>(count), nullptr, 0);
    if (chars <= 0)
        return text;
    MultiByteToWideChar(codePage, 0, reinterpret_cast<LPCSTR>(bytes), static_cast<int>(count), text.GetBufferSetLength(chars), chars);
    text.ReleaseBuffer(chars);
    return text;
}

} // namespace

CBuffer::~CBuffer() { free(m_data); }

// The growth rule: a block too small grows to the need rounded up to 1 KB; a block above
// 512 KB reused for less than 256 KB is cut back to 256 KB. A failed realloc keeps the old block.
BOOL CBuffer::Grow(ULONGLONG needed, BOOL mayShrink)
{
    ULONGLONG capacity = m_capacity;
    if (capacity < needed) {
        if (needed > kMaxCapacity)
            return FALSE;
        capacity = (needed + kGrowStep - 1) / kGrowStep * kGrowStep;
    } else if (mayShrink && m_capacity > kShrinkAbove && needed < kShrinkTo) {
        capacity = kShrinkTo;
    } else {
        return TRUE;
    }
    BYTE* block = static_cast<BYTE*>(realloc(m_data, static_cast<size_t>(capacity)));
    if (!block)
        return FALSE;
    m_data = block;
    m_capacity = static_cast<UINT>(capacity);
    return TRUE;
}

BOOL CBuffer::Append(const void* bytes, UINT length)
{
    if (!Grow(ULONGLONG(m_length) + length, TRUE))
        return FALSE;
    if (length && bytes)
        memcpy(m_data + m_length, bytes, length);
    else if (length)
        memset(m_data + m_length, 0, length);
    m_length += length;
    return TRUE;
}

BOOL CBuffer::Reserve(UINT count)
{
    if (m_capacity - m_length >= count)
        return TRUE;
    return Grow(ULONGLONG(m_length) + count, FALSE);
}

void CBuffer::Commit(UINT count)
{
    if (count > m_capacity - m_length)
        count = m_capacity - m_length;
    m_length += count;
}

CString CBuffer::ToText(UINT count, UINT codePage) const
{
    return Decode(m_data, count < m_length ? count : m_length, codePage);
}

BOOL CBuffer::Insert(UINT position, const void* bytes, UINT length)
{
    if (position > m_length)
        position = m_length;
    if (!Grow(ULONGLONG(m_length) + length, TRUE))
        return FALSE;
    memmove(m_data + position + length, m_data + position, m_length - position);
    if (bytes)
        memcpy(m_data + position, bytes, length);
    m_length += length;
    return TRUE;
}

BOOL CBuffer::AppendAnsi(const char* text)
{
    return text ? Append(text, static_cast<UINT>(strlen(text))) : TRUE;
}

BOOL CBuffer::AppendText(LPCWSTR text, UINT codePage)
{
    if (!text || !*text)
        return TRUE;
    const int bytes = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return FALSE;
    CStringA converted;
    WideCharToMultiByte(codePage, 0, text, -1, converted.GetBufferSetLength(bytes), bytes, nullptr, nullptr);
    return Append(converted.GetString(), static_cast<UINT>(bytes - 1));
}

void CBuffer::Consume(UINT count)
{
    if (!count || count > m_length)
        return;
    memmove(m_data, m_data + count, m_length - count);
    m_length -= count;
}

UINT CBuffer::MoveFrom(CBuffer& other, UINT count)
{
    if (count > other.m_length)
        count = other.m_length;
    if (!count || !Append(other.m_data, count))
        return 0;
    if (count == other.m_length)
        other.m_length = 0;
    else
        other.Consume(count);
    return count;
}

BOOL CBuffer::ReadLine(CString& line, UINT codePage, BOOL peek)
{
    const BYTE* lf = m_length ? static_cast<const BYTE*>(memchr(m_data, '\n', m_length)) : nullptr;
    if (!lf)
        return FALSE;
    const UINT withLf = static_cast<UINT>(lf - m_data) + 1;
    line = Decode(m_data, withLf - 1, codePage);
    const int cr = line.ReverseFind(L'\r');
    if (cr >= 0)
        line = line.Left(cr);
    if (!peek) {
        if (withLf == m_length)
            m_length = 0;
        else
            Consume(withLf);
    }
    return TRUE;
}

BOOL CBuffer::StartsWith(const char* text, BOOL remove)
{
    const UINT n = text ? static_cast<UINT>(strlen(text)) : 0;
    if (n > m_length || (n && memcmp(m_data, text, n) != 0))
        return FALSE;
    if (remove) {
        if (n == m_length)
            m_length = 0;
        else
            Consume(n);
    }
    return TRUE;
}

BOOL CBuffer::AppendRecord(DWORD flags, const CStringA& name, const CStringA& text, const void* data, UINT dataLength)
{
    const UINT nameLength = static_cast<UINT>(name.GetLength());
    const UINT textLength = static_cast<UINT>(text.GetLength());
    if (nameLength > 0xFFFF || textLength > 0xFFFF)
        return FALSE;
    BYTE header[12] = {};
    header[0] = static_cast<BYTE>(0x08 | ((flags & 1) ? 0x04 : 0) | ((flags & 2) ? 0x02 : 0));
    header[1] = text.Find(':') >= 0 ? 0x20 : 0x10;
    PutBE16(header + 4, nameLength);
    PutBE16(header + 6, textLength);
    PutBE32(header + 8, dataLength);
    static const BYTE zeros[4] = {};
    const ULONGLONG total = 12ull + nameLength + Pad4(nameLength) + textLength + Pad4(textLength) + dataLength + Pad4(dataLength);
    if (!Grow(ULONGLONG(m_length) + total, FALSE))
        return FALSE;
    return Append(header, 12) && Append(name.GetString(), nameLength) && Append(zeros, Pad4(nameLength)) &&
           Append(text.GetString(), textLength) && Append(zeros, Pad4(textLength)) && Append(data, dataLength) &&
           Append(zeros, Pad4(dataLength));
}

BOOL CBuffer::ReadRecord(DWORD& flags, CStringA& name, CStringA& text, UINT& dataLength)
{
    if (m_length < 12)
        return FALSE;
    const BYTE* p = m_data;
    if ((p[0] & 0xF8) != 0x08 || (p[1] != 0x10 && p[1] != 0x20) || p[2] || p[3])
        return FALSE;
    const UINT nameLength = GetBE16(p + 4), textLength = GetBE16(p + 6), data = GetBE32(p + 8);
    // In 64 bits: a data length near 4 GiB must not wrap the padded total.
    const ULONGLONG nameField = ULONGLONG(nameLength) + Pad4(nameLength);
    const ULONGLONG textField = ULONGLONG(textLength) + Pad4(textLength);
    const ULONGLONG total = 12 + nameField + textField + ULONGLONG(data) + Pad4(data);
    if (total > m_length)
        return FALSE;
    flags = ((p[0] & 0x04) ? 1u : 0u) | ((p[0] & 0x02) ? 2u : 0u);
    name = CStringA(reinterpret_cast<const char*>(p + 12), static_cast<int>(nameLength));
    text = CStringA(reinterpret_cast<const char*>(p + 12 + nameField), static_cast<int>(textLength));
    dataLength = data;
    Consume(static_cast<UINT>(12 + nameField + textField));
    return TRUE;
}

} // namespace http
