#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The console's side of the hub protocol as the simulator's tests play it: written
// from the message layouts directly, with neither the console's codec nor hubsim's,
// so that a mistake in either shows up here.
namespace peer {

using Bytes = std::vector<std::uint8_t>;
using Octets = std::array<std::uint8_t, 4>;

constexpr std::uint8_t kLinkStatus = 0x00;
constexpr std::uint8_t kIpParameters = 0x81;
constexpr std::uint8_t kControllerNumber = 0x82;

Bytes DiscoveryRequest();
Bytes IpParametersRequest();
Bytes SetIpParametersRequest(Octets address, Octets mask, Octets gateway);
Bytes ControllerNumberRequest(std::uint8_t number);

// A status block the console would take (bits 0..6 of byte 2 clear, bit 7 of byte 15
// set), and its link flags.
bool IsValidLinkStatus(const Bytes& message);
std::array<bool, 4> LinkFlags(const Bytes& message);

struct DiscoveryReply {
    std::string source;
    std::string destination; // the address the hub sent to: ours, the subnet's, all-ones
    Bytes bytes;             // at most 4096 bytes of it
    std::size_t size = 0;    // its real size
    double secondsAfterRequest = 0;
};

// Sends request from 0.0.0.0:30303 to destination, as the console does, and collects
// every datagram but our own for windowMs.
std::vector<DiscoveryReply> Discover(const std::string& destination, const std::string& self,
                                     int windowMs, const Bytes& request = DiscoveryRequest());

// One TCP connection to a hub's session port.
class HubLink {
public:
    HubLink() = default;
    ~HubLink();
    HubLink(const HubLink&) = delete;
    HubLink& operator=(const HubLink&) = delete;

    // 0 or the errno of the failed connect.
    int Connect(const std::string& address, int timeoutMs = 2000);
    bool Send(const Bytes& bytes);
    // The bytes of one read; empty when the hub closed; nothing on time-out.
    std::optional<Bytes> ReadBlock(int timeoutMs);
    // The next 32-byte message with this code, skipping others; nothing on time-out
    // or close.
    std::optional<Bytes> WaitFor(std::uint8_t code, int timeoutMs);
    // Every 32-byte message that arrives within timeoutMs.
    std::vector<Bytes> Collect(int timeoutMs);
    // True when the hub closes the connection within timeoutMs (data before it is
    // dropped).
    bool WaitClosed(int timeoutMs);

private:
    std::optional<Bytes> NextMessage(int timeoutMs, bool* closed);

    int fd = -1;
    Bytes pending;
};

// One ICMP echo request over a raw socket; true when the matching reply comes.
bool Ping(const std::string& address, int timeoutMs);

} // namespace peer
