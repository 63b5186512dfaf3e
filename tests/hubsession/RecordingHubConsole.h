#pragma once

#include "hubsession/HubConsole.h"

#include <cstdio>
#include <string>
#include <vector>

// Records the dispatcher's calls as readable lines, in order.
class RecordingHubConsole : public IHubConsole {
public:
    std::vector<std::string> calls;

    void ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) override {
        std::string flags;
        for (bool on : onLink) {
            flags += on ? '1' : '0';
        }
        calls.push_back("link " + flags);
    }
    void ShowHubIpAddress(std::uint32_t value) override { Record("ip", value); }
    void ShowHubSubnetMask(std::uint32_t value) override { Record("mask", value); }
    void ShowHubGateway(std::uint32_t value) override { Record("gateway", value); }
    void OnControllerNumberResult(const ControllerNumberResult& result) override {
        calls.push_back("number " + std::to_string(result.number) + " result " +
                        std::to_string(result.resultCode));
    }

private:
    void Record(const char* what, std::uint32_t value) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(value));
        calls.push_back(std::string(what) + " " + hex);
    }
};
