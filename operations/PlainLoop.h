#pragma once

#include "operations/Scheduler.h"
#include "operations/WorkerThreads.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

// A scheduler without a window system: the thread that calls Run is the console's thread
// until Quit. The command-line tool runs the console on it.
class PlainLoop final : public Scheduler {
public:
    PlainLoop() = default;

    void Post(std::function<void()> task) override;
    TimerId StartTimer(std::chrono::milliseconds delay, std::function<void()> task) override;
    void CancelTimer(TimerId id) override;
    void RunOffThread(std::function<void()> work, std::function<void()> done) override;

    // Runs posted tasks and due timers until Quit; what Quit leaves queued stays queued.
    void Run();
    // Any thread.
    void Quit();

private:
    using Clock = std::chrono::steady_clock;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    // Due time and id: timers with the same due time fire in the order they were started.
    std::map<std::pair<Clock::time_point, TimerId>, std::function<void()>> timers_;
    TimerId lastTimer_ = 0;
    bool quit_ = false;
    // Last, so first to go: its threads end, and post, while the queue is still there.
    WorkerThreads workers_;
};
