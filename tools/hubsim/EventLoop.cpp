#include "EventLoop.h"

#include <cerrno>
#include <poll.h>
#include <vector>

namespace hubsim {

EventLoop::Id EventLoop::Watch(int fd, short events, FdHandler handler) {
    const Id id = nextId++;
    watches.emplace(id, WatchEntry{fd, events, std::move(handler)});
    return id;
}

void EventLoop::SetEvents(Id watch, short events) {
    if (auto it = watches.find(watch); it != watches.end()) {
        it->second.events = events;
    }
}

void EventLoop::Unwatch(Id watch) {
    watches.erase(watch);
}

EventLoop::Id EventLoop::After(std::chrono::milliseconds delay, std::function<void()> task) {
    const Id id = nextId++;
    const auto due = Clock::now() + delay;
    timers.emplace(id, TimerEntry{due, std::chrono::milliseconds(0), std::move(task)});
    timerQueue.emplace(due, id);
    return id;
}

EventLoop::Id EventLoop::Every(std::chrono::milliseconds period, std::function<void()> task) {
    const Id id = After(period, std::move(task));
    timers.at(id).period = period;
    return id;
}

void EventLoop::Cancel(Id timer) {
    timers.erase(timer);
}

int EventLoop::PollTimeoutMs() const {
    for (const auto& [due, id] : timerQueue) {
        if (timers.count(id) == 0) {
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
        return left < 0 ? 0 : static_cast<int>(left);
    }
    return -1;
}

void EventLoop::RunDueTimers() {
    const auto now = Clock::now();
    while (!timerQueue.empty() && timerQueue.begin()->first <= now && !stopping) {
        const auto [due, id] = *timerQueue.begin();
        timerQueue.erase(timerQueue.begin());
        auto it = timers.find(id);
        if (it == timers.end() || it->second.due != due) {
            continue;
        }
        // The task may cancel its own timer or add others: run a copy.
        auto task = it->second.task;
        if (it->second.period.count() > 0) {
            it->second.due = due + it->second.period;
            // A repeating task that fell far behind does not try to catch up.
            if (it->second.due < now) {
                it->second.due = now + it->second.period;
            }
            timerQueue.emplace(it->second.due, id);
        } else {
            timers.erase(it);
        }
        task();
    }
}

bool EventLoop::Run() {
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    while (!stopping) {
        fds.clear();
        ids.clear();
        for (const auto& [id, entry] : watches) {
            fds.push_back(pollfd{entry.fd, entry.events, 0});
            ids.push_back(id);
        }
        const int ready = poll(fds.data(), fds.size(), PollTimeoutMs());
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        for (std::size_t i = 0; ready > 0 && i < fds.size() && !stopping; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            // A handler earlier in this round may have removed this watch, and its fd
            // number may already belong to a new socket: only live ids are served.
            auto it = watches.find(ids[i]);
            if (it == watches.end()) {
                continue;
            }
            auto handler = it->second.handler;
            handler(fds[i].revents);
        }
        RunDueTimers();
    }
    return true;
}

} // namespace hubsim
