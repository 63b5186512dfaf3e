#include "discovery/PhysicalAddress.h"

#include "discovery/HubConflicts.h"

PhysicalAddress PhysicalAddress::FromText(std::string text) {
    PhysicalAddress address;
    address.key_ = ComparablePhysicalAddress(text);
    address.text_ = std::move(text);
    return address;
}

std::optional<std::array<std::uint8_t, 6>> PhysicalAddress::Bytes() const {
    if (key_.size() != 12)
        return std::nullopt;
    std::array<std::uint8_t, 6> bytes{};
    for (std::size_t i = 0; i < key_.size(); ++i) {
        const char c = key_[i];
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        bytes[i / 2] = static_cast<std::uint8_t>(bytes[i / 2] << 4 | digit);
    }
    return bytes;
}
