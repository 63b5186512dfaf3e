#include "net/SocketComm.h"
#include "platform/LastError.h"
#include "tests/net/NetnsHarness.h"
#include "tests/net/SocketTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace kntest;

namespace {

constexpr std::uint16_t kHubPort = 5000;

// The technician's PC and a hub in namespaces of their own; the test thread works from
// the PC's namespace, and the hub's listener is made in the hub's.
class SocketCommBetweenHosts : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunningAsRoot())
            GTEST_SKIP() << "needs root to make network namespaces";
        hosts = std::make_unique<TwoHosts>();
        ASSERT_TRUE(hosts->Ok());
        {
            ScopedNetns atHub(hosts->Hub().Name());
            ASSERT_TRUE(atHub.Ok());
            listener = std::make_unique<TcpListener>(TwoHosts::kHubAddress, kHubPort);
            ASSERT_TRUE(listener->Ok());
        }
        atPc = std::make_unique<ScopedNetns>(hosts->Pc().Name());
        ASSERT_TRUE(atPc->Ok());
    }
    void TearDown() override {
        comm.Close();
        listener.reset();
        atPc.reset();
        hosts.reset();
    }

    bool Open(const char* local, const char* remote) {
        return comm.OpenConnection(local, remote, "5000", platform::kAddressFamilyInet,
                                   platform::kSocketStream);
    }

    std::unique_ptr<TwoHosts> hosts;
    std::unique_ptr<TcpListener> listener;
    std::unique_ptr<ScopedNetns> atPc;
    RecordingComm comm;
};

TEST_F(SocketCommBetweenHosts, ConnectionLeavesFromTheChosenAdapterAddress) {
    // A second address on the PC's adapter: the connection must use the one chosen.
    ASSERT_TRUE(Shell("ip -n " + hosts->Pc().Name() + " addr add 198.18.0.3/24 dev " +
                      hosts->PcInterface()));
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
    ASSERT_TRUE(Open(TwoHosts::kPcAddress, TwoHosts::kHubAddress));
    const int server = listener->Accept();
    ASSERT_GE(server, 0);
    ASSERT_TRUE(comm.StartWatcher());
    const auto start = Clock::now();
    ::close(server);
    ASSERT_TRUE(comm.WaitForEvents(1, 1000));
    RecordProperty("peer_close_ms", static_cast<int>(MillisecondsSince(start)));
    EXPECT_LT(MillisecondsSince(start), 200);
    EXPECT_EQ(comm.Events(), std::vector<std::uint32_t>{ConnectionDropped});
}

TEST_F(SocketCommBetweenHosts, VanishedHubIsNoticedWithinAboutTenSeconds) {
    ASSERT_TRUE(Open(TwoHosts::kPcAddress, TwoHosts::kHubAddress));
    const int server = listener->Accept();
    ASSERT_GE(server, 0);
    ASSERT_TRUE(comm.StartWatcher());
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
