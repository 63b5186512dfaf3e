#include "platform/Ipv4Address.h"

#include <algorithm>

std::optional<Ipv4> Ipv4::Parse(std::string_view text) {
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
    return Ipv4(value);
}

std::string Ipv4::Text() const {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string((value_ >> shift) & 0xFFu);
        if (shift > 0)
            text += '.';
    }
    return text;
}
