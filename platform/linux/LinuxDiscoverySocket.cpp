#include "platform/DiscoverySocket.h"
#include "platform/LastError.h"
#include "platform/linux/RouteTables.h"
#include "platform/linux/SocketErrors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Replies of many hubs arrive together: with the default buffer about half of 500 were
// lost, with 1 MiB none of 2,000.
constexpr int kReceiveBufferBytes = 1024 * 1024;

bool Fail(int error) {
    linux_errors::SetLastSocketError(error);
    return false;
}

sockaddr_in SocketAddress(const Ipv4Address& address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    std::memcpy(&result.sin_addr, address.data(), address.size());
    return result;
}

class LinuxDiscoverySocket : public DiscoverySocket {
public:
    ~LinuxDiscoverySocket() override { Close(); }

    std::optional<Ipv4Address> Resolve(const std::string& text) override {
        Ipv4Address address{};
        if (::inet_pton(AF_INET, text.c_str(), address.data()) == 1)
            return address;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
            SetLastError(kWsaHostNotFound);
            return std::nullopt;
        }
        const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
        std::memcpy(address.data(), &in->sin_addr, address.size());
        ::freeaddrinfo(found);
        return address;
    }

    bool Create() override {
        Close();
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
        if (fd_ < 0)
            return Fail(errno);
        // The kernel caps SO_RCVBUF at net.core.rmem_max; as root the cap can be passed.
        // Neither is required: a smaller buffer only risks losing replies in a crowd.
        int size = kReceiveBufferBytes;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        int granted = 0;
        socklen_t length = sizeof granted;
        if (::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &granted, &length) == 0 &&
            granted < kReceiveBufferBytes)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
        return true;
    }

    bool SetBroadcast(bool enabled) override {
        const int value = enabled ? 1 : 0;
        if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &value, sizeof value) != 0)
            return Fail(errno);
        return true;
    }

    bool Bind(const Ipv4Address& local, std::uint16_t port) override {
        // A socket bound to a unicast address hears neither broadcast replies nor anything
        // else sent to the port; bound to any address it hears all, so it is tied to the
        // adapter that holds the address instead.
        std::vector<netlink::AddressInfo> addresses;
        if (const int error = netlink::DumpIpv4Addresses(addresses); error != 0)
            return Fail(error);
        int index = 0;
        for (const auto& address : addresses)
            if (address.local == local) {
                index = address.index;
                break;
            }
        char name[IF_NAMESIZE] = {};
        if (index == 0 || ::if_indextoname(static_cast<unsigned>(index), name) == nullptr)
            return Fail(EADDRNOTAVAIL);
        if (::setsockopt(fd_, SOL_SOCKET, SO_BINDTODEVICE, name,
                         static_cast<socklen_t>(std::strlen(name) + 1)) != 0)
            return Fail(errno);
        const sockaddr_in any = SocketAddress({0, 0, 0, 0}, port);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0)
            return Fail(errno);
        local_ = local;
        interfaceIndex_ = index;
        return true;
    }

    bool SendTo(const Ipv4Address& destination, std::uint16_t port,
                std::span<const std::uint8_t> data) override {
        sockaddr_in to = SocketAddress(destination, port);
        iovec part{const_cast<std::uint8_t*>(data.data()), data.size()};
        msghdr message{};
        message.msg_name = &to;
        message.msg_namelen = sizeof to;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        // The socket is bound to any address, so the source is named per datagram: the
        // hubs answer to the adapter's own address.
        alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        if (interfaceIndex_ != 0) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* header = CMSG_FIRSTHDR(&message);
            header->cmsg_level = IPPROTO_IP;
            header->cmsg_type = IP_PKTINFO;
            header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
            in_pktinfo info{};
            info.ipi_ifindex = interfaceIndex_;
            std::memcpy(&info.ipi_spec_dst, local_.data(), local_.size());
            std::memcpy(CMSG_DATA(header), &info, sizeof info);
        }
        ssize_t sent;
        do {
            sent = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        if (sent < 0)
            return Fail(errno);
        return true;
    }

    int Poll(std::uint32_t timeoutMs) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd entry{fd_, POLLIN, 0};
            const int ready =
                ::poll(&entry, 1, static_cast<int>(std::clamp<long long>(left, 0, 1 << 30)));
            if (ready > 0 && (entry.revents & POLLNVAL) != 0)
                errno = EBADF; // the socket is not open: a failure, not a datagram
            else if (ready >= 0)
                return ready;
            if (errno != EINTR) {
                Fail(errno);
                return -1;
            }
        }
    }

    bool Receive(std::span<std::uint8_t> buffer, ReceivedDatagram& datagram) override {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t length;
        do {
            // MSG_TRUNC: the result is the datagram's real length, even when it was cut.
            length = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_TRUNC,
                                reinterpret_cast<sockaddr*>(&from), &fromLength);
        } while (length < 0 && errno == EINTR);
        if (length < 0)
            return Fail(errno);
        datagram.fullLength = static_cast<std::size_t>(length);
        datagram.length = std::min(datagram.fullLength, buffer.size());
        std::memcpy(datagram.source.data(), &from.sin_addr, datagram.source.size());
        return true;
    }

    void Close() override {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        interfaceIndex_ = 0;
    }

private:
    int fd_ = -1;
    Ipv4Address local_{};
    int interfaceIndex_ = 0;
};

} // namespace

std::unique_ptr<DiscoverySocket> MakeDiscoverySocket() {
    return std::make_unique<LinuxDiscoverySocket>();
}

} // namespace platform
