#pragma once

#include "platform/EchoService.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the program and its echo helper (kestrune-echo) say to each other. The request is
// the helper's argument list, always six arguments:
//   ADDRESS TTL TOS DONT-FRAGMENT TIME-OUT DATA
//   198.18.0.2 10 0 1 1000 4545...45
// a dotted IPv4 address; TTL and TOS 0-255; don't-fragment 0 or 1; the time-out in
// milliseconds, 0-4294967295 (the last meaning no limit); the payload as lower-case hex,
// at most 65535 bytes, "-" when empty. The helper serves only the program's own probe
// (IsProbeRequest) and answers anything else with the error ERROR_INVALID_PARAMETER.
// The answer is one line on the helper's stdout:
//   reply ADDRESS STATUS ROUND-TRIP TTL TOS FLAGS DATA     (exit status 0)
//   error CODE                                             (exit status 1)
// with the reply record's fields in decimal and the payload in the same hex as the
// request's, or the last-error code that ended the request. Numbers are plain decimal
// digits without a sign or a leading zero; fields are parted by one space. Anything else
// is no answer at all.
namespace platform::echo_helper {

inline constexpr std::size_t kArgumentCount = 6;
inline constexpr std::size_t kMaxData = 65535;
// The longest answer: a reply line with the most payload.
inline constexpr std::size_t kMaxAnswer = 80 + 2 * kMaxData;

struct Request {
    std::uint32_t destination = 0; // network byte order
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    bool dontFragment = false;
    std::uint32_t timeoutMs = 0;
    std::vector<std::uint8_t> data;
};

// The probe the program sends, and all the helper, which holds cap_net_raw for any user,
// sends for anyone: 32 bytes of 0x45 (the payload CPing sends and checks in the reply),
// the normal type of service, a time-to-live of at least 1, at most 10 s of waiting, and
// one host as the destination: not 0.0.0.0/8, multicast, class E or the broadcast
// address. Don't-fragment may be either: the probe is far below any link's MTU.
inline constexpr std::size_t kProbeDataSize = 32;
inline constexpr std::uint8_t kProbeDataByte = 0x45;
inline constexpr std::uint8_t kProbeTos = 0;
inline constexpr std::uint32_t kMaxProbeTimeoutMs = 10'000;
bool IsProbeRequest(const Request& request);

std::vector<std::string> FormatArguments(const Request& request);
// The arguments after the program's name; nothing unless they are exactly as above.
std::optional<Request> ParseArguments(std::span<const char* const> arguments);

struct Answer {
    // 0 for a reply; otherwise the request's last-error code and nothing else is set.
    std::uint32_t error = 0;
    EchoReplyRecord record; // address, status, roundTripMs, ttl, tos, flags
    std::vector<std::uint8_t> payload;
};

std::string FormatReply(const EchoReplyRecord& record, std::span<const std::uint8_t> payload);
std::string FormatError(std::uint32_t code);
// The helper's whole output; nothing when it is garbled, cut short or followed by more.
std::optional<Answer> ParseAnswer(std::string_view text);

} // namespace platform::echo_helper
