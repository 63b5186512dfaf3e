// A hub that takes new IP parameters, and many hubs played by one process.
#include "ConsolePeer.h"
#include "tests/support/SiteTest.h"

#include <set>
#include <unistd.h>

namespace {

using peer::HubLink;

class HubsimMove : public SiteSuite<HubsimMove> {
public:
    static TestSiteOptions SiteOptions() { return {.prefix = "ks3", .subnet = 3, .hubs = 1}; }
};

TEST_F(HubsimMove, SetIpParametersMovesTheHub) {
    ASSERT_EQ(site->HubAddress(1), "198.18.3.11");
    HubLink link;
    ASSERT_EQ(link.Connect("198.18.3.11"), 0);
    ASSERT_TRUE(link.WaitFor(peer::kLinkStatus, 1000));
    // A /23 keeps 198.18.3.255 the hub's broadcast address, so the PC's search finds it.
    ASSERT_TRUE(link.Send(
        peer::SetIpParametersRequest({198, 18, 3, 50}, {255, 255, 254, 0}, {198, 18, 3, 100})));
    EXPECT_TRUE(link.WaitClosed(1000)) << "the hub restarts its network";
    // The hub closes the session first and moves right after; the console waits a
    // second before it does anything else, the test only until the move is done.
    for (int tries = 0; tries < 100; ++tries) {
        if (site->Control(1, "status").find("ip=198.18.3.50 ") != std::string::npos) {
            break;
        }
        usleep(10000);
    }

    const auto replies = peer::Discover("198.18.3.255", site->PcAddress(), 300);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].source, "198.18.3.50");

    HubLink moved;
    ASSERT_EQ(moved.Connect("198.18.3.50"), 0);
    ASSERT_TRUE(moved.Send(peer::IpParametersRequest()));
    const auto parameters = moved.WaitFor(peer::kIpParameters, 1000);
    ASSERT_TRUE(parameters);
    EXPECT_EQ(peer::Bytes(parameters->begin() + 4, parameters->begin() + 16),
              (peer::Bytes{198, 18, 3, 50, 255, 255, 254, 0, 198, 18, 3, 100}));

    HubLink old;
    EXPECT_NE(old.Connect("198.18.3.11", 500), 0);
}

TEST_F(HubsimMove, ParametersTheHubCannotTakeAreIgnored) {
    HubLink link;
    ASSERT_EQ(link.Connect("198.18.3.11"), 0);
    ASSERT_TRUE(link.WaitFor(peer::kLinkStatus, 1000));
    const peer::Octets gateway{198, 18, 3, 1};
    ASSERT_TRUE(
        link.Send(peer::SetIpParametersRequest({198, 18, 3, 60}, {255, 0, 255, 0}, gateway)));
    ASSERT_TRUE(link.Send(peer::SetIpParametersRequest({0, 0, 0, 0}, {255, 255, 255, 0}, gateway)));
    ASSERT_TRUE(
        link.Send(peer::SetIpParametersRequest({198, 18, 3, 255}, {255, 255, 255, 0}, gateway)));
    ASSERT_TRUE(link.Send(peer::IpParametersRequest()));
    const auto parameters = link.WaitFor(peer::kIpParameters, 1000);
    ASSERT_TRUE(parameters) << "the session goes on";
    EXPECT_EQ(peer::Bytes(parameters->begin() + 4, parameters->begin() + 8),
              (peer::Bytes{198, 18, 3, 11}));
    EXPECT_NE(site->Control(1, "status").find("rejected=3"), std::string::npos);
}

// One process, one namespace, twenty addresses: each hub answers from its own.
class HubsimMany : public SiteSuite<HubsimMany> {
public:
    static TestSiteOptions SiteOptions() {
        return {.prefix = "ks5", .subnet = 5, .hubs = 1, .hubArgs = "--count 20"};
    }
};

TEST_F(HubsimMany, EachHubAnswersFromItsOwnAddress) {
    const auto replies = peer::Discover("198.18.5.255", site->PcAddress(), 400);
    ASSERT_EQ(replies.size(), 20u);
    std::set<std::string> sources;
    for (const auto& reply : replies) {
        sources.insert(reply.source);
        const std::string text(reply.bytes.begin(), reply.bytes.end());
        const int host = std::stoi(reply.source.substr(reply.source.rfind('.') + 1));
        char physical[32];
        std::snprintf(physical, sizeof physical, "02-00-5E-12-05-%02X\r\n", host);
        EXPECT_NE(text.find(physical), std::string::npos) << text;
    }
    EXPECT_EQ(sources.size(), 20u);
    EXPECT_EQ(*sources.begin(), "198.18.5.11");
    EXPECT_EQ(*sources.rbegin(), "198.18.5.30");

    ASSERT_EQ(site->Control(1, "hub 15 link 2 up"), "ok");
    EXPECT_NE(site->Control(1, "hub 15 status").find("ip=198.18.5.25 "), std::string::npos);
    HubLink link;
    ASSERT_EQ(link.Connect("198.18.5.25"), 0);
    ASSERT_TRUE(link.Send(peer::IpParametersRequest()));
    const auto parameters = link.WaitFor(peer::kIpParameters, 1000);
    ASSERT_TRUE(parameters);
    EXPECT_EQ((*parameters)[7], 25);
}

} // namespace
