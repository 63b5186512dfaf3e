#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// An IPv4 address as its four octets, first octet first (the order on the wire), so that
// no caller has to think about the host's byte order.
using Ipv4Address = std::array<std::uint8_t, 4>;

} // namespace platform

// An IPv4 address as the program's own value: read once where text comes in (a reply's
// source, a field, an argument), compared as a number, and written as dotted decimal only
// where a person reads it.
class Ipv4 {
public:
    constexpr Ipv4() = default;
    // First octet most significant.
    constexpr explicit Ipv4(std::uint32_t value) : value_(value) {}

    // Four dotted decimal parts of one to three digits each, every part 0..255; nothing
    // otherwise: no other form (hex, octal, fewer parts) is an address a person types.
    static std::optional<Ipv4> Parse(std::string_view text);

    constexpr std::uint32_t Value() const { return value_; }
    std::string Text() const;
    constexpr platform::Ipv4Address Octets() const {
        return {static_cast<std::uint8_t>(value_ >> 24), static_cast<std::uint8_t>(value_ >> 16),
                static_cast<std::uint8_t>(value_ >> 8), static_cast<std::uint8_t>(value_)};
    }

    friend constexpr auto operator<=>(Ipv4, Ipv4) = default;

private:
    std::uint32_t value_ = 0;
};
