// Hub sessions through the host's own services, from the PC's namespace of a test site to
// simulated hubs, on the plain loop: the echo, the connect, the physical address lookup.
#include "discovery/HubConflicts.h"
#include "operations/HubSession.h"
#include "operations/PlainLoop.h"
#include "tests/support/SiteTest.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {

// Hub 2 has a gateway of its own, so that each session's parameters tell whose they are.
class SessionSite : public SiteSuite<SessionSite> {
public:
    static TestSiteOptions SiteOptions() {
        return {
            .prefix = "ko1", .subnet = 120, .hubs = 2, .perHubArgs = {{2, "--gw 198.18.120.254"}}};
    }

protected:
    // Runs the loop until done holds, 15 s at the most.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        std::function<void()> check = [&] {
            if (done() || std::chrono::steady_clock::now() > deadline)
                loop.Quit();
            else
                loop.StartTimer(10ms, check);
        };
        loop.StartTimer(0ms, check);
        loop.Run();
        return done();
    }

    PlainLoop loop;
};

TEST_F(SessionSite, TwoSessionsAtOnceEachReadTheirOwnHub) {
    struct Open {
        std::unique_ptr<HubSession> session;
        std::optional<HubSession::OpenOutcome> outcome;
    } open[2];
    for (int i = 0; i < 2; ++i) {
        open[i].session = std::make_unique<HubSession>(loop, HubServices{}, false);
        open[i].session->Open(site->HubAddress(i + 1), site->PcAddress(), true,
                              [&outcome = open[i].outcome](const auto& o) { outcome = o; });
    }
    ASSERT_TRUE(RunUntil([&] { return open[0].outcome && open[1].outcome; }));
    const char* gateways[] = {"198.18.120.1", "198.18.120.254"};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(open[i].outcome->failure, HubSession::OpenFailure::None) << open[i].outcome->text;
        const HubSession& session = *open[i].session;
        EXPECT_TRUE(session.IsOpen());
        EXPECT_EQ(session.Parameters(),
                  (HubParameters{*Ipv4::Parse(site->HubAddress(i + 1)),
                                 *Ipv4::Parse("255.255.255.0"), *Ipv4::Parse(gateways[i])}));
        EXPECT_EQ(ComparablePhysicalAddress(session.PhysicalAddress()),
                  ComparablePhysicalAddress(site->HubMac(i + 1)));
        EXPECT_NE(site->Control(i + 1, "status").find("session=" + site->PcAddress()),
                  std::string::npos);
    }

    for (auto& o : open)
        o.session->Close();
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(open[i].session->IsOpen());
        EXPECT_TRUE(RunUntil([&] {
            return site->Control(i + 1, "status").find("session=none") != std::string::npos;
        })) << site->Control(i + 1, "status");
    }
}

} // namespace
