#include "app/settings/OutputSettingsIni.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

#include <cwchar>
#include <cwctype>

namespace {

const wchar_t kEncoding[] = L"Encoding";
const wchar_t kAvi[] = L"Avi";
const wchar_t k1394[] = L"1394";
const wchar_t kDecklink[] = L"Decklink";
const wchar_t kVirtualDevice[] = L"VirtualDevice";
const wchar_t kVCard[] = L"VCard";
const wchar_t kAudio[] = L"Audio";

bool FileExists(const CString& path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A decimal number as "%d" reads it: optional blanks and sign, at least one digit.
bool ParseDecimal(const CString& text, long long& value)
{
    const wchar_t* p = text;
    while (*p == L' ' || *p == L'\t')
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-')
        negative = *p++ == L'-';
    if (!iswdigit(*p))
        return false;
    long long v = 0;
    while (iswdigit(*p)) {
        v = v * 10 + (*p++ - L'0');
        if (v > 0xFFFFFFFFLL)
            v = 0xFFFFFFFFLL; // "%d" keeps 32 bits at most; only the low 16 are kept anyway
    }
    value = negative ? -v : v;
    return true;
}

// A flag is written as 1 or 0 and read as the program reads every flag: "true" or "yes" in
// any case, or a non-zero number.
int Flag(const util::CIni& ini, const wchar_t* section, const wchar_t* key, BOOL defaultValue)
{
    return ini.GetBool(section, key, defaultValue) ? 1 : 0;
}

CString DecimalText(long long value)
{
    CString text;
    text.Format(L"%lld", value);
    return text;
}

} // namespace

CString OutputIniPath()
{
    return GetExeDirectory() + L"\\config\\output.ini";
}

int LoadEncodeOutputSettings(const CString& path, CEncodeSettings& s)
{
    if (!FileExists(path))
        return 0;
    util::CIni ini(path);
    s.Flags = 0;
    if (Flag(ini, kEncoding, L"OutputFile", TRUE))
        s.Flags |= kEncodeOutputFile;
    if (Flag(ini, kEncoding, L"Broadcast", TRUE))
        s.Flags |= kEncodeBroadcast;
    if (Flag(ini, kEncoding, L"PushToServer", FALSE))
        s.Flags |= kEncodePushToServer;
    long long port = 0;
    if (ParseDecimal(ini.GetString(kEncoding, L"BroadcastPort", L"8080"), port))
        s.Port = static_cast<WORD>(port & 0xFFFF);
    s.OutputFilePath = ini.GetString(kEncoding, L"OutputFilePath", L"");
    s.Addindex = Flag(ini, kEncoding, L"Addindex", FALSE);
    s.Overwrite = Flag(ini, kEncoding, L"Overwrite", FALSE);
    s.PushServer = ini.GetString(kEncoding, L"PushServer", L"");
    s.PublishPoint = ini.GetString(kEncoding, L"PublishPoint", L"");
    s.CopyFrom = ini.GetString(kEncoding, L"CopyFrom", L"");
    s.AutoRemove = Flag(ini, kEncoding, L"AutoRemove", FALSE);
    return 1;
}

BOOL SaveEncodeOutputSettings(const CString& path, const CEncodeSettings& s)
{
    util::CIni ini(path);
    BOOL ok = ini.WriteInt(kEncoding, L"OutputFile", (s.Flags & kEncodeOutputFile) ? 1 : 0);
    ok &= ini.WriteString(kEncoding, L"OutputFilePath", s.OutputFilePath);
    ok &= ini.WriteInt(kEncoding, L"Addindex", s.Addindex);
    ok &= ini.WriteInt(kEncoding, L"Overwrite", s.Overwrite);
    ok &= ini.WriteInt(kEncoding, L"Broadcast", (s.Flags & kEncodeBroadcast) ? 1 : 0);
    ok &= ini.WriteString(kEncoding, L"BroadcastPort", DecimalText(s.Port));
    ok &= ini.WriteInt(kEncoding, L"PushToServer", (s.Flags & kEncodePushToServer) ? 1 : 0);
    ok &= ini.WriteString(kEncoding, L"PushServer", s.PushServer);
    ok &= ini.WriteString(kEncoding, L"PublishPoint", s.PublishPoint);
    ok &= ini.WriteString(kEncoding, L"CopyFrom", s.CopyFrom);
    ok &= ini.WriteInt(kEncoding, L"AutoRemove", s.AutoRemove);
    return ok;
}

int LoadEncodeInfoSettings(const CString& path, CEncodeSettings& s)
{
    if (!FileExists(path))
        return 0;
    util::CIni ini(path);
    s.Title = ini.GetString(kEncoding, L"Title", L"");
    s.Author = ini.GetString(kEncoding, L"Author", L"");
    s.Rating = ini.GetString(kEncoding, L"Rating", L"");
    s.Copyright = ini.GetString(kEncoding, L"Copyright", L"");
    s.Description = ini.GetString(kEncoding, L"Description", L"");
    return 1;
}

BOOL SaveEncodeInfoSettings(const CString& path, const CEncodeSettings& s)
{
    util::CIni ini(path);
    BOOL ok = ini.WriteString(kEncoding, L"Title", s.Title);
    ok &= ini.WriteString(kEncoding, L"Author", s.Author);
    ok &= ini.WriteString(kEncoding, L"Rating", s.Rating);
    ok &= ini.WriteString(kEncoding, L"Copyright", s.Copyright);
    ok &= ini.WriteString(kEncoding, L"Description", s.Description);
    return ok;
}

int LoadAviOutputSettings(const CString& path, AviOutputSettings& s)
{
    if (!FileExists(path))
        return 0;
    util::CIni ini(path);
    s.Path = ini.GetString(kAvi, L"Path", L"C:\\");
    s.Split = Flag(ini, kAvi, L"Split", TRUE);
    s.Max = ini.GetInt(kAvi, L"Max", 2048);
    s.VCodec = ini.GetString(kAvi, L"VCodec", L"Microsoft DV (PAL)");
    s.VQuality = ini.GetInt(kAvi, L"VQuality", 100);
    s.ACodec = ini.GetString(kAvi, L"ACodec", L"None");
    return 1;
}

BOOL SaveAviOutputSettings(const CString& path, const AviOutputSettings& s)
{
    util::CIni ini(path);
    BOOL ok = ini.WriteString(kAvi, L"Path", s.Path);
    ok &= ini.WriteInt(kAvi, L"Split", s.Split);
    ok &= ini.WriteInt(kAvi, L"Max", s.Max);
    ok &= ini.WriteString(kAvi, L"VCodec", s.VCodec);
    ok &= ini.WriteInt(kAvi, L"VQuality", s.VQuality);
    ok &= ini.WriteString(kAvi, L"ACodec", s.ACodec);
    return ok;
}

int LoadDvOutputSettings(const CString& path, DvOutputSettings& s)
{
    if (!FileExists(path))
        return 0;
    util::CIni ini(path);
    s.Device = ini.GetString(k1394, L"Device", L"");
    s.AutoSelect = Flag(ini, k1394, L"AutoSelect", FALSE);
    return 1;
}

BOOL SaveDvOutputSettings(const CString& path, const DvOutputSettings& s)
{
    util::CIni ini(path);
    BOOL ok = ini.WriteString(k1394, L"Device", s.Device);
    ok &= ini.WriteInt(k1394, L"AutoSelect", s.AutoSelect);
    return ok;
}

int LoadDecklinkOutputSettings(const CString& path, DecklinkOutputSettings& s)
{
    if (!FileExists(path))
        return 0;
    util::CIni ini(path);
    s.VideoDevice = ini.GetString(kDecklink, L"VideoDevice", L"Decklink Video Render");
    s.AudioDevice = ini.GetString(kDecklink, L"AudioDevice", L"Decklink Audio Render");
    return 1;
}

BOOL SaveDecklinkOutputSettings(const CString& path, const DecklinkOutputSettings& s)
{
    util::CIni ini(path);
    BOOL ok = ini.WriteString(kDecklink, L"VideoDevice", s.VideoDevice);
    ok &= ini.WriteString(kDecklink, L"AudioDevice", s.AudioDevice);
    return ok;
}

WORD LoadVirtualDevicePort(const CString& path)
{
    if (!FileExists(path))
        return kDefaultListenPort;
    util::CIni ini(path);
    long long port = 0;
    if (!ParseDecimal(ini.GetString(kVirtualDevice, L"ListenPort", L""), port) || port < 1024 || port > 65535)
        return kDefaultListenPort;
    return static_cast<WORD>(port);
}

BOOL SaveVirtualDevicePort(const CString& path, WORD port)
{
    util::CIni ini(path);
    return ini.WriteInt(kVirtualDevice, L"ListenPort", port);
}

int LoadVCardMonitor(const CString& path, int& monitor)
{
    if (!FileExists(path))
        return 0;
    util::CIni ini(path);
    monitor = ini.GetInt(kVCard, L"Monitor", kDefaultVCardMonitor);
    return 1;
}

BOOL SaveVCardMonitor(const CString& path, int monitor)
{
    util::CIni ini(path);
    return ini.WriteInt(kVCard, L"Monitor", monitor);
}

int LoadAudioOutputSettings(const CString& path, AudioOutputSettings& s)
{
    if (!FileExists(path))
        return 0;
    util::CIni ini(path);
    s.Enable = Flag(ini, kAudio, L"Enable", TRUE);
    s.Device = ini.GetString(kAudio, L"Device", L"");
    return 1;
}

BOOL SaveAudioOutputSettings(const CString& path, const AudioOutputSettings& s)
{
    util::CIni ini(path);
    BOOL ok = ini.WriteInt(kAudio, L"Enable", s.Enable);
    ok &= ini.WriteString(kAudio, L"Device", s.Device);
    return ok;
}
