#include "platform/linux/EchoHelperProtocol.h"

#include "platform/SocketApi.h"

#include <algorithm>
#include <limits>

namespace platform::echo_helper {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Plain decimal digits, no sign, no leading zero, no more than max.
std::optional<std::uint32_t>
ParseNumber(std::string_view text, std::uint32_t max = std::numeric_limits<std::uint32_t>::max()) {
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > max)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint8_t> ParseByte(std::string_view text) {
    const auto value = ParseNumber(text, 255);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::string FormatAddress(std::uint32_t networkOrder) {
    const std::uint32_t host = NetworkToHost32(networkOrder);
    return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 0xFF) + "." +
           std::to_string((host >> 8) & 0xFF) + "." + std::to_string(host & 0xFF);
}

std::optional<std::uint32_t> ParseAddress(std::string_view text) {
    std::uint32_t host = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos)
            return std::nullopt;
        const auto value = ParseByte(text.substr(0, dot));
        if (!value)
            return std::nullopt;
        host = host << 8 | *value;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return HostToNetwork32(host);
}

std::string FormatData(std::span<const std::uint8_t> data) {
    if (data.empty())
        return "-";
    std::string text;
    text.reserve(2 * data.size());
    for (const std::uint8_t byte : data) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0xF];
    }
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::vector<std::uint8_t>> ParseData(std::string_view text) {
    if (text == "-")
        return std::vector<std::uint8_t>{};
    if (text.empty() || text.size() % 2 != 0 || text.size() > 2 * kMaxData)
        return std::nullopt;
    std::vector<std::uint8_t> data(text.size() / 2);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        data[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return data;
}

// The fields of one line parted by single spaces; an empty field makes the line bad.
std::optional<std::vector<std::string_view>> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t space = line.find(' ');
        const std::string_view field = line.substr(0, space);
        if (field.empty())
            return std::nullopt;
        fields.push_back(field);
        if (space == std::string_view::npos)
            return fields;
        line.remove_prefix(space + 1);
    }
}

} // namespace

bool IsProbeRequest(const Request& request) {
    const std::uint32_t host = NetworkToHost32(request.destination);
    const bool oneHost = (host >> 24) != 0 && (host >> 28) != 0xE && (host >> 28) != 0xF;
    return oneHost && request.ttl >= 1 && request.tos == kProbeTos &&
           request.timeoutMs <= kMaxProbeTimeoutMs && request.data.size() == kProbeDataSize &&
           std::all_of(request.data.begin(), request.data.end(),
                       [](std::uint8_t byte) { return byte == kProbeDataByte; });
}

std::vector<std::string> FormatArguments(const Request& request) {
    return {FormatAddress(request.destination), std::to_string(request.ttl),
            std::to_string(request.tos),        request.dontFragment ? "1" : "0",
            std::to_string(request.timeoutMs),  FormatData(request.data)};
}

std::optional<Request> ParseArguments(std::span<const char* const> arguments) {
    if (arguments.size() != kArgumentCount)
        return std::nullopt;
    for (const char* argument : arguments) {
        if (argument == nullptr)
            return std::nullopt;
    }
    const auto destination = ParseAddress(arguments[0]);
    const auto ttl = ParseByte(arguments[1]);
    const auto tos = ParseByte(arguments[2]);
    const auto dontFragment = ParseNumber(arguments[3], 1);
    const auto timeout = ParseNumber(arguments[4]);
    auto data = ParseData(arguments[5]);
    if (!destination || !ttl || !tos || !dontFragment || !timeout || !data)
        return std::nullopt;
    return Request{*destination, *ttl, *tos, *dontFragment == 1, *timeout, std::move(*data)};
}

std::string FormatReply(const EchoReplyRecord& record, std::span<const std::uint8_t> payload) {
    return "reply " + FormatAddress(record.address) + " " + std::to_string(record.status) + " " +
           std::to_string(record.roundTripMs) + " " + std::to_string(record.ttl) + " " +
           std::to_string(record.tos) + " " + std::to_string(record.flags) + " " +
           FormatData(payload.first(std::min(payload.size(), kMaxData))) + "\n";
}

std::string FormatError(std::uint32_t code) {
    return "error " + std::to_string(code) + "\n";
}

std::optional<Answer> ParseAnswer(std::string_view text) {
    if (text.size() > kMaxAnswer || text.empty() || text.find('\n') != text.size() - 1)
        return std::nullopt;
    const auto fields = SplitFields(text.substr(0, text.size() - 1));
    if (!fields)
        return std::nullopt;
    const std::vector<std::string_view>& f = *fields;

    Answer answer;
    if (f[0] == "error" && f.size() == 2) {
        const auto code = ParseNumber(f[1]);
        if (!code || *code == 0)
            return std::nullopt;
        answer.error = *code;
        return answer;
    }
    if (f[0] != "reply" || f.size() != 8)
        return std::nullopt;
    const auto address = ParseAddress(f[1]);
    const auto status = ParseNumber(f[2]);
    const auto roundTrip = ParseNumber(f[3]);
    const auto ttl = ParseByte(f[4]);
    const auto tos = ParseByte(f[5]);
    const auto flags = ParseByte(f[6]);
    auto payload = ParseData(f[7]);
    if (!address || !status || !roundTrip || !ttl || !tos || !flags || !payload)
        return std::nullopt;
    answer.record.address = *address;
    answer.record.status = *status;
    answer.record.roundTripMs = *roundTrip;
    answer.record.ttl = *ttl;
    answer.record.tos = *tos;
    answer.record.flags = *flags;
    answer.record.dataSize = static_cast<std::uint16_t>(payload->size());
    answer.record.dataOffset = sizeof(EchoReplyRecord);
    answer.payload = std::move(*payload);
    return answer;
}

} // namespace platform::echo_helper
