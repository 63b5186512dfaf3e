#include "discovery/HubSearch.h"

#include "adapters/ImproperArgument.h"
#include "discovery/DiscoveryReply.h"
#include "tests/common/TextChecks.h"
#include "tests/support/FakeDiscoverySocket.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using platform::Ipv4Address;

namespace {

AdapterList OneEntry() {
    AdapterList adapters;
    adapters.addresses = {"198.18.20.1"};
    adapters.descriptions = {"veth"};
    adapters.connectionNames = {"kdh0"};
    adapters.subnetMasks = {"255.255.255.0"};
    adapters.subnetAddresses = {"198.18.20.0"};
    adapters.broadcastAddresses = {"198.18.20.255"};
    adapters.count = 1;
    return adapters;
}

struct Search {
    HubList hubs;
    std::string log;
    int Run(const AdapterList& adapters, platform::DiscoverySocket& socket) {
        return SearchHubs(
            adapters, hubs, [this](const std::string& line) { log += line; }, socket);
    }
};

} // namespace

TEST(HubSearch, StepsInOrderAndTheRequestOnThePort) {
    FakeDiscoverySocket socket;
    socket.incoming = {{"A\r\nB\r\n", {198, 18, 20, 9}}, {"A\r\nB\r\n", {198, 18, 20, 9}}};
    Search search;
    EXPECT_EQ(search.Run(OneEntry(), socket), 2);
    EXPECT_EQ(socket.calls,
              (std::vector<std::string>{"resolve 198.18.20.255", "create", "broadcast on",
                                        "resolve 198.18.20.1", "bind 1:30303", "send 255:30303",
                                        "broadcast off", "close"}));
    EXPECT_EQ(socket.sent.size(), 29u);
    EXPECT_EQ(socket.lastTimeout, 1000u);
    // The same hub answering twice is listed twice.
    EXPECT_EQ(search.hubs.hubAddresses, (Texts{"198.18.20.9", "198.18.20.9"}));
    EXPECT_EQ(search.log, "Поиск хабов в подсети 198.18.20.0\r\n"
                          "Обнаружен хаб: \"A\", 198.18.20.9, B\r\n"
                          "Обнаружен хаб: \"A\", 198.18.20.9, B\r\n");
}

TEST(HubSearch, ChosenIndexOutsideTheListAbandonsTheSearch) {
    FakeDiscoverySocket socket;
    Search search;
    search.hubs.hubAddresses = {"198.18.20.50"};
    search.hubs.hubModelTexts = {"old"};
    search.hubs.hubPhysicalAddresses = {"old"};
    AdapterList adapters = OneEntry();
    for (std::int32_t index : {1, -1}) {
        adapters.chosenIndex = index;
        EXPECT_THROW(search.Run(adapters, socket), ImproperArgument);
    }
    EXPECT_THROW(search.Run(AdapterList{}, socket), ImproperArgument);
    EXPECT_TRUE(search.log.empty());
    EXPECT_EQ(search.hubs.hubAddresses, Texts{"198.18.20.50"});
    EXPECT_TRUE(socket.calls.empty());
}

TEST(HubSearch, SetUpFailuresCountNoHubAndEmptyTheList) {
    for (const std::string step :
         {"resolve", "create", "broadcast on", "bind", "send", "broadcast off"}) {
        FakeDiscoverySocket socket;
        socket.failAt = step;
        socket.incoming = {{"A\r\nB\r\n", {198, 18, 20, 9}}};
        Search search;
        search.hubs.hubAddresses = {"198.18.20.50"};
        search.hubs.hubModelTexts = {"old"};
        search.hubs.hubPhysicalAddresses = {"old"};
        search.hubs.selectedHubIndex = 4;
        EXPECT_EQ(search.Run(OneEntry(), socket), 0) << step;
        EXPECT_EQ(search.log, "Поиск хабов в подсети 198.18.20.0\r\n"
                              "Хабы в подсети 198.18.20.0 не обнаружены\r\n")
            << step;
        EXPECT_TRUE(search.hubs.hubAddresses.empty() && search.hubs.hubModelTexts.empty() &&
                    search.hubs.hubPhysicalAddresses.empty());
        EXPECT_EQ(search.hubs.selectedHubIndex, 4);
        if (step != "resolve" && step != "create") {
            EXPECT_EQ(socket.calls.back(), "close") << step;
        }
    }
}

TEST(HubSearch, OversizedSkippedOwnDroppedFailedReadKeepsWhatWasCounted) {
    FakeDiscoverySocket socket;
    socket.incoming = {{"Discovery: Who is out there?", {198, 18, 20, 1}},
                       {std::string(1025, 'x'), {198, 18, 20, 6}},
                       {"Hub\r\n00-11-22-33-44-55\r\n", {198, 18, 20, 7}},
                       {"", {0, 0, 0, 0}, true},
                       {"Late\r\nX\r\n", {198, 18, 20, 8}}};
    Search search;
    EXPECT_EQ(search.Run(OneEntry(), socket), 1);
    EXPECT_EQ(search.hubs.hubAddresses, Texts{"198.18.20.7"});
    EXPECT_EQ(search.hubs.hubModelTexts, Texts{"Hub"});
    EXPECT_EQ(search.hubs.hubPhysicalAddresses, Texts{"00-11-22-33-44-55"});
    EXPECT_EQ(socket.incoming.size(), 1u); // the read failure ended the search
}

TEST(HubSearch, EmptyLocalAddressLeavesTheSocketUnbound) {
    FakeDiscoverySocket socket;
    HubList hubs;
    EXPECT_EQ(DiscoverHubs(
                  "198.18.20.255", "", hubs, [](const std::string&) {}, socket),
              0);
    for (const std::string& call : socket.calls)
        EXPECT_NE(call.rfind("bind", 0), 0u) << call;
}
