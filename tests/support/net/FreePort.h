// A loopback TCP port nothing listens on now, for tests that start a server: the system's
// choice for a socket bound to port 0. Two test runs on one machine never share a fixed port.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>

namespace testnet {

// 0 when no socket could be made or bound.
inline uint16_t FreePort()
{
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 0;
    uint16_t port = 0;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (s != INVALID_SOCKET && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (s != INVALID_SOCKET)
        ::closesocket(s);
    ::WSACleanup();
    return port;
}

} // namespace testnet
