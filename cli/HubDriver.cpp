#include "cli/HubDriver.h"

#include "adapters/ImproperArgument.h"
#include "cli/HubArgument.h"
#include "discovery/HubSearch.h"
#include "probe/Ping.h"
#include "resources/ConsoleTemplate.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <ostream>

namespace {

using namespace std::chrono_literals;
using Operation = CKestruneDlg::Operation;

// The session's first status and parameters come within a second of the connect; the
// limit leaves room for the echo (1 s), the connect (5 s) and the physical address.
constexpr auto kSessionReadyLimit = 15s;
// The apply pause is 1 s; the session then ends at once.
constexpr auto kApplyLimit = 10s;
// The number wait is 5 s.
constexpr auto kNumberLimit = 10s;

ConsoleServices ServicesWithWait(const ConsoleServices& services, int waitMs,
                                 std::shared_ptr<RememberedSearchDiagnosis>& remembered) {
    ConsoleServices chosen = services.WithSystemDefaults();
    chosen.searchQuietMs = waitMs;
    remembered = std::make_shared<RememberedSearchDiagnosis>(chosen.searchDiagnosis);
    chosen.searchDiagnosis = remembered;
    return chosen;
}

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

} // namespace

HubDriver::HubDriver(CliIo& io, const DriverOptions& options)
    : io_(io), options_(options), services_(ServicesWithWait(io.services, options.waitMs, diagnosis_)),
      view_(options.verbose || options.debug ? &io.err : nullptr) {
    view_.chooseAdapter = [this](const AdapterList& adapters) {
        AdapterChoice choice;
        if (options_.adapter.empty()) {
            adapterProblem_ = "this PC has several adapter addresses: name one with --adapter";
            return choice;
        }
        for (std::size_t i = 0; i < adapters.addresses.size(); ++i) {
            const bool byName =
                i < adapters.connectionNames.size() && adapters.connectionNames[i] == options_.adapter;
            if (byName || adapters.addresses[i] == options_.adapter) {
                choice.accepted = true;
                choice.index = static_cast<int>(i);
                return choice;
            }
        }
        adapterProblem_ = "no adapter address matches --adapter " + options_.adapter;
        return choice;
    };
    console_ = std::make_unique<CKestruneDlg>(view_, loop_, options.debug, services_);
}

HubDriver::~HubDriver() { console_.reset(); }

int HubDriver::Start() {
    console_->OnInitDialog();
    const AdapterList& adapters = console_->adapterList();
    if (adapters.count == 0) {
        io_.err << "kestrunectl: no usable network adapter (Ethernet or Wi-Fi with an IPv4 address)\n"
                << BoxTextsSince(0);
        return kExitFailed;
    }
    if (adapters.count == 1 && !options_.adapter.empty()) {
        const bool matches = adapters.addresses[0] == options_.adapter ||
                             (!adapters.connectionNames.empty() &&
                              adapters.connectionNames[0] == options_.adapter);
        if (!matches)
            adapterProblem_ = "no adapter address matches --adapter " + options_.adapter;
    }
    if (!adapterProblem_.empty() || !console_->StartupSearchPending()) {
        io_.err << "kestrunectl: " << adapterProblem_ << "\n" << EntryList();
        return kExitUsage;
    }
    return kExitSuccess;
}

std::string HubDriver::EntryList() const {
    const AdapterList& adapters = console_->adapterList();
    std::string text = "the adapter addresses are:\n";
    for (std::size_t i = 0; i < adapters.addresses.size(); ++i) {
        text += "  " + (i < adapters.connectionNames.size() ? adapters.connectionNames[i] : "?") +
                "  " + adapters.addresses[i] + "/" +
                (i < adapters.subnetMasks.size() ? adapters.subnetMasks[i] : "?") + "\n";
    }
    return text;
}

std::string HubDriver::AdapterAddress() const { return view_.AddressText(IDC_ADAPTER_ADDRESS); }
std::string HubDriver::AdapterMask() const { return view_.AddressText(IDC_ADAPTER_MASK); }

bool HubDriver::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    if (done())
        return true;
    bool timedOut = false;
    view_.changed = [this, &done] {
        if (done())
            loop_.Quit();
    };
    const auto timer = loop_.StartTimer(limit, [this, &timedOut] {
        timedOut = true;
        loop_.Quit();
    });
    loop_.Run();
    loop_.CancelTimer(timer);
    view_.changed = nullptr;
    return !timedOut || done();
}

void HubDriver::Poke() {
    if (view_.changed)
        view_.changed();
}

bool HubDriver::Search() {
    auto finished = std::make_shared<bool>(false);
    console_->RunHandler([&] {
        console_->SearchHubs([this, finished](int) {
            *finished = true;
            Poke();
        });
    });
    if (console_->operation() != Operation::Search && !*finished) {
        io_.err << "kestrunectl: the search could not start\n" << BoxTextsSince(0);
        return false;
    }
    const auto limit = std::chrono::milliseconds(std::max(options_.waitMs, DISCOVERY_SEARCH_LIMIT_MS)) + 10s;
    return RunUntil([finished] { return *finished; }, limit);
}

std::string HubDriver::EmptySearchReport() const {
    const std::optional<platform::SearchSystemFacts> facts = diagnosis_->Last();
    return facts ? EmptySearchWords(JudgeEmptySearch(*facts), facts->interfaceName) : std::string();
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

bool HubDriver::Ready(bool statusOnly) {
    if (console_->operation() != Operation::None || !console_->session().IsSocketOpen() ||
        !view_.LinkStatusShown())
        return false;
    if (statusOnly)
        return true;
    for (const int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        const AddressParts parts = view_.AddressFields(id);
        if (!std::all_of(parts.begin(), parts.end(), [](const auto& part) { return part.has_value(); }))
            return false;
    }
    return true;
}

bool HubDriver::Open(const std::string& address, std::optional<int> row, bool statusOnly) {
    view_.ForgetLinkStatus();
    if (row) {
        view_.selectedRow = *row;
        console_->RunHandler([this] { console_->SyncHubSelection(); });
    } else {
        view_.SetAddressText(IDC_CONNECT_ADDRESS, address);
        console_->OnParameterFieldChanged(IDC_CONNECT_ADDRESS);
    }
    const std::size_t boxes = BoxCount();
    console_->RunHandler([this] { console_->ConnectToHub(); });
    CClientSocketManager& session = console_->session();
    const bool ended = RunUntil(
        [&] {
            return Ready(statusOnly) ||
                   (console_->operation() == Operation::None && !session.IsSocketOpen());
        },
        kSessionReadyLimit);
    if (ended && Ready(statusOnly))
        return true;
    if (session.IsSocketOpen()) {
        io_.err << "kestrunectl: the hub at " << address
                << (statusOnly ? " did not send its link status\n"
                               : " did not send its link status and IP parameters\n");
        Close();
    } else {
        io_.err << "kestrunectl: no session with the hub at " << address << "\n"
                << BoxTextsSince(boxes);
    }
    return false;
}

std::string HubDriver::PhysicalAddress() const { return view_.ControlText(IDC_PHYSICAL_ADDRESS); }

std::array<bool, kControllerCount> HubDriver::OnLink() const { return console_->linkFlags; }

void HubDriver::Close() {
    if (console_->session().IsSocketOpen())
        console_->RunHandler([this] { console_->DisconnectFromHub(); });
}

bool HubDriver::Apply(const AddressParts& address, const AddressParts& mask,
                      const AddressParts& gateway, bool gatewayConfirmed, std::string& refusal) {
    view_.Type(IDC_HUB_IP_ADDRESS, address);
    view_.Type(IDC_HUB_SUBNET_MASK, mask);
    view_.Type(IDC_HUB_GATEWAY, gateway);
    console_->OnParameterFieldChanged(IDC_HUB_IP_ADDRESS);
    const std::size_t boxes = BoxCount();
    view_.answer = [gatewayConfirmed](const BoxRequest& request) {
        return gatewayConfirmed && request.text == kGatewayOutsideSubnetQuestion ? BoxAnswer::Yes
                                                                                 : BoxAnswer::No;
    };
    console_->RunHandler([this] { console_->ApplyHubParameters(); });
    view_.answer = nullptr;
    if (console_->operation() != Operation::ApplyPause) {
        refusal = BoxTextsSince(boxes);
        Close();
        return false;
    }
    RunUntil([this] {
        return console_->operation() == Operation::None && !console_->session().IsSocketOpen();
    }, kApplyLimit);
    return true;
}

HubDriver::NumberOutcome HubDriver::WriteNumber(std::uint32_t number, bool oldFirmwareOk,
                                                std::string& text) {
    const HubList& hubs = console_->hubList();
    std::string model;
    try {
        model = CheckedAt(hubs.hubModelTexts, hubs.selectedHubIndex);
    } catch (const ImproperArgument&) {
        // The console says so itself when it looks.
    }
    // The console asks first about an old firmware, when the firmware fails its test,
    // then whether the jumper is fitted; the person answered both on the command line.
    const bool firmwareQuestion = !FirmwareSupportsControllerNumbers(model);
    int questions = 0;
    bool firmwareDeclined = false;
    view_.answer = [&](const BoxRequest&) {
        if (questions++ == 0 && firmwareQuestion && !oldFirmwareOk) {
            firmwareDeclined = true;
            return BoxAnswer::No;
        }
        return BoxAnswer::Yes;
    };
    view_.SetControlText(IDC_CONTROLLER_NUMBER, std::to_string(number));
    const std::size_t boxes = BoxCount();
    console_->RunHandler([this] { console_->WriteControllerNumber(); });
    view_.answer = nullptr;
    if (firmwareDeclined) {
        text = model;
        return NumberOutcome::OldFirmware;
    }
    if (console_->operation() != Operation::NumberWait) {
        text = BoxTextsSince(boxes);
        return NumberOutcome::Refused;
    }
    const std::size_t beforeWait = BoxCount();
    RunUntil([this] { return console_->operation() != Operation::NumberWait; }, kNumberLimit);
    // The box after the wait: the hub's result (the console's information icon when the
    // number was set), or the console's word that no result came.
    const auto& shown = view_.Boxes();
    for (std::size_t i = beforeWait; i < shown.size(); ++i) {
        text = shown[i].text;
        if (shown[i].icon == BoxIcon::Information)
            return NumberOutcome::Set;
        if (shown[i].icon == BoxIcon::Warning)
            return NumberOutcome::NotSet;
        return NumberOutcome::NoAnswer;
    }
    text.clear();
    return NumberOutcome::NoAnswer;
}

bool HubDriver::WaitForHubAt(const std::string& address, const std::string& physicalKey,
                             std::chrono::milliseconds limit) {
    struct Outcome {
        std::atomic<bool> found{false};
        bool finished = false;
    };
    auto outcome = std::make_shared<Outcome>();
    const auto answered = [address, physicalKey](const HubList& hubs) {
        for (std::size_t i = 0; i < hubs.hubAddresses.size(); ++i) {
            if (hubs.hubAddresses[i] == address &&
                (physicalKey.empty() || (i < hubs.hubPhysicalAddresses.size() &&
                                         HubPhysicalKey(hubs.hubPhysicalAddresses[i]) == physicalKey)))
                return true;
        }
        return false;
    };
    const auto log = [this](const std::string& text) {
        loop_.Post([this, text] { view_.AppendToLog(text); });
    };
    loop_.RunOffThread(
        [outcome, answered, log, limit, entry = console_->adapterList(),
         makeSocket = services_.discoverySocket, quietMs = options_.waitMs] {
            using Clock = std::chrono::steady_clock;
            const auto deadline = Clock::now() + limit;
            for (auto left = limit; left > 0ms;
                 left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())) {
                const auto started = Clock::now();
                HubList hubs;
                const auto socket = makeSocket();
                const SearchWindow window{.quietMs = quietMs,
                                          .limitMs = static_cast<int>(left.count()),
                                          .enough = answered};
                ::SearchHubs(entry, hubs, log, *socket, window);
                if (answered(hubs)) {
                    outcome->found = true;
                    return;
                }
                // A search that could not even be set up is not tried again at once.
                if (Clock::now() - started < 100ms)
                    std::this_thread::sleep_for(100ms);
            }
        },
        [this, outcome] {
            outcome->finished = true;
            Poke();
        });
    RunUntil([outcome] { return outcome->finished; }, limit + 10s);
    return outcome->found;
}

std::string HubDriver::BoxTextsSince(std::size_t first) const {
    std::string texts;
    const auto& shown = view_.Boxes();
    for (std::size_t i = first; i < shown.size(); ++i) {
        std::string text = shown[i].text;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        texts += WithoutCarriageReturns(text) + "\n";
    }
    return texts;
}
