#include "adapters/AddressText.h"

std::string DottedText(const platform::Ipv4Address& address) {
    return std::to_string(address[0]) + '.' + std::to_string(address[1]) + '.' +
           std::to_string(address[2]) + '.' + std::to_string(address[3]);
}

std::int32_t NetworkOrderNumber(const platform::Ipv4Address& address) {
    const std::uint32_t value = std::uint32_t{address[0]} | std::uint32_t{address[1]} << 8 |
                                std::uint32_t{address[2]} << 16 | std::uint32_t{address[3]} << 24;
    return static_cast<std::int32_t>(value);
}
