#pragma once

#include "platform/Ipv4Address.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// A permanent neighbour (ARP) entry that ties one IPv4 address to one physical address on
// one interface for as long as the program holds it. Hubs fresh from the box all answer
// from one address; with the entry in place the PC's frames to that address carry the
// chosen hub's physical address, so the switch delivers them to that hub alone.
//
// Changing the neighbour table is privileged. On Linux root changes it directly; anyone
// else goes through the helper kestrune-neigh, which holds cap_net_admin and is open to
// the group kestrune. On Windows the process must be elevated.
namespace platform {

using PhysicalAddress = std::array<std::uint8_t, 6>;

enum class PinFailureKind {
    None,
    NoPermission, // the program may not change the neighbour table: see PinPermission
    Refused,      // the entry would be unsafe and was not made: see PinRefusal
    SystemError,  // the system refused or failed: see code
};

enum class PinPermission {
    None,
    NoHelper,          // not root, and the helper (detail: its path) is missing
    HelperBlocked,     // not root, and this process cannot gain the helper's capability
    NotInGroup,        // not root, and not a member of the helper's group
    GroupNotYetActive, // a member of the group since this login session began
    HelperLacksCapability,
    NotElevated, // Windows: the process is not running as administrator
};

enum class PinRefusal {
    None,
    NoSuchInterface,
    NotInSubnet, // outside every subnet of the interface (or its network/broadcast address)
    OwnAddress,  // an address of this PC
    Gateway,     // a gateway of one of the PC's routes
    NotUnicast,  // a multicast, broadcast or all-zero physical address
    NotOurs,     // the address has a permanent entry that this program did not make
};

struct PinFailure {
    PinFailureKind kind = PinFailureKind::None;
    PinPermission permission = PinPermission::None;
    PinRefusal refusal = PinRefusal::None;
    std::uint32_t code = 0; // the system's error code (errno on Linux, a Win32 code on Windows)
    std::string detail;     // the helper's path, or the system's own text for the error

    explicit operator bool() const { return kind != PinFailureKind::None; }
};

// The failure as one sentence for the user, saying what to do where something can be
// done: in English for kestrunectl, in Russian for the window.
std::string DescribePinFailure(const PinFailure& failure);
std::string DescribePinFailureRu(const PinFailure& failure);

// A pin in force. Destroying it removes the entry; Remove() does the same and says how it
// went. A pin that could not be removed is left for the next SweepLeftovers().
class NeighbourPin {
public:
    virtual ~NeighbourPin() = default;
    virtual PinFailure Remove() = 0;
};

struct PinResult {
    std::unique_ptr<NeighbourPin> pin; // null on failure
    PinFailure failure;
};

class NeighbourPinner {
public:
    virtual ~NeighbourPinner() = default;

    // Ties address to physicalAddress on the interface with the given index (a system
    // interface index: if_nametoindex on Linux, the adapter's IfIndex on Windows). An
    // existing dynamic entry for the address is replaced; another permanent one is not.
    // Blocks for at most a few seconds: never on the console's thread.
    virtual PinResult Pin(std::uint32_t interfaceIndex, Ipv4Address address,
                          const PhysicalAddress& physicalAddress) = 0;

    // Removes every entry this program made and did not remove (a crash, a lost power):
    // at program start, before any pin. The failure says why that could not be done.
    virtual PinFailure SweepLeftovers() = 0;
};

std::unique_ptr<NeighbourPinner> MakeNeighbourPinner();

} // namespace platform
