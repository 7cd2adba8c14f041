// Prints frames per second, bytes per second and the latency the frame server adds between
// SendSample and a client holding the whole frame, for 1, 4 and 16 loopback clients.
// The producer keeps at most four frames in flight to the slowest client, as a paced
// output would, so no client is dropped for falling behind.
#include "app/graphs/outputs/vd/VDFrameServer.h"
#include "app/core/VDWireFormat.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

class Setup : public vd::IVDSetupSource {
public:
    bool BuildSetupReply(bool, std::vector<uint8_t>* reply) override
    {
        vd::VdMediaType t;
        t.lSampleSize = 720 * 576 * 3;
        t.format.assign(88, 0);
        *reply = vd::EncodeSetupReply(t);
        return true;
    }
};

class Commands : public vd::IVDServerObserver {
public:
    std::atomic<int> handled{0};
    void OnCommandHandled(SOCKET, const char*) override { ++handled; }
    std::atomic<int> dropped{0};
    void OnClientDropped(SOCKET) override { ++dropped; }
};

int64_t Now()
{
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

bool RecvAll(SOCKET s, char* p, size_t n)
{
    while (n) {
        int r = recv(s, p, static_cast<int>(std::min<size_t>(n, 1 << 20)), 0);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

void Run(int clients, int frames)
{
    Setup setup;
    Commands commands;
    vd::VDFrameServer server(&setup, &commands);
    if (FAILED(server.Start(0))) {
        std::printf("server start failed\n");
        return;
    }
    const size_t frameBytes = 720 * 576 * 3;
    std::vector<SOCKET> socks;
    for (int i = 0; i < clients; ++i) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        int rcv = vd::kVideoSocketBuffer;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&rcv), sizeof(rcv));
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(server.Port());
        connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        send(s, "setupvideo", 10, 0);
        std::vector<char> reply(4 + 72 + 88);
        RecvAll(s, reply.data(), reply.size());
        send(s, "run=======", 10, 0);
        socks.push_back(s);
    }
    while (commands.handled < 2 * clients)
        std::this_thread::yield();

    std::vector<std::atomic<int>> received(clients);
    std::vector<double> latencySum(clients, 0), latencyMax(clients, 0);
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::vector<std::thread> readers;
    for (int i = 0; i < clients; ++i) {
        received[i] = 0;
        readers.emplace_back([&, i] {
            std::vector<char> buf(20 + frameBytes);
            for (int f = 0; f < frames; ++f) {
                if (!RecvAll(socks[i], buf.data(), buf.size()))
                    return;
                const int64_t sentAt = static_cast<int64_t>(vd::GetU64(reinterpret_cast<uint8_t*>(buf.data()) + 4));
                const double ms = 1000.0 * double(Now() - sentAt) / double(freq.QuadPart);
                latencySum[i] += ms;
                latencyMax[i] = std::max(latencyMax[i], ms);
                ++received[i];
            }
        });
    }
    std::vector<uint8_t> frame(frameBytes, 0x80);
    const int64_t t0 = Now();
    for (int f = 0; f < frames; ++f) {
        for (int i = 0; i < clients; ++i)
            while (received[i] + 4 < f)
                std::this_thread::yield();
        server.SendSample(true, frame.data(), frame.size(), Now(), 0);
    }
    for (auto& t : readers)
        t.join();
    const double seconds = double(Now() - t0) / double(freq.QuadPart);
    double sum = 0, worst = 0;
    int got = 0;
    for (int i = 0; i < clients; ++i) {
        sum += latencySum[i];
        worst = std::max(worst, latencyMax[i]);
        got += received[i];
    }
    std::printf("%2d clients: %7.1f frames/s per client, %8.1f MB/s in all, latency mean %.2f ms, max %.2f ms (%d of %d frames, %d clients dropped)\n",
                clients, frames / seconds, double(got) * (20 + frameBytes) / seconds / 1e6,
                got ? sum / got : 0.0, worst, got, frames * clients, commands.dropped.load());
    for (SOCKET s : socks)
        closesocket(s);
    server.Stop();
}

}  // namespace

int main()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    std::printf("frame server, 720 x 576 RGB24 frames (1244180 bytes on the wire)\n");
    for (int clients : {1, 4, 16})
        Run(clients, clients >= 16 ? 100 : 250);
    WSACleanup();
    return 0;
}
