#pragma once

#include "operations/Scheduler.h"
#include "operations/WorkerThreads.h"

#include <QObject>

#include <map>

class QTimer;

// The console's scheduler on Qt's event loop: posted tasks are queued calls, timers are
// single-shot QTimers, off-thread work runs on worker threads that post their results.
class QtScheduler final : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;

    void Post(std::function<void()> task) override;
    TimerId StartTimer(std::chrono::milliseconds delay, std::function<void()> task) override;
    void CancelTimer(TimerId id) override;
    void RunOffThread(std::function<void()> work, std::function<void()> done) override;

private:
    // First, so last to go: the workers' last posts still find it.
    QObject context_;
    std::map<TimerId, QTimer*> timers_;
    TimerId lastTimer_ = 0;
    // Last, so first to go: every worker is joined before the context goes.
    WorkerThreads workers_;
};
