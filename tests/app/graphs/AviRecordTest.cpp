// The AVI output recording the program through Wine's own AVI multiplexer: the compose
// source is fed frames and audio by hand, the files are read back as RIFF (stream count,
// frame rate, size, the frames and audio in each), and a split by size, ticked by hand,
// gives consecutive files with every frame exactly once.
//
// With RVX_AVI_KEEP_DIR set (a Windows path), the recordings go to that folder and stay
// there, for the independent reader of avi_ffprobe_check.sh.
#include "app/core/EngineClock.h"
#include "ProgramAudioType.h"
#include "app/graphs/outputs/avi/AviComposeGraph.h"
#include "app/graphs/outputs/avi/AviFileWriter.h"
#include "app/graphs/compose/ComposeSource.h"
#include "testing/dv/DvStandIns.h"
#include "testing/dv/StandInPins.h"

#include <gtest/gtest.h>

#include <mmreg.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ios>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

DWORD g_now = 0;
DWORD TestClock()
{
    return g_now;
}

const LONG kWidth = 64, kHeight = 48;
const long kFrameBytes = kWidth * kHeight * 4;
const long kAudioBytes = 7056; // 40 ms of 44.1 kHz 16-bit stereo
const REFERENCE_TIME kFramePeriod = 400000; // 25 fps

CMediaType VideoType()
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    ZeroMemory(vih, sizeof *vih);
    vih->AvgTimePerFrame = kFramePeriod;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = kWidth;
    vih->bmiHeader.biHeight = kHeight;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    vih->bmiHeader.biSizeImage = kFrameBytes;
    mt.SetSampleSize(kFrameBytes);
    mt.SetTemporalCompression(FALSE);
    return mt;
}

// What a RIFF AVI holds, as far as these tests look.
struct AviInfo {
    bool riff = false;
    uint32_t streams = 0;
    uint32_t width = 0, height = 0;
    uint32_t rate = 0, scale = 0;
    std::vector<uint32_t> frameNumbers; // the first word of each video chunk of movi
    uint64_t audioBytes = 0;             // of the "01wb" chunks of movi
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return at + 4 <= b.size()
               ? uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24
               : 0;
}

bool Is(const std::vector<uint8_t>& b, size_t at, const char* fourcc)
{
    return at + 4 <= b.size() && memcmp(&b[at], fourcc, 4) == 0;
}

void Walk(const std::vector<uint8_t>& b, size_t at, size_t end, AviInfo* info, bool inStrl, bool inMovi)
{
    while (at + 8 <= end) {
        const uint32_t size = U32(b, at + 4);
        const size_t body = at + 8, next = body + size + (size & 1);
        if (next > b.size())
            return;
        if (Is(b, at, "LIST") || Is(b, at, "RIFF")) {
            const bool strl = Is(b, body, "strl"), movi = Is(b, body, "movi");
            Walk(b, body + 4, body + size, info, strl || inStrl, movi || inMovi);
        } else if (Is(b, at, "avih")) {
            info->streams = U32(b, body + 24);
            info->width = U32(b, body + 32);
            info->height = U32(b, body + 36);
        } else if (Is(b, at, "strh") && inStrl && Is(b, body, "vids")) {
            info->scale = U32(b, body + 20);
            info->rate = U32(b, body + 24);
        } else if (inMovi && (Is(b, at, "00db") || Is(b, at, "00dc")) && size == uint32_t(kFrameBytes)) {
            info->frameNumbers.push_back(U32(b, body));
        } else if (inMovi && Is(b, at, "01wb")) {
            info->audioBytes += size;
        }
        at = next;
    }
}

AviInfo ReadAvi(const CString& path)
{
    AviInfo info;
    std::ifstream in(static_cast<LPCWSTR>(path), std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    info.riff = Is(b, 0, "RIFF") && Is(b, 8, "AVI ");
    if (info.riff)
        Walk(b, 0, b.size(), &info, false, false);
    return info;
}

bool Consecutive(const std::vector<uint32_t>& numbers, uint32_t first)
{
    for (size_t i = 0; i < numbers.size(); ++i)
        if (numbers[i] != first + uint32_t(i))
            return false;
    return true;
}

SYSTEMTIME At(int second)
{
    SYSTEMTIME t = {};
    t.wYear = 2007, t.wMonth = 4, t.wDay = 12, t.wHour = 15, t.wMinute = 30, t.wSecond = WORD(second);
    return t;
}

// The local time recordings are named from; the tests move it by hand.
SYSTEMTIME g_localNow = At(5);
SYSTEMTIME LocalNow()
{
    return g_localNow;
}

bool OnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

uint32_t Streams()
{
    return OnWine() ? 1u : 2u;
}

struct Box {
    CString text, caption;
    UINT type = 0;
    int count = 0;
};

// {5B0E9C61-7A2D-4F3B-8E14-9C6A2B7D0F11}
const CLSID CLSID_StandInVideoEncoder = {0x5b0e9c61, 0x7a2d, 0x4f3b, {0x8e, 0x14, 0x9c, 0x6a, 0x2b, 0x7d, 0x0f, 0x11}};

// What the last stand-in encoder was told.
struct EncoderLog {
    int formatCalls = 0;
    int videoFormat = 0, dvFormat = 0, resolution = 0;
    BYTE dvInfoFlag = 0xFF;
    int qualityCalls = 0;
    double quality = -1;
};
EncoderLog g_encoder;

// A video compressor that passes the frames through unchanged and records its settings,
// found in the video compressor category under the names the graph asks for.
class CStandInEncoder : public CBaseFilter, public IDVEnc, public IAMVideoCompression {
public:
    static IUnknown* Create(HRESULT* phr)
    {
        CStandInEncoder* made = new CStandInEncoder(phr);
        made->NonDelegatingAddRef();
        return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(made));
    }
    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IDVEnc))
            return GetInterface(static_cast<IDVEnc*>(this), ppv);
        if (IsEqualIID(riid, IID_IAMVideoCompression))
            return GetInterface(static_cast<IAMVideoCompression*>(this), ppv);
        return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
    }
    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override
    {
        return n == 0 ? static_cast<CBasePin*>(input_.get()) : n == 1 ? output_.get() : nullptr;
    }

    HRESULT WINAPI get_IFormatResolution(int*, int*, int*, BYTE, DVINFO*) override { return E_NOTIMPL; }
    HRESULT WINAPI put_IFormatResolution(int videoFormat, int dvFormat, int resolution, BYTE dvInfo,
                                         DVINFO* info) override
    {
        ++g_encoder.formatCalls;
        g_encoder.videoFormat = videoFormat, g_encoder.dvFormat = dvFormat, g_encoder.resolution = resolution;
        g_encoder.dvInfoFlag = info ? 0xFE : dvInfo;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_KeyFrameRate(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_KeyFrameRate(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_PFramesPerKeyFrame(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PFramesPerKeyFrame(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Quality(double quality) override
    {
        ++g_encoder.qualityCalls;
        g_encoder.quality = quality;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Quality(double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_WindowSize(DWORDLONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_WindowSize(DWORDLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInfo(LPWSTR, int*, LPWSTR, int*, LONG*, LONG*, double*, LONG*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OverrideKeyFrame(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OverrideFrameSize(LONG, LONG) override { return E_NOTIMPL; }

private:
    explicit CStandInEncoder(HRESULT* phr)
        : CBaseFilter(TEXT("StandInEncoder"), nullptr, &lock_, CLSID_StandInVideoEncoder, phr)
    {
        input_.reset(new standin::CForwardingInputPin(
            this, &lock_, phr, L"In", MEDIATYPE_Video, MEDIASUBTYPE_RGB32,
            [this](IMediaSample* sample) { return Pass(sample); }, [this] { return output_->DeliverEndOfStream(); }));
        output_.reset(new standin::CFixedOutputPin(this, &lock_, phr, L"Out", VideoType(), kFrameBytes));
    }
    HRESULT Pass(IMediaSample* sample)
    {
        BYTE* in = nullptr;
        sample->GetPointer(&in);
        const long length = sample->GetActualDataLength();
        REFERENCE_TIME start = 0, stop = 0;
        const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
        return output_->DeliverFilled(
            [in, length](BYTE* out, long size) {
                const long n = length < size ? length : size;
                memcpy(out, in, size_t(n));
                return n;
            },
            timed ? &start : nullptr, timed ? &stop : nullptr);
    }

    CCritSec lock_;
    std::unique_ptr<standin::CForwardingInputPin> input_;
    std::unique_ptr<standin::CFixedOutputPin> output_;
};

class AviRecord : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        g_now = 10000;
        EngineClock::SetSource(&TestClock);
        g_localNow = At(5);
        EngineClock::SetLocalTimeSource(&LocalNow);
        AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
            box_.text = text ? text : L"";
            box_.caption = caption ? caption : L"";
            box_.type = type;
            ++box_.count;
            return IDOK;
        });
        const char* keep = getenv("RVX_AVI_KEEP_DIR");
        keep_ = keep && *keep;
        if (keep_) {
            folder_ = CString(keep);
        } else {
            wchar_t base[MAX_PATH];
            GetTempPathW(MAX_PATH, base);
            folder_.Format(L"%srvx_avi_%lu", base, GetCurrentProcessId());
        }
        CreateDirectoryW(folder_, nullptr);
        ASSERT_EQ(allocator_.CoCreateInstance(CLSID_MemoryAllocator), S_OK);
        ALLOCATOR_PROPERTIES want = {4, kAudioBytes, 1, 0}, got = {};
        ASSERT_EQ(allocator_->SetProperties(&want, &got), S_OK);
        ASSERT_EQ(allocator_->Commit(), S_OK);
    }

    void TearDown() override
    {
        if (graph_) {
            graph_->Stop();
            graph_->Destroy();
            graph_.reset();
        }
        allocator_->Decommit();
        allocator_.Release();
        AfxSetMessageBoxProc(AFX_MESSAGEBOX_PROC());
        EngineClock::SetLocalTimeSource(nullptr);
        EngineClock::SetSource(nullptr);
        if (!keep_) {
            WIN32_FIND_DATAW found;
            HANDLE find = FindFirstFileW(folder_ + L"\\*.avi", &found);
            if (find != INVALID_HANDLE_VALUE) {
                do
                    DeleteFileW(folder_ + L"\\" + found.cFileName);
                while (FindNextFileW(find, &found));
                FindClose(find);
            }
            RemoveDirectoryW(folder_);
        }
        CoUninitialize();
    }

    AviOutputSettings Settings(int split = 0, int max = 2048) const
    {
        AviOutputSettings s;
        s.Path = folder_ + L"\\";
        s.Split = split;
        s.Max = max;
        s.VCodec = L"None";
        s.ACodec = L"None";
        return s;
    }

    // As the director starts an output: Create, the pin types, the settings, Build.
    HRESULT Build(const AviOutputSettings& settings)
    {
        graph_.reset(new CAviComposeGraph());
        graph_->SetFileSize([this](LPCWSTR path, ULONGLONG* size) {
            if (reportedSize_ == 0)
                return CAviFileSplitter::DefaultFileSize(path, size);
            *size = reportedSize_;
            return true;
        });
        graph_->SetSplitTimer(false);
        HRESULT hr = graph_->Create();
        if (FAILED(hr))
            return hr;
        const CMediaType video = VideoType(), audio = ProgramAudioType(kAudioBytes);
        EXPECT_EQ(graph_->GetComposeSource()->SetPinMediaType(0, &video), S_OK);
        EXPECT_EQ(graph_->GetComposeSource()->SetPinMediaType(1, &audio), S_OK);
        graph_->SetAviSettings(settings);
        return graph_->Build();
    }

    void Run()
    {
        ASSERT_EQ(graph_->Run(), S_OK);
        OAFilterState state;
        ASSERT_EQ(graph_->GetState(5000, &state), S_OK);
        ASSERT_EQ(state, State_Running);
        graph_->GetComposeSource()->ActivatePins();
    }

    // One frame period at a time: a frame numbered in its first word and 40 ms of audio,
    // stamped from the clock, each then delivered downstream.
    void Feed(int frames)
    {
        CComposeSource* source = graph_->ComposeSource();
        std::vector<DWORD> pixels(kWidth * kHeight);
        for (int i = 0; i < frames; ++i) {
            g_now += 40;
            std::fill(pixels.begin(), pixels.end(), DWORD(fed_));
            AM_SAMPLE2_PROPERTIES frame = {};
            frame.cbData = sizeof(frame);
            frame.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_SPLICEPOINT;
            frame.tStart = REFERENCE_TIME(g_now) * 10000;
            frame.tStop = frame.tStart + kFramePeriod;
            frame.lActual = kFrameBytes;
            frame.cbBuffer = kFrameBytes;
            frame.pbBuffer = reinterpret_cast<BYTE*>(pixels.data());
            source->GetVideoListener()->OnVideoFrame(1, &frame);

            CComPtr<IMediaSample> chunk;
            ASSERT_EQ(allocator_->GetBuffer(&chunk, nullptr, nullptr, 0), S_OK);
            BYTE* data = nullptr;
            chunk->GetPointer(&data);
            memset(data, 0, kAudioBytes);
            chunk->SetActualDataLength(kAudioBytes);
            REFERENCE_TIME start = frame.tStart, stop = frame.tStop;
            chunk->SetTime(&start, &stop);
            chunk->SetSyncPoint(TRUE);
            source->GetAudioListener()->OnSample(0, chunk, 0, 0);
            chunk.Release();
            ++fed_;
            WaitDelivered(source->VideoPin());
            WaitDelivered(source->AudioPin());
        }
    }

    // The pin goes idle once its queue is empty and everything went downstream.
    static void WaitDelivered(CCSBaseOutputPin* pin)
    {
        EXPECT_EQ(WaitForSingleObject(pin->Queue().IdleEvent(), 10000), WAIT_OBJECT_0);
    }

    // The filter at the other end of the pin.
    static IBaseFilter* Peer(CBasePin* pin)
    {
        IPin* other = pin->GetConnected();
        PIN_INFO info = {};
        if (!other || FAILED(other->QueryPinInfo(&info)))
            return nullptr;
        info.pFilter->Release();
        return info.pFilter;
    }

    CString folder_;
    bool keep_ = false;
    SYSTEMTIME& now_ = g_localNow;
    ULONGLONG reportedSize_ = 0;
    std::unique_ptr<CAviComposeGraph> graph_;
    CComPtr<IMemAllocator> allocator_;
    Box box_;
    uint32_t fed_ = 0;
};

} // namespace

TEST_F(AviRecord, ProgramIsRecordedIntoATimeStampedAvi)
{
    ASSERT_EQ(Build(Settings()), S_OK);
    const CString file = graph_->CurrentFileName();
    EXPECT_EQ(file, folder_ + L"\\070412153005.avi");
    EXPECT_EQ(graph_->Splitter(), nullptr);
    // "None" for both codecs: the pins go straight into the multiplexer.
    EXPECT_EQ(Peer(graph_->ComposeSource()->VideoPin()), graph_->Multiplexer());
    // Wine's multiplexer refuses audio; elsewhere the audio pin goes into it as well.
    if (!OnWine()) {
        EXPECT_EQ(Peer(graph_->ComposeSource()->AudioPin()), graph_->Multiplexer());
    }
    Run();
    Feed(75); // three seconds at 25 fps
    ASSERT_EQ(graph_->Stop(), S_OK);
    EXPECT_EQ(graph_->Destroy(), S_OK);

    const AviInfo info = ReadAvi(file);
    ASSERT_TRUE(info.riff);
    EXPECT_EQ(info.streams, Streams());
    EXPECT_EQ(info.width, uint32_t(kWidth));
    EXPECT_EQ(info.height, uint32_t(kHeight));
    ASSERT_NE(info.scale, 0u);
    EXPECT_EQ(info.rate / info.scale, 25u);
    EXPECT_EQ(info.frameNumbers.size(), 75u);
    EXPECT_TRUE(Consecutive(info.frameNumbers, 0));
    EXPECT_EQ(info.audioBytes, Streams() == 2 ? uint64_t(75) * kAudioBytes : 0);
    EXPECT_EQ(box_.count, 0);
}

TEST_F(AviRecord, SplitBySizeContinuesInANewFileWithEveryFrameOnceAndOverwritesNothing)
{
    now_ = At(10);
    ASSERT_EQ(Build(Settings(1, 1)), S_OK);
    const CString first = graph_->CurrentFileName();
    EXPECT_EQ(first, folder_ + L"\\070412153010.avi");
    ASSERT_NE(graph_->Splitter(), nullptr);
    // A file already holding the name the split will take is left alone.
    const CString taken = folder_ + L"\\070412153011.avi";
    {
        std::ofstream other(static_cast<LPCWSTR>(taken), std::ios::binary);
        other << "keep";
    }
    Run();
    Feed(20);
    graph_->Splitter()->Tick(); // 20 small frames are far below a megabyte
    EXPECT_EQ(graph_->Splitter()->Splits(), 0);
    Feed(20);
    now_ = At(11);
    reportedSize_ = 1048576; // the file reaches the limit, as far as the tick can tell
    graph_->Splitter()->Tick();
    ASSERT_EQ(WaitForSingleObject(graph_->Splitter()->SplitDoneEvent(), 10000), WAIT_OBJECT_0);
    ASSERT_EQ(graph_->Splitter()->LastError(), S_OK);
    reportedSize_ = 0;
    const CString second = graph_->CurrentFileName();
    EXPECT_EQ(second, folder_ + L"\\070412153011_2.avi");
    OAFilterState state;
    ASSERT_EQ(graph_->GetState(5000, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    Feed(30);
    // Stopping ends the splitting first: no tick after it can run the graph again.
    ASSERT_EQ(graph_->Stop(), S_OK);
    EXPECT_EQ(graph_->Splitter(), nullptr);
    EXPECT_EQ(graph_->CurrentFileName(), second);
    EXPECT_EQ(graph_->Destroy(), S_OK);

    const AviInfo a = ReadAvi(first), b = ReadAvi(second);
    ASSERT_TRUE(a.riff);
    ASSERT_TRUE(b.riff);
    EXPECT_EQ(a.streams, Streams());
    EXPECT_EQ(b.streams, Streams());
    EXPECT_EQ(a.frameNumbers.size(), 40u);
    EXPECT_TRUE(Consecutive(a.frameNumbers, 0));
    EXPECT_EQ(b.frameNumbers.size(), 30u);
    EXPECT_TRUE(Consecutive(b.frameNumbers, 40)) << "the seam lost or doubled a frame";
    std::ifstream other(static_cast<LPCWSTR>(taken), std::ios::binary);
    std::string kept((std::istreambuf_iterator<char>(other)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "keep");
    if (!keep_)
        DeleteFileW(taken);
}

TEST_F(AviRecord, AMissingFolderIsReportedAndRefused)
{
    AviOutputSettings s = Settings();
    s.Path = folder_ + L"\\no such folder";
    EXPECT_EQ(Build(s), E_INVALIDARG);
    EXPECT_EQ(box_.count, 1);
    EXPECT_EQ(box_.text, CString(L"输出文件夹不存在！"));
    EXPECT_EQ(box_.caption, CString(L"错误"));
    EXPECT_EQ(box_.type, UINT(MB_ICONERROR));
    EXPECT_TRUE(graph_->CurrentFileName().IsEmpty());
}

TEST_F(AviRecord, AnUnknownCodecIsReportedWithItsName)
{
    struct Case {
        const wchar_t* video;
        const wchar_t* audio;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"No Such Video Codec", L"None", L"创建视频编码器(No Such Video Codec)失败！"},
        {L"None", L"No Such Audio Codec", L"创建音频编码器(No Such Audio Codec)失败！"},
    };
    for (const Case& c : cases) {
        box_ = Box();
        AviOutputSettings s = Settings();
        s.VCodec = c.video;
        s.ACodec = c.audio;
        EXPECT_TRUE(FAILED(Build(s)));
        EXPECT_EQ(box_.count, 1);
        EXPECT_EQ(box_.text, CString(c.text));
        EXPECT_EQ(box_.caption, CString(L"错误"));
        EXPECT_EQ(box_.type, UINT(MB_OK));
        EXPECT_EQ(graph_->Destroy(), S_OK);
        graph_.reset();
    }
}

// The encoders by name: the DV names take the "DV Video Encoder" with the DV format, any
// other name the compressor of that name with the quality; the frames go through it.
TEST_F(AviRecord, EncodersAreFoundByNameAndConfigured)
{
    standin::CClassRegistration encoder(CLSID_StandInVideoEncoder, &CStandInEncoder::Create);
    ASSERT_EQ(encoder.Result(), S_OK);
    ASSERT_EQ(standin::RegisterDevice(CLSID_VideoCompressorCategory, CLSID_StandInVideoEncoder,
                                      L"DV Video Encoder", nullptr),
              S_OK);
    ASSERT_EQ(standin::RegisterDevice(CLSID_VideoCompressorCategory, CLSID_StandInVideoEncoder,
                                      L"Stand-in Codec", nullptr),
              S_OK);
    struct Case {
        const wchar_t* codec;
        const wchar_t* filterName;
        int formatCalls, videoFormat, qualityCalls;
    };
    const Case cases[] = {
        {L"Microsoft DV (PAL)", L"DV Video Encoder", 1, DVENCODERVIDEOFORMAT_PAL, 0},
        {L"Microsoft DV (NTSC)", L"DV Video Encoder", 1, DVENCODERVIDEOFORMAT_NTSC, 0},
        {L"Stand-in Codec", L"Stand-in Codec", 0, 0, 1},
    };
    for (const Case& c : cases) {
        g_encoder = EncoderLog();
        AviOutputSettings s = Settings();
        s.VCodec = c.codec;
        s.VQuality = 75;
        ASSERT_EQ(Build(s), S_OK) << CW2A(c.codec).c_str();
        EXPECT_EQ(g_encoder.formatCalls, c.formatCalls);
        if (c.formatCalls) {
            EXPECT_EQ(g_encoder.videoFormat, c.videoFormat);
            EXPECT_EQ(g_encoder.dvFormat, int(DVENCODERFORMAT_DVSD));
            EXPECT_EQ(g_encoder.resolution, int(DVENCODERRESOLUTION_720x480));
            EXPECT_EQ(g_encoder.dvInfoFlag, 0);
        }
        EXPECT_EQ(g_encoder.qualityCalls, c.qualityCalls);
        if (c.qualityCalls) {
            EXPECT_DOUBLE_EQ(g_encoder.quality, 0.75);
        }
        CComPtr<IBaseFilter> named;
        EXPECT_EQ(graph_->Graph().GetGraph()->FindFilterByName(c.filterName, &named), S_OK);
        IBaseFilter* peer = Peer(graph_->ComposeSource()->VideoPin());
        EXPECT_TRUE(peer && named && peer == named.Get());
        // The frames go through the encoder into the file.
        const CString file = graph_->CurrentFileName();
        Run();
        Feed(5);
        ASSERT_EQ(graph_->Stop(), S_OK);
        EXPECT_EQ(graph_->Destroy(), S_OK);
        graph_.reset();
        EXPECT_EQ(ReadAvi(file).frameNumbers.size(), 5u);
        EXPECT_EQ(box_.count, 0);
        now_.wSecond++;
    }
    standin::UnregisterDevice(CLSID_VideoCompressorCategory, CLSID_StandInVideoEncoder, L"DV Video Encoder");
    standin::UnregisterDevice(CLSID_VideoCompressorCategory, CLSID_StandInVideoEncoder, L"Stand-in Codec");
}

// The writer the multiplexer writes through: sample data lands at the offset its start time
// names, the pin's IStream writes at its own position and reads back, and the file is made
// only when the filter starts, so a renamed writer never empties the file it wrote before.
TEST_F(AviRecord, TheWriterPutsSamplesAtTheirOffsetsAndStreamWritesAtItsPosition)
{
    HRESULT hr = E_FAIL;
    CAviFileWriter* writer = CAviFileWriter::CreateInstance(&hr);
    ASSERT_EQ(hr, S_OK);
    const CString first = folder_ + L"\\writer.avi", second = folder_ + L"\\writer2.avi";
    ASSERT_EQ(writer->SetFileName(first, nullptr), S_OK);
    EXPECT_EQ(GetFileAttributesW(first), INVALID_FILE_ATTRIBUTES);
    CComQIPtr<IStream> stream(static_cast<IUnknown*>(static_cast<IPin*>(writer->GetPin(0))));
    ASSERT_TRUE(stream);
    ULONG done = 0;
    EXPECT_EQ(stream->Write("x", 1, &done), VFW_E_WRONG_STATE); // no file before the start
    ASSERT_EQ(writer->Pause(), S_OK);

    CComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    memcpy(data, "DATA", 4);
    sample->SetActualDataLength(4);
    REFERENCE_TIME start = 8, stop = 12;
    sample->SetTime(&start, &stop);
    CComQIPtr<IMemInputPin> input(static_cast<IUnknown*>(static_cast<IPin*>(writer->GetPin(0))));
    ASSERT_TRUE(input);
    EXPECT_EQ(input->Receive(sample), S_OK);

    EXPECT_EQ(stream->Write("HEAD", 4, &done), S_OK);
    EXPECT_EQ(done, 4u);
    LARGE_INTEGER to;
    to.QuadPart = 2;
    ULARGE_INTEGER at;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_SET, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 2u);
    char two[2] = {};
    EXPECT_EQ(stream->Read(two, 2, &done), S_OK);
    EXPECT_EQ(std::string(two, 2), "AD");
    STATSTG stat;
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 12u);
    ASSERT_EQ(writer->Stop(), S_OK);
    // After the stop the multiplexer still writes its index; a new name closes the file.
    EXPECT_EQ(stream->Write("!", 1, &done), S_OK);
    ASSERT_EQ(writer->SetFileName(second, nullptr), S_OK);
    writer->NonDelegatingRelease();

    std::ifstream in(static_cast<LPCWSTR>(first), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string("HEAD!\0\0\0DATA", 12));
    EXPECT_EQ(GetFileAttributesW(second), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(first);
}

namespace {

// A sample as a faulty upstream filter may hand it: the length it claims and its buffer
// size are the test's, its buffer is larger than it says so nothing real is over-read.
class ClaimingSample : public IMediaSample {
public:
    ClaimingSample(long size, long actual, REFERENCE_TIME start) : size_(size), actual_(actual), start_(start)
    {
        memset(buffer_, 'S', sizeof buffer_);
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IMediaSample) {
            *ppv = static_cast<IMediaSample*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetPointer(BYTE** data) override
    {
        *data = buffer_;
        return S_OK;
    }
    STDMETHODIMP_(long) GetSize() override { return size_; }
    STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override
    {
        *start = start_;
        *stop = start_ + actual_;
        return S_OK;
    }
    STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
    STDMETHODIMP IsSyncPoint() override { return S_OK; }
    STDMETHODIMP SetSyncPoint(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP IsPreroll() override { return S_FALSE; }
    STDMETHODIMP SetPreroll(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP_(long) GetActualDataLength() override { return actual_; }
    STDMETHODIMP SetActualDataLength(long) override { return E_NOTIMPL; }
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override
    {
        *type = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDiscontinuity() override { return S_FALSE; }
    STDMETHODIMP SetDiscontinuity(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetMediaTime(LONGLONG*, LONGLONG*) override { return VFW_E_MEDIA_TIME_NOT_SET; }
    STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

private:
    BYTE buffer_[256];
    long size_, actual_;
    REFERENCE_TIME start_;
};

} // namespace

// A sample whose length runs past its own buffer, or whose offset lies before the file,
// writes nothing; nor can the stream be moved past the largest position.
TEST_F(AviRecord, TheWriterRefusesSamplesAndSeeksOutsideTheirBounds)
{
    HRESULT hr = E_FAIL;
    CAviFileWriter* writer = CAviFileWriter::CreateInstance(&hr);
    ASSERT_EQ(hr, S_OK);
    const CString file = folder_ + L"\\hostile.avi";
    ASSERT_EQ(writer->SetFileName(file, nullptr), S_OK);
    ASSERT_EQ(writer->Pause(), S_OK);
    CComQIPtr<IMemInputPin> input(static_cast<IUnknown*>(static_cast<IPin*>(writer->GetPin(0))));
    CComQIPtr<IStream> stream(static_cast<IUnknown*>(static_cast<IPin*>(writer->GetPin(0))));
    ASSERT_TRUE(input && stream);

    struct Case {
        long size, actual;
        REFERENCE_TIME start;
        HRESULT result;
    } cases[] = {
        {16, 256, 0, E_INVALIDARG}, // claims more than its buffer holds
        {16, -1, 0, E_INVALIDARG},
        {16, 4, -4, E_INVALIDARG},  // before the start of the file
        {16, 16, 0, S_OK},
    };
    for (const Case& c : cases) {
        ClaimingSample sample(c.size, c.actual, c.start);
        EXPECT_EQ(input->Receive(&sample), c.result) << c.size << " " << c.actual << " " << c.start;
    }

    LARGE_INTEGER to;
    ULARGE_INTEGER at;
    to.QuadPart = LLONG_MAX - 4;
    ASSERT_EQ(stream->Seek(to, STREAM_SEEK_SET, &at), S_OK);
    to.QuadPart = 8;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_CUR, &at), STG_E_INVALIDFUNCTION);
    to.QuadPart = LLONG_MAX;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_END, &at), STG_E_INVALIDFUNCTION);
    to.QuadPart = -17;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_END, &at), STG_E_INVALIDFUNCTION);
    to.QuadPart = -16;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 0u);

    ASSERT_EQ(writer->Stop(), S_OK);
    writer->NonDelegatingRelease();
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ASSERT_TRUE(GetFileAttributesExW(file, GetFileExInfoStandard, &attributes));
    EXPECT_EQ(attributes.nFileSizeLow, 16u);
    EXPECT_EQ(attributes.nFileSizeHigh, 0u);
    DeleteFileW(file);
}
