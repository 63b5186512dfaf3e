#include "Ipv4.h"

#include <arpa/inet.h>
#include <bit>

namespace hubsim {

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t pos = 0;
    while (parts < 4) {
        std::size_t digits = 0;
        std::uint32_t part = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            part = part * 10 + static_cast<std::uint32_t>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || part > 255) {
            return std::nullopt;
        }
        value = (value << 8) | part;
        ++parts;
        if (parts < 4) {
            if (pos >= text.size() || text[pos] != '.') {
                return std::nullopt;
            }
            ++pos;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string FormatIpv4(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::optional<int> MaskPrefixLength(std::uint32_t mask) {
    const int ones = std::countl_one(mask);
    if (PrefixMask(ones) != mask) {
        return std::nullopt;
    }
    return ones;
}

std::uint32_t PrefixMask(int prefixLength) {
    if (prefixLength <= 0) {
        return 0;
    }
    if (prefixLength >= 32) {
        return 0xFFFFFFFFu;
    }
    return ~((1u << (32 - prefixLength)) - 1u);
}

std::uint32_t SubnetBroadcast(std::uint32_t address, std::uint32_t mask) {
    return (address & mask) | ~mask;
}

std::uint32_t ToNetworkOrder(std::uint32_t address) {
    return htonl(address);
}
std::uint32_t FromNetworkOrder(std::uint32_t address) {
    return ntohl(address);
}

} // namespace hubsim
