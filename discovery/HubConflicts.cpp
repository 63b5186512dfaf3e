#include "discovery/HubConflicts.h"

#include "adapters/AddressText.h"
#include "platform/NameResolver.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

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

// The physical address as compared: its letters and digits, lower case.
std::string PhysicalKey(const std::string& text) {
    std::string key;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte))
            key += static_cast<char>(std::tolower(byte));
    }
    return key;
}

std::string At(const std::vector<std::string>& list, std::size_t row) {
    return row < list.size() ? list[row] : std::string();
}

void AddOnce(std::vector<std::string>& list, const std::string& text) {
    if (std::find(list.begin(), list.end(), text) == list.end())
        list.push_back(text);
}

bool ContiguousMask(std::uint32_t mask) {
    return (~mask & (~mask + 1)) == 0;
}

} // namespace

bool SamePhysicalAddress(const std::string& first, const std::string& second) {
    const std::string key = PhysicalKey(first);
    return !key.empty() && key == PhysicalKey(second);
}

std::vector<HubConflict> FindHubConflicts(const HubList& hubs, const std::string& adapterAddress,
                                          const std::string& adapterMask) {
    const std::size_t rows = hubs.hubAddresses.size();
    std::vector<std::string> keys(rows);
    for (std::size_t row = 0; row < rows; ++row)
        keys[row] = PhysicalKey(At(hubs.hubPhysicalAddresses, row));

    const auto ownAddress = AddressValue(adapterAddress);
    const auto mask = AddressValue(adapterMask);
    const bool subnetKnown = ownAddress && mask && *mask != 0;

    std::vector<HubConflict> conflicts(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const std::string& address = hubs.hubAddresses[row];
        HubConflict& conflict = conflicts[row];
        if (!keys[row].empty()) {
            std::vector<std::string> named; // the keys of the physical addresses named
            for (std::size_t other = 0; other < rows; ++other) {
                if (keys[other].empty() || keys[other] == keys[row] ||
                    hubs.hubAddresses[other] != address ||
                    std::find(named.begin(), named.end(), keys[other]) != named.end())
                    continue;
                named.push_back(keys[other]);
                conflict.otherPhysicalAddresses.push_back(At(hubs.hubPhysicalAddresses, other));
            }
            for (std::size_t other = 0; other < rows; ++other) {
                if (keys[other] == keys[row] && hubs.hubAddresses[other] != address)
                    AddOnce(conflict.otherAddresses, hubs.hubAddresses[other]);
            }
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

    std::vector<std::uint32_t> taken;
    for (const std::string& address : hubs.hubAddresses) {
        if (const auto value = AddressValue(address))
            taken.push_back(*value);
    }
    const auto free = [&taken](std::uint32_t value) {
        return std::find(taken.begin(), taken.end(), value) == taken.end();
    };
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
