#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The hub's binary messages. Byte 3 of every message is its code; the console's
// requests are always 32 bytes, every byte not named below zero. IPv4 values travel
// first octet first, so as 32-bit numbers the first octet is the most significant byte.
enum class HubMessageCode : std::uint8_t {
    LinkStatus = 0x00,       // hub to console: which controllers are on link
    SetIpParameters = 0x80,  // console to hub: new address, mask, gateway
    IpParameters = 0x81,     // request from the console; the parameters from the hub
    ControllerNumber = 0x82, // program a controller's number; its result from the hub
};

constexpr std::size_t kHubRequestSize = 32;
constexpr std::size_t kHubMessageCodeOffset = 3;
constexpr unsigned kControllerCount = 4;

using HubRequest = std::array<std::uint8_t, kHubRequestSize>;
using Ipv4Octets = std::array<std::uint8_t, 4>;
using HubBytes = std::span<const std::uint8_t>;

HubRequest MakeIpParametersRequest();
HubRequest MakeSetIpParametersRequest(const Ipv4Octets& address, const Ipv4Octets& mask,
                                      const Ipv4Octets& gateway);
HubRequest MakeControllerNumberRequest(std::uint8_t number);

// Each decoder takes one message and gives nothing when the block is too short for its
// code (a short block is never read beyond its length) or, for the link status, when
// the hub's validity bits say the block is not to be taken.
struct LinkStatus {
    std::array<bool, kControllerCount> onLink{};
};
std::optional<LinkStatus> DecodeLinkStatus(HubBytes message);

struct HubIpParameters {
    std::uint32_t address = 0;
    std::uint32_t subnetMask = 0;
    std::uint32_t gateway = 0;
};
std::optional<HubIpParameters> DecodeIpParameters(HubBytes message);

struct ControllerNumberResult {
    std::uint8_t number = 0;     // the number the hub wrote
    std::uint8_t resultCode = 0; // 0 success, 1 write failed, 2 no jumper fitted
};
std::optional<ControllerNumberResult> DecodeControllerNumberResult(HubBytes message);

// The text shown and logged for a controller-number result, judged against the number
// the console asked for.
std::string ControllerNumberResultText(const ControllerNumberResult& result,
                                       std::uint32_t controllerNumber);

// The messages held in one block read from the connection: a block whose length is a
// multiple of 32 and more than 32 holds that many 32-byte messages (the hub sent them
// back to back); any other block is one message.
std::vector<HubBytes> SplitHubBlock(HubBytes block);

// "XX " for every byte, upper-case hexadecimal, the space after the last byte kept.
std::string HexBytes(HubBytes bytes);
