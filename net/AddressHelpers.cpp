#include "net/AddressHelpers.h"

#include "platform/NameResolver.h"

#include <algorithm>

namespace {

// The resolver's texts travelled in a 1024-byte buffer with its terminating zero.
constexpr std::size_t kMaxResolverText = 1023;

constexpr std::uint32_t kNoAddress = 0xFFFFFFFF;

} // namespace

std::string ResolverText(const std::string& text) {
    std::size_t length = std::min(text.find('\0'), text.size());
    if (length > kMaxResolverText) {
        length = kMaxResolverText;
        // Back to the start of the character the cut fell in: UTF-8 continuation bytes
        // are 10xxxxxx, and a character has at most three of them.
        for (int back = 0;
             back < 3 && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80;
             ++back)
            --length;
    }
    return text.substr(0, length);
}

std::uint32_t ResolveIPv4(const std::string& host) {
    const std::string text = ResolverText(host);
    if (const auto address = platform::ParseDottedAddress(text))
        return platform::NetworkToHost32(*address);
    if (const auto address = platform::LookUpHostAddress(text))
        return platform::NetworkToHost32(*address);
    return kNoAddress;
}

std::uint16_t ResolvePort(const std::string& service) {
    const std::string text = ResolverText(service);
    if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
        std::uint16_t port = 0;
        for (const char c : text) {
            if (c < '0' || c > '9')
                break;
            // Unsigned arithmetic wraps, which keeps exactly the low 16 bits.
            port = static_cast<std::uint16_t>(port * 10u + static_cast<unsigned>(c - '0'));
        }
        return port;
    }
    return platform::LookUpServicePort(text).value_or(0);
}

bool FillSocketAddress(platform::SocketAddressV4& address, const std::string& host,
                       const std::string& service, std::uint16_t family) {
    address = platform::SocketAddressV4{};
    address.address = platform::HostToNetwork32(ResolveIPv4(host));
    address.port = platform::HostToNetwork16(ResolvePort(service));
    address.family = family;
    return address.address != 0 || address.port != 0;
}

std::string DottedAddressText(std::uint32_t networkOrderAddress) {
    const std::uint32_t value = platform::NetworkToHost32(networkOrderAddress);
    return std::to_string(value >> 24) + '.' + std::to_string((value >> 16) & 0xFF) + '.' +
           std::to_string((value >> 8) & 0xFF) + '.' + std::to_string(value & 0xFF);
}
