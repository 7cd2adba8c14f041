// CVDRender: the renderer at the end of the virtual-device output graph. Its two input
// pins, "video" and "audio", hand every sample to the TCP frame server, which sends it to
// each virtual capture device that asked for that medium and is running.
//
// The filter and its pins speak the DirectShow interfaces directly; a pin's reference
// count is its filter's.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <strmif.h>

#include "app/graphs/VDFrameServer.h"
#include "app/graphs/VDWireFormat.h"

#include <memory>

// {6BB2B2B4-BB53-4155-ABC9-9AB572DE45FC}
extern const CLSID CLSID_VDRender;

class CVDRender;

class CVDRenderInput : public IPin, public IMemInputPin {
public:
    CVDRenderInput(CVDRender* filter, const wchar_t* name, bool video);
    ~CVDRenderInput();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* dir) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** e) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override;

    // IMemInputPin
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    // The pin's types: a video type must be RGB24; any other type is taken.
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* pmt) const;
    // Position 0 (or less) gives the connection type while connected.
    HRESULT GetMediaType(int position, vd::VdMediaType* type) const;
    // The set-up reply of the pin's connection type; VFW_E_NOT_CONNECTED without one.
    HRESULT GetFormatBlock(std::vector<uint8_t>* reply) const;
    bool IsVideo() const { return m_video; }

private:
    CVDRender* m_filter;
    const wchar_t* m_name;
    bool m_video;
    IPin* m_connected = nullptr;
    AM_MEDIA_TYPE m_mt = {};
    IMemAllocator* m_allocator = nullptr;
};

class CVDRender final : public IBaseFilter, private vd::IVDSetupSource {
public:
    // Starts the frame server on the port (0: the default port). A server that cannot
    // start (the port is taken) leaves a renderer without clients; phr says so. The
    // observer, when given, follows the server's clients (status displays, tests).
    CVDRender(LPUNKNOWN outer, uint16_t port, HRESULT* phr, vd::IVDServerObserver* observer = nullptr);
    ~CVDRender();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** e) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override;

    int GetPinCount() const { return 2; }
    CVDRenderInput* GetPin(int index);

    HRESULT StartServer();
    void StopServer();
    HRESULT ServerStatus() const { return m_serverStatus; }
    uint16_t ServerPort() const { return m_server.Port(); }

    // Called by the pins on the output graph's streaming thread.
    void SendVideoSample(IMediaSample* sample);
    void SendAudioSample(IMediaSample* sample);

    CRITICAL_SECTION& Lock() { return m_lock; }
    bool IsStopped();

private:
    bool BuildSetupReply(bool video, std::vector<uint8_t>* reply) override;

    volatile LONG m_ref = 1;
    CRITICAL_SECTION m_lock;
    FILTER_STATE m_state = State_Stopped;
    IReferenceClock* m_clock = nullptr;
    IFilterGraph* m_graph = nullptr;
    wchar_t m_name[128] = {};
    uint16_t m_port;
    HRESULT m_serverStatus = E_FAIL;
    std::unique_ptr<CVDRenderInput> m_videoPin;
    std::unique_ptr<CVDRenderInput> m_audioPin;
    vd::VDFrameServer m_server;
};
