#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// A hub's physical address as the program keeps it: read once from the text the hub sent,
// compared by its key (ComparablePhysicalAddress: letters and digits, lower case), shown
// as the hub wrote it.
class PhysicalAddress {
public:
    PhysicalAddress() = default;
    static PhysicalAddress FromText(std::string text);

    // As the hub sent it.
    const std::string& Text() const { return text_; }
    // What two texts of one address have in common; empty when the text names none.
    const std::string& Key() const { return key_; }
    bool Known() const { return !key_.empty(); }
    // The six bytes, when the key is twelve hexadecimal digits.
    std::optional<std::array<std::uint8_t, 6>> Bytes() const;

    // One physical address, whatever its form; an unknown one equals none.
    bool SameAs(const PhysicalAddress& other) const { return Known() && key_ == other.key_; }

private:
    std::string text_;
    std::string key_;
};
