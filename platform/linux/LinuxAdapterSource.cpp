#include "platform/linux/LinuxAdapterSource.h"

#include "platform/LastError.h"
#include "platform/linux/SocketErrors.h"

#include <linux/if.h>
#include <linux/if_addr.h>
#include <map>
#include <net/if_arp.h>

namespace platform {

std::unique_ptr<AdapterSource> MakeAdapterSource() {
    return std::make_unique<netlink::LinuxAdapterSource>();
}

namespace netlink {

namespace {

std::string DescriptionOf(const SysfsNetInfo& sysfs, const LinkInfo& link) {
    std::string text = sysfs.DescribeHardware(link.name, link.index);
    if (text.empty())
        text = link.kind; // a virtual link: its driver ("veth", "bridge", ...)
    if (text.empty())
        text = link.name;
    return text;
}

// The kernel's link table, then its IPv4 address table: 0, or the errno of the first
// dump that failed.
int DumpLinksAndAddresses(std::vector<LinkInfo>& links, std::vector<AddressInfo>& addresses) {
    if (const int error = DumpLinks(links); error != 0)
        return error;
    return DumpIpv4Addresses(addresses);
}

} // namespace

LinuxAdapterSource::LinuxAdapterSource(SysfsNetInfo sysfs) : sysfs_(std::move(sysfs)) {}

std::uint32_t LinuxAdapterSource::InterfaceTypeOf(const LinkInfo& link) const {
    switch (link.hardwareType) {
    case ARPHRD_ETHER:
        return sysfs_.IsWireless(link.name, link.index) ? kIfTypeIeee80211 : kIfTypeEthernet;
    case ARPHRD_LOOPBACK:
        return kIfTypeSoftwareLoopback;
    case ARPHRD_PPP:
        return kIfTypePpp;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
        return kIfTypeTunnel;
    case ARPHRD_IEEE1394:
        return kIfTypeIeee1394;
    case ARPHRD_INFINIBAND:
        return kIfTypeInfiniband;
    case ARPHRD_NONE: // tun, wireguard: no link layer at all
        return kIfTypePropVirtual;
    default:
        // Monitor-mode 802.11, CAN, token ring and the rest carry no IPv4 traffic of ours;
        // their raw ARPHRD numbers would collide with IANA's Ethernet numbers.
        return kIfTypeOther;
    }
}

std::uint32_t LinuxAdapterSource::GetAdapters(int family, std::vector<AdapterRecord>& adapters) {
    adapters.clear();
    if (family != kAdapterFamilyInet)
        return kErrorInvalidParameter;
    std::vector<LinkInfo> links;
    std::vector<AddressInfo> addresses;
    if (const int error = DumpLinksAndAddresses(links, addresses); error != 0)
        return linux_errors::WindowsCode(error);
    if (links.empty())
        return kErrorNoData;

    for (const LinkInfo& link : links) {
        AdapterRecord record;
        record.interfaceType = InterfaceTypeOf(link);
        record.friendlyName = link.name;
        record.description = DescriptionOf(sysfs_, link);
        record.physicalAddress = link.hardwareAddress;
        if (record.physicalAddress.size() > kMaxPhysicalAddressLength)
            record.physicalAddress.resize(kMaxPhysicalAddressLength);
        for (const AddressInfo& address : addresses)
            if (address.index == link.index)
                record.unicastAddresses.push_back(address.local);
        adapters.push_back(std::move(record));
    }
    return kErrorSuccess;
}

std::uint32_t LinuxAdapterSource::GetAddressTable(std::vector<AddressTableRow>& rows) {
    rows.clear();
    std::vector<LinkInfo> links;
    std::vector<AddressInfo> addresses;
    if (const int error = DumpLinksAndAddresses(links, addresses); error != 0)
        return linux_errors::WindowsCode(error);

    std::map<int, bool> connected;
    for (const LinkInfo& link : links)
        connected[link.index] = (link.flags & IFF_LOWER_UP) != 0;
    std::map<int, bool> seen;
    for (const AddressInfo& address : addresses) {
        AddressTableRow row;
        row.address = address.local;
        row.interfaceIndex = static_cast<std::uint32_t>(address.index);
        row.mask = MaskFromPrefix(address.prefixLength);
        if (!seen[address.index])
            row.typeAndState |= kAddressPrimary; // the interface's first address
        seen[address.index] = true;
        if ((address.flags & IFA_F_PERMANENT) == 0)
            row.typeAndState |= kAddressDynamic; // given by DHCP or with a lifetime
        if (!connected[address.index])
            row.typeAndState |= kAddressDisconnected;
        rows.push_back(row);
    }
    return kErrorSuccess;
}

std::optional<std::string> LinuxAdapterSource::ErrorText(std::uint32_t code) {
    // The texts of the codes a failed table read leaves: a netlink errno goes through the
    // same table as every socket's, so the report's number is the one a socket gives.
    static const std::map<std::uint32_t, std::string> texts = {
        {kWsaEAcces, "Access to the network configuration was denied.\r\n"},
        {kErrorOutOfMemory, "Not enough memory to complete this operation.\r\n"},
        {kWsaENoBufs, "Not enough memory to read the network configuration.\r\n"},
        {kErrorGenFailure, "The network configuration could not be read.\r\n"},
        {kErrorInvalidParameter, "A parameter of the request is not valid.\r\n"},
        {kWsaEInvalid, "A parameter of the request is not valid.\r\n"},
        {kErrorBufferOverflow, "The data area passed to the call is too small.\r\n"},
        {kErrorInsufficientBuffer, "The data area passed to the call is too small.\r\n"},
        {kErrorNoData, "There is no data to report.\r\n"},
        {kWsaEOpNotSupp, "The request is not supported.\r\n"},
        {kWsaEAfNoSupport, "The request is not supported.\r\n"},
        {kWsaEProtoNoSupport, "The request is not supported.\r\n"},
        {kWsaETimedOut, "The system did not answer in time.\r\n"},
    };
    const auto found = texts.find(code);
    if (found == texts.end())
        return std::nullopt;
    return found->second;
}

Ipv4Address MaskFromPrefix(unsigned prefixLength) {
    Ipv4Address mask{};
    for (unsigned bit = 0; bit < 32 && bit < prefixLength; ++bit)
        mask[bit / 8] = static_cast<std::uint8_t>(mask[bit / 8] | (0x80u >> (bit % 8)));
    return mask;
}

} // namespace netlink
} // namespace platform
