#pragma once

// The console on its logic alone: a recording view, fake OS services, a virtual clock,
// and for the session a hub of the test's own on loopback. No root, no real waits.
#include "console/KestruneDlg.h"
#include "resources/ConsoleTemplate.h"
#include "tests/console/RecordingView.h"
#include "tests/support/FakeHubPc.h"
#include "tests/support/ScriptedHub.h"
#include "tests/support/VirtualClock.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

inline const std::string kTitle = kTitleLine;

class ConsoleFlow : public testing::Test, protected FakeHubPc {
protected:
    // count adapter entries, entry i at 198.18.(20+i).1/24; or one at 127.0.0.1/8.
    void Adapters(int count, bool loopback = false) {
        for (int i = 0; i < count; ++i) {
            const platform::Ipv4Address address =
                loopback ? platform::Ipv4Address{127, 0, 0, 1}
                         : platform::Ipv4Address{198, 18, static_cast<std::uint8_t>(20 + i), 1};
            const platform::Ipv4Address mask = loopback ? platform::Ipv4Address{255, 0, 0, 0}
                                                        : platform::Ipv4Address{255, 255, 255, 0};
            adapters->adapters.push_back(FakeAdapterSource::Adapter(
                platform::kIfTypeEthernet, "Test adapter", "test" + std::to_string(i), {address}));
            adapters->rows.push_back(
                FakeAdapterSource::Row(address, static_cast<std::uint32_t>(i + 2), mask));
        }
    }

    ConsoleServices Services() {
        ConsoleServices services;
        UseFakes(services, hub ? std::to_string(hub->Port()) : std::string());
        return services;
    }

    // The window's start: set-up, first paint, and whatever that starts.
    void Open(bool debug = false) {
        console = std::make_unique<CKestruneDlg>(view, clock, debug, Services());
        console->OnInitDialog();
        console->OnFirstPaint();
        clock.RunPending();
    }

    void Reply(std::string bytes, std::uint8_t last) {
        discovery.incoming.push_back({std::move(bytes), {198, 18, 20, last}});
    }

    void Click(void (CKestruneDlg::*handler)()) {
        console->RunHandler([this, handler] { ((*console).*handler)(); });
    }

    // A hub on loopback that plays script on each connection.
    void Hub(scripted::Script script) {
        hub = std::make_unique<scripted::Hub>("", "127.0.0.1", std::move(script), 0);
        ASSERT_TRUE(hub->ok()) << hub->whyNot();
    }

    // Connects to the loopback hub and waits for its first status and parameters.
    void Connect() {
        view.SetAddressText(IDC_CONNECT_ADDRESS, "127.0.0.1");
        Click(&CKestruneDlg::ConnectToHub);
        ASSERT_TRUE(clock.RunUntil([this] {
            return view.ControlText(IDC_WRITE_NUMBER) == "Записать" &&
                   !view.AddressText(IDC_HUB_GATEWAY).empty();
        })) << view.log;
    }

    bool LogHas(const std::string& text) const { return view.log.find(text) != std::string::npos; }

    std::unique_ptr<scripted::Hub> hub;
    RecordingView view;
    VirtualClock clock;
    std::unique_ptr<CKestruneDlg> console;
};

// A hub that answers the parameters request and tells its link status, then plays on.
inline scripted::Script AnsweringHub(std::function<void(scripted::Connection&)> then = {}) {
    return [then](scripted::Connection& connection) {
        connection.Send(scripted::LinkStatus(true, false, false, false));
        if (connection.Request(5000))
            connection.Send(scripted::IpParameters(0x7F000001, 0xFF000000, 0x7F0000FE));
        if (then)
            then(connection);
        connection.WaitForClose(10000);
    };
}
