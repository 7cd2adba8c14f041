#include "filter/rvxvd/VDFilter.h"

#include "filter/rvxvd/VDHostFile.h"
#include "filter/rvxvd/VDPinSupport.h"
#include "filter/rvxvd/VDRegistration.h"

#include <uuids.h>
#include <vfwmsgs.h>
#include <evcode.h>

#include <cwchar>
#include <new>

namespace vd {
namespace {

volatile LONG g_filters = 0;

class Guard {
public:
    explicit Guard(CRITICAL_SECTION& cs) : m_cs(cs) { EnterCriticalSection(&m_cs); }
    ~Guard() { LeaveCriticalSection(&m_cs); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};

// The filter's only pin, enumerated.
class PinEnum final : public IEnumPins {
public:
    PinEnum(IPin* pin, ULONG pos) : m_pin(pin), m_pos(pos) { m_pin->AddRef(); }
    ~PinEnum() { m_pin->Release(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumPins) {
            *ppv = static_cast<IEnumPins*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_ref); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG n = InterlockedDecrement(&m_ref);
        if (n == 0)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override
    {
        if (!pins || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        if (count > 0 && m_pos == 0) {
            pins[0] = m_pin;
            m_pin->AddRef();
            n = 1;
            m_pos = 1;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const ULONG left = 1 - m_pos;
        m_pos = count >= left ? 1 : m_pos + count;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_pos = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** e) override
    {
        if (!e)
            return E_POINTER;
        *e = new (std::nothrow) PinEnum(m_pin, m_pos);
        return *e ? S_OK : E_OUTOFMEMORY;
    }

private:
    volatile LONG m_ref = 1;
    IPin* m_pin;
    ULONG m_pos;
};

}  // namespace

LONG CVDBaseFilter::Alive()
{
    return g_filters;
}

CVDBaseFilter::CVDBaseFilter(bool video) : m_video(video)
{
    InterlockedIncrement(&g_filters);
    InitializeCriticalSection(&m_lock);
    Guard lock(m_lock);
    VdMediaType served;
    VdStreamTiming timing;
    if (SUCCEEDED(m_client.Open(ReadHostFile(), video, &served)) && DeriveTiming(served, video, &timing)) {
        m_type = served;
    } else {
        // No server, or a type that cannot be streamed: the default type, blank samples.
        m_client.Close();
        m_type = video ? DefaultVideoType() : DefaultAudioType();
        DeriveTiming(m_type, video, &timing);
    }
    m_pin.reset(new CVDStream(this, &m_client, video, m_type, timing));
}

CVDBaseFilter::~CVDBaseFilter()
{
    if (m_pin)
        m_pin->Inactive();
    m_pin.reset();
    if (m_clock)
        m_clock->Release();
    DeleteCriticalSection(&m_lock);
    InterlockedDecrement(&g_filters);
}

HRESULT CVDBaseFilter::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter) {
        *ppv = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    // Capture programs ask the filter itself for the pin's stream settings and category.
    if (riid == IID_IAMStreamConfig || riid == IID_IKsPropertySet)
        return m_pin->QueryInterface(riid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CVDBaseFilter::AddRef()
{
    return InterlockedIncrement(&m_ref);
}

ULONG CVDBaseFilter::Release()
{
    const LONG n = InterlockedDecrement(&m_ref);
    if (n == 0)
        delete this;
    return n;
}

HRESULT CVDBaseFilter::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_video ? CLSID_RvxVirtualVideoDevice : CLSID_RvxVirtualAudioDevice;
    return S_OK;
}

HRESULT CVDBaseFilter::Stop()
{
    Guard lock(m_lock);
    HRESULT hr = S_OK;
    if (m_state != State_Stopped && m_pin->IsConnected())
        hr = m_pin->Inactive();
    m_state = State_Stopped;
    return hr;
}

HRESULT CVDBaseFilter::Pause()
{
    Guard lock(m_lock);
    if (m_state == State_Stopped && m_pin->IsConnected()) {
        const HRESULT hr = m_pin->Active();
        if (FAILED(hr))
            return hr;
    }
    m_state = State_Paused;
    return S_OK;
}

HRESULT CVDBaseFilter::Run(REFERENCE_TIME)
{
    Guard lock(m_lock);
    if (m_state == State_Stopped && m_pin->IsConnected()) {
        const HRESULT hr = m_pin->Active();
        if (FAILED(hr))
            return hr;
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT CVDBaseFilter::GetState(DWORD, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    Guard lock(m_lock);
    *state = m_state;
    return S_OK;
}

HRESULT CVDBaseFilter::SetSyncSource(IReferenceClock* clock)
{
    Guard lock(m_lock);
    if (clock)
        clock->AddRef();
    if (m_clock)
        m_clock->Release();
    m_clock = clock;
    return S_OK;
}

HRESULT CVDBaseFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    Guard lock(m_lock);
    *clock = m_clock;
    if (m_clock)
        m_clock->AddRef();
    return S_OK;
}

HRESULT CVDBaseFilter::EnumPins(IEnumPins** e)
{
    if (!e)
        return E_POINTER;
    *e = new (std::nothrow) PinEnum(m_pin.get(), 0);
    return *e ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVDBaseFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin)
        return E_POINTER;
    if (wcscmp(id, L"Capture") != 0) {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *pin = m_pin.get();
    (*pin)->AddRef();
    return S_OK;
}

HRESULT CVDBaseFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info)
        return E_POINTER;
    Guard lock(m_lock);
    wcsncpy(info->achName, m_name, MAX_FILTER_NAME - 1);
    info->achName[MAX_FILTER_NAME - 1] = 0;
    info->pGraph = m_graph;
    if (m_graph)
        m_graph->AddRef();
    return S_OK;
}

HRESULT CVDBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    Guard lock(m_lock);
    m_graph = graph;
    m_name[0] = 0;
    if (name) {
        wcsncpy(m_name, name, sizeof(m_name) / sizeof(m_name[0]) - 1);
        m_name[sizeof(m_name) / sizeof(m_name[0]) - 1] = 0;
    }
    return S_OK;
}

HRESULT CVDBaseFilter::QueryVendorInfo(LPWSTR*)
{
    return E_NOTIMPL;
}

void CVDBaseFilter::NotifyEvent(long code, LONG_PTR p1, LONG_PTR p2)
{
    // Not under the filter lock: a stop holds it while it waits for the streaming thread,
    // which is the one raising events. The graph changes only while the filter is stopped.
    IFilterGraph* graph = m_graph;
    if (!graph)
        return;
    graph->AddRef();
    IMediaEventSink* sink = nullptr;
    if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
        sink->Notify(code, p1, p2);
        sink->Release();
    }
    graph->Release();
}

}  // namespace vd
