#pragma once

#include "operations/Scheduler.h"
#include "hubsession/HubConsole.h"
#include "net/LogWindow.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <variant>

class CSocketComm;

// The window message by which a Windows console learns of a connection event; here the
// watcher's Connection report stands for it.
inline constexpr int WM_UPDATE_CONNECTION = 0x9234;

// What the hub session's watcher reports, as it travels to the console's thread.
namespace watcher {
struct LogLines {
    std::string text; // whole lines with their "\r\n"
};
struct LinkStatus {
    std::array<bool, kControllerCount> onLink{};
};
enum class Parameter { Address, SubnetMask, Gateway };
struct HubParameter {
    Parameter which = Parameter::Address;
    std::uint32_t value = 0;
};
struct NumberResult {
    ControllerNumberResult result;
};
struct Connection {
    std::uint32_t code = 0; // a ConnectionEvent
};
using Report = std::variant<LogLines, LinkStatus, HubParameter, NumberResult, Connection>;
} // namespace watcher

// The one way from the watcher to the console: every report is queued with the serial of
// the connection it is about and handed over on the console's thread, in the order it was
// made. A report of a connection that is no longer the open one is dropped there, all but
// log lines, which are never lost. The watcher never waits for the console: a push takes
// a short lock and, for the first report of a batch, posts one drain.
class WatcherQueue : public ILogWindow,
                     public IHubConsole,
                     public std::enable_shared_from_this<WatcherQueue> {
public:
    using Handler = std::function<void(watcher::Report&&)>;

    // session: the connection whose watcher reports here; both must outlive the watcher.
    static std::shared_ptr<WatcherQueue> Make(Scheduler& scheduler, const CSocketComm& session);

    // Console thread.
    void SetHandler(Handler handler);
    // Hands every queued report to the handler, unless held.
    void Drain();
    // While held, reports wait in the queue: a step that must keep its lines together
    // holds it from its first line to its last. Holds nest.
    void Hold();
    void Release();

    // The watcher's side (ILogWindow, IHubConsole); any thread.
    void AppendToLog(const std::string& text) override;
    void PostUpdateConnection(std::uint32_t code, CSocketManager* manager,
                              std::uint32_t connection) override;
    void ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) override;
    void ShowHubIpAddress(std::uint32_t address) override;
    void ShowHubSubnetMask(std::uint32_t mask) override;
    void ShowHubGateway(std::uint32_t gateway) override;
    void OnControllerNumberResult(const ControllerNumberResult& result) override;

private:
    struct Entry {
        std::uint32_t connection;
        watcher::Report report;
    };

    WatcherQueue(Scheduler& scheduler, const CSocketComm& session)
        : scheduler_(scheduler), session_(session) {}
    void Push(std::uint32_t connection, watcher::Report report);
    void PushFromWatcher(watcher::Report report);

    Scheduler& scheduler_;
    const CSocketComm& session_;
    std::mutex mutex_;
    std::deque<Entry> entries_;
    bool drainPosted_ = false;
    // Console thread only.
    Handler handler_;
    int holds_ = 0;
    bool draining_ = false;
};
