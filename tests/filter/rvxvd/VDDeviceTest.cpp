// The rvxvd module registered in the test prefix: found by the system device enumerator
// under its names after registration, gone after unregistration.
#include "filter/rvxvd/VDRegistration.h"
#include "tests/support/net/FreePort.h"
#include "tests/support/dshow/FirstPin.h"

#include <gtest/gtest.h>

#include <dshow.h>
#include <uuids.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::wstring ModulePath()
{
    std::string narrow = RVXVD_MODULE;
    std::replace(narrow.begin(), narrow.end(), '/', '\\');
    return std::wstring(narrow.begin(), narrow.end());
}

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComScope() { CoUninitialize(); }
};

std::vector<std::wstring> FriendlyNames(const CLSID& category)
{
    std::vector<std::wstring> names;
    ICreateDevEnum* devEnum = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devEnum))))
        return names;
    IEnumMoniker* monikers = nullptr;
    if (devEnum->CreateClassEnumerator(category, &monikers, 0) == S_OK) {
        IMoniker* m = nullptr;
        while (monikers->Next(1, &m, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(m->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
                VARIANT v;
                VariantInit(&v);
                if (SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR)
                    names.push_back(v.bstrVal);
                VariantClear(&v);
                bag->Release();
            }
            m->Release();
        }
        monikers->Release();
    }
    devEnum->Release();
    return names;
}

bool Listed(const CLSID& category, const wchar_t* name)
{
    const std::vector<std::wstring> names = FriendlyNames(category);
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::wstring ReadString(const std::wstring& key, const wchar_t* value)
{
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(buf);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buf, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

std::wstring ClassKey(const CLSID& clsid)
{
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

DWORD RunRegsvr32(const std::wstring& args)
{
    std::wstring cmd = L"regsvr32.exe /s " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

struct DeviceCase {
    const CLSID* clsid;
    const wchar_t* name;
    const CLSID* category;
};
const DeviceCase kDevices[] = {
    {&vd::CLSID_RvxVirtualVideoDevice, L"Rvx Virtual Video Device", &CLSID_VideoInputDeviceCategory},
    {&vd::CLSID_RvxVirtualAudioDevice, L"Rvx Virtual Audio Device", &CLSID_AudioInputDeviceCategory},
};

}  // namespace

TEST(RvxvdRegistration, EntryPointsRegisterAndUnregisterBothDevices)
{
    ComScope com;
    const std::wstring path = ModulePath();
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module) << "cannot load " << RVXVD_MODULE;
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(module, "DllRegisterServer"));
    auto unreg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(module, "DllUnregisterServer"));
    ASSERT_NE(nullptr, reg);
    ASSERT_NE(nullptr, unreg);
    ASSERT_NE(nullptr, GetProcAddress(module, "DllGetClassObject"));
    ASSERT_NE(nullptr, GetProcAddress(module, "DllCanUnloadNow"));

    ASSERT_EQ(S_OK, reg());
    for (const DeviceCase& d : kDevices) {
        EXPECT_TRUE(Listed(*d.category, d.name));
        EXPECT_FALSE(Listed(d.category == &CLSID_VideoInputDeviceCategory ? CLSID_AudioInputDeviceCategory
                                                                          : CLSID_VideoInputDeviceCategory,
                            d.name));
        EXPECT_EQ(d.name, ReadString(ClassKey(*d.clsid), nullptr));
        EXPECT_EQ(path, ReadString(ClassKey(*d.clsid) + L"\\InprocServer32", nullptr));
        EXPECT_EQ(L"Both", ReadString(ClassKey(*d.clsid) + L"\\InprocServer32", L"ThreadingModel"));
    }
    ASSERT_EQ(S_OK, unreg());
    for (const DeviceCase& d : kDevices) {
        EXPECT_FALSE(Listed(*d.category, d.name));
        EXPECT_EQ(L"<missing>", ReadString(ClassKey(*d.clsid), nullptr));
    }
    // Unregistering what is already gone is not a failure.
    EXPECT_EQ(S_OK, unreg());
    FreeLibrary(module);
}

TEST(RvxvdRegistration, Regsvr32ListsAndUnlistsTheDevices)
{
    ComScope com;
    const std::wstring path = L"\"" + ModulePath() + L"\"";
    ASSERT_EQ(0u, RunRegsvr32(path));
    for (const DeviceCase& d : kDevices)
        EXPECT_TRUE(Listed(*d.category, d.name)) << static_cast<int>(d.name[12]);
    ASSERT_EQ(0u, RunRegsvr32(L"/u " + path));
    for (const DeviceCase& d : kDevices)
        EXPECT_FALSE(Listed(*d.category, d.name));
}

// ---------------------------------------------------------------------------------------
// End to end: the registered device, opened through the device enumerator into a graph,
// fed by the frame server.

#include "app/graphs/outputs/vd/VDRender.h"
#include "tests/app/graphs/VDConnector.h"

#include <streams.h>
#include "filter/rvxvd/VDMediaFormat.h"

#include <qedit.h>

// In strmiids, though qedit.h leaves them out.
EXTERN_C const CLSID CLSID_SampleGrabber;
EXTERN_C const CLSID CLSID_NullRenderer;

#include <atomic>
#include <mutex>

namespace {

struct Received {
    std::mutex m;
    std::vector<REFERENCE_TIME> starts;
    std::vector<long> lengths;
    std::vector<uint8_t> firstBytes;
    HANDLE enough = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    size_t want = 0;
};

class Grab : public ISampleGrabberCB {
public:
    explicit Grab(Received* r) : m_r(r) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample* s) override
    {
        REFERENCE_TIME start = -1, stop = -1;
        s->GetTime(&start, &stop);
        BYTE* p = nullptr;
        s->GetPointer(&p);
        std::lock_guard<std::mutex> l(m_r->m);
        m_r->starts.push_back(start);
        m_r->lengths.push_back(s->GetActualDataLength());
        m_r->firstBytes.push_back(p && s->GetActualDataLength() > 0 ? p[0] : 0);
        if (m_r->starts.size() >= m_r->want)
            SetEvent(m_r->enough);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, long) override { return S_OK; }

private:
    Received* m_r;
};

template <class T> struct Com {
    T* p = nullptr;
    ~Com() { if (p) p->Release(); }
    T* operator->() const { return p; }
    void** out() { return reinterpret_cast<void**>(&p); }
};

IBaseFilter* BindDevice(const CLSID& category, const wchar_t* name)
{
    IBaseFilter* found = nullptr;
    Com<ICreateDevEnum> devEnum;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum, devEnum.out())))
        return nullptr;
    Com<IEnumMoniker> monikers;
    if (devEnum->CreateClassEnumerator(category, &monikers.p, 0) != S_OK)
        return nullptr;
    IMoniker* m = nullptr;
    while (!found && monikers->Next(1, &m, nullptr) == S_OK) {
        Com<IPropertyBag> bag;
        if (SUCCEEDED(m->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.out()))) {
            VARIANT v;
            VariantInit(&v);
            if (SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR && wcscmp(v.bstrVal, name) == 0)
                m->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&found));
            VariantClear(&v);
        }
        m->Release();
    }
    return found;
}

using testdshow::FirstPin;

void WriteHostFile(uint16_t port)
{
    const std::string line = "127.0.0.1:" + std::to_string(port);
    HANDLE f = CreateFileW(L"c:\\rvxhost.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
}

// The program's side: 720 x 576 RGB24 at 25 frames per second and 40 ms PCM chunks.
class ProgramTypes : public vd::IVDSetupSource {
public:
    vd::VdMediaType video = vd::DefaultVideoType();
    vd::VdMediaType audio = vd::DefaultAudioType();
    ProgramTypes()
    {
        video.lSampleSize = 720 * 576 * 3;
        vd::PutU32(&video.format[8], 720);
        vd::PutU32(&video.format[12], 576);
        vd::PutU32(&video.format[24], 720);
        vd::PutU32(&video.format[28], 576);
        vd::PutU32(&video.format[52], 720);
        vd::PutU32(&video.format[56], 576);
    }
    bool BuildSetupReply(bool isVideo, std::vector<uint8_t>* reply) override
    {
        *reply = vd::EncodeSetupReply(isVideo ? video : audio);
        return true;
    }
};

struct GraphRun {
    HRESULT hr = E_FAIL;
    std::vector<REFERENCE_TIME> starts;
    std::vector<long> lengths;
    std::vector<uint8_t> firstBytes;
};

// Opens the device by its name, connects it through a sample grabber to a null renderer
// and runs the graph until `want` samples have arrived while feed() sends them.
template <class Feed>
GraphRun RunDeviceGraph(const CLSID& category, const wchar_t* name, bool video, size_t want, Feed feed)
{
    GraphRun run;
    Com<IBaseFilter> device;
    device.p = BindDevice(category, name);
    if (!device.p)
        return run;
    Com<IKsPropertySet> props;
    Com<IPin> out;
    out.p = FirstPin(device.p, PINDIR_OUTPUT);
    GUID pinCategory = GUID_NULL;
    DWORD size = 0;
    if (!out.p || FAILED(out->QueryInterface(IID_IKsPropertySet, props.out())) ||
        FAILED(props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &pinCategory, sizeof(pinCategory), &size)) ||
        !IsEqualGUID(pinCategory, PIN_CATEGORY_CAPTURE)) {
        run.hr = E_NOINTERFACE;
        return run;
    }
    Com<IGraphBuilder> graph;
    Com<IBaseFilter> grabberFilter, nullRenderer;
    Com<ISampleGrabber> grabber;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.out());
    if (SUCCEEDED(hr)) hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, grabberFilter.out());
    if (SUCCEEDED(hr)) hr = CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, nullRenderer.out());
    if (SUCCEEDED(hr)) hr = grabberFilter->QueryInterface(IID_ISampleGrabber, grabber.out());
    if (SUCCEEDED(hr)) hr = graph->AddFilter(device.p, name);
    if (SUCCEEDED(hr)) hr = graph->AddFilter(grabberFilter.p, L"Grabber");
    if (SUCCEEDED(hr)) hr = graph->AddFilter(nullRenderer.p, L"Null");
    Received received;
    received.want = want;
    Grab cb(&received);
    if (SUCCEEDED(hr)) {
        AM_MEDIA_TYPE mt = {};
        mt.majortype = video ? MEDIATYPE_Video : MEDIATYPE_Audio;
        grabber->SetMediaType(&mt);
        hr = grabber->SetCallback(&cb, 0);
    }
    Com<IPin> grabIn, grabOut, nullIn;
    if (SUCCEEDED(hr)) {
        grabIn.p = FirstPin(grabberFilter.p, PINDIR_INPUT);
        grabOut.p = FirstPin(grabberFilter.p, PINDIR_OUTPUT);
        nullIn.p = FirstPin(nullRenderer.p, PINDIR_INPUT);
        hr = grabIn.p && grabOut.p && nullIn.p ? S_OK : E_FAIL;
    }
    if (SUCCEEDED(hr)) hr = graph->ConnectDirect(out.p, grabIn.p, nullptr);
    if (SUCCEEDED(hr)) hr = graph->Connect(grabOut.p, nullIn.p);
    Com<IMediaFilter> mediaFilter;
    Com<IMediaControl> control;
    if (SUCCEEDED(hr)) hr = graph->QueryInterface(IID_IMediaFilter, mediaFilter.out());
    if (SUCCEEDED(hr)) hr = mediaFilter->SetSyncSource(nullptr);   // deliver as samples come
    if (SUCCEEDED(hr)) hr = graph->QueryInterface(IID_IMediaControl, control.out());
    if (SUCCEEDED(hr)) hr = control->Run();
    if (SUCCEEDED(hr)) {
        feed();
        hr = WaitForSingleObject(received.enough, 20000) == WAIT_OBJECT_0 ? S_OK : E_ABORT;
        control->Stop();
    }
    grabber.p ? grabber->SetCallback(nullptr, 0) : S_OK;
    {
        std::lock_guard<std::mutex> l(received.m);
        run.starts = received.starts;
        run.lengths = received.lengths;
        run.firstBytes = received.firstBytes;
    }
    run.hr = hr;
    return run;
}

}  // namespace

constexpr size_t kSamples = 5;

bool IsChild()
{
    wchar_t v[8];
    return GetEnvironmentVariableW(L"RVXVD_CHILD", v, 8) > 0;
}

// The graph's process: opens each device by name and checks what arrives.
TEST(RvxvdChild, GraphReceivesFramesAndAudio)
{
    if (!IsChild())
        GTEST_SKIP() << "run by RvxvdEndToEnd in its own process";
    ComScope com;
    GraphRun v = RunDeviceGraph(CLSID_VideoInputDeviceCategory, L"Rvx Virtual Video Device", true, kSamples, [] {});
    ASSERT_EQ(S_OK, v.hr);
    ASSERT_GE(v.starts.size(), kSamples);
    for (size_t i = 0; i < kSamples; ++i) {
        EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * 400000, v.starts[i]);
        EXPECT_EQ(720 * 576 * 3, v.lengths[i]);
        EXPECT_EQ(i + 1, v.firstBytes[i]);
    }
    GraphRun a = RunDeviceGraph(CLSID_AudioInputDeviceCategory, L"Rvx Virtual Audio Device", false, kSamples, [] {});
    ASSERT_EQ(S_OK, a.hr);
    ASSERT_GE(a.starts.size(), kSamples);
    for (size_t i = 0; i < kSamples; ++i) {
        EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * 400000, a.starts[i]);
        EXPECT_EQ(7056, a.lengths[i]);
        EXPECT_EQ(i + 50, a.firstBytes[i]);
    }
}

namespace {

class RunCount : public vd::IVDServerObserver {
public:
    HANDLE runs[2] = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    volatile LONG count = 0;
    void OnCommandHandled(SOCKET, const char* command) override
    {
        if (memcmp(command, "run=======", 10) == 0) {
            const LONG n = InterlockedIncrement(&count);
            if (n <= 2)
                SetEvent(runs[n - 1]);
        }
    }
    void OnClientDropped(SOCKET) override {}
};

using testnet::FreePort;

void Feed(IMemInputPin* input, size_t bytes, uint8_t firstValue, int64_t firstStart)
{
    std::vector<BYTE> data(bytes);
    for (size_t i = 0; i < kSamples; ++i) {
        std::fill(data.begin(), data.end(), static_cast<BYTE>(firstValue + i));
        HRESULT hr = S_OK;
        IMediaSample* sample = new CMediaSample(L"feed", nullptr, &hr, data.data(), static_cast<LONG>(data.size()));
        sample->AddRef();
        REFERENCE_TIME start = firstStart + static_cast<int64_t>(i) * 400000, stop = start + 400000;
        sample->SetTime(&start, &stop);
        input->Receive(sample);
        sample->Release();
    }
}

}  // namespace

// The program's process: CVDRender fed by the test; the graph runs in a child process.
TEST(RvxvdEndToEnd, ADeviceGraphInAnotherProcessReceivesTheRenderersSamples)
{
    if (IsChild())
        GTEST_SKIP();
    ComScope com;
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    RunCount runs;
    HRESULT hr = S_OK;
    CVDRender* render = new CVDRender(nullptr, FreePort(), &hr, &runs);
    render->AddRef();
    ASSERT_EQ(S_OK, hr);
    ProgramTypes types;
    vdtest::StubConnector upstream;
    AM_MEDIA_TYPE vmt = vdtest::TypeOf(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo,
                                       types.video.lSampleSize, types.video.format);
    AM_MEDIA_TYPE amt = vdtest::TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx,
                                       types.audio.lSampleSize, types.audio.format);
    ASSERT_EQ(S_OK, render->GetPin(0)->ReceiveConnection(&upstream, &vmt));
    ASSERT_EQ(S_OK, render->GetPin(1)->ReceiveConnection(&upstream, &amt));
    render->Run(0);
    WriteHostFile(render->ServerPort());
    ASSERT_EQ(0u, RunRegsvr32(L"\"" + ModulePath() + L"\""));

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring cmd = std::wstring(L"\"") + self + L"\" --gtest_filter=RvxvdChild.* --gtest_color=no";
    SetEnvironmentVariableW(L"RVXVD_CHILD", L"1");
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(L"RVXVD_CHILD", nullptr);
    ASSERT_TRUE(started);

    IMemInputPin* videoIn = nullptr;
    IMemInputPin* audioIn = nullptr;
    render->Input(0)->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&videoIn));
    render->Input(1)->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&audioIn));
    HANDLE videoWait[2] = {runs.runs[0], pi.hProcess};
    if (WaitForMultipleObjects(2, videoWait, FALSE, 30000) == WAIT_OBJECT_0)
        Feed(videoIn, types.video.lSampleSize, 1, 5000000000LL);
    HANDLE audioWait[2] = {runs.runs[1], pi.hProcess};
    if (WaitForMultipleObjects(2, audioWait, FALSE, 30000) == WAIT_OBJECT_0)
        Feed(audioIn, types.audio.lSampleSize, 50, 7000000);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(0u, code) << "the graph process failed; its output is above";
    EXPECT_EQ(2, runs.count);

    videoIn->Release();
    audioIn->Release();
    EXPECT_EQ(0u, RunRegsvr32(L"/u \"" + ModulePath() + L"\""));
    DeleteFileW(L"c:\\rvxhost.txt");
    render->Release();   // stops the server with the child's connections gone or going
    WSACleanup();
}

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

}  // namespace

TEST(RvxvdDevice, WithoutAServerTheDevicesOfferTheirDefaultsAndBlankSamples)
{
    if (IsChild())
        GTEST_SKIP();
    ComScope com;
    uint16_t closedPort = FreePort();
    WriteHostFile(closedPort);
    HMODULE module = LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(nullptr, module);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnloadFn>(GetProcAddress(module, "DllCanUnloadNow"));

    IClassFactory* factory = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(CLSID_VideoInputDeviceCategory, IID_IClassFactory,
                                                        reinterpret_cast<void**>(&factory)));
    ASSERT_EQ(S_OK, getClassObject(vd::CLSID_RvxVirtualVideoDevice, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    IUnknown* aggregated = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown,
                                                             reinterpret_cast<void**>(&aggregated)));
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)));
    factory->Release();
    EXPECT_EQ(S_FALSE, canUnload());

    // The filter itself answers for its pin's stream settings and category.
    IAMStreamConfig* config = nullptr;
    ASSERT_EQ(S_OK, filter->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
    int count = 0, size = 0;
    EXPECT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(1, count);
    EXPECT_EQ(128, size);
    AM_MEDIA_TYPE* mt = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    EXPECT_EQ(E_INVALIDARG, config->GetStreamCaps(1, &mt, reinterpret_cast<BYTE*>(&caps)));
    EXPECT_EQ(E_INVALIDARG, config->GetStreamCaps(-1, &mt, reinterpret_cast<BYTE*>(&caps)));
    ASSERT_EQ(S_OK, config->GetStreamCaps(0, &mt, reinterpret_cast<BYTE*>(&caps)));
    EXPECT_EQ(320, caps.MaxOutputSize.cx);
    EXPECT_EQ(240, caps.MaxOutputSize.cy);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, mt->subtype));
    EXPECT_EQ(230400u, mt->lSampleSize);
    ASSERT_EQ(88u, mt->cbFormat);
    EXPECT_EQ(-240, reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader.biHeight);
    EXPECT_EQ(400000, reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat)->AvgTimePerFrame);
    AM_MEDIA_TYPE* again = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&again));
    EXPECT_NE(mt->pbFormat, again->pbFormat);   // an independent copy
    for (AM_MEDIA_TYPE* t : {mt, again}) {
        CoTaskMemFree(t->pbFormat);
        CoTaskMemFree(t);
    }
    EXPECT_EQ(E_NOTIMPL, config->SetFormat(nullptr));
    config->Release();
    IKsPropertySet* props = nullptr;
    ASSERT_EQ(S_OK, filter->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&props)));
    GUID category = GUID_NULL;
    DWORD got = 0;
    EXPECT_EQ(S_OK, props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16, &got));
    EXPECT_TRUE(IsEqualGUID(PIN_CATEGORY_CAPTURE, category));
    props->Release();
    filter->Release();

    // The audio device: 52-byte capabilities of PCM 44100 Hz, 16-bit, stereo.
    ASSERT_EQ(S_OK, getClassObject(vd::CLSID_RvxVirtualAudioDevice, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
    factory->Release();
    EXPECT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(52, size);
    AUDIO_STREAM_CONFIG_CAPS acaps;
    ASSERT_EQ(S_OK, config->GetStreamCaps(0, &mt, reinterpret_cast<BYTE*>(&acaps)));
    EXPECT_EQ(44100u, acaps.MaximumSampleFrequency);
    EXPECT_EQ(7056u, mt->lSampleSize);
    CoTaskMemFree(mt->pbFormat);
    CoTaskMemFree(mt);
    config->Release();
    EXPECT_EQ(S_OK, canUnload());

    // Streamed through a graph, the unconnected video device sends black frames from 0.
    ASSERT_EQ(0u, RunRegsvr32(L"\"" + ModulePath() + L"\""));
    GraphRun v = RunDeviceGraph(CLSID_VideoInputDeviceCategory, L"Rvx Virtual Video Device", true, 3, [] {});
    ASSERT_EQ(S_OK, v.hr);
    ASSERT_GE(v.starts.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * 400000, v.starts[i]);
        EXPECT_EQ(230400, v.lengths[i]);
        EXPECT_EQ(0, v.firstBytes[i]);
    }
    EXPECT_EQ(0u, RunRegsvr32(L"/u \"" + ModulePath() + L"\""));
    DeleteFileW(L"c:\\rvxhost.txt");
    FreeLibrary(module);
}

TEST(RvxvdDevice, AMissingHostFileIsCreatedWithTheDefaultAddress)
{
    if (IsChild())
        GTEST_SKIP();
    ComScope com;
    DeleteFileW(L"c:\\rvxhost.txt");
    HMODULE module = LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(nullptr, module);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, getClassObject(vd::CLSID_RvxVirtualAudioDevice, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)));
    factory->Release();
    filter->Release();
    HANDLE f = CreateFileW(L"c:\\rvxhost.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    char buf[64];
    DWORD got = 0;
    ReadFile(f, buf, sizeof(buf), &got, nullptr);
    CloseHandle(f);
    EXPECT_EQ("127.0.0.1:8601", std::string(buf, got));
    DeleteFileW(L"c:\\rvxhost.txt");
    FreeLibrary(module);
}

TEST(RvxvdDevice, AServerThatGoesAwayAbortsTheStreamAndStopReturns)
{
    if (IsChild())
        GTEST_SKIP();
    ComScope com;
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    RunCount runs;
    HRESULT hr = S_OK;
    CVDRender* render = new CVDRender(nullptr, FreePort(), &hr, &runs);
    render->AddRef();
    ASSERT_EQ(S_OK, hr);
    ProgramTypes types;
    vdtest::StubConnector upstream;
    AM_MEDIA_TYPE amt = vdtest::TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx,
                                       types.audio.lSampleSize, types.audio.format);
    ASSERT_EQ(S_OK, render->GetPin(1)->ReceiveConnection(&upstream, &amt));
    WriteHostFile(render->ServerPort());
    ASSERT_EQ(0u, RunRegsvr32(L"\"" + ModulePath() + L"\""));

    Com<IBaseFilter> device;
    device.p = BindDevice(CLSID_AudioInputDeviceCategory, L"Rvx Virtual Audio Device");
    ASSERT_NE(nullptr, device.p);
    Com<IGraphBuilder> graph;
    Com<IBaseFilter> nullRenderer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.out()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, nullRenderer.out()));
    ASSERT_EQ(S_OK, graph->AddFilter(device.p, L"Device"));
    ASSERT_EQ(S_OK, graph->AddFilter(nullRenderer.p, L"Null"));
    Com<IPin> out, in;
    out.p = FirstPin(device.p, PINDIR_OUTPUT);
    in.p = FirstPin(nullRenderer.p, PINDIR_INPUT);
    ASSERT_EQ(S_OK, graph->ConnectDirect(out.p, in.p, nullptr));
    Com<IMediaFilter> mediaFilter;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaFilter, mediaFilter.out()));
    mediaFilter->SetSyncSource(nullptr);
    Com<IMediaControl> control;
    Com<IMediaEvent> events;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, control.out()));
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaEvent, events.out()));
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(runs.runs[0], 20000));

    render->StopServer();   // the device's connection breaks while it waits for a sample
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    bool aborted = false;
    for (int i = 0; i < 100 && !aborted; ++i) {
        if (events->GetEvent(&code, &p1, &p2, 200) != S_OK)
            continue;
        aborted = code == EC_ERRORABORT;
        events->FreeEventParams(code, p1, p2);
    }
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
    // A second run has no server: blank samples, and stop still returns.
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_TRUE(SUCCEEDED(control->Stop()));

    EXPECT_EQ(0u, RunRegsvr32(L"/u \"" + ModulePath() + L"\""));
    DeleteFileW(L"c:\\rvxhost.txt");
    render->Release();
    WSACleanup();
}
