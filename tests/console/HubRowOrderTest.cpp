#include "console/HubRowOrder.h"

#include <gtest/gtest.h>

namespace {

using Order = std::vector<std::size_t>;

std::vector<HubRow> WithAddresses(const std::vector<std::string>& addresses) {
    std::vector<HubRow> rows;
    for (const std::string& address : addresses)
        rows.push_back({address, "", "", "", ""});
    return rows;
}

TEST(HubRowOrder, AddressesSortAsNumbersAndTextsThatAreNoneAfterThem) {
    const auto rows = WithAddresses(
        {"198.18.0.10", "hub-b", "198.18.0.9", "198.18.0.10", "hub-a", "198.18.0.256"});
    EXPECT_EQ(HubRowOrder(rows, kHubAddressColumn, true), (Order{2, 0, 3, 5, 4, 1}));
    // Descending turns the keys round, not the two equal addresses.
    EXPECT_EQ(HubRowOrder(rows, kHubAddressColumn, false), (Order{1, 4, 5, 0, 3, 2}));
    EXPECT_TRUE(HubRowOrder({}, kHubAddressColumn, false).empty());
}

// Russian order for lower-case Cyrillic: ё between е and ж, where its code point is not.
int RussianOrder(const std::string& first, const std::string& second) {
    const auto keys = [](const std::string& text) {
        std::vector<int> keys;
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            const int point = (text[i] & 0x1F) << 6 | (text[i + 1] & 0x3F);
            keys.push_back(point == 0x451 ? 0x435 * 2 + 1 : point * 2);
        }
        return keys;
    };
    const auto a = keys(first), b = keys(second);
    return a < b ? -1 : (b < a ? 1 : 0);
}

TEST(HubRowOrder, TextColumnsUseTheSuppliedOrderAndKeepEqualCellsInArrivalOrder) {
    std::vector<HubRow> rows = WithAddresses({"198.18.0.4", "198.18.0.3", "198.18.0.2", "1"});
    const std::vector<std::string> models = {"ёлка", "жук", "ёлка", "ель"};
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].model = rows[i].physicalAddress = models[i];
    for (const int column : {kHubModelColumn, kHubPhysicalAddressColumn}) {
        EXPECT_EQ(HubRowOrder(rows, column, true, RussianOrder), (Order{3, 0, 2, 1}));
        EXPECT_EQ(HubRowOrder(rows, column, false, RussianOrder), (Order{1, 0, 2, 3}));
    }
    // Byte order, the default, puts ё after every other letter.
    EXPECT_EQ(HubRowOrder(rows, kHubModelColumn, true), (Order{3, 1, 0, 2}));
    // The name column is empty everywhere: all rows tie, in either direction.
    EXPECT_EQ(HubRowOrder(rows, kHubNameColumn, false), (Order{0, 1, 2, 3}));
}

} // namespace
