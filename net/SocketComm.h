#pragma once

#include "platform/SocketApi.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// The socket layer's event codes, as they travel in WM_UPDATE_CONNECTION.
enum ConnectionEvent : std::uint32_t {
    ConnectionEstablished = 0,
    ConnectionFailed = 1,
    ConnectionDropped = 2,
    EmptyMessage = 3,
};

// Where a CSocketComm stands; see the class.
enum class SocketState { Closed, Open, Watching, Ended };

// One TCP client connection and the watcher thread that reads it. The console opens,
// starts, writes and closes; the watcher hands every non-empty read to OnReceive and
// reports a connection the peer dropped through OnConnectionEvent. The same object serves
// one connection after another.
//
// States: Closed (no socket), Open (socket, no watcher), Watching (watcher running) and
// Ended (the watcher stopped after a dropped connection; the socket stays open and
// StartWatcher refuses until Close).
//
// A class that overrides OnReceive or OnConnectionEvent must call Close in its own
// destructor: by the time this destructor runs, the overrides are gone while the watcher
// might still be calling them.
class CSocketComm {
public:
    static constexpr std::uint32_t kReceiveBufferSize = 1024;
    static constexpr std::uint32_t kWatcherReadTimeoutMs = 100;
    // Linux would try a host that drops the SYN for about two minutes, with the console
    // thread blocked all the while.
    static constexpr std::uint32_t kConnectTimeoutMs = 5000;

    CSocketComm() = default;
    virtual ~CSocketComm();
    CSocketComm(const CSocketComm&) = delete;
    CSocketComm& operator=(const CSocketComm&) = delete;

    // Creates a socket, binds it to localAddress (any port) so that the connection leaves
    // through the interface that owns that address, and connects it to remoteAddress at
    // service. False when a socket is already open or any step fails; the object is then
    // unchanged and the reason is in the last-error code.
    bool OpenConnection(const std::string& localAddress, const std::string& remoteAddress,
                        const std::string& service, int family, int type);

    // False when a watcher is already held (also one that has ended) or no socket is open.
    bool StartWatcher();

    // Closes the socket and ends the watcher; safe in every state and any number of times.
    // The watcher is woken at once and always joined, never killed.
    void Close();

    // The count of bytes read; 0 when nothing arrived in time, the wait failed, or there is
    // no buffer or socket; -1 on a read error or when the peer closed the stream.
    // kInfinite waits without a limit.
    std::int32_t Read(void* buffer, std::uint32_t size, std::uint32_t timeoutMs);

    // The count of bytes sent (a partial send is not retried); 0 when no socket is open,
    // data is absent or the socket did not become writable in time; -1 on a write error.
    // A peer that has gone never raises SIGPIPE.
    std::int32_t Write(const void* data, std::uint32_t count, std::uint32_t timeoutMs);

    bool IsSocketOpen() const;
    // Counts the connections opened and the closes that ended them: each connection has a
    // number of its own, and once it is closed no connection has that number again.
    std::uint32_t ConnectionSerial() const { return connectionSerial.load(); }
    // Watcher thread: the serial of the connection it reads, for what it reports.
    std::uint32_t WatchedSerial() const { return watchedSerial; }
    // Console thread: the state as the socket and the watcher make it.
    SocketState State() const;
    bool GetPeerAddress(platform::SocketAddressV4& address);
    bool GetLocalSocketAddress(platform::SocketAddressV4& address);

    // Watcher thread: the bytes of one read, 1 to 1024 of them. The base does nothing.
    virtual void OnReceive(const std::uint8_t* data, std::uint32_t count);
    // Watcher thread: a ConnectionEvent. The base does nothing.
    virtual void OnConnectionEvent(std::uint32_t code);

protected:
    // The watcher thread's body; no derived class replaces it.
    virtual void WatchLoop();

private:
    class CallInFlight;
    static void WatcherThreadEntry(CSocketComm* self);
    static std::int32_t ReadFrom(platform::SocketHandle socket, void* buffer, std::uint32_t size,
                                 std::uint32_t timeoutMs);
    void WaitForCallsInFlight();

    // Invalid once Close has begun: the watcher reads this to tell a read that failed
    // because of Close from a dropped connection.
    std::atomic<platform::SocketHandle> socketHandle{platform::kInvalidSocket};
    std::thread watcherThread;
    std::atomic<bool> watcherRunning{false};
    // The watcher's own copy of the descriptor. It stays open until the watcher has been
    // joined, so its number cannot be reused under a running wait.
    platform::SocketHandle watchedHandle = platform::kInvalidSocket;
    std::uint32_t watchedSerial = 0;
    std::atomic<std::uint32_t> connectionSerial{0};

    // Reads and writes from threads other than the watcher still using the descriptor;
    // Close closes it only after they have returned.
    std::mutex callsMutex;
    std::condition_variable callsDone;
    int callsInFlight = 0;
};
