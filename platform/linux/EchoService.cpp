#include "platform/linux/EchoHelper.h"

#include "platform/IcmpEcho.h"
#include "platform/LastError.h"
#include "platform/SocketApi.h"
#include "platform/linux/SocketErrors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <random>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

enum class EchoSocketKind { Datagram, Raw };

constexpr std::size_t kMaxPacket = 65535;

std::uint16_t RandomNumber16() {
    thread_local std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint16_t>(generator());
}

template <typename T> bool SetOption(int fd, int level, int name, T value) {
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

int OpenIcmpSocket(EchoSocketKind kind) {
    const int type = kind == EchoSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
    return ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
}

class SocketEchoChannel final : public IEchoChannel {
public:
    SocketEchoChannel(int fd, EchoSocketKind kind, std::uint16_t identifier)
        : fd_(fd), kind_(kind), identifier_(identifier) {}
    ~SocketEchoChannel() override { ::close(fd_); }
    SocketEchoChannel(const SocketEchoChannel&) = delete;
    SocketEchoChannel& operator=(const SocketEchoChannel&) = delete;

    std::uint32_t SendEcho(std::uint32_t destination, const void* requestData,
                           std::uint16_t requestSize, const EchoRequestOptions& options,
                           void* replyBuffer, std::uint32_t replySize,
                           std::uint32_t timeoutMs) override;

private:
    bool ApplyOptions(const EchoRequestOptions& options);
    // The reply's bytes, or nothing when the datagram does not answer this request.
    std::optional<icmp::EchoReplyView> Match(icmp::Bytes received, const msghdr& header,
                                             std::uint32_t destination,
                                             std::uint16_t sequence) const;

    int fd_;
    EchoSocketKind kind_;
    std::uint16_t identifier_;
};

bool SocketEchoChannel::ApplyOptions(const EchoRequestOptions& options) {
    // Linux sets don't-fragment on every datagram unless told otherwise.
    const int discovery =
        (options.flags & kEchoFlagDontFragment) != 0 ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    const bool set = SetOption(fd_, IPPROTO_IP, IP_TTL, int{options.ttl}) &&
                     SetOption(fd_, IPPROTO_IP, IP_TOS, int{options.tos}) &&
                     SetOption(fd_, IPPROTO_IP, IP_MTU_DISCOVER, discovery);
    if (!set)
        linux_errors::SetLastSocketErrorFromErrno();
    return set;
}

std::optional<icmp::EchoReplyView> SocketEchoChannel::Match(icmp::Bytes received,
                                                            const msghdr& header,
                                                            std::uint32_t destination,
                                                            std::uint16_t sequence) const {
    const auto* from = static_cast<const sockaddr_in*>(header.msg_name);
    if (header.msg_namelen < sizeof(sockaddr_in) || from->sin_addr.s_addr != destination)
        return std::nullopt;
    if (kind_ == EchoSocketKind::Raw)
        return icmp::MatchEchoReplyPacket(received, destination, {identifier_, sequence, true});

    // The kernel has checked the checksum and delivered only our identifier.
    auto reply = icmp::MatchEchoReply(received, {identifier_, sequence, false});
    if (!reply)
        return reply;
    for (const cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr;
         c = CMSG_NXTHDR(const_cast<msghdr*>(&header), const_cast<cmsghdr*>(c))) {
        if (c->cmsg_level != IPPROTO_IP)
            continue;
        if (c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            int ttl = 0;
            std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
            reply->ttl = static_cast<std::uint8_t>(ttl);
        } else if (c->cmsg_type == IP_TOS && c->cmsg_len >= CMSG_LEN(1)) {
            reply->tos = *CMSG_DATA(c);
        }
    }
    return reply;
}

std::uint32_t SocketEchoChannel::SendEcho(std::uint32_t destination, const void* requestData,
                                          std::uint16_t requestSize,
                                          const EchoRequestOptions& options, void* replyBuffer,
                                          std::uint32_t replySize, std::uint32_t timeoutMs) {
    if (!EchoBuffersUsable(requestData, requestSize, replyBuffer, replySize))
        return 0;
    if (!ApplyOptions(options))
        return 0;

    const std::uint16_t sequence = RandomNumber16();
    const std::vector<std::uint8_t> request = icmp::BuildEchoRequest(
        identifier_, sequence, {static_cast<const std::uint8_t*>(requestData), requestSize});
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;

    const auto start = Clock::now();
    ssize_t sent;
    do {
        sent = ::sendto(fd_, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to),
                        sizeof to);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        linux_errors::SetLastSocketErrorFromErrno();
        return 0;
    }

    // Our own deadline: the kernel reports an absent host only after about three seconds.
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> packet(kMaxPacket);
    for (;;) {
        std::uint32_t waitMs = kInfinite;
        if (timeoutMs != kInfinite) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            waitMs = static_cast<std::uint32_t>(std::max<std::int64_t>(left.count(), 0));
        }
        switch (WaitForSocket(fd_, WaitFor::Readable, waitMs)) {
        case WaitResult::Ready:
            break;
        case WaitResult::TimedOut:
            SetLastError(kIpReqTimedOut);
            return 0;
        case WaitResult::Failed:
            return 0;
        }

        sockaddr_in from{};
        iovec data{packet.data(), packet.size()};
        alignas(cmsghdr) std::uint8_t control[128];
        msghdr header{};
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &data;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t received = ::recvmsg(fd_, &header, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            linux_errors::SetLastSocketErrorFromErrno();
            return 0;
        }
        const auto reply = Match({packet.data(), static_cast<std::size_t>(received)}, header,
                                 destination, sequence);
        if (!reply)
            continue; // a stray or forged reply never counts

        EchoReplyRecord record;
        record.address = destination;
        record.roundTripMs = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        const std::size_t room = replySize - sizeof record;
        record.dataSize = static_cast<std::uint16_t>(std::min(reply->payload.size(), room));
        record.dataOffset = sizeof record;
        record.ttl = reply->ttl;
        record.tos = reply->tos;
        record.flags = reply->dontFragment ? kEchoFlagDontFragment : 0;
        auto* out = static_cast<std::uint8_t*>(replyBuffer);
        std::memcpy(out, &record, sizeof record);
        if (record.dataSize != 0)
            std::memcpy(out + sizeof record, reply->payload.data(), record.dataSize);
        return 1;
    }
}

// A channel on a freshly opened socket of kind, which it takes over.
std::unique_ptr<IEchoChannel> ChannelOn(int fd, EchoSocketKind kind) {
    std::uint16_t identifier = 0;
    bool ready;
    if (kind == EchoSocketKind::Datagram) {
        // The kernel puts the socket's port in place of our identifier: bind now to learn
        // it.
        sockaddr_in local{};
        local.sin_family = AF_INET;
        socklen_t length = sizeof local;
        ready = ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0 &&
                SetOption(fd, IPPROTO_IP, IP_RECVTTL, 1) &&
                SetOption(fd, IPPROTO_IP, IP_RECVTOS, 1);
        identifier = NetworkToHost16(local.sin_port);
    } else {
        // Every raw ICMP socket sees every ICMP packet of the host: let only echo replies
        // through.
        icmp_filter filter{};
        filter.data = ~(1u << ICMP_ECHOREPLY);
        ready = SetOption(fd, SOL_RAW, ICMP_FILTER, filter);
        identifier = RandomNumber16();
    }
    if (!ready) {
        linux_errors::SetLastSocketErrorFromErrno();
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<SocketEchoChannel>(fd, kind, identifier);
}

class SocketEchoProvider final : public IEchoProvider {
public:
    explicit SocketEchoProvider(EchoSocketKind kind) : kind_(kind) {}

    std::unique_ptr<IEchoChannel> Open() override {
        const int fd = OpenIcmpSocket(kind_);
        if (fd < 0) {
            linux_errors::SetLastSocketErrorFromErrno();
            return nullptr;
        }
        return ChannelOn(fd, kind_);
    }

private:
    EchoSocketKind kind_;
};

std::string PingGroupRange() {
    std::ifstream file("/proc/sys/net/ipv4/ping_group_range");
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    if (!(file >> low >> high))
        return "?";
    return std::to_string(low) + " " + std::to_string(high);
}

std::string DatagramFailure(int error) {
    std::ostringstream text;
    text << "ICMP-датаграммный сокет недоступен";
    if (error == EACCES || error == EPERM)
        text << ": группа " << ::getegid() << " вне net.ipv4.ping_group_range (" << PingGroupRange()
             << ")";
    else
        text << ": " << ::strerrordesc_np(error);
    return text.str();
}

std::string RawFailure(int error) {
    std::ostringstream text;
    text << "raw-сокет ICMP недоступен";
    if (error == EACCES || error == EPERM)
        text << ": нет права cap_net_raw";
    else
        text << ": " << ::strerrordesc_np(error);
    return text.str();
}

// A provider counts as present when its socket can be opened now.
EchoProviderLoad LoadProvider(EchoSocketKind kind) {
    const int fd = OpenIcmpSocket(kind);
    if (fd < 0) {
        const int error = errno;
        return {nullptr,
                kind == EchoSocketKind::Datagram ? DatagramFailure(error) : RawFailure(error)};
    }
    ::close(fd);
    return {std::make_unique<SocketEchoProvider>(kind), {}};
}

} // namespace

std::vector<EchoProviderLoader> SystemEchoProviders(const std::string& helperPath) {
    return {
        [] { return LoadProvider(EchoSocketKind::Datagram); },
        [] { return LoadProvider(EchoSocketKind::Raw); },
        [helperPath] { return LoadEchoHelper(helperPath); },
    };
}

std::vector<EchoProviderLoader> SystemEchoProviders() {
    return SystemEchoProviders(EchoHelperPath());
}

int OpenRawEchoSocket() {
    return OpenIcmpSocket(EchoSocketKind::Raw);
}

std::unique_ptr<IEchoChannel> RawEchoChannelOn(int socket) {
    return ChannelOn(socket, EchoSocketKind::Raw);
}

} // namespace platform
