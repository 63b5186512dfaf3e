#include "adapters/AdapterReport.h"
#include "discovery/DiscoveryReply.h"
#include "discovery/HubSearch.h"
#include "tests/common/TextChecks.h"
#include "tests/support/Netns.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A hub of the test's own, on plain sockets: it waits for one query on the discovery
// port and sends the scripted answers, each after its delay, by unicast to the asker or
// by one of the two broadcasts.
class Responder {
public:
    enum class Via { Unicast, SubnetBroadcast, LimitedBroadcast };
    struct Answer {
        Via via;
        std::string bytes;
        std::chrono::milliseconds delay = 0ms;
    };

    Responder(const std::string& space, const std::string& device, std::vector<Answer> answers)
        : answers_(std::move(answers)) {
        std::promise<void> bound;
        auto ready = bound.get_future();
        thread_ = kntest::StartInNetns(space, [this, device, &bound] { Serve(device, bound); });
        ready.wait_for(5s);
    }
    ~Responder() { thread_.join(); }

    std::string query;       // the query as received
    std::string querySource; // "address:port"

private:
    void Serve(const std::string& device, std::promise<void>& bound) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, device.c_str(), device.size() + 1);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(DISCOVERY_PORT);
        ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any);
        bound.set_value();

        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 5000) == 1) {
            char buffer[2048];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, 0,
                                           reinterpret_cast<sockaddr*>(&from), &length);
            query.assign(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
            querySource = std::string(::inet_ntoa(from.sin_addr)) + ":" +
                          std::to_string(ntohs(from.sin_port));
            for (const Answer& answer : answers_) {
                std::this_thread::sleep_for(answer.delay);
                sockaddr_in to = from;
                if (answer.via == Via::SubnetBroadcast)
                    to.sin_addr.s_addr = from.sin_addr.s_addr | htonl(0xFF);
                else if (answer.via == Via::LimitedBroadcast)
                    to.sin_addr.s_addr = INADDR_BROADCAST;
                to.sin_port = htons(DISCOVERY_PORT);
                ::sendto(fd, answer.bytes.data(), answer.bytes.size(), 0,
                         reinterpret_cast<sockaddr*>(&to), sizeof to);
            }
        }
        ::close(fd);
    }

    std::vector<Answer> answers_;
    std::thread thread_;
};

// The technician's PC in one namespace and a hub in another, joined by a veth; the PC's
// adapter holds 198.18.20.1/24, the hub 198.18.20.2/24.
class HubSearchNetns : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = kntest::NetnsUnavailable(); !why.empty())
            GTEST_SKIP() << why;
        pcSpace_.emplace("pc");
        hubSpace_.emplace("hub");
        ASSERT_TRUE(pcSpace_->ok() && hubSpace_->ok()) << pcSpace_->Log() << hubSpace_->Log();
        pc_ = pcSpace_->Name();
        hub_ = hubSpace_->Name();
        ASSERT_TRUE(pcSpace_->Veth("kdh0", "198.18.20.1/24", *hubSpace_, "kdh1", "198.18.20.2/24"))
            << pcSpace_->Log() << hubSpace_->Log();
    }

    // Enumerates the PC's adapters and searches through its only entry.
    int Search(std::string& log, HubList& hubs, std::chrono::milliseconds& took) {
        int count = -1;
        kntest::RunInNetns(pc_, [&] {
            AdapterList adapters;
            auto source = platform::MakeAdapterSource();
            EnumerateAdapters(adapters, false, platform::kAdapterFamilyInet, *source);
            ASSERT_EQ(adapters.count, 1);
            const auto start = Clock::now();
            count = SearchHubs(adapters, hubs, [&](const std::string& line) { log += line; });
            took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        });
        return count;
    }

    std::optional<kntest::Netns> pcSpace_;
    std::optional<kntest::Netns> hubSpace_;
    std::string pc_;
    std::string hub_;
};

} // namespace

TEST_F(HubSearchNetns, RepliesByUnicastSubnetBroadcastAndLimitedBroadcastAreAllHeard) {
    using Via = Responder::Via;
    Responder responder(hub_, "kdh1",
                        {{Via::Unicast, "IPH-1 v1\r\n02-00-00-00-00-01\r\n"},
                         {Via::SubnetBroadcast, "IPH-2 v2\r\n02-00-00-00-00-02\r\n", 100ms},
                         {Via::LimitedBroadcast, "IPH-3 v3\r\n02-00-00-00-00-03\r\n", 100ms}});
    std::string log;
    HubList hubs;
    std::chrono::milliseconds took{};
    EXPECT_EQ(Search(log, hubs, took), 3);

    // The query left from the adapter's own address and the discovery port.
    EXPECT_EQ(responder.query, std::string("Discovery: Who is out there?", 29));
    EXPECT_EQ(responder.querySource, "198.18.20.1:30303");
    EXPECT_EQ(log, "Поиск хабов в подсети 198.18.20.0\r\n"
                   "Обнаружен хаб: \"IPH-1 v1\", 198.18.20.2, 02-00-00-00-00-01\r\n"
                   "Обнаружен хаб: \"IPH-2 v2\", 198.18.20.2, 02-00-00-00-00-02\r\n"
                   "Обнаружен хаб: \"IPH-3 v3\", 198.18.20.2, 02-00-00-00-00-03\r\n");
    EXPECT_EQ(hubs.hubModelTexts, (Texts{"IPH-1 v1", "IPH-2 v2", "IPH-3 v3"}));
    EXPECT_GE(took, 1200ms);
    EXPECT_LT(took, 1800ms);
}

TEST_F(HubSearchNetns, NobodyAnswersOneSecondAndOwnQueryIsNotAHub) {
    // The query comes back to the search's own socket: it is there, and it is not a hub.
    bool ownQueryHeard = false;
    kntest::RunInNetns(pc_, [&] {
        auto socket = platform::MakeDiscoverySocket();
        ASSERT_TRUE(socket->Create() && socket->SetBroadcast(true) &&
                    socket->Bind({198, 18, 20, 1}, 30301) &&
                    socket->SendTo({198, 18, 20, 255}, 30301, DiscoveryRequest()));
        std::uint8_t buffer[64];
        platform::ReceivedDatagram datagram;
        ownQueryHeard = socket->Poll(500) > 0 && socket->Receive(buffer, datagram) &&
                        datagram.source == platform::Ipv4Address{198, 18, 20, 1};
    });
    EXPECT_TRUE(ownQueryHeard);

    std::string log;
    HubList hubs;
    std::chrono::milliseconds took{};
    EXPECT_EQ(Search(log, hubs, took), 0);
    EXPECT_EQ(log, "Поиск хабов в подсети 198.18.20.0\r\n"
                   "Хабы в подсети 198.18.20.0 не обнаружены\r\n");
    EXPECT_TRUE(hubs.hubAddresses.empty());
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 1600ms);
}

TEST_F(HubSearchNetns, OversizedDatagramSkippedFullBufferTakenLateReplyMissed) {
    using Via = Responder::Via;
    const std::string full = "FULL\r\n" + std::string(1018, 'z');
    Responder responder(hub_, "kdh1",
                        {{Via::Unicast, std::string(1500, 'x')},
                         {Via::Unicast, full, 50ms},
                         {Via::Unicast, "After\r\n02-00-00-00-00-09\r\n", 300ms},
                         {Via::Unicast, "Late\r\nX\r\n", 1300ms}});
    std::string log;
    HubList hubs;
    std::chrono::milliseconds took{};
    EXPECT_EQ(Search(log, hubs, took), 2);
    EXPECT_EQ(hubs.hubModelTexts, (Texts{"FULL", "After"}));
    EXPECT_EQ(hubs.hubPhysicalAddresses, (Texts{std::string(511, 'z'), "02-00-00-00-00-09"}));
    EXPECT_LT(took, 1800ms);
}

TEST_F(HubSearchNetns, PortTakenOnTheAdapterCountsNoHub) {
    int blocker = -1;
    kntest::RunInNetns(pc_, [&] {
        blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(DISCOVERY_PORT);
        ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    });
    std::string log;
    HubList hubs;
    std::chrono::milliseconds took{};
    EXPECT_EQ(Search(log, hubs, took), 0);
    EXPECT_TRUE(log.ends_with("Хабы в подсети 198.18.20.0 не обнаружены\r\n"));
    EXPECT_LT(took, 500ms); // given up at the bind, without waiting for replies
    ::close(blocker);
}

TEST_F(HubSearchNetns, FiveHundredRepliesAtOnceAreAllCounted) {
    std::vector<Responder::Answer> burst;
    for (int i = 0; i < 500; ++i)
        burst.push_back(
            {Responder::Via::Unicast, "IPH-" + std::to_string(i) + " v1\r\n02-00-00-00-00-01\r\n"});
    Responder responder(hub_, "kdh1", std::move(burst));
    std::string log;
    HubList hubs;
    std::chrono::milliseconds took{};
    EXPECT_EQ(Search(log, hubs, took), 500);
    ASSERT_EQ(hubs.hubModelTexts.size(), 500u);
    EXPECT_EQ(hubs.hubModelTexts.back(), "IPH-499 v1");
}
