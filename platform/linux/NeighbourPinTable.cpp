#include "platform/linux/NeighbourPinTable.h"

#include "platform/linux/Netlink.h"
#include "platform/linux/RouteTables.h"

#include <algorithm>
#include <cerrno>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace platform::pin_table {

namespace {

using netlink::Bytes;

struct TableEntry {
    std::uint32_t interfaceIndex = 0;
    Ipv4Address address{};
    std::uint16_t state = 0;
    std::optional<std::uint8_t> protocol;

    pin_rules::ExistingEntry AsExisting() const {
        return {(state & (NUD_PERMANENT | NUD_NOARP)) != 0,
                (state & NUD_PERMANENT) != 0 && protocol == kPinProtocol};
    }
};

constexpr int kDumpAttempts = 5;

int DumpNeighbours(std::vector<TableEntry>& entries) {
    int error = EINTR;
    for (int attempt = 0; attempt < kDumpAttempts && error == EINTR; ++attempt) {
        entries.clear();
        netlink::Socket socket;
        if (socket.Error() != 0)
            return socket.Error();
        ndmsg request{};
        request.ndm_family = AF_INET;
        error = socket.Dump(RTM_GETNEIGH, request, [&](const netlink::Message& message) {
            const auto header = netlink::FixedHeader<ndmsg>(message.payload);
            if (message.type != RTM_NEWNEIGH || !header || header->ndm_family != AF_INET)
                return true;
            TableEntry entry;
            entry.interfaceIndex = static_cast<std::uint32_t>(header->ndm_ifindex);
            entry.state = header->ndm_state;
            bool hasAddress = false;
            netlink::ForEachAttribute(
                netlink::AttributesAfter(message.payload, sizeof(ndmsg)),
                [&](std::uint16_t type, Bytes data) {
                    if (type == NDA_DST) {
                        if (const auto value = netlink::AttributeValue<Ipv4Address>(data)) {
                            entry.address = *value;
                            hasAddress = true;
                        }
                    } else if (type == NDA_PROTOCOL) {
                        entry.protocol = netlink::AttributeValue<std::uint8_t>(data);
                    }
                });
            if (hasAddress)
                entries.push_back(entry);
            return true;
        });
    }
    return error;
}

// The gateways of a route: RTA_GATEWAY, and each next hop's of a multipath route.
void CollectGateways(Bytes attributes, std::vector<Ipv4Address>& gateways) {
    netlink::ForEachAttribute(attributes, [&](std::uint16_t type, Bytes data) {
        if (type == RTA_GATEWAY) {
            if (const auto gateway = netlink::AttributeValue<Ipv4Address>(data))
                gateways.push_back(*gateway);
        } else if (type == RTA_MULTIPATH) {
            std::size_t offset = 0;
            while (data.size() - offset >= sizeof(rtnexthop)) {
                rtnexthop hop;
                std::memcpy(&hop, data.data() + offset, sizeof hop);
                if (hop.rtnh_len < sizeof hop || hop.rtnh_len > data.size() - offset)
                    break;
                CollectGateways(
                    data.subspan(offset + RTNH_LENGTH(0), hop.rtnh_len - RTNH_LENGTH(0)), gateways);
                offset += RTNH_ALIGN(hop.rtnh_len);
            }
        }
    });
}

int DumpGateways(std::vector<Ipv4Address>& gateways) {
    int error = EINTR;
    for (int attempt = 0; attempt < kDumpAttempts && error == EINTR; ++attempt) {
        gateways.clear();
        netlink::Socket socket;
        if (socket.Error() != 0)
            return socket.Error();
        rtmsg request{};
        request.rtm_family = AF_INET;
        // Every table: a gateway of a policy route is as much the PC's as the main one.
        error = socket.Dump(RTM_GETROUTE, request, [&](const netlink::Message& message) {
            const auto header = netlink::FixedHeader<rtmsg>(message.payload);
            if (message.type == RTM_NEWROUTE && header && header->rtm_family == AF_INET)
                CollectGateways(netlink::AttributesAfter(message.payload, sizeof(rtmsg)), gateways);
            return true;
        });
    }
    return error;
}

std::optional<pin_rules::ExistingEntry> FindEntry(const std::vector<TableEntry>& entries,
                                                  std::uint32_t interfaceIndex,
                                                  const Ipv4Address& address) {
    for (const TableEntry& entry : entries) {
        if (entry.interfaceIndex == interfaceIndex && entry.address == address)
            return entry.AsExisting();
    }
    return std::nullopt;
}

int Delete(netlink::Socket& socket, std::uint32_t interfaceIndex, const Ipv4Address& address) {
    ndmsg header{};
    header.ndm_family = AF_INET;
    header.ndm_ifindex = static_cast<int>(interfaceIndex);
    netlink::Request request(RTM_DELNEIGH, NLM_F_ACK);
    request.Header(header).Attribute(NDA_DST, address);
    const int error = socket.Transact(request, [](const netlink::Message&) { return true; });
    return error == ENOENT ? 0 : error;
}

} // namespace

int GatherFacts(std::uint32_t interfaceIndex, pin_rules::InterfaceFacts& facts) {
    facts = {};
    std::vector<netlink::LinkInfo> links;
    std::vector<netlink::AddressInfo> addresses;
    if (const int error = netlink::DumpLinks(links); error != 0)
        return error;
    if (const int error = netlink::DumpIpv4Addresses(addresses); error != 0)
        return error;
    if (const int error = DumpGateways(facts.gateways); error != 0)
        return error;
    facts.exists = std::any_of(links.begin(), links.end(), [&](const netlink::LinkInfo& link) {
        return link.index > 0 && static_cast<std::uint32_t>(link.index) == interfaceIndex;
    });
    for (const netlink::AddressInfo& address : addresses) {
        facts.ownAddresses.push_back(address.local);
        if (address.index > 0 && static_cast<std::uint32_t>(address.index) == interfaceIndex)
            facts.subnets.push_back({address.local, address.prefixLength});
    }
    return 0;
}

Outcome Add(std::uint32_t interfaceIndex, Ipv4Address address,
            const PhysicalAddress& physicalAddress) {
    pin_rules::InterfaceFacts facts;
    if (const int error = GatherFacts(interfaceIndex, facts); error != 0)
        return {PinRefusal::None, error};
    if (const PinRefusal refusal = pin_rules::CheckPin(facts, address, physicalAddress);
        refusal != PinRefusal::None)
        return {refusal, 0};
    std::vector<TableEntry> entries;
    if (const int error = DumpNeighbours(entries); error != 0)
        return {PinRefusal::None, error};
    if (const PinRefusal refusal =
            pin_rules::CheckReplace(FindEntry(entries, interfaceIndex, address));
        refusal != PinRefusal::None)
        return {refusal, 0};

    netlink::Socket socket;
    if (socket.Error() != 0)
        return {PinRefusal::None, socket.Error()};
    ndmsg header{};
    header.ndm_family = AF_INET;
    header.ndm_ifindex = static_cast<int>(interfaceIndex);
    header.ndm_state = NUD_PERMANENT;
    netlink::Request request(RTM_NEWNEIGH, NLM_F_CREATE | NLM_F_REPLACE | NLM_F_ACK);
    request.Header(header)
        .Attribute(NDA_DST, address)
        .Attribute(NDA_LLADDR, physicalAddress)
        .Attribute(NDA_PROTOCOL, kPinProtocol);
    return {PinRefusal::None,
            socket.Transact(request, [](const netlink::Message&) { return true; })};
}

Outcome Remove(std::uint32_t interfaceIndex, Ipv4Address address) {
    std::vector<TableEntry> entries;
    if (const int error = DumpNeighbours(entries); error != 0)
        return {PinRefusal::None, error};
    const auto existing = FindEntry(entries, interfaceIndex, address);
    if (const PinRefusal refusal = pin_rules::CheckRemove(existing); refusal != PinRefusal::None)
        return {refusal, 0};
    if (!existing)
        return {};
    netlink::Socket socket;
    if (socket.Error() != 0)
        return {PinRefusal::None, socket.Error()};
    return {PinRefusal::None, Delete(socket, interfaceIndex, address)};
}

Outcome Sweep() {
    std::vector<TableEntry> entries;
    if (const int error = DumpNeighbours(entries); error != 0)
        return {PinRefusal::None, error};
    netlink::Socket socket;
    if (socket.Error() != 0)
        return {PinRefusal::None, socket.Error()};
    int firstError = 0;
    for (const TableEntry& entry : entries) {
        if (!entry.AsExisting().ours)
            continue;
        if (const int error = Delete(socket, entry.interfaceIndex, entry.address);
            error != 0 && firstError == 0)
            firstError = error;
    }
    return {PinRefusal::None, firstError};
}

} // namespace platform::pin_table
