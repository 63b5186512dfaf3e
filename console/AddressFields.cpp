#include "console/AddressFields.h"

#include <algorithm>

std::optional<std::uint32_t> ParseDottedQuad(std::string_view text) {
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = std::min(text.find('.', start), text.size());
        const std::string_view part = text.substr(start, dot - start);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        std::uint32_t number = 0;
        for (char c : part)
            number = number * 10 + static_cast<std::uint32_t>(c - '0');
        if (number > 255 || ++parts > 4)
            return std::nullopt;
        value = (value << 8) | number;
        if (dot == text.size())
            break;
        start = dot + 1;
    }
    if (parts != 4)
        return std::nullopt;
    return value;
}

std::string AddressFieldsText(const AddressParts& parts) {
    if (std::none_of(parts.begin(), parts.end(), [](const auto& part) { return part.has_value(); }))
        return {};
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += '.';
        if (parts[i])
            text += std::to_string(*parts[i]);
    }
    return text;
}
