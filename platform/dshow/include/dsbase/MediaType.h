// Media types: a value type over AM_MEDIA_TYPE that owns its format block, and the
// CoTaskMem helpers the pin and enumerator interfaces require.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <uuids.h>

// Copies src into dst (format block duplicated, pUnk referenced). On failure dst is left
// without a format block.
HRESULT WINAPI CopyMediaType(AM_MEDIA_TYPE* pmtTarget, const AM_MEDIA_TYPE* pmtSource);
// Frees what an AM_MEDIA_TYPE holds, not the structure.
void WINAPI FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a structure made by CreateMediaType (or handed out by an enumerator). Null is fine.
void WINAPI DeleteMediaType(AM_MEDIA_TYPE* pmt);
// A CoTaskMem copy of src, or null when memory runs out.
AM_MEDIA_TYPE* WINAPI CreateMediaType(const AM_MEDIA_TYPE* pSrc);

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    explicit CMediaType(const GUID* majortype);
    CMediaType(const AM_MEDIA_TYPE& mt, HRESULT* phr = nullptr);
    CMediaType(const CMediaType& mt, HRESULT* phr = nullptr);
    CMediaType(CMediaType&& mt) noexcept;
    ~CMediaType();

    CMediaType& operator=(const CMediaType& mt);
    CMediaType& operator=(const AM_MEDIA_TYPE& mt);
    CMediaType& operator=(CMediaType&& mt) noexcept;

    // Equal in type, subtype, format type and format bytes.
    bool operator==(const CMediaType& mt) const;
    bool operator!=(const CMediaType& mt) const { return !(*this == mt); }

    HRESULT Set(const CMediaType& mt);
    HRESULT Set(const AM_MEDIA_TYPE& mt);

    BOOL IsValid() const { return !IsEqualGUID(majortype, GUID_NULL); }

    const GUID* Type() const { return &majortype; }
    void SetType(const GUID* type) { majortype = *type; }
    const GUID* Subtype() const { return &subtype; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    const GUID* FormatType() const { return &formattype; }
    void SetFormatType(const GUID* type) { formattype = *type; }

    BOOL IsFixedSize() const { return bFixedSizeSamples; }
    BOOL IsTemporalCompressed() const { return bTemporalCompression; }
    ULONG GetSampleSize() const { return IsFixedSize() ? lSampleSize : 0; }
    void SetSampleSize(ULONG size);
    void SetVariableSize() { bFixedSizeSamples = FALSE; }
    void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }
    // Replaces the format block with a copy of the given bytes; FALSE when out of memory.
    BOOL SetFormat(const BYTE* pFormat, ULONG length);
    // A format block of the given length (the old one when the length is unchanged).
    BYTE* AllocFormatBuffer(ULONG length);
    // Resizes the format block keeping its leading bytes.
    BYTE* ReallocFormatBuffer(ULONG length);
    void ResetFormatBuffer();

    // Back to an empty type: no GUIDs, no format, fixed samples of size 1.
    void InitMediaType();
    // Every field the partial type sets (non-null GUIDs, a format when its format type
    // is set) matches this one.
    BOOL MatchesPartial(const CMediaType* ppartial) const;
    BOOL IsPartiallySpecified() const;
};

// Owns an AM_MEDIA_TYPE* handed out by a pin or enumerator (DeleteMediaType on release).
class CAutoMediaTypePtr {
public:
    CAutoMediaTypePtr() = default;
    explicit CAutoMediaTypePtr(AM_MEDIA_TYPE* pmt) : m_pmt(pmt) {}
    ~CAutoMediaTypePtr() { DeleteMediaType(m_pmt); }
    CAutoMediaTypePtr(const CAutoMediaTypePtr&) = delete;
    CAutoMediaTypePtr& operator=(const CAutoMediaTypePtr&) = delete;

    AM_MEDIA_TYPE* operator->() const { return m_pmt; }
    AM_MEDIA_TYPE* Get() const { return m_pmt; }
    // For out parameters: frees the old type first.
    AM_MEDIA_TYPE** operator&() { Reset(); return &m_pmt; }
    void Reset(AM_MEDIA_TYPE* pmt = nullptr) {
        DeleteMediaType(m_pmt);
        m_pmt = pmt;
    }
    AM_MEDIA_TYPE* Detach() {
        AM_MEDIA_TYPE* p = m_pmt;
        m_pmt = nullptr;
        return p;
    }

private:
    AM_MEDIA_TYPE* m_pmt = nullptr;
};
