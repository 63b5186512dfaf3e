#pragma once

#include "tests/tools/SharedSite.h"

// One test site for all the tests of Suite, built as Suite::SiteOptions() says before
// the first and torn down after the last. Base is SiteTest or a class derived from it.
template <typename Suite, typename Base = SiteTest> class SiteSuite : public Base {
protected:
    static void SetUpTestSuite() { SiteTest::Start(SuiteShared(), Suite::SiteOptions()); }
    static void TearDownTestSuite() { SuiteShared().site.reset(); }
    static SiteTest::Shared& SuiteShared() {
        static SiteTest::Shared instance;
        return instance;
    }
};
