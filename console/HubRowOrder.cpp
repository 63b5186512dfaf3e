#include "console/HubRowOrder.h"

#include "console/AddressFields.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>

const std::string& HubCell(const HubRow& row, int column) {
    switch (column) {
    case kHubNameColumn:
        return row.name;
    case kHubPhysicalAddressColumn:
        return row.physicalAddress;
    case kHubModelColumn:
        return row.model;
    default:
        return row.address;
    }
}

int HubTextByteOrder(const std::string& first, const std::string& second) {
    const int order = first.compare(second);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::vector<std::size_t> HubRowOrder(const std::vector<HubRow>& rows, int column, bool ascending,
                                     const HubTextOrder& compareText) {
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});

    // HubCell's column: the address for any number that is no other column's. Each
    // address is read once: a flood of replies makes thousands of rows to sort.
    const bool byAddress = column < kHubNameColumn || column >= kHubColumnCount;
    std::vector<std::optional<std::uint32_t>> numbers(byAddress ? rows.size() : 0);
    for (std::size_t i = 0; i < numbers.size(); ++i)
        numbers[i] = ParseDottedQuad(rows[i].address);

    const auto compare = [&](std::size_t a, std::size_t b) {
        if (byAddress && (numbers[a] || numbers[b])) {
            if (numbers[a] && numbers[b])
                return *numbers[a] < *numbers[b] ? -1 : (*numbers[a] > *numbers[b] ? 1 : 0);
            return numbers[a] ? -1 : 1; // an address before any text that is none
        }
        return compareText(HubCell(rows[a], column), HubCell(rows[b], column));
    };
    // A stable sort with the operands swapped for descending: ties are never reordered.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ascending ? compare(a, b) < 0 : compare(b, a) < 0;
    });
    return order;
}
