// A growable byte buffer for HTTP bodies: malloc'd, not NUL-terminated, growing in 1 KB steps
// and giving back memory when a large block is reused for little. It also offers a small
// record framing (a 12-byte big-endian header and three 4-byte-padded fields).
#pragma once

#include <afx.h>

namespace http {

class CBuffer {
public:
    CBuffer() = default;
    virtual ~CBuffer();

    const BYTE* GetData() const { return m_data; }
    BYTE* GetData() { return m_data; }
    UINT GetLength() const { return m_length; }
    UINT GetCapacity() const { return m_capacity; }

    // Grows (or, for a large block holding little, shrinks) by the growth rule and copies the
    // bytes behind the current length. False when memory runs out; the buffer is then unchanged.
    BOOL Append(const void* bytes, UINT length);
    // Room for count more bytes by the growth rule, never shrinking.
    BOOL Reserve(UINT count);
    // Marks count more bytes, written into the reserved room, as held.
    void Commit(UINT count);
    // The first min(count, length) bytes as text in a code page.
    CString ToText(UINT count, UINT codePage) const;

    BOOL Insert(UINT position, const void* bytes, UINT length);
    BOOL AppendAnsi(const char* text);
    BOOL AppendText(LPCWSTR text, UINT codePage);
    // Drops the first count bytes; nothing when count is 0 or more than the length.
    void Consume(UINT count);
    void Empty() { m_length = 0; }
    // Moves up to count bytes (all for -1) from the front of another buffer to this one's end.
    UINT MoveFrom(CBuffer& other, UINT count = static_cast<UINT>(-1));
    // One line up to the first LF, converted in a code page and cut at its last CR; the line
    // and its LF leave the buffer unless peeking. False when no LF is held.
    BOOL ReadLine(CString& line, UINT codePage, BOOL peek = FALSE);
    BOOL StartsWith(const char* text, BOOL remove = FALSE);

    // Record framing: writes a header, the name, the text and the data, each padded to 4 bytes.
    BOOL AppendRecord(DWORD flags, const CStringA& name, const CStringA& text, const void* data, UINT dataLength);
    // Reads a header and the name and text fields, removing them from the front so that the
    // data bytes come first; false for a buffer that holds no whole, valid record.
    BOOL ReadRecord(DWORD& flags, CStringA& name, CStringA& text, UINT& dataLength);

    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;

private:
    BOOL Grow(ULONGLONG needed, BOOL mayShrink);

    BYTE* m_data = nullptr;
    UINT m_capacity = 0;
    UINT m_length = 0;
};

} // namespace http
