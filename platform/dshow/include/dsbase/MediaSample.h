// A media sample over a buffer it does not own: the memory allocator's samples point
// into its block; a stand-alone sample (no allocator) points at a caller's buffer and
// deletes itself with its last reference.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

class CBaseAllocator;

class CMediaSample : public IMediaSample2 {
public:
    CMediaSample(LPCTSTR pName, CBaseAllocator* pAllocator, HRESULT* phr,
                 LPBYTE pBuffer = nullptr, LONG length = 0);
    virtual ~CMediaSample();
    CMediaSample(const CMediaSample&) = delete;
    CMediaSample& operator=(const CMediaSample&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IMediaSample
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** ppBuffer) override;
    LONG STDMETHODCALLTYPE GetSize() override;
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override;
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL bIsSyncPoint) override;
    HRESULT STDMETHODCALLTYPE IsPreroll() override;
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL bIsPreroll) override;
    LONG STDMETHODCALLTYPE GetActualDataLength() override;
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override;
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL bDiscontinuity) override;
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

    // IMediaSample2
    HRESULT STDMETHODCALLTYPE GetProperties(DWORD cbProperties, BYTE* pbProperties) override;
    HRESULT STDMETHODCALLTYPE SetProperties(DWORD cbProperties, const BYTE* pbProperties) override;

    // Points the sample at other memory; the actual length becomes the whole buffer.
    HRESULT SetPointer(BYTE* pBuffer, LONG cBytes);

protected:
    friend class CBaseAllocator;
    friend class CMemAllocator;

    // Clears everything a user of the sample set, as when it goes back to its allocator.
    void ResetProperties();

    DWORD m_dwFlags = 0;              // AM_SAMPLE_* flags
    DWORD m_dwTypeSpecificFlags = 0;
    LPBYTE m_pBuffer;
    LONG m_lActual;
    LONG m_cbBuffer;
    CBaseAllocator* m_pAllocator;
    REFERENCE_TIME m_Start = 0;
    REFERENCE_TIME m_End = 0;
    LONGLONG m_MediaStart = 0;
    LONGLONG m_MediaEnd = 0;
    bool m_bMediaTimeValid = false;
    AM_MEDIA_TYPE* m_pMediaType = nullptr;
    DWORD m_dwStreamId = AM_STREAM_MEDIA;
    volatile LONG m_cRef = 0;
};
