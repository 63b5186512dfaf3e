#pragma once

#include "net/SocketComm.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// Real sockets for the far end of the tests (the hub's side) and a socket object that
// records what its watcher reports.
namespace kntest {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start);

// A listening TCP socket on address (any free port unless one is given), made in the
// calling thread's namespace.
class TcpListener {
public:
    explicit TcpListener(const char* address = "127.0.0.1", std::uint16_t port = 0,
                         int receiveBuffer = 0);
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    bool Ok() const { return fd_ >= 0; }
    std::uint16_t Port() const { return port_; }
    // The accepted connection (owned by the caller), or -1 after timeoutMs.
    int Accept(int timeoutMs = 3000);

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A port on address that nobody listens on (taken and given back at once).
std::uint16_t ClosedPort(const char* address = "127.0.0.1");

bool SendAll(int fd, const std::vector<std::uint8_t>& bytes);
// Closes so that the peer gets a reset instead of an orderly end.
void CloseWithReset(int fd);
// The peer's IPv4 address of a connected socket as dotted text.
std::string PeerAddressText(int fd);

// Records OnReceive and OnConnectionEvent; tests wait on it with a time limit.
class RecordingComm : public CSocketComm {
public:
    ~RecordingComm() override { Close(); }

    void OnReceive(const std::uint8_t* data, std::uint32_t count) override;
    void OnConnectionEvent(std::uint32_t code) override;

    bool WaitForBytes(std::size_t count, int timeoutMs);
    bool WaitForEvents(std::size_t count, int timeoutMs);

    std::vector<std::uint8_t> Bytes();
    std::vector<std::uint32_t> Chunks();
    std::vector<std::uint32_t> Events();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint32_t> chunks_;
    std::vector<std::uint32_t> events_;
};

} // namespace kntest
