#include "operations/WorkerThreads.h"

#include <vector>

WorkerThreads::~WorkerThreads() {
    std::list<Job> jobs;
    {
        std::lock_guard lock(mutex_);
        jobs.swap(jobs_);
    }
    for (Job& job : jobs) {
        if (job.thread.joinable())
            job.thread.join();
    }
}

void WorkerThreads::JoinEnded() {
    std::list<Job> ended;
    {
        std::lock_guard lock(mutex_);
        for (auto it = jobs_.begin(); it != jobs_.end();) {
            auto next = std::next(it);
            if (it->ended->load())
                ended.splice(ended.end(), jobs_, it);
            it = next;
        }
    }
    for (Job& job : ended)
        job.thread.join();
}

void WorkerThreads::Start(std::function<void()> work, std::function<void()> then) {
    JoinEnded();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([work = std::move(work), then = std::move(then), ended] {
        work();
        then();
        ended->store(true);
    });
    std::lock_guard lock(mutex_);
    jobs_.push_back({std::move(thread), std::move(ended)});
}
