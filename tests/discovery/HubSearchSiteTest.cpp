#include "adapters/AdapterReport.h"
#include "discovery/HubSearch.h"
#include "tests/common/TextChecks.h"
#include "tests/support/Netns.h"
#include "tests/support/TestSite.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

// The search against the hub simulator on the test site: hubs in namespaces of their own
// behind a bridge, the PC in another, every hub with its own way of answering.
namespace {

class HubSearchSite : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!TestSite::Available(&why))
            GTEST_SKIP() << why;
        const int number = ::getpid() % 100;
        subnet_ = 100 + number;
        site_ = std::make_unique<TestSite>(TestSiteOptions{
            .prefix = "kd" + std::string(number < 10 ? "0" : "") + std::to_string(number),
            .subnet = subnet_,
            .hubs = 5,
            .perHubArgs = {{1, "--reply unicast"},
                           {2, "--reply subnet --model IPH-8"},
                           {3, "--reply broadcast"},
                           {4, "--fault discovery-oversized"},
                           {5, "--fault discovery-late"}}});
        ASSERT_TRUE(site_->ok()) << site_->whyNot();
    }

    std::string Net(int host) const {
        return "198.18." + std::to_string(subnet_) + "." + std::to_string(host);
    }

    std::unique_ptr<TestSite> site_;
    int subnet_ = 0;
};

} // namespace

TEST_F(HubSearchSite, EveryRouteOfReplyIsHeardOversizedSkippedLateMissed) {
    AdapterList adapters;
    HubList hubs;
    std::string log;
    int count = -1;
    kntest::RunInNetns(site_->PcNamespace(), [&] {
        auto source = platform::MakeAdapterSource();
        EnumerateAdapters(adapters, false, platform::kAdapterFamilyInet, *source);
        count = SearchHubs(adapters, hubs, [&](const std::string& line) { log += line; });
    });
    ASSERT_EQ(adapters.addresses, Texts{Net(1)});
    EXPECT_EQ(count, 3) << log;

    // Hubs answer in no fixed order; each must be there once, with its own texts.
    Texts seen = hubs.hubAddresses;
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (Texts{Net(11), Net(12), Net(13)}));
    for (std::size_t i = 0; i < hubs.hubAddresses.size(); ++i) {
        const std::string& address = hubs.hubAddresses[i];
        const int host = std::stoi(address.substr(address.rfind('.') + 1));
        char physical[18];
        std::snprintf(physical, sizeof physical, "02-00-5E-12-%02X-%02X", subnet_, host);
        EXPECT_EQ(hubs.hubPhysicalAddresses[i], physical);
        EXPECT_EQ(hubs.hubModelTexts[i], host == 12 ? "IPH-8 2.05" : "IPH-4 2.05");
        EXPECT_TRUE(Contains(log, "Обнаружен хаб: \"" + hubs.hubModelTexts[i] + "\", " +
                                      hubs.hubAddresses[i] + ", " + hubs.hubPhysicalAddresses[i] +
                                      "\r\n"));
    }
    EXPECT_TRUE(log.starts_with("Поиск хабов в подсети " + Net(0) + "\r\n"));
}
