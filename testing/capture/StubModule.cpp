// The stand-in module: one class per device, each registered in its device category
// with the properties a real driver's instance key carries.
#include <streams.h>

#include <cwchar>

#include "StubCapture.h"

using namespace rvxstub;

namespace {

template <int N>
CUnknown* WINAPI CreateDevice(LPUNKNOWN pUnk, HRESULT* phr) {
    return CreateStubDevice(N, pUnk, phr);
}

const AMOVIESETUP_MEDIATYPE kCameraPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const AMOVIESETUP_PIN kCameraPins[] = {
    {const_cast<LPWSTR>(L"Capture"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kCameraPinTypes}};
// The camera also goes into the DirectShow filters category, through the setup record.
const AMOVIESETUP_FILTER kCameraSetup = {&kDevices[0].clsid, L"Rvx Test Camera", MERIT_DO_NOT_USE, 1, kCameraPins};

}  // namespace

CFactoryTemplate g_Templates[] = {
    {kDevices[0].friendlyName, &kDevices[0].clsid, CreateDevice<0>, nullptr, &kCameraSetup},
    {kDevices[1].friendlyName, &kDevices[1].clsid, CreateDevice<1>, nullptr, nullptr},
    {kDevices[2].friendlyName, &kDevices[2].clsid, CreateDevice<2>, nullptr, nullptr},
    {kDevices[3].friendlyName, &kDevices[3].clsid, CreateDevice<3>, nullptr, nullptr},
    {kDevices[4].friendlyName, &kDevices[4].clsid, CreateDevice<4>, nullptr, nullptr},
    {kDevices[5].friendlyName, &kDevices[5].clsid, CreateDevice<5>, nullptr, nullptr},
    {kDevices[6].friendlyName, &kDevices[6].clsid, CreateDevice<6>, nullptr, nullptr},
    {kDevices[7].friendlyName, &kDevices[7].clsid, CreateDevice<7>, nullptr, nullptr},
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);

namespace {

const CLSID& CategoryOf(const StubDevice& device) {
    return device.video ? CLSID_VideoInputDeviceCategory : CLSID_AudioInputDeviceCategory;
}

HRESULT SetInstanceValue(const StubDevice& device, LPCWSTR name, LPCWSTR value) {
    WCHAR category[64];
    StringFromGUID2(CategoryOf(device), category, 64);
    WCHAR keyName[256];
    swprintf(keyName, 256, L"CLSID\\%ls\\Instance\\%ls", category, device.instance);
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, keyName, 0, KEY_SET_VALUE, &key);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return HRESULT_FROM_WIN32(rc);
}

HRESULT RegisterDevices(BOOL bRegister) {
    HRESULT hrCo = CoInitialize(nullptr);
    CComPtr<IFilterMapper2> mapper;
    HRESULT hr = mapper.CoCreateInstance(CLSID_FilterMapper2);
    for (int i = 0; i < kDeviceCount && SUCCEEDED(hr); ++i) {
        const StubDevice& device = kDevices[i];
        if (!bRegister) {
            mapper->UnregisterFilter(&CategoryOf(device), device.instance, device.clsid);
            continue;
        }
        const REGPINTYPES types[] = {{device.video ? &MEDIATYPE_Video : &MEDIATYPE_Audio,
                                      device.video ? &MEDIASUBTYPE_RGB24 : &MEDIASUBTYPE_PCM}};
        REGFILTERPINS2 pin = {};
        pin.dwFlags = REG_PINFLAG_B_OUTPUT;
        pin.cInstances = 1;
        pin.nMediaTypes = 1;
        pin.lpMediaType = types;
        pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
        REGFILTER2 rf2 = {};
        rf2.dwVersion = 2;
        rf2.dwMerit = MERIT_DO_NOT_USE;
        rf2.cPins2 = 1;
        rf2.rgPins2 = &pin;
        hr = mapper->RegisterFilter(device.clsid, device.friendlyName, nullptr, &CategoryOf(device), device.instance,
                                    &rf2);
        if (SUCCEEDED(hr) && device.description) hr = SetInstanceValue(device, L"Description", device.description);
        if (SUCCEEDED(hr) && device.devicePath) hr = SetInstanceValue(device, L"DevicePath", device.devicePath);
    }
    mapper.Release();
    if (SUCCEEDED(hrCo)) CoUninitialize();
    return hr;
}

}  // namespace

STDAPI DllRegisterServer() {
    HRESULT hr = AMovieDllRegisterServer2(TRUE);
    if (FAILED(hr)) return hr;
    return RegisterDevices(TRUE);
}

STDAPI DllUnregisterServer() {
    RegisterDevices(FALSE);
    return AMovieDllRegisterServer2(FALSE);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pv) {
    return DllEntryPoint(hInstance, dwReason, pv);
}
