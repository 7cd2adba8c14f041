#include "testing/wmprofile/ProfileManagerStandIn.h"

#include <dshow.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace standin {
namespace {

LONG g_loads = 0;
LONG g_refusals = 0;

#define STANDIN_REFCOUNT                                                            \
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); } \
    STDMETHODIMP_(ULONG) Release() override                                         \
    {                                                                               \
        const LONG left = InterlockedDecrement(&refs_);                             \
        if (left == 0)                                                              \
            delete this;                                                            \
        return static_cast<ULONG>(left);                                            \
    }                                                                               \
    LONG refs_ = 1;

// {8E2A4C11-7D35-4B1F-A0C3-5F6E7D8C9B02}: finds the stand-in object behind an interface.
const IID IID_StandInStream = { 0x8E2A4C11, 0x7D35, 0x4B1F, { 0xA0, 0xC3, 0x5F, 0x6E, 0x7D, 0x8C, 0x9B, 0x02 } };

struct StreamData {
    GUID type = GUID_NULL;
    WORD number = 0;
    DWORD bitrate = 0;
    LONGLONG frameTime = 0;
    LONG width = 0;
    LONG height = 0;
};

std::wstring GuidText(const GUID& g)
{
    wchar_t text[40];
    StringFromGUID2(g, text, 40);
    return text;
}

// The value of name="..." inside one tag's text; empty when absent.
bool Attribute(const std::wstring& tag, const wchar_t* name, std::wstring& value)
{
    const std::wstring key = std::wstring(L" ") + name + L"=\"";
    const size_t at = tag.find(key);
    if (at == std::wstring::npos)
        return false;
    const size_t start = at + key.size();
    const size_t end = tag.find(L'"', start);
    if (end == std::wstring::npos)
        return false;
    value = tag.substr(start, end - start);
    return true;
}

long long Number(const std::wstring& tag, const wchar_t* name)
{
    std::wstring value;
    if (!Attribute(tag, name, value))
        return 0;
    return wcstoll(value.c_str(), nullptr, 10);
}

class CStream final : public IWMStreamConfig, public IWMMediaProps {
public:
    explicit CStream(const StreamData& data) : data_(data) {}
    const StreamData& Data() const { return data_; }

    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_StandInStream) {
            *ppv = this;   // not counted: the caller holds the object already
            return S_OK;
        }
        if (riid == IID_IUnknown || riid == IID_IWMStreamConfig)
            *ppv = static_cast<IWMStreamConfig*>(this);
        else if (riid == IID_IWMMediaProps)
            *ppv = static_cast<IWMMediaProps*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    STDMETHODIMP GetStreamType(GUID* type) override
    {
        if (!type)
            return E_POINTER;
        *type = data_.type;
        return S_OK;
    }
    STDMETHODIMP GetStreamNumber(WORD* number) override
    {
        if (!number)
            return E_POINTER;
        *number = data_.number;
        return S_OK;
    }
    STDMETHODIMP SetStreamNumber(WORD number) override
    {
        data_.number = number;
        return S_OK;
    }
    STDMETHODIMP GetStreamName(WCHAR*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE) override { return E_NOTIMPL; }
    STDMETHODIMP GetConnectionName(WCHAR*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE) override { return E_NOTIMPL; }
    STDMETHODIMP GetBitrate(DWORD* bitrate) override
    {
        if (!bitrate)
            return E_POINTER;
        *bitrate = data_.bitrate;
        return S_OK;
    }
    STDMETHODIMP SetBitrate(DWORD bitrate) override
    {
        data_.bitrate = bitrate;
        return S_OK;
    }
    STDMETHODIMP GetBufferWindow(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetBufferWindow(DWORD) override { return E_NOTIMPL; }

    STDMETHODIMP GetType(GUID* type) override { return GetStreamType(type); }
    STDMETHODIMP GetMediaType(WM_MEDIA_TYPE* type, DWORD* bytes) override
    {
        if (!bytes)
            return E_POINTER;
        const bool video = data_.type == WMMEDIATYPE_Video;
        const DWORD format = video ? sizeof(VIDEOINFOHEADER) : sizeof(WAVEFORMATEX);
        const DWORD needed = sizeof(WM_MEDIA_TYPE) + format;
        if (!type) {
            *bytes = needed;
            return S_OK;
        }
        if (*bytes < needed)
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        ZeroMemory(type, needed);
        type->majortype = data_.type;
        type->formattype = video ? FORMAT_VideoInfo : FORMAT_WaveFormatEx;
        type->cbFormat = format;
        type->pbFormat = reinterpret_cast<BYTE*>(type + 1);
        if (video) {
            VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
            vih->AvgTimePerFrame = data_.frameTime;
            vih->dwBitRate = data_.bitrate;
            vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            vih->bmiHeader.biWidth = data_.width;
            vih->bmiHeader.biHeight = data_.height;
        }
        *bytes = needed;
        return S_OK;
    }
    STDMETHODIMP SetMediaType(WM_MEDIA_TYPE*) override { return E_NOTIMPL; }

private:
    ~CStream() = default;
    StreamData data_;
};

class CProfile final : public IWMProfile {
public:
    CProfile(WMT_VERSION version, const std::wstring& name) : version_(version), name_(name) {}
    std::vector<StreamData> streams;
    WMT_VERSION Version() const { return version_; }
    const std::wstring& Name() const { return name_; }

    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IWMProfile) {
            *ppv = static_cast<IWMProfile*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    STDMETHODIMP GetVersion(WMT_VERSION* version) override
    {
        if (!version)
            return E_POINTER;
        *version = version_;
        return S_OK;
    }
    STDMETHODIMP GetName(WCHAR* name, DWORD* length) override
    {
        if (!length)
            return E_POINTER;
        const DWORD needed = static_cast<DWORD>(name_.size() + 1);
        if (name) {
            if (*length < needed)
                return E_INVALIDARG;
            wcscpy(name, name_.c_str());
        }
        *length = needed;
        return S_OK;
    }
    STDMETHODIMP SetName(const WCHAR* name) override
    {
        if (!name)
            return E_POINTER;
        name_ = name;
        return S_OK;
    }
    STDMETHODIMP GetDescription(WCHAR*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetDescription(const WCHAR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetStreamCount(DWORD* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<DWORD>(streams.size());
        return S_OK;
    }
    STDMETHODIMP GetStream(DWORD index, IWMStreamConfig** config) override
    {
        if (!config)
            return E_POINTER;
        *config = nullptr;
        if (index >= streams.size())
            return E_INVALIDARG;
        *config = new CStream(streams[index]);
        return S_OK;
    }
    STDMETHODIMP GetStreamByNumber(WORD, IWMStreamConfig**) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveStream(IWMStreamConfig*) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveStreamByNumber(WORD) override { return E_NOTIMPL; }
    // A copy of the stream goes in; two streams may not share a number.
    STDMETHODIMP AddStream(IWMStreamConfig* config) override
    {
        void* object = nullptr;
        if (!config || FAILED(config->QueryInterface(IID_StandInStream, &object)))
            return E_INVALIDARG;
        const StreamData& data = static_cast<CStream*>(object)->Data();
        for (const StreamData& s : streams) {
            if (s.number == data.number)
                return E_INVALIDARG;
        }
        streams.push_back(data);
        return S_OK;
    }
    STDMETHODIMP ReconfigStream(IWMStreamConfig*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateNewStream(REFGUID, IWMStreamConfig**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMutualExclusionCount(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMutualExclusion(DWORD, IWMMutualExclusion**) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
    STDMETHODIMP AddMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateNewMutualExclusion(IWMMutualExclusion**) override { return E_NOTIMPL; }

private:
    ~CProfile() = default;
    WMT_VERSION version_;
    std::wstring name_;
};

// The profile text: <profile ...> with its <streamconfig> elements, each closed, and the
// profile closed; anything else is refused as the runtime refuses text that is no profile.
CProfile* ParseProfile(const std::wstring& text)
{
    const size_t open = text.find(L"<profile ");
    const size_t close = text.find(L"</profile>");
    if (open == std::wstring::npos || close == std::wstring::npos || close < open)
        return nullptr;
    const size_t openEnd = text.find(L'>', open);
    if (openEnd == std::wstring::npos || openEnd > close)
        return nullptr;
    const std::wstring profileTag = text.substr(open, openEnd - open);
    std::wstring name;
    Attribute(profileTag, L"name", name);
    const long long version = Number(profileTag, L"version");
    CProfile* profile = new CProfile(static_cast<WMT_VERSION>(version), name);
    size_t at = openEnd;
    for (;;) {
        const size_t start = text.find(L"<streamconfig ", at);
        if (start == std::wstring::npos || start > close)
            break;
        const size_t end = text.find(L"</streamconfig>", start);
        const size_t tagEnd = text.find(L'>', start);
        if (end == std::wstring::npos || end > close || tagEnd > end) {
            profile->Release();
            return nullptr;
        }
        const std::wstring tag = text.substr(start, tagEnd - start);
        const std::wstring body = text.substr(tagEnd, end - tagEnd);
        StreamData s;
        std::wstring major;
        if (!Attribute(tag, L"majortype", major) || FAILED(CLSIDFromString(major.c_str(), &s.type))) {
            profile->Release();
            return nullptr;
        }
        s.number = static_cast<WORD>(Number(tag, L"streamnumber"));
        s.bitrate = static_cast<DWORD>(Number(tag, L"bitrate"));
        const size_t vih = body.find(L"<videoinfoheader ");
        if (vih != std::wstring::npos)
            s.frameTime = Number(body.substr(vih, body.find(L'>', vih) - vih), L"avgtimeperframe");
        const size_t bih = body.find(L"<bitmapinfoheader ");
        if (bih != std::wstring::npos) {
            const std::wstring bitmap = body.substr(bih, body.find(L'>', bih) - bih);
            s.width = static_cast<LONG>(Number(bitmap, L"biwidth"));
            s.height = static_cast<LONG>(Number(bitmap, L"biheight"));
        }
        profile->streams.push_back(s);
        at = end + 1;
    }
    return profile;
}

std::wstring ProfileText(const CProfile& profile)
{
    wchar_t line[512];
    swprintf(line, 512, L"<profile version=\"%u\" storageformat=\"1\" name=\"%ls\" description=\"\">\r\n",
             static_cast<unsigned>(profile.Version()), profile.Name().c_str());
    std::wstring text = line;
    for (const StreamData& s : profile.streams) {
        swprintf(line, 512, L"  <streamconfig majortype=\"%ls\" streamnumber=\"%u\" bitrate=\"%lu\">\r\n",
                 GuidText(s.type).c_str(), static_cast<unsigned>(s.number), static_cast<unsigned long>(s.bitrate));
        text += line;
        if (s.type == WMMEDIATYPE_Video) {
            swprintf(line, 512,
                     L"    <wmmediatype><videoinfoheader avgtimeperframe=\"%lld\"><bitmapinfoheader biwidth=\"%ld\" "
                     L"biheight=\"%ld\"/></videoinfoheader></wmmediatype>\r\n",
                     static_cast<long long>(s.frameTime), static_cast<long>(s.width), static_cast<long>(s.height));
            text += line;
        }
        text += L"  </streamconfig>\r\n";
    }
    text += L"</profile>";
    return text;
}

class CManager final : public IWMProfileManager {
public:
    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IWMProfileManager) {
            *ppv = static_cast<IWMProfileManager*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) override
    {
        if (!profile)
            return E_POINTER;
        *profile = new CProfile(version, L"");
        return S_OK;
    }
    STDMETHODIMP LoadProfileByID(REFGUID, IWMProfile**) override { return E_NOTIMPL; }
    STDMETHODIMP LoadProfileByData(const WCHAR* text, IWMProfile** profile) override
    {
        if (!text || !profile)
            return E_POINTER;
        *profile = ParseProfile(text);
        if (!*profile) {
            InterlockedIncrement(&g_refusals);
            return E_INVALIDARG;
        }
        InterlockedIncrement(&g_loads);
        return S_OK;
    }
    // The length with its terminating zero when text is null, else the text.
    STDMETHODIMP SaveProfile(IWMProfile* profile, WCHAR* text, DWORD* length) override
    {
        if (!profile || !length)
            return E_POINTER;
        const std::wstring saved = ProfileText(*static_cast<CProfile*>(profile));
        const DWORD needed = static_cast<DWORD>(saved.size() + 1);
        if (text) {
            if (*length < needed)
                return E_INVALIDARG;
            std::memcpy(text, saved.c_str(), needed * sizeof(WCHAR));
        }
        *length = needed;
        return S_OK;
    }
    STDMETHODIMP GetSystemProfileCount(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP LoadSystemProfile(DWORD, IWMProfile**) override { return E_NOTIMPL; }

private:
    ~CManager() = default;
};

HRESULT WINAPI CreateManager(IWMProfileManager** manager)
{
    if (!manager)
        return E_POINTER;
    *manager = new CManager();
    return S_OK;
}

HRESULT WINAPI NoManager(IWMProfileManager** manager)
{
    if (manager)
        *manager = nullptr;
    return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
}

}  // namespace

CProfileManagerStandIn::CProfileManagerStandIn() : previous_(wmf::CurrentEntryPoints())
{
    g_loads = 0;
    g_refusals = 0;
    wmf::EntryPoints entries = previous_;
    entries.createProfileManager = &CreateManager;
    wmf::SetEntryPoints(&entries);
}

CProfileManagerStandIn::~CProfileManagerStandIn()
{
    wmf::SetEntryPoints(nullptr);
}

int CProfileManagerStandIn::Loads()
{
    return g_loads;
}

int CProfileManagerStandIn::Refusals()
{
    return g_refusals;
}

CNoProfileManager::CNoProfileManager() : previous_(wmf::CurrentEntryPoints())
{
    wmf::EntryPoints entries = previous_;
    entries.createProfileManager = &NoManager;
    wmf::SetEntryPoints(&entries);
}

CNoProfileManager::~CNoProfileManager()
{
    wmf::SetEntryPoints(nullptr);
}

}  // namespace standin
