// A renderer that keeps a record of every sample it is given, for tests of output graphs
// whose real sink (a Decklink card, a sound device) the test machine lacks. It renders at
// once, whatever the sample's times, so a graph never waits on it to pause or stop.
#pragma once

#include <streams.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace standin {

struct ReceivedRecord
{
    long length;
    DWORD firstWord;
    bool timed;
    REFERENCE_TIME start;
};

// What the renderers of one class received; shared by every instance of that class, so a
// test can read it without holding the filter the graph made.
class CReceiveLog
{
public:
    void Add(const ReceivedRecord& record);
    void Reset();
    void SetConnected(const CMediaType* type);

    size_t Count();
    std::vector<ReceivedRecord> Records();
    // The type of the latest connection; an empty type when none was made.
    CMediaType Connected();
    int Instances();
    void AddInstance(int delta);
    // Waits (bounded by the guard) until at least count records arrived; false on time-out.
    bool WaitForCount(size_t count, DWORD guardMs = 5000);

    // While blocked, a renderer holds each sample it was given (after recording it) until
    // Unblock, or until it stops or flushes, so a test can let samples pile up upstream. A
    // hold that outlasts its guard ends on its own and is counted: a fault upstream (a
    // caller waiting on the held thread) then fails the test instead of hanging it.
    void Block();
    void Unblock();
    bool WaitUntilHolding(DWORD guardMs = 5000);
    void Hold(DWORD guardMs = 20000);
    size_t HoldsTimedOut();

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<ReceivedRecord> records_;
    CMediaType connected_;
    int instances_ = 0;
    bool blocked_ = false;
    bool holding_ = false;
    size_t holdsTimedOut_ = 0;
    std::condition_variable released_;
    std::condition_variable held_;
};

class CCountingRenderer : public CBaseFilter
{
public:
    // With one reference for the caller. The pin takes the major type with any subtype.
    static IUnknown* Create(HRESULT* phr, const CLSID& clsid, const GUID& major, LPCWSTR pinName, CReceiveLog* log);
    ~CCountingRenderer() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    // A held sample is let go first, so a stop never waits on it.
    HRESULT STDMETHODCALLTYPE Stop() override;

    HRESULT Receive(IMediaSample* sample);
    CReceiveLog* Log() const { return log_; }

private:
    CCountingRenderer(HRESULT* phr, const CLSID& clsid, const GUID& major, LPCWSTR pinName, CReceiveLog* log);

    CCritSec lock_;
    std::unique_ptr<CBaseInputPin> pin_;
    CReceiveLog* log_;
};

} // namespace standin
