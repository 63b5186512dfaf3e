#include "platform/NameResolver.h"

#include "platform/LastError.h"
#include "platform/SocketApi.h"

#include <arpa/inet.h>
#include <array>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace platform {

namespace {

// Winsock's codes for the resolver's outcomes.
std::uint32_t ResolverErrorCode(int error) {
    switch (error) {
    case EAI_AGAIN:
        return kWsaTryAgain;
    case EAI_FAIL:
        return kWsaNoRecovery;
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
        return kWsaNoData;
    case EAI_MEMORY:
        return kErrorOutOfMemory;
    default:
        return kWsaHostNotFound;
    }
}

} // namespace

std::optional<std::uint32_t> ParseDottedAddress(const std::string& text) {
    // inet_aton reads exactly inet_addr's forms and, unlike inet_addr, tells
    // 255.255.255.255 apart from a failure.
    in_addr address{};
    if (text.find('\0') != std::string::npos || ::inet_aton(text.c_str(), &address) == 0)
        return std::nullopt;
    return address.s_addr;
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
    const int error = ::getaddrinfo(name.c_str(), nullptr, &hints, &results);
    if (error != 0) {
        SetLastError(ResolverErrorCode(error));
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
    servent entry{};
    servent* found = nullptr;
    std::array<char, 4096> scratch{};
    if (::getservbyname_r(name.c_str(), nullptr, &entry, scratch.data(), scratch.size(), &found) !=
            0 ||
        found == nullptr)
        return std::nullopt;
    return NetworkToHost16(static_cast<std::uint16_t>(found->s_port));
}

} // namespace platform
