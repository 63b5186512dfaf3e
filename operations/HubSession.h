#pragma once

#include "hubsession/ClientSocketManager.h"
#include "hubsession/HubMessage.h"
#include "hubsession/HubParameters.h"
#include "operations/HubServices.h"
#include "operations/Scheduler.h"
#include "operations/WatcherQueue.h"
#include "platform/Ipv4Address.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// The waits of a session, each the session's own.
namespace session_waits {
using namespace std::chrono_literals;
// The echo probe before every connect.
inline constexpr std::uint32_t kEchoTimeoutMs = 1000;
// The hub takes its new address at once; it is given this long before the session ends.
inline constexpr std::chrono::milliseconds kApplyPause = 1000ms;
// The hub's result of a controller-number request.
inline constexpr std::chrono::milliseconds kNumberWait = 5000ms;
// The hub sends its link status at once and answers the parameters request at once.
inline constexpr std::chrono::milliseconds kFirstStatusWait = 5000ms;
// A request to the hub is 32 bytes: a socket that cannot take them this soon belongs to
// a hub that has stopped reading, and nothing waits on it longer.
inline constexpr std::uint32_t kWriteLimitMs = 1000;
} // namespace session_waits

// One session with one hub: its own connection, watcher and report queue, so that any
// number can be open at once. Every call comes on the scheduler's thread and returns at
// once; what waits (the echo, the connect, the physical address, the apply pause, the
// number wait, the first status) runs off that thread or on a timer and completes there.
// No completion and no report runs once the session is destroyed.
class HubSession {
public:
    HubSession(Scheduler& scheduler, const HubServices& services, bool debugMode);
    ~HubSession();
    HubSession(const HubSession&) = delete;
    HubSession& operator=(const HubSession&) = delete;

    // What the watcher reports, in order: log lines always; the link status, the
    // parameters, number results and the connection's end of the open connection only.
    // The session has taken each into its own state before the handler sees it.
    void SetReportHandler(std::function<void(watcher::Report&&)> handler);
    // Runs what the watcher has reported so far, unless held. While held, reports wait:
    // a step that must keep its lines together holds them from its first line to its
    // last. Holds nest.
    void DrainReports();
    void HoldReports();
    void ReleaseReports();

    // --- Opening, step by step, for a client that shows each step ---
    struct ConnectOutcome {
        bool opened = false;
        std::string missingService; // why this PC has no echo service, when it has none
    };
    // The echo probe, then the connect with its deadline.
    void Connect(const std::string& hubAddress, const std::string& localAddress,
                 std::function<void(const ConnectOutcome&)> done);
    // After a connect: starts the watcher; false when it could not, and the connection is
    // closed again.
    bool StartWatching();
    // The hub's physical address; done gets the log text of the lookup.
    void LookUpPhysicalAddress(std::function<void(const std::string& logText)> done);
    // Asks the hub for its IP parameters; false when the request could not be written.
    bool RequestParameters();

    // --- Opening in one, for a client without a window ---
    enum class OpenFailure {
        None,
        NoEchoService, // this PC cannot send the echo probe: text says which permission
        Unreachable,   // no echo reply, or no connect: text is the window's error line
        NotWatching,   // the connection could not be read
        NoStatus,      // no link status (or no parameters) within kFirstStatusWait
        Dropped,       // the connection ended before they came
    };
    struct OpenOutcome {
        OpenFailure failure = OpenFailure::None;
        std::string text;
    };
    // Connect, watch, physical address, parameters request, then the first status and,
    // with needParameters, the three parameters; the window's lines for these steps go to
    // the report handler as log lines. A failed open leaves the session closed.
    void Open(const std::string& hubAddress, const std::string& localAddress,
              bool needParameters, std::function<void(const OpenOutcome&)> done);

    // --- The hub's state, as far as it has reported ---
    bool IsOpen() const;
    const std::string& HubAddress() const { return hubAddress_; }
    const std::string& PhysicalAddress() const { return physicalAddress_; }
    bool StatusReceived() const { return statusReceived_; }
    const std::array<bool, kControllerCount>& LinkFlags() const { return linkFlags_; }
    // All three, once the hub has reported them since the connect.
    std::optional<HubParameters> Parameters() const;
    bool NumberAnswered() const { return numberAnswered_; }
    CClientSocketManager& Connection() { return *connection_; }

    // --- Writes ---
    struct ParametersRequest {
        HubParameters wanted;
        std::optional<Ipv4> adapterAddress;   // the adapter's own, refused for a hub
        bool gatewayOutsideConfirmed = false; // a gateway outside the new subnet was asked about
    };
    struct ParametersOutcome {
        enum class Kind { Sent, Refused, SendFailed } kind = Kind::Refused;
        std::string text; // Refused: the rule's message
        std::string dump; // Sent: the request's bytes as text
    };
    // Checks the rules and sends the new parameters. When sent, afterPause runs once the
    // hub has had its pause to take them; the client then ends the session.
    ParametersOutcome WriteParameters(const ParametersRequest& request,
                                      std::function<void()> afterPause);

    struct NumberRequest {
        std::uint32_t number = 0;
        std::string modelText; // the hub's reply line, for the firmware test
        // The two questions before a write, answered up front.
        bool oldFirmwareConfirmed = false;
        bool jumperConfirmed = false;
    };
    struct NumberOutcome {
        enum class Kind { Set, NotSet, NoAnswer, Refused, OldFirmware, NotConfirmed, SendFailed };
        Kind kind = Kind::Refused;
        std::string text; // the hub's result, the check's message or the failure's words
        std::string dump; // the request's bytes as text, once sent
    };
    // The checks, the request and the wait. Returns the outcome at once when nothing was
    // sent; otherwise nothing, and done runs with the hub's result or after kNumberWait.
    std::optional<NumberOutcome> WriteNumber(const NumberRequest& request,
                                             std::function<void(const NumberOutcome&)> done);
    bool NumberWaitRunning() const { return numberDone_ != nullptr; }
    // The last controller-number request sent, as text.
    const std::string& LastNumberDump() const { return lastNumberDump_; }

    // Ends the connection, if one is open; what its watcher reported and is still queued
    // is dropped, all but log lines. An open under way fails, a number wait ends without
    // an answer, and an apply pause ends without its afterPause.
    void Close();

    // The texts the window logs and shows for these steps, for every client.
    static std::string ConnectFailedText(const std::string& hubAddress);
    static std::string ConnectedText(const std::string& hubAddress);
    static const char* const kDisconnectedText;
    static const char* const kParametersSentText;
    static const char* const kNumberSentText;
    static const char* const kNumberSendFailedText;
    static const char* const kNoNumberAnswerText;

private:
    void OnReport(watcher::Report&& report);
    // Hands a report to the client's handler, if it has one.
    void ToClient(watcher::Report&& report);
    void CheckOpened();
    void FinishOpen(OpenFailure failure, std::string text);
    void FinishNumberWait(const NumberOutcome& outcome);
    // A task for the scheduler's thread that is dropped if this session has gone.
    std::function<void()> WhileAlive(std::function<void(HubSession&)> task);

    Scheduler& scheduler_;
    const HubServices services_;
    std::shared_ptr<HubSession*> life_;
    // Shared with the work that connects and looks up the physical address, which may
    // outlive the session.
    std::shared_ptr<CClientSocketManager> connection_;
    std::shared_ptr<WatcherQueue> queue_;
    std::function<void(watcher::Report&&)> handler_;

    std::string hubAddress_;
    std::string physicalAddress_;
    bool statusReceived_ = false;
    std::array<bool, kControllerCount> linkFlags_{};
    std::optional<Ipv4> address_, mask_, gateway_;
    bool numberAnswered_ = false;

    Scheduler::TimerId pauseTimer_ = 0;
    Scheduler::TimerId numberTimer_ = 0;
    std::uint32_t numberAsked_ = 0;
    std::string lastNumberDump_;
    std::function<void(const NumberOutcome&)> numberDone_;

    struct PendingOpen {
        bool needParameters = false;
        Scheduler::TimerId timer = 0;
        std::function<void(const OpenOutcome&)> done;
    };
    std::optional<PendingOpen> open_;
};
