#include "filter/rvxvd/VDRegistration.h"

#include <uuids.h>

#include <cwchar>
#include <string>

namespace vd {

const CLSID CLSID_RvxVirtualVideoDevice = {0x69521253, 0xC20E, 0x460F, {0xBE, 0x24, 0xA2, 0xD3, 0x47, 0xF8, 0x7C, 0x69}};
const CLSID CLSID_RvxVirtualAudioDevice = {0xFB57271F, 0x33FD, 0x48E8, {0x85, 0xCD, 0x6D, 0xB0, 0x77, 0x61, 0x4F, 0xB4}};
const wchar_t kVideoDeviceName[] = L"Rvx Virtual Video Device";
const wchar_t kAudioDeviceName[] = L"Rvx Virtual Audio Device";

namespace {

constexpr DWORD kMerit = 0x600000;   // MERIT_NORMAL
wchar_t kOutputPinName[] = L"Output";

struct Device {
    const CLSID* clsid;
    const wchar_t* name;
    const CLSID* category;
    REGPINTYPES type;
};

const Device kDevices[] = {
    {&CLSID_RvxVirtualVideoDevice, kVideoDeviceName, &CLSID_VideoInputDeviceCategory,
     {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}},
    {&CLSID_RvxVirtualAudioDevice, kAudioDeviceName, &CLSID_AudioInputDeviceCategory,
     {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}},
};

template <class T> struct Releaser {
    T* p = nullptr;
    ~Releaser() { if (p) p->Release(); }
};

std::wstring ClassKey(const CLSID& clsid)
{
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

void KeepFirst(HRESULT* first, HRESULT hr)
{
    if (SUCCEEDED(*first) && FAILED(hr))
        *first = hr;
}

bool IsGone(HRESULT hr)
{
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

HRESULT SetString(HKEY key, const wchar_t* valueName, const wchar_t* text)
{
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return HRESULT_FROM_WIN32(RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes));
}

// The filter's entry in the DirectShow filters category, with its one output pin.
HRESULT RegisterFilterEntry(IFilterMapper2* mapper2, IFilterMapper* mapper, const Device& d)
{
    REGFILTERPINS pin = {kOutputPinName, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &d.type};
    if (mapper2) {
        REGFILTER2 rf = {};
        rf.dwVersion = 1;
        rf.dwMerit = kMerit;
        rf.cPins = 1;
        rf.rgPins = &pin;
        return mapper2->RegisterFilter(*d.clsid, d.name, nullptr, &CLSID_LegacyAmFilterCategory, d.name, &rf);
    }
    HRESULT hr = mapper->RegisterFilter(*d.clsid, d.name, kMerit);
    if (SUCCEEDED(hr))
        hr = mapper->RegisterPin(*d.clsid, kOutputPinName, FALSE, TRUE, FALSE, FALSE, CLSID_NULL, nullptr);
    if (SUCCEEDED(hr))
        hr = mapper->RegisterPinType(*d.clsid, kOutputPinName, *d.type.clsMajorType, *d.type.clsMinorType);
    return hr;
}

HRESULT RegisterDeviceEntry(IFilterMapper2* mapper, const Device& d)
{
    REGFILTERPINS2 pin = {};
    pin.dwFlags = REG_PINFLAG_B_OUTPUT;
    pin.cInstances = 1;
    pin.nMediaTypes = 1;
    pin.lpMediaType = &d.type;
    pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
    REGFILTER2 rf = {};
    rf.dwVersion = 2;
    rf.dwMerit = kMerit;
    rf.cPins2 = 1;
    rf.rgPins2 = &pin;
    return mapper->RegisterFilter(*d.clsid, d.name, nullptr, d.category, d.name, &rf);
}

}  // namespace

HRESULT RegisterClassKeys(const CLSID& clsid, const wchar_t* name, const wchar_t* modulePath)
{
    HKEY key = nullptr;
    HRESULT hr = HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKey(clsid).c_str(), 0, nullptr, 0,
                                                    KEY_WRITE, nullptr, &key, nullptr));
    if (FAILED(hr))
        return hr;
    hr = SetString(key, nullptr, name);
    HKEY server = nullptr;
    if (SUCCEEDED(hr))
        hr = HRESULT_FROM_WIN32(RegCreateKeyExW(key, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr));
    if (SUCCEEDED(hr)) {
        hr = SetString(server, nullptr, modulePath);
        if (SUCCEEDED(hr))
            hr = SetString(server, L"ThreadingModel", L"Both");
        RegCloseKey(server);
    }
    RegCloseKey(key);
    return hr;
}

HRESULT UnregisterClassKeys(const CLSID& clsid)
{
    const HRESULT hr = HRESULT_FROM_WIN32(RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(clsid).c_str()));
    return IsGone(hr) ? S_OK : hr;
}

HRESULT RegisterDevices(const wchar_t* modulePath)
{
    HRESULT first = S_OK;
    Releaser<IFilterMapper2> mapper2;
    Releaser<IFilterMapper> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  reinterpret_cast<void**>(&mapper2.p));
    if (FAILED(hr) && FAILED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                              reinterpret_cast<void**>(&mapper.p))))
        return hr;
    for (const Device& d : kDevices) {
        KeepFirst(&first, RegisterClassKeys(*d.clsid, d.name, modulePath));
        KeepFirst(&first, RegisterFilterEntry(mapper2.p, mapper.p, d));
    }
    if (!mapper2.p)
        return FAILED(first) ? first : hr;   // the device categories need IFilterMapper2
    for (const Device& d : kDevices)
        KeepFirst(&first, RegisterDeviceEntry(mapper2.p, d));
    return first;
}

HRESULT UnregisterDevices()
{
    HRESULT first = S_OK;
    Releaser<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  reinterpret_cast<void**>(&mapper.p));
    if (SUCCEEDED(hr)) {
        for (const Device& d : kDevices) {
            hr = mapper.p->UnregisterFilter(d.category, d.name, *d.clsid);
            if (!IsGone(hr))
                KeepFirst(&first, hr);
            hr = mapper.p->UnregisterFilter(&CLSID_LegacyAmFilterCategory, d.name, *d.clsid);
            if (!IsGone(hr))
                KeepFirst(&first, hr);
        }
    } else {
        KeepFirst(&first, hr);
    }
    for (const Device& d : kDevices)
        KeepFirst(&first, UnregisterClassKeys(*d.clsid));
    return first;
}

}  // namespace vd
