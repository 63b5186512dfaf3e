#pragma once

#include "hubsession/HubParameterRules.h"
#include "platform/Ipv4Address.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// An address field as the person left it, in the window or in kestrunectl's arguments:
// the rules on blanks come here, before the hub layer sees whole values.

// The parts of an address field: each a value 0..255 or blank.
using AddressParts = std::array<std::optional<int>, 4>;

// An address's four parts, all filled; and back, a blank part read as 0.
AddressParts PartsOf(Ipv4 address);
Ipv4 AddressOf(const AddressParts& parts);

// The six rules on the fields a hub's new IP parameters must pass before they are sent,
// in the order they are checked; the message of the first rule that fails, or nothing
// when all pass.
std::optional<std::string> CheckHubParameters(const AddressParts& address, const AddressParts& mask,
                                              const AddressParts& gateway);

// Every rule on new parameters as the form holds them, the first that fails, or nothing:
// the six rules on the fields, then what can never work on a LAN (CheckOnLan).
// mask: nothing when the hub keeps its own and it is not read yet (kestrunectl before its
// session), and the rules on the mask and the subnet wait for it. adapterAddress: the
// address of the adapter entry the console works through, when known.
std::optional<std::string> CheckNewHubParameters(const AddressParts& address,
                                                 const std::optional<AddressParts>& mask,
                                                 const AddressParts& gateway,
                                                 std::optional<Ipv4> adapterAddress);

// What an IP address control shows, as text, for every face.

// Four dotted decimal parts of one to three digits each, every part 0..255, first part
// most significant; nothing otherwise (an address control is then left blank).
std::optional<std::uint32_t> ParseDottedQuad(std::string_view text);

// Dotted text with blank parts left empty ("192..1.10"), empty when all four are blank.
std::string AddressFieldsText(const AddressParts& parts);
