// A scripted stand-in for the program's frame server: listens on a loopback port, accepts
// one client at a time and lets the test send exact bytes and read the client's commands.
#pragma once

#include "tests/app/core/VDTestSocket.h"

#include <string>
#include <vector>

namespace vdtest {

class FakeFrameServer {
public:
    FakeFrameServer()
    {
        m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        listen(m_listen, 4);
        int len = sizeof(a);
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~FakeFrameServer()
    {
        CloseClient();
        closesocket(m_listen);
    }

    uint16_t Port() const { return m_port; }

    // Waits (bounded) for the next client.
    bool Accept()
    {
        CloseClient();
        fd_set r;
        FD_ZERO(&r);
        FD_SET(m_listen, &r);
        timeval tv = {20, 0};
        if (select(0, &r, nullptr, nullptr, &tv) != 1)
            return false;
        m_client = accept(m_listen, nullptr, nullptr);
        DWORD guard = RawClient::kGuardMs;
        setsockopt(m_client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&guard), sizeof(guard));
        BOOL on = TRUE;
        setsockopt(m_client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
        return m_client != INVALID_SOCKET;
    }

    // The next ten-byte command, or "" when the client closed.
    std::string ReadCommand()
    {
        char b[10];
        size_t got = 0;
        while (got < 10) {
            int r = recv(m_client, b + got, static_cast<int>(10 - got), 0);
            if (r <= 0)
                return "";
            got += static_cast<size_t>(r);
        }
        return std::string(b, 10);
    }

    bool Send(const std::vector<uint8_t>& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            int n = send(m_client, reinterpret_cast<const char*>(bytes.data() + done),
                         static_cast<int>(bytes.size() - done), 0);
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // True when the client closed its end.
    bool WaitClientClosed()
    {
        char b[4096];
        for (;;) {
            int r = recv(m_client, b, sizeof(b), 0);
            if (r == 0)
                return true;
            if (r < 0)
                return WSAGetLastError() != WSAETIMEDOUT;
        }
    }

    void CloseClient()
    {
        if (m_client != INVALID_SOCKET) {
            closesocket(m_client);
            m_client = INVALID_SOCKET;
        }
    }

private:
    SOCKET m_listen = INVALID_SOCKET;
    SOCKET m_client = INVALID_SOCKET;
    uint16_t m_port = 0;
};

// Yields until a reader has taken everything that reached the socket, so the next piece a
// test sends is sure to arrive in a read of its own.
inline bool WaitConsumed(SOCKET s)
{
    for (int i = 0; i < 20000000; ++i) {
        u_long avail = 1;
        if (ioctlsocket(s, FIONREAD, &avail) != 0)
            return false;
        if (avail == 0)
            return true;
        SwitchToThread();
    }
    return false;
}

inline std::vector<uint8_t> SampleBytes(const std::vector<uint8_t>& data, int64_t start, int64_t stop)
{
    std::vector<uint8_t> out(20);
    vd::EncodeSampleHeader(out.data(), data.size(), start, stop);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace vdtest
