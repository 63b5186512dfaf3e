#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>

// The simulator's single thread: poll over the sockets, plus timers. Every hub of the
// process lives on it, so no state needs a lock.
namespace hubsim {

class EventLoop {
public:
    using Clock = std::chrono::steady_clock;
    using Id = std::uint64_t;
    using FdHandler = std::function<void(short revents)>;

    Id Watch(int fd, short events, FdHandler handler);
    void SetEvents(Id watch, short events);
    // Safe from inside any handler, the watch's own included.
    void Unwatch(Id watch);

    Id After(std::chrono::milliseconds delay, std::function<void()> task);
    // A task that runs every period until cancelled.
    Id Every(std::chrono::milliseconds period, std::function<void()> task);
    void Cancel(Id timer);

    // Runs until Stop(); returns false when poll itself fails.
    bool Run();
    void Stop() { stopping = true; }

private:
    struct WatchEntry {
        int fd;
        short events;
        FdHandler handler;
    };
    struct TimerEntry {
        Clock::time_point due;
        std::chrono::milliseconds period;
        std::function<void()> task;
    };
    void RunDueTimers();
    int PollTimeoutMs() const;

    Id nextId = 1;
    bool stopping = false;
    std::map<Id, WatchEntry> watches;
    std::unordered_map<Id, TimerEntry> timers;
    std::multimap<Clock::time_point, Id> timerQueue;
};

} // namespace hubsim
