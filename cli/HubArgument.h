#pragma once

#include "console/AddressFields.h"

#include <optional>
#include <string>

// The texts a person gives kestrunectl for addresses, read without a network.

// Dotted text of four parts, each empty or a decimal number 0..255 ("10..0.5" leaves the
// second part blank, as the window's address field would): the hub's rules then say
// what is wrong with the blanks. Nothing when the text has not four parts or a part is
// not such a number.
std::optional<AddressParts> ParseAddressParts(const std::string& text);

// A physical address as six pairs of hexadecimal digits joined by "-" or by ":" (one
// separator throughout): the key it is compared by, as every part of the program
// compares physical addresses (ComparablePhysicalAddress). Nothing for any other text.
std::optional<std::string> PhysicalAddressKey(const std::string& text);

// The HUB argument: an IPv4 address (four full parts), or a physical address that a
// search resolves to one hub.
struct HubArgument {
    std::string address;     // dotted, when the argument is an address
    std::string physicalKey; // PhysicalAddressKey, when it is a physical address
};
std::optional<HubArgument> ParseHubArgument(const std::string& text);
