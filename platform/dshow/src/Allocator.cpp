#include "dsbase/Allocator.h"

#include <climits>
#include <new>

namespace {

bool IsPowerOfTwo(LONG value) { return value > 0 && (value & (value - 1)) == 0; }

}  // namespace

CBaseAllocator::CBaseAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr) : CUnknown(pName, pUnk, phr) {
    InitializeConditionVariable(&m_sampleFreed);
}

CBaseAllocator::~CBaseAllocator() = default;

HRESULT STDMETHODCALLTYPE CBaseAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (IsEqualIID(riid, IID_IMemAllocator)) return GetInterface(static_cast<IMemAllocator*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) {
    if (!pRequest || !pActual) return E_POINTER;
    CAutoLock lock(&m_cs);
    if (m_bCommitted) return VFW_E_ALREADY_COMMITTED;
    if (!AllReturned()) return VFW_E_BUFFERS_OUTSTANDING;
    if (!IsPowerOfTwo(pRequest->cbAlign)) return VFW_E_BADALIGN;
    if (pRequest->cBuffers < 0 || pRequest->cbBuffer < 0 || pRequest->cbPrefix < 0) return E_INVALIDARG;
    m_lCount = pRequest->cBuffers;
    m_lSize = pRequest->cbBuffer;
    m_lAlignment = pRequest->cbAlign;
    m_lPrefix = pRequest->cbPrefix;
    m_bChanged = TRUE;
    return GetProperties(pActual);
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps) {
    if (!pProps) return E_POINTER;
    CAutoLock lock(&m_cs);
    pProps->cBuffers = m_lCount;
    pProps->cbBuffer = m_lSize;
    pProps->cbAlign = m_lAlignment;
    pProps->cbPrefix = m_lPrefix;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::Commit() {
    CAutoLock lock(&m_cs);
    if (m_bCommitted) return S_OK;
    if (m_bDecommitInProgress) {
        // The samples of the last commit are still out and still valid: keep using them.
        m_bDecommitInProgress = FALSE;
        m_bCommitted = TRUE;
        return S_OK;
    }
    HRESULT hr = Alloc();
    if (FAILED(hr)) return hr;
    m_bCommitted = TRUE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::Decommit() {
    CAutoLock lock(&m_cs);
    if (!m_bCommitted) return S_OK;
    m_bCommitted = FALSE;
    // Threads blocked in GetBuffer must wake and fail rather than wait for ever.
    WakeAllConditionVariable(&m_sampleFreed);
    if (AllReturned()) {
        Free();
    } else {
        m_bDecommitInProgress = TRUE;
    }
    return S_OK;
}

HRESULT CBaseAllocator::Alloc() {
    if (m_lCount <= 0 || m_lSize <= 0 || m_lAlignment <= 0) return VFW_E_SIZENOTSET;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME*, REFERENCE_TIME*,
                                                    DWORD dwFlags) {
    if (!ppBuffer) return E_POINTER;
    *ppBuffer = nullptr;
    CMediaSample* sample = nullptr;
    {
        CAutoLock lock(&m_cs);
        for (;;) {
            if (!m_bCommitted) return VFW_E_NOT_COMMITTED;
            if (!m_lFree.empty()) break;
            if (dwFlags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
            ++m_lWaiting;
            SleepConditionVariableCS(&m_sampleFreed, m_cs.NativeHandle(), INFINITE);
            --m_lWaiting;
        }
        sample = m_lFree.back();
        m_lFree.pop_back();
        sample->m_cRef = 1;
    }
    // An outstanding sample keeps its allocator alive.
    NonDelegatingAddRef();
    *ppBuffer = sample;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::ReleaseBuffer(IMediaSample* pBuffer) {
    if (!pBuffer) return E_POINTER;
    {
        CAutoLock lock(&m_cs);
        m_lFree.push_back(static_cast<CMediaSample*>(pBuffer));
        if (m_lWaiting > 0) WakeAllConditionVariable(&m_sampleFreed);
        if (m_bDecommitInProgress && AllReturned()) {
            m_bDecommitInProgress = FALSE;
            Free();
        }
    }
    NonDelegatingRelease();
    return S_OK;
}

CMemAllocator::CMemAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr) : CBaseAllocator(pName, pUnk, phr) {}

CMemAllocator::~CMemAllocator() {
    CAutoLock lock(&m_cs);
    m_bCommitted = FALSE;
    ReallyFree();
}

CUnknown* WINAPI CMemAllocator::CreateInstance(LPUNKNOWN pUnk, HRESULT* phr) {
    auto* allocator = new (std::nothrow) CMemAllocator(L"CMemAllocator", pUnk, phr);
    if (!allocator && phr) *phr = E_OUTOFMEMORY;
    return allocator;
}

HRESULT STDMETHODCALLTYPE CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) {
    if (!pRequest || !pActual) return E_POINTER;
    if (!IsPowerOfTwo(pRequest->cbAlign)) return VFW_E_BADALIGN;
    if (pRequest->cbBuffer < 0 || pRequest->cbPrefix < 0) return E_INVALIDARG;
    // Each buffer with its prefix fills whole alignment units, so every buffer starts
    // aligned; the rounding is given to the buffer.
    ALLOCATOR_PROPERTIES adjusted = *pRequest;
    const LONGLONG unit = pRequest->cbAlign;
    const LONGLONG span = (static_cast<LONGLONG>(pRequest->cbBuffer) + pRequest->cbPrefix + unit - 1) / unit * unit;
    if (span > LONG_MAX) return E_OUTOFMEMORY;
    adjusted.cbBuffer = static_cast<LONG>(span - pRequest->cbPrefix);
    return CBaseAllocator::SetProperties(&adjusted, pActual);
}

HRESULT CMemAllocator::Alloc() {
    HRESULT hr = CBaseAllocator::Alloc();
    if (FAILED(hr)) return hr;
    ReallyFree();
    const LONGLONG stride = static_cast<LONGLONG>(m_lSize) + m_lPrefix;
    const LONGLONG total = stride * m_lCount;
    if (total > LONG_MAX) return E_OUTOFMEMORY;
    // VirtualAlloc gives page-aligned memory; larger alignments get their slack.
    const LONGLONG slack = m_lAlignment > 4096 ? m_lAlignment : 0;
    m_pBuffer = static_cast<LPBYTE>(
        VirtualAlloc(nullptr, static_cast<SIZE_T>(total + slack), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!m_pBuffer) return E_OUTOFMEMORY;
    LPBYTE base = m_pBuffer;
    if (slack) {
        const ULONG_PTR mask = static_cast<ULONG_PTR>(m_lAlignment) - 1;
        base = reinterpret_cast<LPBYTE>((reinterpret_cast<ULONG_PTR>(base) + mask) & ~mask);
    }
    m_lFree.reserve(static_cast<size_t>(m_lCount));
    for (LONG i = 0; i < m_lCount; ++i) {
        HRESULT sampleHr = S_OK;
        auto* sample = new (std::nothrow)
            CMediaSample(L"CMemAllocator sample", this, &sampleHr, base + i * stride + m_lPrefix, m_lSize);
        if (!sample) {
            ReallyFree();
            return E_OUTOFMEMORY;
        }
        m_lFree.push_back(sample);
        ++m_lAllocated;
    }
    m_bChanged = FALSE;
    return S_OK;
}

void CMemAllocator::Free() { ReallyFree(); }

void CMemAllocator::ReallyFree() {
    for (CMediaSample* sample : m_lFree) delete sample;
    m_lFree.clear();
    m_lAllocated = 0;
    if (m_pBuffer) {
        VirtualFree(m_pBuffer, 0, MEM_RELEASE);
        m_pBuffer = nullptr;
    }
}
