#pragma once

#include "operations/Scheduler.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

// The console's scheduler in tests: time moves only when the test says so, and work that
// a face would run off the console's thread runs at once, on the test's thread. The
// watcher of a real session may post from its own thread; the test pumps until what it
// waits for has arrived.
class VirtualClock final : public Scheduler {
public:
    void Post(std::function<void()> task) override;
    TimerId StartTimer(std::chrono::milliseconds delay, std::function<void()> task) override;
    void CancelTimer(TimerId id) override;
    void RunOffThread(std::function<void()> work, std::function<void()> done) override;

    // Runs every posted task, and those they post, until none is left.
    void RunPending();
    // Moves time on by step, firing the timers that fall due in their order, each followed
    // by the tasks it posted.
    void Advance(std::chrono::milliseconds step);
    // Runs posted tasks as they come (from any thread) until done() holds or realTimeout
    // passes on the wall clock; false on time-out.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds realTimeout = std::chrono::seconds(10));

    std::chrono::milliseconds Now() const { return now_; }
    bool HasTimers() const { return !timers_.empty(); }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
    std::map<std::pair<std::chrono::milliseconds, TimerId>, std::function<void()>> timers_;
    TimerId lastTimer_ = 0;
    std::chrono::milliseconds now_{0};
};
