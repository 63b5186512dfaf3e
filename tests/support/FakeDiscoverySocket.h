#pragma once

#include "platform/DiscoverySocket.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

// A socket whose failures the test chooses: a read that fails half-way through a search,
// a send that fails, cannot be brought about on a real socket at will.
class FakeDiscoverySocket : public platform::DiscoverySocket {
public:
    struct Incoming {
        std::string bytes;
        platform::Ipv4Address source;
        bool readFails = false;
    };
    std::deque<Incoming> incoming;
    std::string failAt; // "create", "bind", "send", "broadcast", "resolve"
    std::vector<std::string> calls;

    std::optional<platform::Ipv4Address> Resolve(const std::string& text) override {
        calls.push_back("resolve " + text);
        if (failAt == "resolve")
            return std::nullopt;
        const int last = std::stoi(text.substr(text.rfind('.') + 1));
        return platform::Ipv4Address{198, 18, 20, static_cast<std::uint8_t>(last)};
    }
    bool Create() override { return Step("create"); }
    bool SetBroadcast(bool enabled) override {
        return Step(enabled ? "broadcast on" : "broadcast off");
    }
    bool Bind(const platform::Ipv4Address& local, std::uint16_t port) override {
        return Step("bind " + std::to_string(local[3]) + ":" + std::to_string(port));
    }
    bool SendTo(const platform::Ipv4Address& destination, std::uint16_t port,
                std::span<const std::uint8_t> data) override {
        sent.assign(data.begin(), data.end());
        return Step("send " + std::to_string(destination[3]) + ":" + std::to_string(port));
    }
    int Poll(std::uint32_t timeoutMs) override {
        lastTimeout = timeoutMs;
        return incoming.empty() ? 0 : 1;
    }
    bool Receive(std::span<std::uint8_t> buffer, platform::ReceivedDatagram& datagram) override {
        const Incoming next = incoming.front();
        incoming.pop_front();
        if (next.readFails)
            return false;
        datagram.fullLength = next.bytes.size();
        datagram.length = std::min(buffer.size(), next.bytes.size());
        std::copy_n(next.bytes.begin(), datagram.length, buffer.begin());
        datagram.source = next.source;
        return true;
    }
    void Close() override { calls.push_back("close"); }

    std::vector<std::uint8_t> sent;
    std::uint32_t lastTimeout = 0;

private:
    bool Step(const std::string& step) {
        calls.push_back(step);
        return failAt.empty() || step.rfind(failAt, 0) != 0;
    }
};

