#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// ICMP echo messages built and checked byte by byte, without the socket headers, so that
// reply matching can be tested and fuzzed on its own. Every length is checked before the
// field it guards is read.
namespace platform::icmp {

using Bytes = std::span<const std::uint8_t>;

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::uint8_t kEchoReply = 0;
inline constexpr std::uint8_t kEchoRequest = 8;

// The Internet checksum (RFC 1071) of bytes, ready to be stored in network byte order.
std::uint16_t InternetChecksum(Bytes bytes);

// An echo request: header with identifier, sequence number and checksum, then payload.
std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           Bytes payload);

// What a reply must carry to answer our request.
struct EchoExpectation {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    // A raw socket receives every reply on the host unchecked; on a datagram socket the
    // kernel has already checked the checksum and identifier.
    bool verifyChecksum = true;
};

struct EchoReplyView {
    Bytes payload;
    std::uint8_t ttl = 0; // from the IP header when there is one
    std::uint8_t tos = 0;
    bool dontFragment = false;
};

// An ICMP message as a datagram socket delivers it (no IP header). Nothing unless it is an
// echo reply to the expected request.
std::optional<EchoReplyView> MatchEchoReply(Bytes message, const EchoExpectation& expected);

// An IPv4 packet as a raw socket delivers it. Nothing unless it is a whole, unfragmented
// ICMP packet from expectedSource (network byte order) holding a reply to the request.
std::optional<EchoReplyView> MatchEchoReplyPacket(Bytes packet, std::uint32_t expectedSource,
                                                  const EchoExpectation& expected);

} // namespace platform::icmp
