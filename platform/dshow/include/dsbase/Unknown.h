// COM identity for the filter classes: every object of the layer counts itself, so a
// module can tell when it may unload, and can be aggregated by an outer object.
#pragma once

#include <windows.h>
#include <unknwn.h>

// The IUnknown an aggregated object answers to its outer object; laid out like IUnknown
// so an object that is not aggregated can hand it out as its own IUnknown.
struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};
typedef INonDelegatingUnknown* PNDUNKNOWN;

class CBaseObject {
public:
    explicit CBaseObject(LPCTSTR pName);
    virtual ~CBaseObject();
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    // Objects of the layer alive in this module.
    static LONG ObjectsActive();
    LPCTSTR Name() const { return m_pName; }

private:
    LPCTSTR m_pName;
    static volatile LONG m_cObjects;
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    // pUnk is the outer object when aggregated, else null.
    CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr = nullptr);
    ~CUnknown() override;

    LPUNKNOWN GetOwner() const { return m_pUnknown; }

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

protected:
    volatile LONG m_cRef;

private:
    const LPUNKNOWN m_pUnknown;
};

// Hands out pUnk as the answer of a QueryInterface, with its reference.
HRESULT WINAPI GetInterface(LPUNKNOWN pUnk, void** ppv);

// The IUnknown of an interface implemented by a CUnknown: everything goes to the owner.
#define DECLARE_IUNKNOWN                                                             \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {     \
        return GetOwner()->QueryInterface(riid, ppv);                                \
    }                                                                                \
    ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }      \
    ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }
