#include "app/graphs/outputs/vd/VDFrameServer.h"

#include "app/core/EngineClock.h"
#include "app/core/VDWireFormat.h"

#include <cstring>

namespace vd {
namespace {


// The select loop also wakes on this period, so a lost wake-up can delay Stop, never hang it.
constexpr long kBackstopMicroseconds = 500 * 1000;

void CloseSocket(SOCKET& s, bool shut)
{
    if (s == INVALID_SOCKET)
        return;
    if (shut)
        shutdown(s, SD_BOTH);
    closesocket(s);
    s = INVALID_SOCKET;
}

bool SetNonBlocking(SOCKET s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}

}  // namespace

VDFrameServer::VDFrameServer(IVDSetupSource* source, IVDServerObserver* observer)
    : m_source(source), m_observer(observer)
{
}

VDFrameServer::~VDFrameServer()
{
    Stop();
}

size_t VDFrameServer::MaxClients()
{
    // The read set holds the wake socket, the listening socket and every client.
    return FD_SETSIZE - 2;
}

HRESULT VDFrameServer::Start(uint16_t port)
{
    if (m_thread)
        return S_FALSE;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return E_FAIL;

    HRESULT hr = E_FAIL;
    m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    m_wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (m_listen != INVALID_SOCKET && m_wake != INVALID_SOCKET) {
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        addr.sin_port = htons(port);

        sockaddr_in wakeAddr = {};
        wakeAddr.sin_family = AF_INET;
        wakeAddr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int wakeLen = sizeof(wakeAddr);
        sockaddr_in bound = {};
        int boundLen = sizeof(bound);

        if (bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
            listen(m_listen, 2) == 0 &&
            getsockname(m_listen, reinterpret_cast<sockaddr*>(&bound), &boundLen) == 0 &&
            bind(m_wake, reinterpret_cast<sockaddr*>(&wakeAddr), sizeof(wakeAddr)) == 0 &&
            getsockname(m_wake, reinterpret_cast<sockaddr*>(&wakeAddr), &wakeLen) == 0 &&
            connect(m_wake, reinterpret_cast<sockaddr*>(&wakeAddr), sizeof(wakeAddr)) == 0 &&
            SetNonBlocking(m_wake)) {
            m_port = ntohs(bound.sin_port);
            InterlockedExchange(&m_stop, 0);
            InterlockedExchange(&m_wakePending, 0);
            m_thread.Reset(CreateThread(nullptr, 0, &VDFrameServer::ThreadProc, this, 0, nullptr));
            if (m_thread)
                return S_OK;
            hr = HRESULT_FROM_WIN32(GetLastError());
        } else {
            hr = HRESULT_FROM_WIN32(WSAGetLastError());
        }
    }
    if (SUCCEEDED(hr))
        hr = E_FAIL;
    CloseSocket(m_listen, false);
    CloseSocket(m_wake, false);
    m_port = 0;
    WSACleanup();
    return hr;
}

void VDFrameServer::Stop()
{
    if (!m_thread)
        return;
    InterlockedExchange(&m_stop, 1);
    Wake();
    WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Close();
    CloseAll();
    m_port = 0;
    WSACleanup();
}

size_t VDFrameServer::ClientCount() const
{
    CAutoLock lock(&m_lock);
    return m_clients.size();
}

DWORD WINAPI VDFrameServer::ThreadProc(void* self)
{
    static_cast<VDFrameServer*>(self)->ServerLoop();
    return 0;
}

void VDFrameServer::Wake()
{
    if (InterlockedExchange(&m_wakePending, 1) == 0) {
        const char b = 0;
        send(m_wake, &b, 1, 0);
    }
}

void VDFrameServer::DrainWake()
{
    // Cleared only after draining: cleared before, a wake byte sent during the drain could
    // be eaten while the flag stays set, and every later wake would be suppressed. A sample
    // queued before the clear is seen when the next select's sets are built.
    char buf[64];
    while (recv(m_wake, buf, sizeof(buf), 0) > 0) {
    }
    InterlockedExchange(&m_wakePending, 0);
}

void VDFrameServer::ServerLoop()
{
    std::vector<SOCKET> readable;
    std::vector<SOCKET> writable;
    while (!m_stop) {
        fd_set readSet;
        fd_set writeSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        FD_SET(m_wake, &readSet);
        {
            CAutoLock lock(&m_lock);
            for (auto& kv : m_clients) {
                FD_SET(kv.first, &readSet);
                if (!kv.second.queue.empty())
                    FD_SET(kv.first, &writeSet);
            }
            // With every slot taken the listening socket is left out: new clients wait
            // in the backlog until one leaves.
            if (m_clients.size() < MaxClients())
                FD_SET(m_listen, &readSet);
        }
        timeval backstop = {0, kBackstopMicroseconds};
        const int n = select(0, &readSet, &writeSet, nullptr, &backstop);
        if (m_stop)
            break;
        DropTimedOutClients();
        if (n <= 0)
            continue;

        if (FD_ISSET(m_wake, &readSet)) {
            DrainWake();
            // A wake means new frames: sending them now saves a second trip through select
            // for sockets that were not waited on for writing (their queues were empty).
            FlushAll();
        }
        if (FD_ISSET(m_listen, &readSet))
            AcceptClient();

        readable.clear();
        writable.clear();
        for (u_int i = 0; i < readSet.fd_count; ++i)
            if (readSet.fd_array[i] != m_wake && readSet.fd_array[i] != m_listen)
                readable.push_back(readSet.fd_array[i]);
        for (u_int i = 0; i < writeSet.fd_count; ++i)
            writable.push_back(writeSet.fd_array[i]);
        for (SOCKET s : readable)
            ReadCommand(s);
        for (SOCKET s : writable)
            FlushQueue(s);
        DropFailedClients();
    }
}

void VDFrameServer::AcceptClient()
{
    SOCKET s = accept(m_listen, nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return;
    if (!SetNonBlocking(s)) {
        closesocket(s);
        return;
    }
    // A frame's last segment must not wait for the client's acknowledgement of the ones
    // before it (Nagle's rule with a delayed acknowledgement holds it for tens of ms).
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    CAutoLock lock(&m_lock);
    Client& c = m_clients[s];
    c.commandSince = EngineClock::Now();
}

void VDFrameServer::ReadCommand(SOCKET s)
{
    char buf[kCommandSize];
    size_t have = 0;
    {
        CAutoLock lock(&m_lock);
        auto it = m_clients.find(s);
        if (it == m_clients.end() || it->second.failed)
            return;
        have = it->second.commandLength;
        std::memcpy(buf, it->second.command, have);
    }
    // Commands are gathered across reads: TCP may deliver a command's ten bytes in pieces.
    const int got = recv(s, buf + have, static_cast<int>(kCommandSize - have), 0);
    if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        return;
    if (got <= 0) {
        DropClient(s);
        return;
    }
    have += static_cast<size_t>(got);
    {
        CAutoLock lock(&m_lock);
        auto it = m_clients.find(s);
        if (it == m_clients.end())
            return;
        if (have < kCommandSize) {
            // A command's first byte starts its time; the first command's runs from the connection.
            if (it->second.commandLength == 0 && it->second.commanded)
                it->second.commandSince = EngineClock::Now();
            std::memcpy(it->second.command, buf, have);
            it->second.commandLength = have;
            return;
        }
        it->second.commandLength = 0;
        it->second.commanded = true;
    }
    HandleCommand(s, buf);
}

void VDFrameServer::HandleCommand(SOCKET s, const char* command)
{
    const VdCommand cmd = ParseCommand(command);
    if (cmd == VdCommand::SetupVideo || cmd == VdCommand::SetupAudio) {
        const bool video = cmd == VdCommand::SetupVideo;
        auto reply = std::make_shared<std::vector<uint8_t>>();
        if (!m_source || !m_source->BuildSetupReply(video, reply.get()) || reply->empty()) {
            DropClient(s);
            return;
        }
        int size = video ? kVideoSocketBuffer : kAudioSocketBuffer;
        setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&size), sizeof(size));
        bool ok = false;
        {
            CAutoLock lock(&m_lock);
            auto it = m_clients.find(s);
            if (it == m_clients.end())
                return;
            ok = Enqueue(it->second, reply, false);
            (video ? it->second.videoState : it->second.audioState) = kStopped;
        }
        if (!ok) {
            DropClient(s);
            return;
        }
    } else if (cmd == VdCommand::Run || cmd == VdCommand::Pause) {
        const int state = cmd == VdCommand::Run ? kRunning : kPaused;
        CAutoLock lock(&m_lock);
        auto it = m_clients.find(s);
        if (it == m_clients.end())
            return;
        Client& c = it->second;
        if (c.videoState != kNotSetUp)
            c.videoState = state;
        if (c.audioState != kNotSetUp)
            c.audioState = state;
        if (state == kPaused) {
            // Samples not yet begun are no longer wanted; a half-sent one must be finished
            // or the client would lose its place in the stream.
            std::deque<Entry> keep;
            for (size_t i = 0; i < c.queue.size(); ++i) {
                const Entry& e = c.queue[i];
                if (!e.sample || (i == 0 && c.frontSent > 0))
                    keep.push_back(e);
                else
                    c.queuedBytes -= e.frame->size();
            }
            c.queue.swap(keep);
        }
    } else {
        DropClient(s);
        return;
    }
    if (m_observer)
        m_observer->OnCommandHandled(s, command);
}

bool VDFrameServer::Enqueue(Client& c, const Frame& frame, bool sample)
{
    if (c.failed)
        return false;
    if (c.queue.size() >= kMaxQueuedFrames || c.queuedBytes + frame->size() > kMaxQueuedBytes) {
        // The client has stopped reading; keeping it would only grow memory.
        c.failed = true;
        c.queue.clear();
        c.queuedBytes = 0;
        c.frontSent = 0;
        return false;
    }
    if (c.queue.empty())
        c.progressSince = EngineClock::Now();
    c.queue.push_back(Entry{frame, sample});
    c.queuedBytes += frame->size();
    return true;
}

void VDFrameServer::Advance(Client& c, size_t sent)
{
    c.frontSent += sent;
    c.progressSince = EngineClock::Now();
    if (!c.queue.empty() && c.frontSent >= c.queue.front().frame->size()) {
        c.queuedBytes -= c.queue.front().frame->size();
        c.queue.pop_front();
        c.frontSent = 0;
    }
}

int VDFrameServer::SendFront(SOCKET s, const Client& c)
{
    const Frame& front = c.queue.front().frame;
    // The whole rest in one call: the send buffer holds a frame.
    const size_t left = front->size() - c.frontSent;
    const int chunk = left > 0x1000000 ? 0x1000000 : static_cast<int>(left);
    return send(s, reinterpret_cast<const char*>(front->data() + c.frontSent), chunk, 0);
}

void VDFrameServer::FlushQueue(SOCKET s)
{
    for (;;) {
        Client snapshot;
        {
            CAutoLock lock(&m_lock);
            auto it = m_clients.find(s);
            if (it == m_clients.end() || it->second.failed || it->second.queue.empty() || it->second.sending)
                return;
            // Claimed, so a streaming thread's SendSample does not send on this socket meanwhile.
            it->second.sending = true;
            snapshot.queue.push_back(it->second.queue.front());
            snapshot.frontSent = it->second.frontSent;
        }
        const int sent = SendFront(s, snapshot);
        const bool wouldBlock = sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK;
        {
            CAutoLock lock(&m_lock);
            auto it = m_clients.find(s);
            if (it == m_clients.end())
                return;
            it->second.sending = false;
            if (sent > 0)
                Advance(it->second, static_cast<size_t>(sent));
        }
        if (wouldBlock)
            return;
        if (sent <= 0) {
            DropClient(s);
            return;
        }
    }
}

bool VDFrameServer::SendNow(SOCKET s, Client& c)
{
    while (!c.failed && !c.sending && !c.queue.empty()) {
        const int sent = SendFront(s, c);
        if (sent > 0) {
            Advance(c, static_cast<size_t>(sent));
            continue;
        }
        // A broken connection is the server thread's to drop.
        if (!(sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK))
            c.failed = true;
        break;
    }
    return c.queue.empty() && !c.failed;
}

void VDFrameServer::FlushAll()
{
    std::vector<SOCKET> waiting;
    {
        CAutoLock lock(&m_lock);
        for (auto& kv : m_clients)
            if (!kv.second.queue.empty() && !kv.second.failed)
                waiting.push_back(kv.first);
    }
    for (SOCKET s : waiting)
        FlushQueue(s);
}

void VDFrameServer::DropClient(SOCKET s)
{
    {
        CAutoLock lock(&m_lock);
        if (m_clients.erase(s) == 0)
            return;
    }
    shutdown(s, SD_BOTH);
    closesocket(s);
    if (m_observer)
        m_observer->OnClientDropped(s);
}

void VDFrameServer::DropFailedClients()
{
    std::vector<SOCKET> failed;
    {
        CAutoLock lock(&m_lock);
        for (auto& kv : m_clients)
            if (kv.second.failed)
                failed.push_back(kv.first);
    }
    for (SOCKET s : failed)
        DropClient(s);
}

void VDFrameServer::DropTimedOutClients()
{
    const LONGLONG now = EngineClock::Now();
    std::vector<SOCKET> late;
    {
        CAutoLock lock(&m_lock);
        for (auto& kv : m_clients) {
            const Client& c = kv.second;
            const bool commandLate = (!c.commanded || c.commandLength > 0) && now - c.commandSince >= kCommandTimeoutMs;
            const bool stalled = !c.queue.empty() && now - c.progressSince >= kStallTimeoutMs;
            if (commandLate || stalled)
                late.push_back(kv.first);
        }
    }
    for (SOCKET s : late)
        DropClient(s);
}

void VDFrameServer::CloseAll()
{
    std::map<SOCKET, Client> clients;
    {
        CAutoLock lock(&m_lock);
        clients.swap(m_clients);
    }
    for (auto& kv : clients) {
        SOCKET s = kv.first;
        CloseSocket(s, true);
    }
    CloseSocket(m_listen, false);
    CloseSocket(m_wake, false);
}

void VDFrameServer::SendSample(bool video, const uint8_t* data, size_t length, int64_t start,
                               int64_t stop)
{
    {
        CAutoLock lock(&m_lock);
        bool anyRunning = false;
        for (auto& kv : m_clients)
            if ((video ? kv.second.videoState : kv.second.audioState) == kRunning && !kv.second.failed)
                anyRunning = true;
        if (!anyRunning)
            return;
    }
    // Built once and shared by every client's queue.
    auto frame = std::make_shared<std::vector<uint8_t>>(kSampleHeaderSize + length);
    EncodeSampleHeader(frame->data(), length, start, stop);
    if (length)
        std::memcpy(frame->data() + kSampleHeaderSize, data, length);
    bool left = false;
    {
        CAutoLock lock(&m_lock);
        for (auto& kv : m_clients) {
            Client& c = kv.second;
            if ((video ? c.videoState : c.audioState) == kRunning && !c.failed) {
                // What the socket takes at once goes from here (non-blocking sends under the
                // lock, so no drop closes the socket meanwhile): a hand-over to the server
                // thread costs a wake-up and a trip through select before the first byte
                // moves. The rest, and a client that failed, are the server thread's.
                if (!Enqueue(c, frame, true) || !SendNow(kv.first, c))
                    left = true;
            }
        }
    }
    if (left)
        Wake();
}

}  // namespace vd
