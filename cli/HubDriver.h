#pragma once

#include "cli/CommandLineView.h"
#include "cli/EmptySearch.h"
#include "console/ConsoleServices.h"
#include "console/KestruneDlg.h"
#include "operations/PlainLoop.h"
#include "discovery/DiscoveryReply.h"

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

// The console's window, driven by the tool on a plain loop the way a person drives it:
// the same adapter choice, search, session, rules and texts. Every wait is the loop
// running until what the tool waits for has shown in the view, or a time limit.
class HubDriver {
public:
    HubDriver(CliIo& io, const DriverOptions& options);
    ~HubDriver();
    HubDriver(const HubDriver&) = delete;
    HubDriver& operator=(const HubDriver&) = delete;

    // The console's start-up: its adapters and the choice of the entry. kExitSuccess, or
    // the exit code with its message written.
    int Start();
    std::string AdapterAddress() const;
    std::string AdapterMask() const;

    // One search of the chosen entry's subnet, as the window's; false when it could not run.
    bool Search();
    // After a search that found nothing: what the PC's side showed, in English lines
    // (empty when nothing was read).
    std::string EmptySearchReport() const;
    const HubList& Hubs() { return console_->hubList(); }
    const std::vector<HubConflict>& Conflicts() const { return console_->hubConflicts(); }

    // True when this PC has an echo service; else writes which permission is missing.
    bool EchoServiceAvailable();

    // Opens a session with the hub at address (row: its row in the search's list) and
    // waits until its first status is in, and its parameters too unless statusOnly (the
    // window's "Записать" needs the status alone); false with why written.
    bool Open(const std::string& address, std::optional<int> row, bool statusOnly = false);
    std::string PhysicalAddress() const;
    std::array<bool, kControllerCount> OnLink() const;
    AddressParts Parameter(int id) const { return view_.AddressFields(id); }
    // Ends the session, if one is open.
    void Close();

    // Sends new parameters as "Применить" does, then waits for the pause and the end of
    // the session. False, with the console's words in refusal, when it sent nothing. The
    // console's question on a gateway outside the hub's subnet is answered gatewayConfirmed.
    bool Apply(const AddressParts& address, const AddressParts& mask, const AddressParts& gateway,
               bool gatewayConfirmed, std::string& refusal);

    enum class NumberOutcome { Set, NotSet, NoAnswer, Refused, OldFirmware };
    // Writes a controller's number, the jumper question answered yes; text is the hub's
    // result or the console's reason.
    NumberOutcome WriteNumber(std::uint32_t number, bool oldFirmwareOk, std::string& text);

    // Searches again and again until a hub whose physical address has this key (any,
    // when empty) answers from address, for limit at most.
    bool WaitForHubAt(const std::string& address, const std::string& physicalKey,
                      std::chrono::milliseconds limit);

    // The texts of the boxes shown since the first'th.
    std::string BoxTextsSince(std::size_t first) const;
    std::size_t BoxCount() const { return view_.Boxes().size(); }

private:
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    void Poke();
    bool Ready(bool statusOnly);
    std::string EntryList() const;

    CliIo& io_;
    const DriverOptions options_;
    std::shared_ptr<RememberedSearchDiagnosis> diagnosis_;
    const ConsoleServices services_;
    PlainLoop loop_;
    CommandLineView view_;
    std::unique_ptr<CKestruneDlg> console_;
    std::string adapterProblem_;
};
