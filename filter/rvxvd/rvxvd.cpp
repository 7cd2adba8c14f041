// rvxvd module entry: the COM server entry points of the virtual capture devices.
//
// Winsock is not started here: WSAStartup under the loader lock is documented as unsafe.
// Each device's client holds one Winsock use for its life instead.
#include "filter/rvxvd/VDFilter.h"
#include "filter/rvxvd/VDRegistration.h"

#include <objbase.h>

#include <new>

namespace {

HMODULE g_module = nullptr;
volatile LONG g_locks = 0;

// Creates one of the two devices; the factories themselves are static.
class DeviceFactory : public IClassFactory {
public:
    explicit DeviceFactory(bool video) : m_video(video) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        InterlockedIncrement(&g_locks);
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        InterlockedDecrement(&g_locks);
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        HRESULT hr = S_OK;
        vd::CVDBaseFilter* filter = new (std::nothrow) vd::CVDBaseFilter(nullptr, &hr, m_video);
        if (!filter)
            return E_OUTOFMEMORY;
        filter->NonDelegatingAddRef();
        if (SUCCEEDED(hr))
            hr = filter->NonDelegatingQueryInterface(riid, ppv);
        filter->NonDelegatingRelease();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }

private:
    bool m_video;
};

DeviceFactory g_videoFactory(true);
DeviceFactory g_audioFactory(false);

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
    return g_locks == 0 && CBaseObject::ObjectsActive() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualCLSID(clsid, vd::CLSID_RvxVirtualVideoDevice))
        return g_videoFactory.QueryInterface(riid, ppv);
    if (IsEqualCLSID(clsid, vd::CLSID_RvxVirtualAudioDevice))
        return g_audioFactory.QueryInterface(riid, ppv);
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
