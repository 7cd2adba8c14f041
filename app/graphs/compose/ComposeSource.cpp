#include "app/graphs/compose/ComposeSource.h"

#include <new>

const CLSID CLSID_ComposeSource = {0x005D7E14, 0xE871, 0x43EF, {0x97, 0x29, 0xBC, 0x17, 0xD0, 0x0A, 0x2F, 0x5A}};

CComposeSource::CComposeSource(HRESULT* phr) : CSource(TEXT("ComposeSource"), nullptr, CLSID_ComposeSource, phr)
{
    // The pins add themselves to the filter's list, video first.
    video_ = new (std::nothrow) CCSVideoOutputPin(phr, this, L"Video");
    audio_ = new (std::nothrow) CCSAudioOutputPin(phr, this, L"Audio");
    if ((!video_ || !audio_) && phr && SUCCEEDED(*phr))
        *phr = E_OUTOFMEMORY;
}

CComposeSource* CComposeSource::CreateInstance(HRESULT* phr)
{
    HRESULT hr = S_OK;
    CComposeSource* source = new (std::nothrow) CComposeSource(&hr);
    if (!source) {
        hr = E_OUTOFMEMORY;
    } else {
        source->NonDelegatingAddRef();
        if (FAILED(hr)) {
            source->NonDelegatingRelease();
            source = nullptr;
        }
    }
    if (phr)
        *phr = hr;
    return source;
}

CCSBaseOutputPin* CComposeSource::Pin(int index) const
{
    if (index == 0)
        return video_;
    if (index == 1)
        return audio_;
    return nullptr;
}

HRESULT CComposeSource::SetPinMediaType(int index, const AM_MEDIA_TYPE* type)
{
    CCSBaseOutputPin* pin = Pin(index);
    if (!pin)
        return E_INVALIDARG;
    return pin->SetOutputMediaType(type);
}

void CComposeSource::ActivatePins()
{
    if (video_)
        video_->SetActive(true);
    if (audio_)
        audio_->SetActive(true);
}

HRESULT CComposeSource::SetAllocatorRequest(int index, long buffers, long bufferSize, long alignment, long prefix)
{
    CCSBaseOutputPin* pin = Pin(index);
    if (!pin)
        return E_INVALIDARG;
    pin->SetAllocatorRequest(buffers, bufferSize, alignment, prefix);
    return S_OK;
}
