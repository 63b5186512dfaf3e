#pragma once

#include "platform/Ipv4Address.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

// The UDP socket of one hub search, in the steps the search takes: create, allow
// broadcast, bind to the chosen adapter, send the request, wait for and read replies.
// Each step answers false (or a negative poll) on failure and leaves a Winsock error code
// in the thread's last-error code; the search itself shows no codes.
namespace platform {

struct ReceivedDatagram {
    std::size_t length = 0;     // bytes placed in the buffer: never more than its size
    std::size_t fullLength = 0; // the datagram's real length; above the buffer's size it was cut
    Ipv4Address source{};
};

class DiscoverySocket {
public:
    virtual ~DiscoverySocket() = default;

    // Dotted-decimal text, else a host name; the first IPv4 address it stands for.
    virtual std::optional<Ipv4Address> Resolve(const std::string& text) = 0;

    // A UDP socket with a receive buffer large enough for hundreds of replies at once.
    virtual bool Create() = 0;
    virtual bool SetBroadcast(bool enabled) = 0;

    // Makes local the search's own address: replies are heard on port whether the hubs
    // answer local by unicast, by the subnet's broadcast or by 255.255.255.255, but only
    // those that come in through the adapter that holds local; requests leave from local.
    // Fails when no adapter holds local, or the port is taken there.
    virtual bool Bind(const Ipv4Address& local, std::uint16_t port) = 0;

    virtual bool SendTo(const Ipv4Address& destination, std::uint16_t port,
                        std::span<const std::uint8_t> data) = 0;

    // Waits up to timeoutMs for a datagram: above 0 readable, 0 timed out, below 0 failed.
    // A wait interrupted by a signal goes on for the time that is left.
    virtual int Poll(std::uint32_t timeoutMs) = 0;

    // Takes the next datagram. Only buffer.size() bytes are stored; fullLength tells
    // whether the datagram was longer.
    virtual bool Receive(std::span<std::uint8_t> buffer, ReceivedDatagram& datagram) = 0;

    virtual void Close() = 0;
};

std::unique_ptr<DiscoverySocket> MakeDiscoverySocket();

} // namespace platform
