#include "filter/rvxvd/VDFilter.h"

#include "filter/rvxvd/VDPinSupport.h"

namespace vd {
namespace {

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

}  // namespace

CVDStream::CVDStream(HRESULT* phr, CVDBaseFilter* filter, VDClient* client, bool video, const VdMediaType& type,
                     const VdStreamTiming& timing)
    : CSourceStream(L"CVDStream", phr, filter, L"Capture"), m_video(video), m_type(type),
      m_core(client, type, timing)
{
}

CVDStream::~CVDStream() = default;

HRESULT CVDStream::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IAMStreamConfig)
        return GetInterface(static_cast<IAMStreamConfig*>(this), ppv);
    if (riid == IID_IKsPropertySet)
        return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
    return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CVDStream::GetMediaType(CMediaType* pmt)
{
    if (!pmt)
        return E_POINTER;
    AM_MEDIA_TYPE mt;
    HRESULT hr = ToAmMediaType(m_type, &mt);
    if (FAILED(hr))
        return hr;
    hr = pmt->Set(mt);
    if (mt.pbFormat)
        CoTaskMemFree(mt.pbFormat);
    return hr;
}

HRESULT CVDStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    if (!allocator || !request)
        return E_POINTER;
    // One buffer of the type's sample size: the device delivers one sample at a time.
    request->cBuffers = 1;
    request->cbBuffer = static_cast<long>(m_type.lSampleSize);
    if (request->cbAlign <= 0)
        request->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT CVDStream::Inactive()
{
    m_core.CancelWaits();
    const HRESULT hr = CSourceStream::Inactive();
    m_core.ClearCancel();
    return hr;
}

HRESULT CVDStream::FillBuffer(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    BYTE* buffer = nullptr;
    HRESULT hr = sample->GetPointer(&buffer);
    if (FAILED(hr))
        return hr;
    VdFilledSample filled;
    hr = m_core.Fill(buffer, static_cast<size_t>(sample->GetSize()), &filled);
    if (hr != S_OK)
        return hr;   // S_FALSE: a stop ended the wait; an error: the connection broke
    REFERENCE_TIME start = filled.start, stop = filled.stop;
    LONGLONG mediaStart = filled.mediaStart, mediaStop = filled.mediaStop;
    sample->SetActualDataLength(static_cast<long>(filled.length));
    sample->SetTime(&start, &stop);
    sample->SetMediaTime(&mediaStart, &mediaStop);
    sample->SetSyncPoint(TRUE);
    return S_OK;
}

HRESULT CVDStream::OnThreadCreate()
{
    return m_core.OnThreadCreate();
}

HRESULT CVDStream::OnThreadStartPlay()
{
    return m_core.OnThreadStartPlay();
}

HRESULT CVDStream::OnThreadDestroy()
{
    return m_core.OnThreadDestroy();
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

}  // namespace vd
