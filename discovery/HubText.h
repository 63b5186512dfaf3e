#pragma once

#include <cstdint>
#include <span>
#include <string>

// Hubs answer the search with 8-bit text. Most send ASCII; a hub configured from a PC with
// the Windows Cyrillic code page carries CP1251 bytes in its model line, and a newer
// configuration tool writes UTF-8. The text is read as UTF-8 when every byte of it is
// valid UTF-8, else as CP1251, and given back as UTF-8. A byte that stands for nothing
// in CP1251 (0x98) becomes U+FFFD.
//
// wasCut tells that the bytes are the start of a longer line: a UTF-8 character that the
// cut split is then dropped, rather than taking the whole line for CP1251.
std::string DecodeHubText(std::span<const std::uint8_t> bytes, bool wasCut = false);
