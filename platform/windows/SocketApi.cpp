#include "platform/SocketApi.h"

#include "platform/LastError.h"
#include "platform/windows/TcpOptions.h"
#include "platform/windows/WinsockErrors.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <mstcpip.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <chrono>

namespace platform {

static_assert(kAddressFamilyInet == AF_INET && kSocketStream == SOCK_STREAM &&
              kSocketDatagram == SOCK_DGRAM);
static_assert(sizeof(SocketAddressV4) == sizeof(sockaddr_in));
static_assert(kInvalidSocket == INVALID_SOCKET);

namespace {

using windows::SetLastErrorFromWinsock;

// The same figures as the Linux build: a silent peer is probed after 5 s without
// traffic, then every second, 5 times; and unacknowledged data is given up after 10 s.
// Windows before 10 1703 does not let the probe count be set and makes 10 probes: there
// a silent peer is noticed after 15 s instead.
constexpr ULONG kKeepAliveIdleMs = 5000;
constexpr ULONG kKeepAliveIntervalMs = 1000;
constexpr DWORD kKeepAliveProbes = 5;
constexpr DWORD kMaxRetransmitSeconds = 10;

// The results are 32-bit signed counts, and Winsock's lengths are ints.
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

bool SetNonBlocking(SocketHandle socket, bool nonBlocking) {
    u_long value = nonBlocking ? 1 : 0;
    return ::ioctlsocket(socket, FIONBIO, &value) == 0;
}

template <typename T> bool SetOption(SocketHandle socket, int level, int name, T value) {
    return ::setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof value) ==
           0;
}

// The time left until deadline as select's time-out; null for no limit.
struct SelectTimeout {
    timeval value{};
    timeval* pointer = nullptr;
};

SelectTimeout TimeLeft(std::uint32_t timeoutMs, std::chrono::steady_clock::time_point deadline) {
    SelectTimeout timeout;
    if (timeoutMs == kInfinite)
        return timeout;
    const auto left = std::max<long long>(
        0, std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
               .count());
    timeout.value.tv_sec = static_cast<long>(left / 1000);
    timeout.value.tv_usec = static_cast<long>((left % 1000) * 1000);
    timeout.pointer = &timeout.value;
    return timeout;
}

using SockNameCall = int(WSAAPI*)(SOCKET, sockaddr*, int*);

bool QueryAddress(SocketHandle socket, SocketAddressV4& address, SockNameCall call) {
    if (socket == kInvalidSocket) {
        SetLastError(kWsaENotSocket);
        return false;
    }
    sockaddr_in native{};
    int length = sizeof native;
    if (call(socket, reinterpret_cast<sockaddr*>(&native), &length) != 0) {
        SetLastErrorFromWinsock();
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
    const SOCKET socket = ::socket(family, type, protocol);
    if (socket == INVALID_SOCKET) {
        SetLastErrorFromWinsock();
        return kInvalidSocket;
    }
    // Not inherited by a child process, which would keep the connection open.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    return socket;
}

bool CloseSocket(SocketHandle socket) {
    if (::closesocket(socket) != 0) {
        SetLastErrorFromWinsock();
        return false;
    }
    return true;
}

bool ShutdownSocket(SocketHandle socket) {
    if (::shutdown(socket, SD_BOTH) != 0) {
        SetLastErrorFromWinsock();
        return false;
    }
    return true;
}

bool BindSocket(SocketHandle socket, const SocketAddressV4& address) {
    const sockaddr_in native = ToNative(address);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) != 0) {
        SetLastErrorFromWinsock();
        return false;
    }
    return true;
}

bool ConnectSocket(SocketHandle socket, const SocketAddressV4& address, std::uint32_t timeoutMs) {
    if (!SetNonBlocking(socket, true)) {
        SetLastErrorFromWinsock();
        return false;
    }
    const sockaddr_in native = ToNative(address);
    bool connected =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) == 0;
    if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        // Winsock tells a failed connect by the exception set, not by writability.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        SelectTimeout timeout = TimeLeft(timeoutMs, deadline);
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(socket, &writable);
        FD_SET(socket, &failed);
        const int ready = ::select(0, nullptr, &writable, &failed, timeout.pointer);
        if (ready > 0) {
            int error = 0;
            int length = sizeof error;
            if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                             &length) != 0)
                error = ::WSAGetLastError();
            else if (error == 0 && FD_ISSET(socket, &failed))
                error = WSAECONNREFUSED; // failed without a reason: never report success
            connected = error == 0;
            if (!connected)
                SetLastError(static_cast<std::uint32_t>(error));
        } else if (ready == 0) {
            SetLastError(kWsaETimedOut);
        } else {
            SetLastErrorFromWinsock();
        }
    } else if (!connected) {
        SetLastErrorFromWinsock();
    }
    if (connected && !SetNonBlocking(socket, false)) {
        SetLastErrorFromWinsock();
        return false;
    }
    return connected;
}

bool EnableDeadPeerDetection(SocketHandle socket) {
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = kKeepAliveIdleMs;
    values.keepaliveinterval = kKeepAliveIntervalMs;
    DWORD returned = 0;
    if (::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned,
                   nullptr, nullptr) != 0) {
        SetLastErrorFromWinsock();
        return false;
    }
    // Older systems refuse the probe count (10 probes then); the rest is required.
    SetOption(socket, IPPROTO_TCP, windows::kTcpKeepCount, kKeepAliveProbes);
    if (!SetOption(socket, IPPROTO_TCP, windows::kTcpMaxRetransmitSeconds, kMaxRetransmitSeconds)) {
        SetLastErrorFromWinsock();
        return false;
    }
    return true;
}

WaitResult WaitForSocket(SocketHandle socket, WaitFor what, std::uint32_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        SelectTimeout timeout = TimeLeft(timeoutMs, deadline);
        fd_set wanted;
        fd_set failed;
        FD_ZERO(&wanted);
        FD_ZERO(&failed);
        FD_SET(socket, &wanted);
        FD_SET(socket, &failed);
        const int ready = what == WaitFor::Readable
                              ? ::select(0, &wanted, nullptr, &failed, timeout.pointer)
                              : ::select(0, nullptr, &wanted, &failed, timeout.pointer);
        // An error counts as ready: the following recv or send reports it.
        if (ready > 0)
            return WaitResult::Ready;
        if (ready == 0)
            return WaitResult::TimedOut;
        if (::WSAGetLastError() != WSAEINTR) {
            SetLastErrorFromWinsock();
            return WaitResult::Failed;
        }
    }
}

std::int32_t ReceiveFromSocket(SocketHandle socket, void* buffer, std::uint32_t size) {
    const int received = ::recv(socket, static_cast<char*>(buffer),
                                static_cast<int>(std::min(size, kMaxTransfer)), 0);
    if (received >= 0)
        return received;
    SetLastErrorFromWinsock();
    return -1;
}

std::int32_t SendToSocket(SocketHandle socket, const void* data, std::uint32_t count) {
    // Winsock raises no signal on a closed connection.
    const int sent = ::send(socket, static_cast<const char*>(data),
                            static_cast<int>(std::min(count, kMaxTransfer)), 0);
    if (sent >= 0)
        return sent;
    SetLastErrorFromWinsock();
    return -1;
}

bool GetPeerAddress(SocketHandle socket, SocketAddressV4& address) {
    return QueryAddress(socket, address, &::getpeername);
}

bool GetLocalAddress(SocketHandle socket, SocketAddressV4& address) {
    return QueryAddress(socket, address, &::getsockname);
}

} // namespace platform
