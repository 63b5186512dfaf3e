#pragma once

#include "tests/support/NetnsScope.h"
#include "tests/support/TestSite.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

// One test site for all tests of a suite (building one takes about half a second),
// with each test's thread in the PC's namespace and every hub back in its start-up
// state before the test.
class SiteTest : public ::testing::Test {
protected:
    struct Shared {
        std::unique_ptr<TestSite> site;
        std::string unavailable;
    };

    static void Start(Shared& shared, const TestSiteOptions& options) {
        if (TestSite::Available(&shared.unavailable)) {
            shared.site = std::make_unique<TestSite>(options);
        }
    }

    void Enter(Shared& shared) {
        if (!shared.unavailable.empty()) {
            GTEST_SKIP() << shared.unavailable;
        }
        ASSERT_TRUE(shared.site->ok()) << shared.site->whyNot();
        site = shared.site.get();
        for (int i = 1; i <= site->HubCount(); ++i) {
            ASSERT_EQ(site->Control(i, "reset"), "ok");
        }
        pc.emplace(site->PcNamespace());
        ASSERT_TRUE(pc->ok()) << pc->whyNot();
    }

    void TearDown() override {
        pc.reset();
        if (site != nullptr && HasFailure()) {
            for (int i = 1; i <= site->HubCount(); ++i) {
                std::cerr << "hub " << i << " log:\n" << site->HubLog(i);
            }
        }
    }

    // Expects "ok" from hub i; for use inside tests.
    void Tell(int i, const std::string& command) {
        ASSERT_EQ(site->Control(i, command), "ok") << command;
    }

    TestSite* site = nullptr;
    std::optional<NetnsScope> pc;
};
