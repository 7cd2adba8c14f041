// The two virtual capture devices: a source filter (CVDBaseFilter) with one output pin
// "Capture" (CVDStream) that delivers what the program's frame server sends, or blank
// samples at the type's rate when there is no server.
//
// The filter and its pin speak the DirectShow interfaces directly; the pin's reference
// count is the filter's, as a pin lives exactly as long as its filter.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <strmif.h>

#include "filter/rvxvd/VDClient.h"
#include "filter/rvxvd/VDMediaFormat.h"
#include "filter/rvxvd/VDStreamCore.h"

#include <memory>

namespace vd {

class CVDBaseFilter;

class CVDStream : public IPin, public IAMStreamConfig, public IKsPropertySet {
public:
    CVDStream(CVDBaseFilter* filter, VDClient* client, bool video, const VdMediaType& type,
              const VdStreamTiming& timing);
    ~CVDStream();

    // IUnknown: the filter's count; QueryInterface answers the pin's own interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override;
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

    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** pmt) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** pmt, BYTE* caps) override;

    // IKsPropertySet
    HRESULT STDMETHODCALLTYPE Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD cb, DWORD* ret) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // Called by the filter under its lock: stopped -> paused starts streaming, back to
    // stopped ends it (a wait on the server or the timer is cancelled first).
    HRESULT Active();
    HRESULT Inactive();
    bool IsConnected() const { return m_connected != nullptr; }

private:
    static DWORD WINAPI ThreadProc(void* self);
    void StreamLoop();
    HRESULT DecideAllocator(IMemInputPin* input);
    void ReleaseConnection();
    bool Accepts(const AM_MEDIA_TYPE* pmt) const;

    CVDBaseFilter* m_filter;
    bool m_video;
    VdMediaType m_type;
    VDStreamCore m_core;
    IPin* m_connected = nullptr;
    IMemInputPin* m_input = nullptr;
    IMemAllocator* m_allocator = nullptr;
    HANDLE m_thread = nullptr;
};

class CVDBaseFilter final : public IBaseFilter {
public:
    // Reads the host file, connects and asks the server for the medium's type; without a
    // usable answer the device offers its default type.
    explicit CVDBaseFilter(bool video);
    ~CVDBaseFilter();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD ms, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** e) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

    // Raises an event in the graph the filter belongs to (streaming errors).
    void NotifyEvent(long code, LONG_PTR p1, LONG_PTR p2);
    CRITICAL_SECTION& Lock() { return m_lock; }
    bool IsVideo() const { return m_video; }
    const VdMediaType& Type() const { return m_type; }

    // Filters alive in this module, for DllCanUnloadNow.
    static LONG Alive();

private:
    volatile LONG m_ref = 1;
    bool m_video;
    CRITICAL_SECTION m_lock;
    FILTER_STATE m_state = State_Stopped;
    IReferenceClock* m_clock = nullptr;
    IFilterGraph* m_graph = nullptr;   // not counted: the graph holds the filter
    wchar_t m_name[128] = {};
    VDClient m_client;
    VdMediaType m_type;
    std::unique_ptr<CVDStream> m_pin;
};

}  // namespace vd
