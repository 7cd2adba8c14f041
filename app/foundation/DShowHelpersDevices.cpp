// Device enumeration and the one device-naming rule.
#include "app/foundation/DShowHelpers.h"

#include <map>

namespace {

HRESULT ReadProperty(IMoniker* moniker, LPCOLESTR property, CString& text) {
    if (!moniker) return E_INVALIDARG;
    CComPtr<IPropertyBag> bag;
    HRESULT hr = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag));
    if (FAILED(hr)) return hr;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    hr = bag->Read(property, &value, nullptr);
    if (SUCCEEDED(hr)) {
        if (value.vt == VT_BSTR) text = value.bstrVal ? value.bstrVal : L"";
        else hr = DISP_E_TYPEMISMATCH;
    }
    VariantClear(&value);
    return hr;
}

CString BaseName(const DeviceNameInput& device) {
    if (device.description.IsEmpty()) return device.friendlyName;
    return device.friendlyName + L"(" + device.description + L")";
}

CString Numbered(const CString& base, int count) {
    if (count <= 1) return base;
    CString suffix;
    suffix.Format(L" #%d", count);
    return base + suffix;
}

}  // namespace

std::vector<DeviceNames> MakeDeviceNames(const std::vector<DeviceNameInput>& devices) {
    std::vector<DeviceNames> names(devices.size());
    std::map<CString, int> counts;
    // Devices named by their base name first: their numbers are what the lookup finds
    // them by, and a device with a path must not shift them.
    for (size_t i = 0; i < devices.size(); ++i) {
        if (!devices[i].devicePath.IsEmpty()) continue;
        const CString base = BaseName(devices[i]);
        names[i].displayName = Numbered(base, ++counts[base]);
        names[i].listName = names[i].displayName;
    }
    // A device with a path is found by it; its list text only has to be unique.
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].devicePath.IsEmpty()) continue;
        const CString base = BaseName(devices[i]);
        names[i].displayName = devices[i].devicePath;
        names[i].listName = Numbered(base, ++counts[base]);
    }
    return names;
}

HRESULT EnumDeviceMonikers(REFGUID category, MonikerList& monikers) {
    monikers.clear();
    CComPtr<ICreateDevEnum> devices;
    HRESULT hr = devices.CoCreateInstance(CLSID_SystemDeviceEnum);
    if (FAILED(hr)) return hr;
    CComPtr<IEnumMoniker> items;
    hr = devices->CreateClassEnumerator(category, &items, 0);
    if (hr != S_OK || !items) return hr;
    CComPtr<IMoniker> moniker;
    while (items->Next(1, &moniker, nullptr) == S_OK) monikers.push_back(moniker);
    return hr;
}

HRESULT EnumAudioCaptureDevices(MonikerList& monikers) {
    return EnumDeviceMonikers(CLSID_AudioInputDeviceCategory, monikers);
}

HRESULT EnumVideoCaptureDevices(MonikerList& monikers) {
    return EnumDeviceMonikers(CLSID_VideoInputDeviceCategory, monikers);
}

HRESULT GetFriendlyName(IMoniker* moniker, CString& name) { return ReadProperty(moniker, L"FriendlyName", name); }

HRESULT GetDescription(IMoniker* moniker, CString& description) {
    return ReadProperty(moniker, L"Description", description);
}

HRESULT GetDevicePath(IMoniker* moniker, CString& path) { return ReadProperty(moniker, L"DevicePath", path); }

HRESULT EnumDeviceEntries(REFGUID category, std::vector<DeviceEntry>& entries) {
    entries.clear();
    MonikerList monikers;
    HRESULT hr = EnumDeviceMonikers(category, monikers);
    if (hr != S_OK) return hr;
    std::vector<DeviceNameInput> inputs(monikers.size());
    for (size_t i = 0; i < monikers.size(); ++i) {
        GetFriendlyName(monikers[i], inputs[i].friendlyName);
        GetDescription(monikers[i], inputs[i].description);
        GetDevicePath(monikers[i], inputs[i].devicePath);
    }
    const std::vector<DeviceNames> names = MakeDeviceNames(inputs);
    entries.resize(monikers.size());
    for (size_t i = 0; i < monikers.size(); ++i) {
        entries[i].moniker = monikers[i];
        entries[i].names = names[i];
        entries[i].devicePath = inputs[i].devicePath;
    }
    return hr;
}

HRESULT FindDeviceMoniker(REFGUID category, LPCWSTR name, IMoniker** moniker) {
    if (!moniker) return E_INVALIDARG;
    *moniker = nullptr;
    if (!name) return E_POINTER;
    std::vector<DeviceEntry> entries;
    EnumDeviceEntries(category, entries);
    for (DeviceEntry& entry : entries) {
        if (entry.names.displayName == name) return entry.moniker.CopyTo(moniker);
    }
    return E_FAIL;
}

HRESULT EnumVideoCompressorNames(std::vector<CString>& names) {
    names.clear();
    MonikerList monikers;
    HRESULT hr = EnumDeviceMonikers(CLSID_VideoCompressorCategory, monikers);
    for (IMoniker* moniker : monikers) {
        CString name;
        if (SUCCEEDED(GetFriendlyName(moniker, name))) names.push_back(name);
    }
    return hr;
}

HRESULT CreateDeviceFilter(REFGUID category, LPCWSTR friendlyName, IBaseFilter** filter, IGraphBuilder* graph,
                           LPCWSTR filterName) {
    if (!filter || !friendlyName) return E_POINTER;
    *filter = nullptr;
    MonikerList monikers;
    EnumDeviceMonikers(category, monikers);
    for (IMoniker* moniker : monikers) {
        CString name;
        if (FAILED(GetFriendlyName(moniker, name)) || name != friendlyName) continue;
        CComPtr<IBaseFilter> device;
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&device))) ||
            !device) {
            continue;
        }
        if (graph && filterName && FAILED(graph->AddFilter(device, filterName))) continue;
        *filter = device.Detach();
        return S_OK;
    }
    return DSH_E_DEVICE_NOT_FOUND;
}
