// The IEEE-1394 output graph with the stand-in DV encoder and multiplexer and scripted decks
// listed in the prefix's kernel-streaming render category: which deck it takes, what it
// tells the operator, the chain it builds, what reaches the deck, and the events it reports.
#include "app/core/EngineClock.h"
#include "ProgramAudioType.h"
#include "app/graphs/outputs/dv/DvComposeGraph.h"
#include "app/graphs/outputs/dv/ExtDeviceCodes.h"
#include "testing/dvout/DvOutStandIns.h"
#include "tests/support/dshow/FirstPin.h"

#include <gtest/gtest.h>

#include <afx.h>
#include <mmreg.h>

#include <memory>
#include <string>
#include <vector>

using standin::CDeviceEntry;
using standin::CStandInDvDeck;
using standin::CStandInDvEncoder;
using standin::CStandInDvMux;
using standin::DeckRecord;
using standin::DeckScript;

namespace {

DWORD g_now = 0;
DWORD TestClock()
{
    return g_now;
}

const LONG kWidth = 720, kHeight = 576;
const long kFrameBytes = kWidth * kHeight * 4;
const long kAudioBytes = 7056;
const LONG kCamcorder = 4105; // a device type other than a tape deck
const HRESULT kBusFault = static_cast<HRESULT>(0x8007001Fu);

CMediaType ProgramVideoType()
{
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_RGB32);
    mt.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    ZeroMemory(vih, sizeof *vih);
    vih->AvgTimePerFrame = 400000;
    vih->rcSource = {0, 0, kWidth, kHeight};
    vih->rcTarget = vih->rcSource;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = kWidth;
    vih->bmiHeader.biHeight = kHeight;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 32;
    vih->bmiHeader.biCompression = BI_RGB;
    vih->bmiHeader.biSizeImage = kFrameBytes;
    mt.SetSampleSize(kFrameBytes);
    mt.SetTemporalCompression(FALSE);
    return mt;
}

struct Box {
    std::wstring text;
    std::wstring caption;
    UINT icon = 0;
};

struct Deck {
    int slot;
    const wchar_t* friendlyName;
    const wchar_t* description;
    DeckScript script;
};

DeckScript Vcr()
{
    return DeckScript();
}

DeckScript WithType(LONG type)
{
    DeckScript s;
    s.deviceType = type;
    return s;
}

DeckScript FailingCapability(HRESULT hr)
{
    DeckScript s;
    s.capabilityResult = hr;
    return s;
}

DeckScript NoExtDevice()
{
    DeckScript s;
    s.hasExtDevice = false;
    return s;
}

// The filter's name in the graph and the name of the pin, at the other end of a pin.
struct PeerInfo {
    std::wstring filter;
    std::wstring pin;
};

PeerInfo Peer(IPin* pin)
{
    PeerInfo info;
    CComPtr<IPin> other;
    if (!pin || FAILED(pin->ConnectedTo(&other)))
        return info;
    PIN_INFO pi = {};
    if (SUCCEEDED(other->QueryPinInfo(&pi))) {
        info.pin = pi.achName;
        if (pi.pFilter) {
            FILTER_INFO fi = {};
            if (SUCCEEDED(pi.pFilter->QueryFilterInfo(&fi))) {
                info.filter = fi.achName;
                if (fi.pGraph)
                    fi.pGraph->Release();
            }
            pi.pFilter->Release();
        }
    }
    return info;
}

using testdshow::FirstPin;

class DvOutput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        g_now = 5000;
        EngineClock::SetSource(&TestClock);
        standIns_.reset(new standin::CDvOutStandIns());
        ASSERT_EQ(standIns_->Result(), S_OK);
        AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
            Box box;
            box.text = text ? text : L"";
            box.caption = caption ? caption : L"";
            box.icon = type & MB_ICONMASK;
            boxes_.push_back(box);
            return IDOK;
        });
    }

    void TearDown() override
    {
        if (graph_) {
            graph_->Stop();
            graph_->Destroy();
            graph_.reset();
        }
        decks_.clear();
        standIns_.reset();
        AfxSetMessageBoxProc(AFX_MESSAGEBOX_PROC());
        EngineClock::SetSource(nullptr);
        CoUninitialize();
    }

    static std::wstring Instance(int n)
    {
        wchar_t instance[32];
        swprintf(instance, 32, L"RvxTestDeck%d", n);
        return instance;
    }

    // Lists the decks in order: the category enumerates its entries by instance key.
    void ListDecks(const std::vector<Deck>& decks)
    {
        decks_.clear();
        for (int n = 1; n <= standin::kDeckSlots; ++n)
            for (int slot = 0; slot < standin::kDeckSlots; ++slot)
                CDeviceEntry::Remove(standin::kDeckCategory, CStandInDvDeck::ClassId(slot), Instance(n).c_str());
        int n = 0;
        for (const Deck& deck : decks) {
            CStandInDvDeck::SetScript(deck.slot, deck.script);
            const std::wstring instance = Instance(++n);
            decks_.emplace_back(new CDeviceEntry(standin::kDeckCategory, CStandInDvDeck::ClassId(deck.slot),
                                                 instance.c_str(), deck.friendlyName, deck.description));
            ASSERT_EQ(decks_.back()->Result(), S_OK);
        }
    }

    HRESULT CreateGraph(const DvOutputSettings& settings)
    {
        graph_.reset(new C1394ComposeGraph());
        graph_->SetSettings(settings);
        return graph_->Create();
    }

    static DvOutputSettings ByName(const wchar_t* name)
    {
        DvOutputSettings s;
        s.Device = name;
        return s;
    }

    static DvOutputSettings Automatic()
    {
        DvOutputSettings s;
        s.AutoSelect = 1;
        return s;
    }

    // The slot of the deck in the graph as "FireWireDevice", or -1.
    int DeckInGraph()
    {
        IGraphBuilder* graph = graph_->Graph().GetGraph();
        if (!graph)
            return -1;
        CComPtr<IBaseFilter> device;
        if (FAILED(graph->FindFilterByName(L"FireWireDevice", &device)))
            return -1;
        CLSID clsid = GUID_NULL;
        device->GetClassID(&clsid);
        for (int slot = 0; slot < standin::kDeckSlots; ++slot)
            if (clsid == CStandInDvDeck::ClassId(slot))
                return slot;
        return -2;
    }

    CComPtr<IBaseFilter> FindFilter(const wchar_t* name)
    {
        CComPtr<IBaseFilter> filter;
        if (IGraphBuilder* graph = graph_->Graph().GetGraph())
            graph->FindFilterByName(name, &filter);
        return filter;
    }

    HRESULT SetPinTypes()
    {
        const CMediaType video = ProgramVideoType(), audio = ProgramAudioType();
        IComposeSource* source = graph_->GetComposeSource();
        if (!source)
            return E_POINTER;
        HRESULT hr = source->SetPinMediaType(0, &video);
        return SUCCEEDED(hr) ? source->SetPinMediaType(1, &audio) : hr;
    }

    REFERENCE_TIME PinStart() const { return REFERENCE_TIME(g_now) * 10000; }

    void SendFrame(DWORD n)
    {
        std::vector<DWORD> pixels(size_t(kWidth) * kHeight, n);
        AM_SAMPLE2_PROPERTIES props = {};
        props.cbData = sizeof props;
        props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_SPLICEPOINT;
        props.tStart = PinStart() + REFERENCE_TIME(n) * 400000;
        props.tStop = props.tStart + 400000;
        props.pbBuffer = reinterpret_cast<BYTE*>(pixels.data());
        props.cbBuffer = kFrameBytes;
        props.lActual = kFrameBytes;
        graph_->GetComposeSource()->GetVideoListener()->OnVideoFrame(0, &props);
    }

    void SendAudio(IMemAllocator* allocator, DWORD n)
    {
        CComPtr<IMediaSample> sample;
        ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        for (long i = 0; i < kAudioBytes; ++i)
            data[i] = BYTE(n + i);
        sample->SetActualDataLength(kAudioBytes);
        REFERENCE_TIME start = PinStart() + REFERENCE_TIME(n) * 400000, stop = start + 400000;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        ASSERT_EQ(graph_->ComposeSource()->AudioPin()->QueueSample(sample), S_OK);
    }

    std::unique_ptr<standin::CDvOutStandIns> standIns_;
    std::vector<std::unique_ptr<CDeviceEntry>> decks_;
    std::unique_ptr<C1394ComposeGraph> graph_;
    std::vector<Box> boxes_;
};

const wchar_t kNoDevice[] = L"查找或创建DV失败！";
const wchar_t kNotVcr[] = L"DV不在VCR模式，请调到VCR模式！";
const wchar_t kNoTape[] = L"DV中没有磁带，请插入磁带！";

} // namespace

TEST_F(DvOutput, TheDeckIsFoundAutomaticallyOrByItsListedName)
{
    struct Case {
        const char* what;
        std::vector<Deck> decks;
        DvOutputSettings settings;
        HRESULT result;
        int slot; // the deck taken, or -1
    };
    const std::vector<Deck> sameNames = {{0, L"DV Deck", nullptr, Vcr()},
                                         {1, L"DV Deck", nullptr, Vcr()},
                                         {2, L"DV Deck", L"Sony", Vcr()}};
    const Case cases[] = {
        {"auto: the first VCR", {{0, L"Deck A", nullptr, Vcr()}, {1, L"Deck B", nullptr, Vcr()}}, Automatic(), S_OK, 0},
        {"auto: a camcorder first is passed over",
         {{0, L"Cam", nullptr, WithType(kCamcorder)}, {1, L"Deck", nullptr, Vcr()}},
         Automatic(), S_OK, 1},
        {"auto: a renderer without device control is passed over",
         {{0, L"Speaker", nullptr, NoExtDevice()}, {1, L"Deck", nullptr, Vcr()}},
         Automatic(), S_OK, 1},
        {"auto: a failing query ends the search with its failure",
         {{0, L"Cam", nullptr, FailingCapability(kBusFault)}, {1, L"Deck", nullptr, Vcr()}},
         Automatic(), kBusFault, -1},
        {"auto: no VCR at all", {{0, L"Cam", nullptr, WithType(kCamcorder)}}, Automatic(), E_FAIL, -1},
        {"auto: nothing listed", {}, Automatic(), E_FAIL, -1},
        {"name: the first of a name", sameNames, ByName(L"DV Deck"), S_OK, 0},
        {"name: the second of a name", sameNames, ByName(L"DV Deck #2"), S_OK, 1},
        {"name: with its description", sameNames, ByName(L"DV Deck(Sony)"), S_OK, 2},
        {"name: a described device does not count as a third", sameNames, ByName(L"DV Deck #3"), E_FAIL, -1},
        {"name: an empty name", sameNames, ByName(L""), E_UNEXPECTED, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ListDecks(c.decks);
        boxes_.clear();
        EXPECT_EQ(CreateGraph(c.settings), c.result);
        if (c.slot >= 0) {
            EXPECT_EQ(DeckInGraph(), c.slot);
            EXPECT_TRUE(FindFilter(L"ComposeSource"));
            EXPECT_TRUE(boxes_.empty());
        } else {
            // Nothing of the output is left behind.
            EXPECT_EQ(graph_->Graph().GetGraph(), nullptr);
            EXPECT_EQ(graph_->GetComposeSource(), nullptr);
            ASSERT_EQ(boxes_.size(), 1u);
            EXPECT_EQ(boxes_[0].text, kNoDevice);
            EXPECT_EQ(boxes_[0].caption, L"错误");
            EXPECT_EQ(boxes_[0].icon, UINT(MB_ICONERROR));
        }
        EXPECT_EQ(graph_->Destroy(), S_OK);
        graph_.reset();
    }
}

TEST_F(DvOutput, ADeckTheSettingsHoldIsUsedWithoutASearch)
{
    ListDecks({{0, L"DV Deck", nullptr, Vcr()}});
    CComPtr<IBaseFilter> deck;
    ASSERT_EQ(deck.CoCreateInstance(CStandInDvDeck::ClassId(1)), S_OK);
    DvOutputSettings settings = ByName(L"DV Deck");
    settings.AutoSelect = 1;
    settings.SetDeviceFilter(deck);
    ASSERT_EQ(CreateGraph(settings), S_OK);
    EXPECT_EQ(DeckInGraph(), 1);
    EXPECT_EQ(FindFilter(L"FireWireDevice"), deck);
    EXPECT_EQ(graph_->Destroy(), S_OK);

    // A bound device that is no deck at all is refused without asking the operator.
    CStandInDvDeck::SetScript(2, NoExtDevice());
    CComPtr<IBaseFilter> other;
    ASSERT_EQ(other.CoCreateInstance(CStandInDvDeck::ClassId(2)), S_OK);
    settings.SetDeviceFilter(other);
    EXPECT_EQ(CreateGraph(settings), E_UNEXPECTED);
    EXPECT_EQ(graph_->Graph().GetGraph(), nullptr);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(DvOutput, TheDecksModeTapeAndSignalAreCheckedAndSetTheDvFormat)
{
    struct Case {
        const char* what;
        DeckScript script;
        HRESULT result;
        const wchar_t* message; // null: none
        int format;
    };
    DeckScript camcorder = WithType(kCamcorder);
    DeckScript noAnswer = FailingCapability(E_NOTIMPL);
    DeckScript noTape;
    noTape.medium = extdev::kMediaNotPresent;
    DeckScript noStatus;
    noStatus.statusResult = E_NOTIMPL;
    auto signal = [](LONG s) {
        DeckScript d;
        d.signal = s;
        return d;
    };
    const Case cases[] = {
        {"not in VCR mode", camcorder, E_FAIL, kNotVcr, 0},
        {"the mode cannot be read", noAnswer, E_FAIL, kNotVcr, 0},
        {"no tape: the operator is told and it goes on", noTape, S_OK, kNoTape, 2001},
        {"525/60", signal(extdev::kSignal525_60_SD), S_OK, nullptr, 2000},
        {"525/60 long play", signal(extdev::kSignal525_60_SDL), S_OK, nullptr, 2000},
        {"625/50", signal(extdev::kSignal625_50_SD), S_OK, nullptr, 2001},
        {"625/50 long play", signal(extdev::kSignal625_50_SDL), S_OK, nullptr, 2001},
        {"another signal keeps PAL", signal(0), S_OK, nullptr, 2001},
        {"no status keeps PAL", noStatus, S_OK, nullptr, 2001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ListDecks({{0, L"DV Deck", nullptr, c.script}});
        CStandInDvEncoder::Reset();
        boxes_.clear();
        EXPECT_EQ(CreateGraph(ByName(L"DV Deck")), c.result);
        if (c.message) {
            ASSERT_EQ(boxes_.size(), 1u);
            EXPECT_EQ(boxes_[0].text, c.message);
            EXPECT_EQ(boxes_[0].caption, L"错误");
            EXPECT_EQ(boxes_[0].icon, UINT(MB_ICONINFORMATION));
        } else {
            EXPECT_TRUE(boxes_.empty());
        }
        if (SUCCEEDED(c.result)) {
            EXPECT_EQ(graph_->GetVideoFormat(), c.format);
            ASSERT_EQ(SetPinTypes(), S_OK);
            ASSERT_EQ(graph_->Build(), S_OK);
            ASSERT_EQ(CStandInDvEncoder::SettingsCalls(), 1);
            const standin::DvEncoderSettings enc = CStandInDvEncoder::LastSettings();
            EXPECT_EQ(enc.videoFormat, c.format);
            EXPECT_EQ(enc.dvFormat, 2007);
            EXPECT_EQ(enc.resolution, 2012);
            EXPECT_EQ(enc.withDvInfo, 0);
            EXPECT_FALSE(enc.dvInfoGiven);
        } else {
            EXPECT_EQ(graph_->Graph().GetGraph(), nullptr);
            EXPECT_EQ(graph_->GetComposeSource(), nullptr);
        }
        EXPECT_EQ(graph_->Destroy(), S_OK);
        graph_.reset();
    }
}

TEST_F(DvOutput, TheProgramReachesTheDeckThroughEncoderAndMultiplexer)
{
    ListDecks({{0, L"DV Deck", nullptr, Vcr()}});
    ASSERT_EQ(CreateGraph(ByName(L"DV Deck")), S_OK);
    ASSERT_EQ(SetPinTypes(), S_OK);
    ASSERT_EQ(graph_->Build(), S_OK);

    CComposeSource* source = graph_->ComposeSource();
    EXPECT_EQ(Peer(source->VideoPin()).filter, L"DV Video Encoder");
    EXPECT_EQ(Peer(source->AudioPin()).filter, L"ACMWrapper");
    CComPtr<IBaseFilter> encoder = FindFilter(L"DV Video Encoder");
    CComPtr<IBaseFilter> acm = FindFilter(L"ACMWrapper");
    CComPtr<IBaseFilter> mux = FindFilter(L"DVMux");
    ASSERT_TRUE(encoder && acm && mux);
    CComPtr<IPin> encoderOut, acmOut, muxOut;
    encoderOut.Attach(FirstPin(encoder, PINDIR_OUTPUT));
    acmOut.Attach(FirstPin(acm, PINDIR_OUTPUT));
    muxOut.Attach(FirstPin(mux, PINDIR_OUTPUT));
    EXPECT_EQ(Peer(encoderOut).filter, L"DVMux");
    EXPECT_EQ(Peer(encoderOut).pin, L"Input 01");
    EXPECT_EQ(Peer(acmOut).filter, L"DVMux");
    EXPECT_EQ(Peer(acmOut).pin, L"Input 02");
    EXPECT_EQ(Peer(muxOut).filter, L"FireWireDevice");
    // No codec is needed for the program's PCM: the wrapper passes it on as it is.
    AM_MEDIA_TYPE mt = {};
    ASSERT_EQ(acmOut->ConnectionMediaType(&mt), S_OK);
    EXPECT_TRUE(CMediaType(mt) == ProgramAudioType());
    FreeMediaType(mt);
    // Building put the deck into record.
    EXPECT_EQ(CStandInDvDeck::Record(0).modes, std::vector<LONG>{extdev::kModeRecord});

    ASSERT_TRUE(SUCCEEDED(graph_->Run()));
    OAFilterState state = State_Stopped;
    ASSERT_EQ(graph_->GetState(5000, &state), S_OK);
    ASSERT_EQ(state, State_Running);
    graph_->GetComposeSource()->ActivatePins();

    CComPtr<IMemAllocator> allocator;
    ASSERT_EQ(allocator.CoCreateInstance(CLSID_MemoryAllocator), S_OK);
    ALLOCATOR_PROPERTIES want = {8, kAudioBytes, 1, 0}, got = {};
    ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    const DWORD chunks = 5, frames = 12;
    for (DWORD n = 0; n < chunks; ++n)
        SendAudio(allocator, n);
    ASSERT_TRUE(CStandInDvMux::WaitForAudio(chunks * kAudioBytes, 10000)) << "the audio did not reach the mux";
    for (DWORD n = 0; n < frames; ++n)
        SendFrame(0x100 + n);
    ASSERT_TRUE(CStandInDvDeck::WaitForFrames(0, frames, 10000)) << "the frames did not reach the deck";

    const DeckRecord record = CStandInDvDeck::Record(0);
    ASSERT_EQ(record.colours.size(), size_t(frames));
    for (DWORD n = 0; n < frames; ++n) {
        EXPECT_EQ(record.colours[n], 0x100 + n) << "frame " << n;
        EXPECT_EQ(record.frames[n], n);
    }
    EXPECT_EQ(record.audioBytes, chunks * kAudioBytes);
    allocator->Decommit();

    ASSERT_TRUE(SUCCEEDED(graph_->Stop()));
    EXPECT_EQ(graph_->Destroy(), S_OK);
    // The transport was stopped while the deck was still in the graph.
    const DeckRecord after = CStandInDvDeck::Record(0);
    EXPECT_EQ(after.modes, (std::vector<LONG>{extdev::kModeRecord, extdev::kModeStop}));
    EXPECT_EQ(after.modeInGraph, (std::vector<bool>{true, true}));
    EXPECT_EQ(graph_->Graph().GetGraph(), nullptr);
    EXPECT_EQ(graph_->GetComposeSource(), nullptr);
}

TEST_F(DvOutput, WithoutTheEncoderBuildFailsAndTheDeckIsNotRecording)
{
    ListDecks({{0, L"DV Deck", nullptr, Vcr()}});
    ASSERT_EQ(CreateGraph(ByName(L"DV Deck")), S_OK);
    ASSERT_EQ(SetPinTypes(), S_OK);
    // Without the encoder listed there is nothing to make DV with.
    standIns_.reset();
    EXPECT_EQ(graph_->Build(), HRESULT(0xC0049003u));
    EXPECT_TRUE(CStandInDvDeck::Record(0).modes.empty());
}

TEST_F(DvOutput, GraphEventsAreDrainedAndTheLastThatMattersIsReturned)
{
    ListDecks({{0, L"DV Deck", nullptr, Vcr()}});
    ASSERT_EQ(CreateGraph(ByName(L"DV Deck")), S_OK);
    CComQIPtr<IMediaEventSink> sink(graph_->Graph().GetGraph());
    ASSERT_TRUE(sink);
    // The graph manager would hold a renderer's EC_COMPLETE back until every renderer of a
    // running graph has sent one; posted by hand, each is to reach the queue as it is.
    CComQIPtr<IMediaEventEx> events(graph_->Graph().GetGraph());
    ASSERT_EQ(events->CancelDefaultHandling(EC_COMPLETE), S_OK);
    struct Case {
        std::vector<long> events;
        long result;
    };
    const Case cases[] = {
        {{}, 0},
        {{EC_COMPLETE, EC_PAUSED}, EC_COMPLETE},
        {{EC_DEVICE_LOST, EC_COMPLETE}, EC_COMPLETE},
        {{EC_COMPLETE, EC_DEVICE_LOST, EC_PAUSED}, EC_DEVICE_LOST},
        {{EC_ERRORABORT}, EC_ERRORABORT},
        {{EC_PAUSED, EC_USERABORT}, 0},
    };
    for (const Case& c : cases) {
        for (long code : c.events) {
            const LONG_PTR param1 = code == EC_ERRORABORT ? LONG_PTR(E_FAIL) : 0;
            ASSERT_EQ(sink->Notify(code, param1, 0), S_OK);
        }
        EXPECT_EQ(C1394ComposeGraph::HandleGraphEvents(graph_.get()), c.result);
        // Every event was taken.
        EXPECT_EQ(C1394ComposeGraph::HandleGraphEvents(graph_.get()), 0);
    }
    EXPECT_EQ(C1394ComposeGraph::HandleGraphEvents(nullptr), 0);
}
