// The virtual capture device's connection to the frame server: connect with a bounded
// wait, ask for the medium's type, then read time-stamped samples.
//
// Every fixed-size read is looped (TCP may hand a record over in pieces), every wait is
// bounded or can be cancelled from another thread, so a host graph's Stop never hangs on a
// silent server, and a sample cut short by a cancel is finished and thrown away before the
// next run instead of being read as a header.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "app/core/VDWireFormat.h"

#include <cstdint>
#include <vector>

namespace vd {

class VDClient {
public:
    static constexpr DWORD kConnectTimeoutMs = 2000;
    // How long a server may take for the whole answer to the set-up command, or for the
    // whole of a drain: one deadline, however the bytes are spread over it.
    static constexpr DWORD kReplyTimeoutMs = 5000;

    // The millisecond clock the deadlines are measured on (GetTickCount unless replaced; null
    // restores it), so tests can move time by hand.
    using TickSource = DWORD (*)();
    static void SetTickSource(TickSource source);

    VDClient();
    ~VDClient();
    VDClient(const VDClient&) = delete;
    VDClient& operator=(const VDClient&) = delete;

    // Connects to the server and asks for the medium's type. Any failure leaves the client
    // closed; the type is then untouched.
    HRESULT Open(const VdHostAddress& address, bool video, VdMediaType* type,
                 DWORD connectTimeoutMs = kConnectTimeoutMs, DWORD replyTimeoutMs = kReplyTimeoutMs);
    bool IsConnected() const { return m_socket != INVALID_SOCKET; }
    SOCKET NativeSocket() const { return m_socket; }

    HRESULT SendCommand(VdCommand cmd);

    // Reads one sample into buffer (grown when too small). S_OK with a sample; S_FALSE when
    // cancelled (the place in the stream is kept); a failure closes the connection: a
    // closed or broken socket, or a length outside the protocol's limits.
    HRESULT ReadSample(std::vector<uint8_t>* buffer, size_t* dataLength, int64_t* start,
                       int64_t* stop);
    // The same into a buffer of fixed capacity (a media sample's): the sample's first
    // `capacity` bytes land there without a copy, the rest is read and thrown away;
    // dataLength is the sample's whole length.
    HRESULT ReadSampleInto(uint8_t* buffer, size_t capacity, size_t* dataLength, int64_t* start,
                           int64_t* stop);

    // Throws away what the server sent while the device was stopped: the rest of a sample
    // cut short by a cancel, then every sample already waiting. Failures close.
    HRESULT DrainStale(DWORD timeoutMs = kReplyTimeoutMs);

    // Makes a blocked read return S_FALSE now and every later wait until ClearCancel.
    void Cancel();
    void ClearCancel();
    void Close();

private:
    // A time limit fixed when an exchange starts; every wait of the exchange takes what is
    // left of it, so a peer that sends a byte now and then cannot stretch it.
    class Deadline {
    public:
        explicit Deadline(DWORD timeoutMs);
        DWORD Remaining() const;   // INFINITE for no limit, 0 once passed
    private:
        DWORD m_start;
        DWORD m_span;
    };

    enum class Wait { Ready, Cancelled, Failed };
    Wait WaitReadable(DWORD timeoutMs);
    // Reads up to len bytes: >0 read, 0 cancelled, <0 failed or out of time.
    int RecvSome(uint8_t* p, size_t len, const Deadline& deadline);
    HRESULT ReadExact(uint8_t* p, size_t len, const Deadline& deadline);
    HRESULT SendAll(const char* p, size_t len);
    // Into grow (made large enough), else into dest up to capacity; neither: thrown away.
    HRESULT ReadFrame(std::vector<uint8_t>* grow, uint8_t* dest, size_t capacity, const Deadline& deadline);
    HRESULT ReadSampleTo(std::vector<uint8_t>* grow, uint8_t* dest, size_t capacity, size_t* dataLength,
                         int64_t* start, int64_t* stop);
    bool DataWaiting() const;
    HRESULT Fail();

    SOCKET m_socket = INVALID_SOCKET;
    WSAEVENT m_netEvent = WSA_INVALID_EVENT;
    HANDLE m_cancel = nullptr;
    bool m_winsock = false;

    // The sample being read, kept across a cancel.
    uint8_t m_head[kSampleHeaderSize] = {};
    size_t m_headGot = 0;
    uint32_t m_length = 0;     // N once the header's length field has been checked
    size_t m_bodyGot = 0;
    std::vector<uint8_t> m_scratch;
};

}  // namespace vd
