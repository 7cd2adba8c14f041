// Stand-ins for what the test machines lack on the DV output path: the DV video encoder
// (a video compressor named "DV Video Encoder"), the DV multiplexer under its system class
// id, and DV decks on the FireWire bus (kernel-streaming render devices with external-device
// and transport control) whose answers a test scripts. They pass the private "DV" payload of
// the DV input stand-ins: a frame's colour and number and the audio that came with it.
#pragma once

#include "testing/dv/DvStandIns.h"

#include <memory>
#include <string>
#include <vector>

namespace standin {

// {8E1F4C2A-3B6D-4E57-A1C9-5D2E7F0B3A41}
extern const CLSID CLSID_StandInDvEncoder;

// The kernel-streaming render category the decks are listed in.
extern const GUID kDeckCategory;

// ---- encoder

struct DvEncoderSettings {
    int videoFormat = 0;
    int dvFormat = 0;
    int resolution = 0;
    BYTE withDvInfo = 0;
    bool dvInfoGiven = false;
};

class CStandInDvEncoder : public CBaseFilter, public IDVEnc
{
public:
    static IUnknown* Create(HRESULT* phr);
    ~CStandInDvEncoder() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;

    HRESULT STDMETHODCALLTYPE get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution, BYTE withDvInfo,
                                                    DVINFO* info) override;
    HRESULT STDMETHODCALLTYPE put_IFormatResolution(int videoFormat, int dvFormat, int resolution, BYTE withDvInfo,
                                                    DVINFO* info) override;

    // What put_IFormatResolution was last given by any instance, and how often it was called.
    static DvEncoderSettings LastSettings();
    static int SettingsCalls();
    static void Reset();

private:
    explicit CStandInDvEncoder(HRESULT* phr);
    HRESULT Receive(IMediaSample* sample);

    CCritSec lock_;
    std::unique_ptr<CForwardingInputPin> input_;
    std::unique_ptr<CFixedOutputPin> output_;
    DvEncoderSettings settings_;
    DWORD frames_ = 0;
};

// ---- multiplexer

class CStandInDvMux : public CBaseFilter
{
public:
    static IUnknown* Create(HRESULT* phr);
    ~CStandInDvMux() override;
    int GetPinCount() override { return 3; }
    CBasePin* GetPin(int n) override;

    // Audio bytes received by any instance since the stand-ins were registered; waits (on
    // an event, up to timeoutMs) until at least bytes have come.
    static bool WaitForAudio(DWORD bytes, DWORD timeoutMs);
    static void Reset();

private:
    explicit CStandInDvMux(HRESULT* phr);
    HRESULT ReceiveVideo(IMediaSample* sample);
    HRESULT ReceiveAudio(IMediaSample* sample);

    CCritSec lock_;
    std::mutex audioLock_;
    std::vector<BYTE> audio_; // received and not yet sent with a frame
    std::unique_ptr<CForwardingInputPin> video_;
    std::unique_ptr<CForwardingInputPin> audioIn_;
    std::unique_ptr<CFixedOutputPin> output_;
};

// ---- audio compression manager wrapper

// Where the program's PCM needs no codec the wrapper passes it on unchanged. The platform's
// wrapper under Wine takes compressed audio only and refuses PCM, so the tests use this one.
class CStandInAcmWrapper : public CTransInPlaceFilter
{
public:
    static IUnknown* Create(HRESULT* phr);
    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT Transform(IMediaSample*) override { return S_OK; }

private:
    explicit CStandInAcmWrapper(HRESULT* phr);
};

// The interleaved DV type the multiplexer sends and a deck takes.
CMediaType InterleavedDvType();

// ---- decks

const int kDeckSlots = 3;

// An answer to GetStatus(medium) other than "no medium": a tape is in.
const LONG kDeckTapeInserted = 5022;

// How the deck of one slot answers; read at every call, so a test may change it.
struct DeckScript {
    bool hasExtDevice = true;
    HRESULT capabilityResult = S_OK;
    LONG deviceType = 4104; // VCR
    HRESULT statusResult = S_OK;
    LONG medium = kDeckTapeInserted;
    LONG signal = 5040; // 625/50
};

// What the decks of one slot were told and given.
struct DeckRecord {
    std::vector<LONG> modes;
    // Whether the deck was still in a graph when each mode was set.
    std::vector<bool> modeInGraph;
    std::vector<DWORD> frames;  // payload frame numbers, in arrival order
    std::vector<DWORD> colours; // payload colours
    DWORD audioBytes = 0;       // audio carried by the frames
};

class CStandInDvDeck : public CBaseFilter, public IAMExtDevice, public CUnsupportedExtTransport, public IAMFilterMiscFlags
{
public:
    static IUnknown* Create(int slot, HRESULT* phr);
    ~CStandInDvDeck() override;
    static const CLSID& ClassId(int slot);

    static void SetScript(int slot, const DeckScript& script);
    static DeckRecord Record(int slot);
    // Waits (on an event, up to timeoutMs) until the slot has received count frames.
    static bool WaitForFrames(int slot, size_t count, DWORD timeoutMs);
    static void Reset();

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;

    // One answer for both interfaces: only the device type is known.
    HRESULT STDMETHODCALLTYPE GetCapability(LONG capability, LONG* value, double* number) override;

    // IAMExtDevice
    HRESULT STDMETHODCALLTYPE get_ExternalDeviceID(LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ExternalDeviceVersion(LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_DevicePower(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DevicePower(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Calibrate(HEVENT, LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_DevicePort(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DevicePort(LONG*) override { return E_NOTIMPL; }

    // IAMExtTransport: status and mode as scripted and recorded; the rest is not supported.
    HRESULT STDMETHODCALLTYPE GetStatus(LONG item, LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_Mode(LONG mode) override;
    HRESULT STDMETHODCALLTYPE get_Mode(LONG* mode) override;

    // IAMFilterMiscFlags: the deck ends its stream, as a renderer does.
    ULONG STDMETHODCALLTYPE GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

private:
    CStandInDvDeck(int slot, HRESULT* phr);
    HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();

    int slot_;
    CCritSec lock_;
    std::unique_ptr<CForwardingInputPin> input_;
    LONG mode_ = 0;
};

// ---- registration

// Adds a device to a category under its own instance key (so several devices may share a
// friendly name), with an optional description; removed again on destruction.
class CDeviceEntry
{
public:
    CDeviceEntry(const GUID& category, const CLSID& clsid, const wchar_t* instance, const wchar_t* friendlyName,
                 const wchar_t* description = nullptr);
    ~CDeviceEntry();
    CDeviceEntry(const CDeviceEntry&) = delete;
    CDeviceEntry& operator=(const CDeviceEntry&) = delete;
    HRESULT Result() const { return hr_; }
    // Removes an entry a run that ended early may have left behind.
    static HRESULT Remove(const GUID& category, const CLSID& clsid, const wchar_t* instance);

private:
    GUID category_;
    CLSID clsid_;
    std::wstring instance_;
    HRESULT hr_ = E_FAIL;
};

// The encoder, the multiplexer, the ACM wrapper and the deck classes registered in this process, and the
// encoder listed as the video compressor "DV Video Encoder". Decks are listed by the test
// (CDeviceEntry with CStandInDvDeck::ClassId). The recorded state is cleared.
class CDvOutStandIns
{
public:
    CDvOutStandIns();
    ~CDvOutStandIns();
    HRESULT Result() const { return hr_; }

private:
    CClassRegistration encoder_;
    CClassRegistration mux_;
    CClassRegistration acm_;
    std::vector<std::unique_ptr<CClassRegistration>> decks_;
    std::unique_ptr<CDeviceEntry> encoderEntry_;
    HRESULT hr_ = E_FAIL;
};

} // namespace standin
