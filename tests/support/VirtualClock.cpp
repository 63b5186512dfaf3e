#include "tests/support/VirtualClock.h"

void VirtualClock::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

Scheduler::TimerId VirtualClock::StartTimer(std::chrono::milliseconds delay,
                                            std::function<void()> task) {
    const TimerId id = ++lastTimer_;
    timers_.emplace(std::make_pair(now_ + delay, id), std::move(task));
    return id;
}

void VirtualClock::CancelTimer(TimerId id) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->first.second == id) {
            timers_.erase(it);
            return;
        }
    }
}

void VirtualClock::RunOffThread(std::function<void()> work, std::function<void()> done) {
    work();
    Post(std::move(done));
}

void VirtualClock::RunPending() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void VirtualClock::Advance(std::chrono::milliseconds step) {
    const auto until = now_ + step;
    RunPending();
    while (!timers_.empty() && timers_.begin()->first.first <= until) {
        now_ = timers_.begin()->first.first;
        auto task = std::move(timers_.begin()->second);
        timers_.erase(timers_.begin());
        task();
        RunPending();
    }
    now_ = until;
}

bool VirtualClock::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds realTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + realTimeout;
    for (;;) {
        RunPending();
        if (done())
            return true;
        std::unique_lock lock(mutex_);
        if (!posted_.wait_until(lock, deadline, [this] { return !tasks_.empty(); }))
            return done();
    }
}
