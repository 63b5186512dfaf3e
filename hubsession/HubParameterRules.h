#pragma once

#include "hubsession/HubParameters.h"
#include "platform/Ipv4Address.h"

#include <optional>
#include <string>

// The rules on a hub's new IP parameters as whole values. Each gives the message of the
// first rule that fails, or nothing when all pass. A form with blank parts has rules of
// its own before these (the console's address fields).

// A hub address whose first or last part is 0 or 255.
std::optional<std::string> CheckHubAddressValue(Ipv4 address);

// A gateway whose first or last part is 255 (0.0.0.0 is no gateway, and passes).
std::optional<std::string> CheckGatewayValue(Ipv4 gateway);

// What can never work on a LAN: a hub address that is loopback, multicast or class E; a
// mask that is not contiguous or is shorter than /8 or longer than /30; a hub address that
// is the network or broadcast address of its new subnet; the adapter's own address. A hub
// on another subnet than the adapter's passes: a site may have several.
// mask: nothing when the hub keeps its own and it is not read yet (kestrunectl before its
// session), and the rules on the mask and the subnet wait for it. adapterAddress: the
// address of the adapter entry the console works through, when known.
std::optional<std::string> CheckOnLan(Ipv4 address, std::optional<Ipv4> mask,
                                      std::optional<Ipv4> adapterAddress);

// Every rule on whole new parameters, in the order the window checks them: the hub
// address, the gateway, then what can never work on a LAN.
std::optional<std::string> CheckHubParameterValues(const HubParameters& wanted,
                                                   std::optional<Ipv4> adapterAddress);

// The mask's prefix length, or nothing when its ones are not contiguous.
std::optional<int> MaskPrefixLength(Ipv4 mask);

// A gateway is given (not 0.0.0.0) and lies outside the subnet of the hub's new address
// and mask: unusual rather than impossible, so it is asked about.
bool GatewayOutsideSubnet(const HubParameters& wanted);

// The window's question before such a gateway is sent.
inline constexpr const char* kGatewayOutsideSubnetQuestion =
    "Основной шлюз не входит в подсеть, заданную IP адресом и маской подсети хаба.\n"
    "Если Вы настаиваете на продолжении - нажмите \"Да (Yes)\"";

// The firmware test before a controller number is written: the character after the first
// space of the hub's model text (UTF-8) must be "1" or above; a text without a space
// passes. Every character beyond ASCII counts as above "1", whatever it is.
bool FirmwareSupportsControllerNumbers(const std::string& modelText);
