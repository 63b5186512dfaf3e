#pragma once

#include "tests/support/Netns.h"
#include "tests/support/TestSite.h"

#include <gtest/gtest.h>
#include <iostream>
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
    std::optional<kntest::NetnsScope> pc;
};

// One test site for all the tests of Suite, built as Suite::SiteOptions() (public) says
// before the first and torn down after the last; each test enters it in SetUp. Base is
// SiteTest or a class derived from it; a suite whose tests do more on arrival (open the
// console) overrides SetUp.
template <typename Suite, typename Base = SiteTest> class SiteSuite : public Base {
protected:
    static void SetUpTestSuite() { SiteTest::Start(SuiteShared(), Suite::SiteOptions()); }
    static void TearDownTestSuite() { SuiteShared().site.reset(); }
    static SiteTest::Shared& SuiteShared() {
        static SiteTest::Shared instance;
        return instance;
    }
    void SetUp() override { this->Enter(SuiteShared()); }
};
