#include "net/SocketComm.h"
#include "platform/LastError.h"
#include "tests/net/SocketTestSupport.h"
#include "tests/support/BetweenHosts.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace kntest;

namespace {

constexpr std::uint16_t kHubPort = 5000;

// The hub's listener is made in the hub's namespace.
class SocketCommBetweenHosts : public BetweenHosts<> {
protected:
    void SetUp() override {
        BetweenHosts::SetUp();
        if (Stopped())
            return;
        NetnsScope atHub(hosts->Hub().Name());
        ASSERT_TRUE(atHub.ok());
        listener = std::make_unique<TcpListener>(TwoHosts::kHubAddress, kHubPort);
        ASSERT_TRUE(listener->Ok());
    }
    void TearDown() override {
        comm.Close();
        listener.reset();
        BetweenHosts::TearDown();
    }

    bool Open(const char* local, const char* remote) {
        return comm.OpenConnection(local, remote, "5000", platform::kAddressFamilyInet,
                                   platform::kSocketStream);
    }
    // An open, watched session; the hub's end of it, or -1.
    int OpenWatchedSession() {
        if (!Open(TwoHosts::kPcAddress, TwoHosts::kHubAddress))
            return -1;
        const int server = listener->Accept();
        return server >= 0 && comm.StartWatcher() ? server : -1;
    }

    std::unique_ptr<TcpListener> listener;
    RecordingComm comm;
};

TEST_F(SocketCommBetweenHosts, ConnectionLeavesFromTheChosenAdapterAddress) {
    // A second address on the PC's adapter: the connection must use the one chosen.
    ASSERT_TRUE(hosts->Pc().Ip("addr add 198.18.0.3/24 dev " + hosts->PcInterface()));
    const auto start = Clock::now();
    ASSERT_TRUE(Open("198.18.0.3", TwoHosts::kHubAddress));
    const auto elapsed = MillisecondsSince(start);
    const int server = listener->Accept();
    ASSERT_GE(server, 0);
    EXPECT_EQ(PeerAddressText(server), "198.18.0.3");
    RecordProperty("connect_ms", static_cast<int>(elapsed));
    EXPECT_LT(elapsed, 500);
    ::close(server);
}

TEST_F(SocketCommBetweenHosts, AbsentHostFailsWithinTheConnectDeadline) {
    const auto start = Clock::now();
    EXPECT_FALSE(Open(TwoHosts::kPcAddress, TwoHosts::kAbsentAddress));
    const auto elapsed = MillisecondsSince(start);
    RecordProperty("absent_host_ms", static_cast<int>(elapsed));
    EXPECT_LE(elapsed, 5300);
    const std::uint32_t reason = platform::GetLastError();
    EXPECT_TRUE(reason == 10065u || reason == 10060u) << reason; // unreachable or timed out
    EXPECT_FALSE(comm.IsSocketOpen());
}

TEST_F(SocketCommBetweenHosts, HostThatDropsTheSynFailsAfterFiveSeconds) {
    ASSERT_TRUE(hosts->CutHubOff());
    const auto start = Clock::now();
    EXPECT_FALSE(Open(TwoHosts::kPcAddress, TwoHosts::kHubAddress));
    const auto elapsed = MillisecondsSince(start);
    RecordProperty("dropped_syn_ms", static_cast<int>(elapsed));
    EXPECT_GE(elapsed, 4900);
    EXPECT_LE(elapsed, 5300);
    EXPECT_EQ(platform::GetLastError(), 10060u); // WSAETIMEDOUT
    EXPECT_FALSE(comm.IsSocketOpen());
    EXPECT_EQ(listener->Accept(100), -1);
}

TEST_F(SocketCommBetweenHosts, HubThatClosesItsEndIsReportedAtOnce) {
    const int server = OpenWatchedSession();
    ASSERT_GE(server, 0);
    const auto start = Clock::now();
    ::close(server);
    ASSERT_TRUE(comm.WaitForEvents(1, 1000));
    RecordProperty("peer_close_ms", static_cast<int>(MillisecondsSince(start)));
    EXPECT_LT(MillisecondsSince(start), 200);
    EXPECT_EQ(comm.Events(), std::vector<std::uint32_t>{ConnectionDropped});
}

TEST_F(SocketCommBetweenHosts, VanishedHubIsNoticedWithinAboutTenSeconds) {
    const int server = OpenWatchedSession();
    ASSERT_GE(server, 0);
    const auto start = Clock::now();
    ASSERT_TRUE(hosts->CutHubOff());
    ASSERT_TRUE(comm.WaitForEvents(1, 13000));
    const auto elapsed = MillisecondsSince(start);
    RecordProperty("vanished_hub_ms", static_cast<int>(elapsed));
    EXPECT_LE(elapsed, 11500);
    EXPECT_EQ(comm.Events(), std::vector<std::uint32_t>{ConnectionDropped});
    ::close(server);
}

} // namespace
