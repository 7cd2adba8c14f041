// A plain blocking loopback client for driving the frame server byte by byte.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vdtest {

class WinsockScope {
public:
    WinsockScope() { WSAStartup(MAKEWORD(2, 2), &m_data); }
    ~WinsockScope() { WSACleanup(); }

private:
    WSADATA m_data;
};

class RawClient {
public:
    // Guards every blocking read, so a broken server fails a test instead of hanging it.
    static constexpr DWORD kGuardMs = 20000;

    RawClient() = default;
    explicit RawClient(uint16_t port) { Connect(port); }
    ~RawClient() { Close(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connect(uint16_t port)
    {
        m_s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (m_s == INVALID_SOCKET)
            return false;
        DWORD guard = kGuardMs;
        setsockopt(m_s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&guard), sizeof(guard));
        BOOL on = TRUE;
        setsockopt(m_s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        return connect(m_s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
    }

    bool Send(const std::string& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            int n = send(m_s, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads exactly n bytes; false on close, error or the guard time-out.
    bool Recv(size_t n, std::vector<uint8_t>* out)
    {
        out->resize(n);
        size_t done = 0;
        while (done < n) {
            int r = recv(m_s, reinterpret_cast<char*>(out->data() + done), static_cast<int>(n - done), 0);
            if (r <= 0)
                return false;
            done += static_cast<size_t>(r);
        }
        return true;
    }

    // True when the server has closed the connection (a read ends with no data).
    bool WaitClosed()
    {
        char b[4096];
        for (;;) {
            int r = recv(m_s, b, sizeof(b), 0);
            if (r == 0)
                return true;
            if (r < 0)
                return WSAGetLastError() != WSAETIMEDOUT;
        }
    }

    // True when nothing at all has arrived yet (checked without waiting).
    bool NothingPending()
    {
        u_long avail = 0;
        ioctlsocket(m_s, FIONREAD, &avail);
        return avail == 0;
    }

    void Close()
    {
        if (m_s != INVALID_SOCKET) {
            closesocket(m_s);
            m_s = INVALID_SOCKET;
        }
    }

    SOCKET Handle() const { return m_s; }

private:
    SOCKET m_s = INVALID_SOCKET;
};

inline std::vector<uint8_t> Hex(const char* text)
{
    std::vector<uint8_t> out;
    int hi = -1;
    for (const char* p = text; *p; ++p) {
        int v;
        if (*p >= '0' && *p <= '9') v = *p - '0';
        else if (*p >= 'a' && *p <= 'f') v = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'F') v = *p - 'A' + 10;
        else continue;
        if (hi < 0) {
            hi = v;
        } else {
            out.push_back(static_cast<uint8_t>(hi << 4 | v));
            hi = -1;
        }
    }
    return out;
}

}  // namespace vdtest
