// The Windows Media output graph in the platform's filter graph, ending in the stand-in ASF
// writer, whose records show what the graph configured: file name, sinks, profile and the
// content description; push outcomes come from the stand-in push sink's own thread.
#include "app/core/EngineClock.h"
#include "app/graphs/outputs/wmv/WmvComposeGraph.h"

#include "app/foundation/AppHelpers.h"
#include "app/settings/WMVCredentialDlgIds.h"
#include "testing/asfwriter/AsfWriterStandIn.h"

#include <gtest/gtest.h>

#include <afx.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using standin::CAsfStandIns;
using standin::PushAnswer;

namespace {

const LONG kWidth = 64, kHeight = 48;

struct Box {
    std::wstring text, caption;
    UINT type;
};

struct PostedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<PostedMessage> g_posted;

LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PUSH_ERROR || message == WM_APP) {
        g_posted.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring Text(const CString& s)
{
    return std::wstring(static_cast<LPCWSTR>(s));
}

void Touch(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << std::string(path.begin(), path.end());
    CloseHandle(file);
}

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

class WmvOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        standins_.reset(new CAsfStandIns());
        ASSERT_EQ(standins_->Result(), S_OK);
        standins_->profileStreams = {{MEDIATYPE_Audio}, {MEDIATYPE_Video, 0, 0}};

        WCHAR temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"wmv_output_test_" + std::to_wstring(GetCurrentProcessId());
        RemoveTree(folder_);
        CreateDirectoryW(folder_.c_str(), nullptr);
        SetExeDirectoryOverride(folder_.c_str());

        AfxSetMessageBoxProc([this](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
            boxes_.push_back({text ? text : L"", caption ? caption : L"", type});
            return IDOK;
        });

        WNDCLASSW wc = {};
        wc.lpfnWndProc = &RecordingWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"WmvOutputTestWindow";
        RegisterClassW(&wc);
        window_ = CreateWindowW(L"WmvOutputTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                nullptr);
        ASSERT_NE(window_, nullptr);
        g_posted.clear();

        settings_.Profile = L"<profile version=\"589824\" name=\"test\"/>";
        settings_.OutputFilePath = (folder_ + L"\\show.wmv").c_str();
        settings_.Overwrite = 1;
        settings_.Port = 8080;
        settings_.PushServer = L"server";
        settings_.PublishPoint = L"point";
    }

    void TearDown() override
    {
        if (graph_) {
            graph_->Destroy();
            delete graph_;
            graph_ = nullptr;
        }
        standins_.reset();
        AfxSetMessageBoxProc(AFX_MESSAGEBOX_PROC());
        SetExeDirectoryOverride(nullptr);
        DestroyWindow(window_);
        RemoveTree(folder_);
        CoUninitialize();
    }

    // Construct, settings, Create, the pin types the director sets, Build.
    HRESULT Build(DWORD pushTimeoutMs = 5000)
    {
        graph_ = new CWmvComposeGraph();
        graph_->SetPushErrorWindow(window_);
        graph_->SetPushConnectTimeout(pushTimeoutMs);
        HRESULT hr = graph_->Create();
        if (FAILED(hr))
            return hr;
        IComposeSource* source = graph_->GetComposeSource();
        if (!source)
            return E_FAIL;
        const CMediaType video = standin::Rgb32Type(kWidth, kHeight);
        const CMediaType audio = standin::ProgramPcmType();
        hr = source->SetPinMediaType(0, &video);
        if (SUCCEEDED(hr))
            hr = source->SetPinMediaType(1, &audio);
        if (FAILED(hr))
            return hr;
        graph_->SetEncodeSettings(settings_);
        hr = graph_->Build();
        // Whatever the sink's thread still sends this thread is answered before it is joined.
        PumpMessages();
        standins_->JoinPushThreads();
        PumpMessages();
        return hr;
    }

    static void PumpMessages()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    std::vector<std::string> SinkCalls() const { return standins_->LastWriter()->sinkCalls; }

    std::unique_ptr<CAsfStandIns> standins_; // made once COM is up
    CEncodeSettings settings_;
    CWmvComposeGraph* graph_ = nullptr;
    std::wstring folder_;
    std::vector<Box> boxes_;
    HWND window_ = nullptr;
};

bool PinConnected(IBaseFilter* filter, int index)
{
    CComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins)))
        return false;
    CComPtr<IPin> pin;
    for (int i = 0; i <= index; ++i) {
        if (pins->Next(1, &pin, nullptr) != S_OK)
            return false;
    }
    CComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(&peer)) && peer;
}

TEST_F(WmvOutput, EveryDestinationIsConfiguredAsSet)
{
    settings_.Flags = kEncodeOutputFile | kEncodeBroadcast | kEncodePushToServer;
    settings_.Addindex = 1;
    settings_.AutoRemove = 1;
    settings_.Title = L"Evening news";
    settings_.Rating = L"";
    settings_.Author = L"\u6f14\u64ad\u5ba4";
    settings_.Copyright = L"(c) 2026";
    settings_.Description = L"Live";
    ASSERT_EQ(Build(), S_OK);

    const auto writer = standins_->LastWriter();
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->fileName, folder_ + L"\\show.wmv");
    EXPECT_EQ(writer->indexModeCalls, 1);
    EXPECT_EQ(writer->indexMode, TRUE);
    EXPECT_EQ(SinkCalls(), (std::vector<std::string>{"AddSink(network)", "AddSink(push)"}));
    EXPECT_EQ(writer->sinkCount, 3u); // the file sink stays

    ASSERT_EQ(standins_->NetworkSinks().size(), 1u);
    const auto network = standins_->NetworkSinks()[0];
    EXPECT_TRUE(network->protocolSet);
    EXPECT_EQ(network->protocol, WMT_PROTOCOL_HTTP);
    EXPECT_EQ(network->port, 8080u);

    ASSERT_EQ(standins_->PushSinks().size(), 1u);
    const auto push = standins_->PushSinks()[0];
    EXPECT_EQ(push->url, L"http://server/point");
    EXPECT_FALSE(push->templateGiven); // no template: null, not an empty string
    EXPECT_EQ(push->autoRemove, TRUE);
    EXPECT_TRUE(g_posted.empty());

    EXPECT_EQ(standins_->LoadedProfiles(), std::vector<std::wstring>{Text(settings_.Profile)});
    EXPECT_TRUE(writer->profileConfigured);

    // The content strings in their order, each with its terminator counted in bytes.
    const wchar_t* names[] = {L"Title", L"Rating", L"Author", L"Copyright", L"Description"};
    const CString values[] = {settings_.Title, settings_.Rating, settings_.Author, settings_.Copyright,
                              settings_.Description};
    ASSERT_EQ(writer->attributes.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        const standin::AsfAttribute& a = writer->attributes[i];
        EXPECT_EQ(a.name, names[i]);
        EXPECT_EQ(a.stream, 0);
        EXPECT_EQ(a.type, WMT_TYPE_STRING);
        const size_t chars = static_cast<size_t>(values[i].GetLength()) + 1;
        ASSERT_EQ(a.length, chars * 2) << i;
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(a.value.data()), chars),
                  std::wstring(static_cast<LPCWSTR>(values[i]), chars));
    }

    // Both compose pins reach the writer's inputs.
    EXPECT_TRUE(PinConnected(graph_->GetWriter(), 0));
    EXPECT_TRUE(PinConnected(graph_->GetWriter(), 1));
}

TEST_F(WmvOutput, PushTemplateIsPassedWhenGiven)
{
    settings_.Flags = kEncodePushToServer;
    settings_.PushServer = L"media.example:8081";
    settings_.CopyFrom = L"template";
    ASSERT_EQ(Build(), S_OK);
    ASSERT_EQ(standins_->PushSinks().size(), 1u);
    const auto push = standins_->PushSinks()[0];
    EXPECT_EQ(push->url, L"http://media.example:8081/point");
    EXPECT_TRUE(push->templateGiven);
    EXPECT_EQ(push->templateUrl, L"template");
    EXPECT_EQ(push->autoRemove, FALSE);
    EXPECT_EQ(SinkCalls(), (std::vector<std::string>{"RemoveSink(null)", "AddSink(push)"}));
}

TEST_F(WmvOutput, BroadcastOnlyWritesNoFile)
{
    settings_.Flags = kEncodeBroadcast;
    ASSERT_EQ(Build(), S_OK);
    const auto writer = standins_->LastWriter();
    EXPECT_EQ(writer->fileName, folder_ + L"\\empty.wmv");
    // The file sink goes before the network sink comes.
    EXPECT_EQ(SinkCalls(), (std::vector<std::string>{"RemoveSink(null)", "AddSink(network)"}));
    EXPECT_EQ(writer->sinkCount, 1u);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(WmvOutput, UniqueFileNames)
{
    const std::wstring dotted = folder_ + L"\\my.shows";
    ASSERT_TRUE(CreateDirectoryW(dotted.c_str(), nullptr));
    Touch(folder_ + L"\\a.wmv");
    Touch(folder_ + L"\\a001.wmv");
    Touch(folder_ + L"\\name");
    Touch(dotted + L"\\live");
    struct Case {
        std::wstring path, expected;
    } cases[] = {
        {folder_ + L"\\a.wmv", folder_ + L"\\a002.wmv"},
        {folder_ + L"\\b.wmv", folder_ + L"\\b.wmv"},
        {folder_ + L"\\name", folder_ + L"\\name001"},
        // The dot of a folder is not the file's extension.
        {dotted + L"\\live", dotted + L"\\live001"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(CWmvComposeGraph::MakeUniqueFileName(c.path.c_str())), c.expected);
}

TEST_F(WmvOutput, ArchiveWithoutOverwriteTakesTheNextFreeName)
{
    Touch(folder_ + L"\\a.wmv");
    Touch(folder_ + L"\\a001.wmv");
    settings_.Flags = kEncodeOutputFile | kEncodePushToServer;
    settings_.Overwrite = 0;
    settings_.OutputFilePath = (folder_ + L"\\a.wmv").c_str();
    ASSERT_EQ(Build(), S_OK);
    EXPECT_EQ(standins_->LastWriter()->fileName, folder_ + L"\\a002.wmv");
    EXPECT_EQ(standins_->LastWriter()->indexMode, FALSE);
    EXPECT_EQ(SinkCalls(), std::vector<std::string>{"AddSink(push)"});
}

TEST_F(WmvOutput, MissingFolderIsReportedAndTheOutputGoesOn)
{
    settings_.Flags = kEncodeOutputFile;
    const std::wstring path = folder_ + L"\\missing\\show.wmv";
    settings_.OutputFilePath = path.c_str();
    ASSERT_EQ(Build(), S_OK);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, L"\u6587\u4ef6\u8def\u5f84\uff1a" + path + L"\u9519\u8bef\uff01");
    EXPECT_EQ(boxes_[0].caption, L"\u9519\u8bef");
    EXPECT_EQ(boxes_[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(standins_->LastWriter()->fileName, path);
    EXPECT_TRUE(standins_->LastWriter()->profileConfigured);
}

TEST_F(WmvOutput, PortThatCannotListenIsReportedAndOtherSinksGoOn)
{
    settings_.Flags = kEncodeBroadcast | kEncodePushToServer;
    settings_.Port = 554;
    standins_->networkOpenResult = E_ACCESSDENIED;
    ASSERT_EQ(Build(), S_OK);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, L"\u7aef\u53e3554\u76d1\u542c\u5931\u8d25\uff0c\u9519\u8bef\u503c\uff1a0x80070005\uff01");
    EXPECT_EQ(boxes_[0].caption, L"\u9519\u8bef");
    EXPECT_EQ(SinkCalls(), (std::vector<std::string>{"RemoveSink(null)", "AddSink(push)"}));
}

TEST_F(WmvOutput, ServerAsksForAPasswordWhileTheMainThreadWaits)
{
    settings_.Flags = kEncodePushToServer;
    standins_->pushAsksCredentials = true;
    standins_->pushSite = L"media.example";
    const DWORD mainThread = GetCurrentThreadId();
    DWORD askedOn = 0;
    std::wstring site;
    HWND window = window_;
    SetWmvCredentialPrompt([&](WmvCredentials& c) {
        askedOn = GetCurrentThreadId();
        site = Text(c.site);
        // A box owned by the main window talks to its thread: that thread must be pumping.
        SendMessageW(window, WM_APP, 7, 0);
        c.user = L"operator";
        c.password = L"secret";
        c.remember = 1;
        return true;
    });
    const HRESULT hr = Build();
    SetWmvCredentialPrompt(WmvCredentialPrompt());
    ASSERT_EQ(hr, S_OK);
    EXPECT_NE(askedOn, mainThread);
    EXPECT_EQ(site, L"media.example");
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(g_posted[0].message, static_cast<UINT>(WM_APP));
    const auto push = standins_->PushSinks()[0];
    EXPECT_TRUE(push->credentialsAsked);
    EXPECT_EQ(push->credentialResult, S_OK);
    EXPECT_EQ(push->user, L"operator");
    EXPECT_EQ(push->password, L"secret");
    EXPECT_EQ(push->credentialFlags, static_cast<DWORD>(WMT_CREDENTIAL_SAVE));
    EXPECT_EQ(SinkCalls(), (std::vector<std::string>{"RemoveSink(null)", "AddSink(push)"}));
}

TEST_F(WmvOutput, RefusedPasswordEndsThePush)
{
    settings_.Flags = kEncodePushToServer;
    standins_->pushAsksCredentials = true;
    SetWmvCredentialPrompt([](WmvCredentials&) { return false; });
    const HRESULT hr = Build();
    SetWmvCredentialPrompt(WmvCredentialPrompt());
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(standins_->PushSinks()[0]->credentialResult, E_FAIL);
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(static_cast<HRESULT>(g_posted[0].wParam), E_ACCESSDENIED);
    EXPECT_EQ(SinkCalls(), std::vector<std::string>{"RemoveSink(null)"});
}

// The push wait's clock, driven by the test; `looked` is set whenever the main thread's wait
// reads it, so the test knows the wait has gone round once more.
std::atomic<DWORD> g_waitNow{0};
HANDLE g_waitLooked = nullptr;
DWORD PushWaitClock()
{
    if (g_waitLooked)
        SetEvent(g_waitLooked);
    return g_waitNow.load();
}

TEST_F(WmvOutput, TimeInThePasswordBoxDoesNotEndTheWait)
{
    settings_.Flags = kEncodePushToServer;
    standins_->pushAsksCredentials = true;
    std::atomic<DWORD>& now = g_waitNow;
    now = 0;
    HANDLE looked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_waitLooked = looked;
    EngineClock::SetSource(&PushWaitClock);
    HWND window = window_;
    SetWmvCredentialPrompt([&](WmvCredentials& c) {
        // The operator takes a minute, in which the main thread goes round its wait twice
        // (each sent message is answered from there).
        now += 60000;
        for (WPARAM round = 1; round <= 2; ++round) {
            ResetEvent(looked);
            SendMessageW(window, WM_APP, round, 0);
            WaitForSingleObject(looked, 10000);
        }
        c.user = L"operator";
        return true;
    });
    const HRESULT hr = Build(5000);
    SetWmvCredentialPrompt(WmvCredentialPrompt());
    EngineClock::SetSource(nullptr);
    g_waitLooked = nullptr;
    CloseHandle(looked);
    ASSERT_EQ(hr, S_OK);
    ASSERT_EQ(g_posted.size(), 2u);
    EXPECT_EQ(g_posted[0].message, static_cast<UINT>(WM_APP));
    EXPECT_EQ(g_posted[1].message, static_cast<UINT>(WM_APP));
    EXPECT_EQ(standins_->PushSinks()[0]->user, L"operator");
    EXPECT_EQ(SinkCalls(), (std::vector<std::string>{"RemoveSink(null)", "AddSink(push)"}));
}

struct PushFailure {
    const char* what;
    PushAnswer answer;
    HRESULT connectResult;
    DWORD timeoutMs;
    HRESULT reported;
};

class WmvPushFailure : public WmvOutput, public ::testing::WithParamInterface<PushFailure> {};

TEST_P(WmvPushFailure, IsReportedAndNotAdded)
{
    const PushFailure& c = GetParam();
    settings_.Flags = kEncodePushToServer;
    standins_->pushAnswer = c.answer;
    standins_->pushErrorCode = static_cast<HRESULT>(0xC00D0033);
    standins_->pushConnectResult = c.connectResult;
    ASSERT_EQ(Build(c.timeoutMs), S_OK);
    ASSERT_EQ(g_posted.size(), 1u);
    EXPECT_EQ(static_cast<HRESULT>(g_posted[0].wParam), c.reported);
    EXPECT_EQ(g_posted[0].lParam, 0);
    EXPECT_EQ(SinkCalls(), std::vector<std::string>{"RemoveSink(null)"});
    // The session is given up at once: no status reaches the graph any more.
    ASSERT_EQ(standins_->PushSinks().size(), 1u);
    const auto push = standins_->PushSinks()[0];
    EXPECT_EQ(push->unadvises, 1);
    EXPECT_EQ(push->disconnectCalls, 1);
    EXPECT_FALSE(standins_->SendPushStatus(0, WMT_ERROR, E_FAIL));
    PumpMessages();
    EXPECT_EQ(g_posted.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WmvPushFailure,
    ::testing::Values(PushFailure{"ServerError", PushAnswer::Error, S_OK, 5000, static_cast<HRESULT>(0xC00D0033)},
                      PushFailure{"RefusedAtOnce", PushAnswer::Opened, E_INVALIDARG, 5000, E_INVALIDARG},
                      // The wait is bounded: a server that never answers ends it.
                      PushFailure{"NeverAnswers", PushAnswer::Never, S_OK, 0, HRESULT_FROM_WIN32(ERROR_TIMEOUT)}),
    [](const ::testing::TestParamInfo<PushFailure>& info) { return std::string(info.param.what); });

TEST_F(WmvOutput, TwoStreamProfileGetsTheOutputSize)
{
    settings_.Flags = kEncodeOutputFile;
    ASSERT_EQ(Build(), S_OK);
    const auto& streams = standins_->LastWriter()->streams;
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].type, MEDIATYPE_Audio);
    EXPECT_EQ(streams[1].type, MEDIATYPE_Video);
    EXPECT_EQ(streams[1].formatType, FORMAT_VideoInfo);
    EXPECT_EQ(streams[1].width, kWidth);
    EXPECT_EQ(streams[1].height, kHeight);
    const RECT whole = {0, 0, kWidth, kHeight};
    EXPECT_TRUE(EqualRect(&streams[1].source, &whole));
    EXPECT_TRUE(EqualRect(&streams[1].target, &whole));
    EXPECT_EQ(standins_->ReconfigCalls(), 1);
}

TEST_F(WmvOutput, OtherProfilesAreUsedAsTheyAre)
{
    settings_.Flags = kEncodeOutputFile;
    standins_->profileStreams = {{MEDIATYPE_Audio}, {MEDIATYPE_Video, 0, 0}, {MEDIATYPE_Video, 320, 0}};
    ASSERT_EQ(Build(), S_OK);
    const auto& streams = standins_->LastWriter()->streams;
    ASSERT_EQ(streams.size(), 3u);
    EXPECT_EQ(streams[1].width, 0);
    EXPECT_EQ(streams[2].width, 320);
    EXPECT_EQ(streams[2].height, 0);
    EXPECT_EQ(standins_->ReconfigCalls(), 0);
}

TEST_F(WmvOutput, WithoutAProfileBuildFails)
{
    settings_.Flags = kEncodeOutputFile;
    standins_->profileLoads = false;
    EXPECT_EQ(Build(), E_UNEXPECTED);
    EXPECT_FALSE(standins_->LastWriter()->profileConfigured);
}

TEST_F(WmvOutput, WriterRefusingTheProfileFailsBuild)
{
    settings_.Flags = kEncodeOutputFile;
    standins_->configureResult = E_OUTOFMEMORY;
    EXPECT_EQ(Build(), E_OUTOFMEMORY);
    EXPECT_TRUE(standins_->LastWriter()->attributes.empty());
}

TEST_F(WmvOutput, DestroyEndsEverySessionAndNoStatusComesAfter)
{
    settings_.Flags = kEncodeBroadcast | kEncodePushToServer;
    ASSERT_EQ(Build(), S_OK);
    ASSERT_EQ(SinkCalls().size(), 3u);
    ASSERT_EQ(graph_->Destroy(), S_OK);

    const auto network = standins_->NetworkSinks()[0];
    const auto push = standins_->PushSinks()[0];
    EXPECT_EQ(network->closeCalls, 1);
    EXPECT_EQ(push->disconnectCalls, 1);
    EXPECT_EQ(push->unadvises, 1);
    EXPECT_EQ(SinkCalls().back(), "RemoveSink(null)");
    EXPECT_EQ(standins_->LastWriter()->sinkCount, 0u);

    // A late status from the sink has nowhere to go, and one reaching the graph itself after
    // its event is closed is dropped.
    EXPECT_FALSE(standins_->SendPushStatus(0, WMT_ERROR, E_FAIL));
    EXPECT_EQ(graph_->PushSession().OnStatus(WMT_ERROR, E_FAIL, WMT_TYPE_DWORD, nullptr, nullptr), S_OK);
    delete graph_;
    graph_ = nullptr;
    EXPECT_FALSE(standins_->SendPushStatus(0, WMT_OPENED, S_OK));
    PumpMessages();
    EXPECT_TRUE(g_posted.empty());
}

TEST_F(WmvOutput, GraphDeletedWithoutDestroyLeavesNoCallback)
{
    settings_.Flags = kEncodePushToServer;
    ASSERT_EQ(Build(), S_OK);
    delete graph_;
    graph_ = nullptr;
    EXPECT_FALSE(standins_->SendPushStatus(0, WMT_ERROR, E_FAIL));
}

class WmvCredentialCallback : public ::testing::Test {
protected:
    void TearDown() override { SetWmvCredentialPrompt(WmvCredentialPrompt()); }
    CWmvPushSession session_;
};

TEST_F(WmvCredentialCallback, OkFillsTheBuffersTerminated)
{
    WmvCredentials asked;
    SetWmvCredentialPrompt([&](WmvCredentials& c) {
        asked = c;
        c.user = L"operator";
        c.password = L"secret";
        c.remember = 1;
        return true;
    });
    // Prefilled text ends at its terminator; what follows is not shown.
    WCHAR user[12] = L"abc\0garbage";
    WCHAR password[4] = {L'x', L'y', L'z', L'w'};
    DWORD flags = 77;
    WCHAR site[] = L"server";
    ASSERT_EQ(session_.AcquireCredentials(nullptr, site, user, 12, password, 4, S_OK, &flags), S_OK);
    EXPECT_EQ(Text(asked.site), L"server");
    EXPECT_EQ(Text(asked.user), L"abc");
    EXPECT_EQ(Text(asked.password), L"xyzw");
    EXPECT_EQ(std::wstring(user), L"operator");
    EXPECT_EQ(std::wstring(password), L"sec"); // cut to the buffer, terminated
    EXPECT_EQ(flags, static_cast<DWORD>(WMT_CREDENTIAL_SAVE));
}

TEST_F(WmvCredentialCallback, EmptyBuffersAndCancel)
{
    SetWmvCredentialPrompt([](WmvCredentials& c) {
        c.user = L"operator";
        c.remember = 0;
        return true;
    });
    WCHAR untouched[2] = {L'q', L'q'};
    DWORD flags = 77;
    EXPECT_EQ(session_.AcquireCredentials(nullptr, nullptr, untouched, 0, nullptr, 0, S_OK, &flags), S_OK);
    EXPECT_EQ(untouched[0], L'q');
    EXPECT_EQ(flags, 0u);

    SetWmvCredentialPrompt([](WmvCredentials&) { return false; });
    WCHAR user[8] = L"keep";
    EXPECT_EQ(session_.AcquireCredentials(nullptr, nullptr, user, 8, nullptr, 0, S_OK, &flags), E_FAIL);
    EXPECT_EQ(std::wstring(user), L"keep");
}

// Answers the password box as the operator would, as soon as it has initialised: records
// what it shows, types the answer and presses a button.
struct BoxAnswer {
    std::wstring user, password;
    int remember = 0;
    UINT button = IDOK;
    // seen
    std::wstring shownCaption, shownAddress, shownUser, shownPassword;
    int boxes = 0;
};
BoxAnswer* g_answer = nullptr;

std::wstring ItemText(HWND box, int id)
{
    WCHAR text[256] = {};
    GetDlgItemTextW(box, id, text, 256);
    return text;
}

LRESULT CALLBACK AnswerBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_answer && call->message == WM_INITDIALOG) {
        HWND box = call->hwnd;
        WCHAR caption[256] = {};
        GetWindowTextW(box, caption, 256);
        ++g_answer->boxes;
        g_answer->shownCaption = caption;
        g_answer->shownAddress = ItemText(box, IDC_WMV_CREDENTIAL_ADDRESS);
        g_answer->shownUser = ItemText(box, IDC_WMV_CREDENTIAL_USER);
        g_answer->shownPassword = ItemText(box, IDC_WMV_CREDENTIAL_PASSWORD);
        SetDlgItemTextW(box, IDC_WMV_CREDENTIAL_USER, g_answer->user.c_str());
        SetDlgItemTextW(box, IDC_WMV_CREDENTIAL_PASSWORD, g_answer->password.c_str());
        CheckDlgButton(box, IDC_WMV_CREDENTIAL_REMEMBER, g_answer->remember ? BST_CHECKED : BST_UNCHECKED);
        PostMessageW(box, WM_COMMAND, g_answer->button, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WmvCredentialCallback, DefaultAsksWithThePasswordBox)
{
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, &AnswerBoxHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    BoxAnswer answer;
    answer.user = L"operator";
    answer.password = L"secret";
    answer.remember = 1;
    g_answer = &answer;
    WCHAR site[] = L"media.example";
    WCHAR user[16] = L"last";
    WCHAR password[16] = L"old";
    DWORD flags = 0;
    const HRESULT ok = session_.AcquireCredentials(nullptr, site, user, 16, password, 16, S_OK, &flags);

    BoxAnswer cancel;
    cancel.user = L"other";
    cancel.button = IDCANCEL;
    g_answer = &cancel;
    WCHAR kept[16] = L"keep";
    DWORD cancelFlags = 77;
    const HRESULT cancelled = session_.AcquireCredentials(nullptr, site, kept, 16, nullptr, 0, S_OK, &cancelFlags);
    g_answer = nullptr;
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(answer.boxes, 1);
    EXPECT_EQ(answer.shownCaption, L"\u5e7f\u64ad\u5bc6\u7801");
    EXPECT_EQ(answer.shownAddress, L"media.example");
    EXPECT_EQ(answer.shownUser, L"last");
    EXPECT_EQ(answer.shownPassword, L"old");
    EXPECT_EQ(ok, S_OK);
    EXPECT_EQ(std::wstring(user), L"operator");
    EXPECT_EQ(std::wstring(password), L"secret");
    EXPECT_EQ(flags, static_cast<DWORD>(WMT_CREDENTIAL_SAVE));
    EXPECT_EQ(cancel.boxes, 1);
    EXPECT_EQ(cancelled, E_FAIL);
    EXPECT_EQ(std::wstring(kept), L"keep");
    EXPECT_EQ(cancelFlags, 0u);
}

TEST_F(WmvCredentialCallback, CallbacksAnswerTheirInterfacesOnly)
{
    void* p = nullptr;
    EXPECT_EQ(session_.QueryInterface(IID_IWMStatusCallback, &p), S_OK);
    EXPECT_EQ(p, static_cast<IWMStatusCallback*>(&session_));
    EXPECT_EQ(session_.QueryInterface(IID_IWMCredentialCallback, &p), S_OK);
    EXPECT_EQ(p, static_cast<IWMCredentialCallback*>(&session_));
    EXPECT_EQ(session_.QueryInterface(IID_IBaseFilter, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(static_cast<IWMStatusCallback*>(&session_)->AddRef(), 1u);
    EXPECT_EQ(static_cast<IWMCredentialCallback*>(&session_)->Release(), 1u);
}

} // namespace
