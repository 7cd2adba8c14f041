// The frame server beside a plain socket pair moving the same bytes on 127.0.0.1, measured
// in the same run:
//   - added latency at 720 x 576 RGB24 and 25 frames/s (from SendSample to a client holding
//     the whole frame) for 1, 4 and 16 loopback clients: mean, 95th percentile and worst,
//     and the clients dropped;
//   - throughput when frames are handed over back to back, at most four frames ahead of the
//     slowest client as a paced output would be, so no client is dropped for falling behind.
// The floor sends each frame (header and data, one buffer) to each client's socket from the
// producer's thread with blocking sends, the least any server can do. Run by tools/bench.sh.
#include "app/graphs/outputs/vd/VDFrameServer.h"
#include "app/core/VDWireFormat.h"
#include "bench/BenchReport.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const size_t kFrameBytes = 720 * 576 * 3;
const double kPeriodMs = 40.0;

class Setup : public vd::IVDSetupSource {
public:
    bool BuildSetupReply(bool, std::vector<uint8_t>* reply) override
    {
        vd::VdMediaType t;
        t.lSampleSize = kFrameBytes;
        t.format.assign(88, 0);
        *reply = vd::EncodeSetupReply(t);
        return true;
    }
};

class Commands : public vd::IVDServerObserver {
public:
    std::atomic<int> handled{0};
    std::atomic<int> dropped{0};
    void OnCommandHandled(SOCKET, const char*) override { ++handled; }
    void OnClientDropped(SOCKET) override { ++dropped; }
};

int64_t Ticks()
{
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

double TicksToMs(int64_t t)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(t) * 1000.0 / double(f.QuadPart);
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

bool SendAll(SOCKET s, const char* p, size_t n)
{
    while (n) {
        int r = send(s, p, static_cast<int>(std::min<size_t>(n, 1 << 20)), 0);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

SOCKET Connect(uint16_t port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int rcv = vd::kVideoSocketBuffer;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&rcv), sizeof(rcv));
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

struct Result {
    bench::Spread latency;
    double framesPerSecond = 0;
    double megabytesPerSecond = 0;
    int received = 0;
    int expected = 0;
    int dropped = 0;
};

// Reads every client's frames on a thread of its own while send() hands the frames out,
// paced at 25 frames/s or back to back.
Result Drive(const std::vector<SOCKET>& clients, int frames, bool paced,
             const std::function<void(uint8_t* frame, int64_t stamp)>& send)
{
    const int n = static_cast<int>(clients.size());
    std::vector<std::atomic<int>> received(n);
    std::vector<std::vector<double>> latency(n);
    std::vector<std::thread> readers;
    for (int i = 0; i < n; ++i) {
        received[i] = 0;
        latency[i].reserve(frames);
        readers.emplace_back([&, i] {
            std::vector<char> buf(vd::kSampleHeaderSize + kFrameBytes);
            for (int f = 0; f < frames; ++f) {
                if (!RecvAll(clients[i], buf.data(), buf.size()))
                    return;
                const int64_t sentAt = static_cast<int64_t>(vd::GetU64(reinterpret_cast<uint8_t*>(buf.data()) + 4));
                latency[i].push_back(TicksToMs(Ticks() - sentAt));
                ++received[i];
            }
        });
    }
    // The producer's buffer has room for the header in front of the picture.
    std::vector<uint8_t> frame(vd::kSampleHeaderSize + kFrameBytes, 0x80);
    timeBeginPeriod(1);
    const double start = bench::NowMs();
    for (int f = 0; f < frames; ++f) {
        if (paced) {
            const double due = start + f * kPeriodMs;
            for (double now = bench::NowMs(); now < due; now = bench::NowMs())
                Sleep(due - now > 2.0 ? 1 : 0);
        } else {
            for (int i = 0; i < n; ++i)
                while (received[i] + 4 < f)
                    std::this_thread::yield();
        }
        send(frame.data(), Ticks());
    }
    for (auto& t : readers)
        t.join();
    const double seconds = (bench::NowMs() - start) / 1000.0;
    timeEndPeriod(1);
    Result r;
    std::vector<double> all;
    for (int i = 0; i < n; ++i) {
        all.insert(all.end(), latency[i].begin(), latency[i].end());
        r.received += received[i];
    }
    r.expected = frames * n;
    r.latency = bench::SpreadOf(all);
    r.framesPerSecond = frames / seconds;
    r.megabytesPerSecond = double(r.received) * double(frame.size()) / seconds / 1e6;
    return r;
}

Result RunServer(int clients, int frames, bool paced)
{
    Setup setup;
    Commands commands;
    vd::VDFrameServer server(&setup, &commands);
    Result r;
    if (FAILED(server.Start(0))) {
        std::printf("frame server: start failed\n");
        return r;
    }
    std::vector<SOCKET> socks;
    for (int i = 0; i < clients; ++i) {
        SOCKET s = Connect(server.Port());
        send(s, "setupvideo", 10, 0);
        std::vector<char> reply(4 + 72 + 88);
        RecvAll(s, reply.data(), reply.size());
        send(s, "run=======", 10, 0);
        socks.push_back(s);
    }
    while (commands.handled < 2 * clients)
        std::this_thread::yield();
    r = Drive(socks, frames, paced, [&](uint8_t* frame, int64_t stamp) {
        server.SendSample(true, frame + vd::kSampleHeaderSize, kFrameBytes, stamp, 0);
    });
    r.dropped = commands.dropped.load();
    for (SOCKET s : socks)
        closesocket(s);
    server.Stop();
    return r;
}

Result RunSocketPairs(int clients, int frames, bool paced)
{
    Result r;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof(a);
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || listen(listener, 64) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        std::printf("socket pairs: no listener\n");
        return r;
    }
    std::vector<SOCKET> readers, writers;
    for (int i = 0; i < clients; ++i) {
        readers.push_back(Connect(ntohs(a.sin_port)));
        SOCKET w = accept(listener, nullptr, nullptr);
        int size = vd::kVideoSocketBuffer;
        setsockopt(w, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&size), sizeof(size));
        writers.push_back(w);
    }
    closesocket(listener);
    r = Drive(readers, frames, paced, [&](uint8_t* frame, int64_t stamp) {
        vd::EncodeSampleHeader(frame, kFrameBytes, stamp, 0);
        for (SOCKET w : writers)
            SendAll(w, reinterpret_cast<const char*>(frame), vd::kSampleHeaderSize + kFrameBytes);
    });
    for (SOCKET s : readers)
        closesocket(s);
    for (SOCKET s : writers)
        closesocket(s);
    return r;
}

void Print(const char* what, int clients, const Result& r)
{
    std::printf("%-12s %2d clients: %6.1f frames/s, %7.1f MB/s, latency mean %.3f ms, 95th %.3f ms, max %.3f ms "
                "(%d of %d frames, %d clients dropped)\n",
                what, clients, r.framesPerSecond, r.megabytesPerSecond, r.latency.mean, r.latency.p95, r.latency.max,
                r.received, r.expected, r.dropped);
}

}  // namespace

int main()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    std::printf("frame server, 720 x 576 RGB24 frames (%u bytes on the wire)\n",
                unsigned(vd::kSampleHeaderSize + kFrameBytes));
    for (int clients : {1, 4, 16}) {
        const int frames = 100;
        const Result floor = RunSocketPairs(clients, frames, true);
        const Result server = RunServer(clients, frames, true);
        Print("socket pairs", clients, floor);
        Print("server", clients, server);
        const std::string name = "added latency at 25 frames/s, " + std::to_string(clients) + " client" +
                                 (clients > 1 ? "s" : "");
        bench::Figure((name + ", mean").c_str(), server.latency.mean, "ms", floor.latency.mean);
        bench::Figure((name + ", 95th percentile").c_str(), server.latency.p95, "ms", floor.latency.p95);
        bench::Figure((name + ", frames lost").c_str(), server.expected - server.received, "frames");
        bench::Figure((name + ", clients dropped").c_str(), server.dropped, "clients");
    }
    for (int clients : {1, 16}) {
        const int frames = clients >= 16 ? 100 : 250;
        const Result floor = RunSocketPairs(clients, frames, false);
        const Result server = RunServer(clients, frames, false);
        Print("socket pairs", clients, floor);
        Print("server", clients, server);
        const std::string name = "back-to-back time per frame, " + std::to_string(clients) + " client" +
                                 (clients > 1 ? "s" : "");
        bench::Figure(name.c_str(), 1000.0 / server.framesPerSecond, "ms", 1000.0 / floor.framesPerSecond);
    }
    WSACleanup();
    return 0;
}
