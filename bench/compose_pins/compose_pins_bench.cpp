// Feeds the compose source's video pin 720 x 576 RGB32 frames through the platform's graph
// manager into a recording sink and prints: the delay from the listener call to the sink's
// Receive, paced at 25 fps (as the director hands frames over), and the throughput when
// frames are handed over as fast as the pin takes them.
#include "tests/app/graphs/RecordingSink.h"

#include "app/graphs/compose/ComposeSource.h"
#include "bench/BenchReport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const LONG kWidth = 720, kHeight = 576;
const long kFrameBytes = kWidth * kHeight * 4;

CMediaType VideoType()
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    ZeroMemory(vih, sizeof *vih);
    vih->AvgTimePerFrame = 400000;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = kWidth;
    vih->bmiHeader.biHeight = -kHeight;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    mt.SetSampleSize(kFrameBytes);
    return mt;
}

double Ms(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart);
}

} // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CComPtr<IGraphBuilder> graph;
    if (FAILED(graph.CoCreateInstance(CLSID_FilterGraph))) {
        std::printf("no filter graph manager\n");
        return 1;
    }
    HRESULT hr = S_OK;
    CComposeSource* source = CComposeSource::CreateInstance(&hr);
    const CMediaType type = VideoType();
    source->SetPinMediaType(0, &type);
    graphstest::CRecordingSink* sink = graphstest::CRecordingSink::Create();
    graph->AddFilter(source, L"ComposeSource");
    graph->AddFilter(sink, L"Sink");
    if (FAILED(graph->ConnectDirect(source->VideoPin(), sink->GetPin(0), nullptr))) {
        std::printf("connection failed\n");
        return 1;
    }
    CComQIPtr<IMediaControl> control(graph.Get());
    control->Run();
    OAFilterState state;
    control->GetState(5000, &state);
    source->ActivatePins();

    std::vector<BYTE> pixels(kFrameBytes, 0x80);
    AM_SAMPLE2_PROPERTIES props = {};
    props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
    props.pbBuffer = pixels.data();
    props.lActual = kFrameBytes;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);

    // Latency at 25 fps: each frame handed over on a 40 ms timer, timed to its delivery.
    HANDLE tick = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const int paced = 100;
    std::vector<double> latency;
    // With TIME_CALLBACK_EVENT_SET the callback argument carries the event handle.
    LPTIMECALLBACK callback = nullptr;
    static_assert(sizeof callback == sizeof tick, "an event handle travels in the callback argument");
    memcpy(&callback, &tick, sizeof callback);
    UINT timer = timeSetEvent(40, 1, callback, 0, TIME_PERIODIC | TIME_CALLBACK_EVENT_SET);
    for (int i = 0; i < paced; ++i) {
        WaitForSingleObject(tick, 1000);
        props.tStart = REFERENCE_TIME(timeGetTime()) * 10000;
        props.tStop = props.tStart + 400000;
        LARGE_INTEGER a, b;
        const size_t before = sink->Count();
        QueryPerformanceCounter(&a);
        source->VideoPin()->OnVideoFrame(0, &props);
        sink->WaitForSamples(before + 1, 2000);
        QueryPerformanceCounter(&b);
        latency.push_back(Ms(a, b, freq));
    }
    timeKillEvent(timer);
    CloseHandle(tick);
    std::sort(latency.begin(), latency.end());
    std::printf("video pin 720x576 RGB32, 25 fps paced, %d frames: latency median %.3f ms, 95th %.3f ms, max %.3f ms\n",
                paced, latency[latency.size() / 2], latency[latency.size() * 95 / 100], latency.back());
    bench::Figure("compose source video pin at 25 fps, delivery 95th percentile", latency[latency.size() * 95 / 100],
                  "ms");

    // Throughput: frames handed over back to back.
    const int burst = 1000;
    const size_t before = sink->Count();
    const size_t droppedBefore = source->VideoPin()->Queue().Dropped();
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    for (int i = 0; i < burst; ++i) {
        props.tStart = REFERENCE_TIME(timeGetTime()) * 10000;
        props.tStop = props.tStart + 400000;
        source->VideoPin()->OnVideoFrame(0, &props);
    }
    sink->WaitForSamples(before + 1, 1000);
    // Wait until the queue has drained.
    while (source->VideoPin()->Queue().Waiting() > 0)
        sink->WaitForSamples(sink->Count() + 1, 100);
    QueryPerformanceCounter(&b);
    const size_t delivered = sink->Count() - before;
    const double ms = Ms(a, b, freq);
    std::printf("video pin back to back: %d frames handed over, %u delivered, %u dropped in %.1f ms: %.1f frames/s, "
                "%.1f MB/s\n",
                burst, unsigned(delivered), unsigned(source->VideoPin()->Queue().Dropped() - droppedBefore),
                ms, delivered * 1000.0 / ms, delivered * double(kFrameBytes) / 1048576.0 / (ms / 1000.0));

    control->Stop();
    control.Release();
    graph.Release();
    sink->NonDelegatingRelease();
    source->NonDelegatingRelease();
    CoUninitialize();
    return 0;
}
