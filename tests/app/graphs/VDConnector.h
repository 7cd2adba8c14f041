// An output pin that only stands at the other end of a connection, so a test can connect
// a renderer's input pin with a chosen type and then push samples into it by hand.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <cstring>
#include <vector>

namespace vdtest {

class StubConnector : public IPin {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IPin) {
            *ppv = static_cast<IPin*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* d) override
    {
        *d = PINDIR_OUTPUT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }
};

// A media type over a format block the caller keeps alive.
inline AM_MEDIA_TYPE TypeOf(const GUID& major, const GUID& sub, const GUID& formatType, ULONG sampleSize,
                            std::vector<uint8_t>& format)
{
    AM_MEDIA_TYPE mt = {};
    mt.majortype = major;
    mt.subtype = sub;
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = sampleSize;
    mt.formattype = formatType;
    mt.cbFormat = static_cast<ULONG>(format.size());
    mt.pbFormat = format.empty() ? nullptr : format.data();
    return mt;
}

}  // namespace vdtest
