#pragma once

#include "hubsession/HubParameterRules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What an IP address control shows, as text, for every face.

// Four dotted decimal parts of one to three digits each, every part 0..255, first part
// most significant; nothing otherwise (an address control is then left blank).
std::optional<std::uint32_t> ParseDottedQuad(std::string_view text);

// Dotted text with blank parts left empty ("192..1.10"), empty when all four are blank.
std::string AddressFieldsText(const AddressParts& parts);
