#pragma once

#include "net/SocketComm.h"

#include <atomic>
#include <cstdint>
#include <string>

class ILogWindow;

// Joins the socket communication object to the console: writes the watcher's connection
// events into the event log and posts them to the console's window as
// WM_UPDATE_CONNECTION. Without a log window nothing is written or posted.
class CSocketManager : public CSocketComm {
public:
    CSocketManager() = default;
    ~CSocketManager() override;

    // The console's log, set once before any socket is opened. Not owned.
    void SetLogWindow(ILogWindow* window);

    // Appends whole lines (with their "\r\n") to the log from any thread; nothing without
    // a log window. The session and the search write their lines through this.
    void AppendToLog(const std::string& text);

    // The log text of a ConnectionEvent code; empty for a code above 3.
    static std::string ConnectionEventText(std::uint32_t code);

    // Hands the bytes to ShowReceived with the peer's address.
    void OnReceive(const std::uint8_t* data, std::uint32_t count) override;
    // Appends the event's text and then posts WM_UPDATE_CONNECTION with the code, this
    // object and the serial of the watched connection; the watcher never waits for the
    // console.
    void OnConnectionEvent(std::uint32_t code) override;

    // Shows received data in the log; the hub session supplies it. Here: nothing.
    virtual void ShowReceived(const std::uint8_t* data, std::uint32_t count,
                              const platform::SocketAddressV4& from);

private:
    std::atomic<ILogWindow*> logWindow{nullptr};
};
