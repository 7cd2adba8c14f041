// A stand-in for the Windows Media ASF writer filter and the runtime pieces around it, which
// the test machines lack: the filter under CLSID_WMAsfWriter (registered in the test process
// only) with an audio and a video input that take any type of their kind, its writer object
// behind IServiceProvider, network and push sinks and a profile manager handed in as the
// runtime's entry points. Everything the output graph configures is recorded for the test.
#pragma once

#include <streams.h>
#include <wmfplatform.h>

#include "testing/dv/StandInPins.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace standin {

struct AsfAttribute {
    WORD stream = 0;
    std::wstring name;
    WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
    WORD length = 0;          // as given, in bytes
    std::vector<BYTE> value;  // the bytes given
};

// One stream of the profile as the writer was configured with it.
struct AsfStreamRecord {
    GUID type = GUID_NULL;       // WMMEDIATYPE_Video / _Audio
    GUID formatType = GUID_NULL;
    LONG width = 0, height = 0;  // video only
    RECT source = {}, target = {};
};

// What one writer filter was told, in the order it happened.
struct AsfWriterRecord {
    int setFileNameCalls = 0;
    std::wstring fileName;
    int indexModeCalls = 0;
    BOOL indexMode = FALSE;
    bool profileConfigured = false;
    std::vector<AsfStreamRecord> streams;
    // "RemoveSink(null)", "AddSink(network)", "AddSink(push)", "AddSink(other)"
    std::vector<std::string> sinkCalls;
    size_t sinkCount = 1; // the writer's own file sink until removed
    std::vector<AsfAttribute> attributes;
};

struct NetworkSinkRecord {
    bool protocolSet = false;
    WMT_NET_PROTOCOL protocol = WMT_PROTOCOL_HTTP;
    int openCalls = 0;
    DWORD port = 0;
    int closeCalls = 0;
};

struct PushSinkRecord {
    std::wstring url;
    bool templateGiven = false; // false: null was passed
    std::wstring templateUrl;
    BOOL autoRemove = FALSE;
    int connectCalls = 0;
    int disconnectCalls = 0;
    int advises = 0;
    int unadvises = 0;
    int statusesDelivered = 0;
};

// How a push sink answers Connect.
enum class PushAnswer {
    Opened, // WMT_OPENED from the sink's own thread
    Error,  // WMT_ERROR with pushErrorCode from the sink's own thread
    Never,  // the server never answers
};

struct ProfileStream {
    GUID type;      // WMMEDIATYPE_Video or WMMEDIATYPE_Audio
    LONG width = 0; // video picture
    LONG height = 0;
};

class CStandInPushSink;

// Installs the stand-ins for one test: the writer's class registration and the runtime's
// entry points; the destructor takes both back.
class CAsfStandIns {
public:
    CAsfStandIns();
    ~CAsfStandIns();
    CAsfStandIns(const CAsfStandIns&) = delete;
    CAsfStandIns& operator=(const CAsfStandIns&) = delete;

    HRESULT Result() const { return registration_.Result(); }

    // --- set by the test before Build
    std::vector<ProfileStream> profileStreams; // what LoadProfileByData makes
    bool profileLoads = true;
    HRESULT configureResult = S_OK;            // ConfigureFilterUsingProfile
    HRESULT networkOpenResult = S_OK;
    PushAnswer pushAnswer = PushAnswer::Opened;
    HRESULT pushErrorCode = E_FAIL;
    HRESULT pushConnectResult = S_OK;          // Connect's own answer

    // --- recorded
    std::shared_ptr<AsfWriterRecord> LastWriter() const;
    std::vector<std::shared_ptr<NetworkSinkRecord>> NetworkSinks() const;
    std::vector<std::shared_ptr<PushSinkRecord>> PushSinks() const;
    std::vector<std::wstring> LoadedProfiles() const;
    int ReconfigCalls() const;

    // A status the push sink sends now from the caller's thread (a late or a repeated one);
    // false when it has no callback registered.
    bool SendPushStatus(size_t sink, WMT_STATUS status, HRESULT hr);
    // Waits until the push sinks' own threads have delivered.
    void JoinPushThreads();

    // Used by the stand-in objects.
    static CAsfStandIns* Current();
    void AddWriter(const std::shared_ptr<AsfWriterRecord>& record);
    void AddNetworkSink(const std::shared_ptr<NetworkSinkRecord>& record);
    void AddPushSink(CStandInPushSink* sink);
    void AddLoadedProfile(const std::wstring& text);
    void CountReconfig();

private:
    mutable std::mutex lock_;
    CClassRegistration registration_;
    std::vector<std::shared_ptr<AsfWriterRecord>> writers_;
    std::vector<std::shared_ptr<NetworkSinkRecord>> networks_;
    std::vector<CStandInPushSink*> pushes_; // each holds one reference
    std::vector<std::wstring> profiles_;
    int reconfigs_ = 0;
};

} // namespace standin
