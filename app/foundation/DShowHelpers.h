// Free functions over the DirectShow interfaces shared by the media graphs, the source
// descriptor, the channel panel and the settings pages. Every function checks its
// pointer arguments first (E_POINTER unless said otherwise). Pin helpers marked
// "borrowed" return a pointer without a reference, valid while its filter lives.
#pragma once

#include <afx.h>
#include <streams.h>

#include <vector>

// Own result codes (failure severity, facility 4).
const HRESULT DSH_E_NO_FREE_PIN = static_cast<HRESULT>(0xC0049001u);        // no unconnected pin to connect
const HRESULT DSH_E_NOT_CONNECTED = static_cast<HRESULT>(0xC0049002u);      // no filter on the asked side
const HRESULT DSH_E_DEVICE_NOT_FOUND = static_cast<HRESULT>(0xC0049003u);   // no device of that name
const HRESULT DSH_E_NO_MEDIA_TYPE = static_cast<HRESULT>(0xC0049004u);      // no (matching) media type
const HRESULT DSH_E_GRAPH_INTERFACE = static_cast<HRESULT>(0xC0049005u);    // a graph interface is missing
const HRESULT DSH_E_NO_RENDERER = static_cast<HRESULT>(0xC004900Cu);        // no renderer of that kind
const HRESULT DSH_E_PARTIAL_RENDER = static_cast<HRESULT>(0xC004900Du);     // some output pins did not render

typedef std::vector<CComPtr<IMoniker>> MonikerList;

// ---- Device naming. A device is named by its "DevicePath" when it has one; otherwise by
// its "FriendlyName" followed by "(" description ")" when it has a description, the
// second and later devices of one category with that name taking " #2", " #3"...

struct DeviceNameInput {
    CString friendlyName;
    CString description;
    CString devicePath;
};

struct DeviceNames {
    // The name FindDeviceMoniker finds the device by.
    CString displayName;
    // The text the device lists show and a source descriptor keeps. For a device without
    // a path it equals displayName, so a stored device is found again after a restart.
    CString listName;
};

// The names of a category's devices, given in enumeration order.
std::vector<DeviceNames> MakeDeviceNames(const std::vector<DeviceNameInput>& devices);

struct DeviceEntry {
    CComPtr<IMoniker> moniker;
    DeviceNames names;
    CString devicePath;  // empty when the device has none
};

// The devices of a category with their names; the enumerator's result (S_FALSE when
// the category is empty).
HRESULT EnumDeviceEntries(REFGUID category, std::vector<DeviceEntry>& entries);

// ---- Devices

// Clears the list, then appends every device moniker of the category in enumeration
// order; the enumerator's result (S_FALSE for an empty category).
HRESULT EnumDeviceMonikers(REFGUID category, MonikerList& monikers);
HRESULT EnumAudioCaptureDevices(MonikerList& monikers);
HRESULT EnumVideoCaptureDevices(MonikerList& monikers);

// A property of the device as text; E_INVALIDARG for a null moniker; the bag's error when
// the property is absent (the string is then unchanged).
HRESULT GetFriendlyName(IMoniker* moniker, CString& name);
HRESULT GetDescription(IMoniker* moniker, CString& description);
HRESULT GetDevicePath(IMoniker* moniker, CString& path);

// The first device of the category whose display name equals name exactly; E_FAIL when
// none does, E_INVALIDARG for a null out pointer.
HRESULT FindDeviceMoniker(REFGUID category, LPCWSTR name, IMoniker** moniker);

// The friendly names of the video compressors, unnumbered.
HRESULT EnumVideoCompressorNames(std::vector<CString>& names);

// A device of the category with this friendly name bound to a filter, and added to the
// graph under filterName when both are given; a device that cannot be added gives way to
// the next of the same name. DSH_E_DEVICE_NOT_FOUND when none could be made.
HRESULT CreateDeviceFilter(REFGUID category, LPCWSTR friendlyName, IBaseFilter** filter,
                           IGraphBuilder* graph = nullptr, LPCWSTR filterName = nullptr);

// ---- Filters and pins

// Creates the class in process and adds it to the graph; the filter goes to the caller
// (when asked for) only when adding succeeded.
HRESULT AddFilterByCLSID(IGraphBuilder* graph, REFCLSID clsid, LPCWSTR name, IBaseFilter** filter = nullptr);
HRESULT FindAudioRenderer(IGraphBuilder* graph, IBaseFilter** filter);
HRESULT FindVideoRenderer(IGraphBuilder* graph, IBaseFilter** filter);

// Borrowed: the first connected pin of that direction (input when non-zero), or null.
IPin* GetConnectedPin(IBaseFilter* filter, BOOL input);
// Borrowed: on the filter at the other end of the pin's connection, its first pin of that
// direction; null when the pin is unconnected.
IPin* GetNextFilterPin(IPin* pin, BOOL input);
// Borrowed: the first pin of that direction that is not connected.
IPin* GetUnconnectedPin(IBaseFilter* filter, BOOL input);
// Borrowed: the first pin of that direction whose name contains text (any, without text).
IPin* FindPinByName(IBaseFilter* filter, BOOL input, LPCWSTR text = nullptr);

// 1 when every pin is connected (also for a filter without pins); 0 for a null filter,
// a failed enumeration or an unconnected pin.
BOOL AreAllPinsConnected(IBaseFilter* filter);
HRESULT CountPins(IBaseFilter* filter, ULONG* inputs, ULONG* outputs);
// The filter at the other end of the first connected pin of that direction, with a
// reference; DSH_E_NOT_CONNECTED when there is none.
HRESULT GetConnectedFilter(IBaseFilter* filter, PIN_DIRECTION direction, IBaseFilter** connected);

// The first unconnected output of up to the first unconnected input of down: direct with
// the type when given, else intelligent. DSH_E_NO_FREE_PIN when a pin is missing.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* up, IBaseFilter* down,
                       const AM_MEDIA_TYPE* mediaType = nullptr);
// The graph's Render on every output pin; DSH_E_PARTIAL_RENDER when some rendered only in
// part or some failed while others succeeded.
HRESULT RenderOutputPins(IGraphBuilder* graph, IBaseFilter* filter);

// A copy of the first type the pin offers (free it with DeleteMediaType);
// DSH_E_NO_MEDIA_TYPE when it offers none.
HRESULT GetFirstMediaType(IPin* pin, AM_MEDIA_TYPE** mediaType);
// The first type the pin offers that matches the partial type, copied into it.
HRESULT FindMatchingMediaType(IPin* pin, CMediaType& mediaType);

// ---- Taking graphs apart

// S_FALSE when the filter still has a connected pin; else the graph's RemoveFilter.
HRESULT RemoveFilterIfUnconnected(IGraphBuilder* graph, IBaseFilter* filter);
// Depth first removes everything downstream of the filter; the filter itself stays.
HRESULT RemoveDownstreamFilters(IGraphBuilder* graph, IBaseFilter* filter);
// Removes every filter; a filter the graph refuses to remove is skipped, so the walk
// always ends. Results OR-ed.
HRESULT RemoveAllFilters(IGraphBuilder* graph);
// Disconnects both ends of every connection downstream of the filter.
HRESULT DisconnectDownstream(IGraphBuilder* graph, IBaseFilter* filter);
// Everything downstream of the filter at the other end, then both ends of the pin.
HRESULT DisconnectPin(IGraphBuilder* graph, IPin* pin);
// Removes every filter from the graph's cache; E_NOINTERFACE without IGraphConfig.
HRESULT ClearFilterCache(IGraphBuilder* graph);

// ---- User interface and registration

// The object's property pages in a modal frame with the caption.
HRESULT ShowFilterPropertyPages(IUnknown* object, HWND owner, LPCWSTR caption);
// Registers the graph in the running object table as "!FilterGraph %08p pid %08x".
HRESULT AddGraphToRot(IUnknown* graph, DWORD* registration);
HRESULT RemoveGraphFromRot(DWORD* registration);
// Loads the library and calls its DllRegisterServer; E_FAIL when it cannot be loaded or
// has no such export.
HRESULT RegisterFilterDll(LPCWSTR path);
