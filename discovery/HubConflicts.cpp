#include "discovery/HubConflicts.h"

#include "adapters/AddressText.h"
#include "platform/NameResolver.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>
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

// The distinct names heard in one group (the physical addresses heard from one address,
// or the addresses one physical address was heard from), in the order they first came:
// all counted, the rows of the first few kept.
struct NameGroup {
    std::size_t distinct = 0;
    std::vector<std::size_t> firstRows; // one row a name; one more than is shown

    void Add(std::size_t row) {
        ++distinct;
        if (firstRows.size() <= kConflictNamesShown)
            firstRows.push_back(row);
    }

    // The names other than the row's own (which the group holds), as texts[row] names
    // them, at most kConflictNamesShown; more counts those beyond.
    std::vector<std::string> Others(std::size_t row, const std::vector<std::size_t>& nameIds,
                                    const std::vector<std::string>& texts,
                                    std::size_t& more) const {
        std::vector<std::string> names;
        for (const std::size_t other : firstRows) {
            if (nameIds[other] != nameIds[row] && names.size() < kConflictNamesShown)
                names.push_back(At(texts, other));
        }
        more = distinct - 1 - names.size();
        return names;
    }
};

// A number for each distinct text, in order of first appearance. The views must outlive
// the call only: the numbers are all that is kept.
std::vector<std::size_t> Numbered(const std::vector<std::string_view>& texts) {
    std::unordered_map<std::string_view, std::size_t> numbers;
    numbers.reserve(texts.size());
    std::vector<std::size_t> ids;
    ids.reserve(texts.size());
    for (const std::string_view text : texts)
        ids.push_back(numbers.try_emplace(text, numbers.size()).first->second);
    return ids;
}

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
    // Addresses and physical addresses are numbered, each row's pair is counted once, and
    // each group keeps the rows of its first few names: one pass over the rows, however
    // many replies one host sent.
    const std::size_t rows = hubs.hubAddresses.size();
    std::vector<std::string> keys(rows);
    std::vector<std::string_view> addressTexts(rows), keyTexts(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        keys[row] = ComparablePhysicalAddress(At(hubs.hubPhysicalAddresses, row));
        addressTexts[row] = hubs.hubAddresses[row];
        keyTexts[row] = keys[row];
    }
    const std::vector<std::size_t> addressIds = Numbered(addressTexts);
    const std::vector<std::size_t> physicalIds = Numbered(keyTexts);

    // A row of unknown physical address is in no group.
    std::vector<NameGroup> byAddress(rows), byPhysical(rows);
    std::unordered_set<std::uint64_t> pairsSeen;
    for (std::size_t row = 0; row < rows; ++row) {
        if (keys[row].empty() ||
            !pairsSeen.insert(std::uint64_t{addressIds[row]} << 32 | physicalIds[row]).second)
            continue;
        byAddress[addressIds[row]].Add(row);
        byPhysical[physicalIds[row]].Add(row);
    }

    const auto ownAddress = AddressValue(adapterAddress);
    const auto mask = AddressValue(adapterMask);
    const bool subnetKnown = ownAddress && mask && *mask != 0;

    std::vector<HubConflict> conflicts(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        HubConflict& conflict = conflicts[row];
        if (!keys[row].empty()) {
            conflict.otherPhysicalAddresses = byAddress[addressIds[row]].Others(
                row, physicalIds, hubs.hubPhysicalAddresses, conflict.morePhysicalAddresses);
            conflict.otherAddresses = byPhysical[physicalIds[row]].Others(
                row, addressIds, hubs.hubAddresses, conflict.moreAddresses);
        }
        const auto value = AddressValue(hubs.hubAddresses[row]);
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
