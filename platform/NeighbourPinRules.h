#pragma once

#include "platform/NeighbourPin.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What makes a pin safe to make or remove, as plain functions of facts read beforehand,
// so that the checks are the same for root, for the helper and for the tests. A pin that
// broke any of them could cut the PC off its own network: a wrong physical address for
// the gateway, or for an address the PC itself holds.
namespace platform::pin_rules {

struct Subnet {
    Ipv4Address address{};
    std::uint8_t prefixLength = 0;
};

struct InterfaceFacts {
    bool exists = false;
    std::vector<Subnet> subnets;           // the interface's own IPv4 addresses
    std::vector<Ipv4Address> ownAddresses; // every IPv4 address of this PC
    std::vector<Ipv4Address> gateways;     // every gateway of every route
};

// A host of one of the interface's subnets (not its network or broadcast address, except
// on a /31), and neither the PC's own address nor a gateway; a unicast physical address.
PinRefusal CheckPin(const InterfaceFacts& facts, Ipv4Address address,
                    const PhysicalAddress& physicalAddress);

// Not multicast (the broadcast address included) and not all zeros.
bool IsUnicast(const PhysicalAddress& physicalAddress);

// The entry already in the table for the address on the interface.
struct ExistingEntry {
    bool permanent = false; // NUD_PERMANENT or NUD_NOARP: made by hand or by a program
    bool ours = false;      // made by this program
};
// A pin may replace a learnt entry or its own, never another permanent one.
PinRefusal CheckReplace(const std::optional<ExistingEntry>& existing);
// Only an entry of its own is removed; a missing one is already gone.
PinRefusal CheckRemove(const std::optional<ExistingEntry>& existing);

// The refusal's one-word name, as the helper reports it ("not-in-subnet"), and back.
std::string_view RefusalName(PinRefusal refusal);
std::optional<PinRefusal> RefusalFromName(std::string_view name);

// "02:00:5e:12:00:0b", and back (nothing unless six pairs of hex digits and colons).
std::string FormatPhysicalAddress(const PhysicalAddress& physicalAddress);
std::optional<PhysicalAddress> ParsePhysicalAddress(std::string_view text);

} // namespace platform::pin_rules
