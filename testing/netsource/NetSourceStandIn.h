// A stand-in for the network source (NetShow) filter, under its system class id: it opens
// any address and streams numbered 320 x 240 RGB32 frames at 25 fps and 44.1 kHz stereo PCM
// in 40 ms blocks, both time-stamped from zero.
#pragma once

#include "testing/dv/StandInPins.h"

#include <string>

namespace standin {

class CStandInNetSource : public CSource, public IFileSourceFilter
{
public:
    static IUnknown* Create(HRESULT* phr);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IFileSourceFilter
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

    // The address the last instance was asked to open.
    static std::wstring LastLoaded();

    static const LONG kWidth = 320;
    static const LONG kHeight = 240;
    static const DWORD kColour = 0x002060A0;

private:
    explicit CStandInNetSource(HRESULT* phr);
    std::wstring url_;
};

// Registers the stand-in for the network source's class id in this process.
class CNetSourceStandIn
{
public:
    CNetSourceStandIn();
    HRESULT Result() const { return registration_.Result(); }

private:
    CClassRegistration registration_;
};

} // namespace standin
