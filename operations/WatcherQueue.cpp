#include "operations/WatcherQueue.h"

#include "net/SocketComm.h"

#include <utility>

std::shared_ptr<WatcherQueue> WatcherQueue::Make(Scheduler& scheduler, const CSocketComm& session) {
    return std::shared_ptr<WatcherQueue>(new WatcherQueue(scheduler, session));
}

void WatcherQueue::SetHandler(Handler handler) { handler_ = std::move(handler); }

void WatcherQueue::Push(std::uint32_t connection, watcher::Report report) {
    bool post = false;
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({connection, std::move(report)});
        post = !std::exchange(drainPosted_, true);
    }
    if (post) {
        scheduler_.Post([weak = weak_from_this()] {
            if (const auto queue = weak.lock())
                queue->Drain();
        });
    }
}

void WatcherQueue::PushFromWatcher(watcher::Report report) {
    Push(session_.WatchedSerial(), std::move(report));
}

void WatcherQueue::Drain() {
    // A report's handler may open a modal box, whose loop runs the next drain: that one
    // finds the queue busy and leaves the rest to this one, so the order holds.
    if (holds_ > 0 || draining_)
        return;
    draining_ = true;
    for (;;) {
        Entry entry;
        {
            std::lock_guard lock(mutex_);
            if (entries_.empty() || holds_ > 0) {
                drainPosted_ = false;
                break;
            }
            entry = std::move(entries_.front());
            entries_.pop_front();
        }
        const bool current = entry.connection == session_.ConnectionSerial();
        if ((current || std::holds_alternative<watcher::LogLines>(entry.report)) && handler_)
            handler_(std::move(entry.report));
    }
    draining_ = false;
}

void WatcherQueue::Hold() { ++holds_; }

void WatcherQueue::Release() {
    if (holds_ > 0 && --holds_ == 0)
        Drain();
}

void WatcherQueue::AppendToLog(const std::string& text) {
    PushFromWatcher(watcher::LogLines{text});
}

void WatcherQueue::PostUpdateConnection(std::uint32_t code, CSocketManager*,
                                        std::uint32_t connection) {
    Push(connection, watcher::Connection{code});
}

void WatcherQueue::ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) {
    PushFromWatcher(watcher::LinkStatus{onLink});
}

void WatcherQueue::ShowHubIpAddress(std::uint32_t address) {
    PushFromWatcher(watcher::HubParameter{watcher::Parameter::Address, address});
}

void WatcherQueue::ShowHubSubnetMask(std::uint32_t mask) {
    PushFromWatcher(watcher::HubParameter{watcher::Parameter::SubnetMask, mask});
}

void WatcherQueue::ShowHubGateway(std::uint32_t gateway) {
    PushFromWatcher(watcher::HubParameter{watcher::Parameter::Gateway, gateway});
}

void WatcherQueue::OnControllerNumberResult(const ControllerNumberResult& result) {
    PushFromWatcher(watcher::NumberResult{result});
}
