#include "dsbase/Unknown.h"

volatile LONG CBaseObject::m_cObjects = 0;

CBaseObject::CBaseObject(LPCTSTR pName) : m_pName(pName) { InterlockedIncrement(&m_cObjects); }

CBaseObject::~CBaseObject() { InterlockedDecrement(&m_cObjects); }

LONG CBaseObject::ObjectsActive() { return InterlockedCompareExchange(&m_cObjects, 0, 0); }

CUnknown::CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT*)
    : CBaseObject(pName),
      m_cRef(0),
      m_pUnknown(pUnk ? pUnk : reinterpret_cast<LPUNKNOWN>(static_cast<PNDUNKNOWN>(this))) {}

CUnknown::~CUnknown() = default;

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown)) {
        return GetInterface(reinterpret_cast<LPUNKNOWN>(static_cast<PNDUNKNOWN>(this)), ppv);
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) {
        // A destructor that hands out and drops a reference to the object must not
        // delete it a second time.
        m_cRef = 1;
        delete this;
        return 0;
    }
    return static_cast<ULONG>(count > 0 ? count : 1);
}

HRESULT WINAPI GetInterface(LPUNKNOWN pUnk, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}
