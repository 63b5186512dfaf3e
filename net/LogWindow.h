#pragma once

#include <cstdint>
#include <string>

class CSocketManager;

// The console's event log as the socket layer sees it: the log control and the window
// that owns it. The socket manager writes its lines and reports connection events
// through this, from the watcher thread; the console implements it.
class ILogWindow {
public:
    virtual ~ILogWindow() = default;

    // Appends text (whole lines with their own "\r\n") at the end of the log. Any thread:
    // the text travels to the console thread as a queued event, in order, never dropped,
    // and the caller never waits for the console thread.
    virtual void AppendToLog(const std::string& text) = 0;

    // Posts WM_UPDATE_CONNECTION to the window that owns the log, with the event code, the
    // manager that raised it and the serial of the connection it is about (the window
    // acts only on an event of the connection that is open now). Never waits for the
    // window to handle it.
    virtual void PostUpdateConnection(std::uint32_t code, CSocketManager* manager,
                                      std::uint32_t connection) = 0;
};
