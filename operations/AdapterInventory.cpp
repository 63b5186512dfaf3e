#include "operations/AdapterInventory.h"

#include "adapters/AdapterReport.h"
#include "adapters/ImproperArgument.h"

namespace {

Ipv4 AddressOrZero(const std::string& text) { return Ipv4::Parse(text).value_or(Ipv4()); }

template <typename T>
T ValueOr(const std::vector<T>& list, std::size_t index, T otherwise) {
    return index < list.size() ? list[index] : otherwise;
}

} // namespace

AdapterInventory TakeAdapterInventory(platform::AdapterSource& source, bool writeReport) {
    AdapterInventory inventory;
    inventory.logText =
        EnumerateAdapters(inventory.list, writeReport, platform::kAdapterFamilyInet, source);
    return inventory;
}

AdapterEntry EntryAt(const AdapterList& list, int index) {
    AdapterEntry entry;
    entry.address = AddressOrZero(CheckedAt(list.addresses, index));
    entry.mask = AddressOrZero(CheckedAt(list.subnetMasks, index));
    entry.subnet = AddressOrZero(CheckedAt(list.subnetAddresses, index));
    entry.broadcast = AddressOrZero(CheckedAt(list.broadcastAddresses, index));
    const auto at = static_cast<std::size_t>(index);
    entry.interfaceName = ValueOr(list.connectionNames, at, std::string());
    entry.description = ValueOr(list.descriptions, at, std::string());
    entry.kind = ValueOr(list.interfaceTypes, at, std::uint32_t{platform::kIfTypeEthernet});
    entry.carrier = at < list.carriers.size() ? bool(list.carriers[at]) : true;
    return entry;
}

std::vector<AdapterEntry> Entries(const AdapterList& list) {
    std::vector<AdapterEntry> entries;
    for (std::size_t i = 0; i < list.addresses.size(); ++i)
        entries.push_back(EntryAt(list, static_cast<int>(i)));
    return entries;
}

std::optional<int> FindEntry(const AdapterList& list, const std::string& nameOrAddress) {
    for (std::size_t i = 0; i < list.addresses.size(); ++i) {
        const bool byName = i < list.connectionNames.size() && list.connectionNames[i] == nameOrAddress;
        if (byName || list.addresses[i] == nameOrAddress)
            return static_cast<int>(i);
    }
    return std::nullopt;
}
