#pragma once

#include "platform/SearchDiagnosis.h"
#include "platform/linux/NftRuleset.h"

#include <optional>
#include <string>

// The configuration files of the firewall front ends, read for what they do with the
// search's datagrams (UDP, port on both ends, through interfaceName). root is "/"
// but for tests. Nothing when that front end is not on the PC. Their rules end up in the
// kernel's ruleset, which the nftables reading judges where it may be read (root); the
// files tell what they can to anyone.
namespace platform::netfilter {

// A rule for part of the adapter's subnet (or any address, without subnet) cannot be
// judged.
std::optional<FirewallReading> ReadUfw(const std::string& interfaceName, std::uint16_t port,
                                       const std::optional<AdapterSubnet>& subnet = {},
                                       const std::string& root = "/");

// running: whether the firewalld daemon runs (a stopped one filters nothing).
std::optional<FirewallReading> ReadFirewalld(const std::string& interfaceName, std::uint16_t port,
                                             bool running, const std::string& root = "/");

} // namespace platform::netfilter
