#pragma once

#include "platform/SearchDiagnosis.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::netfilter {

// The adapter's address and prefix length, first octet most significant: a hub's reply
// comes from an address of that subnet to the adapter's address or its broadcast address,
// and the request goes from the adapter's address to the broadcast address.
struct AdapterSubnet {
    std::uint32_t address = 0;
    int prefixLength = 0;
    std::uint32_t Mask() const {
        return prefixLength <= 0 ? 0 : ~std::uint32_t{0} << (32 - std::min(prefixLength, 32));
    }
    std::uint32_t Network() const { return address & Mask(); }
    std::uint32_t Broadcast() const { return Network() | ~Mask(); }
};

// Parses "a.b.c.d" alone.
std::optional<std::uint32_t> ParseAddress(const std::string& text);

// What an nftables ruleset, as "nft -j list ruleset" prints it, does with the search's
// datagrams: UDP from port to port (the discovery port on both ends), a new flow to connection
// tracking (a reply to a broadcast is tied to no request), in through interfaceName (the replies)
// and out through it (the request). Every base chain of the ip and inet families on the
// input and output hooks is walked, jumps and gotos followed.
//
// The drops, each by a rule or a chain's policy; an empty list when every chain lets the
// datagrams through. No value when the text is no ruleset, or when a rule that decides
// depends on what the datagrams do not tell (an address that only part of the subnet
// has, a rate): whyNot names it. Without subnet, every address match is such a rule.
Reading<std::vector<FirewallDrop>> JudgeNftRuleset(const std::string& json,
                                                   const std::string& interfaceName,
                                                   std::uint16_t port,
                                                   const std::optional<AdapterSubnet>& subnet = {});

} // namespace platform::netfilter
