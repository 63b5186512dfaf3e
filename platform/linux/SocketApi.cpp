#include "platform/SocketApi.h"

#include "platform/LastError.h"
#include "platform/linux/SocketErrors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

static_assert(kAddressFamilyInet == AF_INET && kSocketStream == SOCK_STREAM &&
              kSocketDatagram == SOCK_DGRAM);
static_assert(sizeof(SocketAddressV4) == sizeof(sockaddr_in));

namespace {

using linux_errors::SetLastSocketError;
using linux_errors::SetLastSocketErrorFromErrno;

// A silent peer is probed after 5 s without traffic, then every second; TCP_USER_TIMEOUT
// ends the connection once nothing has been acknowledged for 10 s, whether keep-alive
// probes or unsent requests are waiting.
constexpr int kKeepAliveIdleSeconds = 5;
constexpr int kKeepAliveIntervalSeconds = 1;
constexpr int kKeepAliveProbes = 5;
constexpr unsigned kUserTimeoutMs = 10000;

// The results are 32-bit signed counts.
constexpr std::uint32_t kMaxTransfer = 0x7FFFFFFF;

sockaddr_in ToNative(const SocketAddressV4& address) {
    sockaddr_in native{};
    native.sin_family = address.family;
    native.sin_port = address.port;
    native.sin_addr.s_addr = address.address;
    return native;
}

SocketAddressV4 FromNative(const sockaddr_in& native) {
    SocketAddressV4 address;
    address.family = native.sin_family;
    address.port = native.sin_port;
    address.address = native.sin_addr.s_addr;
    return address;
}

bool SetNonBlocking(int fd, bool nonBlocking) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return false;
    const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return wanted == flags || ::fcntl(fd, F_SETFL, wanted) == 0;
}

template <typename T> bool SetOption(int fd, int level, int name, T value) {
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

using SockNameCall = int (*)(int, sockaddr*, socklen_t*);

bool QueryAddress(SocketHandle socket, SocketAddressV4& address, SockNameCall call) {
    if (socket == kInvalidSocket) {
        SetLastError(kWsaENotSocket);
        return false;
    }
    sockaddr_in native{};
    socklen_t length = sizeof native;
    if (call(socket, reinterpret_cast<sockaddr*>(&native), &length) != 0) {
        SetLastSocketErrorFromErrno();
        return false;
    }
    if (native.sin_family != AF_INET || length != sizeof native) {
        SetLastError(kWsaEInvalid);
        return false;
    }
    address = FromNative(native);
    return true;
}

} // namespace

SocketHandle OpenSocket(int family, int type, int protocol) {
    const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        SetLastSocketErrorFromErrno();
        return kInvalidSocket;
    }
    return fd;
}

bool CloseSocket(SocketHandle socket) {
    // Linux closes the descriptor even when close reports EINTR: never retry, the number
    // may already belong to another socket.
    if (::close(socket) != 0 && errno != EINTR) {
        SetLastSocketErrorFromErrno();
        return false;
    }
    return true;
}

bool ShutdownSocket(SocketHandle socket) {
    if (::shutdown(socket, SHUT_RDWR) != 0) {
        SetLastSocketErrorFromErrno();
        return false;
    }
    return true;
}

bool BindSocket(SocketHandle socket, const SocketAddressV4& address) {
    const sockaddr_in native = ToNative(address);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) != 0) {
        SetLastSocketErrorFromErrno();
        return false;
    }
    return true;
}

bool ConnectSocket(SocketHandle socket, const SocketAddressV4& address, std::uint32_t timeoutMs) {
    if (!SetNonBlocking(socket, true)) {
        SetLastSocketErrorFromErrno();
        return false;
    }
    const sockaddr_in native = ToNative(address);
    bool connected =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) == 0;
    if (!connected && (errno == EINPROGRESS || errno == EINTR)) {
        switch (WaitForSocket(socket, WaitFor::Writable, timeoutMs)) {
        case WaitResult::Ready: {
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
            connected = error == 0;
            if (!connected)
                SetLastSocketError(error);
            break;
        }
        case WaitResult::TimedOut:
            SetLastError(kWsaETimedOut);
            break;
        case WaitResult::Failed:
            break;
        }
    } else if (!connected) {
        SetLastSocketErrorFromErrno();
    }
    if (connected && !SetNonBlocking(socket, false)) {
        SetLastSocketErrorFromErrno();
        return false;
    }
    return connected;
}

bool EnableDeadPeerDetection(SocketHandle socket) {
    const bool set = SetOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1) &&
                     SetOption(socket, IPPROTO_TCP, TCP_KEEPIDLE, kKeepAliveIdleSeconds) &&
                     SetOption(socket, IPPROTO_TCP, TCP_KEEPINTVL, kKeepAliveIntervalSeconds) &&
                     SetOption(socket, IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveProbes) &&
                     SetOption(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, kUserTimeoutMs);
    if (!set)
        SetLastSocketErrorFromErrno();
    return set;
}

WaitResult WaitForSocket(SocketHandle socket, WaitFor what, std::uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd entry{socket, static_cast<short>(what == WaitFor::Readable ? POLLIN : POLLOUT), 0};
    for (;;) {
        int waitMs = -1;
        if (timeoutMs != kInfinite) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            waitMs = left > 0 ? static_cast<int>(left) : 0;
        }
        const int ready = ::poll(&entry, 1, waitMs);
        if (ready > 0) {
            if ((entry.revents & POLLNVAL) != 0) {
                SetLastError(kWsaENotSocket);
                return WaitResult::Failed;
            }
            // An error or hang-up counts as ready: the following recv or send reports it.
            return WaitResult::Ready;
        }
        if (ready == 0)
            return WaitResult::TimedOut;
        if (errno != EINTR) {
            SetLastSocketErrorFromErrno();
            return WaitResult::Failed;
        }
    }
}

std::int32_t ReceiveFromSocket(SocketHandle socket, void* buffer, std::uint32_t size) {
    for (;;) {
        const ssize_t received = ::recv(socket, buffer, std::min(size, kMaxTransfer), 0);
        if (received >= 0)
            return static_cast<std::int32_t>(received);
        if (errno != EINTR) {
            SetLastSocketErrorFromErrno();
            return -1;
        }
    }
}

std::int32_t SendToSocket(SocketHandle socket, const void* data, std::uint32_t count) {
    for (;;) {
        const ssize_t sent = ::send(socket, data, std::min(count, kMaxTransfer), MSG_NOSIGNAL);
        if (sent >= 0)
            return static_cast<std::int32_t>(sent);
        if (errno != EINTR) {
            SetLastSocketErrorFromErrno();
            return -1;
        }
    }
}

bool GetPeerAddress(SocketHandle socket, SocketAddressV4& address) {
    return QueryAddress(socket, address, &::getpeername);
}

bool GetLocalAddress(SocketHandle socket, SocketAddressV4& address) {
    return QueryAddress(socket, address, &::getsockname);
}

} // namespace platform
