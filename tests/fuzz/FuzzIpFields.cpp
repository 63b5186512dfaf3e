// The console's address and number fields take whatever the technician types or pastes.
// The dotted-address reading, the controller number field and the rules for new hub
// parameters must each accept exactly what they promise, and a request is only ever built
// from parameters that passed the rules.
#include "hubsession/ControllerNumber.h"
#include "gui/IpAddressEdit.h"
#include "hubsession/HubMessage.h"
#include "console/AddressFields.h"
#include "tests/fuzz/FuzzRequire.h"

#include <QSet>
#include <QString>
#include <cctype>
#include <cstdio>
#include <string>

namespace {

bool AsciiDigits(const QString& text) {
    for (QChar ch : text) {
        if (ch.unicode() < u'0' || ch.unicode() > u'9') {
            return false;
        }
    }
    return !text.isEmpty();
}

void CheckDottedAddress(const QString& text) {
    const auto value = ParseDottedAddress(text);
    const QStringList parts = text.split(QLatin1Char('.'));
    bool wellFormed = parts.size() == 4;
    std::uint32_t expected = 0;
    for (const QString& part : parts) {
        wellFormed = wellFormed && part.size() <= 3 && AsciiDigits(part) && part.toUInt() <= 255;
        expected = (expected << 8) | (wellFormed ? part.toUInt() : 0);
    }
    Require(value.has_value() == wellFormed, "dotted address taken or refused wrongly");
    Require(!value || *value == expected, "dotted address read wrongly");
}

// Only the blanks of the C locale surround a number; a no-break space pasted from a
// document is not one of them, though QString::trimmed() would take it away.
QString TrimmedOfAsciiBlanks(const QString& text) {
    const auto blank = [](QChar ch) { return ch.unicode() < 0x80 && std::isspace(ch.unicode()); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

void CheckControllerNumber(const QString& text) {
    const auto value = ParseControllerNumber(text.toStdString());
    QString digits = TrimmedOfAsciiBlanks(text);
    if (!AsciiDigits(digits)) {
        Require(!value, "a number from what is no number");
        return;
    }
    while (digits.size() > 1 && digits.front() == QLatin1Char('0')) {
        digits.remove(0, 1);
    }
    const bool fits =
        digits.size() < 10 || (digits.size() == 10 && digits <= QLatin1String("4294967295"));
    Require(value.has_value() == fits, "a number refused or taken past 32 bits");
    Require(!value || QString::number(*value) == digits, "the number read wrongly");
}

// Each part from two bytes: a first byte with its top bit set leaves the part blank.
AddressParts Parts(const std::uint8_t* bytes) {
    AddressParts parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if ((bytes[2 * i] & 0x80) == 0) {
            parts[i] = bytes[2 * i + 1];
        }
    }
    return parts;
}

int Filled(const AddressParts& parts) {
    int filled = 0;
    for (const auto& part : parts) {
        filled += part.has_value() ? 1 : 0;
    }
    return filled;
}

bool OuterIs(const AddressParts& parts, int value) {
    return parts[0] == value || parts[3] == value;
}

void CheckHubParameterRules(const std::uint8_t* bytes) {
    const AddressParts address = Parts(bytes);
    const AddressParts mask = Parts(bytes + 8);
    const AddressParts gateway = Parts(bytes + 16);
    const auto failure = CheckHubParameters(address, mask, gateway);

    const bool sound = Filled(address) == 4 && !OuterIs(address, 0) && !OuterIs(address, 255) &&
                       Filled(mask) == 4 && (Filled(gateway) == 0 || Filled(gateway) == 4) &&
                       !OuterIs(gateway, 255);
    Require(failure.has_value() != sound, "parameters judged wrongly");
    if (failure) {
        static const QSet<QString> texts = {
            QStringLiteral("Пустые поля в IP адресе недопустимы"),
            QStringLiteral("Нулевое значение поля в IP адресе недопустимо"),
            QStringLiteral("Неверное значение поля в IP адресе"),
            QStringLiteral("Пустые поля в маске подсети недопустимы"),
            QStringLiteral("Незаполненные поля в адресе шлюза недопустимы"),
            QStringLiteral("Неверное значение поля в адресе шлюза"),
        };
        Require(texts.contains(QString::fromStdString(*failure)), "an unknown message");
        return;
    }

    // What the console then sends: the twelve octets in place, a blank gateway as zeros.
    Ipv4Octets octets[3]{};
    const AddressParts* sources[3] = {&address, &mask, &gateway};
    for (std::size_t f = 0; f < 3; ++f) {
        for (std::size_t i = 0; i < 4; ++i) {
            octets[f][i] = static_cast<std::uint8_t>((*sources[f])[i].value_or(0));
        }
    }
    const HubRequest request = MakeSetIpParametersRequest(octets[0], octets[1], octets[2]);
    for (std::size_t i = 0; i < request.size(); ++i) {
        const std::uint8_t want = i == 3             ? 0x80
                                  : i >= 4 && i < 16 ? octets[(i - 4) / 4][(i - 4) % 4]
                                                     : 0;
        Require(request[i] == want, "the request does not carry the parameters");
    }
}

} // namespace

// The first byte chooses the check; the rest is text (UTF-8) or, for the parameter rules,
// 24 bytes of parts.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    switch (data[0] % 3) {
    case 0:
        CheckDottedAddress(text);
        break;
    case 1:
        CheckControllerNumber(text);
        break;
    default:
        if (size >= 25) {
            CheckHubParameterRules(data + 1);
        }
        break;
    }
    return 0;
}
