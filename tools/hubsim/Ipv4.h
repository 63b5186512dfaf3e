#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// IPv4 values as the hub keeps them: one 32-bit number, first octet most significant,
// the order in which the hub's messages carry the octets.
namespace hubsim {

std::optional<std::uint32_t> ParseIpv4(std::string_view text);
std::string FormatIpv4(std::uint32_t address);

// The prefix length of a contiguous mask, nothing for a mask with holes.
std::optional<int> MaskPrefixLength(std::uint32_t mask);
std::uint32_t PrefixMask(int prefixLength);

std::uint32_t SubnetBroadcast(std::uint32_t address, std::uint32_t mask);

// Network byte order and back, without the socket headers.
std::uint32_t ToNetworkOrder(std::uint32_t address);
std::uint32_t FromNetworkOrder(std::uint32_t address);

} // namespace hubsim
