#include "platform/NameResolver.h"

#include "platform/LastError.h"
#include "platform/SocketApi.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
// clang-format on

#include <cctype>

namespace platform {

std::optional<std::uint32_t> ParseDottedAddress(const std::string& text) {
    // The non-strict parse reads inet_addr's forms and, unlike inet_addr, tells
    // 255.255.255.255 apart from a failure. As inet_addr, it stops at white space.
    if (text.find('\0') != std::string::npos)
        return std::nullopt;
    IN_ADDR address{};
    LPSTR end = nullptr;
    if (::RtlIpv4StringToAddressA(text.c_str(), FALSE, &end, &address) != 0)
        return std::nullopt;
    if (end == nullptr || (*end != '\0' && std::isspace(static_cast<unsigned char>(*end)) == 0))
        return std::nullopt;
    return address.S_un.S_addr;
}

std::optional<std::uint32_t> LookUpHostAddress(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) {
        SetLastError(kWsaHostNotFound);
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    // getaddrinfo's failures are Winsock codes already (WSAHOST_NOT_FOUND ...).
    if (const int error = ::getaddrinfo(name.c_str(), nullptr, &hints, &results); error != 0) {
        SetLastError(static_cast<std::uint32_t>(error));
        return std::nullopt;
    }
    std::optional<std::uint32_t> address;
    for (const addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
            break;
        }
    }
    ::freeaddrinfo(results);
    if (!address)
        SetLastError(kWsaNoData);
    return address;
}

std::optional<std::uint16_t> LookUpServicePort(const std::string& name) {
    if (name.find('\0') != std::string::npos)
        return std::nullopt;
    // Winsock keeps getservbyname's answer per thread.
    const servent* found = ::getservbyname(name.c_str(), nullptr);
    if (found == nullptr)
        return std::nullopt;
    return NetworkToHost16(static_cast<std::uint16_t>(found->s_port));
}

} // namespace platform
