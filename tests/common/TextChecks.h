#pragma once

#include <string>
#include <string_view>
#include <vector>

// Checks on the core's UTF-8 texts, for tests that need no Qt.
using Texts = std::vector<std::string>;

inline bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}
