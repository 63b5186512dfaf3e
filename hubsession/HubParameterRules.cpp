#include "hubsession/HubParameterRules.h"

#include <algorithm>

namespace {

int FilledCount(const AddressParts& parts) {
    return static_cast<int>(
        std::count_if(parts.begin(), parts.end(),
                      [](const std::optional<int>& part) { return part.has_value(); }));
}

bool OuterPartIs(const AddressParts& parts, int value) {
    return parts[0] == value || parts[3] == value;
}

// The parts as one number, the first part most significant; a blank part counts as 0.
std::uint32_t Number(const AddressParts& parts) {
    std::uint32_t number = 0;
    for (const std::optional<int>& part : parts)
        number = number << 8 | static_cast<std::uint32_t>(part.value_or(0) & 0xFF);
    return number;
}

// Outside these a hub cannot be reached across a LAN: /31 and /32 leave no host address
// next to the network and broadcast addresses, and wider than /8 spans classes.
constexpr int kShortestPrefix = 8;
constexpr int kLongestPrefix = 30;

// What can never work on a LAN, for parameters that passed the six field rules.
std::optional<std::string> CheckOnLan(const AddressParts& address,
                                      const std::optional<AddressParts>& mask,
                                      std::optional<std::uint32_t> adapterAddress) {
    const int first = address[0].value_or(0);
    if (first == 127)
        return "Адрес обратной петли (127.x.x.x) недопустим в качестве IP адреса хаба";
    if (first >= 224 && first <= 239)
        return "Групповой адрес (224.x.x.x - 239.x.x.x) недопустим в качестве IP адреса хаба";
    if (first >= 240)
        return "Зарезервированный адрес (240.x.x.x и выше) недопустим в качестве IP адреса хаба";
    if (mask) {
        const std::optional<int> prefix = MaskPrefixLength(*mask);
        if (!prefix)
            return "Неверная маска подсети: единичные биты в ней должны идти подряд";
        if (*prefix < kShortestPrefix || *prefix > kLongestPrefix)
            return "Недопустимая маска подсети: допустимы маски от 255.0.0.0 до 255.255.255.252";
        const std::uint32_t hostBits = ~Number(*mask);
        const std::uint32_t host = Number(address) & hostBits;
        if (host == 0)
            return "IP адрес хаба не может совпадать с адресом подсети";
        if (host == hostBits)
            return "IP адрес хаба не может совпадать с широковещательным адресом подсети";
    }
    if (adapterAddress && *adapterAddress == Number(address))
        return "IP адрес хаба не может совпадать с адресом сетевого адаптера компьютера";
    return std::nullopt;
}

} // namespace

std::optional<std::string> CheckHubParameters(const AddressParts& address, const AddressParts& mask,
                                              const AddressParts& gateway) {
    if (FilledCount(address) != 4) {
        return "Пустые поля в IP адресе недопустимы";
    }
    if (OuterPartIs(address, 0)) {
        return "Нулевое значение поля в IP адресе недопустимо";
    }
    if (OuterPartIs(address, 255)) {
        return "Неверное значение поля в IP адресе";
    }
    if (FilledCount(mask) != 4) {
        return "Пустые поля в маске подсети недопустимы";
    }
    const int gatewayParts = FilledCount(gateway);
    if (gatewayParts != 0 && gatewayParts != 4) {
        return "Незаполненные поля в адресе шлюза недопустимы";
    }
    if (OuterPartIs(gateway, 255)) {
        return "Неверное значение поля в адресе шлюза";
    }
    return std::nullopt;
}

std::optional<std::string> CheckNewHubParameters(const AddressParts& address,
                                                 const std::optional<AddressParts>& mask,
                                                 const AddressParts& gateway,
                                                 std::optional<std::uint32_t> adapterAddress) {
    // A mask not read yet is the hub's own, which is whole.
    const AddressParts wholeMask{255, 255, 255, 0};
    if (auto failure = CheckHubParameters(address, mask.value_or(wholeMask), gateway))
        return failure;
    return CheckOnLan(address, mask, adapterAddress);
}

std::optional<int> MaskPrefixLength(const AddressParts& mask) {
    if (FilledCount(mask) != 4)
        return std::nullopt;
    const std::uint32_t bits = Number(mask);
    const std::uint32_t hostBits = ~bits;
    // Contiguous ones leave host bits of the form 0..01..1, one less than a power of two.
    if ((hostBits & (hostBits + 1)) != 0)
        return std::nullopt;
    int prefix = 0;
    for (std::uint32_t rest = bits; rest != 0; rest <<= 1)
        ++prefix;
    return prefix;
}

bool GatewayOutsideSubnet(const AddressParts& address, const AddressParts& mask,
                          const AddressParts& gateway) {
    const std::uint32_t router = Number(gateway);
    if (router == 0)
        return false;
    const std::uint32_t bits = Number(mask);
    return (router & bits) != (Number(address) & bits);
}

bool FirmwareSupportsControllerNumbers(const std::string& modelText) {
    const std::size_t space = modelText.find(' ');
    if (space == std::string::npos) {
        return true;
    }
    // A space at the very end is followed by the text's terminating zero, which is below
    // "1": the hub names no revision, and the technician is asked. The byte is compared
    // unsigned: the first byte of any character beyond ASCII is 0xC2 or more, so such a
    // character passes, as every character above "1" does.
    const unsigned char next =
        space + 1 < modelText.size() ? static_cast<unsigned char>(modelText[space + 1]) : 0;
    return next >= '1';
}

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
