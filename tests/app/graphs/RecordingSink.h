// A downstream filter for the output pins: its one input pin accepts any type, records what
// each sample carried and signals every arrival; it can hold samples back until released
// (released too when the graph stops or flushes, so a stop never waits on it).
#pragma once

#include <streams.h>

#include <memory>
#include <mutex>
#include <vector>

namespace graphstest {

struct ReceivedSample
{
    HRESULT timeResult;
    REFERENCE_TIME start, stop;
    bool syncPoint, preroll, discontinuity;
    long length;
    DWORD firstWord;
};

class CRecordingSink : public CBaseFilter
{
public:
    // With one reference for the caller.
    static CRecordingSink* Create();
    ~CRecordingSink() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    HRESULT STDMETHODCALLTYPE Stop() override;

    // While blocked, Receive waits (after signalling entered()) until Release or a stop. A
    // hold that outlasts its guard ends on its own and is counted, so a caller that waits on
    // the held streaming thread fails the test instead of hanging it.
    void Block();
    void Unblock();
    // Waits until at least count samples have arrived; false after the time-out.
    bool WaitForSamples(size_t count, DWORD timeoutMs = 5000);
    // Waits until a sample is being held in Receive.
    bool WaitUntilHolding(DWORD timeoutMs = 5000);
    std::vector<ReceivedSample> Samples();
    size_t Count();
    LONG HoldsTimedOut() const { return holdsTimedOut_; }

    HRESULT OnReceive(IMediaSample* sample);
    void OnStopOrFlush();
    // Receive calls that came while the sink was stopped (the base pin refuses them).
    void NoteReceiveCall();
    LONG CallsWhileStopped() const { return callsWhileStopped_; }

private:
    CRecordingSink();

    CCritSec filterLock_;
    std::unique_ptr<CBaseInputPin> pin_;
    std::mutex lock_;
    std::vector<ReceivedSample> samples_;
    volatile LONG callsWhileStopped_ = 0;
    HANDLE arrived_;  // auto: a sample arrived
    HANDLE holding_;  // auto: Receive is holding a sample
    HANDLE released_; // manual: Receive may return
    volatile LONG holdsTimedOut_ = 0;
};

} // namespace graphstest
