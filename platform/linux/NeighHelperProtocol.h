#pragma once

#include "platform/linux/NeighbourPinTable.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the program and its neighbour helper (kestrune-neigh) say to each other. The
// request is the helper's argument list:
//   add INTERFACE-INDEX ADDRESS PHYSICAL-ADDRESS     add 3 198.18.0.11 02:00:5e:12:00:0b
//   remove INTERFACE-INDEX ADDRESS                   remove 3 198.18.0.11
//   sweep
// with the index in decimal, a dotted IPv4 address and six pairs of hex digits. The answer
// is one line on the helper's stdout:
//   ok                (exit status 0)
//   refused REASON    (exit status 1; REASON as pin_rules::RefusalName gives it)
//   error ERRNO       (exit status 1)
// Anything else is no answer at all.
namespace platform::neigh_helper {

enum class Verb { Add, Remove, Sweep };

struct Request {
    Verb verb = Verb::Sweep;
    std::uint32_t interfaceIndex = 0;
    Ipv4Address address{};
    PhysicalAddress physicalAddress{};
};

std::vector<std::string> FormatArguments(const Request& request);
// The arguments after the program's name; nothing unless they are exactly as above.
std::optional<Request> ParseArguments(std::span<const char* const> arguments);

std::string FormatAnswer(const pin_table::Outcome& outcome);
std::optional<pin_table::Outcome> ParseAnswer(std::string_view text);

} // namespace platform::neigh_helper
