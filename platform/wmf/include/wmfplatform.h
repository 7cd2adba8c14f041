// The Windows Media Format pieces mingw-w64 does not declare (the network and push sinks,
// the callback registration, the ASF writer filter's configuration interface), and the
// runtime's entry points, loaded from wmvcore.dll when first used: there is no import
// library, and a machine without the runtime must still start the program.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <strmif.h>
#include <wmsdkidl.h>

// {7C23220E-55BB-11D3-8B16-00C04FB6BD3D}, defined by the platform's strmiids library.
extern "C" const CLSID CLSID_WMAsfWriter;
// {96406BE7-2B2B-11D3-B36B-00C04F6108FF}
extern const IID IID_IWMWriterNetworkSink;
// {DC10E6A5-072C-467D-BF57-6330A9DDE12A}
extern const IID IID_IWMWriterPushSink;
// {CF4B1F99-4DE2-4E49-A363-252740D99BC1}
extern const IID IID_IWMRegisterCallback;
// {45086030-F7E4-486A-B504-826BB5792A3B}
extern const IID IID_IConfigAsfWriter;

enum WMT_NET_PROTOCOL { WMT_PROTOCOL_HTTP = 0 };

// What IWMCredentialCallback::AcquireCredentials answers in its flags.
enum WMT_CREDENTIAL_FLAGS {
    WMT_CREDENTIAL_SAVE = 0x1,
    WMT_CREDENTIAL_DONT_CACHE = 0x2,
    WMT_CREDENTIAL_CLEAR_TEXT = 0x4,
    WMT_CREDENTIAL_PROXY = 0x8,
    WMT_CREDENTIAL_ENCRYPT = 0x10,
};

// The network sink: a pull broadcast that players open on a local port.
struct IWMWriterNetworkSink : public IWMWriterSink {
    virtual HRESULT STDMETHODCALLTYPE SetMaximumClients(DWORD maxClients) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaximumClients(DWORD* maxClients) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNetworkProtocol(WMT_NET_PROTOCOL protocol) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNetworkProtocol(WMT_NET_PROTOCOL* protocol) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHostURL(WCHAR* url, DWORD* urlChars) = 0;
    virtual HRESULT STDMETHODCALLTYPE Open(DWORD* port) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
};

// The push sink: the stream sent to a publishing point of a streaming server.
struct IWMWriterPushSink : public IWMWriterSink {
    virtual HRESULT STDMETHODCALLTYPE Connect(LPCWSTR url, LPCWSTR templateUrl, BOOL autoDestroy) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE EndSession() = 0;
};

struct IWMRegisterCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Advise(IWMStatusCallback* callback, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(IWMStatusCallback* callback, void* context) = 0;
};

struct IConfigAsfWriter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileId(DWORD profileId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileId(DWORD* profileId) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileGuid(REFGUID profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileGuid(GUID* profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentProfile(IWMProfile** profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIndexMode(BOOL indexFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIndexMode(BOOL* indexFile) = 0;
};

// __uuidof for the interfaces declared here, so the COM pointers can query them.
#ifdef _MSC_VER
#define RVX_WMF_UUID(type, text, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    struct __declspec(uuid(text)) type;
#else
#define RVX_WMF_UUID(type, text, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    __CRT_UUID_DECL(type, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)
#endif
RVX_WMF_UUID(IWMWriterNetworkSink, "96406BE7-2B2B-11D3-B36B-00C04F6108FF", 0x96406BE7, 0x2B2B, 0x11D3, 0xB3, 0x6B,
             0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF)
RVX_WMF_UUID(IWMWriterPushSink, "DC10E6A5-072C-467D-BF57-6330A9DDE12A", 0xDC10E6A5, 0x072C, 0x467D, 0xBF, 0x57,
             0x63, 0x30, 0xA9, 0xDD, 0xE1, 0x2A)
RVX_WMF_UUID(IWMRegisterCallback, "CF4B1F99-4DE2-4E49-A363-252740D99BC1", 0xCF4B1F99, 0x4DE2, 0x4E49, 0xA3, 0x63,
             0x25, 0x27, 0x40, 0xD9, 0x9B, 0xC1)
RVX_WMF_UUID(IConfigAsfWriter, "45086030-F7E4-486A-B504-826BB5792A3B", 0x45086030, 0xF7E4, 0x486A, 0xB5, 0x04,
             0x82, 0x6B, 0xB5, 0x79, 0x2A, 0x3B)

namespace wmf {

typedef HRESULT(WINAPI* CreateProfileManagerFn)(IWMProfileManager** manager);
typedef HRESULT(WINAPI* CreateWriterNetworkSinkFn)(IWMWriterNetworkSink** sink);
typedef HRESULT(WINAPI* CreateWriterPushSinkFn)(IWMWriterPushSink** sink);

// The runtime's factories. Each answers the factory's own result, or
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND / ERROR_PROC_NOT_FOUND) when the runtime or the
// entry point is missing; the out pointer is then null.
HRESULT CreateProfileManager(IWMProfileManager** manager);
HRESULT CreateWriterNetworkSink(IWMWriterNetworkSink** sink);
HRESULT CreateWriterPushSink(IWMWriterPushSink** sink);

// Replaces the entry points (tests hand in their own sinks); null restores loading from
// wmvcore.dll. The module stays loaded for the life of the process once loaded.
struct EntryPoints {
    CreateProfileManagerFn createProfileManager = nullptr;
    CreateWriterNetworkSinkFn createWriterNetworkSink = nullptr;
    CreateWriterPushSinkFn createWriterPushSink = nullptr;
};
void SetEntryPoints(const EntryPoints* entries);

// The entry points of the module that is used (overridden or loaded); missing ones null.
EntryPoints CurrentEntryPoints();

}  // namespace wmf
