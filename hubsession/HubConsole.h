#pragma once

#include "hubsession/HubMessage.h"

#include <array>
#include <cstdint>

// What the hub session's dispatcher needs of the console. Every call comes on the watcher
// thread; the console stores what must be seen at once (link flags, the answered flag)
// and carries every change of its controls to its own thread, in the order of the calls.
class IHubConsole {
public:
    virtual ~IHubConsole() = default;

    // An accepted link status: the link flags of controllers 1..4.
    virtual void ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) = 0;
    virtual void ShowHubIpAddress(std::uint32_t address) = 0;
    virtual void ShowHubSubnetMask(std::uint32_t mask) = 0;
    virtual void ShowHubGateway(std::uint32_t gateway) = 0;
    virtual void OnControllerNumberResult(const ControllerNumberResult& result) = 0;
};
