// The rvxvd module registered in the test prefix: found by the system device enumerator
// under its names after registration, gone after unregistration.
#include "filter/rvxvd/VDRegistration.h"

#include <gtest/gtest.h>

#include <dshow.h>
#include <uuids.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::wstring ModulePath()
{
    std::string narrow = RVXVD_MODULE;
    std::replace(narrow.begin(), narrow.end(), '/', '\\');
    return std::wstring(narrow.begin(), narrow.end());
}

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComScope() { CoUninitialize(); }
};

std::vector<std::wstring> FriendlyNames(const CLSID& category)
{
    std::vector<std::wstring> names;
    ICreateDevEnum* devEnum = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devEnum))))
        return names;
    IEnumMoniker* monikers = nullptr;
    if (devEnum->CreateClassEnumerator(category, &monikers, 0) == S_OK) {
        IMoniker* m = nullptr;
        while (monikers->Next(1, &m, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(m->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
                VARIANT v;
                VariantInit(&v);
                if (SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR)
                    names.push_back(v.bstrVal);
                VariantClear(&v);
                bag->Release();
            }
            m->Release();
        }
        monikers->Release();
    }
    devEnum->Release();
    return names;
}

bool Listed(const CLSID& category, const wchar_t* name)
{
    const std::vector<std::wstring> names = FriendlyNames(category);
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::wstring ReadString(const std::wstring& key, const wchar_t* value)
{
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(buf);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buf, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

std::wstring ClassKey(const CLSID& clsid)
{
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

DWORD RunRegsvr32(const std::wstring& args)
{
    std::wstring cmd = L"regsvr32.exe /s " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

struct DeviceCase {
    const CLSID* clsid;
    const wchar_t* name;
    const CLSID* category;
};
const DeviceCase kDevices[] = {
    {&vd::CLSID_RvxVirtualVideoDevice, L"Rvx Virtual Video Device", &CLSID_VideoInputDeviceCategory},
    {&vd::CLSID_RvxVirtualAudioDevice, L"Rvx Virtual Audio Device", &CLSID_AudioInputDeviceCategory},
};

}  // namespace

TEST(RvxvdRegistration, EntryPointsRegisterAndUnregisterBothDevices)
{
    ComScope com;
    const std::wstring path = ModulePath();
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module) << "cannot load " << RVXVD_MODULE;
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(module, "DllRegisterServer"));
    auto unreg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(module, "DllUnregisterServer"));
    ASSERT_NE(nullptr, reg);
    ASSERT_NE(nullptr, unreg);
    ASSERT_NE(nullptr, GetProcAddress(module, "DllGetClassObject"));
    ASSERT_NE(nullptr, GetProcAddress(module, "DllCanUnloadNow"));

    ASSERT_EQ(S_OK, reg());
    for (const DeviceCase& d : kDevices) {
        EXPECT_TRUE(Listed(*d.category, d.name));
        EXPECT_FALSE(Listed(d.category == &CLSID_VideoInputDeviceCategory ? CLSID_AudioInputDeviceCategory
                                                                          : CLSID_VideoInputDeviceCategory,
                            d.name));
        EXPECT_EQ(d.name, ReadString(ClassKey(*d.clsid), nullptr));
        EXPECT_EQ(path, ReadString(ClassKey(*d.clsid) + L"\\InprocServer32", nullptr));
        EXPECT_EQ(L"Both", ReadString(ClassKey(*d.clsid) + L"\\InprocServer32", L"ThreadingModel"));
    }
    ASSERT_EQ(S_OK, unreg());
    for (const DeviceCase& d : kDevices) {
        EXPECT_FALSE(Listed(*d.category, d.name));
        EXPECT_EQ(L"<missing>", ReadString(ClassKey(*d.clsid), nullptr));
    }
    // Unregistering what is already gone is not a failure.
    EXPECT_EQ(S_OK, unreg());
    FreeLibrary(module);
}

TEST(RvxvdRegistration, Regsvr32ListsAndUnlistsTheDevices)
{
    ComScope com;
    const std::wstring path = L"\"" + ModulePath() + L"\"";
    ASSERT_EQ(0u, RunRegsvr32(path));
    for (const DeviceCase& d : kDevices)
        EXPECT_TRUE(Listed(*d.category, d.name)) << static_cast<int>(d.name[12]);
    ASSERT_EQ(0u, RunRegsvr32(L"/u " + path));
    for (const DeviceCase& d : kDevices)
        EXPECT_FALSE(Listed(*d.category, d.name));
}
