// rvxvd module entry: the COM server entry points of the virtual capture devices.
//
// Winsock is not started here: WSAStartup under the loader lock is documented as unsafe.
// Each device's client holds one Winsock use for its life instead.
#include "filter/rvxvd/VDRegistration.h"

#include <objbase.h>

namespace {

HMODULE g_module = nullptr;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
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
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return E_FAIL;
    return vd::RegisterDevices(path);
}

STDAPI DllUnregisterServer()
{
    return vd::UnregisterDevices();
}
