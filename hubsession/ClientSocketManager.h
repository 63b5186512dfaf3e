#pragma once

#include "net/SocketManager.h"

#include <atomic>

class IHubConsole;

// The hub session's socket manager: every block the watcher reads is one or more hub
// messages, dumped to the log in debug mode and handed to the console by their codes.
class CClientSocketManager : public CSocketManager {
public:
    explicit CClientSocketManager(bool debugMode);
    ~CClientSocketManager() override;

    // The console the dispatcher reports to; set once, before any connection opens.
    void SetConsole(IHubConsole* console);

    void OnReceive(const std::uint8_t* data, std::uint32_t count) override;
    // Debug mode: "<<" and every byte as "XX " on one log line.
    void ShowReceived(const std::uint8_t* data, std::uint32_t count,
                      const platform::SocketAddressV4& from) override;

    const bool debugMode;

private:
    std::atomic<IHubConsole*> console_{nullptr};
};
