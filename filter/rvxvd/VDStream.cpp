#include "filter/rvxvd/VDFilter.h"

#include "filter/rvxvd/VDPinSupport.h"

#include <uuids.h>
#include <vfwmsgs.h>
#include <evcode.h>

#include <cwchar>
#include <new>

namespace vd {
namespace {

const wchar_t kPinName[] = L"Capture";

AM_MEDIA_TYPE* NewAmMediaType(const VdMediaType& type)
{
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt)
        return nullptr;
    if (FAILED(ToAmMediaType(type, mt))) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

void FreeAmMediaType(AM_MEDIA_TYPE& mt)
{
    if (mt.pbFormat)
        CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk)
        mt.pUnk->Release();
    mt.pbFormat = nullptr;
    mt.pUnk = nullptr;
    mt.cbFormat = 0;
}

// The pin's one media type, enumerated.
class TypeEnum final : public IEnumMediaTypes {
public:
    TypeEnum(const VdMediaType& type, ULONG pos) : m_type(type), m_pos(pos) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
            *ppv = static_cast<IEnumMediaTypes*>(this);
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
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override
    {
        if (!types || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        if (count > 0 && m_pos == 0) {
            types[0] = NewAmMediaType(m_type);
            if (!types[0])
                return E_OUTOFMEMORY;
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
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** e) override
    {
        if (!e)
            return E_POINTER;
        *e = new (std::nothrow) TypeEnum(m_type, m_pos);
        return *e ? S_OK : E_OUTOFMEMORY;
    }

private:
    volatile LONG m_ref = 1;
    VdMediaType m_type;
    ULONG m_pos;
};

}  // namespace

CVDStream::CVDStream(CVDBaseFilter* filter, VDClient* client, bool video, const VdMediaType& type,
                     const VdStreamTiming& timing)
    : m_filter(filter), m_video(video), m_type(type), m_core(client, type, timing)
{
}

CVDStream::~CVDStream()
{
    Inactive();
    ReleaseConnection();
}

HRESULT CVDStream::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin*>(this);
    else if (riid == IID_IAMStreamConfig)
        *ppv = static_cast<IAMStreamConfig*>(this);
    else if (riid == IID_IKsPropertySet)
        *ppv = static_cast<IKsPropertySet*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CVDStream::AddRef()
{
    return m_filter->AddRef();
}

ULONG CVDStream::Release()
{
    return m_filter->Release();
}

bool CVDStream::Accepts(const AM_MEDIA_TYPE* pmt) const
{
    if (!pmt)
        return true;
    auto matches = [](const GUID& want, const GUID& have) {
        return IsEqualGUID(want, GUID_NULL) || IsEqualGUID(want, have);
    };
    if (!matches(pmt->majortype, m_type.majortype) || !matches(pmt->subtype, m_type.subtype) ||
        !matches(pmt->formattype, m_type.formattype))
        return false;
    // A fully given type must carry exactly the pin's format block.
    if (!IsEqualGUID(pmt->formattype, GUID_NULL) && pmt->cbFormat) {
        if (pmt->cbFormat != m_type.format.size() || !pmt->pbFormat ||
            memcmp(pmt->pbFormat, m_type.format.data(), pmt->cbFormat) != 0)
            return false;
    }
    return true;
}

HRESULT CVDStream::Connect(IPin* receivePin, const AM_MEDIA_TYPE* pmt)
{
    if (!receivePin)
        return E_POINTER;
    CRITICAL_SECTION& lock = m_filter->Lock();
    EnterCriticalSection(&lock);
    HRESULT hr = S_OK;
    if (m_connected)
        hr = VFW_E_ALREADY_CONNECTED;
    else if (m_thread)
        hr = VFW_E_NOT_STOPPED;
    else if (!Accepts(pmt))
        hr = VFW_E_TYPE_NOT_ACCEPTED;
    AM_MEDIA_TYPE mt = {};
    if (SUCCEEDED(hr))
        hr = ToAmMediaType(m_type, &mt);
    if (SUCCEEDED(hr)) {
        hr = receivePin->ReceiveConnection(this, &mt);
        if (FAILED(hr))
            hr = VFW_E_NO_ACCEPTABLE_TYPES;
    }
    FreeAmMediaType(mt);
    if (SUCCEEDED(hr)) {
        m_connected = receivePin;
        m_connected->AddRef();
        IMemInputPin* input = nullptr;
        hr = receivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
        if (SUCCEEDED(hr)) {
            m_input = input;
            hr = DecideAllocator(input);
        }
        if (FAILED(hr)) {
            receivePin->Disconnect();
            ReleaseConnection();
        }
    }
    LeaveCriticalSection(&lock);
    return hr;
}

HRESULT CVDStream::DecideAllocator(IMemInputPin* input)
{
    ALLOCATOR_PROPERTIES want = {};
    input->GetAllocatorRequirements(&want);
    IMemAllocator* allocator = nullptr;
    HRESULT hr = input->GetAllocator(&allocator);
    if (FAILED(hr))
        hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                              reinterpret_cast<void**>(&allocator));
    if (FAILED(hr))
        return hr;
    // One buffer of the type's sample size: the device delivers one sample at a time.
    want.cBuffers = 1;
    want.cbBuffer = static_cast<long>(m_type.lSampleSize);
    if (want.cbAlign <= 0)
        want.cbAlign = 1;
    ALLOCATOR_PROPERTIES got = {};
    hr = allocator->SetProperties(&want, &got);
    if (SUCCEEDED(hr) && got.cbBuffer < want.cbBuffer)
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = input->NotifyAllocator(allocator, FALSE);
    if (FAILED(hr)) {
        allocator->Release();
        return hr;
    }
    m_allocator = allocator;
    return S_OK;
}

void CVDStream::ReleaseConnection()
{
    if (m_allocator) {
        m_allocator->Release();
        m_allocator = nullptr;
    }
    if (m_input) {
        m_input->Release();
        m_input = nullptr;
    }
    if (m_connected) {
        m_connected->Release();
        m_connected = nullptr;
    }
}

HRESULT CVDStream::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    return VFW_E_INVALID_DIRECTION;
}

HRESULT CVDStream::Disconnect()
{
    CRITICAL_SECTION& lock = m_filter->Lock();
    EnterCriticalSection(&lock);
    HRESULT hr = S_FALSE;
    if (m_thread) {
        hr = VFW_E_NOT_STOPPED;
    } else if (m_connected) {
        ReleaseConnection();
        hr = S_OK;
    }
    LeaveCriticalSection(&lock);
    return hr;
}

HRESULT CVDStream::ConnectedTo(IPin** pin)
{
    if (!pin)
        return E_POINTER;
    *pin = m_connected;
    if (!m_connected)
        return VFW_E_NOT_CONNECTED;
    m_connected->AddRef();
    return S_OK;
}

HRESULT CVDStream::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    if (!m_connected) {
        memset(pmt, 0, sizeof(*pmt));
        return VFW_E_NOT_CONNECTED;
    }
    return ToAmMediaType(m_type, pmt);
}

HRESULT CVDStream::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = m_filter;
    m_filter->AddRef();
    info->dir = PINDIR_OUTPUT;
    wcsncpy(info->achName, kPinName, MAX_PIN_NAME - 1);
    info->achName[MAX_PIN_NAME - 1] = 0;
    return S_OK;
}

HRESULT CVDStream::QueryDirection(PIN_DIRECTION* dir)
{
    if (!dir)
        return E_POINTER;
    *dir = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT CVDStream::QueryId(LPWSTR* id)
{
    if (!id)
        return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(kPinName)));
    if (!*id)
        return E_OUTOFMEMORY;
    memcpy(*id, kPinName, sizeof(kPinName));
    return S_OK;
}

HRESULT CVDStream::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    return pmt && Accepts(pmt) && !IsEqualGUID(pmt->majortype, GUID_NULL) ? S_OK : S_FALSE;
}

HRESULT CVDStream::EnumMediaTypes(IEnumMediaTypes** e)
{
    if (!e)
        return E_POINTER;
    *e = new (std::nothrow) TypeEnum(m_type, 0);
    return *e ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVDStream::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

HRESULT CVDStream::EndOfStream()
{
    return E_UNEXPECTED;
}

HRESULT CVDStream::BeginFlush()
{
    return E_UNEXPECTED;
}

HRESULT CVDStream::EndFlush()
{
    return E_UNEXPECTED;
}

HRESULT CVDStream::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

HRESULT CVDStream::SetFormat(AM_MEDIA_TYPE*)
{
    return E_NOTIMPL;
}

HRESULT CVDStream::GetFormat(AM_MEDIA_TYPE** pmt)
{
    if (!pmt)
        return E_POINTER;
    *pmt = NewAmMediaType(m_type);
    return *pmt ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVDStream::GetNumberOfCapabilities(int* count, int* size)
{
    if (!count || !size)
        return E_POINTER;
    *count = 1;
    *size = m_video ? sizeof(VIDEO_STREAM_CONFIG_CAPS) : sizeof(AUDIO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT CVDStream::GetStreamCaps(int index, AM_MEDIA_TYPE** pmt, BYTE* caps)
{
    if (index != 0)
        return E_INVALIDARG;
    if (!pmt || !caps)
        return E_POINTER;
    *pmt = NewAmMediaType(m_type);
    if (!*pmt)
        return E_OUTOFMEMORY;
    if (m_video)
        FillVideoCaps(m_type, reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(caps));
    else
        FillAudioCaps(m_type, reinterpret_cast<AUDIO_STREAM_CONFIG_CAPS*>(caps));
    return S_OK;
}

HRESULT CVDStream::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CVDStream::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD cb, DWORD* ret)
{
    return GetPinCategory(set, id, data, cb, ret);
}

HRESULT CVDStream::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    return QueryPinCategorySupport(set, id, support);
}

HRESULT CVDStream::Active()
{
    if (m_thread)
        return S_FALSE;
    if (!m_allocator || !m_input)
        return VFW_E_NOT_CONNECTED;
    HRESULT hr = m_allocator->Commit();
    if (FAILED(hr))
        return hr;
    m_core.ClearCancel();
    m_thread = CreateThread(nullptr, 0, &CVDStream::ThreadProc, this, 0, nullptr);
    if (!m_thread) {
        m_allocator->Decommit();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CVDStream::Inactive()
{
    if (!m_thread)
        return S_OK;
    // Ends a wait on the server or the timer, and a wait for a free buffer.
    m_core.CancelWaits();
    if (m_allocator)
        m_allocator->Decommit();
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
    m_core.ClearCancel();
    return S_OK;
}

DWORD WINAPI CVDStream::ThreadProc(void* self)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<CVDStream*>(self)->StreamLoop();
    CoUninitialize();
    return 0;
}

void CVDStream::StreamLoop()
{
    if (FAILED(m_core.OnThreadCreate())) {
        m_core.OnThreadDestroy();
        m_filter->NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
        return;
    }
    m_core.OnThreadStartPlay();
    for (;;) {
        IMediaSample* sample = nullptr;
        if (FAILED(m_allocator->GetBuffer(&sample, nullptr, nullptr, 0)))
            break;   // decommitted: the filter is stopping
        BYTE* buffer = nullptr;
        VdFilledSample filled;
        HRESULT hr = sample->GetPointer(&buffer);
        if (SUCCEEDED(hr))
            hr = m_core.Fill(buffer, static_cast<size_t>(sample->GetSize()), &filled);
        if (hr == S_OK) {
            REFERENCE_TIME start = filled.start, stop = filled.stop;
            LONGLONG mediaStart = filled.mediaStart, mediaStop = filled.mediaStop;
            sample->SetActualDataLength(static_cast<long>(filled.length));
            sample->SetTime(&start, &stop);
            sample->SetMediaTime(&mediaStart, &mediaStop);
            sample->SetSyncPoint(TRUE);
            hr = m_input->Receive(sample);
            sample->Release();
            if (hr != S_OK)
                break;   // downstream stopped or refused: streaming ends quietly
            continue;
        }
        sample->Release();
        if (hr == S_FALSE)
            break;   // a stop ended the wait
        // The connection broke: the graph hears of it, and the stream ends.
        m_connected->EndOfStream();
        m_filter->NotifyEvent(EC_ERRORABORT, hr, 0);
        break;
    }
    m_core.OnThreadDestroy();
}

}  // namespace vd
