// The AVI output's file splitting: names, the size rule, and the switch done on the
// splitter's worker with the clock and the file sizes driven by the test.
#include <gtest/gtest.h>

#include "app/core/EngineClock.h"
#include "app/graphs/outputs/avi/AviFileSplitter.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

SYSTEMTIME Time(int y, int mo, int d, int h, int mi, int s)
{
    SYSTEMTIME t = {};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    t.wSecond = WORD(s);
    return t;
}

class TempFolder {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_.Format(L"%srvx_split_%lu", base, GetCurrentProcessId());
        CreateDirectoryW(path_, nullptr);
    }
    ~TempFolder()
    {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(path_ + L"\\*", &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileW(path_ + L"\\" + fd.cFileName);
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryW(path_);
    }
    void Touch(LPCWSTR name) const
    {
        HANDLE h = CreateFileW(path_ + L"\\" + name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    }
    const CString& Path() const { return path_; }

private:
    CString path_;
};

struct RecordingTarget : IAviSplitTarget {
    std::vector<std::wstring> calls;
    HRESULT setNameResult = S_OK;
    HRESULT StopGraph() override
    {
        calls.push_back(L"stop");
        return S_OK;
    }
    HRESULT SetFileName(LPCWSTR name) override
    {
        calls.push_back(std::wstring(L"name ") + name);
        return setNameResult;
    }
    HRESULT RunGraph() override
    {
        calls.push_back(L"run");
        return S_OK;
    }
};

// A switch whose stop (the file closing and its index being written) lasts until the test
// lets it end.
struct SlowStopTarget : RecordingTarget {
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~SlowStopTarget() override
    {
        CloseHandle(entered);
        CloseHandle(release);
    }
    HRESULT StopGraph() override
    {
        SetEvent(entered);
        WaitForSingleObject(release, 30000);
        return RecordingTarget::StopGraph();
    }
};

// What the timer thread and the window do while a switch runs.
struct Probe {
    CAviFileSplitter* splitter;
    CString file;
};

DWORD WINAPI TickAndAsk(void* param)
{
    Probe* probe = static_cast<Probe*>(param);
    probe->splitter->Tick();
    probe->file = probe->splitter->CurrentFile();
    return 0;
}

// The local time files are named from; the tests move it by hand.
SYSTEMTIME g_localNow = {};
SYSTEMTIME LocalNow()
{
    return g_localNow;
}

}  // namespace

TEST(AviFileName, TimeStampedInTheFolder)
{
    EXPECT_EQ(MakeAviFileName(L"Z:\\nowhere\\rec", Time(2007, 4, 12, 15, 30, 5)), CString(L"Z:\\nowhere\\rec\\070412153005.avi"));
    // The default folder "C:\" gives no doubled backslash.
    EXPECT_EQ(MakeAviFileName(L"Z:\\", Time(2010, 1, 2, 3, 4, 5)), CString(L"Z:\\100102030405.avi"));
}

TEST(AviFileName, NeverTheNameOfAFileThatExistsOrIsInUse)
{
    TempFolder folder;
    const SYSTEMTIME t = Time(2007, 4, 12, 15, 30, 5);
    EXPECT_EQ(MakeAviFileName(folder.Path(), t, folder.Path() + L"\\070412153005.avi"),
              folder.Path() + L"\\070412153005_2.avi");
    folder.Touch(L"070412153005.avi");
    folder.Touch(L"070412153005_2.avi");
    EXPECT_EQ(MakeAviFileName(folder.Path(), t), folder.Path() + L"\\070412153005_3.avi");
}

TEST(AviSplitRule, WholeMegabytesAgainstTheLimit)
{
    struct Case {
        ULONGLONG bytes;
        long max;
        bool split;
    } cases[] = {
        {2047ull * 1048576 + 943718, 2048, false},  // 2047.9 MB is kept
        {2048ull * 1048576, 2048, true},
        {5000ull * 1048576, 4096, true},  // above 4 GB: the size is read in 64 bits
        {0, 0, false},                    // 0 (a non-number stored) never splits
        {10ull * 1048576, -1, false},
        {1048575, 1, false},
        {1048576, 1, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CAviFileSplitter::ShouldSplit(c.bytes, c.max), c.split) << c.bytes << " " << c.max;
}

class Splitter : public ::testing::Test {
protected:
    void SetUp() override
    {
        now_ = Time(2007, 4, 12, 15, 30, 5);
        EngineClock::SetLocalTimeSource(&LocalNow);
        splitter_.reset(new CAviFileSplitter(&target_, L"Z:\\rec", true, 2));
        splitter_->SetFileSize([this](LPCWSTR path, ULONGLONG* size) {
            auto it = sizes_.find(path);
            if (it == sizes_.end())
                return false;
            *size = it->second;
            return true;
        });
        ASSERT_EQ(splitter_->Start(L"Z:\\rec\\070412153000.avi"), S_OK);
    }

    void TickAndWaitForSplit()
    {
        splitter_->Tick();
        ASSERT_EQ(WaitForSingleObject(splitter_->SplitDoneEvent(), 5000), WAIT_OBJECT_0);
    }

    void TearDown() override
    {
        splitter_.reset();
        EngineClock::SetLocalTimeSource(nullptr);
    }

    RecordingTarget target_;
    SYSTEMTIME& now_ = g_localNow;
    std::map<std::wstring, ULONGLONG> sizes_;
    std::unique_ptr<CAviFileSplitter> splitter_;
};

TEST_F(Splitter, SwitchesFilesOnTheWorkerWithIncreasingNames)
{
    sizes_[L"Z:\\rec\\070412153000.avi"] = 1048575;
    splitter_->Tick();  // below the limit
    sizes_[L"Z:\\rec\\070412153000.avi"] = 2 * 1048576;
    TickAndWaitForSplit();
    EXPECT_EQ(splitter_->CurrentFile(), CString(L"Z:\\rec\\070412153005.avi"));

    now_ = Time(2007, 4, 12, 15, 31, 0);
    sizes_[L"Z:\\rec\\070412153005.avi"] = 3 * 1048576;
    TickAndWaitForSplit();
    EXPECT_EQ(splitter_->CurrentFile(), CString(L"Z:\\rec\\070412153100.avi"));
    splitter_->Shutdown();

    const std::vector<std::wstring> expected = {
        L"stop", L"name Z:\\rec\\070412153005.avi", L"run",
        L"stop", L"name Z:\\rec\\070412153100.avi", L"run",
    };
    EXPECT_EQ(target_.calls, expected);
    EXPECT_EQ(splitter_->Splits(), 2);
}

TEST_F(Splitter, TwoSplitsInOneSecondDoNotReuseTheName)
{
    now_ = Time(2007, 4, 12, 15, 30, 0);
    sizes_[L"Z:\\rec\\070412153000.avi"] = 2 * 1048576;
    TickAndWaitForSplit();
    EXPECT_EQ(splitter_->CurrentFile(), CString(L"Z:\\rec\\070412153000_2.avi"));
}

TEST_F(Splitter, FileThatCannotBeOpenedOrSplitOffDoesNothing)
{
    splitter_->Tick();  // no such file
    CAviFileSplitter off(&target_, L"Z:\\rec", false, 1);
    off.SetFileSize([](LPCWSTR, ULONGLONG* size) {
        *size = 1ull << 40;
        return true;
    });
    ASSERT_EQ(off.Start(L"Z:\\rec\\a.avi"), S_OK);
    off.Tick();
    off.Shutdown();
    splitter_->Shutdown();
    EXPECT_TRUE(target_.calls.empty());
}

TEST_F(Splitter, RefusedNameLeavesTheGraphStoppedRatherThanOverwriting)
{
    target_.setNameResult = E_ACCESSDENIED;
    sizes_[L"Z:\\rec\\070412153000.avi"] = 2 * 1048576;
    TickAndWaitForSplit();
    const std::vector<std::wstring> expected = {L"stop", L"name Z:\\rec\\070412153005.avi"};
    EXPECT_EQ(target_.calls, expected);
    EXPECT_EQ(splitter_->LastError(), E_ACCESSDENIED);
    EXPECT_EQ(splitter_->CurrentFile(), CString(L"Z:\\rec\\070412153000.avi"));
}

TEST_F(Splitter, NoTickAfterShutdownTouchesTheGraph)
{
    sizes_[L"Z:\\rec\\070412153000.avi"] = 2 * 1048576;
    splitter_->Shutdown();
    splitter_->Tick();
    splitter_->Shutdown();
    EXPECT_TRUE(target_.calls.empty());
    EXPECT_EQ(WaitForSingleObject(splitter_->SplitDoneEvent(), 0), DWORD(WAIT_TIMEOUT));
}

TEST_F(Splitter, TheRealTimerStartsOnceAndStops)
{
    EXPECT_EQ(splitter_->StartTimer(), S_OK);
    EXPECT_EQ(splitter_->StartTimer(), S_OK);
    splitter_->Shutdown();
    EXPECT_TRUE(target_.calls.empty());
}

TEST(SplitterWhileSwitching, TicksAndTheCurrentFileDoNotWaitForTheGraphToStop)
{
    SlowStopTarget target;
    CAviFileSplitter splitter(&target, L"Z:\\rec", true, 1);
    g_localNow = Time(2007, 4, 12, 15, 30, 5);
    EngineClock::SetLocalTimeSource(&LocalNow);
    struct Restore {
        ~Restore() { EngineClock::SetLocalTimeSource(nullptr); }
    } restore;
    splitter.SetFileSize([](LPCWSTR, ULONGLONG* size) {
        *size = 1048576;
        return true;
    });
    ASSERT_EQ(splitter.Start(L"Z:\\rec\\070412153000.avi"), S_OK);
    splitter.Tick();
    ASSERT_EQ(WaitForSingleObject(target.entered, 10000), WAIT_OBJECT_0);

    // The timer thread also paces the mixing clock: its next tick returns at once.
    Probe probe = {&splitter, CString()};
    HANDLE thread = CreateThread(nullptr, 0, TickAndAsk, &probe, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const DWORD waited = WaitForSingleObject(thread, 10000);
    SetEvent(target.release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(waited, DWORD(WAIT_OBJECT_0)) << "a tick waited for the switch";
    EXPECT_EQ(probe.file, CString(L"Z:\\rec\\070412153000.avi"));

    ASSERT_EQ(WaitForSingleObject(splitter.SplitDoneEvent(), 10000), WAIT_OBJECT_0);
    splitter.Shutdown();
    const std::vector<std::wstring> expected = {L"stop", L"name Z:\\rec\\070412153005.avi", L"run"};
    EXPECT_EQ(target.calls, expected);
    EXPECT_EQ(splitter.Splits(), 1);
}
