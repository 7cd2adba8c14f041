#include "app/graphs/outputs/avi/AviFileSink.h"

#include "app/graphs/outputs/avi/AviFileWriter.h"

#include <streams.h>
#include <uuids.h>

namespace {

HRESULT AddFilter(IGraphBuilder* graph, REFCLSID clsid, LPCWSTR name, IBaseFilter** filter)
{
    CComPtr<IBaseFilter> made;
    HRESULT hr = made.CoCreateInstance(clsid);
    if (FAILED(hr))
        return hr;
    hr = graph->AddFilter(made, name);
    if (FAILED(hr))
        return hr;
    *filter = made.Detach();
    return S_OK;
}

HRESULT FirstPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin)
{
    CComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(&pins);
    if (FAILED(hr))
        return hr;
    for (;;) {
        CComPtr<IPin> candidate;
        if (pins->Next(1, &candidate, nullptr) != S_OK)
            return VFW_E_NOT_FOUND;
        PIN_DIRECTION dir;
        if (SUCCEEDED(candidate->QueryDirection(&dir)) && dir == direction) {
            *pin = candidate.Detach();
            return S_OK;
        }
    }
}

// The multiplexer writes its header and index through the IStream of the writer's pin; a
// platform writer whose pin has none (Wine's) makes the multiplexer refuse to start, so
// the program's own writer takes its place.
HRESULT AddFileWriter(IGraphBuilder* graph, IBaseFilter** writer)
{
    CComPtr<IBaseFilter> platform;
    if (SUCCEEDED(AddFilter(graph, CLSID_FileWriter, L"File writer", &platform))) {
        CComPtr<IPin> in;
        if (SUCCEEDED(FirstPin(platform, PINDIR_INPUT, &in)) && CComQIPtr<IStream>(in.Get())) {
            *writer = platform.Detach();
            return S_OK;
        }
        graph->RemoveFilter(platform);
    }
    HRESULT hr = S_OK;
    CAviFileWriter* own = CAviFileWriter::CreateInstance(&hr);
    if (!own)
        return hr;
    hr = graph->AddFilter(own, L"File writer");
    if (SUCCEEDED(hr))
        *writer = static_cast<IBaseFilter*>(own);
    else
        own->NonDelegatingRelease();
    return hr;
}

}  // namespace

HRESULT CreateAviFileSink(ICaptureGraphBuilder2* builder, IGraphBuilder* graph, LPCWSTR fileName,
                          IBaseFilter** mux, IFileSinkFilter** sink)
{
    if (builder == nullptr || graph == nullptr || fileName == nullptr || mux == nullptr || sink == nullptr)
        return E_POINTER;
    *mux = nullptr;
    *sink = nullptr;
    HRESULT hr = builder->SetOutputFileName(&MEDIASUBTYPE_Avi, fileName, mux, sink);
    if (hr != E_NOTIMPL)
        return hr;

    CComPtr<IBaseFilter> muxFilter, writer;
    hr = AddFilter(graph, CLSID_AviDest, L"AVI Mux", &muxFilter);
    if (FAILED(hr))
        return hr;
    hr = AddFileWriter(graph, &writer);
    if (FAILED(hr)) {
        graph->RemoveFilter(muxFilter);
        return hr;
    }
    CComQIPtr<IFileSinkFilter> fileSink(writer.Get());
    CComPtr<IPin> out, in;
    if (!fileSink)
        hr = E_NOINTERFACE;
    if (SUCCEEDED(hr))
        hr = fileSink->SetFileName(fileName, nullptr);
    if (SUCCEEDED(hr))
        hr = FirstPin(muxFilter, PINDIR_OUTPUT, &out);
    if (SUCCEEDED(hr))
        hr = FirstPin(writer, PINDIR_INPUT, &in);
    if (SUCCEEDED(hr))
        hr = graph->ConnectDirect(out, in, nullptr);
    if (FAILED(hr)) {
        graph->RemoveFilter(writer);
        graph->RemoveFilter(muxFilter);
        return hr;
    }
    *mux = muxFilter.Detach();
    *sink = fileSink.Detach();
    return S_OK;
}
