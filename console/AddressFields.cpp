#include "console/AddressFields.h"

#include "platform/Ipv4Address.h"

#include <algorithm>

std::optional<std::uint32_t> ParseDottedQuad(std::string_view text) {
    const auto address = Ipv4::Parse(text);
    return address ? std::optional<std::uint32_t>(address->Value()) : std::nullopt;
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
