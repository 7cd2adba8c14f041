// Sample allocators: a fixed set of samples handed out by GetBuffer, waiting for one to
// come back when all are in use, and freed once decommitted and every sample returned.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>
#include <vector>

#include "dsbase/MediaSample.h"
#include "dsbase/Sync.h"
#include "dsbase/Unknown.h"

class CBaseAllocator : public CUnknown, public IMemAllocator {
public:
    CBaseAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
    ~CBaseAllocator() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMemAllocator
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Decommit() override;
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                                        REFERENCE_TIME* pEndTime, DWORD dwFlags) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* pBuffer) override;

protected:
    // Makes the samples for the current properties (called by Commit under the lock).
    virtual HRESULT Alloc();
    // Frees the samples and their memory; called under the lock once decommitted and
    // every sample is back.
    virtual void Free() = 0;

    // Samples not handed out. A derived allocator adds what it makes in Alloc.
    std::vector<CMediaSample*> m_lFree;
    LONG m_lAllocated = 0;  // samples that exist
    LONG m_lCount = 0;
    LONG m_lSize = 0;
    LONG m_lAlignment = 0;
    LONG m_lPrefix = 0;
    BOOL m_bChanged = FALSE;  // properties changed since the last Alloc
    BOOL m_bCommitted = FALSE;
    BOOL m_bDecommitInProgress = FALSE;
    CCritSec m_cs;

private:
    bool AllReturned() const { return static_cast<LONG>(m_lFree.size()) == m_lAllocated; }
    CONDITION_VARIABLE m_sampleFreed;
    LONG m_lWaiting = 0;
};

// Samples over one block of memory, each buffer aligned and preceded by its prefix.
class CMemAllocator : public CBaseAllocator {
public:
    CMemAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
    ~CMemAllocator() override;

    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;

    static CUnknown* WINAPI CreateInstance(LPUNKNOWN pUnk, HRESULT* phr);

protected:
    HRESULT Alloc() override;
    void Free() override;

private:
    void ReallyFree();
    LPBYTE m_pBuffer = nullptr;
};
