#include "operations/PlainLoop.h"

void PlainLoop::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

Scheduler::TimerId PlainLoop::StartTimer(std::chrono::milliseconds delay,
                                         std::function<void()> task) {
    std::lock_guard lock(mutex_);
    const TimerId id = ++lastTimer_;
    timers_.emplace(std::make_pair(Clock::now() + delay, id), std::move(task));
    return id;
}

void PlainLoop::CancelTimer(TimerId id) {
    std::lock_guard lock(mutex_);
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->first.second == id) {
            timers_.erase(it);
            return;
        }
    }
}

void PlainLoop::RunOffThread(std::function<void()> work, std::function<void()> done) {
    workers_.Start(std::move(work), [this, done = std::move(done)]() mutable { Post(std::move(done)); });
}

void PlainLoop::Run() {
    std::unique_lock lock(mutex_);
    quit_ = false;
    while (!quit_) {
        if (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
            continue;
        }
        if (!timers_.empty() && timers_.begin()->first.first <= Clock::now()) {
            auto task = std::move(timers_.begin()->second);
            timers_.erase(timers_.begin());
            lock.unlock();
            task();
            lock.lock();
            continue;
        }
        if (timers_.empty())
            wake_.wait(lock);
        else
            wake_.wait_until(lock, timers_.begin()->first.first);
    }
}

void PlainLoop::Quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
}
