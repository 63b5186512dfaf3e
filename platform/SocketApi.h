#pragma once

#include "platform/LastError.h"

#include <bit>
#include <cstdint>

// The socket services the session and the probe need, in the terms of a Winsock program:
// one handle type, IPv4 socket addresses laid out as sockaddr_in, and waits with time-outs
// in milliseconds. Failures leave a Winsock error code (10061 for a refused connect, ...)
// in the thread's last-error code, so a Windows build reports the same numbers.
namespace platform {

#if defined(_WIN32)
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};
#else
using SocketHandle = int;
inline constexpr SocketHandle kInvalidSocket = -1;
#endif

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

// The values Winsock and Linux share.
inline constexpr int kAddressFamilyInet = 2; // AF_INET
inline constexpr int kSocketStream = 1;      // SOCK_STREAM
inline constexpr int kSocketDatagram = 2;    // SOCK_DGRAM

// The 16 bytes of sockaddr_in: family in host order, port and address in network order.
struct SocketAddressV4 {
    std::uint16_t family = 0;
    std::uint16_t port = 0;
    std::uint32_t address = 0;
    std::uint8_t zero[8] = {};
};
static_assert(sizeof(SocketAddressV4) == 16);

constexpr std::uint16_t ByteSwap16(std::uint16_t value) {
    return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}
constexpr std::uint32_t ByteSwap32(std::uint32_t value) {
    return (value << 24) | ((value << 8) & 0x00FF0000u) | ((value >> 8) & 0x0000FF00u) |
           (value >> 24);
}
// htons/htonl and back, without the socket headers.
constexpr std::uint16_t HostToNetwork16(std::uint16_t value) {
    return std::endian::native == std::endian::little ? ByteSwap16(value) : value;
}
constexpr std::uint32_t HostToNetwork32(std::uint32_t value) {
    return std::endian::native == std::endian::little ? ByteSwap32(value) : value;
}
constexpr std::uint16_t NetworkToHost16(std::uint16_t value) {
    return HostToNetwork16(value);
}
constexpr std::uint32_t NetworkToHost32(std::uint32_t value) {
    return HostToNetwork32(value);
}

// A new socket (not inherited by child processes); kInvalidSocket on failure.
SocketHandle OpenSocket(int family, int type, int protocol);
bool CloseSocket(SocketHandle socket);
// Both directions. This, unlike closing, wakes another thread waiting on the socket.
bool ShutdownSocket(SocketHandle socket);

bool BindSocket(SocketHandle socket, const SocketAddressV4& address);

// Connects and gives up when the connection is not made within timeoutMs (a host that
// drops the SYN would otherwise hold the caller for about two minutes). The socket is
// blocking again afterwards. On expiry the last-error code is kWsaETimedOut.
bool ConnectSocket(SocketHandle socket, const SocketAddressV4& address, std::uint32_t timeoutMs);

// A silent peer whose cable was pulled makes reads fail within about ten seconds,
// instead of never.
bool EnableDeadPeerDetection(SocketHandle socket);

enum class WaitFor { Readable, Writable };
enum class WaitResult { Ready, TimedOut, Failed };
// kInfinite waits without a limit. An interrupted wait goes on for the time that is left.
WaitResult WaitForSocket(SocketHandle socket, WaitFor what, std::uint32_t timeoutMs);

// recv: the count, 0 when the peer closed the stream, -1 on error.
std::int32_t ReceiveFromSocket(SocketHandle socket, void* buffer, std::uint32_t size);
// send, never raising SIGPIPE: the count, or -1 on error.
std::int32_t SendToSocket(SocketHandle socket, const void* data, std::uint32_t count);

bool GetPeerAddress(SocketHandle socket, SocketAddressV4& address);
bool GetLocalAddress(SocketHandle socket, SocketAddressV4& address);

} // namespace platform
