#pragma once

#include "platform/Ipv4Address.h"

#include <cstdint>
#include <string>
#include <vector>

// The kernel's link and IPv4 address tables as read through rtnetlink.
namespace platform::netlink {

struct LinkInfo {
    int index = 0;
    std::uint16_t hardwareType = 0; // ARPHRD_*
    std::uint32_t flags = 0;        // IFF_*
    std::string name;
    std::string kind; // IFLA_INFO_KIND of a virtual link ("veth", "bridge" ...), else empty
    std::vector<std::uint8_t> hardwareAddress;
};

struct AddressInfo {
    int index = 0;
    Ipv4Address local{};
    std::uint8_t prefixLength = 0;
    std::uint32_t flags = 0; // IFA_F_*, the 32-bit set
};

// Each returns 0 or an errno value. A dump that the kernel reports as torn by a
// concurrent change is read again a few times before EINTR is given up on.
int DumpLinks(std::vector<LinkInfo>& links);
int DumpIpv4Addresses(std::vector<AddressInfo>& addresses);

} // namespace platform::netlink
