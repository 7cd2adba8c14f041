#include "filter/rvxvd/VDStreamCore.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstring>

namespace vd {

VDStreamCore::VDStreamCore(VDClient* client, const VdMediaType& type, const VdStreamTiming& timing)
    : m_client(client), m_type(type), m_timing(timing)
{
    m_cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

VDStreamCore::~VDStreamCore()
{
    OnThreadDestroy();
    if (m_cancel)
        CloseHandle(m_cancel);
}

void VDStreamCore::ClearTimes()
{
    m_nextStart = 0;
    m_mediaTime = 0;
    m_base = 0;
    m_haveBase = false;
}

HRESULT VDStreamCore::OnThreadCreate()
{
    // Signalled at first, so the first blank sample goes out at once.
    m_pace = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    if (!m_pace)
        return E_OUTOFMEMORY;
    // Setting (not pulsing) the auto-reset event keeps a tick that comes while the thread
    // is delivering; a pulse would be lost.
    m_timer = timeSetEvent(m_timing.timerMs, 1, reinterpret_cast<LPTIMECALLBACK>(m_pace), 0,
                           TIME_PERIODIC | TIME_CALLBACK_EVENT_SET);
    return m_timer ? S_OK : E_FAIL;
}

HRESULT VDStreamCore::OnThreadStartPlay()
{
    ClearTimes();
    if (m_client->IsConnected()) {
        // What came while stopped belongs to the time before; drop it whole.
        if (m_client->DrainStale() == S_OK)
            m_client->SendCommand(VdCommand::Run);
    }
    return S_OK;
}

HRESULT VDStreamCore::OnThreadDestroy()
{
    if (m_client->IsConnected())
        m_client->SendCommand(VdCommand::Pause);
    if (m_timer) {
        timeKillEvent(m_timer);
        m_timer = 0;
    }
    if (m_pace) {
        CloseHandle(m_pace);
        m_pace = nullptr;
    }
    ClearTimes();
    return S_OK;
}

void VDStreamCore::CancelWaits()
{
    SetEvent(m_cancel);
    m_client->Cancel();
}

void VDStreamCore::ClearCancel()
{
    ResetEvent(m_cancel);
    m_client->ClearCancel();
}

void VDStreamCore::NextMediaTimes(VdFilledSample* out)
{
    out->mediaStart = m_mediaTime;
    out->mediaStop = m_mediaTime + m_timing.mediaStep;
    m_mediaTime = out->mediaStop;
}

HRESULT VDStreamCore::Fill(uint8_t* buffer, size_t capacity, VdFilledSample* out)
{
    if (!buffer || !out)
        return E_POINTER;
    return m_client->IsConnected() ? FillFromServer(buffer, capacity, out)
                                   : FillBlank(buffer, capacity, out);
}

HRESULT VDStreamCore::FillFromServer(uint8_t* buffer, size_t capacity, VdFilledSample* out)
{
    size_t length = 0;
    int64_t start = 0, stop = 0;
    // Straight into the media sample: no copy of the frame on the way.
    const HRESULT hr = m_client->ReadSampleInto(buffer, capacity, &length, &start, &stop);
    if (hr == S_FALSE)
        return S_FALSE;
    if (hr != S_OK) {
        m_client->Close();
        OutputDebugStringW(L"ReadSample error.\r\n");
        return E_FAIL;
    }
    out->length = std::min(length, capacity);
    if (!m_haveBase) {
        m_base = start;
        m_haveBase = true;
    }
    out->start = start - m_base;
    out->stop = stop - m_base;
    NextMediaTimes(out);
    return S_OK;
}

HRESULT VDStreamCore::FillBlank(uint8_t* buffer, size_t capacity, VdFilledSample* out)
{
    HANDLE waits[2] = {m_cancel, m_pace};
    if (m_pace) {
        const DWORD period = m_timing.timerMs ? m_timing.timerMs : 1;
        if (WaitForMultipleObjects(2, waits, FALSE, period) == WAIT_OBJECT_0)
            return S_FALSE;
    } else if (WaitForSingleObject(m_cancel, 0) == WAIT_OBJECT_0) {
        return S_FALSE;
    }
    std::memset(buffer, 0, capacity);
    out->length = std::min<size_t>(m_type.lSampleSize, capacity);
    out->start = m_nextStart;
    out->stop = m_nextStart + m_timing.period;
    m_nextStart = out->stop;
    NextMediaTimes(out);
    return S_OK;
}

}  // namespace vd
