#include "console/AddressFields.h"

#include <algorithm>

namespace {

int FilledCount(const AddressParts& parts) {
    return static_cast<int>(
        std::count_if(parts.begin(), parts.end(),
                      [](const std::optional<int>& part) { return part.has_value(); }));
}

} // namespace

AddressParts PartsOf(Ipv4 address) {
    AddressParts parts;
    const auto octets = address.Octets();
    for (std::size_t i = 0; i < parts.size(); ++i)
        parts[i] = octets[i];
    return parts;
}

Ipv4 AddressOf(const AddressParts& parts) {
    std::uint32_t value = 0;
    for (const auto& part : parts)
        value = (value << 8) | static_cast<std::uint32_t>(part.value_or(0) & 0xFF);
    return Ipv4(value);
}

// The rules on blanks come between the rules on whole values, each where the window has
// always checked it: an address is whole before its parts are judged, and a gateway is
// whole or blank (0.0.0.0, no gateway) before its parts are.
std::optional<std::string> CheckHubParameters(const AddressParts& address, const AddressParts& mask,
                                              const AddressParts& gateway) {
    if (FilledCount(address) != 4)
        return "Пустые поля в IP адресе недопустимы";
    if (auto failure = CheckHubAddressValue(AddressOf(address)))
        return failure;
    if (FilledCount(mask) != 4)
        return "Пустые поля в маске подсети недопустимы";
    const int gatewayParts = FilledCount(gateway);
    if (gatewayParts != 0 && gatewayParts != 4)
        return "Незаполненные поля в адресе шлюза недопустимы";
    return CheckGatewayValue(AddressOf(gateway));
}

std::optional<std::string> CheckNewHubParameters(const AddressParts& address,
                                                 const std::optional<AddressParts>& mask,
                                                 const AddressParts& gateway,
                                                 std::optional<Ipv4> adapterAddress) {
    // A mask not read yet is the hub's own, which is whole.
    const AddressParts wholeMask{255, 255, 255, 0};
    if (auto failure = CheckHubParameters(address, mask.value_or(wholeMask), gateway))
        return failure;
    const std::optional<Ipv4> maskValue =
        mask ? std::optional<Ipv4>(AddressOf(*mask)) : std::nullopt;
    return CheckOnLan(AddressOf(address), maskValue, adapterAddress);
}

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
