#include "testing/asfwriter/AsfWriterStandIn.h"

#include <servprov.h>

#include <cstring>
#include <new>
#include <thread>

namespace standin {
namespace {

CAsfStandIns* g_current = nullptr;

// Stand-in objects that live outside a filter count their own references.
#define STANDIN_REFCOUNT                                                   \
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); } \
    STDMETHODIMP_(ULONG) Release() override                                \
    {                                                                      \
        const LONG left = InterlockedDecrement(&refs_);                    \
        if (left == 0)                                                     \
            delete this;                                                   \
        return static_cast<ULONG>(left);                                   \
    }                                                                      \
    LONG refs_ = 1;

// {6B0E5C1A-3F42-4D8E-9A7B-11C2D3E4F501}: a stream config of this stand-in, asked for by
// the profile to find its own object behind an interface.
const IID IID_StandInStreamConfig = {0x6B0E5C1A, 0x3F42, 0x4D8E, {0x9A, 0x7B, 0x11, 0xC2, 0xD3, 0xE4, 0xF5, 0x01}};

// --- profile ----------------------------------------------------------------------

class CStreamConfig final : public IWMStreamConfig, public IWMMediaProps {
public:
    CStreamConfig(const GUID& type, const GUID& formatType, std::vector<BYTE> format, WORD number)
        : type_(type), formatType_(formatType), format_(std::move(format)), number_(number)
    {
    }
    CStreamConfig* Clone() const { return new CStreamConfig(type_, formatType_, format_, number_); }
    void CopyFrom(const CStreamConfig& other)
    {
        formatType_ = other.formatType_;
        format_ = other.format_;
    }
    WORD Number() const { return number_; }

    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_StandInStreamConfig) {
            *ppv = this; // not counted: the caller holds the object already
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

    // IWMStreamConfig
    STDMETHODIMP GetStreamType(GUID* type) override
    {
        if (!type)
            return E_POINTER;
        *type = type_;
        return S_OK;
    }
    STDMETHODIMP GetStreamNumber(WORD* number) override
    {
        if (!number)
            return E_POINTER;
        *number = number_;
        return S_OK;
    }
    STDMETHODIMP SetStreamNumber(WORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetStreamName(WCHAR*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE) override { return E_NOTIMPL; }
    STDMETHODIMP GetConnectionName(WCHAR*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE) override { return E_NOTIMPL; }
    STDMETHODIMP GetBitrate(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetBitrate(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetBufferWindow(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetBufferWindow(DWORD) override { return E_NOTIMPL; }

    // IWMMediaProps: the type is handed out as the structure with its format after it.
    STDMETHODIMP GetType(GUID* type) override { return GetStreamType(type); }
    STDMETHODIMP GetMediaType(WM_MEDIA_TYPE* type, DWORD* bytes) override
    {
        if (!bytes)
            return E_POINTER;
        const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + format_.size());
        if (!type) {
            *bytes = needed;
            return S_OK;
        }
        if (*bytes < needed)
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        ZeroMemory(type, sizeof *type);
        type->majortype = type_;
        type->formattype = formatType_;
        type->bFixedSizeSamples = type_ == MEDIATYPE_Audio;
        type->cbFormat = static_cast<ULONG>(format_.size());
        type->pbFormat = reinterpret_cast<BYTE*>(type + 1);
        if (!format_.empty())
            std::memcpy(type->pbFormat, format_.data(), format_.size());
        *bytes = needed;
        return S_OK;
    }
    STDMETHODIMP SetMediaType(WM_MEDIA_TYPE* type) override
    {
        if (!type || (type->cbFormat && !type->pbFormat))
            return E_POINTER;
        formatType_ = type->formattype;
        format_.assign(type->pbFormat, type->pbFormat + type->cbFormat);
        return S_OK;
    }

private:
    ~CStreamConfig() = default;
    GUID type_, formatType_;
    std::vector<BYTE> format_;
    WORD number_;
};

std::vector<BYTE> VideoFormat(LONG width, LONG height)
{
    VIDEOINFOHEADER vih = {};
    vih.AvgTimePerFrame = 400000;
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = MAKEFOURCC('W', 'M', 'V', '3');
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&vih);
    return std::vector<BYTE>(bytes, bytes + sizeof vih);
}

std::vector<BYTE> AudioFormat()
{
    WAVEFORMATEX wf = {};
    wf.wFormatTag = 0x161; // Windows Media Audio
    wf.nChannels = 2;
    wf.nSamplesPerSec = 44100;
    wf.nAvgBytesPerSec = 16000;
    wf.nBlockAlign = 2973;
    wf.wBitsPerSample = 16;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&wf);
    return std::vector<BYTE>(bytes, bytes + sizeof wf);
}

class CProfile final : public IWMProfile {
public:
    explicit CProfile(const std::vector<ProfileStream>& streams)
    {
        WORD number = 1;
        for (const ProfileStream& s : streams) {
            const bool video = s.type == MEDIATYPE_Video;
            streams_.push_back(new CStreamConfig(s.type, video ? FORMAT_VideoInfo : FORMAT_WaveFormatEx,
                                                 video ? VideoFormat(s.width, s.height) : AudioFormat(), number++));
        }
    }

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

    STDMETHODIMP GetVersion(WMT_VERSION*) override { return E_NOTIMPL; }
    STDMETHODIMP GetName(WCHAR*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetName(const WCHAR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDescription(WCHAR*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetDescription(const WCHAR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetStreamCount(DWORD* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<DWORD>(streams_.size());
        return S_OK;
    }
    // A copy, as the runtime hands out: changes count only after ReconfigStream.
    STDMETHODIMP GetStream(DWORD index, IWMStreamConfig** config) override
    {
        if (!config)
            return E_POINTER;
        *config = nullptr;
        if (index >= streams_.size())
            return E_INVALIDARG;
        *config = streams_[index]->Clone();
        return S_OK;
    }
    STDMETHODIMP GetStreamByNumber(WORD, IWMStreamConfig**) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveStream(IWMStreamConfig*) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveStreamByNumber(WORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddStream(IWMStreamConfig*) override { return E_NOTIMPL; }
    STDMETHODIMP ReconfigStream(IWMStreamConfig* config) override
    {
        void* object = nullptr;
        if (!config || FAILED(config->QueryInterface(IID_StandInStreamConfig, &object)))
            return E_INVALIDARG;
        const CStreamConfig* changed = static_cast<CStreamConfig*>(object);
        for (CStreamConfig* s : streams_) {
            if (s->Number() == changed->Number()) {
                s->CopyFrom(*changed);
                if (g_current)
                    g_current->CountReconfig();
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    STDMETHODIMP CreateNewStream(REFGUID, IWMStreamConfig**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMutualExclusionCount(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMutualExclusion(DWORD, IWMMutualExclusion**) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
    STDMETHODIMP AddMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateNewMutualExclusion(IWMMutualExclusion**) override { return E_NOTIMPL; }

private:
    ~CProfile()
    {
        for (CStreamConfig* s : streams_)
            s->Release();
    }
    std::vector<CStreamConfig*> streams_;
};

class CProfileManager final : public IWMProfileManager {
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
    STDMETHODIMP CreateEmptyProfile(WMT_VERSION, IWMProfile**) override { return E_NOTIMPL; }
    STDMETHODIMP LoadProfileByID(REFGUID, IWMProfile**) override { return E_NOTIMPL; }
    STDMETHODIMP LoadProfileByData(const WCHAR* text, IWMProfile** profile) override
    {
        if (!text || !profile)
            return E_POINTER;
        *profile = nullptr;
        CAsfStandIns* current = g_current;
        if (!current)
            return E_UNEXPECTED;
        current->AddLoadedProfile(text);
        if (!current->profileLoads)
            return E_INVALIDARG;
        *profile = new CProfile(current->profileStreams);
        return S_OK;
    }
    STDMETHODIMP SaveProfile(IWMProfile*, WCHAR*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetSystemProfileCount(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP LoadSystemProfile(DWORD, IWMProfile**) override { return E_NOTIMPL; }

private:
    ~CProfileManager() = default;
};

// --- sinks ------------------------------------------------------------------------

// The parts of IWMWriterSink no test reaches.
#define STANDIN_WRITER_SINK                                                            \
    STDMETHODIMP OnHeader(INSSBuffer*) override { return E_NOTIMPL; }                  \
    STDMETHODIMP IsRealTime(WINBOOL*) override { return E_NOTIMPL; }                   \
    STDMETHODIMP AllocateDataUnit(DWORD, INSSBuffer**) override { return E_NOTIMPL; }  \
    STDMETHODIMP OnDataUnit(INSSBuffer*) override { return E_NOTIMPL; }                \
    STDMETHODIMP OnEndWriting() override { return E_NOTIMPL; }

// The writer's own file sink.
class CFileSink final : public IWMWriterSink {
public:
    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IWMWriterSink) {
            *ppv = static_cast<IWMWriterSink*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STANDIN_WRITER_SINK

private:
    ~CFileSink() = default;
};

class CNetworkSink final : public IWMWriterNetworkSink {
public:
    CNetworkSink(std::shared_ptr<NetworkSinkRecord> record, HRESULT openResult)
        : record_(std::move(record)), openResult_(openResult)
    {
    }
    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IWMWriterSink || riid == IID_IWMWriterNetworkSink) {
            *ppv = static_cast<IWMWriterNetworkSink*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STANDIN_WRITER_SINK
    STDMETHODIMP SetMaximumClients(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetMaximumClients(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetNetworkProtocol(WMT_NET_PROTOCOL protocol) override
    {
        record_->protocolSet = true;
        record_->protocol = protocol;
        return S_OK;
    }
    STDMETHODIMP GetNetworkProtocol(WMT_NET_PROTOCOL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetHostURL(WCHAR*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Open(DWORD* port) override
    {
        if (!port)
            return E_POINTER;
        ++record_->openCalls;
        record_->port = *port;
        return openResult_;
    }
    STDMETHODIMP Disconnect() override { return E_NOTIMPL; }
    STDMETHODIMP Close() override
    {
        ++record_->closeCalls;
        return S_OK;
    }

private:
    ~CNetworkSink() = default;
    std::shared_ptr<NetworkSinkRecord> record_;
    HRESULT openResult_;
};

} // namespace

// The push sink reports the session's outcome from a thread of its own, as the runtime
// does; a status goes out under the sink's lock, so Unadvise waits for one in progress.
class CStandInPushSink final : public IWMWriterPushSink, public IWMRegisterCallback {
public:
    CStandInPushSink(PushAnswer answer, HRESULT errorCode, HRESULT connectResult)
        : record(std::make_shared<PushSinkRecord>()), answer_(answer), errorCode_(errorCode),
          connectResult_(connectResult)
    {
    }

    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IWMWriterSink || riid == IID_IWMWriterPushSink)
            *ppv = static_cast<IWMWriterPushSink*>(this);
        else if (riid == IID_IWMRegisterCallback)
            *ppv = static_cast<IWMRegisterCallback*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STANDIN_WRITER_SINK

    STDMETHODIMP Connect(LPCWSTR url, LPCWSTR templateUrl, BOOL autoDestroy) override
    {
        {
            std::lock_guard<std::mutex> lock(lock_);
            ++record->connectCalls;
            record->url = url ? url : L"";
            record->templateGiven = templateUrl != nullptr;
            record->templateUrl = templateUrl ? templateUrl : L"";
            record->autoRemove = autoDestroy;
        }
        if (FAILED(connectResult_))
            return connectResult_;
        if (answer_ != PushAnswer::Never) {
            Join();
            const WMT_STATUS status = answer_ == PushAnswer::Opened ? WMT_OPENED : WMT_ERROR;
            const HRESULT hr = answer_ == PushAnswer::Opened ? S_OK : errorCode_;
            thread_ = std::thread([this, status, hr]() { Send(status, hr); });
        }
        return S_OK;
    }
    STDMETHODIMP Disconnect() override
    {
        std::lock_guard<std::mutex> lock(lock_);
        ++record->disconnectCalls;
        return S_OK;
    }
    STDMETHODIMP EndSession() override { return E_NOTIMPL; }

    STDMETHODIMP Advise(IWMStatusCallback* callback, void*) override
    {
        if (!callback)
            return E_POINTER;
        std::lock_guard<std::mutex> lock(lock_);
        ++record->advises;
        callback_ = callback;
        return S_OK;
    }
    STDMETHODIMP Unadvise(IWMStatusCallback* callback, void*) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!callback_ || callback != callback_)
            return E_INVALIDARG;
        ++record->unadvises;
        callback_ = nullptr;
        return S_OK;
    }

    bool Send(WMT_STATUS status, HRESULT hr)
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!callback_)
            return false;
        ++record->statusesDelivered;
        callback_->OnStatus(status, hr, WMT_TYPE_DWORD, nullptr, nullptr);
        return true;
    }
    void Join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    std::shared_ptr<PushSinkRecord> record;

private:
    ~CStandInPushSink() { Join(); }

    std::mutex lock_;
    IWMStatusCallback* callback_ = nullptr;
    std::thread thread_;
    PushAnswer answer_;
    HRESULT errorCode_;
    HRESULT connectResult_;
};

namespace {

// --- the writer object ------------------------------------------------------------

class CWriter final : public IWMWriterAdvanced2, public IWMWriter, public IWMHeaderInfo {
public:
    explicit CWriter(std::shared_ptr<AsfWriterRecord> record) : record_(std::move(record))
    {
        sinks_.push_back(new CFileSink());
    }

    STANDIN_REFCOUNT
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IWMWriterAdvanced || riid == IID_IWMWriterAdvanced2)
            *ppv = static_cast<IWMWriterAdvanced2*>(this);
        else if (riid == IID_IWMWriter)
            *ppv = static_cast<IWMWriter*>(this);
        else if (riid == IID_IWMHeaderInfo)
            *ppv = static_cast<IWMHeaderInfo*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    // IWMWriterAdvanced
    STDMETHODIMP GetSinkCount(DWORD* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<DWORD>(sinks_.size());
        return S_OK;
    }
    STDMETHODIMP GetSink(DWORD index, IWMWriterSink** sink) override
    {
        if (!sink)
            return E_POINTER;
        *sink = nullptr;
        if (index >= sinks_.size())
            return E_INVALIDARG;
        *sink = sinks_[index];
        (*sink)->AddRef();
        return S_OK;
    }
    STDMETHODIMP AddSink(IWMWriterSink* sink) override
    {
        if (!sink)
            return E_POINTER;
        IUnknown* probe = nullptr;
        const char* kind = "AddSink(other)";
        if (SUCCEEDED(sink->QueryInterface(IID_IWMWriterNetworkSink, reinterpret_cast<void**>(&probe)))) {
            kind = "AddSink(network)";
            probe->Release();
        } else if (SUCCEEDED(sink->QueryInterface(IID_IWMWriterPushSink, reinterpret_cast<void**>(&probe)))) {
            kind = "AddSink(push)";
            probe->Release();
        }
        record_->sinkCalls.push_back(kind);
        sink->AddRef();
        sinks_.push_back(sink);
        record_->sinkCount = sinks_.size();
        return S_OK;
    }
    STDMETHODIMP RemoveSink(IWMWriterSink* sink) override
    {
        // Null takes every sink out, the writer's own file sink too.
        if (!sink) {
            record_->sinkCalls.push_back("RemoveSink(null)");
            ReleaseSinks();
            record_->sinkCount = 0;
            return S_OK;
        }
        record_->sinkCalls.push_back("RemoveSink(sink)");
        for (size_t i = 0; i < sinks_.size(); ++i) {
            if (sinks_[i] == sink) {
                sinks_[i]->Release();
                sinks_.erase(sinks_.begin() + static_cast<std::ptrdiff_t>(i));
                record_->sinkCount = sinks_.size();
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    STDMETHODIMP WriteStreamSample(WORD, QWORD, DWORD, QWORD, DWORD, INSSBuffer*) override { return E_NOTIMPL; }
    STDMETHODIMP SetLiveSource(WINBOOL) override { return E_NOTIMPL; }
    STDMETHODIMP IsRealTime(WINBOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetWriterTime(QWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetStatistics(WORD, WM_WRITER_STATISTICS*) override { return E_NOTIMPL; }
    STDMETHODIMP SetSyncTolerance(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetSyncTolerance(DWORD*) override { return E_NOTIMPL; }
    // IWMWriterAdvanced2
    STDMETHODIMP GetInputSetting(DWORD, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetInputSetting(DWORD, LPCWSTR, WMT_ATTR_DATATYPE, const BYTE*, WORD) override
    {
        return E_NOTIMPL;
    }

    // IWMWriter
    STDMETHODIMP SetProfileByID(REFGUID) override { return E_NOTIMPL; }
    STDMETHODIMP SetProfile(IWMProfile*) override { return E_NOTIMPL; }
    STDMETHODIMP SetOutputFilename(const WCHAR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetInputCount(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetInputProps(DWORD, IWMInputMediaProps**) override { return E_NOTIMPL; }
    STDMETHODIMP SetInputProps(DWORD, IWMInputMediaProps*) override { return E_NOTIMPL; }
    STDMETHODIMP GetInputFormatCount(DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetInputFormat(DWORD, DWORD, IWMInputMediaProps**) override { return E_NOTIMPL; }
    STDMETHODIMP BeginWriting() override { return E_NOTIMPL; }
    STDMETHODIMP EndWriting() override { return E_NOTIMPL; }
    STDMETHODIMP AllocateSample(DWORD, INSSBuffer**) override { return E_NOTIMPL; }
    STDMETHODIMP WriteSample(DWORD, QWORD, DWORD, INSSBuffer*) override { return E_NOTIMPL; }
    STDMETHODIMP Flush() override { return E_NOTIMPL; }

    // IWMHeaderInfo
    STDMETHODIMP GetAttributeCount(WORD, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAttributeByIndex(WORD, WORD*, WCHAR*, WORD*, WMT_ATTR_DATATYPE*, BYTE*, WORD*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetAttributeByName(WORD*, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetAttribute(WORD stream, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                              WORD length) override
    {
        if (!name || (length && !value))
            return E_POINTER;
        AsfAttribute a;
        a.stream = stream;
        a.name = name;
        a.type = type;
        a.length = length;
        a.value.assign(value, value + length);
        record_->attributes.push_back(a);
        return S_OK;
    }
    STDMETHODIMP GetMarkerCount(WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMarker(WORD, WCHAR*, WORD*, QWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP AddMarker(LPCWSTR_WMSDK_TYPE_SAFE, QWORD) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMarker(WORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetScriptCount(WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetScript(WORD, WCHAR*, WORD*, WCHAR*, WORD*, QWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP AddScript(LPCWSTR_WMSDK_TYPE_SAFE, LPCWSTR_WMSDK_TYPE_SAFE, QWORD) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveScript(WORD) override { return E_NOTIMPL; }

private:
    ~CWriter() { ReleaseSinks(); }
    void ReleaseSinks()
    {
        for (IWMWriterSink* s : sinks_)
            s->Release();
        sinks_.clear();
    }

    std::shared_ptr<AsfWriterRecord> record_;
    std::vector<IWMWriterSink*> sinks_;
};

// --- the filter -------------------------------------------------------------------

class CAnyTypeInputPin : public CBaseInputPin {
public:
    CAnyTypeInputPin(CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name, const GUID& major)
        : CBaseInputPin(TEXT("StandInAsfInput"), filter, lock, phr, name), major_(major)
    {
    }
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (!type)
            return E_POINTER;
        return *type->Type() == major_ ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        // What arrives is not encoded: the tests look at what was configured.
        return CBaseInputPin::Receive(sample);
    }

private:
    GUID major_;
};

class CAsfWriterFilter : public CBaseFilter, public IFileSinkFilter, public IConfigAsfWriter, public IServiceProvider {
public:
    static IUnknown* Create(HRESULT* phr)
    {
        CAsfWriterFilter* f = new (std::nothrow) CAsfWriterFilter(phr);
        if (!f)
            return nullptr;
        f->NonDelegatingAddRef();
        return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(f));
    }

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IFileSinkFilter)
            return GetInterface(static_cast<IFileSinkFilter*>(this), ppv);
        if (riid == IID_IConfigAsfWriter)
            return GetInterface(static_cast<IConfigAsfWriter*>(this), ppv);
        if (riid == IID_IServiceProvider)
            return GetInterface(static_cast<IServiceProvider*>(this), ppv);
        return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
    }

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override
    {
        return n == 0 ? static_cast<CBasePin*>(audio_.get()) : n == 1 ? video_.get() : nullptr;
    }

    // IFileSinkFilter
    STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) override
    {
        if (!name)
            return E_POINTER;
        ++record_->setFileNameCalls;
        record_->fileName = name;
        return S_OK;
    }
    STDMETHODIMP GetCurFile(LPOLESTR*, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }

    // IConfigAsfWriter
    STDMETHODIMP ConfigureFilterUsingProfileId(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetCurrentProfileId(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP ConfigureFilterUsingProfileGuid(REFGUID) override { return E_NOTIMPL; }
    STDMETHODIMP GetCurrentProfileGuid(GUID*) override { return E_NOTIMPL; }
    STDMETHODIMP ConfigureFilterUsingProfile(IWMProfile* profile) override
    {
        if (!profile)
            return E_POINTER;
        CAsfStandIns* current = CAsfStandIns::Current();
        if (current && FAILED(current->configureResult))
            return current->configureResult;
        DWORD count = 0;
        HRESULT hr = profile->GetStreamCount(&count);
        if (FAILED(hr))
            return hr;
        record_->streams.clear();
        for (DWORD i = 0; i < count; ++i) {
            IWMStreamConfig* stream = nullptr;
            if (FAILED(profile->GetStream(i, &stream)) || !stream)
                return E_FAIL;
            AsfStreamRecord r;
            stream->GetStreamType(&r.type);
            IWMMediaProps* props = nullptr;
            if (SUCCEEDED(stream->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(&props)))) {
                DWORD size = 0;
                props->GetMediaType(nullptr, &size);
                std::vector<ULONGLONG> buffer((size + 7) / 8 + 1);
                WM_MEDIA_TYPE* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data());
                if (SUCCEEDED(props->GetMediaType(type, &size))) {
                    r.formatType = type->formattype;
                    if (type->formattype == FORMAT_VideoInfo && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
                        const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
                        r.width = vih->bmiHeader.biWidth;
                        r.height = vih->bmiHeader.biHeight;
                        r.source = vih->rcSource;
                        r.target = vih->rcTarget;
                    }
                }
                props->Release();
            }
            stream->Release();
            record_->streams.push_back(r);
        }
        record_->profileConfigured = true;
        return S_OK;
    }
    STDMETHODIMP GetCurrentProfile(IWMProfile**) override { return E_NOTIMPL; }
    STDMETHODIMP SetIndexMode(BOOL index) override
    {
        ++record_->indexModeCalls;
        record_->indexMode = index;
        return S_OK;
    }
    STDMETHODIMP GetIndexMode(BOOL*) override { return E_NOTIMPL; }

    // IServiceProvider: the writer behind the filter.
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (service != IID_IWMWriterAdvanced2)
            return E_NOINTERFACE;
        return writer_->QueryInterface(riid, ppv);
    }

private:
    explicit CAsfWriterFilter(HRESULT* phr)
        : CBaseFilter(TEXT("StandInAsfWriter"), nullptr, &lock_, CLSID_WMAsfWriter, phr),
          record_(std::make_shared<AsfWriterRecord>())
    {
        audio_.reset(new CAnyTypeInputPin(this, &lock_, phr, L"Audio Input 01", MEDIATYPE_Audio));
        video_.reset(new CAnyTypeInputPin(this, &lock_, phr, L"Video Input 01", MEDIATYPE_Video));
        writer_ = new CWriter(record_);
        if (CAsfStandIns* current = CAsfStandIns::Current())
            current->AddWriter(record_);
    }
    ~CAsfWriterFilter() override { writer_->Release(); }

    CCritSec lock_;
    std::shared_ptr<AsfWriterRecord> record_;
    std::unique_ptr<CAnyTypeInputPin> audio_, video_;
    CWriter* writer_ = nullptr;
};

// --- entry points -----------------------------------------------------------------

HRESULT WINAPI CreateProfileManager(IWMProfileManager** manager)
{
    if (!manager)
        return E_POINTER;
    *manager = new CProfileManager();
    return S_OK;
}

HRESULT WINAPI CreateNetworkSink(IWMWriterNetworkSink** sink)
{
    if (!sink)
        return E_POINTER;
    *sink = nullptr;
    CAsfStandIns* current = CAsfStandIns::Current();
    if (!current)
        return E_UNEXPECTED;
    std::shared_ptr<NetworkSinkRecord> record = std::make_shared<NetworkSinkRecord>();
    current->AddNetworkSink(record);
    *sink = new CNetworkSink(record, current->networkOpenResult);
    return S_OK;
}

HRESULT WINAPI CreatePushSink(IWMWriterPushSink** sink)
{
    if (!sink)
        return E_POINTER;
    *sink = nullptr;
    CAsfStandIns* current = CAsfStandIns::Current();
    if (!current)
        return E_UNEXPECTED;
    CStandInPushSink* push =
        new CStandInPushSink(current->pushAnswer, current->pushErrorCode, current->pushConnectResult);
    current->AddPushSink(push); // the test's reference
    *sink = push;
    return S_OK;
}

} // namespace

CAsfStandIns::CAsfStandIns() : registration_(CLSID_WMAsfWriter, &CAsfWriterFilter::Create)
{
    g_current = this;
    wmf::EntryPoints entries;
    entries.createProfileManager = &CreateProfileManager;
    entries.createWriterNetworkSink = &CreateNetworkSink;
    entries.createWriterPushSink = &CreatePushSink;
    wmf::SetEntryPoints(&entries);
}

CAsfStandIns::~CAsfStandIns()
{
    wmf::SetEntryPoints(nullptr);
    JoinPushThreads();
    for (CStandInPushSink* p : pushes_)
        p->Release();
    g_current = nullptr;
}

CAsfStandIns* CAsfStandIns::Current()
{
    return g_current;
}

std::shared_ptr<AsfWriterRecord> CAsfStandIns::LastWriter() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return writers_.empty() ? std::shared_ptr<AsfWriterRecord>() : writers_.back();
}

std::vector<std::shared_ptr<NetworkSinkRecord>> CAsfStandIns::NetworkSinks() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return networks_;
}

std::vector<std::shared_ptr<PushSinkRecord>> CAsfStandIns::PushSinks() const
{
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<std::shared_ptr<PushSinkRecord>> records;
    for (CStandInPushSink* p : pushes_)
        records.push_back(p->record);
    return records;
}

std::vector<std::wstring> CAsfStandIns::LoadedProfiles() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return profiles_;
}

int CAsfStandIns::ReconfigCalls() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return reconfigs_;
}

bool CAsfStandIns::SendPushStatus(size_t sink, WMT_STATUS status, HRESULT hr)
{
    CStandInPushSink* push = nullptr;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (sink >= pushes_.size())
            return false;
        push = pushes_[sink];
    }
    return push->Send(status, hr);
}

void CAsfStandIns::JoinPushThreads()
{
    std::vector<CStandInPushSink*> pushes;
    {
        std::lock_guard<std::mutex> lock(lock_);
        pushes = pushes_;
    }
    for (CStandInPushSink* p : pushes)
        p->Join();
}

void CAsfStandIns::AddWriter(const std::shared_ptr<AsfWriterRecord>& record)
{
    std::lock_guard<std::mutex> lock(lock_);
    writers_.push_back(record);
}

void CAsfStandIns::AddNetworkSink(const std::shared_ptr<NetworkSinkRecord>& record)
{
    std::lock_guard<std::mutex> lock(lock_);
    networks_.push_back(record);
}

void CAsfStandIns::AddPushSink(CStandInPushSink* sink)
{
    sink->AddRef();
    std::lock_guard<std::mutex> lock(lock_);
    pushes_.push_back(sink);
}

void CAsfStandIns::AddLoadedProfile(const std::wstring& text)
{
    std::lock_guard<std::mutex> lock(lock_);
    profiles_.push_back(text);
}

void CAsfStandIns::CountReconfig()
{
    std::lock_guard<std::mutex> lock(lock_);
    ++reconfigs_;
}

} // namespace standin
