// What the output graph tests share: COM, the engine clock held still, the message boxes
// recorded, the output stand-ins registered, program types as the director sets them, and
// program frames and audio handed to a compose source as the director hands them.
#pragma once

#include "ProgramAudioType.h"
#include "app/core/GraphContracts.h"
#include "app/core/EngineClock.h"
#include "testing/outputs/OutputStandIns.h"

#include <afx.h>
#include <streams.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace sinkstest {

struct BoxRecord {
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    int count = 0;
};

// The engine clock's reading while a test runs; the compose pins take their start from it.
const DWORD kNowMs = 5000;
const REFERENCE_TIME kPinStart = REFERENCE_TIME(kNowMs) * 10000;
const REFERENCE_TIME kFrameTime = 400000;
const long kAudioBytes = 7056;

// The program's video type as the video mixer gives it: top-down RGB32.
CMediaType ProgramVideoType(LONG width, LONG height);

// Pixel (x, y) of program frame `tag`: distinct bytes in every channel.
inline DWORD Pixel(int x, int y, DWORD tag)
{
    return (tag << 24) | (DWORD(y & 0xFF) << 16) | (DWORD(x & 0xFF) << 8) | DWORD((x + y + tag) & 0xFF);
}
std::vector<DWORD> MakeFrame(LONG width, LONG height, DWORD tag);

// Hands a frame to the source's video pin, stamped `index` frames after the pin's start.
void SendFrame(IComposeSource* source, std::vector<DWORD>& pixels, int index);
// Hands 40 ms of audio whose first word is tag to a listener, stamped `index` chunks after
// the pin's start (the preview ignores the times).
void SendAudio(IGrabListener* listener, DWORD tag, int index, long bytes = kAudioBytes);

// Feeds frames and audio from a thread of its own until stopped, as the director's frame
// thread and the audio mixer do while an output is stopped.
class CFeeder {
public:
    CFeeder(IComposeSource* source, LONG width, LONG height);
    explicit CFeeder(IGrabListener* audioOnly);
    ~CFeeder();
    void Stop();
    // Waits (bounded) until the feeder has gone round a few times.
    bool WaitForRounds(int rounds);

private:
    void Loop();

    IComposeSource* source_ = nullptr;
    IGrabListener* audio_ = nullptr;
    LONG width_ = 0, height_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> rounds_{0};
    HANDLE round_ = nullptr;
    std::thread thread_;
};

class OutputSinksTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The filter of that name in the graph, or null.
    static CComPtr<IBaseFilter> FindFilter(IGraphBuilder* graph, LPCWSTR name);
    static size_t FilterCount(IGraphBuilder* graph);
    // The type the pin is connected with; false when it is not connected.
    static bool ConnectionType(IPin* pin, CMediaType* type);

    // Sets both pin types as the director does between Create and Build.
    static void SetProgramTypes(IOutputGraph& graph, LONG width, LONG height);

    static DWORD Clock() { return kNowMs; }

    BoxRecord box_;
    std::unique_ptr<standin::COutputStandIns> standIns_;
};

} // namespace sinkstest
