#include "OutputSinksFixture.h"
#include "ProgramAudioType.h"

#include <mmreg.h>

namespace sinkstest {

CMediaType ProgramVideoType(LONG width, LONG height)
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    ZeroMemory(vih, sizeof *vih);
    SetRect(&vih->rcSource, 0, 0, width, height);
    vih->rcTarget = vih->rcSource;
    vih->AvgTimePerFrame = kFrameTime;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = -height;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    vih->bmiHeader.biCompression = BI_RGB;
    mt.SetSampleSize(ULONG(width * height * 4));
    mt.SetTemporalCompression(FALSE);
    return mt;
}

std::vector<DWORD> MakeFrame(LONG width, LONG height, DWORD tag)
{
    std::vector<DWORD> frame(size_t(width) * height);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            frame[size_t(y) * width + x] = Pixel(x, y, tag);
    return frame;
}

void SendFrame(IComposeSource* source, std::vector<DWORD>& pixels, int index)
{
    AM_SAMPLE2_PROPERTIES props = {};
    props.cbData = sizeof props;
    props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_SPLICEPOINT;
    props.tStart = kPinStart + REFERENCE_TIME(index) * kFrameTime;
    props.tStop = props.tStart + kFrameTime;
    props.pbBuffer = reinterpret_cast<BYTE*>(pixels.data());
    props.cbBuffer = long(pixels.size() * 4);
    props.lActual = props.cbBuffer;
    source->GetVideoListener()->OnVideoFrame(0, &props);
}

void SendAudio(IGrabListener* listener, DWORD tag, int index, long bytes)
{
    std::vector<BYTE> data(size_t(bytes), 0);
    *reinterpret_cast<DWORD*>(data.data()) = tag;
    HRESULT hr = S_OK;
    CMediaSample* sample = new CMediaSample(L"audio", nullptr, &hr, data.data(), bytes);
    sample->AddRef();
    sample->SetActualDataLength(bytes);
    REFERENCE_TIME start = kPinStart + REFERENCE_TIME(index) * kFrameTime, stop = start + kFrameTime;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    listener->OnSample(0, sample, int(start & 0xFFFFFFFF), int(start >> 32));
    sample->Release();
}

// --- feeder ---------------------------------------------------------------------

CFeeder::CFeeder(IComposeSource* source, LONG width, LONG height)
    : source_(source), audio_(source->GetAudioListener()), width_(width), height_(height)
{
    round_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread([this]() { Loop(); });
}

CFeeder::CFeeder(IGrabListener* audioOnly) : audio_(audioOnly)
{
    round_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread([this]() { Loop(); });
}

CFeeder::~CFeeder()
{
    Stop();
    CloseHandle(round_);
}

void CFeeder::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

bool CFeeder::WaitForRounds(int rounds)
{
    while (rounds_ < rounds)
        if (WaitForSingleObject(round_, 5000) != WAIT_OBJECT_0)
            return false;
    return true;
}

void CFeeder::Loop()
{
    std::vector<DWORD> frame;
    if (source_)
        frame = MakeFrame(width_, height_, 7);
    for (int i = 0; !stop_; ++i) {
        if (source_)
            SendFrame(source_, frame, i);
        if (audio_)
            SendAudio(audio_, DWORD(i), i);
        ++rounds_;
        SetEvent(round_);
    }
}

// --- fixture --------------------------------------------------------------------

void OutputSinksTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    EngineClock::SetSource(&OutputSinksTest::Clock);
    AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
        box_.text = text ? text : L"";
        box_.caption = caption ? caption : L"";
        box_.type = type;
        ++box_.count;
        return IDOK;
    });
    standIns_.reset(new standin::COutputStandIns());
    ASSERT_EQ(standIns_->Result(), S_OK);
}

void OutputSinksTest::TearDown()
{
    // A hold that ran out means something upstream waited on the held streaming thread.
    const struct {
        const char* name;
        standin::CReceiveLog& log;
    } logs[] = {{"Decklink video", standin::DecklinkVideoLog()},
                {"Decklink audio", standin::DecklinkAudioLog()},
                {"sound card", standin::SoundCardLog()},
                {"default sound", standin::DefaultSoundLog()}};
    for (const auto& l : logs)
        EXPECT_EQ(l.log.HoldsTimedOut(), 0u) << l.name;
    standIns_.reset();
    AfxSetMessageBoxProc(AFX_MESSAGEBOX_PROC());
    EngineClock::SetSource(nullptr);
    CoUninitialize();
}

CComPtr<IBaseFilter> OutputSinksTest::FindFilter(IGraphBuilder* graph, LPCWSTR name)
{
    CComPtr<IBaseFilter> filter;
    if (graph)
        graph->FindFilterByName(name, &filter);
    return filter;
}

size_t OutputSinksTest::FilterCount(IGraphBuilder* graph)
{
    size_t n = 0;
    CComPtr<IEnumFilters> filters;
    if (!graph || FAILED(graph->EnumFilters(&filters)))
        return 0;
    IBaseFilter* f = nullptr;
    while (filters->Next(1, &f, nullptr) == S_OK) {
        ++n;
        f->Release();
    }
    return n;
}

bool OutputSinksTest::ConnectionType(IPin* pin, CMediaType* type)
{
    AM_MEDIA_TYPE mt = {};
    if (!pin || pin->ConnectionMediaType(&mt) != S_OK)
        return false;
    *type = mt;
    FreeMediaType(mt);
    return true;
}

void OutputSinksTest::SetProgramTypes(IOutputGraph& graph, LONG width, LONG height)
{
    IComposeSource* source = graph.GetComposeSource();
    ASSERT_NE(source, nullptr);
    const CMediaType video = ProgramVideoType(width, height), audio = ProgramAudioType();
    ASSERT_EQ(source->SetPinMediaType(0, &video), S_OK);
    ASSERT_EQ(source->SetPinMediaType(1, &audio), S_OK);
}

} // namespace sinkstest
