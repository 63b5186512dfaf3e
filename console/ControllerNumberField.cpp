#include "console/ControllerNumberField.h"

std::optional<std::uint32_t> ParseControllerNumber(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (QChar ch : digits) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(ch.unicode() - u'0');
        if (value > 0xFFFFFFFFull) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}
