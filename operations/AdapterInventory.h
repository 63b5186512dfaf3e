#pragma once

#include "adapters/AdapterList.h"
#include "platform/AdapterSource.h"
#include "platform/Ipv4Address.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One usable adapter address as the hub operations take it: the interface it is on, the
// address and its subnet, the kind of adapter and whether it has a carrier.
struct AdapterEntry {
    std::string interfaceName;
    std::string description;
    Ipv4 address;
    Ipv4 mask;
    Ipv4 subnet;
    Ipv4 broadcast;
    std::uint32_t kind = platform::kIfTypeEthernet; // platform::InterfaceType
    bool carrier = true;
};

// The PC's adapters, read now: the list the window shows and chooses from, and the log
// text of the inventory (the adapter report too, with writeReport).
struct AdapterInventory {
    AdapterList list;
    std::string logText;
};
AdapterInventory TakeAdapterInventory(platform::AdapterSource& source, bool writeReport);

// The list's entry as a typed value; throws ImproperArgument when index is not an entry.
AdapterEntry EntryAt(const AdapterList& list, int index);
// Every entry of the list, in its order.
std::vector<AdapterEntry> Entries(const AdapterList& list);

// The entry named by its interface's name or by its address, as a person names it on a
// command line; nothing when none matches.
std::optional<int> FindEntry(const AdapterList& list, const std::string& nameOrAddress);
