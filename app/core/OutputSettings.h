// The plain value records that configure the outputs. The settings pages load them from
// output.ini, the main window keeps one of each for the whole run and hands copies to the
// director, and every output graph keeps its own copy: no record is ever shared by pointer.
#pragma once

#include <afx.h>

#include <windows.h>
#include <strmif.h>

#include <map>

struct IWMProfile;

// Which destinations the Windows Media output runs; any combination, 0 means none.
enum EncodeOutputFlags {
    kEncodeOutputFile = 1,   // write OutputFilePath
    kEncodeBroadcast = 2,    // serve pull clients on the port
    kEncodePushToServer = 4, // push to PushServer / PublishPoint
};

class CEncodeSettings {
public:
    CString Title;
    CString Rating;
    CString Author;
    CString Copyright;
    CString Description;
    CString Profile; // the whole XML text of the chosen profile
    int Flags = 0;   // EncodeOutputFlags
    WORD Port = 0;   // BroadcastPort
    CString OutputFilePath;
    int Addindex = 0;
    int Overwrite = 0;
    CString PushServer;
    CString PublishPoint;
    CString CopyFrom;
    int AutoRemove = 0;

    // A profile made from the stored profile text (the caller owns the reference), or null
    // when the runtime's profile manager is missing or the text does not load.
    IWMProfile* CreateProfile() const;

    const CString& GetCopyFrom() const { return CopyFrom; }
    void SetOutputFilePath(const CString& path) { OutputFilePath = path; }
    int GetOverwrite() const { return Overwrite; }
};

struct AviOutputSettings {
    CString Path;
    int Split = 1;
    int Max = 2048; // megabytes per file
    CString VCodec; // "None" for uncompressed
    int VQuality = 100;
    CString ACodec; // "None" for PCM
};

// The device filter is set by the IEEE-1394 output graph, never by a page, and never saved;
// a copy holds a reference of its own.
class DvOutputSettings {
public:
    DvOutputSettings() = default;
    DvOutputSettings(const DvOutputSettings& other);
    DvOutputSettings& operator=(const DvOutputSettings& other);
    ~DvOutputSettings();

    IBaseFilter* GetDeviceFilter() const { return m_filter; }
    void SetDeviceFilter(IBaseFilter* filter);

    CString Device; // the display name as the 1394 page lists it
    int AutoSelect = 0;

private:
    IBaseFilter* m_filter = nullptr;
};

struct DecklinkOutputSettings {
    CString VideoDevice; // "None": no renderer of that kind
    CString AudioDevice;
};

struct CardOutputSettings {
    int CardIndex = 0;
    int Ntsc = 0;
    void Clear()
    {
        CardIndex = 0;
        Ntsc = 0;
    }
};

// Makes the names of one device enumeration unique: the first device of a name keeps it,
// the n-th gets " #n". The same enumeration order must be used wherever a stored name is
// matched again.
class NameCountMap {
public:
    CString MakeUnique(const CString& name);
    void Clear() { m_counts.clear(); }
    int GetCount(const CString& name) const;

private:
    std::map<CString, int> m_counts;
};

// A device's list text: the friendly name, then "(" description ")" when it has one.
CString DeviceListName(const CString& friendlyName, const CString& description);
