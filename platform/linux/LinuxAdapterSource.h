#pragma once

#include "platform/AdapterSource.h"
#include "platform/linux/RouteTables.h"
#include "platform/linux/SysfsNetInfo.h"

namespace platform::netlink {

// Adapters and the address table from rtnetlink (RTM_GETLINK, RTM_GETADDR), with sysfs
// for what the kernel's tables do not say: whether an Ethernet link is Wi-Fi, and which
// hardware it is.
class LinuxAdapterSource : public AdapterSource {
public:
    explicit LinuxAdapterSource(SysfsNetInfo sysfs = SysfsNetInfo());

    std::uint32_t GetAdapters(int family, std::vector<AdapterRecord>& adapters) override;
    std::uint32_t GetAddressTable(std::vector<AddressTableRow>& rows) override;
    std::optional<std::string> ErrorText(std::uint32_t code) override;

    // The IANA type number of a link: Ethernet 6, or 71 when sysfs shows it is Wi-Fi;
    // loopback 24; every other kind its own number, none of them an Ethernet number.
    std::uint32_t InterfaceTypeOf(const LinkInfo& link) const;

private:
    SysfsNetInfo sysfs_;
};

// The mask of a prefix length, first octet first.
Ipv4Address MaskFromPrefix(unsigned prefixLength);

} // namespace platform::netlink
