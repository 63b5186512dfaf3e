#pragma once

#include "platform/Ipv4Address.h"

#include <cstdint>
#include <string>

// Dotted-decimal text: four decimal numbers without leading zeros, first octet first.
std::string DottedText(const platform::Ipv4Address& address);

// The number the reports print beside an address: the four octets as they lie in memory
// in network order, read as a signed little-endian 32-bit value (192.168.1.0 is 108736,
// 192.168.1.255 is -16668480).
std::int32_t NetworkOrderNumber(const platform::Ipv4Address& address);
