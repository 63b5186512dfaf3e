#include "platform/NeighbourTable.h"

#include "platform/LastError.h"
#include "platform/linux/NeighbourEntry.h"
#include "platform/linux/Netlink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace neighbour {

std::optional<Entry> ParseEntry(netlink::Bytes payload) {
    const auto header = netlink::FixedHeader<ndmsg>(payload);
    if (!header || header->ndm_family != AF_INET)
        return std::nullopt;
    Entry entry;
    entry.interfaceIndex = header->ndm_ifindex;
    entry.state = header->ndm_state;
    bool hasAddress = false;
    netlink::ForEachAttribute(netlink::AttributesAfter(payload, sizeof(ndmsg)),
                              [&](std::uint16_t type, netlink::Bytes data) {
                                  if (type == NDA_DST) {
                                      if (const auto value =
                                              netlink::AttributeValue<std::uint32_t>(data)) {
                                          entry.address = *value;
                                          hasAddress = true;
                                      }
                                  } else if (type == NDA_LLADDR) {
                                      entry.linkAddress.assign(data.begin(), data.end());
                                  }
                              });
    if (!hasAddress)
        return std::nullopt;
    return entry;
}

bool IsUsable(const Entry& entry) {
    constexpr std::uint16_t kVouched =
        NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT | NUD_NOARP;
    return (entry.state & kVouched) != 0 && !entry.linkAddress.empty() &&
           std::any_of(entry.linkAddress.begin(), entry.linkAddress.end(),
                       [](std::uint8_t b) { return b != 0; });
}

} // namespace neighbour

namespace {

constexpr std::uint32_t kPollIntervalMs = 50;
constexpr std::uint16_t kDiscardPort = 9;

struct Route {
    int interfaceIndex = 0;
    bool onLink = false; // no gateway between us and the destination
};

// The interface the kernel would send to destination from source through.
std::optional<Route> FindRoute(netlink::Socket& socket, std::uint32_t destination,
                               std::uint32_t source) {
    rtmsg header{};
    header.rtm_family = AF_INET;
    header.rtm_dst_len = 32;
    header.rtm_src_len = source != 0 ? 32 : 0;
    netlink::Request request(RTM_GETROUTE, 0);
    request.Header(header).Attribute(RTA_DST, destination);
    if (source != 0)
        request.Attribute(RTA_SRC, source);

    std::optional<Route> route;
    const int error = socket.Transact(request, [&](const netlink::Message& message) {
        const auto reply = netlink::FixedHeader<rtmsg>(message.payload);
        if (message.type != RTM_NEWROUTE || !reply || reply->rtm_type != RTN_UNICAST)
            return false;
        Route found;
        found.onLink = true;
        netlink::ForEachAttribute(netlink::AttributesAfter(message.payload, sizeof(rtmsg)),
                                  [&](std::uint16_t type, netlink::Bytes data) {
                                      if (type == RTA_OIF)
                                          found.interfaceIndex =
                                              netlink::AttributeValue<int>(data).value_or(0);
                                      else if (type == RTA_GATEWAY)
                                          found.onLink = false;
                                  });
        if (found.interfaceIndex > 0)
            route = found;
        return false;
    });
    if (error != 0)
        return std::nullopt;
    return route;
}

enum class TableRead { Found, Missing, Failed };

TableRead ReadEntry(netlink::Socket& socket, std::uint32_t destination, int interfaceIndex,
                    std::vector<std::uint8_t>& linkAddress) {
    ndmsg header{};
    header.ndm_family = AF_INET;
    bool found = false;
    int error;
    do {
        found = false;
        error = socket.Dump(RTM_GETNEIGH, header, [&](const netlink::Message& message) {
            if (message.type != RTM_NEWNEIGH)
                return true;
            const auto entry = neighbour::ParseEntry(message.payload);
            if (entry && entry->address == destination && entry->interfaceIndex == interfaceIndex &&
                neighbour::IsUsable(*entry)) {
                linkAddress = entry->linkAddress;
                found = true;
            }
            return true;
        });
    } while (error == EINTR); // the table changed during the dump: read it again
    if (error != 0)
        return TableRead::Failed;
    return found ? TableRead::Found : TableRead::Missing;
}

// One datagram to the discard port makes the kernel resolve the destination's address,
// with no privileges needed.
void ProvokeResolution(std::uint32_t destination, std::uint32_t source) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = source;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDiscardPort);
    to.sin_addr.s_addr = destination;
    if (source == 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0)
        ::sendto(fd, nullptr, 0, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(fd);
}

} // namespace

std::uint32_t LookUpPhysicalAddress(std::uint32_t destination, std::uint32_t source,
                                    std::uint8_t* physicalAddress, std::uint32_t& length,
                                    std::uint32_t waitMs) {
    if (physicalAddress == nullptr || length == 0 || destination == 0 || destination == 0xFFFFFFFF)
        return kErrorInvalidParameter;

    netlink::Socket socket;
    if (socket.Error() != 0)
        return kErrorGenFailure;
    const auto route = FindRoute(socket, destination, source);
    // A destination behind a router has no entry of its own to find.
    if (!route || !route->onLink)
        return kErrorBadNetName;

    std::vector<std::uint8_t> linkAddress;
    TableRead read = ReadEntry(socket, destination, route->interfaceIndex, linkAddress);
    if (read == TableRead::Missing) {
        ProvokeResolution(destination, source);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (read == TableRead::Missing && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
            read = ReadEntry(socket, destination, route->interfaceIndex, linkAddress);
        }
    }
    if (read == TableRead::Failed)
        return kErrorGenFailure;
    if (read == TableRead::Missing)
        return kErrorBadNetName;
    if (linkAddress.size() > length)
        return kErrorBufferOverflow;
    std::memcpy(physicalAddress, linkAddress.data(), linkAddress.size());
    length = static_cast<std::uint32_t>(linkAddress.size());
    return kErrorSuccess;
}

} // namespace platform
