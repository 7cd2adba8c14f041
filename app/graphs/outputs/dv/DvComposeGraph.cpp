#include "app/graphs/outputs/dv/DvComposeGraph.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/DShowHelpers.h"
#include "app/graphs/outputs/dv/ExtDeviceCodes.h"

namespace {

// The kernel-streaming render category, where a DV deck on the FireWire bus is listed.
// {65E8773E-8F56-11D0-A3B9-00A0C9223196}
const GUID kDeckCategory = {0x65E8773E, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

const int kDvFormatNtsc = 2000;
const int kDvFormatPal = 2001;
const int kDvFormatDvsd = 2007;
const int kDvResolutionFull = 2012;

const UINT kCaptionError = 106;
const UINT kTextNotVcr = 249;
const UINT kTextNoTape = 250;
const UINT kTextNoDevice = 268;

HRESULT BindDevice(IMoniker* moniker, IBaseFilter** device)
{
    *device = nullptr;
    HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(device));
    if (SUCCEEDED(hr) && !*device)
        hr = E_NOINTERFACE;
    return hr;
}

} // namespace

C1394ComposeGraph::~C1394ComposeGraph()
{
    ReleaseDevice();
}

void C1394ComposeGraph::SetSettings(const DvOutputSettings& settings)
{
    m_settings = settings;
}

HRESULT C1394ComposeGraph::AddOutputFilters()
{
    ReleaseDevice();
    m_videoFormat = kDvFormatPal;

    CComPtr<IBaseFilter> device;
    HRESULT hr = FindDevice(&device);
    if (FAILED(hr)) {
        AppMessageBox(nullptr, kTextNoDevice, kCaptionError, MB_OK | MB_ICONERROR);
        return hr;
    }
    hr = AddOwnFilter(device, L"FireWireDevice");
    if (FAILED(hr))
        return hr;
    m_device = device;
    hr = device->QueryInterface(IID_IAMExtDevice, reinterpret_cast<void**>(&m_extDevice));
    if (FAILED(hr) || !m_extDevice)
        return E_UNEXPECTED;
    // A deck without transport control still takes the stream; it is not told to record.
    device->QueryInterface(IID_IAMExtTransport, reinterpret_cast<void**>(&m_transport));
    return CheckDevice();
}

HRESULT C1394ComposeGraph::FindDevice(IBaseFilter** device)
{
    if (IBaseFilter* bound = m_settings.GetDeviceFilter()) {
        bound->AddRef();
        *device = bound;
        return S_OK;
    }
    return m_settings.AutoSelect ? FindFirstVcr(device) : FindDeviceByName(device);
}

HRESULT C1394ComposeGraph::FindFirstVcr(IBaseFilter** device)
{
    MonikerList monikers;
    HRESULT hr = EnumDeviceMonikers(kDeckCategory, monikers);
    if (FAILED(hr))
        return hr;
    for (IMoniker* moniker : monikers) {
        CComPtr<IBaseFilter> candidate;
        if (FAILED(BindDevice(moniker, &candidate)))
            continue;
        // Other kernel-streaming renderers share the category; without the external-device
        // interface a device is no deck at all.
        CComQIPtr<IAMExtDevice> ext(candidate);
        if (!ext)
            continue;
        LONG type = 0;
        double unused = 0;
        hr = ext->GetCapability(extdev::kCapabilityDeviceType, &type, &unused);
        if (FAILED(hr))
            return hr;
        if (type == extdev::kDeviceTypeVcr) {
            *device = candidate.Detach();
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT C1394ComposeGraph::FindDeviceByName(IBaseFilter** device)
{
    if (m_settings.Device.IsEmpty())
        return E_UNEXPECTED;
    MonikerList monikers;
    HRESULT hr = EnumDeviceMonikers(kDeckCategory, monikers);
    if (FAILED(hr))
        return hr;
    // The names the 1394 page lists and stores: made unique in enumeration order.
    NameCountMap counts;
    for (IMoniker* moniker : monikers) {
        CString friendly, description;
        GetFriendlyName(moniker, friendly);
        GetDescription(moniker, description);
        if (counts.MakeUnique(DeviceListName(friendly, description)) != m_settings.Device)
            continue;
        return BindDevice(moniker, device);
    }
    return E_FAIL;
}

HRESULT C1394ComposeGraph::CheckDevice()
{
    LONG type = 0;
    double unused = 0;
    HRESULT hr = m_extDevice->GetCapability(extdev::kCapabilityDeviceType, &type, &unused);
    if (FAILED(hr) || type != extdev::kDeviceTypeVcr) {
        AppMessageBox(nullptr, kTextNotVcr, kCaptionError, MB_OK | MB_ICONINFORMATION);
        return E_FAIL;
    }
    if (!m_transport)
        return S_OK;
    LONG medium = 0;
    if (SUCCEEDED(m_transport->GetStatus(extdev::kStatusMediaType, &medium)) &&
        medium == extdev::kMediaNotPresent) {
        // The operator may still insert a tape before recording starts.
        AppMessageBox(nullptr, kTextNoTape, kCaptionError, MB_OK | MB_ICONINFORMATION);
    }
    LONG signal = 0;
    if (SUCCEEDED(m_transport->GetStatus(extdev::kStatusInputSignal, &signal))) {
        if (signal == extdev::kSignal525_60_SD || signal == extdev::kSignal525_60_SDL)
            m_videoFormat = kDvFormatNtsc;
        else if (signal == extdev::kSignal625_50_SD || signal == extdev::kSignal625_50_SDL)
            m_videoFormat = kDvFormatPal;
    }
    return S_OK;
}

HRESULT C1394ComposeGraph::Build()
{
    CComPtr<ICaptureGraphBuilder2> builder;
    HRESULT hr = BeginBuild(builder);
    if (FAILED(hr))
        return hr;
    if (!m_device)
        return E_UNEXPECTED;
    IGraphBuilder* graph = m_graph.GetGraph();

    CComPtr<IBaseFilter> encoder;
    hr = CreateDeviceFilter(CLSID_VideoCompressorCategory, L"DV Video Encoder", &encoder, graph,
                            L"DV Video Encoder");
    if (FAILED(hr))
        return hr;
    CComPtr<IDVEnc> dvEncoder;
    hr = encoder->QueryInterface(IID_IDVEnc, reinterpret_cast<void**>(&dvEncoder));
    if (FAILED(hr) || !dvEncoder)
        return E_NOINTERFACE;
    hr = dvEncoder->put_IFormatResolution(m_videoFormat, kDvFormatDvsd, kDvResolutionFull, FALSE, nullptr);
    if (FAILED(hr))
        return hr;

    CComPtr<IBaseFilter> mux;
    hr = AddFilterByCLSID(graph, CLSID_DVMux, L"DVMux", &mux);
    if (FAILED(hr))
        return hr;
    // Each chain starts at the source's pin of its own type, so neither depends on the order
    // in which the builder tries the pins.
    hr = RenderSourceStream(builder, &MEDIATYPE_Video, encoder, mux);
    if (FAILED(hr))
        return hr;

    CComPtr<IBaseFilter> acm;
    hr = AddFilterByCLSID(graph, CLSID_ACMWrapper, L"ACMWrapper", &acm);
    if (FAILED(hr))
        return hr;
    hr = RenderSourceStream(builder, &MEDIATYPE_Audio, acm, mux);
    if (FAILED(hr))
        return hr;

    hr = builder->RenderStream(nullptr, nullptr, mux, nullptr, m_device);
    if (FAILED(hr))
        return hr;
    if (m_transport) {
        hr = m_transport->put_Mode(extdev::kModeRecord);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

void C1394ComposeGraph::StopForTeardown()
{
    // The deck stops recording before the stream to it is taken apart; the director has
    // stopped the graph.
    if (m_transport)
        m_transport->put_Mode(extdev::kModeStop);
}

void C1394ComposeGraph::RemoveOutputFilters()
{
    RemoveOwnFilter(m_device);
    ReleaseDevice();
}

void C1394ComposeGraph::ReleaseDevice()
{
    m_transport.Release();
    m_extDevice.Release();
    m_device.Release();
}

long C1394ComposeGraph::HandleGraphEvents(IOutputGraph* output)
{
    CBaseGraph* graph = dynamic_cast<CBaseGraph*>(output);
    if (!graph || !graph->Graph().GetGraph())
        return 0;
    CComQIPtr<IMediaEventEx> events(graph->Graph().GetGraph());
    if (!events)
        return 0;
    long result = 0;
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (SUCCEEDED(events->GetEvent(&code, &param1, &param2, 0))) {
        events->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_DEVICE_LOST)
            result = code;
    }
    return result;
}
