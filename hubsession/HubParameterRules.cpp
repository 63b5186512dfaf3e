#include "hubsession/HubParameterRules.h"

#include <algorithm>

namespace {

int FilledCount(const AddressParts& parts) {
    return static_cast<int>(std::count_if(parts.begin(), parts.end(),
                                          [](const std::optional<int>& part) { return part.has_value(); }));
}

bool OuterPartIs(const AddressParts& parts, int value) {
    return parts[0] == value || parts[3] == value;
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
