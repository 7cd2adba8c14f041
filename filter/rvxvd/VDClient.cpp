#include "filter/rvxvd/VDClient.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

namespace vd {

namespace {

VDClient::TickSource g_tickSource = nullptr;

DWORD Tick() { return g_tickSource ? g_tickSource() : GetTickCount(); }

}  // namespace

void VDClient::SetTickSource(TickSource source) { g_tickSource = source; }

VDClient::Deadline::Deadline(DWORD timeoutMs) : m_start(Tick()), m_span(timeoutMs) {}

DWORD VDClient::Deadline::Remaining() const
{
    if (m_span == INFINITE)
        return INFINITE;
    const DWORD elapsed = Tick() - m_start;   // unsigned: right across the counter's wrap
    return elapsed >= m_span ? 0 : m_span - elapsed;
}

VDClient::VDClient()
{
    // Winsock counts its users per process; each client holds one use for its lifetime,
    // which keeps the start-up out of DllMain and balanced with the last filter's end.
    WSADATA wsa;
    m_winsock = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    m_cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

VDClient::~VDClient()
{
    Close();
    if (m_cancel)
        CloseHandle(m_cancel);
    if (m_winsock)
        WSACleanup();
}

void VDClient::Close()
{
    if (m_socket != INVALID_SOCKET) {
        shutdown(m_socket, SD_BOTH);
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    if (m_netEvent != WSA_INVALID_EVENT) {
        WSACloseEvent(m_netEvent);
        m_netEvent = WSA_INVALID_EVENT;
    }
    m_headGot = 0;
    m_length = 0;
    m_bodyGot = 0;
}

HRESULT VDClient::Fail()
{
    Close();
    return E_FAIL;
}

void VDClient::Cancel()
{
    if (m_cancel)
        SetEvent(m_cancel);
}

void VDClient::ClearCancel()
{
    if (m_cancel)
        ResetEvent(m_cancel);
}

HRESULT VDClient::Open(const VdHostAddress& address, bool video, VdMediaType* type,
                       DWORD connectTimeoutMs, DWORD replyTimeoutMs)
{
    Close();
    if (!m_winsock || !m_cancel)
        return E_FAIL;
    const unsigned long ip = inet_addr(address.host.c_str());
    if (ip == INADDR_NONE)
        return E_FAIL;
    m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_socket == INVALID_SOCKET)
        return E_FAIL;

    u_long on = 1;
    if (ioctlsocket(m_socket, FIONBIO, &on) != 0)
        return Fail();
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = ip;
    addr.sin_port = htons(address.port);
    if (connect(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return Fail();
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(m_socket, &writable);
        FD_SET(m_socket, &failed);
        timeval tv = {static_cast<long>(connectTimeoutMs / 1000),
                      static_cast<long>(connectTimeoutMs % 1000) * 1000};
        if (select(0, nullptr, &writable, &failed, &tv) != 1 || !FD_ISSET(m_socket, &writable))
            return Fail();
        // A refused connection can still be reported as writable; the socket's error says.
        int err = 0;
        int errLen = sizeof(err);
        if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &errLen) != 0 || err != 0)
            return Fail();
    }
    BOOL noDelay = TRUE;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    int rcv = video ? kVideoSocketBuffer : kAudioSocketBuffer;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&rcv), sizeof(rcv));

    // The socket stays non-blocking; reads wait on its event together with the cancel event.
    m_netEvent = WSACreateEvent();
    if (m_netEvent == WSA_INVALID_EVENT ||
        WSAEventSelect(m_socket, m_netEvent, FD_READ | FD_WRITE | FD_CLOSE) != 0)
        return Fail();

    if (FAILED(SendCommand(video ? VdCommand::SetupVideo : VdCommand::SetupAudio)))
        return Fail();
    const Deadline reply(replyTimeoutMs);
    uint8_t field[kLengthFieldSize];
    uint32_t length = 0;
    if (ReadExact(field, sizeof(field), reply) != S_OK || !DecodeReplyLength(field, &length))
        return Fail();
    std::vector<uint8_t> body(length);
    VdMediaType served;
    if (ReadExact(body.data(), body.size(), reply) != S_OK ||
        !DecodeSetupReply(body.data(), body.size(), &served))
        return Fail();
    *type = served;
    return S_OK;
}

HRESULT VDClient::SendAll(const char* p, size_t len)
{
    // Commands are tiny; a send buffer that stays full this long means the server is gone.
    const Deadline deadline(kReplyTimeoutMs);
    size_t done = 0;
    while (done < len) {
        const int n = send(m_socket, p + done, static_cast<int>(len - done), 0);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            const DWORD w = WaitForSingleObject(m_netEvent, deadline.Remaining());
            if (w != WAIT_OBJECT_0)
                return E_FAIL;
            WSANETWORKEVENTS ne;
            WSAEnumNetworkEvents(m_socket, m_netEvent, &ne);
            if (ne.lNetworkEvents & FD_CLOSE)
                return E_FAIL;
            continue;
        }
        return E_FAIL;
    }
    return S_OK;
}

HRESULT VDClient::SendCommand(VdCommand cmd)
{
    const char* bytes = CommandBytes(cmd);
    if (!IsConnected() || !bytes)
        return E_FAIL;
    return SUCCEEDED(SendAll(bytes, kCommandSize)) ? S_OK : Fail();
}

VDClient::Wait VDClient::WaitReadable(DWORD timeoutMs)
{
    HANDLE handles[2] = {m_cancel, m_netEvent};
    const DWORD w = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    if (w == WAIT_OBJECT_0)
        return Wait::Cancelled;
    if (w != WAIT_OBJECT_0 + 1)
        return Wait::Failed;
    WSANETWORKEVENTS ne;
    WSAEnumNetworkEvents(m_socket, m_netEvent, &ne);
    return Wait::Ready;  // the next recv tells data from a close
}

int VDClient::RecvSome(uint8_t* p, size_t len, const Deadline& deadline)
{
    const int chunk = len > 0x100000 ? 0x100000 : static_cast<int>(len);
    for (;;) {
        if (WaitForSingleObject(m_cancel, 0) == WAIT_OBJECT_0)
            return 0;
        const int r = recv(m_socket, reinterpret_cast<char*>(p), chunk, 0);
        if (r > 0)
            return r;
        if (r == 0 || WSAGetLastError() != WSAEWOULDBLOCK)
            return -1;
        const DWORD left = deadline.Remaining();
        if (left == 0)
            return -1;
        switch (WaitReadable(left)) {
        case Wait::Ready: break;
        case Wait::Cancelled: return 0;
        case Wait::Failed: return -1;
        }
    }
}

HRESULT VDClient::ReadExact(uint8_t* p, size_t len, const Deadline& deadline)
{
    size_t done = 0;
    while (done < len) {
        const int r = RecvSome(p + done, len - done, deadline);
        if (r == 0)
            return S_FALSE;
        if (r < 0)
            return E_FAIL;
        done += static_cast<size_t>(r);
    }
    return S_OK;
}

HRESULT VDClient::ReadFrame(std::vector<uint8_t>* grow, uint8_t* dest, size_t capacity, const Deadline& deadline)
{
    while (m_headGot < kSampleHeaderSize) {
        const int r = RecvSome(m_head + m_headGot, kSampleHeaderSize - m_headGot, deadline);
        if (r == 0)
            return S_FALSE;
        if (r < 0)
            return Fail();
        m_headGot += static_cast<size_t>(r);
        if (m_length == 0 && m_headGot >= kLengthFieldSize && !DecodeSampleLength(m_head, &m_length))
            return Fail();
    }
    const size_t dataLength = m_length - kSampleTimesSize;
    if (grow) {
        if (grow->size() < dataLength)
            grow->resize(dataLength);
        dest = grow->data();
        capacity = grow->size();
    }
    // What fits goes straight to the destination; the rest (or all of it, without one) is
    // read into scratch and thrown away.
    const size_t kept = dest ? std::min(dataLength, capacity) : 0;
    while (m_bodyGot < dataLength) {
        uint8_t* dst;
        size_t room;
        if (m_bodyGot < kept) {
            dst = dest + m_bodyGot;
            room = kept - m_bodyGot;
        } else {
            if (m_scratch.size() < 102400)
                m_scratch.resize(102400);
            dst = m_scratch.data();
            room = std::min(dataLength - m_bodyGot, m_scratch.size());
        }
        const int r = RecvSome(dst, room, deadline);
        if (r == 0)
            return S_FALSE;
        if (r < 0)
            return Fail();
        m_bodyGot += static_cast<size_t>(r);
    }
    return S_OK;
}

HRESULT VDClient::ReadSample(std::vector<uint8_t>* buffer, size_t* dataLength, int64_t* start,
                             int64_t* stop)
{
    return ReadSampleTo(buffer, nullptr, 0, dataLength, start, stop);
}

HRESULT VDClient::ReadSampleInto(uint8_t* buffer, size_t capacity, size_t* dataLength, int64_t* start,
                                 int64_t* stop)
{
    return ReadSampleTo(nullptr, buffer, capacity, dataLength, start, stop);
}

HRESULT VDClient::ReadSampleTo(std::vector<uint8_t>* grow, uint8_t* dest, size_t capacity, size_t* dataLength,
                               int64_t* start, int64_t* stop)
{
    if (!IsConnected())
        return E_FAIL;
    // A sample begun before a cancel belongs to the time before the stop.
    if (m_headGot > 0 || m_bodyGot > 0) {
        const HRESULT hr = DrainStale();
        if (hr != S_OK)
            return hr;
    }
    // The server paces the stream, so the wait for a sample's first byte has no limit; a
    // cancel ends it.
    const HRESULT hr = ReadFrame(grow, dest, capacity, Deadline(INFINITE));
    if (hr != S_OK)
        return hr;
    DecodeSampleTimes(m_head + kLengthFieldSize, start, stop);
    *dataLength = m_length - kSampleTimesSize;
    m_headGot = 0;
    m_length = 0;
    m_bodyGot = 0;
    return S_OK;
}

bool VDClient::DataWaiting() const
{
    u_long avail = 0;
    return ioctlsocket(m_socket, FIONREAD, &avail) == 0 && avail > 0;
}

HRESULT VDClient::DrainStale(DWORD timeoutMs)
{
    if (!IsConnected())
        return E_FAIL;
    const Deadline deadline(timeoutMs);
    while (m_headGot > 0 || m_bodyGot > 0 || DataWaiting()) {
        const HRESULT hr = ReadFrame(nullptr, nullptr, 0, deadline);
        if (hr != S_OK)
            return hr;
        m_headGot = 0;
        m_length = 0;
        m_bodyGot = 0;
    }
    return S_OK;
}

}  // namespace vd
