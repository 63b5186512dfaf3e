#include "platform/linux/NeighbourEntry.h"

#include <gtest/gtest.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace neighbour = platform::neighbour;

namespace {

std::vector<std::uint8_t> Message(std::uint16_t state, std::vector<std::uint8_t> linkAddress,
                                  bool withDestination = true, std::uint8_t family = AF_INET) {
    ndmsg header{};
    header.ndm_family = family;
    header.ndm_ifindex = 7;
    header.ndm_state = state;
    platform::netlink::Request request(RTM_NEWNEIGH, 0);
    request.Header(header);
    if (withDestination)
        request.Attribute(NDA_DST, std::uint32_t{0x020012C6});
    if (!linkAddress.empty())
        request.Attribute(NDA_LLADDR, linkAddress.data(), linkAddress.size());
    const auto body = request.Body();
    return {body.begin(), body.end()};
}

const std::vector<std::uint8_t> kMac = {0x02, 0x4B, 0x4E, 0x00, 0x00, 0x02};

TEST(NeighbourEntry, EveryStateThatVouchesForTheAddressCounts) {
    for (const std::uint16_t state :
         {NUD_REACHABLE, NUD_STALE, NUD_DELAY, NUD_PROBE, NUD_PERMANENT, NUD_NOARP}) {
        const auto entry = neighbour::ParseEntry(Message(state, kMac));
        ASSERT_TRUE(entry) << state;
        EXPECT_EQ(entry->interfaceIndex, 7);
        EXPECT_EQ(entry->address, 0x020012C6u);
        EXPECT_EQ(entry->linkAddress, kMac);
        EXPECT_TRUE(neighbour::IsUsable(*entry)) << state;
    }
}

TEST(NeighbourEntry, UnresolvedEntriesAndZeroAddressesNeverCount) {
    for (const std::uint16_t state : {NUD_INCOMPLETE, NUD_FAILED, NUD_NONE}) {
        const auto entry = neighbour::ParseEntry(Message(state, kMac));
        ASSERT_TRUE(entry);
        EXPECT_FALSE(neighbour::IsUsable(*entry)) << state;
    }
    const auto zero = neighbour::ParseEntry(Message(NUD_REACHABLE, std::vector<std::uint8_t>(6)));
    ASSERT_TRUE(zero);
    EXPECT_FALSE(neighbour::IsUsable(*zero));
    const auto none = neighbour::ParseEntry(Message(NUD_PERMANENT, {}));
    ASSERT_TRUE(none);
    EXPECT_FALSE(neighbour::IsUsable(*none));
}

TEST(NeighbourEntry, MalformedMessagesAreNoEntries) {
    EXPECT_FALSE(neighbour::ParseEntry(Message(NUD_REACHABLE, kMac, false)));
    EXPECT_FALSE(neighbour::ParseEntry(Message(NUD_REACHABLE, kMac, true, AF_INET6)));
    const auto whole = Message(NUD_REACHABLE, kMac);
    EXPECT_FALSE(neighbour::ParseEntry(std::span(whole).first(sizeof(ndmsg) - 1)));
    // An attribute cut short is not read.
    EXPECT_FALSE(neighbour::ParseEntry(std::span(whole).first(sizeof(ndmsg) + 6)));
}

} // namespace
