#include "cli/HubDriver.h"

#include "console/HubConflictTexts.h"
#include "console/SearchFindingTexts.h"
#include "probe/Ping.h"
#include "resources/ConsoleTemplate.h"

#include <algorithm>
#include <ostream>

namespace {

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

// A text the window would show in a box, as one line of standard error.
std::string BoxLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return WithoutCarriageReturns(text) + "\n";
}

constexpr const char* kNoAdapters = "Сетевые адаптеры в компьютере не обнаружены";

} // namespace

HubDriver::HubDriver(CliIo& io, const DriverOptions& options)
    : io_(io), options_(options), services_(io.services) {
    services_.FillSystemDefaults();
    services_.searchQuietMs = options.waitMs;
    session_ = std::make_unique<HubSession>(loop_, services_, options.debug);
    session_->SetReportHandler([this](watcher::Report&& report) {
        if (const auto* lines = std::get_if<watcher::LogLines>(&report)) {
            Log(lines->text);
        } else if (std::holds_alternative<watcher::Connection>(report) && session_->IsOpen()) {
            // The hub has gone: the session ends here, as the window's does.
            session_->Close();
            Log(HubSession::kDisconnectedText);
        }
    });
}

HubDriver::~HubDriver() { session_.reset(); }

void HubDriver::Log(const std::string& lines) const {
    if (options_.verbose || options_.debug)
        io_.err << WithoutCarriageReturns(lines) << std::flush;
}

void HubDriver::Await(bool& done) {
    while (!done)
        loop_.Run();
}

int HubDriver::Start() {
    Log(kTitleLine);
    AdapterInventory inventory = TakeAdapterInventory(*services_.adapters, false);
    Log(inventory.logText);
    adapters_ = std::move(inventory.list);
    if (adapters_.count == 0) {
        io_.err << "kestrunectl: no usable network adapter (Ethernet or Wi-Fi with an IPv4 address)\n"
                << BoxLine(kNoAdapters);
        return kExitFailed;
    }
    std::optional<int> chosen;
    std::string problem;
    if (options_.adapter.empty()) {
        if (adapters_.count == 1)
            chosen = 0;
        else
            problem = "this PC has several adapter addresses: name one with --adapter";
    } else {
        chosen = FindEntry(adapters_, options_.adapter);
        if (!chosen)
            problem = "no adapter address matches --adapter " + options_.adapter;
    }
    if (!chosen) {
        io_.err << "kestrunectl: " << problem << "\n" << EntryList();
        return kExitUsage;
    }
    adapters_.chosenIndex = *chosen;
    adapter_ = EntryAt(adapters_, *chosen);
    return kExitSuccess;
}

std::string HubDriver::EntryList() const {
    std::string text = "the adapter addresses are:\n";
    for (std::size_t i = 0; i < adapters_.addresses.size(); ++i) {
        text += "  " + (i < adapters_.connectionNames.size() ? adapters_.connectionNames[i] : "?") +
                "  " + adapters_.addresses[i] + "/" +
                (i < adapters_.subnetMasks.size() ? adapters_.subnetMasks[i] : "?") + "\n";
    }
    return text;
}

bool HubDriver::Search() {
    bool done = false;
    SearchAdapter(
        loop_, services_, adapter_, [this](const std::string& lines) { Log(lines); },
        [this, &done](SearchOutcome&& outcome) {
            found_ = std::move(outcome);
            done = true;
            loop_.Quit();
        });
    Await(done);
    const SearchedSubnet subnet{AdapterAddress(), AdapterMask(), adapter_.subnet.Text()};
    Log(HubConflictLogLines(found_.hubs, found_.conflicts, subnet));
    if (found_.facts)
        Log(SearchFindingLines(found_.findings, adapter_.interfaceName));
    return true;
}

std::string HubDriver::EmptySearchReport() const {
    return found_.facts ? EmptySearchWords(found_.findings, adapter_.interfaceName) : std::string();
}

bool HubDriver::EchoServiceAvailable() {
    const CPing ping(services_.echoProviders());
    if (ping.HasEchoService())
        return true;
    io_.err << "kestrunectl: this PC has no echo service for the probe before each session: "
               "allow this user's group unprivileged ICMP sockets (sysctl "
               "net.ipv4.ping_group_range) or give the echo helper kestrune-echo cap_net_raw\n"
            << WithoutCarriageReturns(ping.MissingServiceDiagnosis());
    return false;
}

bool HubDriver::Open(const std::string& address, bool statusOnly) {
    // The window asks before a session to an address the search found in conflict; the
    // tool has no one to ask, and opens none.
    const std::string question =
        ConnectConflictQuestion(found_.hubs, found_.conflicts, address,
                                {AdapterAddress(), AdapterMask(), adapter_.subnet.Text()});
    if (!question.empty()) {
        io_.err << "kestrunectl: no session with the hub at " << address << "\n" << BoxLine(question);
        return false;
    }
    bool done = false;
    HubSession::OpenOutcome outcome;
    session_->Open(address, AdapterAddress(), !statusOnly,
                   [this, &done, &outcome](const HubSession::OpenOutcome& opened) {
                       outcome = opened;
                       done = true;
                       loop_.Quit();
                   });
    Await(done);
    using Failure = HubSession::OpenFailure;
    switch (outcome.failure) {
    case Failure::None:
        return true;
    case Failure::NoStatus:
        io_.err << "kestrunectl: the hub at " << address
                << (statusOnly ? " did not send its link status\n"
                               : " did not send its link status and IP parameters\n");
        Log(HubSession::kDisconnectedText);
        return false;
    case Failure::NoEchoService:
        Log(outcome.text);
        io_.err << "kestrunectl: no session with the hub at " << address << "\n"
                << BoxLine(HubSession::ConnectFailedText(address));
        return false;
    case Failure::Unreachable:
        Log(outcome.text);
        io_.err << "kestrunectl: no session with the hub at " << address << "\n" << BoxLine(outcome.text);
        return false;
    case Failure::NotWatching:
    case Failure::Dropped:
        break;
    }
    io_.err << "kestrunectl: no session with the hub at " << address << "\n";
    return false;
}

void HubDriver::Close() {
    if (!session_->IsOpen())
        return;
    session_->Close();
    Log(HubSession::kDisconnectedText);
}

bool HubDriver::Apply(const HubParameters& wanted, bool gatewayConfirmed, std::string& refusal) {
    bool paused = false;
    const auto outcome = session_->WriteParameters({wanted, adapter_.address, gatewayConfirmed},
                                                   [this, &paused] {
                                                       paused = true;
                                                       loop_.Quit();
                                                   });
    if (outcome.kind != HubSession::ParametersOutcome::Kind::Sent) {
        refusal = BoxLine(outcome.text);
        Close();
        return false;
    }
    if (options_.debug)
        Log(">>" + outcome.dump + "\r\n");
    Log(HubSession::kParametersSentText);
    // The hub may close its end as its network restarts: that is taken once the pause is
    // over, with the session's end, as the window does.
    session_->HoldReports();
    Await(paused);
    Close();
    session_->ReleaseReports();
    return true;
}

HubDriver::NumberOutcome HubDriver::WriteNumber(int row, std::uint32_t number, bool oldFirmwareOk,
                                                std::string& text) {
    const auto at = static_cast<std::size_t>(row);
    const std::string model = at < found_.hubs.hubModelTexts.size() ? found_.hubs.hubModelTexts[at] : "";
    bool done = false;
    HubSession::NumberOutcome result;
    const auto refused = session_->WriteNumber(
        {number, model, oldFirmwareOk, true}, [this, &done, &result](const HubSession::NumberOutcome& outcome) {
            result = outcome;
            done = true;
            loop_.Quit();
        });
    using Kind = HubSession::NumberOutcome::Kind;
    if (refused) {
        if (refused->kind == Kind::OldFirmware) {
            text = refused->text;
            return NumberOutcome::OldFirmware;
        }
        text = BoxLine(refused->text);
        return NumberOutcome::Refused;
    }
    if (options_.debug)
        Log("\r\n>>" + session_->LastNumberDump() + "\r\n");
    Log(HubSession::kNumberSentText);
    Await(done);
    text = result.text;
    switch (result.kind) {
    case Kind::Set:
        Log(text + "\r\n");
        return NumberOutcome::Set;
    case Kind::NotSet:
        Log(text + "\r\n");
        return NumberOutcome::NotSet;
    default:
        return NumberOutcome::NoAnswer;
    }
}

bool HubDriver::WaitForHubAt(const std::string& address, const std::string& physicalKey,
                             std::chrono::milliseconds limit) {
    const auto target = Ipv4::Parse(address);
    if (!target)
        return false;
    bool done = false;
    bool found = false;
    ::WaitForHubAt(
        loop_, services_, adapter_, *target, physicalKey, limit,
        [this](const std::string& lines) { Log(lines); },
        [this, &done, &found](bool answered) {
            found = answered;
            done = true;
            loop_.Quit();
        });
    Await(done);
    return found;
}
