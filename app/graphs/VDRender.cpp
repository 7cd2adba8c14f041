#include "app/graphs/VDRender.h"

#include "app/graphs/VDRenderSupport.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <cstring>
#include <cwchar>
#include <new>

const CLSID CLSID_VDRender = {0x6BB2B2B4, 0xBB53, 0x4155, {0xAB, 0xC9, 0x9A, 0xB5, 0x72, 0xDE, 0x45, 0xFC}};

namespace {

class Guard {
public:
    explicit Guard(CRITICAL_SECTION& cs) : m_cs(cs) { EnterCriticalSection(&m_cs); }
    ~Guard() { LeaveCriticalSection(&m_cs); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};

void FreeType(AM_MEDIA_TYPE& mt)
{
    if (mt.pbFormat)
        CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk)
        mt.pUnk->Release();
    std::memset(&mt, 0, sizeof(mt));
}

HRESULT CopyType(const AM_MEDIA_TYPE& from, AM_MEDIA_TYPE* to)
{
    *to = from;
    to->pbFormat = nullptr;
    to->cbFormat = 0;
    if (from.pUnk)
        from.pUnk->AddRef();
    if (from.cbFormat && from.pbFormat) {
        to->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
        if (!to->pbFormat) {
            if (to->pUnk)
                to->pUnk->Release();
            to->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(to->pbFormat, from.pbFormat, from.cbFormat);
        to->cbFormat = from.cbFormat;
    }
    return S_OK;
}

// A fixed list of COM objects (pins or media types), enumerated.
template <class Enum, class Item, const IID& Iid>
class ListEnum final : public Enum {
public:
    using Make = HRESULT (*)(void* owner, ULONG index, Item* out);
    ListEnum(void* owner, ULONG count, Make make, ULONG pos, IUnknown* keep)
        : m_owner(owner), m_count(count), m_make(make), m_pos(pos), m_keep(keep)
    {
        if (m_keep)
            m_keep->AddRef();
    }
    ~ListEnum()
    {
        if (m_keep)
            m_keep->Release();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == Iid) {
            *ppv = static_cast<Enum*>(this);
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
    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (!items || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && m_pos < m_count) {
            const HRESULT hr = m_make(m_owner, m_pos, &items[n]);
            if (FAILED(hr))
                return hr;
            ++m_pos;
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const ULONG left = m_count - m_pos;
        m_pos = count >= left ? m_count : m_pos + count;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_pos = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Enum** e) override
    {
        if (!e)
            return E_POINTER;
        *e = new (std::nothrow) ListEnum(m_owner, m_count, m_make, m_pos, m_keep);
        return *e ? S_OK : E_OUTOFMEMORY;
    }

private:
    volatile LONG m_ref = 1;
    void* m_owner;
    ULONG m_count;
    Make m_make;
    ULONG m_pos;
    IUnknown* m_keep;
};

using PinList = ListEnum<IEnumPins, IPin*, IID_IEnumPins>;
using TypeList = ListEnum<IEnumMediaTypes, AM_MEDIA_TYPE*, IID_IEnumMediaTypes>;

HRESULT MakePin(void* owner, ULONG index, IPin** out)
{
    *out = static_cast<CVDRender*>(owner)->GetPin(static_cast<int>(index));
    if (!*out)
        return E_UNEXPECTED;
    (*out)->AddRef();
    return S_OK;
}

HRESULT MakeType(void* owner, ULONG, AM_MEDIA_TYPE** out)
{
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt)
        return E_OUTOFMEMORY;
    const HRESULT hr = CopyType(*static_cast<const AM_MEDIA_TYPE*>(owner), mt);
    if (FAILED(hr)) {
        CoTaskMemFree(mt);
        return hr;
    }
    *out = mt;
    return S_OK;
}

}  // namespace

// ---- CVDRenderInput ----------------------------------------------------------------------

CVDRenderInput::CVDRenderInput(CVDRender* filter, const wchar_t* name, bool video)
    : m_filter(filter), m_name(name), m_video(video)
{
}

CVDRenderInput::~CVDRenderInput()
{
    Disconnect();
}

HRESULT CVDRenderInput::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin*>(this);
    else if (riid == IID_IMemInputPin)
        *ppv = static_cast<IMemInputPin*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CVDRenderInput::AddRef()
{
    return m_filter->AddRef();
}

ULONG CVDRenderInput::Release()
{
    return m_filter->Release();
}

HRESULT CVDRenderInput::CheckMediaType(const AM_MEDIA_TYPE* pmt) const
{
    if (!pmt)
        return E_POINTER;
    return vd::CheckRenderType(m_video, *pmt);
}

HRESULT CVDRenderInput::GetMediaType(int position, vd::VdMediaType* type) const
{
    Guard lock(m_filter->Lock());
    if (!m_connected || position > 0)
        return VFW_S_NO_MORE_ITEMS;
    std::vector<uint8_t> reply;
    vd::BuildSetupReply(&m_mt, &reply);
    vd::DecodeSetupReply(reply.data() + vd::kLengthFieldSize, reply.size() - vd::kLengthFieldSize, type);
    return S_OK;
}

HRESULT CVDRenderInput::GetFormatBlock(std::vector<uint8_t>* reply) const
{
    Guard lock(m_filter->Lock());
    return vd::BuildSetupReply(m_connected ? &m_mt : nullptr, reply);
}

HRESULT CVDRenderInput::Connect(IPin*, const AM_MEDIA_TYPE*)
{
    return VFW_E_INVALID_DIRECTION;
}

HRESULT CVDRenderInput::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* pmt)
{
    if (!connector || !pmt)
        return E_POINTER;
    Guard lock(m_filter->Lock());
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_filter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (CheckMediaType(pmt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const HRESULT hr = CopyType(*pmt, &m_mt);
    if (FAILED(hr))
        return hr;
    m_connected = connector;
    m_connected->AddRef();
    return S_OK;
}

HRESULT CVDRenderInput::Disconnect()
{
    Guard lock(m_filter->Lock());
    if (!m_connected)
        return S_FALSE;
    m_connected->Release();
    m_connected = nullptr;
    FreeType(m_mt);
    if (m_allocator) {
        m_allocator->Release();
        m_allocator = nullptr;
    }
    return S_OK;
}

HRESULT CVDRenderInput::ConnectedTo(IPin** pin)
{
    if (!pin)
        return E_POINTER;
    Guard lock(m_filter->Lock());
    *pin = m_connected;
    if (!m_connected)
        return VFW_E_NOT_CONNECTED;
    m_connected->AddRef();
    return S_OK;
}

HRESULT CVDRenderInput::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    Guard lock(m_filter->Lock());
    if (!m_connected) {
        std::memset(pmt, 0, sizeof(*pmt));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyType(m_mt, pmt);
}

HRESULT CVDRenderInput::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = m_filter;
    m_filter->AddRef();
    info->dir = PINDIR_INPUT;
    wcsncpy(info->achName, m_name, MAX_PIN_NAME - 1);
    info->achName[MAX_PIN_NAME - 1] = 0;
    return S_OK;
}

HRESULT CVDRenderInput::QueryDirection(PIN_DIRECTION* dir)
{
    if (!dir)
        return E_POINTER;
    *dir = PINDIR_INPUT;
    return S_OK;
}

HRESULT CVDRenderInput::QueryId(LPWSTR* id)
{
    if (!id)
        return E_POINTER;
    const size_t bytes = (wcslen(m_name) + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id)
        return E_OUTOFMEMORY;
    std::memcpy(*id, m_name, bytes);
    return S_OK;
}

HRESULT CVDRenderInput::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    return CheckMediaType(pmt) == S_OK ? S_OK : S_FALSE;
}

HRESULT CVDRenderInput::EnumMediaTypes(IEnumMediaTypes** e)
{
    if (!e)
        return E_POINTER;
    Guard lock(m_filter->Lock());
    // The connection type while connected, nothing otherwise. The enumerator keeps the
    // filter alive; the type it copies from changes only on reconnection.
    *e = new (std::nothrow) TypeList(&m_mt, m_connected ? 1 : 0, &MakeType, 0, static_cast<IBaseFilter*>(m_filter));
    return *e ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVDRenderInput::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

HRESULT CVDRenderInput::EndOfStream()
{
    return S_OK;
}

HRESULT CVDRenderInput::BeginFlush()
{
    return S_OK;
}

HRESULT CVDRenderInput::EndFlush()
{
    return S_OK;
}

HRESULT CVDRenderInput::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

HRESULT CVDRenderInput::GetAllocator(IMemAllocator** allocator)
{
    if (!allocator)
        return E_POINTER;
    Guard lock(m_filter->Lock());
    if (!m_allocator) {
        const HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                            reinterpret_cast<void**>(&m_allocator));
        if (FAILED(hr))
            return hr;
    }
    *allocator = m_allocator;
    m_allocator->AddRef();
    return S_OK;
}

HRESULT CVDRenderInput::NotifyAllocator(IMemAllocator* allocator, BOOL)
{
    if (!allocator)
        return E_POINTER;
    Guard lock(m_filter->Lock());
    allocator->AddRef();
    if (m_allocator)
        m_allocator->Release();
    m_allocator = allocator;
    return S_OK;
}

HRESULT CVDRenderInput::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*)
{
    return E_NOTIMPL;
}

HRESULT CVDRenderInput::Receive(IMediaSample* sample)
{
    if (m_video)
        m_filter->SendVideoSample(sample);
    else
        m_filter->SendAudioSample(sample);
    return S_OK;
}

HRESULT CVDRenderInput::ReceiveMultiple(IMediaSample** samples, long count, long* processed)
{
    if (!samples || !processed)
        return E_POINTER;
    for (long i = 0; i < count; ++i)
        Receive(samples[i]);
    *processed = count;
    return S_OK;
}

HRESULT CVDRenderInput::ReceiveCanBlock()
{
    // Samples are only queued for the server thread; a slow client never blocks here.
    return S_FALSE;
}

// ---- CVDRender -----------------------------------------------------------------------------

CVDRender::CVDRender(LPUNKNOWN outer, uint16_t port, HRESULT* phr, vd::IVDServerObserver* observer)
    : m_port(vd::ListenPortOrDefault(port)), m_server(this, observer)
{
    InitializeCriticalSection(&m_lock);
    m_videoPin.reset(new CVDRenderInput(this, L"video", true));
    m_audioPin.reset(new CVDRenderInput(this, L"audio", false));
    if (outer) {
        // Created by the output graph itself, never aggregated.
        if (phr)
            *phr = CLASS_E_NOAGGREGATION;
        return;
    }
    const HRESULT hr = StartServer();
    if (phr && FAILED(hr))
        *phr = hr;
}

CVDRender::~CVDRender()
{
    StopServer();
    m_videoPin.reset();
    m_audioPin.reset();
    if (m_clock)
        m_clock->Release();
    DeleteCriticalSection(&m_lock);
}

HRESULT CVDRender::StartServer()
{
    m_serverStatus = m_server.Start(m_port);
    return m_serverStatus;
}

void CVDRender::StopServer()
{
    m_server.Stop();
}

CVDRenderInput* CVDRender::GetPin(int index)
{
    if (index == 0)
        return m_videoPin.get();
    if (index == 1)
        return m_audioPin.get();
    return nullptr;
}

bool CVDRender::BuildSetupReply(bool video, std::vector<uint8_t>* reply)
{
    return SUCCEEDED((video ? m_videoPin : m_audioPin)->GetFormatBlock(reply));
}

void CVDRender::SendVideoSample(IMediaSample* sample)
{
    vd::SendMediaSample(m_server, true, sample);
}

void CVDRender::SendAudioSample(IMediaSample* sample)
{
    vd::SendMediaSample(m_server, false, sample);
}

bool CVDRender::IsStopped()
{
    Guard lock(m_lock);
    return m_state == State_Stopped;
}

HRESULT CVDRender::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter) {
        *ppv = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CVDRender::AddRef()
{
    return InterlockedIncrement(&m_ref);
}

ULONG CVDRender::Release()
{
    const LONG n = InterlockedDecrement(&m_ref);
    if (n == 0)
        delete this;
    return n;
}

HRESULT CVDRender::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_VDRender;
    return S_OK;
}

HRESULT CVDRender::Stop()
{
    Guard lock(m_lock);
    m_state = State_Stopped;
    return S_OK;
}

HRESULT CVDRender::Pause()
{
    Guard lock(m_lock);
    m_state = State_Paused;
    return S_OK;
}

HRESULT CVDRender::Run(REFERENCE_TIME)
{
    Guard lock(m_lock);
    m_state = State_Running;
    return S_OK;
}

HRESULT CVDRender::GetState(DWORD, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    Guard lock(m_lock);
    *state = m_state;
    return S_OK;
}

HRESULT CVDRender::SetSyncSource(IReferenceClock* clock)
{
    Guard lock(m_lock);
    if (clock)
        clock->AddRef();
    if (m_clock)
        m_clock->Release();
    m_clock = clock;
    return S_OK;
}

HRESULT CVDRender::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    Guard lock(m_lock);
    *clock = m_clock;
    if (m_clock)
        m_clock->AddRef();
    return S_OK;
}

HRESULT CVDRender::EnumPins(IEnumPins** e)
{
    if (!e)
        return E_POINTER;
    *e = new (std::nothrow) PinList(this, 2, &MakePin, 0, static_cast<IBaseFilter*>(this));
    return *e ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVDRender::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin)
        return E_POINTER;
    *pin = nullptr;
    if (wcscmp(id, L"video") == 0)
        *pin = m_videoPin.get();
    else if (wcscmp(id, L"audio") == 0)
        *pin = m_audioPin.get();
    if (!*pin)
        return VFW_E_NOT_FOUND;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT CVDRender::QueryFilterInfo(FILTER_INFO* info)
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

HRESULT CVDRender::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
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

HRESULT CVDRender::QueryVendorInfo(LPWSTR*)
{
    return E_NOTIMPL;
}
