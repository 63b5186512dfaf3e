#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The hub's side of the protocol: the discovery datagrams and the 32-byte session
// messages. Written apart from the console's codec on purpose, so that a mistake in
// one cannot be mirrored by the other.
namespace hubsim {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline constexpr std::uint16_t kDiscoveryPort = 30303;
inline constexpr std::uint16_t kSessionPort = 5000;
inline constexpr std::size_t kMessageSize = 32;
inline constexpr int kControllers = 4;

inline constexpr std::uint8_t kCodeLinkStatus = 0x00;
inline constexpr std::uint8_t kCodeSetIpParameters = 0x80;
inline constexpr std::uint8_t kCodeIpParameters = 0x81;
inline constexpr std::uint8_t kCodeControllerNumber = 0x82;

// "Discovery: Who is out there?" and its NUL, nothing else: the hub answers no other
// datagram, its own broadcast replies included.
bool IsDiscoveryRequest(ByteView datagram);

// What the hub puts in a discovery reply. Normal is "<model text>\r\n<physical>\r\n";
// the others are the broken replies the console has to survive.
enum class ReplyShape {
    Normal,
    Oversized,  // 2,000 bytes, more than the console's receive buffer
    NoLineEnds, // the two texts without CR LF or NUL
    LongLines,  // a 600-byte first line
    HighBytes,  // bytes 0x80..0xFF in the first line, valid in no single encoding
    Nuls,       // NUL inside the first line and NUL padding after the reply
};
Bytes DiscoveryReply(std::string_view modelText, std::string_view physicalText, ReplyShape shape);

// Hub-to-console messages, 32 bytes each. linkByNumber[k] is the link flag of the
// controller that answers to address number k + 1.
Bytes LinkStatusMessage(const std::array<bool, kControllers>& linkByNumber, bool valid);
Bytes IpParametersMessage(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway);
Bytes NumberResultMessage(std::uint8_t number, std::uint8_t resultCode);

struct Request {
    enum class Kind { Malformed, Unknown, GetIpParameters, SetIpParameters, ControllerNumber };
    Kind kind = Kind::Malformed;
    std::uint8_t code = 0;
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
    std::uint32_t gateway = 0;
    std::uint8_t number = 0;
    std::string why; // for a malformed request: the first rule it breaks
};

// One 32-byte request. The hub is strict: a byte that must be zero and is not makes
// the request malformed, so that a console bug shows up as an ignored request.
Request DecodeRequest(ByteView message);

// marker, then "%.2X " for every byte: the console's dump format.
std::string HexDump(std::string_view marker, ByteView bytes);

// "41 0D 0A", "410d0a" or "41,0D,0A" to bytes; false on anything else.
bool ParseHex(std::string_view text, Bytes& bytes);

} // namespace hubsim
