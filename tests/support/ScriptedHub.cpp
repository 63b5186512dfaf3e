#include "tests/support/ScriptedHub.h"

#include "platform/LastError.h"
#include "platform/NameResolver.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include "tests/support/Netns.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

#include <chrono>

namespace scripted {

namespace {

constexpr std::size_t kMessageSize = 32;
// How long the server waits for a connection before it looks at stopping again.
constexpr std::uint32_t kStopCheckMs = 20;

void PutValue(Bytes& message, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        message[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

bool Readable(platform::SocketHandle fd, long long timeoutMs) {
    return platform::WaitForSocket(fd, platform::WaitFor::Readable,
                                   static_cast<std::uint32_t>(std::max(timeoutMs, 0LL))) ==
           platform::WaitResult::Ready;
}

template <typename T> void SetOption(platform::SocketHandle fd, int level, int name, T value) {
    ::setsockopt(fd, level, name, reinterpret_cast<const char*>(&value), sizeof value);
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
        const std::int32_t put = platform::SendToSocket(
            fd, bytes.data() + sent, static_cast<std::uint32_t>(bytes.size() - sent));
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
        if (left <= 0 || !Readable(fd, left)) {
            return std::nullopt;
        }
        std::uint8_t buffer[256];
        const std::int32_t got = platform::ReceiveFromSocket(fd, buffer, sizeof buffer);
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
        if (Readable(fd, std::min<long long>(left, 50))) {
            std::uint8_t buffer[256];
            if (platform::ReceiveFromSocket(fd, buffer, sizeof buffer) <= 0) {
                return true;
            }
        }
    }
    return false;
}

Connection::~Connection() {
    if (fd != platform::kInvalidSocket) {
        platform::CloseSocket(fd);
    }
}

void Connection::Reset() {
    // A zero linger time makes close send a reset and drop whatever is unsent.
    SetOption(fd, SOL_SOCKET, SO_LINGER, linger{1, 0});
    platform::CloseSocket(fd);
    fd = platform::kInvalidSocket;
}

Hub::Hub(const std::string& nameSpace, const std::string& address, Script script,
         std::uint16_t listenPort)
    : script(std::move(script)) {
    {
        // The listening socket belongs to the hub's namespace for good.
#if defined(_WIN32)
        if (!nameSpace.empty()) {
            reason = "network namespaces are Linux's: " + nameSpace;
            return;
        }
#else
        std::optional<kntest::NetnsScope> hub;
        if (!nameSpace.empty()) {
            hub.emplace(nameSpace);
            if (!hub->ok()) {
                reason = hub->whyNot();
                return;
            }
        }
#endif
        const auto fail = [&](platform::SocketHandle fd) {
            reason = "cannot listen on " + address + ":" + std::to_string(listenPort) + " in " +
                     nameSpace + ": error " + std::to_string(platform::GetLastError());
            if (fd != platform::kInvalidSocket) {
                platform::CloseSocket(fd);
            }
        };
        const platform::SocketHandle fd =
            platform::OpenSocket(platform::kAddressFamilyInet, platform::kSocketStream, 0);
        const auto parsed = platform::ParseDottedAddress(address);
        if (fd == platform::kInvalidSocket || !parsed) {
            fail(fd);
            return;
        }
#if !defined(_WIN32)
        // On Windows the option would let another socket take the port from this one.
        SetOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
        platform::SocketAddressV4 local;
        local.family = platform::kAddressFamilyInet;
        local.port = platform::HostToNetwork16(listenPort);
        local.address = *parsed;
        if (!platform::BindSocket(fd, local) || ::listen(fd, 4) != 0 ||
            !platform::GetLocalAddress(fd, local)) {
            fail(fd);
            return;
        }
        listenFd = fd;
        port = platform::NetworkToHost16(local.port);
    }
    server = std::thread([this] { Serve(); });
}

Hub::~Hub() {
    stopping.store(true);
    if (server.joinable()) {
        server.join();
    }
    if (listenFd != platform::kInvalidSocket) {
        platform::CloseSocket(listenFd);
    }
}

void Hub::Serve() {
    while (!stopping.load()) {
        if (!Readable(listenFd, kStopCheckMs)) {
            continue;
        }
#if defined(_WIN32)
        const platform::SocketHandle fd = ::accept(listenFd, nullptr, nullptr);
#else
        const platform::SocketHandle fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
#endif
        if (fd == platform::kInvalidSocket) {
            continue;
        }
        SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
        accepted.fetch_add(1);
        Connection connection(fd, stopping);
        script(connection);
    }
}

} // namespace scripted
