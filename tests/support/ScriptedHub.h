#pragma once

#include "platform/SocketApi.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A hub of the test's own making, for what the simulator cannot be told to do: it listens
// on a hub's address, port 5000, inside that hub's network namespace (give the simulated
// hub there "fault refuse", so that the port is free), or on loopback at a port of the
// system's choosing in the test's own namespace, and plays a script on every connection
// the console opens, one at a time, on a thread of its own. Namespaces are Linux's: the
// Windows build's tests use loopback only.
namespace scripted {

using Bytes = std::vector<std::uint8_t>;

// A 32-byte hub message: byte 3 the code, the named bytes set, the rest 0.
Bytes Message(std::uint8_t code, std::initializer_list<std::pair<int, int>> bytes = {});
// A link status the console takes, with controller 1..4 on link as given.
Bytes LinkStatus(bool c1, bool c2, bool c3, bool c4);
Bytes IpParameters(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway);
Bytes NumberResult(std::uint8_t number, std::uint8_t resultCode);

// The console's end as the script sees it.
class Connection {
public:
    Connection(platform::SocketHandle fd, const std::atomic<bool>& stopping)
        : fd(fd), stopping(stopping) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The whole of bytes in one send; false once the console has gone.
    bool Send(const Bytes& bytes);
    // The next 32-byte request; nothing on time-out or close.
    std::optional<Bytes> Request(int timeoutMs);
    // Reads and drops what the console sends until it closes or timeoutMs pass; true when
    // it closed.
    bool WaitForClose(int timeoutMs);
    // Ends the connection with a reset instead of a close.
    void Reset();
    bool Stopping() const { return stopping.load(); }

private:
    platform::SocketHandle fd;
    const std::atomic<bool>& stopping;
    Bytes pending;
};

using Script = std::function<void(Connection&)>;

class Hub {
public:
    // An empty nameSpace is the test's own; port 0 lets the system choose.
    Hub(const std::string& nameSpace, const std::string& address, Script script,
        std::uint16_t port = 5000);
    ~Hub();
    Hub(const Hub&) = delete;
    Hub& operator=(const Hub&) = delete;

    bool ok() const { return listenFd != platform::kInvalidSocket; }
    const std::string& whyNot() const { return reason; }
    int Accepted() const { return accepted.load(); }
    std::uint16_t Port() const { return port; }

private:
    void Serve();

    Script script;
    std::string reason;
    platform::SocketHandle listenFd = platform::kInvalidSocket;
    std::uint16_t port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<int> accepted{0};
    std::thread server;
};

} // namespace scripted
