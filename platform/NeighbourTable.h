#pragma once

#include <cstdint>

// The physical address of a host on the local segment, from the operating system's
// neighbour (ARP) table, in the terms of SendARP.
namespace platform {

// The wait for an address resolution that was not complete yet.
inline constexpr std::uint32_t kNeighbourResolutionWaitMs = 1000;

// Looks up destination (network byte order) as seen through the interface that the source
// address (network byte order, 0 for any) would use. length holds the room in
// physicalAddress on entry and the number of bytes delivered on success. Returns 0, or:
// 67 when no complete entry exists after one short wait for resolution (also when the
// destination is not on the local segment), 87 for an absent buffer or an unusable
// destination, 111 when the address does not fit, 31 when the table cannot be read. On
// failure physicalAddress is left as it was.
std::uint32_t LookUpPhysicalAddress(std::uint32_t destination, std::uint32_t source,
                                    std::uint8_t* physicalAddress, std::uint32_t& length,
                                    std::uint32_t waitMs = kNeighbourResolutionWaitMs);

} // namespace platform
