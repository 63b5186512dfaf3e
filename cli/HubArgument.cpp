#include "cli/HubArgument.h"

#include "console/AddressFields.h"
#include "discovery/HubConflicts.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

} // namespace

std::optional<AddressParts> ParseAddressParts(const std::string& text) {
    AddressParts parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t dot = text.find('.', start);
        const bool last = i + 1 == parts.size();
        if (last != (dot == std::string::npos))
            return std::nullopt;
        const std::string part = text.substr(start, last ? std::string::npos : dot - start);
        if (!part.empty()) {
            if (part.size() > 3 || !IsDigits(part) || std::stoi(part) > 255)
                return std::nullopt;
            parts[i] = std::stoi(part);
        }
        start = dot + 1;
    }
    return parts;
}

std::optional<std::string> PhysicalAddressKey(const std::string& text) {
    if (text.size() != 17)
        return std::nullopt;
    const char separator = text[2];
    if (separator != '-' && separator != ':')
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i % 3 == 2 ? c != static_cast<unsigned char>(separator) : std::isxdigit(c) == 0)
            return std::nullopt;
    }
    return ComparablePhysicalAddress(text);
}

std::optional<HubArgument> ParseHubArgument(const std::string& text) {
    if (const auto parts = ParseAddressParts(text)) {
        if (std::all_of(parts->begin(), parts->end(),
                        [](const auto& part) { return part.has_value(); }))
            return HubArgument{AddressFieldsText(*parts), {}};
        return std::nullopt;
    }
    if (auto key = PhysicalAddressKey(text))
        return HubArgument{{}, std::move(*key)};
    return std::nullopt;
}
