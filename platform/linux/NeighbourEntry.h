#pragma once

#include "platform/linux/Netlink.h"

#include <cstdint>
#include <optional>
#include <vector>

// One entry of the kernel's neighbour table as an RTM_NEWNEIGH message carries it.
namespace platform::neighbour {

struct Entry {
    int interfaceIndex = 0;
    std::uint16_t state = 0;   // NUD_*
    std::uint32_t address = 0; // network byte order
    std::vector<std::uint8_t> linkAddress;
};

// Nothing when the message is not a whole IPv4 entry with a destination address.
std::optional<Entry> ParseEntry(netlink::Bytes payload);

// Only an entry in a state that vouches for its link address, holding one that is not all
// zeros: an INCOMPLETE or FAILED entry may carry 00:00:00:00:00:00 and must never count.
bool IsUsable(const Entry& entry);

} // namespace platform::neighbour
