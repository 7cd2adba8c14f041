#include "testing/netsource/NetSourceStandIn.h"

#include <mutex>
#include <new>

namespace standin {

namespace {

// {6B6D0800-9ADA-11D0-A520-00A0D10129C0}
const CLSID kNetShowSource = {0x6B6D0800, 0x9ADA, 0x11D0, {0xA5, 0x20, 0x00, 0xA0, 0xD1, 0x01, 0x29, 0xC0}};

std::mutex g_lock;
std::wstring g_lastLoaded;

class CTimedStream : public CSourceStream
{
public:
    CTimedStream(HRESULT* phr, CSource* filter, LPCWSTR name, const CMediaType& type, long bytes, bool video)
        : CSourceStream(TEXT("NetStream"), phr, filter, name), type_(type), bytes_(bytes), video_(video)
    {
    }
    HRESULT GetMediaType(CMediaType* type) override { return type->Set(type_); }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = 2;
        request->cbBuffer = bytes_;
        request->cbAlign = 1;
        request->cbPrefix = 0;
        ALLOCATOR_PROPERTIES actual = {};
        HRESULT hr = allocator->SetProperties(request, &actual);
        return FAILED(hr) ? hr : (actual.cbBuffer >= bytes_ ? S_OK : E_FAIL);
    }
    HRESULT OnThreadStartPlay() override
    {
        n_ = 0;
        return S_OK;
    }
    HRESULT FillBuffer(IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        if (sample->GetSize() < bytes_)
            return E_FAIL;
        DWORD* words = reinterpret_cast<DWORD*>(data);
        for (long i = 0; i < bytes_ / 4; ++i)
            words[i] = video_ ? CStandInNetSource::kColour : DWORD(n_ * 0x10001);
        sample->SetActualDataLength(bytes_);
        REFERENCE_TIME start = REFERENCE_TIME(n_) * 400000, stop = start + 400000;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        ++n_;
        return S_OK;
    }

private:
    CMediaType type_;
    long bytes_;
    bool video_;
    DWORD n_ = 0;
};

} // namespace

CStandInNetSource::CStandInNetSource(HRESULT* phr) : CSource(TEXT("StandInNetSource"), nullptr, kNetShowSource, phr)
{
    const CMediaType video = Rgb32Type(kWidth, kHeight);
    new (std::nothrow) CTimedStream(phr, this, L"Video", video, long(video.lSampleSize), true);
    new (std::nothrow) CTimedStream(phr, this, L"Audio", ProgramPcmType(), 7056, false);
}

IUnknown* CStandInNetSource::Create(HRESULT* phr)
{
    CStandInNetSource* f = new (std::nothrow) CStandInNetSource(phr);
    if (!f)
        return nullptr;
    f->NonDelegatingAddRef();
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(f));
}

HRESULT STDMETHODCALLTYPE CStandInNetSource::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IFileSourceFilter)
        return GetInterface(static_cast<IFileSourceFilter*>(this), ppv);
    return CSource::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CStandInNetSource::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE*)
{
    if (!fileName)
        return E_POINTER;
    url_ = fileName;
    std::lock_guard<std::mutex> lock(g_lock);
    g_lastLoaded = url_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CStandInNetSource::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName)
        return E_POINTER;
    const size_t bytes = (url_.size() + 1) * sizeof(wchar_t);
    *fileName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*fileName)
        return E_OUTOFMEMORY;
    memcpy(*fileName, url_.c_str(), bytes);
    if (type)
        ZeroMemory(type, sizeof *type);
    return S_OK;
}

std::wstring CStandInNetSource::LastLoaded()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_lastLoaded;
}

CNetSourceStandIn::CNetSourceStandIn() : registration_(kNetShowSource, &CStandInNetSource::Create) {}

} // namespace standin
