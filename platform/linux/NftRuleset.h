#pragma once

#include "platform/SearchDiagnosis.h"

#include <string>
#include <vector>

namespace platform::netfilter {

// What an nftables ruleset, as "nft -j list ruleset" prints it, does with the search's
// datagrams: UDP from port 30303 to port 30303, a new flow to connection tracking (a
// reply to a broadcast is tied to no request), in through interfaceName (the replies)
// and out through it (the request). Every base chain of the ip and inet families on the
// input and output hooks is walked, jumps and gotos followed.
//
// The drops, each by a rule or a chain's policy; an empty list when every chain lets the
// datagrams through. No value when the text is no ruleset, or when a rule that decides
// depends on what the datagrams do not tell (a source address, a rate): whyNot names it.
Reading<std::vector<FirewallDrop>> JudgeNftRuleset(const std::string& json,
                                                   const std::string& interfaceName);

} // namespace platform::netfilter
