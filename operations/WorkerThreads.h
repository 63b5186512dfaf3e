#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

// The threads a scheduler runs off-thread work on: one thread a job (jobs are few and
// seconds long: a search, an echo, a connect), each joined at the latest when this object
// goes, never detached or killed.
class WorkerThreads {
public:
    WorkerThreads() = default;
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Runs work, then then, on a thread of its own.
    void Start(std::function<void()> work, std::function<void()> then);

    // Joins every thread that has ended.
    void JoinEnded();

private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    std::mutex mutex_;
    std::list<Job> jobs_;
};
