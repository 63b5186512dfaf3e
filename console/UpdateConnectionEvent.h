#pragma once

#include <QEvent>
#include <cstdint>

class CSocketManager;

// The window message number by which the socket layer reports a connection event to the
// console; it is the Qt event type of UpdateConnectionEvent.
inline constexpr int WM_UPDATE_CONNECTION = 0x9234;

// Posted to the console's window for every connection event the socket manager raises:
// the event's code, unchanged (codes above 3 too), the manager that raised it, never
// null, and the serial of the connection the event is about. The manager outlives every
// event it posts.
class UpdateConnectionEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_UPDATE_CONNECTION);

    UpdateConnectionEvent(std::uint32_t code, CSocketManager* manager, std::uint32_t connection)
        : QEvent(kType), code_(code), manager_(manager), connection_(connection) {}

    std::uint32_t Code() const { return code_; }
    CSocketManager* Manager() const { return manager_; }
    std::uint32_t Connection() const { return connection_; }

private:
    std::uint32_t code_;
    CSocketManager* manager_;
    std::uint32_t connection_;
};

static_assert(UpdateConnectionEvent::kType > QEvent::User &&
              UpdateConnectionEvent::kType < QEvent::MaxUser);
