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

std::optional<QString> CheckHubParameters(const AddressParts& address, const AddressParts& mask,
                                          const AddressParts& gateway) {
    if (FilledCount(address) != 4) {
        return QStringLiteral("Пустые поля в IP адресе недопустимы");
    }
    if (OuterPartIs(address, 0)) {
        return QStringLiteral("Нулевое значение поля в IP адресе недопустимо");
    }
    if (OuterPartIs(address, 255)) {
        return QStringLiteral("Неверное значение поля в IP адресе");
    }
    if (FilledCount(mask) != 4) {
        return QStringLiteral("Пустые поля в маске подсети недопустимы");
    }
    const int gatewayParts = FilledCount(gateway);
    if (gatewayParts != 0 && gatewayParts != 4) {
        return QStringLiteral("Незаполненные поля в адресе шлюза недопустимы");
    }
    if (OuterPartIs(gateway, 255)) {
        return QStringLiteral("Неверное значение поля в адресе шлюза");
    }
    return std::nullopt;
}

bool FirmwareSupportsControllerNumbers(const QString& modelText) {
    const qsizetype space = modelText.indexOf(QLatin1Char(' '));
    if (space < 0) {
        return true;
    }
    // A space at the very end is followed by the text's terminating zero, which is below
    // "1": the hub names no revision, and the technician is asked.
    const char16_t next = space + 1 < modelText.size() ? modelText[space + 1].unicode() : u'\0';
    return next >= u'1';
}
