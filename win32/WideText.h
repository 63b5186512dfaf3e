#pragma once

#include "platform/Utf8.h"

#include <string>
#include <string_view>

// Texts at the Win32 face's edge: the core speaks UTF-8, the wide calls UTF-16, and on
// Windows wchar_t is a UTF-16 unit.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring Wide(std::string_view utf8) {
    const std::u16string text = platform::Utf16FromUtf8(utf8);
    return std::wstring(text.begin(), text.end());
}

inline std::string Narrow(std::wstring_view text) {
    return platform::Utf8FromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// A template's text as a wide string; a null text is empty.
inline const wchar_t* WideTemplateText(const char16_t* text) {
    return text != nullptr ? reinterpret_cast<const wchar_t*>(text) : L"";
}
