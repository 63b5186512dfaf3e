#pragma once

#include "hubsession/HubConsole.h"

#include <QStringList>

// Records the dispatcher's calls as readable lines, in order.
class RecordingHubConsole : public IHubConsole {
public:
    QStringList calls;

    void ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) override {
        QString flags;
        for (bool on : onLink) {
            flags += on ? QLatin1Char('1') : QLatin1Char('0');
        }
        calls << QStringLiteral("link %1").arg(flags);
    }
    void ShowHubIpAddress(std::uint32_t value) override { Record("ip", value); }
    void ShowHubSubnetMask(std::uint32_t value) override { Record("mask", value); }
    void ShowHubGateway(std::uint32_t value) override { Record("gateway", value); }
    void OnControllerNumberResult(const ControllerNumberResult& result) override {
        calls << QStringLiteral("number %1 result %2").arg(result.number).arg(result.resultCode);
    }

private:
    void Record(const char* what, std::uint32_t value) {
        calls << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(value, 8, 16, QLatin1Char('0'));
    }
};
