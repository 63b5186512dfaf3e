#include "tests/support/ScriptedHub.h"

#include "tests/support/Netns.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace scripted {

namespace {

constexpr std::size_t kMessageSize = 32;

void PutValue(Bytes& message, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        message[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

// Waits for fd (and the wake pipe, when given) to become readable.
bool Readable(int fd, int timeoutMs, int wakeFd = -1) {
    pollfd entries[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int ready = ::poll(entries, wakeFd >= 0 ? 2 : 1, timeoutMs);
    return ready > 0 && (entries[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

} // namespace

Bytes Message(std::uint8_t code, std::initializer_list<std::pair<int, int>> bytes) {
    Bytes message(kMessageSize, 0);
    message[3] = code;
    for (const auto& [offset, value] : bytes) {
        message[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value);
    }
    return message;
}

Bytes LinkStatus(bool c1, bool c2, bool c3, bool c4) {
    return Message(0x00, {{15, 0x80}, {16, c1}, {17, c2}, {18, c3}, {19, c4}});
}

Bytes IpParameters(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway) {
    Bytes message = Message(0x81);
    PutValue(message, 4, address);
    PutValue(message, 8, mask);
    PutValue(message, 12, gateway);
    return message;
}

Bytes NumberResult(std::uint8_t number, std::uint8_t resultCode) {
    return Message(0x82, {{4, number}, {5, resultCode}});
}

bool Connection::Send(const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t put = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(put);
    }
    return true;
}

std::optional<Bytes> Connection::Request(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pending.size() < kMessageSize) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || !Readable(fd, static_cast<int>(left))) {
            return std::nullopt;
        }
        std::uint8_t buffer[256];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return std::nullopt;
        }
        pending.insert(pending.end(), buffer, buffer + got);
    }
    Bytes request(pending.begin(), pending.begin() + kMessageSize);
    pending.erase(pending.begin(), pending.begin() + kMessageSize);
    return request;
}

bool Connection::WaitForClose(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Stopping()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            return false;
        }
        if (Readable(fd, static_cast<int>(std::min<long long>(left, 50)))) {
            std::uint8_t buffer[256];
            if (::recv(fd, buffer, sizeof buffer, 0) <= 0) {
                return true;
            }
        }
    }
    return false;
}

Connection::~Connection() {
    if (fd >= 0) {
        ::close(fd);
    }
}

void Connection::Reset() {
    // A zero linger time makes close send a reset and drop whatever is unsent.
    const linger now{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(fd);
    fd = -1;
}

Hub::Hub(const std::string& nameSpace, const std::string& address, Script script,
         std::uint16_t listenPort)
    : script(std::move(script)) {
    if (::pipe2(wakeFds, O_CLOEXEC) != 0) {
        reason = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    {
        // The listening socket belongs to the hub's namespace for good.
        std::optional<kntest::NetnsScope> hub;
        if (!nameSpace.empty()) {
            hub.emplace(nameSpace);
            if (!hub->ok()) {
                reason = hub->whyNot();
                return;
            }
        }
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(listenPort);
        if (fd < 0 || ::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::listen(fd, 4) != 0) {
            reason = "cannot listen on " + address + ":" + std::to_string(listenPort) + " in " +
                     nameSpace + ": " +
                     std::strerror(errno);
            if (fd >= 0) {
                ::close(fd);
            }
            return;
        }
        listenFd = fd;
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        port = ntohs(local.sin_port);
    }
    server = std::thread([this] { Serve(); });
}

Hub::~Hub() {
    stopping.store(true);
    if (wakeFds[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);
    }
    if (server.joinable()) {
        server.join();
    }
    for (int fd : {listenFd, wakeFds[0], wakeFds[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void Hub::Serve() {
    while (!stopping.load()) {
        if (!Readable(listenFd, -1, wakeFds[0])) {
            continue;
        }
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        accepted.fetch_add(1);
        Connection connection(fd, stopping);
        script(connection);
    }
}

} // namespace scripted
