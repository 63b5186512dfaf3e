#include "gui/QtScheduler.h"

#include "gui/PostedHandOver.h"

#include <QMetaObject>
#include <QTimer>

QtScheduler::QtScheduler() = default;

QtScheduler::~QtScheduler() {
    for (const auto& [id, timer] : timers_)
        delete timer;
}

void QtScheduler::Post(std::function<void()> task) {
    const PostingScope posting;
    QMetaObject::invokeMethod(
        &context_,
        [task = std::move(task)] {
            OnDelivery();
            task();
        },
        Qt::QueuedConnection);
}

Scheduler::TimerId QtScheduler::StartTimer(std::chrono::milliseconds delay,
                                           std::function<void()> task) {
    const TimerId id = ++lastTimer_;
    auto* timer = new QTimer(&context_);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, &context_, [this, id, task = std::move(task)] {
        if (const auto found = timers_.find(id); found != timers_.end()) {
            found->second->deleteLater();
            timers_.erase(found);
        }
        task();
    });
    timers_.emplace(id, timer);
    timer->start(delay);
    return id;
}

void QtScheduler::CancelTimer(TimerId id) {
    if (const auto found = timers_.find(id); found != timers_.end()) {
        found->second->stop();
        found->second->deleteLater();
        timers_.erase(found);
    }
}

void QtScheduler::RunOffThread(std::function<void()> work, std::function<void()> done) {
    workers_.Start(std::move(work), [this, done = std::move(done)]() mutable { Post(std::move(done)); });
}
