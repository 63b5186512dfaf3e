#pragma once

#include "EventLoop.h"
#include "Wire.h"

#include <chrono>
#include <deque>
#include <string>

// One console connection to a hub. Reads the console's requests in 32-byte units
// whatever the reads deliver, and writes the hub's messages, each queued chunk in
// one send, so that the write boundaries a fault asks for reach the wire.
namespace hubsim {

class SessionOwner {
public:
    virtual ~SessionOwner() = default;
    virtual void OnRequest(ByteView message) = 0;
    // The console closed the connection or it failed; the session is closed already.
    virtual void OnSessionEnded(const std::string& why) = 0;
};

class Session {
public:
    Session(EventLoop& loop, int fd, std::string peer, SessionOwner& owner, const bool& verbose,
            std::string tag);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Queues one chunk; it leaves in one send no earlier than gap from now, and after
    // every chunk queued before it.
    void Send(Bytes chunk, std::chrono::milliseconds gap = std::chrono::milliseconds(0));
    std::size_t PendingBytes() const;

    // Closes the connection and makes the object inert. The owner may call it from
    // inside its own callbacks; the object stays valid until the owner drops it.
    void Close();
    bool IsClosed() const { return fd < 0; }
    // Whether the console has closed its end (or the connection failed) without the
    // hub having read it yet.
    bool PeerHasLeft() const;
    const std::string& Peer() const { return peer; }

private:
    struct Chunk {
        Bytes bytes;
        std::size_t sent = 0;
        EventLoop::Clock::time_point notBefore;
    };
    void OnEvents(short revents);
    void Read();
    void Pump();
    void Fail(const std::string& why);
    void Dump(std::string_view marker, ByteView bytes) const;

    EventLoop& loop;
    int fd;
    std::string peer;
    SessionOwner& owner;
    const bool& verbose;
    std::string tag;
    EventLoop::Id watch = 0;
    EventLoop::Id pumpTimer = 0;
    EventLoop::Id failTimer = 0;
    std::deque<Chunk> outbox;
    Bytes input;
};

// The simulator's own output: one line at a time on stdout, flushed.
void LogLine(const std::string& line);

} // namespace hubsim
