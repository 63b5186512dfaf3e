#include "net/AddressHelpers.h"

#include "platform/NameResolver.h"

namespace {

// The resolver's texts travelled in a 1024-byte buffer with its terminating zero.
constexpr qsizetype kMaxResolverText = 1023;

constexpr std::uint32_t kNoAddress = 0xFFFFFFFF;

} // namespace

std::string ResolverText(const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        bytes.truncate(zero);
    bytes.truncate(kMaxResolverText);
    return bytes.toStdString();
}

std::uint32_t ResolveIPv4(const QString& host) {
    const std::string text = ResolverText(host);
    if (const auto address = platform::ParseDottedAddress(text))
        return platform::NetworkToHost32(*address);
    if (const auto address = platform::LookUpHostAddress(text))
        return platform::NetworkToHost32(*address);
    return kNoAddress;
}

std::uint16_t ResolvePort(const QString& service) {
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

bool FillSocketAddress(platform::SocketAddressV4& address, const QString& host,
                       const QString& service, std::uint16_t family) {
    address = platform::SocketAddressV4{};
    address.address = platform::HostToNetwork32(ResolveIPv4(host));
    address.port = platform::HostToNetwork16(ResolvePort(service));
    address.family = family;
    return address.address != 0 || address.port != 0;
}

QString DottedAddressText(std::uint32_t networkOrderAddress) {
    const std::uint32_t value = platform::NetworkToHost32(networkOrderAddress);
    return QStringLiteral("%1.%2.%3.%4")
        .arg(value >> 24)
        .arg((value >> 16) & 0xFF)
        .arg((value >> 8) & 0xFF)
        .arg(value & 0xFF);
}
