// The PC's side of a search that found nothing, as Linux tells it.
#include "platform/SearchDiagnosis.h"
#include "platform/linux/FirewallFiles.h"
#include "platform/linux/NftRuleset.h"
#include "platform/linux/RouteTables.h"
#include "platform/linux/RunProgram.h"
#include "platform/linux/SysfsNetInfo.h"
#include "platform/linux/UdpPortHolders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <linux/if_arp.h>
#include <unistd.h>

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr auto kNftLimit = std::chrono::seconds(3);

std::string ErrnoText(int error) {
    return std::strerror(error);
}

void ReadLink(const std::string& name, SearchSystemFacts& facts) {
    std::vector<netlink::LinkInfo> links;
    if (const int error = netlink::DumpLinks(links); error != 0) {
        facts.enabled.whyNot = facts.carrier.whyNot = facts.kind.whyNot =
            "the link table: " + ErrnoText(error);
        return;
    }
    const auto link =
        std::find_if(links.begin(), links.end(),
                     [&name](const netlink::LinkInfo& one) { return one.name == name; });
    if (link == links.end()) {
        facts.enabled.whyNot = facts.carrier.whyNot = facts.kind.whyNot = "no interface " + name;
        return;
    }
    facts.enabled.value = (link->flags & IFF_UP) != 0;
    facts.carrier.value = (link->flags & IFF_LOWER_UP) != 0;

    // Tunnels of every VPN client: tun and tap ("tun"), WireGuard, PPP (PPTP, L2TP, PPPoE).
    if (link->kind == "tun" || link->kind == "wireguard") {
        facts.kind.value = AdapterKind::Vpn;
        facts.kindName = link->kind;
    } else if (link->hardwareType == ARPHRD_PPP) {
        facts.kind.value = AdapterKind::Vpn;
        facts.kindName = "ppp";
    } else if (link->hardwareType == ARPHRD_NONE) {
        facts.kind.value = AdapterKind::Vpn;
        facts.kindName = "tun";
    } else if (!link->kind.empty()) {
        facts.kind.value = AdapterKind::Wired; // a virtual link (veth, bridge, macvlan)
    } else {
        const netlink::SysfsNetInfo sysfs;
        if (!sysfs.Matches(link->name, link->index))
            facts.kind.whyNot = "sysfs does not show " + name + " in this network namespace";
        else
            facts.kind.value = sysfs.IsWireless(link->name, link->index) ? AdapterKind::Wireless
                                                                         : AdapterKind::Wired;
    }
}

std::optional<int> ReadNumber(const fs::path& path) {
    std::ifstream in(path);
    int value = 0;
    if (!(in >> value))
        return std::nullopt;
    return value;
}

void ReadReversePath(const std::string& name, const std::vector<netlink::AddressInfo>& addresses,
                     SearchSystemFacts& facts) {
    // /proc/sys/net shows the calling thread's network namespace.
    const fs::path conf = "/proc/sys/net/ipv4/conf";
    const auto all = ReadNumber(conf / "all" / "rp_filter");
    const auto own = ReadNumber(conf / name / "rp_filter");
    if (!all || !own)
        facts.reversePathFilter.whyNot =
            (conf / (all ? name : "all") / "rp_filter").string() + ": " + ErrnoText(errno);
    else
        facts.reversePathFilter.value = std::max(*all, *own);

    if (!facts.addressCount.whyNot.empty())
        return;
    facts.addressCount.value = static_cast<int>(
        std::count_if(addresses.begin(), addresses.end(),
                      [](const netlink::AddressInfo& address) { return address.local[0] != 127; }));
}

FirewallReading ReadNftables(const std::string& name, std::uint16_t port,
                             const std::optional<netfilter::AdapterSubnet>& subnet) {
    FirewallReading reading{"nftables", {}};
    std::string nft;
    for (const char* path : {"/usr/sbin/nft", "/sbin/nft", "/usr/bin/nft"}) {
        if (::access(path, X_OK) == 0) {
            nft = path;
            break;
        }
    }
    if (nft.empty()) {
        reading.drops.whyNot = "the nft program is not installed";
        return reading;
    }
    const ProgramRun run = RunProgram(nft, {"-j", "list", "ruleset"}, kNftLimit);
    if (!run.exitCode || *run.exitCode != 0) {
        std::string why = run.errors.substr(0, run.errors.find('\n'));
        reading.drops.whyNot =
            "nft: " + (why.empty() ? std::string(run.started ? "failed" : "did not start") : why);
        return reading;
    }
    reading.drops = netfilter::JudgeNftRuleset(run.output, name, port, subnet);
    return reading;
}

bool ProcessRuns(const std::string& program) {
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
        std::ifstream comm(process.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name == program)
            return true;
    }
    return false;
}

class LinuxSearchDiagnosis final : public SearchDiagnosis {
public:
    SearchSystemFacts Gather(const std::string& interfaceName, const std::string& address,
                             std::uint16_t port) override {
        SearchSystemFacts facts;
        facts.interfaceName = interfaceName;
        ReadLink(interfaceName, facts);
        // The adapter's subnet: the firewalls' rules for addresses are judged by it.
        std::vector<netlink::AddressInfo> addresses;
        std::optional<netfilter::AdapterSubnet> subnet;
        if (const int error = netlink::DumpIpv4Addresses(addresses); error != 0)
            facts.addressCount.whyNot = "the address table: " + ErrnoText(error);
        const auto own = netfilter::ParseAddress(address);
        for (const netlink::AddressInfo& entry : addresses) {
            const std::uint32_t local = std::uint32_t{entry.local[0]} << 24 |
                                        std::uint32_t{entry.local[1]} << 16 |
                                        std::uint32_t{entry.local[2]} << 8 | entry.local[3];
            if (own && local == *own)
                subnet = netfilter::AdapterSubnet{local, entry.prefixLength};
        }
        facts.portHolders = netlink::FindUdpPortHolders(port);
        facts.firewalls.push_back(ReadNftables(interfaceName, port, subnet));
        if (auto ufw = netfilter::ReadUfw(interfaceName, port, subnet))
            facts.firewalls.push_back(std::move(*ufw));
        if (auto firewalld =
                netfilter::ReadFirewalld(interfaceName, port, ProcessRuns("firewalld")))
            facts.firewalls.push_back(std::move(*firewalld));
        ReadReversePath(interfaceName, addresses, facts);
        return facts;
    }
};

} // namespace

std::unique_ptr<SearchDiagnosis> MakeSearchDiagnosis() {
    return std::make_unique<LinuxSearchDiagnosis>();
}

} // namespace platform
