#pragma once

#include "platform/NeighbourPinRules.h"

#include <cstdint>

// The pins in the kernel's neighbour table, changed through rtnetlink. Needs
// cap_net_admin: root's program calls these itself, anyone else's program asks the helper
// kestrune-neigh, which calls the same functions.
//
// A pin is a permanent IPv4 entry whose NDA_PROTOCOL is kPinProtocol, so that the program
// can tell its own entries from those an administrator made ("ip neigh show proto 75"
// lists them). 75 is not among the numbers /etc/iproute2/rt_protos names nor any the
// kernel reserves for a routing daemon.
namespace platform::pin_table {

inline constexpr std::uint8_t kPinProtocol = 75;

struct Outcome {
    PinRefusal refusal = PinRefusal::None;
    int error = 0; // errno value when the table could not be read or changed
};

// The interface with this index and the PC's addresses and gateways, for CheckPin.
int GatherFacts(std::uint32_t interfaceIndex, pin_rules::InterfaceFacts& facts);

// Checks the pin (CheckPin, CheckReplace) and makes it, or removes the program's own entry
// (CheckRemove; a missing entry counts as removed). Nothing is changed on a refusal.
Outcome Add(std::uint32_t interfaceIndex, Ipv4Address address,
            const PhysicalAddress& physicalAddress);
Outcome Remove(std::uint32_t interfaceIndex, Ipv4Address address);

// Removes every pin of the program, on every interface of this network namespace.
Outcome Sweep();

} // namespace platform::pin_table
