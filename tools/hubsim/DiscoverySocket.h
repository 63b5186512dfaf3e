#pragma once

#include "EventLoop.h"
#include "Wire.h"

#include <cstdint>
#include <functional>
#include <string>

// The one UDP socket of the process on the discovery port. It is bound to the
// wildcard address, since requests come to the subnet broadcast, to 255.255.255.255
// or to a hub's own address; each hub answers through it from its own address.
namespace hubsim {

struct Datagram {
    ByteView bytes;
    std::uint32_t source = 0;
    std::uint16_t sourcePort = 0;
    std::uint32_t destination = 0; // the address the sender used
    int interfaceIndex = 0;        // where it came in
};

class DiscoverySocket {
public:
    using Handler = std::function<void(const Datagram&)>;

    explicit DiscoverySocket(EventLoop& loop) : loop(loop) {}
    ~DiscoverySocket();
    DiscoverySocket(const DiscoverySocket&) = delete;
    DiscoverySocket& operator=(const DiscoverySocket&) = delete;

    bool Open(std::uint16_t port, Handler handler, std::string* error);

    // Sends bytes with source as the sender address, out of interfaceIndex when it is
    // not 0 (a broadcast needs it: the hub's namespace may have no default route).
    // Returns 0 or an errno value.
    int SendFrom(std::uint32_t source, int interfaceIndex, std::uint32_t destination,
                 std::uint16_t port, ByteView bytes);

private:
    void Receive();

    EventLoop& loop;
    int fd = -1;
    EventLoop::Id watch = 0;
    Handler handler;
};

} // namespace hubsim
