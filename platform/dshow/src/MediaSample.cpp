#include "dsbase/MediaSample.h"

#include <cstddef>
#include <cstring>

#include "dsbase/Allocator.h"
#include "dsbase/MediaType.h"

CMediaSample::CMediaSample(LPCTSTR, CBaseAllocator* pAllocator, HRESULT* phr, LPBYTE pBuffer, LONG length)
    : m_pBuffer(pBuffer), m_lActual(length), m_cbBuffer(length), m_pAllocator(pAllocator) {
    if (length < 0 && phr) *phr = VFW_E_BUFFER_OVERFLOW;
    if (length < 0) m_lActual = m_cbBuffer = 0;
}

CMediaSample::~CMediaSample() { DeleteMediaType(m_pMediaType); }

HRESULT STDMETHODCALLTYPE CMediaSample::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IMediaSample) || IsEqualIID(riid, IID_IMediaSample2) || IsEqualIID(riid, IID_IUnknown)) {
        *ppv = static_cast<IMediaSample2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CMediaSample::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CMediaSample::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        if (m_pAllocator) {
            // Back to the pool: the next user starts from a clean sample. The allocator may
            // be destroyed by this call, and this sample with it.
            ResetProperties();
            m_pAllocator->ReleaseBuffer(this);
        } else {
            delete this;
        }
    }
    return static_cast<ULONG>(count);
}

void CMediaSample::ResetProperties() {
    m_dwFlags = 0;
    m_dwTypeSpecificFlags = 0;
    m_bMediaTimeValid = false;
    m_dwStreamId = AM_STREAM_MEDIA;
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
}

HRESULT CMediaSample::SetPointer(BYTE* pBuffer, LONG cBytes) {
    if (cBytes < 0) return VFW_E_BUFFER_OVERFLOW;
    m_pBuffer = pBuffer;
    m_cbBuffer = cBytes;
    m_lActual = cBytes;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetPointer(BYTE** ppBuffer) {
    if (!ppBuffer) return E_POINTER;
    *ppBuffer = m_pBuffer;
    return S_OK;
}

LONG STDMETHODCALLTYPE CMediaSample::GetSize() { return m_cbBuffer; }

HRESULT STDMETHODCALLTYPE CMediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
    if (!pTimeStart || !pTimeEnd) return E_POINTER;
    if (!(m_dwFlags & AM_SAMPLE_TIMEVALID)) return VFW_E_SAMPLE_TIME_NOT_SET;
    *pTimeStart = m_Start;
    if (!(m_dwFlags & AM_SAMPLE_STOPVALID)) {
        *pTimeEnd = m_Start + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *pTimeEnd = m_End;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
    if (!pTimeStart) {
        m_dwFlags &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
        return S_OK;
    }
    m_Start = *pTimeStart;
    m_dwFlags |= AM_SAMPLE_TIMEVALID;
    if (pTimeEnd) {
        m_End = *pTimeEnd;
        m_dwFlags |= AM_SAMPLE_STOPVALID;
    } else {
        m_dwFlags &= ~AM_SAMPLE_STOPVALID;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsSyncPoint() { return (m_dwFlags & AM_SAMPLE_SPLICEPOINT) ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetSyncPoint(BOOL bIsSyncPoint) {
    if (bIsSyncPoint) m_dwFlags |= AM_SAMPLE_SPLICEPOINT;
    else m_dwFlags &= ~AM_SAMPLE_SPLICEPOINT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsPreroll() { return (m_dwFlags & AM_SAMPLE_PREROLL) ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetPreroll(BOOL bIsPreroll) {
    if (bIsPreroll) m_dwFlags |= AM_SAMPLE_PREROLL;
    else m_dwFlags &= ~AM_SAMPLE_PREROLL;
    return S_OK;
}

LONG STDMETHODCALLTYPE CMediaSample::GetActualDataLength() { return m_lActual; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > m_cbBuffer) return VFW_E_BUFFER_OVERFLOW;
    m_lActual = length;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType) {
    if (!ppMediaType) return E_POINTER;
    *ppMediaType = nullptr;
    if (!(m_dwFlags & AM_SAMPLE_TYPECHANGED) || !m_pMediaType) return S_FALSE;
    *ppMediaType = CreateMediaType(m_pMediaType);
    return *ppMediaType ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType) {
    if (!pMediaType) {
        DeleteMediaType(m_pMediaType);
        m_pMediaType = nullptr;
        m_dwFlags &= ~AM_SAMPLE_TYPECHANGED;
        return S_OK;
    }
    AM_MEDIA_TYPE* copy = CreateMediaType(pMediaType);
    if (!copy) return E_OUTOFMEMORY;
    DeleteMediaType(m_pMediaType);
    m_pMediaType = copy;
    m_dwFlags |= AM_SAMPLE_TYPECHANGED;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsDiscontinuity() {
    return (m_dwFlags & AM_SAMPLE_DATADISCONTINUITY) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetDiscontinuity(BOOL bDiscontinuity) {
    if (bDiscontinuity) m_dwFlags |= AM_SAMPLE_DATADISCONTINUITY;
    else m_dwFlags &= ~AM_SAMPLE_DATADISCONTINUITY;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
    if (!pTimeStart || !pTimeEnd) return E_POINTER;
    if (!m_bMediaTimeValid) return VFW_E_MEDIA_TIME_NOT_SET;
    *pTimeStart = m_MediaStart;
    *pTimeEnd = m_MediaEnd;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
    if (!pTimeStart) {
        m_bMediaTimeValid = false;
        return S_OK;
    }
    if (!pTimeEnd) return E_POINTER;
    m_MediaStart = *pTimeStart;
    m_MediaEnd = *pTimeEnd;
    m_bMediaTimeValid = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetProperties(DWORD cbProperties, BYTE* pbProperties) {
    if (cbProperties == 0) return S_OK;
    if (!pbProperties) return E_POINTER;
    AM_SAMPLE2_PROPERTIES props = {};
    props.cbData = cbProperties < sizeof(props) ? cbProperties : static_cast<DWORD>(sizeof(props));
    props.dwTypeSpecificFlags = m_dwTypeSpecificFlags;
    props.dwSampleFlags = m_dwFlags;
    props.lActual = m_lActual;
    props.tStart = m_Start;
    props.tStop = m_End;
    props.dwStreamId = m_dwStreamId;
    props.pMediaType = (m_dwFlags & AM_SAMPLE_TYPECHANGED) ? m_pMediaType : nullptr;
    props.pbBuffer = m_pBuffer;
    props.cbBuffer = m_cbBuffer;
    std::memcpy(pbProperties, &props, props.cbData);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetProperties(DWORD cbProperties, const BYTE* pbProperties) {
    if (cbProperties == 0) return S_OK;
    if (!pbProperties) return E_POINTER;
    // Everything up to the buffer fields may be set; the buffer belongs to the allocator.
    const DWORD settable = offsetof(AM_SAMPLE2_PROPERTIES, pbBuffer);
    if (cbProperties < offsetof(AM_SAMPLE2_PROPERTIES, dwSampleFlags)) return E_INVALIDARG;
    AM_SAMPLE2_PROPERTIES props = {};
    std::memcpy(&props, pbProperties, cbProperties < sizeof(props) ? cbProperties : sizeof(props));
    if (props.cbData > cbProperties) return E_INVALIDARG;
    const DWORD have = props.cbData < settable ? props.cbData : settable;
    auto covers = [have](size_t offset, size_t size) { return have >= offset + size; };

    if (covers(offsetof(AM_SAMPLE2_PROPERTIES, lActual), sizeof(LONG)) &&
        (props.lActual < 0 || props.lActual > m_cbBuffer)) {
        return VFW_E_BUFFER_OVERFLOW;
    }
    if (covers(offsetof(AM_SAMPLE2_PROPERTIES, dwSampleFlags), sizeof(DWORD))) {
        // The type travels with its flag: a type given without the flag is not kept.
        const bool typeGiven = covers(offsetof(AM_SAMPLE2_PROPERTIES, pMediaType), sizeof(props.pMediaType)) &&
                               (props.dwSampleFlags & AM_SAMPLE_TYPECHANGED) && props.pMediaType;
        if (typeGiven) {
            HRESULT hr = SetMediaType(props.pMediaType);
            if (FAILED(hr)) return hr;
        } else {
            SetMediaType(nullptr);
        }
        m_dwFlags = (props.dwSampleFlags & ~AM_SAMPLE_TYPECHANGED) | (typeGiven ? AM_SAMPLE_TYPECHANGED : 0);
    }
    if (covers(offsetof(AM_SAMPLE2_PROPERTIES, dwTypeSpecificFlags), sizeof(DWORD))) {
        m_dwTypeSpecificFlags = props.dwTypeSpecificFlags;
    }
    if (covers(offsetof(AM_SAMPLE2_PROPERTIES, lActual), sizeof(LONG))) m_lActual = props.lActual;
    if (covers(offsetof(AM_SAMPLE2_PROPERTIES, tStart), sizeof(REFERENCE_TIME))) m_Start = props.tStart;
    if (covers(offsetof(AM_SAMPLE2_PROPERTIES, tStop), sizeof(REFERENCE_TIME))) m_End = props.tStop;
    if (covers(offsetof(AM_SAMPLE2_PROPERTIES, dwStreamId), sizeof(DWORD))) m_dwStreamId = props.dwStreamId;
    return S_OK;
}
