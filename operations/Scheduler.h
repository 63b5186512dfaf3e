#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// Time and threads as the console sees them. The console runs on one thread, its face's:
// Qt's event loop, a Win32 message loop, the command-line tool's plain loop, or a virtual
// clock in tests. Nothing the console does waits on that thread: a wait is a timer, and
// work that blocks (a search window, an echo, a connect) runs off it and reports back.
class Scheduler {
public:
    using TimerId = std::uint64_t;

    virtual ~Scheduler() = default;

    // Any thread: runs task on the console's thread, after every task posted before it.
    virtual void Post(std::function<void()> task) = 0;

    // Console thread: runs task once, delay from now, unless cancelled first. Never 0.
    virtual TimerId StartTimer(std::chrono::milliseconds delay, std::function<void()> task) = 0;
    // Console thread: a timer that has fired or was cancelled is no error.
    virtual void CancelTimer(TimerId id) = 0;

    // Console thread: runs work off the console's thread, then done on it. Work must own
    // what it touches: the console may be gone before it ends, and then done still runs
    // and must find that out for itself.
    virtual void RunOffThread(std::function<void()> work, std::function<void()> done) = 0;
};
