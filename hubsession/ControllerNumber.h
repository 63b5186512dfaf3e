#pragma once

#include "hubsession/HubMessage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// What field 119 holds as an unsigned 32-bit decimal number: digits only (surrounding
// blanks allowed) and no more than 4294967295. Anything else, the empty text included,
// is no number.
std::optional<std::uint32_t> ParseControllerNumber(const std::string& text);

// The checks before a controller's number is written, in their order: the number is one
// of the hub's controller places, and no controller on link already has it. The message
// of the first that fails, or nothing.
std::optional<std::string> CheckControllerNumber(std::uint32_t number,
                                                 const std::array<bool, kControllerCount>& onLink);
