#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Hubs answer the search with 8-bit text. Most send ASCII; a hub configured from a PC with
// the Windows Cyrillic code page carries CP1251 bytes in its model line, and a newer
// configuration tool writes UTF-8. The text is read as UTF-8 when every byte of it is
// valid UTF-8, else as CP1251, and given back as UTF-8. A byte that stands for nothing
// in CP1251 (0x98) becomes U+FFFD.
//
// wasCut tells that the bytes are the start of a longer line: a UTF-8 character that the
// cut split is then dropped, rather than taking the whole line for CP1251.
std::string DecodeHubText(std::span<const std::uint8_t> bytes, bool wasCut = false);

// Hub text as it may reach a display or a file: a hub's line could otherwise forge a line
// of the log (LF), drive the technician's terminal (ESC) or hide itself. Every C0 control
// but TAB becomes its Unicode control picture (LF is U+240A), DEL becomes U+2421 and a C1
// control (U+0080..U+009F) U+FFFD. TAB too becomes U+2409 unless keepTab: the log keeps
// it, a list cell or a table column does not.
std::string VisibleHubText(std::string_view utf8, bool keepTab = true);
