// Stand-ins for what the test machines lack on the DV path: a camcorder (a capture device
// whose one pin delivers interleaved DV, with transport control), the DV splitter and the DV
// video decoder under their system class ids. Their "DV" is a private payload: a frame's
// colour and number and 40 ms of 44.1 kHz stereo PCM.
#pragma once

#include "testing/dv/StandInPins.h"

#include <memory>
#include <vector>

namespace standin {

// {5A3C1E2B-7D11-4F0A-9E61-2B7C4D9E0A11}
extern const CLSID CLSID_StandInDvCamcorder;

struct DvPayload
{
    DWORD magic;
    DWORD colour; // X8R8G8B8 of the whole picture
    DWORD frame;
    DWORD audioBytes;
    // 40 ms of 44.1 kHz 16-bit stereo
    BYTE audio[1764 * 4];
};
const DWORD kDvMagic = 0x31564452; // "RDV1"
const long kDvFrameBytes = 144000;
const LONG kDvWidth = 720;
const LONG kDvHeight = 576;

class CStandInDvCamcorder : public CSource, public CUnsupportedExtTransport
{
public:
    static IUnknown* Create(HRESULT* phr);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // Transport modes asked of the device, in order; shared by every instance.
    static std::vector<LONG> ModesAsked();
    static void ResetModes();

    // IAMExtTransport: the mode is kept.
    HRESULT STDMETHODCALLTYPE put_Mode(LONG mode) override;
    HRESULT STDMETHODCALLTYPE get_Mode(LONG* mode) override;

private:
    explicit CStandInDvCamcorder(HRESULT* phr);
    LONG mode_ = 0;
};

class CStandInDvSplitter : public CBaseFilter
{
public:
    static IUnknown* Create(HRESULT* phr);
    ~CStandInDvSplitter() override;
    int GetPinCount() override { return 3; }
    CBasePin* GetPin(int n) override;

private:
    explicit CStandInDvSplitter(HRESULT* phr);
    HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();

    CCritSec lock_;
    std::unique_ptr<CForwardingInputPin> input_;
    std::unique_ptr<CFixedOutputPin> video_;
    std::unique_ptr<CFixedOutputPin> audio_;
};

class CStandInDvDecoder : public CBaseFilter
{
public:
    static IUnknown* Create(HRESULT* phr);
    ~CStandInDvDecoder() override;
    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;

private:
    explicit CStandInDvDecoder(HRESULT* phr);
    HRESULT Receive(IMediaSample* sample);

    CCritSec lock_;
    std::unique_ptr<CForwardingInputPin> input_;
    std::unique_ptr<CFixedOutputPin> output_;
};

// The DV video type between splitter and decoder.
CMediaType DvVideoType();

// Registers the three classes in this process and the camcorder as a video capture device
// named "Microsoft DV Camera and VCR" (with an optional DevicePath); undone on destruction.
class CDvStandIns
{
public:
    explicit CDvStandIns(const wchar_t* devicePath = nullptr);
    ~CDvStandIns();
    HRESULT Result() const { return hr_; }
    static const wchar_t* DeviceName() { return L"Microsoft DV Camera and VCR"; }

private:
    CClassRegistration camcorder_;
    CClassRegistration splitter_;
    CClassRegistration decoder_;
    HRESULT hr_ = E_FAIL;
};

// Adds (or removes) a filter class as a device of a category under a friendly name, with an
// optional DevicePath property.
HRESULT RegisterDevice(const CLSID& category, const CLSID& clsid, const wchar_t* name, const wchar_t* devicePath);
HRESULT UnregisterDevice(const CLSID& category, const CLSID& clsid, const wchar_t* name);

} // namespace standin
