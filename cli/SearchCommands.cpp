// kestrunectl adapters and discover, and the HUB argument's resolution.
#include "cli/Commands.h"
#include "cli/HubArgument.h"
#include "cli/Report.h"
#include "discovery/HubText.h"

#include <ostream>
#include <set>

int RunAdapters(CliIo& io, const DriverOptions& options, const OutputFormat& format) {
    const ConsoleServices services = io.services.WithSystemDefaults();
    const AdapterInventory inventory = TakeAdapterInventory(*services.adapters, false);
    if (options.verbose || options.debug) {
        std::string lines = inventory.logText;
        std::erase(lines, '\r');
        io.err << lines;
    }
    const std::vector<AdapterEntry> entries = Entries(inventory.list);
    io.out << (format.json ? AdaptersJson(entries) : AdaptersTable(entries));
    if (entries.empty()) {
        io.err
            << "kestrunectl: no usable network adapter (Ethernet or Wi-Fi with an IPv4 address)\n";
        return kExitFailed;
    }
    return kExitSuccess;
}

int RunDiscover(CliIo& io, const DriverOptions& options, const OutputFormat& format) {
    HubDriver driver(io, options);
    if (const int code = driver.Start(); code != kExitSuccess)
        return code;
    if (!driver.Search())
        return kExitFailed;
    const std::vector<FoundHub> hubs =
        FoundHubs(driver.Records());
    if (hubs.empty()) {
        io.err << "kestrunectl: no hub answered the search on " << driver.AdapterAddress() << "/"
               << driver.AdapterMask() << "\n"
               << driver.EmptySearchReport();
        return kExitFailed;
    }
    io.out << (format.json ? HubsJson(hubs) : format.csv ? HubsCsv(hubs) : HubsTable(hubs));
    return kExitSuccess;
}

std::optional<FoundTarget> ResolveHub(CliIo& io, const HubList& hubs, const std::string& hub,
                                      int& exitCode) {
    const auto argument = ParseHubArgument(hub);
    if (!argument) {
        io.err << "kestrunectl: HUB \"" << hub
               << "\" is neither an IPv4 address nor a physical address (02-00-5E-12-00-0D)\n";
        exitCode = kExitUsage;
        return std::nullopt;
    }
    FoundTarget target;
    target.address = argument->address;
    target.physicalKey = argument->physicalKey;
    std::set<std::string> addresses;
    std::set<std::string> physicalKeys;
    for (std::size_t i = 0; i < hubs.hubAddresses.size(); ++i) {
        const std::string key = i < hubs.hubPhysicalAddresses.size()
                                    ? ComparablePhysicalAddress(hubs.hubPhysicalAddresses[i])
                                    : "";
        const bool matches = argument->address.empty() ? key == argument->physicalKey
                                                       : hubs.hubAddresses[i] == argument->address;
        if (!matches)
            continue;
        addresses.insert(hubs.hubAddresses[i]);
        physicalKeys.insert(key);
        if (!target.row) {
            target.row = static_cast<int>(i);
            target.address = hubs.hubAddresses[i];
            target.physicalKey = key;
            target.model =
                i < hubs.hubModelTexts.size() ? VisibleHubText(hubs.hubModelTexts[i], false) : "";
        }
    }
    if (!argument->address.empty()) {
        if (physicalKeys.size() > 1) {
            io.err << "kestrunectl: warning: several hubs answered from " << argument->address
                   << "; the session reaches one of them\n";
            target.physicalKey.clear();
        }
        return target;
    }
    if (addresses.empty()) {
        io.err << "kestrunectl: no hub with the physical address " << hub
               << " answered the search\n";
        exitCode = kExitFailed;
        return std::nullopt;
    }
    if (addresses.size() > 1) {
        std::string list;
        for (const std::string& address : addresses)
            list += (list.empty() ? "" : ", ") + address;
        io.err << "kestrunectl: the physical address " << hub
               << " answered from several addresses (" << list
               << "): name the hub by its address\n";
        exitCode = kExitFailed;
        return std::nullopt;
    }
    return target;
}
