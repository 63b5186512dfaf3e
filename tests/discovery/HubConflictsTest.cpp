#include "discovery/HubConflicts.h"
#include "discovery/PhysicalAddress.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

const std::string kAdapter = "198.18.110.1";
const std::string kMask = "255.255.255.0";

HubList Replies(const std::vector<std::pair<std::string, std::string>>& replies) {
    HubList hubs;
    for (const auto& [address, physical] : replies) {
        hubs.hubAddresses.push_back(address);
        hubs.hubPhysicalAddresses.push_back(physical);
        hubs.hubModelTexts.push_back("IPH-4 v3.2");
    }
    return hubs;
}

} // namespace

TEST(HubConflicts, OneAddressFromTwoHubsMarksBothRowsWithTheOtherHub) {
    const HubList hubs = Replies({{"198.18.110.10", "00-1A-2B-3C-4D-01"},
                                  {"198.18.110.11", "00-1A-2B-3C-4D-03"},
                                  {"198.18.110.10", "00-1A-2B-3C-4D-02"},
                                  {"198.18.110.10", "00-1a-2b-3c-4d-01"}}); // row 0 again
    const auto conflicts = FindHubConflicts(hubs, kAdapter, kMask);
    ASSERT_EQ(conflicts.size(), 4u);
    EXPECT_EQ(conflicts[0].otherPhysicalAddresses, Texts{"00-1A-2B-3C-4D-02"});
    EXPECT_EQ(conflicts[2].otherPhysicalAddresses, Texts{"00-1A-2B-3C-4D-01"}); // named once
    EXPECT_EQ(conflicts[3].otherPhysicalAddresses, Texts{"00-1A-2B-3C-4D-02"});
    EXPECT_FALSE(conflicts[1].Any());
    for (const auto& conflict : conflicts)
        EXPECT_TRUE(conflict.otherAddresses.empty());
}

TEST(HubConflicts, OnePhysicalAddressFromTwoAddressesNamesTheOthers) {
    const HubList hubs = Replies({{"198.18.110.10", "00:1A:2B:3C:4D:01"},
                                  {"198.18.110.20", "00-1A-2B-3C-4D-01"},
                                  {"198.18.110.30", "00-1A-2B-3C-4D-01"}});
    const auto conflicts = FindHubConflicts(hubs, kAdapter, kMask);
    EXPECT_EQ(conflicts[0].otherAddresses, (Texts{"198.18.110.20", "198.18.110.30"}));
    EXPECT_EQ(conflicts[1].otherAddresses, (Texts{"198.18.110.10", "198.18.110.30"}));
    EXPECT_TRUE(conflicts[0].otherPhysicalAddresses.empty());
}

TEST(HubConflicts, AFloodOfRepliesNamesTheFirstEightOthersAndCountsTheRest) {
    // One host answering 20,000 times: found in a blink, each row carrying eight names.
    std::vector<std::pair<std::string, std::string>> replies;
    for (int i = 0; i < 20000; ++i)
        replies.emplace_back("198.18.110.10", "02-00-00-00-" + std::to_string(10000 + i));
    replies.emplace_back("198.18.110.11", "02-00-00-00-10003");
    const auto conflicts = FindHubConflicts(Replies(replies), kAdapter, kMask);
    ASSERT_EQ(conflicts.size(), 20001u);
    EXPECT_EQ(conflicts[0].otherPhysicalAddresses.size(), kConflictNamesShown);
    EXPECT_EQ(conflicts[0].otherPhysicalAddresses[0], "02-00-00-00-10001");
    EXPECT_EQ(conflicts[0].morePhysicalAddresses, 19999u - kConflictNamesShown);
    EXPECT_EQ(conflicts[5].otherPhysicalAddresses[4], "02-00-00-00-10004"); // its own skipped
    EXPECT_EQ(conflicts[3].otherAddresses, Texts{"198.18.110.11"});
    EXPECT_EQ(conflicts[3].moreAddresses, 0u);
    EXPECT_EQ(conflicts[20000].otherAddresses, Texts{"198.18.110.10"});
    EXPECT_TRUE(conflicts[20000].otherPhysicalAddresses.empty());
}

TEST(HubConflicts, RepeatedRepliesAndUnknownPhysicalAddressesAreNoConflict) {
    const HubList hubs = Replies({{"198.18.110.10", "00-1A-2B-3C-4D-01"},
                                  {"198.18.110.10", "00-1A-2B-3C-4D-01"},
                                  {"198.18.110.10", ""},
                                  {"198.18.110.12", ""},
                                  {"198.18.110.13", "--"}});
    for (const auto& conflict : FindHubConflicts(hubs, kAdapter, kMask))
        EXPECT_FALSE(conflict.Any());
}

TEST(HubConflicts, AdapterAddressAndForeignSubnet) {
    const HubList hubs = Replies({{"198.18.110.1", "00-1A-2B-3C-4D-01"},
                                  {"198.18.111.7", "00-1A-2B-3C-4D-02"},
                                  {"198.18.110.254", "00-1A-2B-3C-4D-03"}});
    const auto conflicts = FindHubConflicts(hubs, kAdapter, kMask);
    EXPECT_TRUE(conflicts[0].adapterAddress);
    EXPECT_FALSE(conflicts[0].outsideSubnet);
    EXPECT_TRUE(conflicts[1].outsideSubnet);
    EXPECT_FALSE(conflicts[1].adapterAddress);
    EXPECT_FALSE(conflicts[2].Any());

    // A wider mask takes the other /24 in; an unread or unusable mask judges nothing.
    EXPECT_FALSE(FindHubConflicts(hubs, kAdapter, "255.255.254.0")[1].outsideSubnet);
    EXPECT_FALSE(FindHubConflicts(hubs, kAdapter, "0.0.0.0")[1].outsideSubnet);
    EXPECT_FALSE(FindHubConflicts(hubs, kAdapter, "")[1].outsideSubnet);
    EXPECT_FALSE(FindHubConflicts(hubs, "", kMask)[0].adapterAddress);
}

TEST(HubConflicts, ShorterParallelListsReadAsUnknown) {
    HubList hubs = Replies({{"198.18.110.10", "00-1A-2B-3C-4D-01"}});
    hubs.hubAddresses.push_back("198.18.110.10");
    EXPECT_EQ(FindHubConflicts(hubs, kAdapter, kMask).size(), 2u);
    EXPECT_FALSE(FindHubConflicts(hubs, kAdapter, kMask)[0].Any());
}

TEST(HubConflicts, SuggestedPcAddressIsAFreeHostAddressOfTheHubsBlock) {
    const HubList hubs = Replies({{"198.18.111.7", "a"}, {"198.18.111.250", "b"}});
    const auto suggestion = SuggestPcAddress("198.18.111.7", kMask, hubs);
    ASSERT_TRUE(suggestion);
    EXPECT_EQ(suggestion->address, "198.18.111.249"); // .250 answered the search
    EXPECT_EQ(suggestion->mask, "255.255.255.0");

    // A wider adapter mask still gives the hub's /24; a narrower one its own block.
    EXPECT_EQ(SuggestPcAddress("10.1.2.3", "255.0.0.0", {})->address, "10.1.2.250");
    const auto small = SuggestPcAddress("10.1.2.3", "255.255.255.252", {});
    ASSERT_TRUE(small);
    EXPECT_EQ(small->address, "10.1.2.2");
    EXPECT_EQ(small->mask, "255.255.255.252");

    // Every host address of a /30 answered: nothing to suggest; nor for a /31 or no address.
    EXPECT_FALSE(SuggestPcAddress("10.1.2.1", "255.255.255.252",
                                  Replies({{"10.1.2.1", "a"}, {"10.1.2.2", "b"}})));
    EXPECT_FALSE(SuggestPcAddress("10.1.2.1", "255.255.255.254", {}));
    EXPECT_FALSE(SuggestPcAddress("hub", kMask, {}));
}

TEST(PhysicalAddressValue, OneAddressInAnyFormHasOneKeyAndItsSixBytes) {
    const auto dashed = PhysicalAddress::FromText("02-00-5E-12-E6-0B");
    const auto colons = PhysicalAddress::FromText("02:00:5e:12:e6:0b");
    EXPECT_TRUE(dashed.SameAs(colons));
    EXPECT_EQ(dashed.Text(), "02-00-5E-12-E6-0B"); // shown as the hub wrote it
    EXPECT_EQ(dashed.Bytes(), (std::array<std::uint8_t, 6>{0x02, 0x00, 0x5E, 0x12, 0xE6, 0x0B}));
    // A text that names no six bytes keeps its key but gives none; an empty one is unknown.
    EXPECT_FALSE(PhysicalAddress::FromText("02-00-5E-12-E6-0B-77").Bytes());
    EXPECT_FALSE(PhysicalAddress::FromText("02-00-5E-12-E6-0G").Bytes());
    EXPECT_FALSE(PhysicalAddress::FromText(" - ").Known());
    EXPECT_FALSE(PhysicalAddress::FromText("").SameAs(PhysicalAddress::FromText("")));
}
