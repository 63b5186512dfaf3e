#pragma once

#include "operations/Scheduler.h"
#include "operations/WorkerThreads.h"

#include <deque>
#include <map>
#include <mutex>
#include <windows.h>

// The window message that tells the console's window that tasks were posted.
inline constexpr UINT WM_RUN_POSTED_TASKS = WM_APP + 1;

// The console's scheduler on the Win32 message loop of the console's window: a posted
// task waits in a queue and one PostMessage wakes the window for the batch; a timer is a
// SetTimer of the window; off-thread work runs on worker threads that post their results.
// Every message loop of the thread (the modal run, a message box's, a dialog's) delivers
// both, as it delivers the window's other messages.
class Win32Scheduler final : public Scheduler {
public:
    Win32Scheduler() = default;
    ~Win32Scheduler() override;
    Win32Scheduler(const Win32Scheduler&) = delete;
    Win32Scheduler& operator=(const Win32Scheduler&) = delete;

    // Console thread: the window that runs the tasks and timers, from its WM_INITDIALOG
    // to its WM_DESTROY. Tasks posted before it came wait for it; those left when it has
    // gone are dropped, and so are its timers.
    void Attach(HWND window);
    void Detach();

    // The window's procedure hands these over: true when the message was the scheduler's.
    bool OnTimer(WPARAM timerId);
    void RunPosted();

    void Post(std::function<void()> task) override;
    TimerId StartTimer(std::chrono::milliseconds delay, std::function<void()> task) override;
    void CancelTimer(TimerId id) override;
    void RunOffThread(std::function<void()> work, std::function<void()> done) override;

private:
    // Timer ids of the window's own controls' range stay clear of the scheduler's.
    static constexpr TimerId kFirstTimer = 0x4B00;

    std::mutex mutex_;
    HWND window_ = nullptr; // under mutex_: workers post to it
    std::deque<std::function<void()>> posted_;
    bool wakePending_ = false; // a WM_RUN_POSTED_TASKS is on its way
    // Console thread only.
    std::map<TimerId, std::function<void()>> timers_;
    TimerId lastTimer_ = kFirstTimer;
    // Last, so first to go: every worker is joined while the queue still exists.
    WorkerThreads workers_;
};
