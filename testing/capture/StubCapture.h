// A capture source standing in for a camera or a sound-card input: one capture pin with
// a pin category and IAMStreamConfig capabilities, delivering plain frames or silence.
#pragma once

#include <streams.h>

#include <vector>

#include "StubDevices.h"

namespace rvxstub {

class CStubCaptureFilter;

class CStubCapturePin : public CSourceStream, public IAMStreamConfig, public IKsPropertySet {
public:
    CStubCapturePin(HRESULT* phr, CStubCaptureFilter* filter, bool video);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** ppmt) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* piCount, int* piSize) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) override;

    // IKsPropertySet: the pin category
    HRESULT STDMETHODCALLTYPE Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
                                  LPVOID pPropData, DWORD cbPropData) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
                                  LPVOID pPropData, DWORD cbPropData, DWORD* pcbReturned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) override;

    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStartPlay() override;

private:
    // The capability list: each entry a type and its caps record.
    void BuildCaps();
    bool MatchesCaps(const CMediaType& mt) const;
    REFERENCE_TIME SampleDuration() const;

    bool m_video;
    std::vector<CMediaType> m_capTypes;
    std::vector<VIDEO_STREAM_CONFIG_CAPS> m_videoCaps;
    AUDIO_STREAM_CONFIG_CAPS m_audioCaps = {};
    CMediaType m_format;  // what GetFormat reports and the pin offers first
    LONGLONG m_sampleNumber = 0;
};

class CStubCaptureFilter : public CSource {
public:
    CStubCaptureFilter(LPUNKNOWN pUnk, HRESULT* phr, const StubDevice& device);

    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    // The device's instance name: tells a test which device a moniker bound.
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) override;

    const StubDevice& Device() const { return m_device; }

private:
    const StubDevice& m_device;
};

// One factory function per device for the module's templates.
CUnknown* WINAPI CreateStubDevice(int index, LPUNKNOWN pUnk, HRESULT* phr);

}  // namespace rvxstub
