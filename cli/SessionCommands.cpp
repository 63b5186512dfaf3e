// kestrunectl show, set-ip and set-id: one hub, one session.
#include "cli/Commands.h"
#include "cli/HubArgument.h"
#include "cli/Plan.h"
#include "cli/Report.h"
#include "console/AddressFields.h"
#include "discovery/HubText.h"
#include "hubsession/ControllerNumber.h"

#include <istream>
#include <ostream>

namespace {

using namespace std::chrono_literals;

// The hub takes its new address at once; a search finds it there within a few seconds.
constexpr auto kVerifyLimit = 10s;

// Start-up, search and HUB: the hub to work with, or the exit code.
std::optional<FoundTarget> FindHub(CliIo& io, HubDriver& driver, const std::string& hub,
                                   int& exitCode) {
    exitCode = driver.Start();
    if (exitCode != kExitSuccess)
        return std::nullopt;
    if (!driver.Search()) {
        exitCode = kExitFailed;
        return std::nullopt;
    }
    return ResolveHub(io, driver.Hubs(), hub, exitCode);
}

std::optional<AddressParts> AddressOption(CliIo& io, const char* option, const std::string& text) {
    auto parts = ParseAddressParts(text);
    if (!parts)
        io.err << "kestrunectl: " << option << " \"" << text << "\" is not an IPv4 address\n";
    return parts;
}

bool Confirmed(CliIo& io, const std::string& question) {
    io.err << question << " [y/N] " << std::flush;
    std::string reply;
    if (!std::getline(io.in, reply))
        return false;
    return reply == "y" || reply == "Y" || reply == "yes" || reply == "Yes";
}

std::string Dotted(const AddressParts& parts) {
    return AddressFieldsText(parts);
}

// The rules on new hub parameters, and a gateway outside the hub's new subnet only with
// --yes: what is known of them (the mask, the adapter's address) is checked as soon as it
// is. False with why written.
bool ParametersAllowed(CliIo& io, const AddressParts& address,
                       const std::optional<AddressParts>& mask, const AddressParts& gateway,
                       std::optional<Ipv4> adapterAddress, bool yes) {
    if (const auto failure = CheckNewHubParameters(address, mask, gateway, adapterAddress)) {
        io.err << "kestrunectl: the hub refuses these parameters:\n" << *failure << "\n";
        return false;
    }
    if (!yes && mask &&
        GatewayOutsideSubnet({AddressOf(address), AddressOf(*mask), AddressOf(gateway)})) {
        io.err << "kestrunectl: " << GatewayOutsideWords(address, *mask, gateway)
               << ". Nothing sent.\n";
        return false;
    }
    return true;
}

// The HUB argument is read before anything is sent.
bool HubArgumentOk(CliIo& io, const std::string& hub) {
    if (ParseHubArgument(hub))
        return true;
    int exitCode = kExitUsage;
    ResolveHub(io, {}, hub, exitCode);
    return false;
}

} // namespace

int RunShow(CliIo& io, const DriverOptions& options, const std::string& hub,
            const OutputFormat& format) {
    if (!HubArgumentOk(io, hub))
        return kExitUsage;
    HubDriver driver(io, options);
    int exitCode = kExitSuccess;
    const auto target = FindHub(io, driver, hub, exitCode);
    if (!target)
        return exitCode;
    if (!driver.EchoServiceAvailable())
        return kExitPermission;
    if (!driver.Open(target->address))
        return kExitFailed;
    HubState state;
    state.ip = target->address;
    state.mac = driver.PhysicalAddress();
    state.model = target->model;
    const auto onLink = driver.OnLink();
    for (std::size_t k = 0; k < onLink.size(); ++k) {
        if (onLink[k])
            state.controllersOnLink.push_back(static_cast<int>(k + 1));
    }
    const HubParameters parameters = driver.Parameters();
    state.address = parameters.address.Text();
    state.mask = parameters.mask.Text();
    state.gateway = parameters.gateway.Text();
    driver.Close();
    io.out << (format.json ? HubStateJson(state) : HubStateText(state));
    return kExitSuccess;
}

int RunSetIp(CliIo& io, const DriverOptions& options, const SetIpRequest& request) {
    int exitCode = kExitSuccess;
    if (!HubArgumentOk(io, request.hub))
        return kExitUsage;
    const auto address = AddressOption(io, "--ip", request.address);
    const auto mask = request.mask.empty() ? std::optional<AddressParts>(AddressParts{})
                                           : AddressOption(io, "--mask", request.mask);
    const auto gateway = request.gateway.empty() ? std::optional<AddressParts>(AddressParts{})
                                                 : AddressOption(io, "--gateway", request.gateway);
    if (!address || !mask || !gateway)
        return kExitUsage;
    // What can be checked before the session is: an omitted mask is the hub's own, not
    // read yet; an omitted gateway is the hub's own, which its rules allowed.
    const std::optional<AddressParts> newMask =
        request.mask.empty() ? std::nullopt : std::optional<AddressParts>(*mask);
    if (!ParametersAllowed(io, *address, newMask, *gateway, std::nullopt, request.yes))
        return kExitUsage;
    if (!request.yes && !io.inIsTerminal) {
        io.err << "kestrunectl: standard input is not a terminal: give --yes to set the hub's "
                  "parameters without being asked\n";
        return kExitUsage;
    }

    HubDriver driver(io, options);
    exitCode = driver.Start();
    if (exitCode != kExitSuccess)
        return exitCode;
    const Ipv4 adapterAddress = driver.AdapterIpv4();
    if (!ParametersAllowed(io, *address, newMask, *gateway, adapterAddress, request.yes))
        return kExitUsage;
    if (!driver.Search())
        return kExitFailed;
    const auto target = ResolveHub(io, driver.Hubs(), request.hub, exitCode);
    if (!target)
        return exitCode;
    if (!driver.EchoServiceAvailable())
        return kExitPermission;
    if (!driver.Open(target->address))
        return kExitFailed;
    const HubParameters parameters = driver.Parameters();
    const AddressParts present[] = {PartsOf(parameters.address), PartsOf(parameters.mask),
                                    PartsOf(parameters.gateway)};
    const AddressParts wanted[] = {*address, request.mask.empty() ? present[1] : *mask,
                                   request.gateway.empty() ? present[2] : *gateway};
    const std::string physical = driver.PhysicalAddress();
    const std::string summary =
        Dotted(wanted[0]) + " mask " + Dotted(wanted[1]) + " gateway " + Dotted(wanted[2]);
    if (std::equal(std::begin(present), std::end(present), std::begin(wanted))) {
        driver.Close();
        io.out << target->address << " " << physical << ": unchanged (" << summary << ")\n";
        return kExitSuccess;
    }
    if (!ParametersAllowed(io, wanted[0], wanted[1], wanted[2], adapterAddress, request.yes)) {
        driver.Close();
        return kExitUsage;
    }
    if (!request.yes && !Confirmed(io, "Give the hub at " + target->address + " (" + physical +
                                           ") the address " + summary + "?")) {
        driver.Close();
        io.err << "kestrunectl: nothing sent\n";
        return kExitFailed;
    }
    std::string refusal;
    if (!driver.Apply({AddressOf(wanted[0]), AddressOf(wanted[1]), AddressOf(wanted[2])},
                      request.yes, refusal)) {
        io.err << "kestrunectl: the parameters were not sent:\n" << refusal;
        return kExitUsage;
    }
    if (!request.verify) {
        io.out << target->address << " " << physical << ": sent " << summary << ", not verified\n";
        return kExitSuccess;
    }
    const std::string key =
        target->physicalKey.empty() ? ComparablePhysicalAddress(physical) : target->physicalKey;
    if (!driver.WaitForHubAt(Dotted(wanted[0]), key, kVerifyLimit)) {
        io.err << "kestrunectl: the hub did not answer at " << Dotted(wanted[0]) << " within "
               << kVerifyLimit.count() << " s: not verified\n";
        return kExitFailed;
    }
    io.out << target->address << " " << physical << ": changed to " << summary << ", verified\n";
    return kExitSuccess;
}

int RunSetId(CliIo& io, const DriverOptions& options, const SetIdRequest& request) {
    int exitCode = kExitSuccess;
    if (!HubArgumentOk(io, request.hub))
        return kExitUsage;
    // The range is checked before anything is sent; a duplicate only once the hub has
    // said which controllers are on link.
    if (const auto problem = CheckControllerNumber(request.controller, {})) {
        io.err << "kestrunectl: --controller " << request.controller << ":\n" << *problem << "\n";
        return kExitUsage;
    }
    if (!request.jumperFitted) {
        io.err << "kestrunectl: writing a controller's number needs its programming jumper "
                  "fitted, and no card shown and no lock opened by hand while it runs; fit the "
                  "jumper and give --jumper-fitted. Nothing sent.\n";
        return kExitUsage;
    }
    HubDriver driver(io, options);
    const auto target = FindHub(io, driver, request.hub, exitCode);
    if (!target)
        return exitCode;
    if (!target->row) {
        io.err << "kestrunectl: the hub at " << target->address
               << " did not answer the search, so its firmware cannot be checked\n";
        return kExitFailed;
    }
    if (!driver.EchoServiceAvailable())
        return kExitPermission;
    if (!driver.Open(target->address, true))
        return kExitFailed;
    std::string text;
    const auto outcome =
        driver.WriteNumber(*target->row, request.controller, request.oldFirmwareOk, text);
    driver.Close();
    switch (outcome) {
    case HubDriver::NumberOutcome::Set:
        io.out << text << "\n";
        return kExitSuccess;
    case HubDriver::NumberOutcome::NotSet:
        io.out << text << "\n";
        return kExitFailed;
    case HubDriver::NumberOutcome::NoAnswer:
        io.err << "kestrunectl: the hub sent no result\n" << text << "\n";
        return kExitFailed;
    case HubDriver::NumberOutcome::OldFirmware:
        io.err << "kestrunectl: the hub's firmware (\"" << VisibleHubText(text, false)
               << "\") probably cannot program controller numbers; give --old-firmware-ok to "
                  "try all the same. Nothing sent.\n";
        return kExitFailed;
    case HubDriver::NumberOutcome::Refused:
        break;
    }
    io.err << "kestrunectl: nothing sent:\n" << text;
    return kExitFailed;
}
