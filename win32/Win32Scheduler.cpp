#include "win32/Win32Scheduler.h"

#include <algorithm>

Win32Scheduler::~Win32Scheduler() {
    Detach();
}

void Win32Scheduler::Attach(HWND window) {
    const std::lock_guard lock(mutex_);
    window_ = window;
    if (!posted_.empty() && !wakePending_)
        wakePending_ = PostMessageW(window_, WM_RUN_POSTED_TASKS, 0, 0) != FALSE;
}

void Win32Scheduler::Detach() {
    std::map<TimerId, std::function<void()>> timers;
    {
        const std::lock_guard lock(mutex_);
        for (const auto& [id, task] : timers_)
            KillTimer(window_, static_cast<UINT_PTR>(id));
        window_ = nullptr;
        wakePending_ = false;
        timers.swap(timers_);
    }
    // The tasks go outside the lock: destroying one may post another.
}

bool Win32Scheduler::OnTimer(WPARAM timerId) {
    const auto found = timers_.find(static_cast<TimerId>(timerId));
    if (found == timers_.end())
        return false;
    KillTimer(window_, timerId);
    const std::function<void()> task = std::move(found->second);
    timers_.erase(found);
    task();
    return true;
}

void Win32Scheduler::RunPosted() {
    std::deque<std::function<void()>> batch;
    {
        const std::lock_guard lock(mutex_);
        wakePending_ = false;
        batch.swap(posted_);
    }
    // A task posted while the batch runs wakes the window again and runs after it.
    while (!batch.empty()) {
        const std::function<void()> task = std::move(batch.front());
        batch.pop_front();
        task();
    }
}

void Win32Scheduler::Post(std::function<void()> task) {
    const std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
    if (window_ != nullptr && !wakePending_)
        wakePending_ = PostMessageW(window_, WM_RUN_POSTED_TASKS, 0, 0) != FALSE;
}

Scheduler::TimerId Win32Scheduler::StartTimer(std::chrono::milliseconds delay,
                                              std::function<void()> task) {
    const TimerId id = ++lastTimer_;
    const auto milliseconds =
        static_cast<UINT>(std::clamp<std::chrono::milliseconds::rep>(delay.count(), 1, 0x7FFFFFFF));
    timers_.emplace(id, std::move(task));
    if (window_ == nullptr ||
        SetTimer(window_, static_cast<UINT_PTR>(id), milliseconds, nullptr) == 0)
        timers_.erase(id); // no window to run it: it never fires, as after the window's end
    return id;
}

void Win32Scheduler::CancelTimer(TimerId id) {
    if (timers_.erase(id) != 0)
        KillTimer(window_, static_cast<UINT_PTR>(id));
}

void Win32Scheduler::RunOffThread(std::function<void()> work, std::function<void()> done) {
    workers_.Start(std::move(work),
                   [this, done = std::move(done)]() mutable { Post(std::move(done)); });
}
