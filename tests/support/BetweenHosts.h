#pragma once

#include "tests/support/Netns.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace kntest {

// A test between the technician's PC and one hub (TwoHosts): the test thread works from
// the PC's namespace; the hub's side is reached with a NetnsScope of the hub's own.
template <typename Base = ::testing::Test> class BetweenHosts : public Base {
protected:
    void SetUp() override {
        if (const std::string why = NetnsUnavailable(); !why.empty())
            GTEST_SKIP() << why;
        hosts = std::make_unique<TwoHosts>();
        ASSERT_TRUE(hosts->Ok());
        atPc = std::make_unique<NetnsScope>(hosts->Pc().Name());
        ASSERT_TRUE(atPc->ok());
    }
    void TearDown() override {
        atPc.reset();
        hosts.reset();
    }
    // For a derived SetUp: whether this one ended the test early.
    bool Stopped() const { return this->IsSkipped() || this->HasFatalFailure(); }

    std::unique_ptr<TwoHosts> hosts;
    std::unique_ptr<NetnsScope> atPc;
};

} // namespace kntest
