#include "hubsession/HubParameterRules.h"

namespace {

bool OuterPartIs(Ipv4 address, std::uint8_t value) {
    const auto octets = address.Octets();
    return octets[0] == value || octets[3] == value;
}

// Outside these a hub cannot be reached across a LAN: /31 and /32 leave no host address
// next to the network and broadcast addresses, and wider than /8 spans classes.
constexpr int kShortestPrefix = 8;
constexpr int kLongestPrefix = 30;

} // namespace

std::optional<std::string> CheckHubAddressValue(Ipv4 address) {
    if (OuterPartIs(address, 0))
        return "Нулевое значение поля в IP адресе недопустимо";
    if (OuterPartIs(address, 255))
        return "Неверное значение поля в IP адресе";
    return std::nullopt;
}

std::optional<std::string> CheckGatewayValue(Ipv4 gateway) {
    if (OuterPartIs(gateway, 255))
        return "Неверное значение поля в адресе шлюза";
    return std::nullopt;
}

std::optional<std::string> CheckOnLan(Ipv4 address, std::optional<Ipv4> mask,
                                      std::optional<Ipv4> adapterAddress) {
    const int first = address.Octets()[0];
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
        const std::uint32_t hostBits = ~mask->Value();
        const std::uint32_t host = address.Value() & hostBits;
        if (host == 0)
            return "IP адрес хаба не может совпадать с адресом подсети";
        if (host == hostBits)
            return "IP адрес хаба не может совпадать с широковещательным адресом подсети";
    }
    if (adapterAddress == address)
        return "IP адрес хаба не может совпадать с адресом сетевого адаптера компьютера";
    return std::nullopt;
}

std::optional<std::string> CheckHubParameterValues(const HubParameters& wanted,
                                                   std::optional<Ipv4> adapterAddress) {
    if (auto failure = CheckHubAddressValue(wanted.address))
        return failure;
    if (auto failure = CheckGatewayValue(wanted.gateway))
        return failure;
    return CheckOnLan(wanted.address, wanted.mask, adapterAddress);
}

std::optional<int> MaskPrefixLength(Ipv4 mask) {
    const std::uint32_t hostBits = ~mask.Value();
    // Contiguous ones leave host bits of the form 0..01..1, one less than a power of two.
    if ((hostBits & (hostBits + 1)) != 0)
        return std::nullopt;
    int prefix = 0;
    for (std::uint32_t rest = mask.Value(); rest != 0; rest <<= 1)
        ++prefix;
    return prefix;
}

bool GatewayOutsideSubnet(const HubParameters& wanted) {
    const std::uint32_t router = wanted.gateway.Value();
    if (router == 0)
        return false;
    const std::uint32_t bits = wanted.mask.Value();
    return (router & bits) != (wanted.address.Value() & bits);
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
