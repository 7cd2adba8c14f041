// The source lists a channel's or a programme's sources are chosen from: the capture devices
// of the video and audio categories (a DV camcorder in both), then one entry for choosing a
// file; and what a typed source text names. Shared by the source selection dialog and the
// add-programme dialog.
#pragma once

#include <afxwin.h>

#include "app/core/SourceDescriptor.h"

#include <vector>

// The fixed last entry of both lists.
extern const wchar_t kFileSourceEntry[];

// One capture device of a list. Its moniker is the list entry's item data.
struct SourceDevice {
    CComPtr<IMoniker> moniker;
    // The list text: the friendly name with "(" description ")", made unique across both lists.
    CString listName;
    // What the device is found again by in its own category: its DevicePath, or its numbered
    // display name there. Both lists share one name count, so a list text can carry a number
    // the device does not have in its category (an audio device named like a video device);
    // the stored path must be the one a later binding looks for.
    CString path;
};
typedef std::vector<SourceDevice> SourceDeviceList;

// Enumerates the video and then the audio capture devices and fills both lists, each ending
// in kFileSourceEntry; a DV camcorder is added to the audio list too (it carries sound).
// Nothing happens when either list is missing.
void FillDeviceLists(CComboBox* videoList, SourceDeviceList& videoDevices, CComboBox* audioList,
                     SourceDeviceList& audioDevices);

// 1 a URL or UNC path; 2 a text without a backslash (a device name); 3 a file that does not
// exist, or a folder; 0 an existing local file.
int ClassifySourcePath(LPCWSTR text);

// The extension after the last "." is one of the picture types the channels show as stills.
bool IsImageFile(LPCWSTR fileName);

// The device the list's selected entry carries, or null (a file entry, typed text, none).
IMoniker* GetSelectedDevice(CComboBox& list);

// The device of either list that carries this moniker, or null.
const SourceDevice* FindSourceDevice(const SourceDeviceList& first, const SourceDeviceList& second,
                                     IMoniker* moniker);

// A device bound to its filter once: binding the same device again gives the same filter, so
// reading a dialog's sources twice (a probe, then OK) does not open a second instance.
class CSourceDeviceBinding {
public:
    HRESULT Bind(IMoniker* moniker, IBaseFilter** filter);
    void Reset();

private:
    CComPtr<IMoniker> m_moniker;
    CComPtr<IBaseFilter> m_filter;
};

// A descriptor from a source text and the device entry selected with it. It starts clean, so
// nothing of an earlier source survives: an empty text gives the default descriptor; any other
// text is the name (flag 1); a device name whose selected entry shows that very text is bound
// (flag 2 on success) and takes the device's path. Returns the text's class
// (ClassifySourcePath; 3 for an empty text).
int ReadSourceDescriptor(const CString& text, const SourceDevice* selected, CSourceDeviceBinding& binding,
                         SourceDescriptor& source);

// A channel's or a programme's pair read from the two lists. The audio is a copy of the video
// (one device, one filter) when its entry is the very device chosen for video, such as a DV
// camcorder chosen in both lists; with camcorderFillsAudio, also when the audio text is empty
// and the video is a DV camcorder, which delivers both.
struct SourcePairKinds {
    int video;
    int audio;
};
SourcePairKinds ReadSourcePair(const CString& videoText, const SourceDevice* videoDevice, const CString& audioText,
                               const SourceDevice* audioDevice, bool camcorderFillsAudio,
                               CSourceDeviceBinding& videoBinding, CSourceDeviceBinding& audioBinding,
                               SourceDescriptor& audio, SourceDescriptor& video);

// Binds the device and shows its property pages (caption "属性").
HRESULT ShowDevicePropertyPages(IMoniker* moniker, HWND owner);
