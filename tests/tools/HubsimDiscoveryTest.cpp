// hubsim's discovery responder, seen from the PC's end of a test site.
#include "ConsolePeer.h"
#include "tests/support/SiteTest.h"

#include <algorithm>
#include <string>

namespace {

using peer::Bytes;
using peer::Discover;
using peer::DiscoveryReply;

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class HubsimDiscovery : public SiteSuite<HubsimDiscovery> {
public:
    static TestSiteOptions SiteOptions() {
        return {.prefix = "ks1", .hubs = 2, .perHubArgs = {{2, "--firmware 0.98"}}};
    }

protected:
    std::vector<DiscoveryReply> Search(int windowMs = 400) {
        return Discover("198.18.0.255", site->PcAddress(), windowMs);
    }
    const DiscoveryReply* From(const std::vector<DiscoveryReply>& replies, int hub) {
        const auto it = std::find_if(replies.begin(), replies.end(), [&](const auto& reply) {
            return reply.source == site->HubAddress(hub);
        });
        return it == replies.end() ? nullptr : &*it;
    }
};

TEST_F(HubsimDiscovery, EveryHubAnswersByTheRouteItIsToldToUse) {
    const struct {
        const char* route;
        const char* destination;
    } routes[] = {
        {"unicast", "198.18.0.1"}, {"subnet", "198.18.0.255"}, {"broadcast", "255.255.255.255"}};
    for (const auto& route : routes) {
        SCOPED_TRACE(route.route);
        Tell(1, std::string("reply ") + route.route);
        Tell(2, std::string("reply ") + route.route);
        const auto replies = Search();
        ASSERT_EQ(replies.size(), 2u);
        const DiscoveryReply* first = From(replies, 1);
        const DiscoveryReply* second = From(replies, 2);
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->destination, route.destination);
        EXPECT_EQ(second->destination, route.destination);
        EXPECT_EQ(AsText(first->bytes), "IPH-4 2.05\r\n02-00-5E-12-00-0B\r\n");
        EXPECT_EQ(AsText(second->bytes), "IPH-4 0.98\r\n02-00-5E-12-00-0C\r\n");
    }
}

// The hub answers the 29-byte request alone, so that a console sending anything else
// finds no hub.
TEST_F(HubsimDiscovery, AnythingButTheExactRequestGoesUnanswered) {
    Bytes withoutNul = peer::DiscoveryRequest();
    withoutNul.pop_back();
    Bytes longer = peer::DiscoveryRequest();
    longer.push_back(0);
    Bytes otherText = peer::DiscoveryRequest();
    otherText[0] = 'd';
    for (const Bytes& request : {withoutNul, longer, otherText}) {
        EXPECT_TRUE(Discover("198.18.0.255", site->PcAddress(), 300, request).empty());
    }
}

TEST_F(HubsimDiscovery, SilentAndLateHubs) {
    Tell(2, "fault discovery-silent");
    auto replies = Search();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].source, site->HubAddress(1));

    // Late: after the console's one-second window.
    Tell(2, "fault discovery-silent off");
    Tell(2, "fault discovery-late");
    replies = Search(1800);
    ASSERT_EQ(replies.size(), 2u);
    const DiscoveryReply* late = From(replies, 2);
    ASSERT_TRUE(late);
    EXPECT_GE(late->secondsAfterRequest, 1.4);
    EXPECT_LT(From(replies, 1)->secondsAfterRequest, 0.5);
}

TEST_F(HubsimDiscovery, BrokenReplies) {
    const auto reply = [&](const std::string& fault) -> DiscoveryReply {
        EXPECT_EQ(site->Control(1, "fault " + fault + " on"), "ok");
        const auto replies = Search(300);
        EXPECT_EQ(site->Control(1, "fault " + fault + " off"), "ok");
        const DiscoveryReply* found = From(replies, 1);
        return found ? *found : DiscoveryReply{};
    };

    const DiscoveryReply oversized = reply("discovery-oversized");
    EXPECT_EQ(oversized.size, 2000u);
    EXPECT_EQ(AsText(oversized.bytes).rfind("IPH-4 2.05\r\n02-00-5E-12-00-0B\r\n", 0), 0u);

    const std::string noLineEnds = AsText(reply("discovery-no-crlf").bytes);
    EXPECT_EQ(noLineEnds, "IPH-4 2.05 02-00-5E-12-00-0B");

    const std::string longLines = AsText(reply("discovery-long-lines").bytes);
    EXPECT_EQ(longLines.find("\r\n"), 600u);
    EXPECT_EQ(longLines.substr(602), "02-00-5E-12-00-0B\r\n");

    const Bytes high = reply("discovery-high-bytes").bytes;
    EXPECT_TRUE(std::any_of(high.begin(), high.begin() + static_cast<long>(high.size()) / 2,
                            [](std::uint8_t b) { return b >= 0x80; }));

    const Bytes nuls = reply("discovery-nuls").bytes;
    ASSERT_GT(nuls.size(), 40u);
    EXPECT_EQ(AsText(nuls).find('\0'), 5u); // right after the model, before the firmware
    EXPECT_EQ(nuls.back(), 0);

    Tell(1, "discovery-hex 41 0D 0A 42 0D 0A");
    const auto custom = Search(300);
    ASSERT_TRUE(From(custom, 1));
    EXPECT_EQ(AsText(From(custom, 1)->bytes), "A\r\nB\r\n");
}

} // namespace
