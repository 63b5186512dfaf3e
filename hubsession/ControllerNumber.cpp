#include "hubsession/ControllerNumber.h"

namespace {

// The blanks a technician may leave around the number: spaces, tabs, line ends.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::optional<std::uint32_t> ParseControllerNumber(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end)
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::string> CheckControllerNumber(std::uint32_t number,
                                                 const std::array<bool, kControllerCount>& onLink) {
    constexpr std::uint32_t kHighest = kControllerCount;
    if (number == 0 || number > kHighest)
        return "Недопустимый адресный номер контроллера. Может быть 1..." + std::to_string(kHighest);
    if (onLink[number - 1]) {
        return "Запись номера контроллера невозможна из-за дублирования номера контроллеров. "
               "Контроллер с номером " +
               std::to_string(number) + " существует в этом хабе и находится на связи...";
    }
    return std::nullopt;
}
