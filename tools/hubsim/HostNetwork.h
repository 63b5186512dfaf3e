#pragma once

#include <cstdint>
#include <string>

// The few changes a hub makes to its own network namespace: its interface address
// and the echo switch. Each returns 0 or an errno value.
namespace hubsim {

// True when this process runs in a named network namespace ("ip netns add") or in one
// that is visibly not init's. The hub changes addresses and sysctls only there, never
// on the machine's own network.
bool InPrivateNetworkNamespace();

int AddInterfaceAddress(int interfaceIndex, std::uint32_t address, int prefixLength);
int DeleteInterfaceAddress(int interfaceIndex, std::uint32_t address, int prefixLength);
bool HasLocalAddress(std::uint32_t address);

// net.ipv4.* of this namespace, e.g. "icmp_echo_ignore_all"; the old value is kept in
// *previous when it is not null.
int WriteIpv4Sysctl(const std::string& name, const std::string& value, std::string* previous);

} // namespace hubsim
