#pragma once

#include "cli/EmptySearch.h"
#include "console/ConsoleServices.h"
#include "discovery/DiscoveryReply.h"
#include "operations/AdapterInventory.h"
#include "operations/HubSearchOperation.h"
#include "operations/HubSession.h"
#include "operations/PlainLoop.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

// What kestrunectl reads and writes, and the OS services it works through (the host's
// own unless a test gives others).
struct CliIo {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool inIsTerminal = false;
    bool errIsTerminal = false;
    ConsoleServices services{};
};

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailed = 1,    // no hub, refused, no answer, not verified
    kExitUsage = 2,     // usage or invalid input
    kExitPartial = 3,   // apply: some lines failed or are missing
    kExitPermission = 4 // no echo service: a permission of this PC is missing
};

struct DriverOptions {
    std::string adapter; // interface name or address; empty: the only entry
    bool verbose = false;
    bool debug = false;
    int waitMs = DISCOVERY_WAIT_MS;
};

// The hub operations as the tool's commands use them: each step starts an operation and
// runs the tool's loop until it completes. The operations keep their own waits; with -v
// their log lines go to standard error.
class HubDriver {
public:
    HubDriver(CliIo& io, const DriverOptions& options);
    ~HubDriver();
    HubDriver(const HubDriver&) = delete;
    HubDriver& operator=(const HubDriver&) = delete;

    // The adapters and the choice of the entry. kExitSuccess, or the exit code with its
    // message written.
    int Start();
    std::string AdapterAddress() const { return adapter_.address.Text(); }
    Ipv4 AdapterIpv4() const { return adapter_.address; }
    std::string AdapterMask() const { return adapter_.mask.Text(); }

    // One search of the chosen entry's subnet.
    bool Search();
    // After a search that found nothing: what the PC's side showed, in English lines
    // (empty when nothing was read).
    std::string EmptySearchReport() const;
    const HubList& Hubs() const { return found_.hubs; }
    // The search's replies as records, in the order they came.
    std::vector<HubRecord> Records() const { return HubRecords(found_.hubs, found_.conflicts, adapter_); }

    // True when this PC has an echo service; else writes which permission is missing.
    bool EchoServiceAvailable();

    // Opens a session with the hub at address and waits until its first status is in, and
    // its parameters too unless statusOnly; false with why written.
    bool Open(const std::string& address, bool statusOnly = false);
    std::string PhysicalAddress() const { return session_->PhysicalAddress(); }
    std::array<bool, kControllerCount> OnLink() const { return session_->LinkFlags(); }
    HubParameters Parameters() const { return session_->Parameters().value_or(HubParameters{}); }
    // Ends the session, if one is open.
    void Close();

    // Sends new parameters, then waits for the pause and ends the session. False, with the
    // rule's words in refusal, when it sent nothing. A gateway outside the hub's subnet is
    // sent only when gatewayConfirmed.
    bool Apply(const HubParameters& wanted, bool gatewayConfirmed, std::string& refusal);

    enum class NumberOutcome { Set, NotSet, NoAnswer, Refused, OldFirmware };
    // Writes a controller's number to the hub of the search's row, the jumper question
    // answered yes; text is the hub's result or the reason.
    NumberOutcome WriteNumber(int row, std::uint32_t number, bool oldFirmwareOk, std::string& text);

    // Searches again and again until a hub whose physical address has this key (any,
    // when empty) answers from address, for limit at most.
    bool WaitForHubAt(const std::string& address, const std::string& physicalKey,
                      std::chrono::milliseconds limit);

private:
    // Runs the loop until done() is set by a completion.
    void Await(bool& done);
    void Log(const std::string& lines) const;
    std::string EntryList() const;

    CliIo& io_;
    const DriverOptions options_;
    HubServices services_;
    PlainLoop loop_;
    AdapterList adapters_;
    AdapterEntry adapter_;
    SearchOutcome found_;
    std::unique_ptr<HubSession> session_;
};
