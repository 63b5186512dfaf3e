// kestrunectl apply PLAN.csv: a whole site from its plan, each hub verified.
#include "cli/Commands.h"
#include "cli/HubArgument.h"
#include "cli/Plan.h"
#include "cli/Report.h"
#include "console/AddressFields.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

namespace {

using namespace std::chrono_literals;

constexpr auto kVerifyLimit = 10s;

// Where each physical address answered the search, and which answered from each address,
// kept up to date as hubs move.
struct SiteMap {
    std::map<std::string, std::set<std::string>> addressesOf; // physical key: addresses
    std::map<std::string, std::set<std::string>> keysAt;      // address: physical keys

    explicit SiteMap(const HubList& hubs) {
        for (std::size_t i = 0; i < hubs.hubAddresses.size(); ++i) {
            const std::string key = i < hubs.hubPhysicalAddresses.size()
                                        ? ComparablePhysicalAddress(hubs.hubPhysicalAddresses[i])
                                        : "";
            addressesOf[key].insert(hubs.hubAddresses[i]);
            keysAt[hubs.hubAddresses[i]].insert(key);
        }
    }
    void Moved(const std::string& key, const std::string& from, const std::string& to) {
        addressesOf[key] = {to};
        keysAt[from].erase(key);
        keysAt[to].insert(key);
    }
    // Another hub answers from address: one of another physical address, or of none
    // known (its key is empty).
    bool OtherAt(const std::string& address, const std::string& key) const {
        const auto found = keysAt.find(address);
        return found != keysAt.end() &&
               std::any_of(found->second.begin(), found->second.end(),
                           [&key](const std::string& other) { return other != key; });
    }
};

// What the rules of a line are judged by in its session.
struct SessionRules {
    Ipv4 adapterAddress;
    bool gatewaysOutsideAllowed = false; // --yes
};

// One line that needs a session: set, verified, or why not.
void SetHub(HubDriver& driver, const PlanLine& line, const SessionRules& rules, SiteMap& site,
            ApplyRow& row) {
    const auto fail = [&row](std::string reason) {
        row.result = "failed";
        row.reason = std::move(reason);
    };
    if (site.OtherAt(row.newAddress, line.physicalKey)) {
        fail("another hub answers from " + row.newAddress);
        return;
    }
    if (!driver.Open(row.oldAddress)) {
        fail("no session with the hub");
        return;
    }
    const HubParameters parameters = driver.Parameters();
    const AddressParts present[] = {PartsOf(parameters.address), PartsOf(parameters.mask),
                                    PartsOf(parameters.gateway)};
    const AddressParts wanted[] = {line.address, line.mask.value_or(present[1]),
                                   line.gateway.value_or(present[2])};
    if (std::equal(std::begin(present), std::end(present), std::begin(wanted))) {
        driver.Close();
        row.result = "unchanged";
        return;
    }
    // An empty mask cell is the hub's own mask, read only now.
    if (const auto failure =
            CheckNewHubParameters(wanted[0], wanted[1], wanted[2], rules.adapterAddress)) {
        driver.Close();
        fail("the hub refuses these parameters: " + *failure);
        return;
    }
    if (!rules.gatewaysOutsideAllowed &&
        GatewayOutsideSubnet({AddressOf(wanted[0]), AddressOf(wanted[1]), AddressOf(wanted[2])})) {
        driver.Close();
        fail(GatewayOutsideWords(wanted[0], wanted[1], wanted[2]));
        return;
    }
    std::string refusal;
    if (!driver.Apply({AddressOf(wanted[0]), AddressOf(wanted[1]), AddressOf(wanted[2])},
                      rules.gatewaysOutsideAllowed, refusal)) {
        std::erase(refusal, '\n');
        fail(refusal);
        return;
    }
    if (!driver.WaitForHubAt(row.newAddress, line.physicalKey, kVerifyLimit)) {
        fail("did not answer at " + row.newAddress + " within " +
             std::to_string(kVerifyLimit.count()) + " s");
        return;
    }
    site.Moved(line.physicalKey, row.oldAddress, row.newAddress);
    row.result = "changed";
}

// The row of a line from the search alone; "to change" when it needs a session.
ApplyRow FirstLook(const PlanLine& line, const SiteMap& site) {
    ApplyRow row;
    row.line = line.lineNumber;
    row.mac = line.mac;
    row.newAddress = AddressFieldsText(line.address);
    const auto found = site.addressesOf.find(line.physicalKey);
    if (found == site.addressesOf.end() || found->second.empty()) {
        row.result = "missing";
        row.reason = "did not answer the search";
        return row;
    }
    if (found->second.size() > 1) {
        std::string list;
        for (const std::string& address : found->second)
            list += (list.empty() ? "" : ", ") + address;
        row.result = "failed";
        row.reason = "answers from several addresses: " + list;
        return row;
    }
    row.oldAddress = *found->second.begin();
    const bool keepsRest = !line.mask && !line.gateway;
    row.result = row.oldAddress == row.newAddress && keepsRest ? "unchanged" : "to change";
    if (row.oldAddress == row.newAddress && !keepsRest)
        row.reason = "the mask and gateway are compared in the session";
    return row;
}

// Problems of the plan are reported each with its line, and nothing is sent.
int PlanRefused(CliIo& io, const std::string& path, const std::vector<PlanProblem>& problems) {
    for (const PlanProblem& problem : problems)
        io.err << path << ":" << problem.lineNumber << ": " << problem.text << "\n";
    io.err << "kestrunectl: the plan has " << problems.size()
           << (problems.size() == 1 ? " problem" : " problems") << "; nothing sent\n";
    return kExitUsage;
}

} // namespace

int RunApply(CliIo& io, const DriverOptions& options, const ApplyRequest& request) {
    std::ifstream file(request.planPath, std::ios::binary);
    std::stringstream content;
    if (!file || !(content << file.rdbuf())) {
        io.err << "kestrunectl: cannot read the plan " << request.planPath << "\n";
        return kExitUsage;
    }
    const Plan plan = ReadPlan(content.str(), request.yes);
    if (!plan.problems.empty())
        return PlanRefused(io, request.planPath, plan.problems);

    HubDriver driver(io, options);
    if (const int code = driver.Start(); code != kExitSuccess)
        return code;
    const Ipv4 adapterAddress = driver.AdapterIpv4();
    if (const auto problems = AdapterProblems(plan, adapterAddress); !problems.empty())
        return PlanRefused(io, request.planPath, problems);
    if (!driver.Search())
        return kExitFailed;
    SiteMap site(driver.Hubs());
    std::vector<ApplyRow> rows;
    for (const PlanLine& line : plan.lines)
        rows.push_back(FirstLook(line, site));

    const bool anyToChange = std::any_of(
        rows.begin(), rows.end(), [](const ApplyRow& row) { return row.result == "to change"; });
    if (!request.dryRun && anyToChange && !driver.EchoServiceAvailable())
        return kExitPermission;
    // Each row goes out as soon as its hub is done, so that a run cut short still says
    // which hubs changed.
    const ApplyReport report(request.json        ? ApplyForm::Json
                             : request.jsonLines ? ApplyForm::JsonLines
                             : request.csv       ? ApplyForm::Csv
                                                 : ApplyForm::Table,
                             rows);
    io.out << report.Start() << std::flush;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!request.dryRun && rows[i].result == "to change")
            SetHub(driver, plan.lines[i], {adapterAddress, request.yes}, site, rows[i]);
        io.out << report.Row(rows[i]) << std::flush;
        if (io.errIsTerminal) {
            const ApplyRow& row = rows[i];
            io.err << "[" << i + 1 << "/" << rows.size() << "] " << row.mac << " "
                   << (row.oldAddress.empty() ? "-" : row.oldAddress) << " -> " << row.newAddress
                   << ": " << row.result << (row.reason.empty() ? "" : " (" + row.reason + ")")
                   << "\n";
        }
    }
    io.out << report.End(rows) << std::flush;
    // A dry run's exit code foretells the real run's, with every change taken as done.
    const auto done =
        static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const ApplyRow& row) {
            return row.result == "changed" || row.result == "unchanged" ||
                   row.result == "to change";
        }));
    return done == rows.size() ? kExitSuccess : done == 0 ? kExitFailed : kExitPartial;
}
