#pragma once

#include <array>
#include <cstdint>

namespace platform {

// An IPv4 address as its four octets, first octet first (the order on the wire), so that
// no caller has to think about the host's byte order.
using Ipv4Address = std::array<std::uint8_t, 4>;

} // namespace platform
