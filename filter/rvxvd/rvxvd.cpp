// rvxvd module entry: the COM server entry points. No class is served yet, so every
// request for a class object or registration fails plainly.
#include <windows.h>
#include <objbase.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID, REFIID, void** ppv)
{
    if (ppv)
        *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer()
{
    return E_NOTIMPL;
}

STDAPI DllUnregisterServer()
{
    return E_NOTIMPL;
}
