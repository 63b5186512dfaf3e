#pragma once

#include <string>
#include <string_view>

// Windows side of the platform layer only: the UTF-16 of the system's "W" calls and the
// UTF-8 of the core, both ways.
namespace platform::windows {

std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);

} // namespace platform::windows
