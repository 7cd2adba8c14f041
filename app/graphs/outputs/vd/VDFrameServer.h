// The TCP server behind CVDRender: accepts virtual capture device clients, reads their
// ten-byte commands, answers set-up commands with the medium's media type and sends every
// sample to the clients that are running for that medium.
//
// One server thread owns every socket and does all network I/O; the streaming threads that
// hand in samples only queue them. Each client has a bounded queue, so a client that stops
// reading is dropped instead of stalling the program's output, and stopping the server
// never waits on a peer.
//
// The select loop has room for 62 clients. A connection that sends no complete command
// within a few seconds, or leaves a command half sent that long, is dropped, and so is one
// that takes no byte of what waits for it for as long: idle or stuck connections cannot hold
// every slot and lock the virtual devices out. Time is the engine clock's.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <streams.h>

#include "app/foundation/HandleOwner.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace vd {

// Supplies the set-up reply of a medium (length field, media-type image, format block).
// Called on the server thread with no server lock held; false drops the asking client.
class IVDSetupSource {
public:
    virtual bool BuildSetupReply(bool video, std::vector<uint8_t>* reply) = 0;

protected:
    ~IVDSetupSource() = default;
};

// Told on the server thread after each whole command has been handled and after a client
// has been dropped; lets a caller (a test, a status display) follow the server's state.
class IVDServerObserver {
public:
    virtual void OnCommandHandled(SOCKET client, const char* command /* 10 bytes */) = 0;
    virtual void OnClientDropped(SOCKET client) = 0;

protected:
    ~IVDServerObserver() = default;
};

class VDFrameServer {
public:
    // A client whose unsent frames exceed either bound is dropped.
    static constexpr size_t kMaxQueuedFrames = 64;
    static constexpr size_t kMaxQueuedBytes = 16u * 1024 * 1024;
    // How long a client may take to send a whole command (the first one counted from its
    // connection, later ones from their first byte), and how long it may take no byte of
    // frames waiting for it.
    static constexpr LONGLONG kCommandTimeoutMs = 5000;
    static constexpr LONGLONG kStallTimeoutMs = 5000;

    explicit VDFrameServer(IVDSetupSource* source, IVDServerObserver* observer = nullptr);
    ~VDFrameServer();
    VDFrameServer(const VDFrameServer&) = delete;
    VDFrameServer& operator=(const VDFrameServer&) = delete;

    // Listens on any local address at the port (0: a free port, see Port) and starts the
    // server thread. Fails when Winsock has not been started, the port is taken, or the
    // thread cannot start.
    HRESULT Start(uint16_t port);
    // Closes every socket; returns once the server thread has ended. Safe to repeat.
    void Stop();
    bool IsRunning() const { return static_cast<bool>(m_thread); }
    uint16_t Port() const { return m_port; }

    // Frames one sample and queues it for every client running for the medium, sending what
    // each socket takes at once. Runs on a streaming thread; never blocks on the network.
    void SendSample(bool video, const uint8_t* data, size_t length, int64_t start, int64_t stop);

    // Clients currently connected (all media, any state).
    size_t ClientCount() const;

private:
    enum MediaState { kNotSetUp = -1, kStopped = 0, kRunning = 1, kPaused = 2 };
    using Frame = std::shared_ptr<const std::vector<uint8_t>>;

    struct Entry {
        Frame frame;
        bool sample;  // samples not yet begun may be discarded on pause; replies may not
    };

    struct Client {
        char command[10] = {};
        size_t commandLength = 0;
        int videoState = kNotSetUp;
        int audioState = kNotSetUp;
        std::deque<Entry> queue;       // frames not yet sent whole
        size_t queuedBytes = 0;
        size_t frontSent = 0;          // bytes of the front frame already sent
        bool failed = false;
        bool commanded = false;        // a whole command has arrived
        LONGLONG commandSince = 0;     // connection, or the first byte of a half-sent command
        LONGLONG progressSince = 0;    // last byte taken, or the queue's filling from empty
        bool sending = false;          // the server thread is sending outside the lock
    };

    static DWORD WINAPI ThreadProc(void* self);
    void ServerLoop();
    void Wake();
    void DrainWake();
    void AcceptClient();
    void ReadCommand(SOCKET s);
    void HandleCommand(SOCKET s, const char* command);
    void FlushQueue(SOCKET s);
    // Under the lock: sends the queue's front as far as the socket takes it now; true when
    // the queue is empty afterwards.
    bool SendNow(SOCKET s, Client& c);
    static int SendFront(SOCKET s, const Client& c);
    static void Advance(Client& c, size_t sent);
    // Sends what waits for every client, as far as each socket takes it now.
    void FlushAll();
    void DropClient(SOCKET s);
    void DropFailedClients();
    // Drops clients past the command or stall time limit.
    void DropTimedOutClients();
    void CloseAll();
    bool Enqueue(Client& c, const Frame& frame, bool sample);
    static size_t MaxClients();

    IVDSetupSource* m_source;
    IVDServerObserver* m_observer;
    SOCKET m_listen = INVALID_SOCKET;
    SOCKET m_wake = INVALID_SOCKET;     // a loopback datagram socket connected to itself
    uint16_t m_port = 0;
    CHandleOwner m_thread;
    volatile LONG m_stop = 0;
    volatile LONG m_wakePending = 0;

    // Guards the client map (states and queues). Never held across a blocking call or a
    // call out of the server.
    mutable CCritSec m_lock;
    std::map<SOCKET, Client> m_clients;
};

}  // namespace vd
