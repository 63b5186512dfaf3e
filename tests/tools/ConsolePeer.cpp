#include "ConsolePeer.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace peer {

namespace {

using Clock = std::chrono::steady_clock;

int LeftMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

sockaddr_in Address(const std::string& text, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, text.c_str(), &address.sin_addr);
    return address;
}

std::string Text(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

Bytes Request(std::uint8_t code) {
    Bytes request(32, 0);
    request[3] = code;
    return request;
}

std::uint16_t Checksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    }
    if (size % 2 != 0) {
        sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

} // namespace

Bytes DiscoveryRequest() {
    const char text[] = "Discovery: Who is out there?";
    return Bytes(text, text + sizeof text); // with its NUL: 29 bytes
}

Bytes IpParametersRequest() {
    return Request(kIpParameters);
}

Bytes SetIpParametersRequest(Octets address, Octets mask, Octets gateway) {
    Bytes request = Request(0x80);
    std::copy(address.begin(), address.end(), request.begin() + 4);
    std::copy(mask.begin(), mask.end(), request.begin() + 8);
    std::copy(gateway.begin(), gateway.end(), request.begin() + 12);
    return request;
}

Bytes ControllerNumberRequest(std::uint8_t number) {
    Bytes request = Request(kControllerNumber);
    request[4] = number;
    return request;
}

bool IsValidLinkStatus(const Bytes& message) {
    return message.size() >= 20 && message[3] == kLinkStatus && (message[2] & 0x7F) == 0 &&
           (message[15] & 0x80) != 0;
}

std::array<bool, 4> LinkFlags(const Bytes& message) {
    return {message[16] != 0, message[17] != 0, message[18] != 0, message[19] != 0};
}

std::vector<DiscoveryReply> Discover(const std::string& destination, const std::string& self,
                                     int windowMs, const Bytes& request) {
    std::vector<DiscoveryReply> replies;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return replies;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local = Address("0.0.0.0", 30303);
    sockaddr_in to = Address(destination, 30303);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) <
            0) {
        close(fd);
        return replies;
    }
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(windowMs);
    while (Readable(fd, LeftMs(deadline))) {
        std::uint8_t buffer[4096];
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
        const ssize_t size = recvmsg(fd, &message, MSG_TRUNC);
        if (size < 0) {
            break;
        }
        DiscoveryReply reply;
        reply.source = Text(from.sin_addr);
        if (reply.source == self) {
            continue; // our own broadcast, looped back
        }
        reply.size = static_cast<std::size_t>(size);
        reply.bytes.assign(buffer, buffer + std::min(reply.size, sizeof buffer));
        reply.secondsAfterRequest = std::chrono::duration<double>(Clock::now() - start).count();
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                reply.destination = Text(info.ipi_addr);
            }
        }
        replies.push_back(std::move(reply));
    }
    close(fd);
    return replies;
}

HubLink::~HubLink() {
    if (fd >= 0) {
        close(fd);
    }
}

int HubLink::Connect(const std::string& address, int timeoutMs) {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in to = Address(address, 5000);
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, timeoutMs) != 1) {
        return ETIMEDOUT;
    }
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    return error;
}

bool HubLink::Send(const Bytes& bytes) {
    return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::optional<Bytes> HubLink::ReadBlock(int timeoutMs) {
    if (!Readable(fd, timeoutMs)) {
        return std::nullopt;
    }
    std::uint8_t buffer[65536];
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    return got <= 0 ? Bytes{} : Bytes(buffer, buffer + got);
}

std::optional<Bytes> HubLink::NextMessage(int timeoutMs, bool* closed) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pending.size() < 32) {
        const auto block = ReadBlock(LeftMs(deadline));
        if (!block) {
            return std::nullopt;
        }
        if (block->empty()) {
            *closed = true;
            return std::nullopt;
        }
        pending.insert(pending.end(), block->begin(), block->end());
    }
    Bytes message(pending.begin(), pending.begin() + 32);
    pending.erase(pending.begin(), pending.begin() + 32);
    return message;
}

std::optional<Bytes> HubLink::WaitFor(std::uint8_t code, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool closed = false;
    while (!closed) {
        auto message = NextMessage(LeftMs(deadline), &closed);
        if (!message) {
            return std::nullopt;
        }
        if ((*message)[3] == code) {
            return message;
        }
    }
    return std::nullopt;
}

std::vector<Bytes> HubLink::Collect(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<Bytes> messages;
    bool closed = false;
    while (auto message = NextMessage(LeftMs(deadline), &closed)) {
        messages.push_back(std::move(*message));
    }
    return messages;
}

bool HubLink::WaitClosed(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (auto block = ReadBlock(LeftMs(deadline))) {
        if (block->empty()) {
            return true;
        }
    }
    return false;
}

bool Ping(const std::string& address, int timeoutMs) {
    const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        return false;
    }
    const std::uint16_t id = static_cast<std::uint16_t>(getpid());
    std::uint8_t packet[40] = {
        ICMP_ECHO, 0, 0, 0, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
        0,         1};
    const std::uint16_t sum = Checksum(packet, sizeof packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);
    sockaddr_in to = Address(address, 0);
    bool answered = false;
    if (sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!answered && Readable(fd, LeftMs(deadline))) {
            std::uint8_t reply[1500];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got =
                recvfrom(fd, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (got < 20 || from.sin_addr.s_addr != to.sin_addr.s_addr) {
                continue;
            }
            const std::size_t header = static_cast<std::size_t>(reply[0] & 0x0F) * 4;
            answered = static_cast<std::size_t>(got) >= header + 8 &&
                       reply[header] == ICMP_ECHOREPLY && reply[header + 4] == packet[4] &&
                       reply[header + 5] == packet[5] && reply[header + 7] == 1;
        }
    }
    close(fd);
    return answered;
}

} // namespace peer
