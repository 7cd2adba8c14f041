// The two virtual capture devices: a source filter (CVDBaseFilter) with one output pin
// "Capture" (CVDStream) that delivers what the program's frame server sends, or blank
// samples at the type's rate when there is no server.
#pragma once

#include <winsock2.h>
#include <streams.h>

#include "filter/rvxvd/VDClient.h"
#include "filter/rvxvd/VDMediaFormat.h"
#include "filter/rvxvd/VDStreamCore.h"

namespace vd {

class CVDBaseFilter;

class CVDStream : public CSourceStream, public IAMStreamConfig, public IKsPropertySet {
public:
    CVDStream(HRESULT* phr, CVDBaseFilter* filter, VDClient* client, bool video, const VdMediaType& type,
              const VdStreamTiming& timing);
    ~CVDStream() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** pmt) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** pmt, BYTE* caps) override;

    // IKsPropertySet
    HRESULT STDMETHODCALLTYPE Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD cb, DWORD* ret) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // The one type offered; the source-stream base accepts only it.
    HRESULT GetMediaType(CMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    // A stop first ends a wait on a silent server or on the pacing timer; the worker would
    // otherwise never see the stop command.
    HRESULT Inactive() override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadStartPlay() override;
    HRESULT OnThreadDestroy() override;

private:
    bool m_video;
    VdMediaType m_type;
    VDStreamCore m_core;
};

class CVDBaseFilter : public CSource {
public:
    // Reads the host file, connects and asks the server for the medium's type; without a
    // usable answer the device offers its default type.
    CVDBaseFilter(LPUNKNOWN outer, HRESULT* phr, bool video);
    ~CVDBaseFilter() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    bool IsVideo() const { return m_video; }

private:
    bool m_video;
    VDClient m_client;
    VdMediaType m_type;
    CVDStream* m_stream = nullptr;   // owned through the source base
};

}  // namespace vd
