#pragma once

// The hub operations on their own: no window, no root. A virtual clock, fake OS services,
// and hubs of the test's own on loopback that play a simple hub and keep every request
// they were sent.
#include "operations/HubSession.h"
#include "tests/support/FakeHubPc.h"
#include "tests/support/ScriptedHub.h"
#include "tests/support/VirtualClock.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// How a loopback hub behaves on each connection.
struct HubPlay {
    bool dropAtOnce = false; // resets the connection before it says anything
    bool sendsStatus = true; // the link status, at once
    std::array<bool, kControllerCount> link{true, false, false, false};
    bool answersParameters = true;
    std::uint32_t address = 0x7F000001, mask = 0xFF000000, gateway = 0x7F0000FE;
    enum class Number { Answer, Silent, Drop } number = Number::Answer;
    std::optional<std::uint8_t>
        answeredNumber{}; // the number in the result; the asked one if unset
    std::uint8_t resultCode = 0;
};

// A hub on 127.0.0.1 at a port of the system's choosing.
class LoopbackHub {
public:
    explicit LoopbackHub(HubPlay play = {})
        : play_(play), hub_(
                           "", "127.0.0.1", [this](scripted::Connection& c) { Serve(c); }, 0) {}

    bool ok() const { return hub_.ok(); }
    std::string Port() const { return std::to_string(hub_.Port()); }

    // The requests received so far, once there are at least count of them (5 s at most).
    std::vector<scripted::Bytes> Requests(std::size_t count) {
        std::unique_lock lock(mutex_);
        received_.wait_for(lock, std::chrono::seconds(5),
                           [&] { return requests_.size() >= count; });
        return requests_;
    }

private:
    void Serve(scripted::Connection& connection) {
        if (play_.dropAtOnce) {
            connection.Reset();
            return;
        }
        if (play_.sendsStatus) {
            const auto& l = play_.link;
            connection.Send(scripted::LinkStatus(l[0], l[1], l[2], l[3]));
        }
        while (const auto request = connection.Request(10000)) {
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(*request);
            }
            received_.notify_all();
            const std::uint8_t code = (*request)[3];
            if (code == 0x81 && play_.answersParameters) {
                connection.Send(scripted::IpParameters(play_.address, play_.mask, play_.gateway));
            } else if (code == 0x82 && play_.number == HubPlay::Number::Drop) {
                connection.Reset();
                return;
            } else if (code == 0x82 && play_.number == HubPlay::Number::Answer) {
                connection.Send(scripted::NumberResult(play_.answeredNumber.value_or((*request)[4]),
                                                       play_.resultCode));
            }
        }
    }

    const HubPlay play_;
    std::mutex mutex_;
    std::condition_variable received_;
    std::vector<scripted::Bytes> requests_;
    scripted::Hub hub_; // last: its thread serves until this goes
};

// A session and everything it reported, in order.
struct SessionUnderTest {
    std::unique_ptr<HubSession> session;
    std::vector<watcher::Report> reports;
    std::optional<HubSession::OpenOutcome> opened;

    // The parameters the session's handler was given, as they came.
    std::vector<std::uint32_t> ParameterValues() const {
        std::vector<std::uint32_t> values;
        for (const auto& report : reports)
            if (const auto* parameter = std::get_if<watcher::HubParameter>(&report))
                values.push_back(parameter->value);
        return values;
    }
    bool Dropped() const {
        for (const auto& report : reports)
            if (std::holds_alternative<watcher::Connection>(report))
                return true;
        return false;
    }
};

class SessionFixture : public testing::Test, protected FakeHubPc {
protected:
    HubServices Services(const LoopbackHub* hub) {
        HubServices services;
        UseFakes(services, hub ? hub->Port() : std::string());
        return services;
    }

    // A hub on loopback that plays play; owned by the fixture, outliving every session.
    LoopbackHub& Hub(HubPlay play = {}) {
        hubs.push_back(std::make_unique<LoopbackHub>(play));
        EXPECT_TRUE(hubs.back()->ok());
        return *hubs.back();
    }

    std::unique_ptr<SessionUnderTest> NewSession(const LoopbackHub* hub) {
        return NewSession(Services(hub));
    }
    std::unique_ptr<SessionUnderTest> NewSession(const HubServices& services) {
        auto under = std::make_unique<SessionUnderTest>();
        under->session = std::make_unique<HubSession>(clock, services, false);
        under->session->SetReportHandler([reports = &under->reports](watcher::Report&& report) {
            reports->push_back(std::move(report));
        });
        return under;
    }

    // Starts an open of the session to 127.0.0.1; its outcome lands in opened.
    void StartOpen(SessionUnderTest& under, bool needParameters = true) {
        under.session->Open("127.0.0.1", "", needParameters,
                            [&under](const HubSession::OpenOutcome& outcome) {
                                EXPECT_FALSE(under.opened) << "an open finished twice";
                                under.opened = outcome;
                            });
    }

    // A session to hub, opened with its status and parameters.
    std::unique_ptr<SessionUnderTest> Opened(LoopbackHub& hub) {
        auto under = NewSession(&hub);
        StartOpen(*under);
        EXPECT_TRUE(clock.RunUntil([&] { return under->opened.has_value(); }));
        EXPECT_TRUE(under->opened && under->opened->failure == HubSession::OpenFailure::None);
        return under;
    }

    // Waits until the hub has the next request after the count it had, and returns it.
    static scripted::Bytes NextRequest(LoopbackHub& hub, std::size_t before) {
        const auto requests = hub.Requests(before + 1);
        EXPECT_EQ(requests.size(), before + 1);
        return requests.size() > before ? requests[before] : scripted::Bytes{};
    }

    // Nothing was sent since the hub had count requests: a parameters request now is the
    // very next thing it reads.
    void ExpectNothingSentSince(SessionUnderTest& under, LoopbackHub& hub, std::size_t count) {
        ASSERT_TRUE(under.session->RequestParameters());
        EXPECT_EQ(NextRequest(hub, count)[3], 0x81);
    }

    VirtualClock clock;
    // Hubs before sessions: a session goes first, and its hub's script sees the close.
    std::vector<std::unique_ptr<LoopbackHub>> hubs;
};
