// Small pieces the stand-in filters share: a fixed-type output pin, an input pin that hands
// samples to its filter, and in-process class registration (the class ids resolve inside
// the test process only, never through the registry).
#pragma once

#include <streams.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace standin {

// An output pin offering one type, with buffers of a fixed size.
class CFixedOutputPin : public CBaseOutputPin
{
public:
    CFixedOutputPin(CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name, const CMediaType& type,
                    long bufferSize, long buffers = 2);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // A buffer filled by fill(data, size) -> actual length, delivered with the given times
    // (none when start is null).
    HRESULT DeliverFilled(const std::function<long(BYTE*, long)>& fill, const REFERENCE_TIME* start,
                          const REFERENCE_TIME* stop);

    // Delivery from the pin's own thread, as a splitter's outputs do: a renderer holding its
    // first sample while the graph pauses must not keep the other outputs from theirs.
    void DeliverFromOwnThread() { queued_ = true; }
    HRESULT Active() override;
    HRESULT Inactive() override;

private:
    void Worker();

    CMediaType type_;
    long bufferSize_;
    long buffers_;
    bool queued_ = false;
    std::thread worker_;
    std::mutex queueLock_;
    std::condition_variable queueReady_;
    std::deque<IMediaSample*> queue_;
    bool stopping_ = false;
};

// An input pin accepting one major type and subtype, handing every sample to receive().
class CForwardingInputPin : public CBaseInputPin
{
public:
    CForwardingInputPin(CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name, const GUID& major,
                        const GUID& subtype, std::function<HRESULT(IMediaSample*)> receive,
                        std::function<HRESULT()> endOfStream);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;

private:
    GUID major_, subtype_;
    std::function<HRESULT(IMediaSample*)> receive_;
    std::function<HRESULT()> endOfStream_;
};

// IAMExtTransport with every operation unsupported: a stand-in device overrides only what
// its tests script.
class CUnsupportedExtTransport : public IAMExtTransport
{
public:
    HRESULT STDMETHODCALLTYPE GetCapability(LONG, LONG*, double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MediaState(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MediaState(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_LocalControl(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_LocalControl(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTransportBasicParameters(LONG, LONG*, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTransportBasicParameters(LONG, LONG, LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTransportVideoParameters(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTransportVideoParameters(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTransportAudioParameters(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTransportAudioParameters(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Rate(double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Rate(double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChase(LONG*, LONG*, HEVENT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChase(LONG, LONG, HEVENT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBump(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBump(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AntiClogControl(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AntiClogControl(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEditPropertySet(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetEditPropertySet(LONG*, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEditProperty(LONG, LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetEditProperty(LONG, LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_EditStart(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_EditStart(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Mode(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Mode(LONG*) override { return E_NOTIMPL; }

protected:
    ~CUnsupportedExtTransport() = default;
};

// Registers a class object for clsid in this process; Revoke undoes it.
class CClassRegistration
{
public:
    using Create = std::function<IUnknown*(HRESULT*)>;
    CClassRegistration(const CLSID& clsid, Create create);
    ~CClassRegistration();
    CClassRegistration(const CClassRegistration&) = delete;
    CClassRegistration& operator=(const CClassRegistration&) = delete;
    HRESULT Result() const { return hr_; }

private:
    DWORD cookie_ = 0;
    HRESULT hr_ = E_FAIL;
    IClassFactory* factory_ = nullptr;
};

// 44.1 kHz 16-bit stereo PCM, the program's audio format; samples of sampleSize bytes (one
// block unless the program's chunk is meant).
CMediaType ProgramPcmType(DWORD rate = 44100, ULONG sampleSize = 4);
// An uncompressed top-down RGB32 video type.
CMediaType Rgb32Type(LONG width, LONG height, REFERENCE_TIME frameInterval = 400000);

} // namespace standin
