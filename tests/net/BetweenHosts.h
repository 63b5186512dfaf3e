#pragma once

#include "tests/net/NetnsHarness.h"

#include <gtest/gtest.h>
#include <memory>

namespace kntest {

// A test between the technician's PC and one hub (TwoHosts): the test thread works from
// the PC's namespace; the hub's side is reached with a ScopedNetns of the hub's own.
template <typename Base = ::testing::Test> class BetweenHosts : public Base {
protected:
    void SetUp() override {
        if (!RunningAsRoot())
            GTEST_SKIP() << "needs root to make network namespaces";
        hosts = std::make_unique<TwoHosts>();
        ASSERT_TRUE(hosts->Ok());
        atPc = std::make_unique<ScopedNetns>(hosts->Pc().Name());
        ASSERT_TRUE(atPc->Ok());
    }
    void TearDown() override {
        atPc.reset();
        hosts.reset();
    }
    // For a derived SetUp: whether this one ended the test early.
    bool Stopped() const { return this->IsSkipped() || this->HasFatalFailure(); }

    std::unique_ptr<TwoHosts> hosts;
    std::unique_ptr<ScopedNetns> atPc;
};

} // namespace kntest
