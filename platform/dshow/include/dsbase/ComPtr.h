// A small owning COM pointer: the code of the layer and of the program never releases by
// hand, so an early return cannot leak.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <objbase.h>

#include <memory>

template <class T>
class CComPtr {
public:
    CComPtr() noexcept : p(nullptr) {}
    CComPtr(T* lp) noexcept : p(lp) { if (p) p->AddRef(); }
    CComPtr(const CComPtr& other) noexcept : CComPtr(other.p) {}
    CComPtr(CComPtr&& other) noexcept : p(other.p) { other.p = nullptr; }
    ~CComPtr() { if (p) p->Release(); }

    CComPtr& operator=(T* lp) noexcept {
        // The new reference is taken before the old one goes, so assigning an object to
        // the pointer that holds its last reference keeps it alive.
        if (lp) lp->AddRef();
        T* old = p;
        p = lp;
        if (old) old->Release();
        return *this;
    }
    CComPtr& operator=(const CComPtr& other) noexcept { return *this = other.p; }
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != std::addressof(other)) {
            T* old = p;
            p = other.p;
            other.p = nullptr;
            if (old) old->Release();
        }
        return *this;
    }

    operator T*() const noexcept { return p; }
    T* operator->() const noexcept { return p; }
    T& operator*() const noexcept { return *p; }
    // For out parameters: the old value is released before the callee writes a new one.
    T** operator&() noexcept { Release(); return &p; }
    bool operator!() const noexcept { return p == nullptr; }

    T* Get() const noexcept { return p; }
    void Release() noexcept {
        T* old = p;
        p = nullptr;
        if (old) old->Release();
    }
    // Takes over a reference the caller already owns.
    void Attach(T* lp) noexcept {
        Release();
        p = lp;
    }
    // Gives the reference to the caller.
    T* Detach() noexcept {
        T* old = p;
        p = nullptr;
        return old;
    }
    HRESULT CopyTo(T** pp) const noexcept {
        if (!pp) return E_POINTER;
        *pp = p;
        if (p) p->AddRef();
        return S_OK;
    }
    HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer = nullptr,
                             DWORD context = CLSCTX_INPROC_SERVER) noexcept {
        Release();
        return ::CoCreateInstance(clsid, outer, context, __uuidof(T), reinterpret_cast<void**>(&p));
    }
    template <class Q>
    HRESULT QueryInterface(Q** pp) const noexcept {
        if (!pp) return E_POINTER;
        *pp = nullptr;
        if (!p) return E_POINTER;
        return p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(pp));
    }
    bool IsEqualObject(IUnknown* other) const noexcept {
        if (!p && !other) return true;
        if (!p || !other) return false;
        CComPtr<IUnknown> a, b;
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
        other->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
        return a.Get() == b.Get();
    }

    T* p;
};

// A pointer filled by QueryInterface from any interface of an object; null when the
// object does not speak T.
template <class T>
class CComQIPtr : public CComPtr<T> {
public:
    CComQIPtr() noexcept = default;
    CComQIPtr(T* lp) noexcept : CComPtr<T>(lp) {}
    CComQIPtr(const CComQIPtr& other) noexcept : CComPtr<T>(other.p) {}
    template <class Q>
    CComQIPtr(Q* lp) noexcept { Query(lp); }
    template <class Q>
    CComQIPtr(const CComPtr<Q>& other) noexcept { Query(other.p); }

    CComQIPtr& operator=(T* lp) noexcept { CComPtr<T>::operator=(lp); return *this; }
    CComQIPtr& operator=(const CComQIPtr& other) noexcept { CComPtr<T>::operator=(other.p); return *this; }
    template <class Q>
    CComQIPtr& operator=(Q* lp) noexcept { Query(lp); return *this; }

private:
    template <class Q>
    void Query(Q* lp) noexcept {
        T* got = nullptr;
        if (lp) lp->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&got));
        this->Attach(got);
    }
};
