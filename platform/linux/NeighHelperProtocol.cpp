#include "platform/linux/NeighHelperProtocol.h"

#include <arpa/inet.h>
#include <charconv>

namespace platform::neigh_helper {

namespace {

// Plain decimal digits, no sign, no leading zero, within limit.
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t limit) {
    if (text.empty() || (text.size() > 1 && text[0] == '0') || text[0] == '+' || text[0] == '-')
        return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > limit)
        return std::nullopt;
    return value;
}

std::optional<Ipv4Address> ParseAddress(const char* text) {
    Ipv4Address address{};
    if (::inet_pton(AF_INET, text, address.data()) != 1)
        return std::nullopt;
    return address;
}

std::string FormatAddress(const Ipv4Address& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, address.data(), text, sizeof text);
    return text;
}

constexpr std::uint32_t kMaxIndex = 0x7fffffff;

} // namespace

std::vector<std::string> FormatArguments(const Request& request) {
    switch (request.verb) {
    case Verb::Add:
        return {"add", std::to_string(request.interfaceIndex), FormatAddress(request.address),
                pin_rules::FormatPhysicalAddress(request.physicalAddress)};
    case Verb::Remove:
        return {"remove", std::to_string(request.interfaceIndex), FormatAddress(request.address)};
    case Verb::Sweep:
        break;
    }
    return {"sweep"};
}

std::optional<Request> ParseArguments(std::span<const char* const> arguments) {
    if (arguments.empty())
        return std::nullopt;
    const std::string_view verb = arguments[0];
    Request request;
    if (verb == "sweep")
        return arguments.size() == 1 ? std::optional(request) : std::nullopt;
    if (verb == "add" && arguments.size() == 4)
        request.verb = Verb::Add;
    else if (verb == "remove" && arguments.size() == 3)
        request.verb = Verb::Remove;
    else
        return std::nullopt;
    const auto index = ParseNumber(arguments[1], kMaxIndex);
    const auto address = ParseAddress(arguments[2]);
    if (!index || *index == 0 || !address)
        return std::nullopt;
    request.interfaceIndex = *index;
    request.address = *address;
    if (request.verb == Verb::Add) {
        const auto physical = pin_rules::ParsePhysicalAddress(arguments[3]);
        if (!physical)
            return std::nullopt;
        request.physicalAddress = *physical;
    }
    return request;
}

std::string FormatAnswer(const pin_table::Outcome& outcome) {
    if (outcome.refusal != PinRefusal::None)
        return "refused " + std::string(pin_rules::RefusalName(outcome.refusal)) + "\n";
    if (outcome.error != 0)
        return "error " + std::to_string(outcome.error) + "\n";
    return "ok\n";
}

std::optional<pin_table::Outcome> ParseAnswer(std::string_view text) {
    if (!text.ends_with('\n'))
        return std::nullopt;
    text.remove_suffix(1);
    if (text == "ok")
        return pin_table::Outcome{};
    if (text.starts_with("refused ")) {
        const auto refusal = pin_rules::RefusalFromName(text.substr(8));
        if (!refusal)
            return std::nullopt;
        return pin_table::Outcome{*refusal, 0};
    }
    if (text.starts_with("error ")) {
        const auto code = ParseNumber(text.substr(6), 4095);
        if (!code || *code == 0)
            return std::nullopt;
        return pin_table::Outcome{PinRefusal::None, static_cast<int>(*code)};
    }
    return std::nullopt;
}

} // namespace platform::neigh_helper
