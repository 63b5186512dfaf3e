#pragma once

#include "platform/Ipv4Address.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The parts of an address field as the user left them: a value 0..255 or blank.
using AddressParts = std::array<std::optional<int>, 4>;

// An address's four parts, all filled; and back, a blank part read as 0.
AddressParts PartsOf(Ipv4 address);
Ipv4 AddressOf(const AddressParts& parts);

// The six rules on the fields a hub's new IP parameters must pass before they are sent,
// in the order they are checked; the message of the first rule that fails, or nothing
// when all pass.
std::optional<std::string> CheckHubParameters(const AddressParts& address, const AddressParts& mask,
                                              const AddressParts& gateway);

// Every rule on new parameters, the first that fails, or nothing: the six rules on the
// fields, then what can never work on a LAN: a hub address that is loopback, multicast or
// class E; a mask that is not contiguous or is shorter than /8 or longer than /30; a hub
// address that is the network or broadcast address of its new subnet; the adapter's own
// address. A hub on another subnet than the adapter's passes: a site may have several.
// mask: nothing when the hub keeps its own and it is not read yet (kestrunectl before its
// session), and the rules on the mask and the subnet wait for it. adapterAddress: the
// address of the adapter entry the console works through, when known.
std::optional<std::string> CheckNewHubParameters(const AddressParts& address,
                                                 const std::optional<AddressParts>& mask,
                                                 const AddressParts& gateway,
                                                 std::optional<std::uint32_t> adapterAddress);

// The mask's prefix length, or nothing when its ones are not contiguous or it has blanks.
std::optional<int> MaskPrefixLength(const AddressParts& mask);

// A gateway is given (not blank, not 0.0.0.0) and lies outside the subnet of the hub's
// new address and mask: unusual rather than impossible, so it is asked about.
bool GatewayOutsideSubnet(const AddressParts& address, const AddressParts& mask,
                          const AddressParts& gateway);

// The window's question before such a gateway is sent.
inline constexpr const char* kGatewayOutsideSubnetQuestion =
    "Основной шлюз не входит в подсеть, заданную IP адресом и маской подсети хаба.\n"
    "Если Вы настаиваете на продолжении - нажмите \"Да (Yes)\"";

// The firmware test before a controller number is written: the character after the first
// space of the hub's model text (UTF-8) must be "1" or above; a text without a space
// passes. Every character beyond ASCII counts as above "1", whatever it is.
bool FirmwareSupportsControllerNumbers(const std::string& modelText);
