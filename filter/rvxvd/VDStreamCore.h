// What the capture pin's streaming thread does, free of the pin classes: samples from the
// server with their times rebased to start at zero, or, with no server, blank samples at
// the type's rate paced by a multimedia timer.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "filter/rvxvd/VDClient.h"
#include "filter/rvxvd/VDMediaFormat.h"

#include <cstdint>
#include <vector>

namespace vd {

struct VdFilledSample {
    size_t length = 0;
    int64_t start = 0, stop = 0;
    int64_t mediaStart = 0, mediaStop = 0;
};

class VDStreamCore {
public:
    // The client belongs to the filter and may be unconnected; it outlives the core.
    VDStreamCore(VDClient* client, const VdMediaType& type, const VdStreamTiming& timing);
    ~VDStreamCore();
    VDStreamCore(const VDStreamCore&) = delete;
    VDStreamCore& operator=(const VDStreamCore&) = delete;

    HRESULT OnThreadCreate();
    HRESULT OnThreadStartPlay();
    HRESULT OnThreadDestroy();

    // S_OK: a sample was written. S_FALSE: a stop interrupted the wait (nothing written).
    // E_FAIL: the connection broke; it is closed, and blank samples follow the next start.
    HRESULT Fill(uint8_t* buffer, size_t capacity, VdFilledSample* out);

    // Called from the thread that stops the graph, before it waits for the streaming
    // thread: ends a wait for the server or for the pacing timer.
    void CancelWaits();
    void ClearCancel();

    const VdStreamTiming& Timing() const { return m_timing; }

private:
    HRESULT FillFromServer(uint8_t* buffer, size_t capacity, VdFilledSample* out);
    HRESULT FillBlank(uint8_t* buffer, size_t capacity, VdFilledSample* out);
    void NextMediaTimes(VdFilledSample* out);
    void ClearTimes();

    VDClient* m_client;
    VdMediaType m_type;
    VdStreamTiming m_timing;
    HANDLE m_pace = nullptr;     // auto-reset, set by the timer
    HANDLE m_cancel = nullptr;   // manual-reset, set by a stop
    UINT m_timer = 0;
    int64_t m_nextStart = 0;     // running time of the next blank sample
    int64_t m_mediaTime = 0;
    int64_t m_base = 0;
    bool m_haveBase = false;     // a first sample starting at 0 is a base, not "none yet"
};

}  // namespace vd
