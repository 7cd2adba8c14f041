#include "app/core/SourceLists.h"

#include "app/core/OutputSettings.h"
#include "app/foundation/DShowHelpers.h"
#include "app/foundation/LogWriter.h"

#include <shlwapi.h>

const wchar_t kFileSourceEntry[] = L"File Source...";

namespace {

// A camcorder's one device delivers both pictures and sound.
const wchar_t kDvCamcorderName[] = L"Microsoft DV Camera and VCR";

// Adds the category's devices to the list in enumeration order, their texts made unique with
// the shared count. The entries' item data are the monikers the device list holds.
void AddCategory(REFGUID category, NameCountMap& counts, CComboBox& list, SourceDeviceList& devices,
                 CComboBox* alsoForDv)
{
    std::vector<DeviceEntry> entries;
    const HRESULT hr = EnumDeviceEntries(category, entries);
    if (FAILED(hr))
        AppLog() << LogTime << " device enumeration failed: 0x" << std::hex << hr << std::dec << std::endl;
    for (DeviceEntry& entry : entries) {
        CString friendly, description;
        GetFriendlyName(entry.moniker, friendly);
        GetDescription(entry.moniker, description);
        SourceDevice device;
        device.moniker = entry.moniker;
        device.listName = counts.MakeUnique(DeviceListName(friendly, description));
        device.path = entry.names.displayName;
        devices.push_back(device);
    }
    for (SourceDevice& device : devices) {
        int index = list.AddString(device.listName);
        list.SetItemDataPtr(index, device.moniker.Get());
        if (alsoForDv && device.listName.Find(kDvCamcorderName) >= 0) {
            index = alsoForDv->AddString(device.listName);
            alsoForDv->SetItemDataPtr(index, device.moniker.Get());
        }
    }
}

} // namespace

void FillDeviceLists(CComboBox* videoList, SourceDeviceList& videoDevices, CComboBox* audioList,
                     SourceDeviceList& audioDevices)
{
    if (!videoList || !audioList || !videoList->GetSafeHwnd() || !audioList->GetSafeHwnd())
        return;
    NameCountMap counts;
    videoDevices.clear();
    audioDevices.clear();
    AddCategory(CLSID_VideoInputDeviceCategory, counts, *videoList, videoDevices, audioList);
    videoList->AddString(kFileSourceEntry);
    AddCategory(CLSID_AudioInputDeviceCategory, counts, *audioList, audioDevices, nullptr);
    audioList->AddString(kFileSourceEntry);
}

int ClassifySourcePath(LPCWSTR text)
{
    if (!text || !*text)
        return 3;
    if (::PathIsURLW(text) || ::PathIsUNCW(text))
        return 1;
    if (!wcschr(text, L'\\'))
        return 2;
    const DWORD attributes = ::GetFileAttributesW(text);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 3;
    return 0;
}

bool IsImageFile(LPCWSTR fileName)
{
    if (!fileName)
        return false;
    const wchar_t* dot = wcsrchr(fileName, L'.');
    if (!dot)
        return false;
    CString extension(dot);
    extension.MakeLower();
    static const wchar_t* const kImages[] = {L".bmp", L".jpg", L".jpe", L".jpeg", L".gif", L".tga", L".dib", L".jfif"};
    for (const wchar_t* image : kImages) {
        if (extension == image)
            return true;
    }
    return false;
}

IMoniker* GetSelectedDevice(CComboBox& list)
{
    const int selected = list.GetCurSel();
    if (selected == CB_ERR)
        return nullptr;
    return static_cast<IMoniker*>(list.GetItemDataPtr(selected));
}

const SourceDevice* FindSourceDevice(const SourceDeviceList& first, const SourceDeviceList& second,
                                     IMoniker* moniker)
{
    if (!moniker)
        return nullptr;
    for (const SourceDeviceList* list : {&first, &second}) {
        for (const SourceDevice& device : *list) {
            if (device.moniker.Get() == moniker)
                return &device;
        }
    }
    return nullptr;
}

HRESULT CSourceDeviceBinding::Bind(IMoniker* moniker, IBaseFilter** filter)
{
    if (!moniker || !filter)
        return E_POINTER;
    *filter = nullptr;
    if (moniker != m_moniker.Get() || !m_filter) {
        CComPtr<IBaseFilter> bound;
        const HRESULT hr =
            moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&bound));
        if (FAILED(hr) || !bound)
            return FAILED(hr) ? hr : E_FAIL;
        m_moniker = moniker;
        m_filter = bound;
    }
    return m_filter.CopyTo(filter);
}

void CSourceDeviceBinding::Reset()
{
    m_filter.Release();
    m_moniker.Release();
}

int ReadSourceDescriptor(const CString& text, const SourceDevice* selected, CSourceDeviceBinding& binding,
                         SourceDescriptor& source)
{
    source = SourceDescriptor();
    if (text.IsEmpty())
        return 3;
    const int kind = ClassifySourcePath(text);
    source.name = text;
    source.flags = SourceDescriptor::kNamed;
    // The typed text and the selected entry can disagree after the operator edits the text:
    // only the device the text names is bound.
    if (kind != 2 || !selected || selected->listName != text)
        return kind;
    CComPtr<IBaseFilter> filter;
    const HRESULT hr = binding.Bind(selected->moniker, &filter);
    if (FAILED(hr)) {
        AppLog() << LogTime << " device " << CW2A(text).c_str() << " did not bind: 0x" << std::hex << hr << std::dec
                 << std::endl;
        return kind;
    }
    source.filter = filter;
    source.flags |= SourceDescriptor::kCaptureDevice;
    source.path = selected->path.IsEmpty() ? text : selected->path;
    return kind;
}

SourcePairKinds ReadSourcePair(const CString& videoText, const SourceDevice* videoDevice, const CString& audioText,
                               const SourceDevice* audioDevice, bool camcorderFillsAudio,
                               CSourceDeviceBinding& videoBinding, CSourceDeviceBinding& audioBinding,
                               SourceDescriptor& audio, SourceDescriptor& video)
{
    SourcePairKinds kinds = {ReadSourceDescriptor(videoText, videoDevice, videoBinding, video), 3};
    const bool sameDevice = video.IsCaptureDevice() && audioDevice && audioDevice == videoDevice && audioText == videoText;
    if (sameDevice) {
        audio = video;
        kinds.audio = kinds.video;
    } else if (audioText.IsEmpty()) {
        audio = camcorderFillsAudio && video.name.Find(kDvCamcorderName) >= 0 ? video : SourceDescriptor();
    } else {
        kinds.audio = ReadSourceDescriptor(audioText, audioDevice, audioBinding, audio);
    }
    return kinds;
}

HRESULT ShowDevicePropertyPages(IMoniker* moniker, HWND owner)
{
    if (!moniker)
        return E_POINTER;
    CComPtr<IBaseFilter> filter;
    HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    if (FAILED(hr) || !filter)
        return FAILED(hr) ? hr : E_FAIL;
    hr = ShowFilterPropertyPages(filter, owner, L"属性");
    if (FAILED(hr))
        AppLog() << LogTime << " device property pages: 0x" << std::hex << hr << std::dec << std::endl;
    return hr;
}
