#include "app/core/SourceDescriptor.h"

#include "app/foundation/DShowHelpers.h"

namespace {

void BindDevice(SourceDescriptor& source, REFGUID category) {
    if (!source.IsCaptureDevice() || source.filter) return;
    CComPtr<IMoniker> moniker;
    if (FAILED(FindDeviceMoniker(category, source.path, &moniker)) || !moniker) return;
    // A device that is present but will not bind leaves the filter empty; the channel's
    // graph reports it when it opens the source.
    moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&source.filter));
}

}  // namespace

SourceDescriptor::SourceDescriptor(const SourceDescriptor& other) { *this = other; }

SourceDescriptor& SourceDescriptor::operator=(const SourceDescriptor& other) {
    if (this == &other) return *this;
    name = other.name;
    path = other.path;
    flags = other.flags;
    // The smart pointer takes the new reference before it drops the old one, and a
    // device descriptor just loaded (flag set, no filter yet) copies as no filter.
    if (other.IsCaptureDevice()) filter = other.filter.Get();
    else filter.Release();
    return *this;
}

void SourceDescriptor::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << name;
        ar << path;
        ar << static_cast<DWORD>(flags);
    } else {
        CString loadedName, loadedPath;
        DWORD loadedFlags = 0;
        ar >> loadedName;
        ar >> loadedPath;
        ar >> loadedFlags;
        name = loadedName;
        path = loadedPath;
        flags = loadedFlags;
        filter.Release();
    }
}

BOOL BindSourceFilters(SourceDescriptor& audio, SourceDescriptor& video) {
    BindDevice(audio, CLSID_AudioInputDeviceCategory);
    BindDevice(video, CLSID_VideoInputDeviceCategory);
    if (audio.IsCaptureDevice() && video.IsCaptureDevice() && !audio.filter && audio.name == video.name) {
        audio.filter = video.filter.Get();
    }
    return TRUE;
}
