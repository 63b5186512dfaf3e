#include "cli/EmptySearch.h"

#include <sstream>

namespace {

std::string CheckName(const SearchFinding& finding, const std::string& interfaceName) {
    switch (finding.check) {
    case SearchCheck::Cable:
        return "the link of adapter " + interfaceName;
    case SearchCheck::AdapterKind:
        return "the kind of adapter " + interfaceName;
    case SearchCheck::Port:
        return "whether another program holds UDP port 30303";
    case SearchCheck::Firewall:
        return "firewall " + finding.source;
    case SearchCheck::ReversePath:
        return "reverse-path filtering (rp_filter)";
    }
    return "a check";
}

std::string Holders(const SearchFinding& finding) {
    std::string text;
    for (const platform::PortHolder& holder : finding.holders) {
        if (!text.empty())
            text += ", ";
        if (holder.pid == 0)
            text += "a process the system does not name";
        else
            text += (holder.program.empty() ? std::string("process") : holder.program) + " (PID " +
                    std::to_string(holder.pid) + ")";
    }
    return text;
}

std::string Drops(const SearchFinding& finding) {
    std::string text;
    for (const platform::FirewallDrop& drop : finding.drops) {
        if (!text.empty())
            text += "; ";
        text += drop.byPolicy ? drop.rule + " drops by default and no rule lets UDP 30303 in"
                              : "rule " + drop.rule;
    }
    return text;
}

std::string WhatIsWrong(const SearchFinding& finding, const std::string& interfaceName) {
    switch (finding.check) {
    case SearchCheck::Cable:
        return finding.adapterDisabled
                   ? "adapter " + interfaceName +
                         " is switched off: switch it on in the network settings"
                   : "adapter " + interfaceName +
                         " has no link: check the cable and the switch's power";
    case SearchCheck::AdapterKind:
        return finding.kind == platform::AdapterKind::Wireless
                   ? "adapter " + interfaceName +
                         " is Wi-Fi: hubs are on the wired network, choose a wired adapter"
                   : "adapter " + interfaceName + " is a VPN tunnel (" + finding.kindName +
                         "): no hubs are behind it, choose the local network's adapter";
    case SearchCheck::Port:
        return "UDP port 30303 is held by " + Holders(finding) +
               ": close that program and search again";
    case SearchCheck::Firewall:
        return "firewall " + finding.source + " drops UDP 30303: " + Drops(finding);
    case SearchCheck::ReversePath:
        return "strict reverse-path filtering (rp_filter = 1) with " +
               std::to_string(finding.addressCount) +
               " addresses on this PC drops replies from another subnet: set "
               "net.ipv4.conf.all.rp_filter and net.ipv4.conf." +
               interfaceName + ".rp_filter to 2";
    }
    return {};
}

} // namespace

std::string EmptySearchWords(const std::vector<SearchFinding>& findings,
                             const std::string& interfaceName) {
    std::ostringstream words;
    for (const SearchFinding& finding : findings) {
        switch (finding.verdict) {
        case SearchVerdict::Fine:
            words << "checked, fine: " << CheckName(finding, interfaceName) << "\n";
            break;
        case SearchVerdict::NotChecked:
            words << "not checked: " << CheckName(finding, interfaceName) << " (" << finding.reason
                  << ")\n";
            break;
        case SearchVerdict::Wrong:
            words << "problem: " << WhatIsWrong(finding, interfaceName) << "\n";
            break;
        }
    }
    return words.str();
}
