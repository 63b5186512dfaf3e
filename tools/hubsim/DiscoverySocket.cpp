#include "DiscoverySocket.h"

#include "Ipv4.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hubsim {

namespace {
// Larger than any request, so that an oversized datagram is seen whole.
constexpr std::size_t kReceiveSize = 2048;
// 1,000 hubs sharing the socket each send one reply per request; the default
// buffer would be the first to drop them.
constexpr int kSendBuffer = 4 << 20;
} // namespace

DiscoverySocket::~DiscoverySocket() {
    if (fd >= 0) {
        loop.Unwatch(watch);
        close(fd);
    }
}

bool DiscoverySocket::Open(std::uint16_t port, Handler onDatagram, std::string* error) {
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("discovery socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        *error = "cannot bind UDP port " + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    handler = std::move(onDatagram);
    watch = loop.Watch(fd, POLLIN, [this](short) { Receive(); });
    return true;
}

void DiscoverySocket::Receive() {
    std::uint8_t buffer[kReceiveSize];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    sockaddr_in from{};
    iovec io{buffer, sizeof buffer};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = recvmsg(fd, &message, MSG_DONTWAIT);
    if (got < 0) {
        return;
    }
    Datagram datagram;
    datagram.bytes = ByteView(buffer, static_cast<std::size_t>(got));
    datagram.source = FromNetworkOrder(from.sin_addr.s_addr);
    datagram.sourcePort = ntohs(from.sin_port);
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            datagram.destination = FromNetworkOrder(info.ipi_addr.s_addr);
            datagram.interfaceIndex = info.ipi_ifindex;
        }
    }
    handler(datagram);
}

int DiscoverySocket::SendFrom(std::uint32_t source, int interfaceIndex, std::uint32_t destination,
                              std::uint16_t port, ByteView bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = ToNetworkOrder(destination);
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    iovec io{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = interfaceIndex;
    info.ipi_spec_dst.s_addr = ToNetworkOrder(source);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (sendmsg(fd, &message, MSG_DONTWAIT) < 0) {
        return errno;
    }
    return 0;
}

} // namespace hubsim
