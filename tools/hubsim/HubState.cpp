#include "HubState.h"

#include "Ipv4.h"

#include <charconv>

namespace hubsim {

namespace {

constexpr std::string_view kFaultNames[] = {
    "discovery-silent",
    "discovery-late",
    "discovery-oversized",
    "discovery-no-crlf",
    "discovery-long-lines",
    "discovery-high-bytes",
    "discovery-nuls",
    "no-answer",
    "slow",
    "split",
    "merge",
    "close-at-once",
    "close-mid",
    "refuse",
    "no-echo",
    "flood",
    "bad-status",
    "wrong-number",
    "no-move",
};
static_assert(std::size(kFaultNames) == static_cast<std::size_t>(Fault::Count));

// The longest wait a command may set: long enough for any test, short enough that a
// typo cannot park a hub for hours.
constexpr int kMaxDelayMs = 600000;
constexpr int kMaxDiscoveryCopies = 100000;

bool ParseInt(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseSwitch(const std::string& text, bool& value) {
    if (text == "on" || text == "up" || text == "yes" || text == "present") {
        value = true;
        return true;
    }
    if (text == "off" || text == "down" || text == "no" || text == "absent") {
        value = false;
        return true;
    }
    return false;
}

std::string JoinFrom(const Words& words, std::size_t first) {
    std::string text;
    for (std::size_t i = first; i < words.size(); ++i) {
        if (i > first) {
            text += ' ';
        }
        text += words[i];
    }
    return text;
}

bool Fail(std::string* error, std::string text) {
    *error = std::move(text);
    return false;
}

// "link 2 up" and its kind: the controller place, then one value.
bool ControllerCommand(HubState& state, const Words& words, std::string* error) {
    int place = 0;
    if (words.size() != 3 || !ParseInt(words[1], 1, kControllers, place)) {
        return Fail(error, "usage: " + words[0] + " 1..4 VALUE");
    }
    Controller& controller = state.controllers[static_cast<std::size_t>(place - 1)];
    const std::string& verb = words[0];
    const std::string& value = words[2];
    if (verb == "id") {
        return ParseInt(value, 1, kControllers, controller.number) ||
               Fail(error, "id takes a number 1..4");
    }
    if (verb == "flap") {
        if (value == "off") {
            controller.flapMs = 0;
            return true;
        }
        return ParseInt(value, 1, kMaxDelayMs, controller.flapMs) ||
               Fail(error, "flap takes milliseconds or off");
    }
    bool on = false;
    if (!ParseSwitch(value, on)) {
        return Fail(error, verb + " takes on/off (up/down, present/absent)");
    }
    if (verb == "link") {
        controller.onLink = on;
    } else if (verb == "controller") {
        controller.present = on;
    } else {
        controller.jumper = on;
    }
    return true;
}

bool AddressCommand(HubState& state, const Words& words, std::string* error) {
    const auto value = words.size() == 2 ? ParseIpv4(words[1]) : std::nullopt;
    if (!value) {
        return Fail(error, words[0] + " takes one dotted address");
    }
    (words[0] == "ip" ? state.address : words[0] == "mask" ? state.mask : state.gateway) = *value;
    return true;
}

bool NumberCommand(int& target, int low, int high, const Words& words, std::string* error) {
    return (words.size() == 2 && ParseInt(words[1], low, high, target)) ||
           Fail(error,
                words[0] + " takes a number " + std::to_string(low) + ".." + std::to_string(high));
}

} // namespace

std::string_view FaultName(Fault fault) {
    return kFaultNames[static_cast<std::size_t>(fault)];
}

std::optional<Fault> FaultByName(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kFaultNames); ++i) {
        if (kFaultNames[i] == name) {
            return static_cast<Fault>(i);
        }
    }
    return std::nullopt;
}

std::string_view ReplyRouteName(ReplyRoute route) {
    switch (route) {
    case ReplyRoute::Unicast:
        return "unicast";
    case ReplyRoute::SubnetBroadcast:
        return "subnet";
    case ReplyRoute::Broadcast:
        return "broadcast";
    }
    return "unicast";
}

HubState::HubState() {
    for (int k = 0; k < kControllers; ++k) {
        controllers[static_cast<std::size_t>(k)].number = k + 1;
    }
    controllers[0].present = true;
    controllers[0].onLink = true;
}

std::array<bool, kControllers> HubState::LinkByNumber() const {
    std::array<bool, kControllers> flags{};
    for (const Controller& controller : controllers) {
        if (controller.present && controller.onLink) {
            flags[static_cast<std::size_t>(controller.number - 1)] = true;
        }
    }
    return flags;
}

std::string HubState::Describe() const {
    std::string text =
        "ip=" + FormatIpv4(address) + " mask=" + FormatIpv4(mask) + " gw=" + FormatIpv4(gateway);
    for (int k = 0; k < kControllers; ++k) {
        const Controller& c = controllers[static_cast<std::size_t>(k)];
        text += " c" + std::to_string(k + 1) + "=" + (c.present ? "present" : "absent") + "," +
                (c.onLink ? "up" : "down") + ",id" + std::to_string(c.number) +
                (c.jumper ? ",jumper" : "");
    }
    text += " reply=" + std::string(ReplyRouteName(route));
    text += " result=" + (forcedResult ? std::to_string(*forcedResult) : std::string("auto"));
    text += " faults=";
    bool any = false;
    for (std::size_t i = 0; i < faults.size(); ++i) {
        if (faults.test(i)) {
            text += (any ? "," : "") + std::string(kFaultNames[i]);
            any = true;
        }
    }
    if (!any) {
        text += "none";
    }
    text += " model=\"" + ModelText() + "\" phys=\"" + physical + "\"";
    return text;
}

NumberOutcome ProgramControllerNumber(HubState& state, std::uint8_t number) {
    NumberOutcome outcome{number, 0};
    if (number < 1 || number > kControllers) {
        outcome.resultCode = 1;
        return outcome;
    }
    Controller* fitted = nullptr;
    int jumpers = 0;
    for (Controller& controller : state.controllers) {
        if (controller.present && controller.jumper) {
            fitted = &controller;
            ++jumpers;
        }
    }
    if (jumpers == 0) {
        outcome.resultCode = 2;
    } else if (jumpers > 1) {
        // Two controllers in programming mode answer at once and garble the write.
        outcome.resultCode = 1;
    } else {
        fitted->number = number;
    }
    return outcome;
}

bool AcceptableIpParameters(std::uint32_t address, std::uint32_t mask, std::string* why) {
    const auto prefix = MaskPrefixLength(mask);
    if (!prefix || *prefix == 0) {
        *why = "mask " + FormatIpv4(mask) + " is not a contiguous mask";
        return false;
    }
    if (address == 0 || (address >> 24) == 127 || (address >> 28) >= 14) {
        *why = "address " + FormatIpv4(address) + " is not a host address";
        return false;
    }
    if (*prefix <= 30 && ((address & ~mask) == 0 || (address | mask) == 0xFFFFFFFFu)) {
        *why = "address " + FormatIpv4(address) + " is its subnet's network or broadcast";
        return false;
    }
    return true;
}

Words SplitWords(std::string_view line) {
    Words words;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() &&
               (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r' || line[pos] == '\n')) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '\r' &&
               line[pos] != '\n') {
            ++pos;
        }
        if (pos > start) {
            words.emplace_back(line.substr(start, pos - start));
        }
    }
    return words;
}

bool ApplyCommand(HubState& state, const Words& words, std::string* error) {
    if (words.empty()) {
        return Fail(error, "empty command");
    }
    const std::string& verb = words[0];
    if (verb == "model" || verb == "firmware" || verb == "phys") {
        (verb == "model"      ? state.model
         : verb == "firmware" ? state.firmware
                              : state.physical) = JoinFrom(words, 1);
        return true;
    }
    if (verb == "ip" || verb == "mask" || verb == "gw") {
        return AddressCommand(state, words, error);
    }
    if (verb == "link" || verb == "controller" || verb == "jumper" || verb == "id" ||
        verb == "flap") {
        return ControllerCommand(state, words, error);
    }
    if (verb == "fault") {
        const auto fault = words.size() >= 2 ? FaultByName(words[1]) : std::nullopt;
        bool on = true;
        if (!fault || words.size() > 3 || (words.size() == 3 && !ParseSwitch(words[2], on))) {
            return Fail(error, "usage: fault NAME [on|off]");
        }
        state.faults.set(static_cast<std::size_t>(*fault), on);
        return true;
    }
    if (verb == "reply") {
        const std::string route = words.size() == 2 ? words[1] : "";
        if (route == "unicast" || route == "subnet" || route == "broadcast") {
            state.route = route == "unicast"  ? ReplyRoute::Unicast
                          : route == "subnet" ? ReplyRoute::SubnetBroadcast
                                              : ReplyRoute::Broadcast;
            return true;
        }
        return Fail(error, "usage: reply unicast|subnet|broadcast");
    }
    if (verb == "result") {
        int code = 0;
        if (words.size() == 2 && words[1] == "auto") {
            state.forcedResult.reset();
            return true;
        }
        if (words.size() == 2 && ParseInt(words[1], 0, 255, code)) {
            state.forcedResult = code;
            return true;
        }
        return Fail(error, "usage: result auto|0..255");
    }
    if (verb == "discovery-hex") {
        if (words.size() == 2 && words[1] == "off") {
            state.customReply.reset();
            return true;
        }
        Bytes bytes;
        if (!ParseHex(JoinFrom(words, 1), bytes) || bytes.empty()) {
            return Fail(error, "usage: discovery-hex HEX BYTES|off");
        }
        state.customReply = std::move(bytes);
        return true;
    }
    if (verb == "verbose") {
        return (words.size() == 2 && ParseSwitch(words[1], state.verbose)) ||
               Fail(error, "usage: verbose on|off");
    }
    if (verb == "discovery-delay") {
        return NumberCommand(state.discoveryDelayMs, 0, kMaxDelayMs, words, error);
    }
    if (verb == "discovery-copies") {
        return NumberCommand(state.discoveryCopies, 1, kMaxDiscoveryCopies, words, error);
    }
    if (verb == "answer-delay") {
        return NumberCommand(state.answerDelayMs, 0, kMaxDelayMs, words, error);
    }
    if (verb == "split-at") {
        return NumberCommand(state.splitAt, 1, static_cast<int>(kMessageSize) - 1, words, error);
    }
    if (verb == "split-gap") {
        return NumberCommand(state.splitGapMs, 0, kMaxDelayMs, words, error);
    }
    if (verb == "period") {
        return NumberCommand(state.periodMs, 0, kMaxDelayMs, words, error);
    }
    return Fail(error, "unknown command '" + verb + "'");
}

const char* const kCommandHelp =
    "Hub commands (options as --NAME ARGS..., control lines as NAME ARGS...):\n"
    "  model TEXT | firmware TEXT | phys TEXT   discovery identity\n"
    "  ip A.B.C.D | mask A.B.C.D | gw A.B.C.D   address (a running hub moves)\n"
    "  controller 1..4 present|absent           a controller on the hub's line\n"
    "  link 1..4 up|down    id 1..4 N    jumper 1..4 on|off    flap 1..4 MS|off\n"
    "  reply unicast|subnet|broadcast           how discovery replies travel\n"
    "  fault NAME [on|off]                      NAME: discovery-silent discovery-late\n"
    "      discovery-oversized discovery-no-crlf discovery-long-lines\n"
    "      discovery-high-bytes discovery-nuls no-answer slow split merge\n"
    "      close-at-once close-mid refuse no-echo flood bad-status wrong-number\n"
    "  result auto|N                            force a controller-number result code\n"
    "  discovery-hex HEX|off                    send these bytes as the discovery reply\n"
    "  discovery-delay MS  answer-delay MS  split-at N  split-gap MS  period MS\n"
    "  discovery-copies N                       answer each search N times, the copies\n"
    "                                           with made-up physical addresses\n"
    "  verbose on|off\n"
    "Control only: status, close (ends the session), reset (back to the start-up state),\n"
    "  hub K CMD (the K-th hub of this process), hub all CMD.\n";

} // namespace hubsim
