#include "platform/linux/RouteTables.h"

#include "platform/linux/Netlink.h"

#include <algorithm>
#include <cerrno>
#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace platform::netlink {

namespace {

constexpr int kDumpAttempts = 5;

// Reads a whole dump into a fresh result, again when the kernel says it changed meanwhile.
template <typename Result, typename ReadOnce> int DumpWithRetry(Result& result, ReadOnce readOnce) {
    int error = EINTR;
    for (int attempt = 0; attempt < kDumpAttempts && error == EINTR; ++attempt) {
        result.clear();
        Socket socket;
        error = socket.Error() != 0 ? socket.Error() : readOnce(socket);
    }
    return error;
}

std::string LinkKind(Bytes linkInfo) {
    std::string kind;
    ForEachAttribute(linkInfo, [&](std::uint16_t type, Bytes data) {
        if (type == IFLA_INFO_KIND)
            kind = AttributeString(data);
    });
    return kind;
}

} // namespace

int DumpLinks(std::vector<LinkInfo>& links) {
    return DumpWithRetry(links, [&](Socket& socket) {
        ifinfomsg request{};
        request.ifi_family = AF_UNSPEC;
        return socket.Dump(RTM_GETLINK, request, [&](const Message& message) {
            const auto header = FixedHeader<ifinfomsg>(message.payload);
            if (message.type != RTM_NEWLINK || !header)
                return true;
            LinkInfo link;
            link.index = header->ifi_index;
            link.hardwareType = header->ifi_type;
            link.flags = header->ifi_flags;
            ForEachAttribute(AttributesAfter(message.payload, sizeof(ifinfomsg)),
                             [&](std::uint16_t type, Bytes data) {
                                 if (type == IFLA_IFNAME)
                                     link.name = AttributeString(data);
                                 else if (type == IFLA_ADDRESS)
                                     link.hardwareAddress.assign(data.begin(), data.end());
                                 else if (type == IFLA_LINKINFO)
                                     link.kind = LinkKind(data);
                             });
            links.push_back(std::move(link));
            return true;
        });
    });
}

int DumpIpv4Addresses(std::vector<AddressInfo>& addresses) {
    return DumpWithRetry(addresses, [&](Socket& socket) {
        ifaddrmsg request{};
        request.ifa_family = AF_INET;
        return socket.Dump(RTM_GETADDR, request, [&](const Message& message) {
            const auto header = FixedHeader<ifaddrmsg>(message.payload);
            if (message.type != RTM_NEWADDR || !header || header->ifa_family != AF_INET)
                return true;
            AddressInfo address;
            address.index = static_cast<int>(header->ifa_index);
            address.prefixLength = std::min<std::uint8_t>(header->ifa_prefixlen, 32);
            address.flags = header->ifa_flags;
            bool haveLocal = false;
            bool haveAddress = false;
            Ipv4Address peer{};
            ForEachAttribute(AttributesAfter(message.payload, sizeof(ifaddrmsg)),
                             [&](std::uint16_t type, Bytes data) {
                                 const auto value = AttributeValue<Ipv4Address>(data);
                                 if (type == IFA_LOCAL && value) {
                                     address.local = *value;
                                     haveLocal = true;
                                 } else if (type == IFA_ADDRESS && value) {
                                     peer = *value;
                                     haveAddress = true;
                                 } else if (type == IFA_FLAGS) {
                                     if (const auto flags = AttributeValue<std::uint32_t>(data))
                                         address.flags = *flags;
                                 }
                             });
            // IFA_ADDRESS is the peer on a point-to-point link; IFA_LOCAL is ours.
            if (!haveLocal && !haveAddress)
                return true;
            if (!haveLocal)
                address.local = peer;
            addresses.push_back(address);
            return true;
        });
    });
}

} // namespace platform::netlink
