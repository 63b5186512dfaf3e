#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the PC's own side says when a hub search found nothing: the facts that can keep
// the hubs' replies away, as the system tells them. Every fact is a Reading: its value,
// or nothing and the reason it could not be read (in the system's own words). The
// readings say nothing about what is wrong; discovery/SearchFindings.h judges them.
namespace platform {

template <typename T> struct Reading {
    std::optional<T> value;
    std::string whyNot; // when value is empty
};

// A socket on the discovery port that is not the search's own.
struct PortHolder {
    int pid = 0;         // 0 when the system does not tell which process holds it
    std::string program; // the process's name, empty when not told
};

struct PortHolders {
    std::vector<PortHolder> holders;
    // Some processes' sockets could not be looked at (another user's, without root): a
    // holder of theirs has pid 0.
    bool someHidden = false;
};

// What one firewall on the PC does with the search's datagrams (UDP, port 30303 on both
// ends, in through the adapter and out through it).
struct FirewallDrop {
    std::string rule;      // where, in the firewall's own terms ("inet filter input handle 3")
    bool byPolicy = false; // no rule accepts the datagrams and the chain's policy drops them
};

struct FirewallReading {
    std::string name; // "nftables", "ufw", "firewalld"; a Windows layer: "Windows Firewall"
    // The drops; an empty list when it lets the datagrams through. No value when its
    // configuration could not be read or its rules depend on what the program cannot
    // tell (whyNot says which).
    Reading<std::vector<FirewallDrop>> drops;
};

enum class AdapterKind { Wired, Wireless, Vpn };

struct SearchSystemFacts {
    std::string interfaceName;
    Reading<bool> enabled; // the adapter is switched on
    Reading<bool> carrier; // a cable (or a link) is there
    Reading<AdapterKind> kind;
    std::string kindName; // the link's own type when it is a VPN ("wireguard", "tun", "ppp")
    Reading<PortHolders> portHolders;
    std::vector<FirewallReading> firewalls; // only the firewalls that are on the PC
    // Reverse-path filtering on the adapter: 0 off, 1 strict, 2 loose (the stricter of the
    // adapter's own setting and the one for all adapters).
    Reading<int> reversePathFilter;
    Reading<int> addressCount; // the PC's IPv4 addresses other than loopback
};

class SearchDiagnosis {
public:
    virtual ~SearchDiagnosis() = default;
    // Reads files and may run a program: never on the console's thread. The adapter by
    // its interface name (the adapter list's connection name) and its address; port: the
    // UDP port the search sends from and to.
    virtual SearchSystemFacts Gather(const std::string& interfaceName, const std::string& address,
                                     std::uint16_t port) = 0;
};

std::unique_ptr<SearchDiagnosis> MakeSearchDiagnosis();

} // namespace platform
