#include "discovery/HubConflicts.h"

#include "adapters/AddressText.h"
#include "platform/NameResolver.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// The address's value with its first octet most significant, whatever the host's byte
// order.
std::optional<std::uint32_t> AddressValue(const std::string& text) {
    const auto parsed = platform::ParseDottedAddress(text);
    if (!parsed)
        return std::nullopt;
    platform::Ipv4Address octets{};
    std::memcpy(octets.data(), &*parsed, octets.size());
    return std::uint32_t{octets[0]} << 24 | std::uint32_t{octets[1]} << 16 |
           std::uint32_t{octets[2]} << 8 | octets[3];
}

std::string ValueText(std::uint32_t value) {
    return DottedText({static_cast<std::uint8_t>(value >> 24),
                       static_cast<std::uint8_t>(value >> 16),
                       static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

std::string At(const std::vector<std::string>& list, std::size_t row) {
    return row < list.size() ? list[row] : std::string();
}

// The distinct names (physical addresses at one address, or addresses of one physical
// address) in the order they first came: the first few kept as texts, all counted.
struct NameGroup {
    std::unordered_set<std::string> keys;
    std::vector<std::pair<std::string, std::string>> firstNames; // key and text

    void Add(const std::string& key, const std::string& text) {
        if (!keys.insert(key).second)
            return;
        // One more than is shown: a row's own name may be among them.
        if (firstNames.size() <= kConflictNamesShown)
            firstNames.emplace_back(key, text);
    }

    // The names other than ownKey (which the group holds), at most kConflictNamesShown of
    // them, and how many others there are beyond those.
    std::vector<std::string> Others(const std::string& ownKey, std::size_t& more) const {
        std::vector<std::string> names;
        for (const auto& [key, text] : firstNames) {
            if (key != ownKey && names.size() < kConflictNamesShown)
                names.push_back(text);
        }
        more = keys.size() - 1 - names.size();
        return names;
    }
};

bool ContiguousMask(std::uint32_t mask) {
    return (~mask & (~mask + 1)) == 0;
}

} // namespace

std::string ComparablePhysicalAddress(const std::string& text) {
    std::string key;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte))
            key += static_cast<char>(std::tolower(byte));
    }
    return key;
}

bool SamePhysicalAddress(const std::string& first, const std::string& second) {
    const std::string key = ComparablePhysicalAddress(first);
    return !key.empty() && key == ComparablePhysicalAddress(second);
}

std::vector<HubConflict> FindHubConflicts(const HubList& hubs, const std::string& adapterAddress,
                                          const std::string& adapterMask) {
    const std::size_t rows = hubs.hubAddresses.size();
    std::vector<std::string> keys(rows);
    // The physical addresses heard from each address, and the addresses each physical
    // address was heard from; a row of unknown physical address is in neither.
    std::unordered_map<std::string, NameGroup> byAddress;
    std::unordered_map<std::string, NameGroup> byPhysical;
    for (std::size_t row = 0; row < rows; ++row) {
        keys[row] = ComparablePhysicalAddress(At(hubs.hubPhysicalAddresses, row));
        if (keys[row].empty())
            continue;
        const std::string& address = hubs.hubAddresses[row];
        byAddress[address].Add(keys[row], At(hubs.hubPhysicalAddresses, row));
        byPhysical[keys[row]].Add(address, address);
    }

    const auto ownAddress = AddressValue(adapterAddress);
    const auto mask = AddressValue(adapterMask);
    const bool subnetKnown = ownAddress && mask && *mask != 0;

    std::vector<HubConflict> conflicts(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const std::string& address = hubs.hubAddresses[row];
        HubConflict& conflict = conflicts[row];
        if (!keys[row].empty()) {
            conflict.otherPhysicalAddresses =
                byAddress.at(address).Others(keys[row], conflict.morePhysicalAddresses);
            conflict.otherAddresses =
                byPhysical.at(keys[row]).Others(address, conflict.moreAddresses);
        }
        const auto value = AddressValue(address);
        conflict.adapterAddress = value && ownAddress && *value == *ownAddress;
        conflict.outsideSubnet = subnetKnown && value && (*value & *mask) != (*ownAddress & *mask);
    }
    return conflicts;
}

std::optional<PcAddressSuggestion> SuggestPcAddress(const std::string& hubAddress,
                                                    const std::string& adapterMask,
                                                    const HubList& hubs) {
    const auto hub = AddressValue(hubAddress);
    if (!hub)
        return std::nullopt;
    std::uint32_t mask = 0xFFFFFF00u;
    if (const auto own = AddressValue(adapterMask); own && ContiguousMask(*own) && *own > mask)
        mask = *own;
    const std::uint32_t network = *hub & mask;
    const std::uint32_t broadcast = network | ~mask;
    if (broadcast - network < 2)
        return std::nullopt; // a /31 or /32 block has no host address besides its ends

    std::unordered_set<std::uint32_t> taken;
    for (const std::string& address : hubs.hubAddresses) {
        if (const auto value = AddressValue(address))
            taken.insert(*value);
    }
    const auto free = [&taken](std::uint32_t value) { return !taken.contains(value); };
    const std::uint32_t size = broadcast - network + 1;
    const std::uint32_t start = size >= 16 ? broadcast - 5 : broadcast - 1;
    // From the start down to the first host address, then the few above the start.
    for (std::uint32_t value = start; value > network; --value) {
        if (free(value))
            return PcAddressSuggestion{ValueText(value), ValueText(mask)};
    }
    for (std::uint32_t value = broadcast - 1; value > start; --value) {
        if (free(value))
            return PcAddressSuggestion{ValueText(value), ValueText(mask)};
    }
    return std::nullopt;
}
