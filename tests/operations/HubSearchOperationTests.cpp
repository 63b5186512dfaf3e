// The search of an adapter's subnet as an operation: its rows and their conflicts, the
// PC's side after an empty search, and the wait for one hub to answer at an address.
#include "operations/HubSearchOperation.h"
#include "tests/operations/SessionFixture.h"

using namespace std::chrono_literals;

namespace {

class SearchOperation : public SessionFixture {
protected:
    static AdapterEntry Adapter() {
        AdapterEntry adapter;
        adapter.interfaceName = "test0";
        adapter.address = *Ipv4::Parse("198.18.20.1");
        adapter.mask = *Ipv4::Parse("255.255.255.0");
        adapter.subnet = *Ipv4::Parse("198.18.20.0");
        adapter.broadcast = *Ipv4::Parse("198.18.20.255");
        return adapter;
    }
    void Reply(const std::string& physical, platform::Ipv4Address from) {
        discovery.incoming.push_back({"IPH-4 2.05\r\n" + physical + "\r\n", from});
    }
    SearchOutcome Search() {
        std::optional<SearchOutcome> outcome;
        SearchAdapter(
            clock, Services(nullptr), Adapter(), [this](const std::string& lines) { log += lines; },
            [&](SearchOutcome&& found) { outcome = std::move(found); });
        clock.RunPending();
        EXPECT_TRUE(outcome);
        return outcome.value_or(SearchOutcome{});
    }
    bool WaitFor(const char* address, const std::string& physical) {
        std::optional<bool> found;
        WaitForHubAt(clock, Services(nullptr), Adapter(), *Ipv4::Parse(address),
                     ComparablePhysicalAddress(physical), 300ms, {}, [&](bool f) { found = f; });
        clock.RunPending();
        EXPECT_TRUE(found);
        return found.value_or(false);
    }

    std::string log;
};

TEST_F(SearchOperation, GivesItsRowsInOrderWithTheirConflicts) {
    Reply("02-00-5E-12-14-0B", {198, 18, 20, 11});
    Reply("02-00-5E-12-14-0C", {198, 18, 20, 11}); // another hub at the same address
    Reply("02-00-5E-12-15-0D", {198, 18, 21, 13}); // one of another subnet
    const SearchOutcome outcome = Search();
    EXPECT_EQ(outcome.count, 3);
    EXPECT_EQ(outcome.hubs.hubAddresses,
              (std::vector<std::string>{"198.18.20.11", "198.18.20.11", "198.18.21.13"}));
    ASSERT_EQ(outcome.conflicts.size(), 3u);
    EXPECT_EQ(outcome.conflicts[0].otherPhysicalAddresses,
              std::vector<std::string>{"02-00-5E-12-14-0C"});
    EXPECT_EQ(outcome.conflicts[1].otherPhysicalAddresses,
              std::vector<std::string>{"02-00-5E-12-14-0B"});
    EXPECT_TRUE(outcome.conflicts[2].outsideSubnet);
    EXPECT_TRUE(outcome.conflicts[2].otherPhysicalAddresses.empty());
    // A search that found hubs does not look at the PC's side.
    EXPECT_FALSE(outcome.facts);
    EXPECT_TRUE(diagnosis->asked.empty());
    EXPECT_EQ(log.rfind("Поиск хабов в подсети 198.18.20.0\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("198.18.21.13, 02-00-5E-12-15-0D\r\n"), std::string::npos) << log;
}

TEST_F(SearchOperation, AnEmptySearchReadsThePcsSideOfTheAdapterSearched) {
    diagnosis->facts.enabled.value = true;
    diagnosis->facts.carrier.value = false;
    const SearchOutcome outcome = Search();
    EXPECT_EQ(outcome.count, 0);
    ASSERT_TRUE(outcome.facts);
    EXPECT_EQ(diagnosis->asked, std::vector<std::string>{"test0"});
    EXPECT_EQ(diagnosis->ports, std::vector<std::uint16_t>{30303});
    ASSERT_FALSE(outcome.findings.empty());
    EXPECT_EQ(outcome.findings[0].check, SearchCheck::Cable);
    EXPECT_EQ(outcome.findings[0].verdict, SearchVerdict::Wrong);
}

TEST_F(SearchOperation, WaitForHubAtFindsOnlyTheHubItWaitsFor) {
    Reply("02-00-5E-12-14-0B", {198, 18, 20, 11});
    EXPECT_TRUE(WaitFor("198.18.20.11", "02:00:5e:12:14:0b"));
    EXPECT_TRUE(WaitFor("198.18.20.11", ""));                   // any hub there
    EXPECT_FALSE(WaitFor("198.18.20.11", "02-00-5E-12-14-0C")); // another hub's
    EXPECT_FALSE(WaitFor("198.18.20.12", ""));                  // nobody there
}

} // namespace
