// The virtual-device output end to end: the director's program frame (720 x 576 RGB32, handed
// to the output graph's compose source as the director's frame thread does, 25 frames/s)
// through the colour space converter and the frame server, over loopback TCP, to a sample
// delivered by rvxvd's capture pin inside a DirectShow graph of its own. Prints the mean,
// 95th percentile and worst delay from the hand-over to the sink's Receive, and the frames
// that did not arrive. Wine has no colour space converter: the tests' stand-in takes its
// place. Run by tools/bench.sh (it writes the host file of its Wine prefix).
// Winsock 2 comes before anything that pulls in windows.h.
#include "app/graphs/outputs/vd/VDComposeGraph.h"
#include "tests/support/net/FreePort.h"
#include "tests/support/dshow/FirstPin.h"
#include "app/core/EngineClock.h"
#include "app/core/ProgramFormats.h"
#include "bench/BenchReport.h"
#include "filter/rvxvd/VDFilter.h"
#include "filter/rvxvd/VDHostFile.h"
#include "testing/dv/StandInPins.h"
#include "testing/outputs/ColourConverter.h"

#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

const LONG kWidth = 720, kHeight = 576;
const double kPeriodMs = 40.0;
const int kFrames = 150;

// Records when each frame arrived, by the tag its pixels carry.
class TimingSink : public CBaseFilter
{
public:
    TimingSink() : CBaseFilter(TEXT("TimingSink"), nullptr, &m_lock, GUID_NULL)
    {
        HRESULT hr = S_OK;
        m_pin.reset(new Pin(this, &m_lock, &hr));
        m_arrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~TimingSink() override
    {
        m_pin.reset();
        CloseHandle(m_arrived);
    }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? m_pin.get() : nullptr; }

    void Expect(size_t frames)
    {
        std::lock_guard<std::mutex> l(m_data);
        m_arrival.assign(frames, 0.0);
    }
    // The arrival time of each tag (0: not arrived).
    std::vector<double> Arrivals()
    {
        std::lock_guard<std::mutex> l(m_data);
        return m_arrival;
    }
    LONG Count() const { return m_count; }
    bool WaitForArrival(DWORD ms) { return WaitForSingleObject(m_arrived, ms) == WAIT_OBJECT_0; }

private:
    class Pin : public CBaseInputPin
    {
    public:
        Pin(TimingSink* sink, CCritSec* lock, HRESULT* phr)
            : CBaseInputPin(TEXT("TimingSinkPin"), sink, lock, phr, L"In"), m_sink(sink)
        {
        }
        HRESULT CheckMediaType(const CMediaType* type) override { return type ? S_OK : E_POINTER; }
        HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override
        {
            const double now = bench::NowMs();
            HRESULT hr = CBaseInputPin::Receive(sample);
            if (hr != S_OK)
                return hr;
            BYTE* p = nullptr;
            if (SUCCEEDED(sample->GetPointer(&p)) && p && sample->GetActualDataLength() >= 3)
                m_sink->Arrived(size_t(p[0]) | size_t(p[1]) << 8, now);
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }

    private:
        TimingSink* m_sink;
    };

    void Arrived(size_t tag, double now)
    {
        {
            std::lock_guard<std::mutex> l(m_data);
            if (tag < m_arrival.size() && m_arrival[tag] == 0.0)
                m_arrival[tag] = now;
        }
        InterlockedIncrement(&m_count);
        SetEvent(m_arrived);
    }

    CCritSec m_lock;
    std::mutex m_data;
    std::unique_ptr<Pin> m_pin;
    std::vector<double> m_arrival;
    volatile LONG m_count = 0;
    HANDLE m_arrived;
};

using testnet::FreePort;

bool WriteHostFile(uint16_t port)
{
    const std::string line = "127.0.0.1:" + std::to_string(port);
    HANDLE f = CreateFileW(vd::kHostFilePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(f, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(f);
    return written == line.size();
}

using testdshow::FirstPin;

// Every pixel of frame `tag` carries the tag in its blue and green bytes, which the
// conversion to RGB24 keeps.
void Tag(std::vector<DWORD>& frame, size_t tag)
{
    const DWORD pixel = 0x00800000u | DWORD(tag & 0xFFFF);
    std::fill(frame.begin(), frame.end(), pixel);
}

// Stamped with the engine clock, as the engine stamps the frames it composes.
void HandOver(IComposeSource* source, std::vector<DWORD>& frame)
{
    AM_SAMPLE2_PROPERTIES props = {};
    props.cbData = sizeof props;
    props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_SPLICEPOINT;
    props.tStart = REFERENCE_TIME(EngineClock::Now()) * 10000;
    props.tStop = props.tStart + 400000;
    props.pbBuffer = reinterpret_cast<BYTE*>(frame.data());
    props.cbBuffer = long(frame.size() * 4);
    props.lActual = props.cbBuffer;
    source->GetVideoListener()->OnVideoFrame(0, &props);
}

int Fail(const char* what, HRESULT hr)
{
    std::printf("virtual device: %s failed (0x%08lx)\n", what, static_cast<unsigned long>(hr));
    return 1;
}

} // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);

    standin::CClassRegistration colour(CLSID_Colour, &standin::CStandInColourConverter::Create);
    // The program's side: the output graph the director starts for the virtual device.
    const uint16_t port = FreePort();
    CVDComposeGraph output;
    output.SetListenPort(port);
    HRESULT hr = output.Create();
    if (FAILED(hr))
        return Fail("the output graph", hr);
    IComposeSource* source = output.GetComposeSource();
    const CMediaType video = ProgramVideoType(kWidth, kHeight, 25.0f),
                     audio = ProgramAudioType(ProgramAudioFormat(), 7056);  // 40 ms chunks
    source->SetPinMediaType(0, &video);
    source->SetPinMediaType(1, &audio);
    if (FAILED(hr = output.Build()))
        return Fail("building the output graph", hr);
    if (FAILED(hr = output.Run()))
        return Fail("running the output graph", hr);
    OAFilterState state;
    output.GetState(5000, &state);
    source->ActivatePins();

    // The capture program's side: the device in a graph of its own, into a sink that notes
    // each arrival. No reference clock: samples are delivered as they come.
    if (!WriteHostFile(port))
        return Fail("writing the host file", E_FAIL);
    CComPtr<IGraphBuilder> graph;
    if (FAILED(hr = graph.CoCreateInstance(CLSID_FilterGraph)))
        return Fail("the capture graph", hr);
    hr = S_OK;
    vd::CVDBaseFilter* device = new vd::CVDBaseFilter(nullptr, &hr, true);

    device->NonDelegatingAddRef();
    TimingSink* sink = new TimingSink();
    sink->NonDelegatingAddRef();
    graph->AddFilter(device, L"Rvx Virtual Video Device");
    graph->AddFilter(sink, L"Sink");
    CComPtr<IPin> out, in;
    *&out = FirstPin(device, PINDIR_OUTPUT);
    *&in = FirstPin(sink, PINDIR_INPUT);
    if (!out || !in || FAILED(hr = graph->ConnectDirect(out, in, nullptr)))
        return Fail("connecting the device", hr);
    CComQIPtr<IMediaFilter> mediaFilter(graph.Get());
    mediaFilter->SetSyncSource(nullptr);
    CComQIPtr<IMediaControl> control(graph.Get());
    if (FAILED(hr = control->Run()))
        return Fail("running the capture graph", hr);

    std::vector<DWORD> frame(size_t(kWidth) * kHeight);
    // Until the device's run has reached the server, frames go nowhere: hand over warm-up
    // frames until one arrives. Their tags lie beyond the measured ones.
    sink->Expect(kFrames);
    for (int i = 0; i < 200 && sink->Count() == 0; ++i) {
        Tag(frame, 0xFFFF);
        HandOver(source, frame);
        sink->WaitForArrival(40);
    }
    if (sink->Count() == 0)
        return Fail("the first frame's arrival", E_FAIL);
    Sleep(200);

    std::vector<double> handedAt(kFrames);
    timeBeginPeriod(1);
    const double start = bench::NowMs() + kPeriodMs;
    for (int f = 0; f < kFrames; ++f) {
        Tag(frame, size_t(f));
        const double due = start + f * kPeriodMs;
        for (double now = bench::NowMs(); now < due; now = bench::NowMs())
            Sleep(due - now > 2.0 ? 1 : 0);
        handedAt[f] = bench::NowMs();
        HandOver(source, frame);
    }
    // The last frames have a second to arrive.
    for (int i = 0; i < 25; ++i)
        sink->WaitForArrival(40);
    timeEndPeriod(1);

    const std::vector<double> arrivals = sink->Arrivals();
    std::vector<double> delays;
    for (int f = 0; f < kFrames; ++f)
        if (arrivals[f] > 0.0)
            delays.push_back(arrivals[f] - handedAt[f]);
    const bench::Spread s = bench::SpreadOf(delays);
    std::printf("virtual device 720x576 RGB24, 25 fps, %d frames: delay mean %.3f ms, 95th %.3f ms, max %.3f ms, "
                "%d arrived\n",
                kFrames, s.mean, s.p95, s.max, int(delays.size()));
    bench::Figure("director frame to rvxvd sample, mean", s.mean, "ms");
    bench::Figure("director frame to rvxvd sample, 95th percentile", s.p95, "ms");
    bench::Figure("director frame to rvxvd sample, frames lost", double(kFrames - int(delays.size())), "frames");

    control->Stop();
    control.Release();
    out.Release();
    in.Release();
    graph.Release();
    sink->NonDelegatingRelease();
    device->NonDelegatingRelease();
    output.Stop();
    output.Destroy();
    WSACleanup();
    CoUninitialize();
    return 0;
}
