// The loaders and savers of the output settings pages' keys in output.ini. A loader returns
// 0 and changes nothing when the file is missing; otherwise it reads every key of its
// section, a missing key giving the page's load default, and returns 1. A saver writes
// every key of its section, creating the file when missing.
#pragma once

#include "app/core/OutputSettings.h"

#include <afx.h>

// config\output.ini beside the program.
CString OutputIniPath();

// [Encoding], the destinations page: the flags are rebuilt from OutputFile, Broadcast and
// PushToServer; BroadcastPort is read as a decimal number and kept in 16 bits (a text that
// is not a number keeps the record's port).
int LoadEncodeOutputSettings(const CString& path, CEncodeSettings& settings);
BOOL SaveEncodeOutputSettings(const CString& path, const CEncodeSettings& settings);

// [Encoding], the metadata page: Title, Author, Rating, Copyright, Description.
int LoadEncodeInfoSettings(const CString& path, CEncodeSettings& settings);
BOOL SaveEncodeInfoSettings(const CString& path, const CEncodeSettings& settings);

// [Avi]: Path, Split, Max, VCodec, VQuality, ACodec.
int LoadAviOutputSettings(const CString& path, AviOutputSettings& settings);
BOOL SaveAviOutputSettings(const CString& path, const AviOutputSettings& settings);

// [1394]: Device, AutoSelect (the device filter is never stored).
int LoadDvOutputSettings(const CString& path, DvOutputSettings& settings);
BOOL SaveDvOutputSettings(const CString& path, const DvOutputSettings& settings);

// [Decklink]: VideoDevice, AudioDevice.
int LoadDecklinkOutputSettings(const CString& path, DecklinkOutputSettings& settings);
BOOL SaveDecklinkOutputSettings(const CString& path, const DecklinkOutputSettings& settings);

// [VirtualDevice] ListenPort. 8601 when the file or the key is missing or the stored value
// is not a port the page accepts (1024..65535), so the frame server never listens on an
// arbitrary port.
const WORD kDefaultListenPort = 8601;
WORD LoadVirtualDevicePort(const CString& path);
// Creates the file like every other page, so a port typed on a fresh installation is kept.
BOOL SaveVirtualDevicePort(const CString& path, WORD port);

// [VCard] Monitor: the 1-based number of the monitor the video window fills.
const int kDefaultVCardMonitor = 2;
int LoadVCardMonitor(const CString& path, int& monitor);
BOOL SaveVCardMonitor(const CString& path, int monitor);

// [Audio]: whether the program audio is previewed on a sound card, and on which.
struct AudioOutputSettings {
    int Enable = 0;
    CString Device;
};
int LoadAudioOutputSettings(const CString& path, AudioOutputSettings& settings);
BOOL SaveAudioOutputSettings(const CString& path, const AudioOutputSettings& settings);
