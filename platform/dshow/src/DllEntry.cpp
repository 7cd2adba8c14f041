#include "dsbase/Factory.h"

#include <uuids.h>

#include <new>

#include "dsbase/ComPtr.h"

HINSTANCE g_hInst = nullptr;
volatile LONG CClassFactory::m_cLocked = 0;

// ---------------------------------------------------------------- CClassFactory

CClassFactory::CClassFactory(const CFactoryTemplate* pTemplate) : CBaseObject(L"Class factory"), m_pTemplate(pTemplate) {}

HRESULT STDMETHODCALLTYPE CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CClassFactory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CClassFactory::Release() {
    LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CClassFactory::CreateInstance(LPUNKNOWN pUnkOuter, REFIID riid, void** pv) {
    if (!pv) return E_POINTER;
    *pv = nullptr;
    // An aggregated object can only hand its inner IUnknown to the outer one.
    if (pUnkOuter && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    HRESULT hr = S_OK;
    CUnknown* object = m_pTemplate->CreateInstance(pUnkOuter, &hr);
    if (!object) return FAILED(hr) ? hr : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete object;
        return hr;
    }
    object->NonDelegatingAddRef();
    hr = object->NonDelegatingQueryInterface(riid, pv);
    object->NonDelegatingRelease();
    return hr;
}

HRESULT STDMETHODCALLTYPE CClassFactory::LockServer(BOOL fLock) {
    if (fLock) InterlockedIncrement(&m_cLocked);
    else InterlockedDecrement(&m_cLocked);
    return S_OK;
}

// ---------------------------------------------------------------- module entry points

STDAPI DllGetClassObject(REFCLSID rClsID, REFIID riid, void** pv) {
    if (!pv) return E_POINTER;
    *pv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    for (int i = 0; i < g_cTemplates; ++i) {
        const CFactoryTemplate* pT = &g_Templates[i];
        if (!pT->IsClassID(rClsID)) continue;
        auto* factory = new (std::nothrow) CClassFactory(pT);
        if (!factory) return E_OUTOFMEMORY;
        factory->AddRef();
        HRESULT hr = factory->QueryInterface(riid, pv);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return CClassFactory::IsLocked() || CBaseObject::ObjectsActive() > 0 ? S_FALSE : S_OK; }

BOOL WINAPI DllEntryPoint(HINSTANCE hInstance, ULONG ulReason, LPVOID) {
    switch (ulReason) {
    case DLL_PROCESS_ATTACH:
        g_hInst = hInstance;
        for (int i = 0; i < g_cTemplates; ++i) {
            if (g_Templates[i].m_lpfnInit) g_Templates[i].m_lpfnInit(TRUE, g_Templates[i].m_ClsID);
        }
        break;
    case DLL_PROCESS_DETACH:
        for (int i = 0; i < g_cTemplates; ++i) {
            if (g_Templates[i].m_lpfnInit) g_Templates[i].m_lpfnInit(FALSE, g_Templates[i].m_ClsID);
        }
        break;
    default:
        break;
    }
    return TRUE;
}

// ---------------------------------------------------------------- registration

namespace {

HRESULT ClsidKeyName(REFCLSID clsid, WCHAR* name, size_t capacity) {
    WCHAR text[64];
    if (!StringFromGUID2(clsid, text, 64)) return E_UNEXPECTED;
    if (wsprintfW(name, L"CLSID\\%ls", text) <= 0 || capacity < 80) return E_UNEXPECTED;
    return S_OK;
}

HRESULT SetKeyValue(HKEY key, LPCWSTR valueName, LPCWSTR text) {
    const DWORD bytes = static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(WCHAR));
    LONG rc = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    return HRESULT_FROM_WIN32(rc);
}

HRESULT RegisterFilters(BOOL bRegister) {
    CComPtr<IFilterMapper2> mapper;
    HRESULT hr = mapper.CoCreateInstance(CLSID_FilterMapper2);
    if (FAILED(hr)) return hr;
    for (int i = 0; i < g_cTemplates; ++i) {
        const AMOVIESETUP_FILTER* setup = g_Templates[i].m_pAMovieSetup_Filter;
        if (!setup) continue;
        if (bRegister) {
            REGFILTER2 rf2 = {};
            rf2.dwVersion = 1;
            rf2.dwMerit = setup->dwMerit;
            rf2.cPins = setup->nPins;
            rf2.rgPins = setup->lpPin;
            hr = mapper->RegisterFilter(*setup->clsID, setup->strName, nullptr, &CLSID_LegacyAmFilterCategory,
                                        nullptr, &rf2);
        } else {
            hr = mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *setup->clsID);
            // A filter already gone is what unregistering wants.
            if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) hr = S_OK;
        }
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

STDAPI AMovieSetupRegisterServer(CLSID clsServer, LPCWSTR szDescription, LPCWSTR szFileName,
                                 LPCWSTR szThreadingModel, LPCWSTR szServerType) {
    WCHAR keyName[128];
    HRESULT hr = ClsidKeyName(clsServer, keyName, 128);
    if (FAILED(hr)) return hr;
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    hr = SetKeyValue(key, nullptr, szDescription);
    HKEY server = nullptr;
    if (SUCCEEDED(hr)) {
        rc = RegCreateKeyExW(key, szServerType, 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr);
        hr = HRESULT_FROM_WIN32(rc);
    }
    if (SUCCEEDED(hr)) hr = SetKeyValue(server, nullptr, szFileName);
    if (SUCCEEDED(hr)) hr = SetKeyValue(server, L"ThreadingModel", szThreadingModel);
    if (server) RegCloseKey(server);
    RegCloseKey(key);
    return hr;
}

STDAPI AMovieSetupUnregisterServer(CLSID clsServer) {
    WCHAR keyName[128];
    HRESULT hr = ClsidKeyName(clsServer, keyName, 128);
    if (FAILED(hr)) return hr;
    LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyName);
    if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(rc);
}

STDAPI AMovieDllRegisterServer2(BOOL bRegister) {
    WCHAR path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(g_hInst, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return E_FAIL;

    HRESULT hrCo = CoInitialize(nullptr);
    HRESULT hr = S_OK;
    if (bRegister) {
        for (int i = 0; i < g_cTemplates && SUCCEEDED(hr); ++i) {
            hr = AMovieSetupRegisterServer(*g_Templates[i].m_ClsID, g_Templates[i].m_Name, path);
        }
        if (SUCCEEDED(hr)) hr = RegisterFilters(TRUE);
    } else {
        // Filters first, while their classes can still be found.
        hr = RegisterFilters(FALSE);
        for (int i = 0; i < g_cTemplates; ++i) {
            HRESULT one = AMovieSetupUnregisterServer(*g_Templates[i].m_ClsID);
            if (FAILED(one) && SUCCEEDED(hr)) hr = one;
        }
    }
    if (SUCCEEDED(hrCo)) CoUninitialize();
    return hr;
}
