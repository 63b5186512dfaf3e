#pragma once

#include "platform/SearchDiagnosis.h"

#include <cstdint>
#include <string>

// Windows side of the platform layer only: what Windows Firewall does with the search's
// replies, in through any adapter on the discovery port.
namespace platform::windows {

// Reads the firewall's policy through its COM interface on the calling thread (which it
// joins to COM's multithreaded apartment for the call). No drops value, and the system's
// reason, when the interface or a part of it is not there.
FirewallReading ReadWindowsFirewall(std::uint16_t port);

// Whether a rule's local-port list ("*", "30303", "30000-30400,5000", keywords such as
// "RPC") covers port.
bool PortListCovers(std::wstring_view ports, std::uint16_t port);

} // namespace platform::windows
