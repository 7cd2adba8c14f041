// Filter, pin and graph helpers.
#include "app/foundation/DShowHelpers.h"

#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

std::vector<CComPtr<IPin>> PinsOf(IBaseFilter* filter, bool* ok = nullptr) {
    std::vector<CComPtr<IPin>> pins;
    if (ok) *ok = false;
    if (!filter) return pins;
    CComPtr<IEnumPins> items;
    if (FAILED(filter->EnumPins(&items)) || !items) return pins;
    CComPtr<IPin> pin;
    HRESULT hr;
    while ((hr = items->Next(1, &pin, nullptr)) == S_OK) pins.push_back(pin);
    if (ok) *ok = SUCCEEDED(hr);
    return pins;
}

bool HasDirection(IPin* pin, BOOL input) {
    PIN_DIRECTION direction;
    return SUCCEEDED(pin->QueryDirection(&direction)) && direction == (input ? PINDIR_INPUT : PINDIR_OUTPUT);
}

bool IsConnected(IPin* pin) {
    CComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(&peer)) && peer;
}

CComPtr<IBaseFilter> OwnerOf(IPin* pin) {
    PIN_INFO info = {};
    if (FAILED(pin->QueryPinInfo(&info))) return nullptr;
    CComPtr<IBaseFilter> owner;
    owner.Attach(info.pFilter);
    return owner;
}

// The filters fed by the filter's connected output pins.
std::vector<CComPtr<IBaseFilter>> DownstreamOf(IBaseFilter* filter) {
    std::vector<CComPtr<IBaseFilter>> filters;
    for (IPin* pin : PinsOf(filter)) {
        if (!HasDirection(pin, FALSE)) continue;
        CComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(&peer)) || !peer) continue;
        CComPtr<IBaseFilter> next = OwnerOf(peer);
        if (next) filters.push_back(next);
    }
    return filters;
}

std::vector<CComPtr<IBaseFilter>> FiltersOf(IGraphBuilder* graph) {
    std::vector<CComPtr<IBaseFilter>> filters;
    CComPtr<IEnumFilters> items;
    if (FAILED(graph->EnumFilters(&items)) || !items) return filters;
    CComPtr<IBaseFilter> filter;
    while (items->Next(1, &filter, nullptr) == S_OK) filters.push_back(filter);
    return filters;
}

HRESULT FindRenderer(IGraphBuilder* graph, IBaseFilter** filter, const CLSID* const* classes, size_t count) {
    if (!graph || !filter) return E_POINTER;
    *filter = nullptr;
    for (IBaseFilter* candidate : FiltersOf(graph)) {
        CLSID clsid;
        if (FAILED(candidate->GetClassID(&clsid))) continue;
        for (size_t i = 0; i < count; ++i) {
            if (IsEqualCLSID(clsid, *classes[i])) {
                *filter = candidate;
                candidate->AddRef();
                return S_OK;
            }
        }
    }
    return DSH_E_NO_RENDERER;
}

// A pin pointer handed out without its reference, as the pin helpers promise.
IPin* Borrowed(IPin* pin) { return pin; }

}  // namespace

HRESULT AddFilterByCLSID(IGraphBuilder* graph, REFCLSID clsid, LPCWSTR name, IBaseFilter** filter) {
    if (filter) *filter = nullptr;
    if (!graph) return E_POINTER;
    CComPtr<IBaseFilter> created;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(&created));
    if (FAILED(hr)) return hr;
    hr = graph->AddFilter(created, name);
    if (FAILED(hr)) return hr;
    if (filter) *filter = created.Detach();
    return hr;
}

HRESULT FindAudioRenderer(IGraphBuilder* graph, IBaseFilter** filter) {
    const CLSID* classes[] = {&CLSID_AudioRender, &CLSID_DSoundRender};
    return FindRenderer(graph, filter, classes, 2);
}

HRESULT FindVideoRenderer(IGraphBuilder* graph, IBaseFilter** filter) {
    const CLSID* classes[] = {&CLSID_VideoRenderer, &CLSID_VideoMixingRenderer, &CLSID_VideoRendererDefault,
                              &CLSID_VideoMixingRenderer9};
    return FindRenderer(graph, filter, classes, 4);
}

IPin* GetConnectedPin(IBaseFilter* filter, BOOL input) {
    for (IPin* pin : PinsOf(filter)) {
        if (HasDirection(pin, input) && IsConnected(pin)) return Borrowed(pin);
    }
    return nullptr;
}

IPin* GetNextFilterPin(IPin* pin, BOOL input) {
    if (!pin) return nullptr;
    CComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer)) || !peer) return nullptr;
    CComPtr<IBaseFilter> next = OwnerOf(peer);
    if (!next) return nullptr;
    for (IPin* candidate : PinsOf(next)) {
        if (HasDirection(candidate, input)) return Borrowed(candidate);
    }
    return nullptr;
}

IPin* GetUnconnectedPin(IBaseFilter* filter, BOOL input) {
    for (IPin* pin : PinsOf(filter)) {
        if (!HasDirection(pin, input)) continue;
        CComPtr<IPin> peer;
        if (pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED) return Borrowed(pin);
    }
    return nullptr;
}

IPin* FindPinByName(IBaseFilter* filter, BOOL input, LPCWSTR text) {
    for (IPin* pin : PinsOf(filter)) {
        if (!HasDirection(pin, input)) continue;
        if (!text) return Borrowed(pin);
        PIN_INFO info = {};
        if (FAILED(pin->QueryPinInfo(&info))) continue;
        if (info.pFilter) info.pFilter->Release();
        if (wcsstr(info.achName, text)) return Borrowed(pin);
    }
    return nullptr;
}

BOOL AreAllPinsConnected(IBaseFilter* filter) {
    if (!filter) return FALSE;
    bool ok = false;
    std::vector<CComPtr<IPin>> pins = PinsOf(filter, &ok);
    if (!ok) return FALSE;
    for (IPin* pin : pins) {
        if (!IsConnected(pin)) return FALSE;
    }
    return TRUE;
}

HRESULT CountPins(IBaseFilter* filter, ULONG* inputs, ULONG* outputs) {
    if (!filter || !inputs || !outputs) return E_POINTER;
    *inputs = *outputs = 0;
    bool ok = false;
    for (IPin* pin : PinsOf(filter, &ok)) {
        if (HasDirection(pin, TRUE)) ++*inputs;
        else ++*outputs;
    }
    return ok ? S_OK : E_FAIL;
}

HRESULT GetConnectedFilter(IBaseFilter* filter, PIN_DIRECTION direction, IBaseFilter** connected) {
    if (!filter || !connected) return E_POINTER;
    *connected = nullptr;
    IPin* pin = GetConnectedPin(filter, direction == PINDIR_INPUT);
    if (!pin) return DSH_E_NOT_CONNECTED;
    CComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer)) || !peer) return DSH_E_NOT_CONNECTED;
    CComPtr<IBaseFilter> owner = OwnerOf(peer);
    if (!owner) return DSH_E_NOT_CONNECTED;
    *connected = owner.Detach();
    return S_OK;
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* up, IBaseFilter* down, const AM_MEDIA_TYPE* mediaType) {
    if (!graph || !up || !down) return E_POINTER;
    IPin* out = GetUnconnectedPin(up, FALSE);
    IPin* in = GetUnconnectedPin(down, TRUE);
    if (!out || !in) return DSH_E_NO_FREE_PIN;
    return mediaType ? graph->ConnectDirect(out, in, mediaType) : graph->Connect(out, in);
}

HRESULT RenderOutputPins(IGraphBuilder* graph, IBaseFilter* filter) {
    if (!graph || !filter) return E_POINTER;
    bool anySucceeded = false, anyFailed = false, partial = false;
    HRESULT combined = S_OK;
    for (IPin* pin : PinsOf(filter)) {
        if (!HasDirection(pin, FALSE)) continue;
        HRESULT hr = graph->Render(pin);
        combined |= hr;
        if (hr == VFW_S_PARTIAL_RENDER) partial = true;
        if (SUCCEEDED(hr)) anySucceeded = true;
        else anyFailed = true;
    }
    if (partial || (anySucceeded && anyFailed)) return DSH_E_PARTIAL_RENDER;
    return combined;
}

HRESULT GetFirstMediaType(IPin* pin, AM_MEDIA_TYPE** mediaType) {
    if (!pin || !mediaType) return E_POINTER;
    *mediaType = nullptr;
    CComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(&types)) || !types) return DSH_E_NO_MEDIA_TYPE;
    if (types->Next(1, mediaType, nullptr) != S_OK || !*mediaType) {
        *mediaType = nullptr;
        return DSH_E_NO_MEDIA_TYPE;
    }
    return S_OK;
}

HRESULT FindMatchingMediaType(IPin* pin, CMediaType& mediaType) {
    if (!pin) return E_POINTER;
    CComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(&types)) || !types) return DSH_E_NO_MEDIA_TYPE;
    CAutoMediaTypePtr type;
    while (types->Next(1, &type, nullptr) == S_OK && type.Get()) {
        CMediaType candidate(*type.Get());
        if (candidate.MatchesPartial(&mediaType)) return mediaType.Set(candidate);
    }
    return DSH_E_NO_MEDIA_TYPE;
}

HRESULT RemoveFilterIfUnconnected(IGraphBuilder* graph, IBaseFilter* filter) {
    if (!graph || !filter) return E_POINTER;
    if (GetConnectedPin(filter, FALSE) || GetConnectedPin(filter, TRUE)) return S_FALSE;
    return graph->RemoveFilter(filter);
}

HRESULT RemoveDownstreamFilters(IGraphBuilder* graph, IBaseFilter* filter) {
    if (!graph || !filter) return E_POINTER;
    HRESULT hr = S_OK;
    for (IBaseFilter* next : DownstreamOf(filter)) {
        hr |= RemoveDownstreamFilters(graph, next);
        hr |= graph->RemoveFilter(next);
    }
    return hr;
}

HRESULT RemoveAllFilters(IGraphBuilder* graph) {
    if (!graph) return E_POINTER;
    HRESULT hr = S_OK;
    std::vector<CComPtr<IBaseFilter>> refused;
    for (;;) {
        // Restart the walk after each removal; a filter that would not go is not tried
        // again, or the walk would find it first for ever.
        CComPtr<IBaseFilter> next;
        for (IBaseFilter* filter : FiltersOf(graph)) {
            const bool wasRefused = std::any_of(refused.begin(), refused.end(),
                                                [filter](const CComPtr<IBaseFilter>& f) { return f.Get() == filter; });
            if (!wasRefused) {
                next = filter;
                break;
            }
        }
        if (!next) return hr;
        HRESULT one = graph->RemoveFilter(next);
        hr |= one;
        if (FAILED(one)) refused.push_back(next);
    }
}

HRESULT DisconnectDownstream(IGraphBuilder* graph, IBaseFilter* filter) {
    if (!graph || !filter) return E_POINTER;
    HRESULT hr = S_OK;
    for (IPin* pin : PinsOf(filter)) {
        if (!HasDirection(pin, FALSE)) continue;
        CComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(&peer)) || !peer) continue;
        CComPtr<IBaseFilter> next = OwnerOf(peer);
        if (next) hr |= DisconnectDownstream(graph, next);
        hr |= graph->Disconnect(peer);
        hr |= graph->Disconnect(pin);
    }
    return hr;
}

HRESULT DisconnectPin(IGraphBuilder* graph, IPin* pin) {
    if (!graph || !pin) return E_POINTER;
    CComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer)) || !peer) return S_FALSE;
    HRESULT hr = S_OK;
    CComPtr<IBaseFilter> other = OwnerOf(peer);
    if (other) hr |= DisconnectDownstream(graph, other);
    hr |= graph->Disconnect(peer);
    hr |= graph->Disconnect(pin);
    return hr;
}

HRESULT ClearFilterCache(IGraphBuilder* graph) {
    if (!graph) return E_POINTER;
    CComQIPtr<IGraphConfig> config(graph);
    if (!config) return E_NOINTERFACE;
    CComPtr<IEnumFilters> cached;
    HRESULT hr = config->EnumCacheFilter(&cached);
    if (FAILED(hr) || !cached) return hr;
    std::vector<CComPtr<IBaseFilter>> filters;
    CComPtr<IBaseFilter> filter;
    while (cached->Next(1, &filter, nullptr) == S_OK) filters.push_back(filter);
    for (IBaseFilter* one : filters) hr |= config->RemoveFilterFromCache(one);
    return hr;
}

HRESULT ShowFilterPropertyPages(IUnknown* object, HWND owner, LPCWSTR caption) {
    if (!object) return E_POINTER;
    CComQIPtr<ISpecifyPropertyPages> pages(object);
    if (!pages) return E_NOINTERFACE;
    CAUUID ids = {};
    HRESULT hr = pages->GetPages(&ids);
    if (FAILED(hr)) return hr;
    IUnknown* objects[] = {object};
    hr = OleCreatePropertyFrame(owner, 0, 0, caption, 1, objects, ids.cElems, ids.pElems, 0, 0, nullptr);
    CoTaskMemFree(ids.pElems);
    return hr;
}

HRESULT AddGraphToRot(IUnknown* graph, DWORD* registration) {
    if (!graph || !registration) return E_POINTER;
    *registration = 0;
    CComPtr<IRunningObjectTable> table;
    HRESULT hr = GetRunningObjectTable(0, &table);
    if (FAILED(hr)) return hr;
    CString name;
    name.Format(L"FilterGraph %08p pid %08x", static_cast<void*>(graph), GetCurrentProcessId());
    CComPtr<IMoniker> moniker;
    hr = CreateItemMoniker(L"!", name.GetString(), &moniker);
    if (FAILED(hr)) return hr;
    return table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph, moniker, registration);
}

HRESULT RemoveGraphFromRot(DWORD* registration) {
    if (!registration) return E_POINTER;
    CComPtr<IRunningObjectTable> table;
    HRESULT hr = GetRunningObjectTable(0, &table);
    if (FAILED(hr)) return hr;
    hr = table->Revoke(*registration);
    *registration = 0;
    return hr;
}

HRESULT RegisterFilterDll(LPCWSTR path) {
    if (!path) return E_POINTER;
    HMODULE module = LoadLibraryW(path);
    if (!module) return E_FAIL;
    typedef HRESULT(STDAPICALLTYPE * RegisterProc)();
    FARPROC entry = GetProcAddress(module, "DllRegisterServer");
    RegisterProc proc = nullptr;
    static_assert(sizeof(proc) == sizeof(entry), "entry points are plain function pointers");
    std::memcpy(&proc, &entry, sizeof(proc));
    HRESULT hr = proc ? proc() : E_FAIL;
    FreeLibrary(module);
    return hr;
}
