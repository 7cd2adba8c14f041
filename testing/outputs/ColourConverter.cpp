#include "testing/outputs/ColourConverter.h"

#include <cstring>
#include <new>

namespace standin {

namespace {

volatile LONG g_converted = 0;

const VIDEOINFOHEADER* VideoInfo(const CMediaType& type)
{
    if (type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

LONG Stride24(LONG width)
{
    return (width * 3 + 3) & ~3;
}

class CConverterInput : public CBaseInputPin
{
public:
    CConverterInput(CStandInColourConverter* filter, CCritSec* lock, HRESULT* phr)
        : CBaseInputPin(TEXT("ConverterInput"), filter, lock, phr, L"Input"), converter_(filter)
    {
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (!type)
            return E_POINTER;
        CMediaType out;
        return CStandInColourConverter::OutputTypeFor(*type, &out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
    {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK)
            return hr;
        return converter_->Convert(sample);
    }

    HRESULT STDMETHODCALLTYPE EndOfStream() override
    {
        CBaseOutputPin* out = converter_->Output();
        return out->IsConnected() ? out->DeliverEndOfStream() : S_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginFlush() override
    {
        HRESULT hr = CBaseInputPin::BeginFlush();
        CBaseOutputPin* out = converter_->Output();
        if (SUCCEEDED(hr) && out->IsConnected())
            out->DeliverBeginFlush();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE EndFlush() override
    {
        CBaseOutputPin* out = converter_->Output();
        if (out->IsConnected())
            out->DeliverEndFlush();
        return CBaseInputPin::EndFlush();
    }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override
    {
        CBasePin::NewSegment(start, stop, rate);
        CBaseOutputPin* out = converter_->Output();
        return out->IsConnected() ? out->DeliverNewSegment(start, stop, rate) : S_OK;
    }

private:
    CStandInColourConverter* converter_;
};

class CConverterOutput : public CBaseOutputPin
{
public:
    CConverterOutput(CStandInColourConverter* filter, CCritSec* lock, HRESULT* phr)
        : CBaseOutputPin(TEXT("ConverterOutput"), filter, lock, phr, L"Output"), converter_(filter)
    {
    }

    // The output type follows the input connection; without it nothing is offered.
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        if (!type)
            return E_POINTER;
        CMediaType want;
        if (!converter_->Input()->IsConnected() ||
            !CStandInColourConverter::OutputTypeFor(converter_->Input()->CurrentMediaType(), &want))
            return VFW_E_TYPE_NOT_ACCEPTED;
        return *type == want ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0 || !converter_->Input()->IsConnected())
            return VFW_S_NO_MORE_ITEMS;
        return CStandInColourConverter::OutputTypeFor(converter_->Input()->CurrentMediaType(), type)
                   ? S_OK
                   : VFW_S_NO_MORE_ITEMS;
    }

    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = 2;
        request->cbBuffer = long(m_mt.lSampleSize);
        request->cbAlign = 1;
        request->cbPrefix = 0;
        ALLOCATOR_PROPERTIES actual = {};
        HRESULT hr = allocator->SetProperties(request, &actual);
        if (FAILED(hr))
            return hr;
        return actual.cbBuffer >= long(m_mt.lSampleSize) ? S_OK : E_FAIL;
    }

private:
    CStandInColourConverter* converter_;
};

} // namespace

CStandInColourConverter::CStandInColourConverter(HRESULT* phr)
    : CBaseFilter(TEXT("StandInColourConverter"), nullptr, &lock_, CLSID_Colour, phr)
{
    input_.reset(new CConverterInput(this, &lock_, phr));
    output_.reset(new CConverterOutput(this, &lock_, phr));
}

CStandInColourConverter::~CStandInColourConverter() = default;

IUnknown* CStandInColourConverter::Create(HRESULT* phr)
{
    CStandInColourConverter* f = new (std::nothrow) CStandInColourConverter(phr);
    if (!f)
        return nullptr;
    f->NonDelegatingAddRef();
    return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(f));
}

CBasePin* CStandInColourConverter::GetPin(int n)
{
    return n == 0 ? static_cast<CBasePin*>(input_.get()) : n == 1 ? output_.get() : nullptr;
}

CBasePin* CStandInColourConverter::Input() const
{
    return input_.get();
}

CBaseOutputPin* CStandInColourConverter::Output() const
{
    return output_.get();
}

bool CStandInColourConverter::OutputTypeFor(const CMediaType& input, CMediaType* output)
{
    const VIDEOINFOHEADER* in = VideoInfo(input);
    if (input.majortype != MEDIATYPE_Video || input.subtype != MEDIASUBTYPE_RGB32 || !in ||
        in->bmiHeader.biBitCount != 32 || in->bmiHeader.biWidth <= 0 || in->bmiHeader.biHeight == 0)
        return false;
    const LONG width = in->bmiHeader.biWidth;
    const LONG height = in->bmiHeader.biHeight < 0 ? -in->bmiHeader.biHeight : in->bmiHeader.biHeight;
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB24);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    *vih = *in;
    vih->bmiHeader.biBitCount = 24;
    vih->bmiHeader.biCompression = BI_RGB;
    vih->bmiHeader.biSizeImage = DWORD(Stride24(width) * height);
    vih->dwBitRate = DWORD(double(vih->bmiHeader.biSizeImage) * 8.0 * (in->AvgTimePerFrame > 0 ? 1e7 / double(in->AvgTimePerFrame) : 0.0));
    mt.SetSampleSize(vih->bmiHeader.biSizeImage);
    mt.SetTemporalCompression(FALSE);
    *output = mt;
    return true;
}

HRESULT CStandInColourConverter::Convert(IMediaSample* sample)
{
    if (!output_->IsConnected())
        return S_OK;
    const VIDEOINFOHEADER* in = VideoInfo(input_->CurrentMediaType());
    if (!in)
        return E_UNEXPECTED;
    const LONG width = in->bmiHeader.biWidth;
    const LONG height = in->bmiHeader.biHeight < 0 ? -in->bmiHeader.biHeight : in->bmiHeader.biHeight;
    BYTE* src = nullptr;
    if (FAILED(sample->GetPointer(&src)) || !src || sample->GetActualDataLength() < width * height * 4)
        return E_FAIL;
    IMediaSample* out = nullptr;
    HRESULT hr = output_->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* dst = nullptr;
    out->GetPointer(&dst);
    const LONG stride = Stride24(width);
    if (out->GetSize() < stride * height) {
        out->Release();
        return E_FAIL;
    }
    for (LONG y = 0; y < height; ++y) {
        const BYTE* s = src + size_t(y) * width * 4;
        BYTE* d = dst + size_t(y) * stride;
        for (LONG x = 0; x < width; ++x) {
            d[x * 3 + 0] = s[x * 4 + 0];
            d[x * 3 + 1] = s[x * 4 + 1];
            d[x * 3 + 2] = s[x * 4 + 2];
        }
        memset(d + width * 3, 0, size_t(stride - width * 3));
    }
    out->SetActualDataLength(stride * height);
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timed = sample->GetTime(&start, &stop);
    if (timed == S_OK)
        out->SetTime(&start, &stop);
    else if (timed == VFW_S_NO_STOP_TIME)
        out->SetTime(&start, nullptr);
    out->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    out->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
    InterlockedIncrement(&g_converted);
    hr = output_->Deliver(out);
    out->Release();
    return hr;
}

long CStandInColourConverter::Converted()
{
    return InterlockedCompareExchange(&g_converted, 0, 0);
}

void CStandInColourConverter::ResetConverted()
{
    InterlockedExchange(&g_converted, 0);
}

} // namespace standin
