#include "net/SocketComm.h"

#include "platform/LastError.h"
#include "tests/net/SocketTestSupport.h"

#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace kntest;

namespace {

constexpr int kStream = platform::kSocketStream;
constexpr int kInet = platform::kAddressFamilyInet;

std::string PortText(std::uint16_t port) {
    return std::to_string(port);
}

// A connected pair on loopback: the object under test and the server's end of it.
class SocketCommLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        // SIGPIPE must be able to kill the test: a send to a gone peer has to avoid it.
        std::signal(SIGPIPE, SIG_DFL);
        ASSERT_TRUE(listener.Ok());
        ASSERT_TRUE(comm.OpenConnection("127.0.0.1", "127.0.0.1", PortText(listener.Port()), kInet,
                                        kStream));
        server = listener.Accept();
        ASSERT_GE(server, 0);
    }
    void TearDown() override {
        comm.Close();
        if (server >= 0)
            ::close(server);
    }

    TcpListener listener{"127.0.0.1", 0, 4096};
    RecordingComm comm;
    int server = -1;
};

TEST(SocketCommClosed, EveryOperationRefusesAndCloseIsHarmless) {
    RecordingComm comm;
    EXPECT_EQ(comm.State(), SocketState::Closed);
    EXPECT_FALSE(comm.IsSocketOpen());
    EXPECT_FALSE(comm.StartWatcher());
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(comm.Read(buffer, sizeof buffer, 1000), 0);
    EXPECT_EQ(comm.Write(buffer, sizeof buffer, 1000), 0);
    platform::SocketAddressV4 address;
    EXPECT_FALSE(comm.GetPeerAddress(address));
    EXPECT_FALSE(comm.GetLocalSocketAddress(address));

    const auto start = Clock::now();
    comm.Close();
    comm.Close();
    EXPECT_LT(MillisecondsSince(start), 20);
    EXPECT_FALSE(comm.IsSocketOpen());
}

TEST(SocketCommOpen, FailuresLeaveNothingOpenAndSayWhy) {
    TcpListener listener;
    const struct {
        const char* local;
        std::uint16_t port;
        std::uint32_t error;
    } cases[] = {
        {"0.0.0.0", listener.Port(), 10022},    // any address, any port: refused before binding
        {"198.18.0.1", listener.Port(), 10049}, // not an address of this host: WSAEADDRNOTAVAIL
        {"127.0.0.1", ClosedPort(), 10061},     // nobody listens: WSAECONNREFUSED
    };
    for (const auto& c : cases) {
        RecordingComm comm;
        const auto start = Clock::now();
        EXPECT_FALSE(comm.OpenConnection(c.local, "127.0.0.1", PortText(c.port), kInet, kStream))
            << c.local;
        EXPECT_LT(MillisecondsSince(start), 500);
        EXPECT_EQ(platform::GetLastError(), c.error) << c.local;
        EXPECT_FALSE(comm.IsSocketOpen());
    }
    EXPECT_EQ(listener.Accept(200), -1);
}

TEST(SocketCommOpen, ConnectionLeavesFromTheChosenLocalAddress) {
    RecordingComm comm;
    TcpListener listener;
    const auto start = Clock::now();
    ASSERT_TRUE(
        comm.OpenConnection("127.0.0.2", "127.0.0.1", PortText(listener.Port()), kInet, kStream));
    const int server = listener.Accept();
    ASSERT_GE(server, 0);
    EXPECT_LT(MillisecondsSince(start), 500);
    EXPECT_EQ(PeerAddressText(server), "127.0.0.2");

    platform::SocketAddressV4 local;
    platform::SocketAddressV4 peer;
    ASSERT_TRUE(comm.GetLocalSocketAddress(local));
    ASSERT_TRUE(comm.GetPeerAddress(peer));
    EXPECT_EQ(local.family, kInet);
    EXPECT_EQ(platform::NetworkToHost32(local.address), 0x7F000002u);
    EXPECT_EQ(platform::NetworkToHost32(peer.address), 0x7F000001u);
    EXPECT_EQ(platform::NetworkToHost16(peer.port), listener.Port());
    ::close(server);
}

TEST_F(SocketCommLoopback, OpenWhileOpenIsRefusedAndLeavesTheSessionAlone) {
    TcpListener other;
    EXPECT_FALSE(
        comm.OpenConnection("127.0.0.1", "127.0.0.1", PortText(other.Port()), kInet, kStream));
    EXPECT_EQ(other.Accept(200), -1);
    ASSERT_TRUE(comm.IsSocketOpen());
    const std::uint8_t request[3] = {1, 2, 3};
    EXPECT_EQ(comm.Write(request, 3, platform::kInfinite), 3);
    std::uint8_t received[3] = {};
    EXPECT_EQ(::recv(server, received, 3, MSG_WAITALL), 3);
}

TEST_F(SocketCommLoopback, ReadWithoutBufferOrSizeReturnsAtOnce) {
    std::uint8_t buffer[8];
    const auto start = Clock::now();
    EXPECT_EQ(comm.Read(nullptr, 8, platform::kInfinite), 0);
    EXPECT_EQ(comm.Read(buffer, 0, platform::kInfinite), 0);
    EXPECT_LT(MillisecondsSince(start), 20);
}

TEST_F(SocketCommLoopback, ReadOnASilentConnectionTimesOutAfterItsWait) {
    std::uint8_t buffer[8];
    const auto start = Clock::now();
    EXPECT_EQ(comm.Read(buffer, sizeof buffer, 100), 0);
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 100);
    EXPECT_LT(elapsed, 250);
}

TEST_F(SocketCommLoopback, ReadReturnsDataThenMinusOneWhenThePeerCloses) {
    ASSERT_TRUE(SendAll(server, {7, 8, 9}));
    std::uint8_t buffer[8];
    EXPECT_EQ(comm.Read(buffer, sizeof buffer, 1000), 3);
    ::close(server);
    server = -1;
    EXPECT_EQ(comm.Read(buffer, sizeof buffer, 1000), -1);
}

TEST_F(SocketCommLoopback, CloseWakesABlockedReadAtOnce) {
    auto read = std::async(std::launch::async, [this] {
        std::uint8_t buffer[8];
        return comm.Read(buffer, sizeof buffer, platform::kInfinite);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto start = Clock::now();
    comm.Close();
    RecordProperty("close_ms", static_cast<int>(MillisecondsSince(start)));
    EXPECT_LT(MillisecondsSince(start), 150);
    ASSERT_EQ(read.wait_for(std::chrono::seconds(1)), std::future_status::ready);
    EXPECT_EQ(read.get(), -1);
    EXPECT_FALSE(comm.IsSocketOpen());
}

TEST_F(SocketCommLoopback, WritesToAPeerThatHasGoneFailWithoutSigpipe) {
    // The peer's kernel answers the first write after its close with a reset; the writes
    // after that meet a broken pipe, which would raise SIGPIPE.
    ::close(server);
    server = -1;
    const std::vector<std::uint8_t> request(32, 0x81);
    std::vector<std::int32_t> results;
    for (int i = 0; i < 5; ++i) {
        results.push_back(comm.Write(request.data(), 32, 1000));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(results.back(), -1);
    EXPECT_EQ(platform::GetLastError(), 10058u); // WSAESHUTDOWN
}

TEST_F(SocketCommLoopback, WriteWaitsForRoomAndGivesUpOrGoesOnWhenRoomCame) {
    // Fill the path until it stays full (the send buffer grows while it fills); the
    // server reads nothing.
    const std::vector<std::uint8_t> block(1024, 0x55);
    for (int stillFull = 0; stillFull < 3;) {
        if (comm.Write(block.data(), static_cast<std::uint32_t>(block.size()), 0) > 0) {
            stillFull = 0;
        } else {
            ++stillFull;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    auto start = Clock::now();
    EXPECT_EQ(comm.Write(block.data(), 32, 100), 0);
    EXPECT_GE(MillisecondsSince(start), 100);

    std::thread drain([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::vector<std::uint8_t> sink(1 << 20);
        while (::recv(server, sink.data(), sink.size(), MSG_DONTWAIT) > 0) {
        }
    });
    start = Clock::now();
    EXPECT_EQ(comm.Write(block.data(), 32, platform::kInfinite), 32);
    EXPECT_GE(MillisecondsSince(start), 250);
    drain.join();
}

TEST_F(SocketCommLoopback, WatcherHandsOnEveryReadOfABurstInPiecesOfAtMost1024) {
    ASSERT_TRUE(comm.StartWatcher());
    std::vector<std::uint8_t> burst(2000);
    for (std::size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(SendAll(server, burst));
    ASSERT_TRUE(comm.WaitForBytes(burst.size(), 2000));
    EXPECT_EQ(comm.Bytes(), burst);
    const auto chunks = comm.Chunks();
    EXPECT_GE(chunks.size(), 2u);
    for (const std::uint32_t chunk : chunks)
        EXPECT_LE(chunk, CSocketComm::kReceiveBufferSize);
    EXPECT_TRUE(comm.Events().empty());
}

TEST_F(SocketCommLoopback, PeerClosingAtOnceIsReportedOnceAndTheObjectEndsUp) {
    EXPECT_EQ(comm.State(), SocketState::Open);
    ASSERT_TRUE(comm.StartWatcher());
    EXPECT_EQ(comm.State(), SocketState::Watching);
    EXPECT_FALSE(comm.StartWatcher());
    const auto start = Clock::now();
    ::close(server);
    server = -1;
    ASSERT_TRUE(comm.WaitForEvents(1, 1000));
    EXPECT_LT(MillisecondsSince(start), 200);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(comm.Events(), std::vector<std::uint32_t>{ConnectionDropped});
    // Ended: the socket stays open and no second watcher starts until Close.
    EXPECT_EQ(comm.State(), SocketState::Ended);
    EXPECT_TRUE(comm.IsSocketOpen());
    EXPECT_FALSE(comm.StartWatcher());
    comm.Close();
    EXPECT_EQ(comm.State(), SocketState::Closed);
    EXPECT_FALSE(comm.IsSocketOpen());
    EXPECT_EQ(comm.Events().size(), 1u);
}

TEST_F(SocketCommLoopback, PeerResetIsReportedOnce) {
    ASSERT_TRUE(comm.StartWatcher());
    CloseWithReset(server);
    server = -1;
    ASSERT_TRUE(comm.WaitForEvents(1, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(comm.Events(), std::vector<std::uint32_t>{ConnectionDropped});
}

TEST_F(SocketCommLoopback, CloseWhileWatchingIsQuickAndRaisesNothing) {
    ASSERT_TRUE(comm.StartWatcher());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const auto start = Clock::now();
    comm.Close();
    RecordProperty("close_ms", static_cast<int>(MillisecondsSince(start)));
    EXPECT_LT(MillisecondsSince(start), 150);
    EXPECT_FALSE(comm.IsSocketOpen());
    EXPECT_TRUE(comm.Events().empty());
    // The server sees the orderly end.
    std::uint8_t byte;
    EXPECT_EQ(::recv(server, &byte, 1, 0), 0);
}

TEST_F(SocketCommLoopback, TheSameObjectServesTheNextConnection) {
    ASSERT_TRUE(comm.StartWatcher());
    comm.Close();
    ASSERT_TRUE(
        comm.OpenConnection("127.0.0.1", "127.0.0.1", PortText(listener.Port()), kInet, kStream));
    const int second = listener.Accept();
    ASSERT_GE(second, 0);
    ASSERT_TRUE(comm.StartWatcher());
    ASSERT_TRUE(SendAll(second, {0x81, 0x82}));
    EXPECT_TRUE(comm.WaitForBytes(2, 1000));
    ::close(second);
    EXPECT_TRUE(comm.WaitForEvents(1, 1000));
}

// A notification that closes the object it came from must not deadlock the watcher.
class SelfClosingComm : public RecordingComm {
public:
    void OnConnectionEvent(std::uint32_t code) override {
        RecordingComm::OnConnectionEvent(code);
        Close();
    }
};

TEST(SocketCommWatcher, CloseFromANotificationLeavesTheJoinToTheNextClose) {
    TcpListener listener;
    SelfClosingComm comm;
    ASSERT_TRUE(
        comm.OpenConnection("127.0.0.1", "127.0.0.1", PortText(listener.Port()), kInet, kStream));
    const int server = listener.Accept();
    ASSERT_TRUE(comm.StartWatcher());
    ::close(server);
    ASSERT_TRUE(comm.WaitForEvents(1, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(comm.IsSocketOpen());
    EXPECT_FALSE(comm.StartWatcher()); // the ended watcher is still held
    comm.Close();
    EXPECT_EQ(comm.Events().size(), 1u);
}

} // namespace
