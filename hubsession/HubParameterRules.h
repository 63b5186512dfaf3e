#pragma once

#include <array>
#include <optional>
#include <string>

// The parts of an address field as the user left them: a value 0..255 or blank.
using AddressParts = std::array<std::optional<int>, 4>;

// The rules a hub's new IP parameters must pass before they are sent, in the order they
// are checked; the message of the first rule that fails, or nothing when all pass.
std::optional<std::string> CheckHubParameters(const AddressParts& address, const AddressParts& mask,
                                              const AddressParts& gateway);

// The firmware test before a controller number is written: the character after the first
// space of the hub's model text (UTF-8) must be "1" or above; a text without a space
// passes. Every character beyond ASCII counts as above "1", whatever it is.
bool FirmwareSupportsControllerNumbers(const std::string& modelText);
