// Class objects and registration of a filter module. The module defines g_Templates and
// g_cTemplates; the layer provides DllGetClassObject, DllCanUnloadNow and DllEntryPoint
// over them, and the registration the module's DllRegisterServer calls.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "dsbase/Unknown.h"

typedef CUnknown*(CALLBACK* LPFNNewCOMObject)(LPUNKNOWN pUnkOuter, HRESULT* phr);
typedef void(CALLBACK* LPFNInitRoutine)(BOOL bLoading, const CLSID* rclsid);

// Setup records: what the filter mapper stores for a filter in the DirectShow category.
typedef REGPINTYPES AMOVIESETUP_MEDIATYPE;
typedef REGFILTERPINS AMOVIESETUP_PIN;
struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    const WCHAR* strName;
    DWORD dwMerit;
    UINT nPins;
    const AMOVIESETUP_PIN* lpPin;
};

class CFactoryTemplate {
public:
    const WCHAR* m_Name;
    const CLSID* m_ClsID;
    LPFNNewCOMObject m_lpfnNew;
    LPFNInitRoutine m_lpfnInit;
    const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;

    BOOL IsClassID(REFCLSID rclsid) const { return IsEqualCLSID(*m_ClsID, rclsid); }
    CUnknown* CreateInstance(LPUNKNOWN pUnk, HRESULT* phr) const { return m_lpfnNew(pUnk, phr); }
};

extern CFactoryTemplate g_Templates[];
extern int g_cTemplates;
// The module's instance handle, set by DllEntryPoint.
extern HINSTANCE g_hInst;

class CClassFactory : public IClassFactory, public CBaseObject {
public:
    explicit CClassFactory(const CFactoryTemplate* pTemplate);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(LPUNKNOWN pUnkOuter, REFIID riid, void** pv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

    static BOOL IsLocked() { return m_cLocked > 0; }

private:
    const CFactoryTemplate* m_pTemplate;
    volatile LONG m_cRef = 0;
    static volatile LONG m_cLocked;
};

// The module entry the module's DllMain calls: keeps the instance handle and runs the
// templates' initialisers on load and unload.
BOOL WINAPI DllEntryPoint(HINSTANCE hInstance, ULONG ulReason, LPVOID pv);

// Registers (or unregisters) every template: the COM keys of its class, and the filter
// with IFilterMapper2 in the DirectShow filters category when it has a setup record.
STDAPI AMovieDllRegisterServer2(BOOL bRegister);
STDAPI AMovieSetupRegisterServer(CLSID clsServer, LPCWSTR szDescription, LPCWSTR szFileName,
                                 LPCWSTR szThreadingModel = L"Both", LPCWSTR szServerType = L"InprocServer32");
STDAPI AMovieSetupUnregisterServer(CLSID clsServer);
