#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What field 119 holds as an unsigned 32-bit decimal number: digits only (surrounding
// blanks allowed) and no more than 4294967295. Anything else, the empty text included,
// is no number.
std::optional<std::uint32_t> ParseControllerNumber(const std::string& text);
