// The frame server driven by raw loopback clients.
#include "app/graphs/outputs/vd/VDFrameServer.h"
#include "app/core/EngineClock.h"
#include "tests/app/core/VDFixtures.h"
#include "tests/app/core/VDTestSocket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using vdtest::Hex;
using vdtest::RawClient;

namespace {

class FakeSetup : public vd::IVDSetupSource {
public:
    bool videoConnected = true;
    bool BuildSetupReply(bool video, std::vector<uint8_t>* reply) override
    {
        if (video && !videoConnected)
            return false;
        *reply = vd::EncodeSetupReply(video ? Video720Type() : AudioPcmType());
        return true;
    }
};

// Follows the server thread; waits are bounded so a broken server fails instead of hanging.
class Watch : public vd::IVDServerObserver {
public:
    void OnCommandHandled(SOCKET, const char*) override
    {
        std::lock_guard<std::mutex> l(m_m);
        ++m_commands;
        m_cv.notify_all();
    }
    void OnClientDropped(SOCKET) override
    {
        std::lock_guard<std::mutex> l(m_m);
        ++m_drops;
        m_cv.notify_all();
    }
    bool WaitCommands(int n) { return Wait([&] { return m_commands >= n; }); }
    bool WaitDrops(int n) { return Wait([&] { return m_drops >= n; }); }
    int Drops()
    {
        std::lock_guard<std::mutex> l(m_m);
        return m_drops;
    }

private:
    template <class P> bool Wait(P p)
    {
        std::unique_lock<std::mutex> l(m_m);
        return m_cv.wait_for(l, std::chrono::seconds(20), p);
    }
    std::mutex m_m;
    std::condition_variable m_cv;
    int m_commands = 0;
    int m_drops = 0;
};

// The server's clock, moved by hand: no client is ever late unless a test says so.
std::atomic<DWORD> g_now{1000};
DWORD Now() { return g_now.load(); }

class FrameServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineClock::SetSource(&Now);
        server = std::make_unique<vd::VDFrameServer>(&setup, &watch);
        ASSERT_EQ(S_OK, server->Start(0));
        port = server->Port();
        ASSERT_NE(0, port);
    }
    void TearDown() override
    {
        server->Stop();
        EngineClock::SetSource(nullptr);
    }

    // Waits until the server has accepted n clients (accepting tells no observer).
    bool WaitClients(size_t n)
    {
        for (int i = 0; i < 20000000 && server->ClientCount() < n; ++i) std::this_thread::yield();
        return server->ClientCount() >= n;
    }

    // Sends a command and waits until the server has acted on it.
    void Command(RawClient& c, const char* text)
    {
        ASSERT_TRUE(c.Send(text));
        ASSERT_TRUE(watch.WaitCommands(++commands));
    }

    void SetUpVideo(RawClient& c)
    {
        Command(c, "setupvideo");
        std::vector<uint8_t> reply;
        ASSERT_TRUE(c.Recv(164, &reply));
    }

    void ExpectSample(RawClient& c, const std::vector<uint8_t>& data, int64_t start, int64_t stop)
    {
        std::vector<uint8_t> head, body;
        ASSERT_TRUE(c.Recv(20, &head));
        uint8_t expect[20];
        vd::EncodeSampleHeader(expect, data.size(), start, stop);
        ASSERT_EQ(std::vector<uint8_t>(expect, expect + 20), head);
        ASSERT_TRUE(c.Recv(data.size(), &body));
        ASSERT_TRUE(body == data);
    }

    vdtest::WinsockScope wsa;
    FakeSetup setup;
    Watch watch;
    std::unique_ptr<vd::VDFrameServer> server;
    uint16_t port = 0;
    int commands = 0;
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

}  // namespace

TEST_F(FrameServerTest, SetupRepliesAreTheMediaTypesByteForByte)
{
    RawClient c(port);
    std::vector<uint8_t> reply;
    Command(c, "setupvideo");
    ASSERT_TRUE(c.Recv(164, &reply));
    EXPECT_EQ(VideoReplyFixture(), reply);
    Command(c, "setupaudio");
    ASSERT_TRUE(c.Recv(94, &reply));
    EXPECT_EQ(AudioReplyFixture(), reply);
}

TEST_F(FrameServerTest, SamplesAreFramedWithLengthAndTimes)
{
    RawClient c(port);
    SetUpVideo(c);
    Command(c, "run=======");
    const std::vector<uint8_t> frame = Pattern(720 * 576 * 3, 1);
    server->SendSample(true, frame.data(), frame.size(), 123450000, 123850000);
    std::vector<uint8_t> head;
    ASSERT_TRUE(c.Recv(20, &head));
    EXPECT_EQ(Hex("10FC1200 90B25B0700000000 10CD610700000000"), head);
    std::vector<uint8_t> body;
    ASSERT_TRUE(c.Recv(frame.size(), &body));
    EXPECT_TRUE(body == frame);

    // No data, then a frame larger than any client accepts: the server itself sets no limit.
    server->SendSample(true, nullptr, 0, 0, 0);
    ExpectSample(c, {}, 0, 0);
    const std::vector<uint8_t> big = Pattern(1920 * 1080 * 3, 2);
    server->SendSample(true, big.data(), big.size(), 5, 6);
    ExpectSample(c, big, 5, 6);
    // A smaller one after the big one is framed as itself.
    server->SendSample(true, frame.data(), 10, 7, 8);
    ExpectSample(c, std::vector<uint8_t>(frame.begin(), frame.begin() + 10), 7, 8);
}

TEST_F(FrameServerTest, OnlyRunningClientsOfTheMediumReceive)
{
    RawClient idle(port), runner(port), audio(port);
    SetUpVideo(idle);
    SetUpVideo(runner);
    Command(runner, "run=======");
    Command(audio, "setupaudio");
    std::vector<uint8_t> reply;
    ASSERT_TRUE(audio.Recv(94, &reply));
    Command(audio, "run=======");

    const std::vector<uint8_t> v = Pattern(1000, 3), a = Pattern(7056, 4);
    server->SendSample(true, v.data(), v.size(), 1, 2);
    server->SendSample(false, a.data(), a.size(), 3, 4);
    ExpectSample(runner, v, 1, 2);
    ExpectSample(audio, a, 3, 4);

    // Replies queue behind any sample, so the next bytes the idle and the audio client
    // see are their replies: neither was sent the video sample.
    Command(idle, "setupaudio");
    ASSERT_TRUE(idle.Recv(94, &reply));
    EXPECT_EQ(AudioReplyFixture(), reply);
    Command(audio, "setupaudio");
    ASSERT_TRUE(audio.Recv(94, &reply));
    EXPECT_EQ(AudioReplyFixture(), reply);
}

TEST_F(FrameServerTest, PauseStopsAndRunResumesEveryMediumOfTheClient)
{
    RawClient c(port);
    SetUpVideo(c);
    Command(c, "setupaudio");
    std::vector<uint8_t> reply;
    ASSERT_TRUE(c.Recv(94, &reply));
    Command(c, "run=======");
    const std::vector<uint8_t> v = Pattern(500, 5), a = Pattern(40, 6);
    server->SendSample(true, v.data(), v.size(), 10, 20);
    server->SendSample(false, a.data(), a.size(), 30, 40);
    ExpectSample(c, v, 10, 20);
    ExpectSample(c, a, 30, 40);

    Command(c, "pause=====");
    server->SendSample(true, v.data(), v.size(), 50, 60);
    server->SendSample(false, a.data(), a.size(), 70, 80);
    Command(c, "run=======");
    server->SendSample(false, a.data(), a.size(), 90, 100);
    ExpectSample(c, a, 90, 100);  // nothing from the paused time came first
}

TEST_F(FrameServerTest, ACommandSplitAcrossReadsIsAccepted)
{
    RawClient split(port), other(port);
    ASSERT_TRUE(split.Send("setu"));
    // The other client's round trip makes the server read the first piece on its own.
    SetUpVideo(other);
    ASSERT_TRUE(split.Send("pvi"));
    SetUpVideo(other);
    Command(split, "deo");
    std::vector<uint8_t> reply;
    ASSERT_TRUE(split.Recv(164, &reply));
    EXPECT_EQ(VideoReplyFixture(), reply);
}

TEST_F(FrameServerTest, BadCommandsDropOnlyThatClient)
{
    const char* bad[] = {"helloworld", "SETUPVIDEO", "run======x"};
    RawClient good(port);
    SetUpVideo(good);
    Command(good, "run=======");
    int drops = 0;
    for (const char* text : bad) {
        RawClient c(port);
        ASSERT_TRUE(c.Send(std::string(text, 10)));
        EXPECT_TRUE(c.WaitClosed()) << text;
        ASSERT_TRUE(watch.WaitDrops(++drops));
    }
    {
        RawClient shortOne(port);
        ASSERT_TRUE(shortOne.Send("run"));
        shortOne.Close();
        ASSERT_TRUE(watch.WaitDrops(++drops));
    }
    const std::vector<uint8_t> v = Pattern(64, 7);
    server->SendSample(true, v.data(), v.size(), 1, 2);
    ExpectSample(good, v, 1, 2);
}

TEST_F(FrameServerTest, SetupOnAPinWithoutTypeDropsTheClient)
{
    setup.videoConnected = false;
    RawClient c(port);
    ASSERT_TRUE(c.Send("setupvideo"));
    EXPECT_TRUE(c.WaitClosed());
    EXPECT_TRUE(watch.WaitDrops(1));
}

TEST_F(FrameServerTest, TwoClientsReceiveEverySampleAndOneLeaving)
{
    RawClient a(port);
    auto b = std::make_unique<RawClient>(port);
    SetUpVideo(a);
    SetUpVideo(*b);
    Command(a, "run=======");
    Command(*b, "run=======");
    const std::vector<uint8_t> v = Pattern(300000, 8);
    server->SendSample(true, v.data(), v.size(), 1, 2);
    ExpectSample(a, v, 1, 2);
    ExpectSample(*b, v, 1, 2);
    b.reset();  // disconnects, possibly in the middle of the next sample
    for (int i = 0; i < 5; ++i)
        server->SendSample(true, v.data(), v.size(), 10 + i, 11 + i);
    for (int i = 0; i < 5; ++i)
        ExpectSample(a, v, 10 + i, 11 + i);
    EXPECT_TRUE(watch.WaitDrops(1));
}

// SendSample sends what the socket takes at once and leaves the rest to the server thread;
// with a backlog both send on the same socket, and every frame must still arrive whole and in
// the order it was given.
TEST_F(FrameServerTest, FramesBeyondWhatTheSocketTakesArriveWholeAndInOrder)
{
    RawClient client(port);
    SetUpVideo(client);
    Command(client, "run=======");
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 12; ++i)
        frames.push_back(Pattern(720 * 576 * 3, static_cast<uint8_t>(i * 31 + 1)));
    // Half of them before the client reads a byte: more than the socket buffers hold.
    for (int i = 0; i < 6; ++i)
        server->SendSample(true, frames[i].data(), frames[i].size(), i, i + 1);
    std::thread late([&] {
        for (int i = 6; i < 12; ++i)
            server->SendSample(true, frames[i].data(), frames[i].size(), i, i + 1);
    });
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        ExpectSample(client, frames[i], i, i + 1);
    }
    late.join();
    EXPECT_EQ(0, watch.Drops());
}

TEST_F(FrameServerTest, AClientThatStopsReadingIsDroppedWithoutStallingOthers)
{
    RawClient stalled(port), reader(port);
    SetUpVideo(stalled);
    SetUpVideo(reader);
    Command(stalled, "run=======");
    Command(reader, "run=======");

    const std::vector<uint8_t> frame = Pattern(720 * 576 * 3, 9);
    std::atomic<int> received{0};
    std::atomic<bool> readerOk{true};
    std::thread t([&] {
        std::vector<uint8_t> buf;
        for (;;) {
            if (!reader.Recv(20 + frame.size(), &buf)) {
                readerOk = false;
                return;
            }
            if (vd::GetU64(buf.data() + 4) == 0xFFFF)
                return;
            ++received;
        }
    });
    int sent = 0;
    // Bounded: the stalled client's queue and socket buffers fill within a few dozen frames.
    while (watch.Drops() == 0 && sent < 400) {
        server->SendSample(true, frame.data(), frame.size(), sent, sent + 1);
        ++sent;
        if (sent % 4 == 0)
            while (received + 8 < sent && readerOk) std::this_thread::yield();
    }
    server->SendSample(true, frame.data(), frame.size(), 0xFFFF, 0);
    t.join();
    EXPECT_TRUE(readerOk);
    EXPECT_EQ(1, watch.Drops());
    EXPECT_EQ(sent, received.load());
    EXPECT_TRUE(stalled.WaitClosed());
}

TEST_F(FrameServerTest, StopWithClientsAttachedReturnsAndClosesThem)
{
    RawClient a(port), b(port), c(port);
    SetUpVideo(a);
    Command(a, "run=======");
    SetUpVideo(b);
    ASSERT_TRUE(c.Send("setu"));
    const std::vector<uint8_t> frame = Pattern(720 * 576 * 3, 10);
    for (int i = 0; i < 10; ++i)
        server->SendSample(true, frame.data(), frame.size(), i, i);  // more than a reads
    server->Stop();
    EXPECT_FALSE(server->IsRunning());
    EXPECT_EQ(0u, server->ClientCount());
    EXPECT_TRUE(b.WaitClosed());
    EXPECT_TRUE(c.WaitClosed());
}

TEST_F(FrameServerTest, StartOnAPortInUseFails)
{
    vd::VDFrameServer second(&setup);
    EXPECT_TRUE(FAILED(second.Start(port)));
    EXPECT_FALSE(second.IsRunning());
    // The first server is unaffected.
    RawClient c(port);
    SetUpVideo(c);
}

TEST_F(FrameServerTest, WithEverySlotTakenANewClientWaitsUntilOneLeaves)
{
    std::vector<std::unique_ptr<RawClient>> clients;
    for (size_t i = 0; i < FD_SETSIZE - 2; ++i) {
        clients.push_back(std::make_unique<RawClient>(port));
        SetUpVideo(*clients.back());
    }
    EXPECT_EQ(static_cast<size_t>(FD_SETSIZE - 2), server->ClientCount());
    RawClient waiting(port);   // held in the backlog
    ASSERT_TRUE(waiting.Send("setupvideo"));
    clients.front().reset();
    std::vector<uint8_t> reply;
    ASSERT_TRUE(waiting.Recv(164, &reply));
    EXPECT_EQ(VideoReplyFixture(), reply);
    server->Stop();   // with every slot taken, stop still returns
    EXPECT_EQ(0u, server->ClientCount());
}

// 62 connections that never send a whole command once held every slot for ever, and a real
// client waited in the backlog. A connection without a whole command within the command time
// (from its connection), or with a command left half sent, is dropped; a client that has
// sent a command stays however long it is quiet, and keeps receiving.
TEST_F(FrameServerTest, IdleConnectionsAreDroppedAndLetAWaitingClientIn)
{
    RawClient keep(port);
    SetUpVideo(keep);
    Command(keep, "run=======");
    std::vector<std::unique_ptr<RawClient>> idle;
    for (size_t i = 1; i < FD_SETSIZE - 2; ++i) {
        idle.push_back(std::make_unique<RawClient>(port));
        if (i % 20 == 0) {
            ASSERT_TRUE(idle.back()->Send("setu"));   // a command begun and never finished
        }
    }
    ASSERT_TRUE(WaitClients(FD_SETSIZE - 2));
    RawClient waiting(port);   // every slot is taken: held in the backlog
    ASSERT_TRUE(waiting.Send("setupvideo"));

    // Just inside the time nothing is dropped; the command that makes the server go round
    // is handled after its time check.
    g_now += vd::VDFrameServer::kCommandTimeoutMs - 1;
    Command(keep, "run=======");
    EXPECT_EQ(0, watch.Drops());

    g_now += 1;
    ASSERT_TRUE(watch.WaitDrops(FD_SETSIZE - 3));
    std::vector<uint8_t> reply;
    ASSERT_TRUE(waiting.Recv(164, &reply));
    EXPECT_EQ(VideoReplyFixture(), reply);
    for (auto& c : idle) EXPECT_TRUE(c->WaitClosed());

    // The quiet client that had sent its commands is still served.
    const std::vector<uint8_t> v = Pattern(300, 4);
    server->SendSample(true, v.data(), v.size(), 7, 8);
    ExpectSample(keep, v, 7, 8);
    EXPECT_EQ(FD_SETSIZE - 3, watch.Drops());
}

// A client that has sent whole commands may stay quiet as long as it likes; a command it then
// leaves half sent is dropped once the command time has passed.
TEST_F(FrameServerTest, ACommandLeftHalfSentIsDroppedAfterTheCommandTime)
{
    RawClient c(port), other(port);
    SetUpVideo(c);
    SetUpVideo(other);
    g_now += 60000;
    Command(other, "run=======");
    EXPECT_EQ(0, watch.Drops());

    ASSERT_TRUE(c.Send("run"));
    // Two steps of the command time, the server going round between them: whenever it read
    // the three bytes, their time is up after the second.
    g_now += vd::VDFrameServer::kCommandTimeoutMs;
    Command(other, "pause=====");
    g_now += vd::VDFrameServer::kCommandTimeoutMs;
    ASSERT_TRUE(watch.WaitDrops(1));
    EXPECT_TRUE(c.WaitClosed());
    Command(other, "run=======");
    EXPECT_EQ(1, watch.Drops());
}

// A client that takes no byte of the frames waiting for it for the stall time is dropped,
// however few frames come (the queue bounds alone need dozens); a reader beside it is not
// affected.
TEST_F(FrameServerTest, AClientThatTakesNothingForTheStallTimeIsDropped)
{
    RawClient stalled(port), reader(port);
    // A small receive window, so what the sockets hold is mostly the server's send buffer.
    const int window = 64 * 1024;
    setsockopt(stalled.Handle(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&window), sizeof(window));
    SetUpVideo(stalled);
    SetUpVideo(reader);
    Command(stalled, "run=======");
    Command(reader, "run=======");
    const std::vector<uint8_t> frame = Pattern(720 * 576 * 3, 5);
    // About 15 MB: more than the socket buffers hold (the 5 MB asked for, doubled by Linux),
    // within the queue's bounds.
    const int frames = 12;
    std::atomic<int> received{0};
    std::thread t([&] {
        std::vector<uint8_t> buf;
        while (received < frames + 1 && reader.Recv(20 + frame.size(), &buf)) ++received;
    });
    for (int i = 0; i < frames; ++i) server->SendSample(true, frame.data(), frame.size(), i, i + 1);
    while (received < frames) std::this_thread::yield();

    g_now += vd::VDFrameServer::kStallTimeoutMs - 1;
    Command(reader, "run=======");
    EXPECT_EQ(0, watch.Drops());
    // The stalled client's socket buffers may still have taken bytes up to now; a second
    // stall time with nothing taken drops it.
    g_now += vd::VDFrameServer::kStallTimeoutMs;
    ASSERT_TRUE(watch.WaitDrops(1));
    EXPECT_TRUE(stalled.WaitClosed());
    server->SendSample(true, frame.data(), frame.size(), 99, 100);
    t.join();
    EXPECT_EQ(frames + 1, received.load());
    EXPECT_EQ(1, watch.Drops());
}
