#include "dsbase/MediaType.h"

#include <cstring>
#include <utility>

HRESULT WINAPI CopyMediaType(AM_MEDIA_TYPE* pmtTarget, const AM_MEDIA_TYPE* pmtSource) {
    if (!pmtTarget || !pmtSource) return E_POINTER;
    if (pmtTarget == pmtSource) return S_OK;
    *pmtTarget = *pmtSource;
    if (pmtSource->cbFormat != 0 && pmtSource->pbFormat) {
        pmtTarget->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(pmtSource->cbFormat));
        if (!pmtTarget->pbFormat) {
            pmtTarget->cbFormat = 0;
            pmtTarget->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(pmtTarget->pbFormat, pmtSource->pbFormat, pmtSource->cbFormat);
    } else {
        pmtTarget->cbFormat = 0;
        pmtTarget->pbFormat = nullptr;
    }
    if (pmtTarget->pUnk) pmtTarget->pUnk->AddRef();
    return S_OK;
}

void WINAPI FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat != 0 || mt.pbFormat) {
        CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

void WINAPI DeleteMediaType(AM_MEDIA_TYPE* pmt) {
    if (!pmt) return;
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
}

AM_MEDIA_TYPE* WINAPI CreateMediaType(const AM_MEDIA_TYPE* pSrc) {
    if (!pSrc) return nullptr;
    auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!pmt) return nullptr;
    if (FAILED(CopyMediaType(pmt, pSrc))) {
        CoTaskMemFree(pmt);
        return nullptr;
    }
    return pmt;
}

CMediaType::CMediaType() { InitMediaType(); }

CMediaType::CMediaType(const GUID* type) {
    InitMediaType();
    majortype = *type;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& mt, HRESULT* phr) {
    InitMediaType();
    HRESULT hr = CopyMediaType(this, &mt);
    if (phr) *phr = hr;
}

CMediaType::CMediaType(const CMediaType& mt, HRESULT* phr) : CMediaType(static_cast<const AM_MEDIA_TYPE&>(mt), phr) {}

CMediaType::CMediaType(CMediaType&& mt) noexcept {
    InitMediaType();
    *static_cast<AM_MEDIA_TYPE*>(this) = mt;
    mt.pbFormat = nullptr;
    mt.cbFormat = 0;
    mt.pUnk = nullptr;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const CMediaType& mt) {
    Set(mt);
    return *this;
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& mt) {
    Set(mt);
    return *this;
}

CMediaType& CMediaType::operator=(CMediaType&& mt) noexcept {
    if (this != &mt) {
        FreeMediaType(*this);
        *static_cast<AM_MEDIA_TYPE*>(this) = mt;
        mt.pbFormat = nullptr;
        mt.cbFormat = 0;
        mt.pUnk = nullptr;
    }
    return *this;
}

HRESULT CMediaType::Set(const CMediaType& mt) { return Set(static_cast<const AM_MEDIA_TYPE&>(mt)); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& mt) {
    if (&mt == static_cast<const AM_MEDIA_TYPE*>(this)) return S_OK;
    // Copy first, so a failure leaves this type as it was.
    AM_MEDIA_TYPE copy;
    HRESULT hr = CopyMediaType(&copy, &mt);
    if (FAILED(hr)) return hr;
    FreeMediaType(*this);
    *static_cast<AM_MEDIA_TYPE*>(this) = copy;
    return S_OK;
}

bool CMediaType::operator==(const CMediaType& mt) const {
    if (!IsEqualGUID(majortype, mt.majortype) || !IsEqualGUID(subtype, mt.subtype) ||
        !IsEqualGUID(formattype, mt.formattype) || cbFormat != mt.cbFormat) {
        return false;
    }
    return cbFormat == 0 || std::memcmp(pbFormat, mt.pbFormat, cbFormat) == 0;
}

void CMediaType::SetSampleSize(ULONG size) {
    if (size == 0) {
        SetVariableSize();
    } else {
        bFixedSizeSamples = TRUE;
        lSampleSize = size;
    }
}

BOOL CMediaType::SetFormat(const BYTE* pFormat, ULONG length) {
    if (length == 0) {
        ResetFormatBuffer();
        return TRUE;
    }
    if (!pFormat) return FALSE;
    BYTE* copy = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (!copy) return FALSE;
    std::memcpy(copy, pFormat, length);
    CoTaskMemFree(pbFormat);
    pbFormat = copy;
    cbFormat = length;
    return TRUE;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
    if (length == 0) return nullptr;
    if (cbFormat == length && pbFormat) return pbFormat;
    BYTE* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (!block) return nullptr;
    CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = length;
    return block;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) {
    if (length == 0) return nullptr;
    if (cbFormat == length && pbFormat) return pbFormat;
    BYTE* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (!block) return nullptr;
    if (pbFormat) {
        std::memcpy(block, pbFormat, cbFormat < length ? cbFormat : length);
        CoTaskMemFree(pbFormat);
    }
    pbFormat = block;
    cbFormat = length;
    return block;
}

void CMediaType::ResetFormatBuffer() {
    CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
}

void CMediaType::InitMediaType() {
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    lSampleSize = 1;
    bFixedSizeSamples = TRUE;
}

BOOL CMediaType::MatchesPartial(const CMediaType* ppartial) const {
    if (!IsEqualGUID(ppartial->majortype, GUID_NULL) && !IsEqualGUID(majortype, ppartial->majortype)) return FALSE;
    if (!IsEqualGUID(ppartial->subtype, GUID_NULL) && !IsEqualGUID(subtype, ppartial->subtype)) return FALSE;
    if (!IsEqualGUID(ppartial->formattype, GUID_NULL)) {
        if (!IsEqualGUID(formattype, ppartial->formattype)) return FALSE;
        if (cbFormat != ppartial->cbFormat) return FALSE;
        if (cbFormat != 0 && std::memcmp(pbFormat, ppartial->pbFormat, cbFormat) != 0) return FALSE;
    }
    return TRUE;
}

BOOL CMediaType::IsPartiallySpecified() const {
    // A wildcard subtype alone still names a usable type.
    return IsEqualGUID(majortype, GUID_NULL) || IsEqualGUID(formattype, GUID_NULL);
}
