#pragma once

#include "platform/EchoService.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a successful echo request tells its caller. The caller zeroes it first; a failed
// request leaves it as it was.
struct EchoReplyInfo {
    std::uint32_t replyAddress = 0; // network byte order
    std::uint32_t roundTripMs = 0;
    std::uint32_t replyStatus = 0; // the service's status of the reply, handed over
};

// One ICMP echo request through the system's echo service, to learn whether a hub answers
// at all. Construction looks for the service and never fails: without one, every request
// fails with 120 and MissingServiceDiagnosis says what permission is missing.
class CPing {
public:
    static constexpr std::uint8_t kPayloadByte = 0x45;

    CPing();
    // The providers are tried in order; the first that loads is used.
    explicit CPing(const std::vector<platform::EchoProviderLoader>& providers);
    ~CPing();
    CPing(const CPing&) = delete;
    CPing& operator=(const CPing&) = delete;

    // True when exactly one reply came back from host within timeout ms and every payload
    // byte it carries is 0x45; the reply's address, round trip and status then go into
    // reply. Otherwise false with the reason in the last-error code: 120 without an echo
    // service, 14 when a buffer cannot be had, 59 for an altered payload, the resolver's
    // or the service's code else.
    bool SendEchoRequest(const std::string& host, EchoReplyInfo& reply, std::uint8_t ttl,
                         std::uint32_t timeout, std::uint16_t size, std::uint8_t tos,
                         bool dontFragment);

    bool HasEchoService() const { return echoService != nullptr; }

    // For the debug log: why there is no echo service, as one line ending in "\r\n";
    // empty when there is one.
    std::string MissingServiceDiagnosis() const;

    // The reply buffer for a request of size payload bytes: room for one 28-byte reply
    // record and the payload, or an 8-byte ICMP error at least.
    static std::uint32_t ReplyBufferSize(std::uint16_t size);

private:
    std::unique_ptr<platform::IEchoProvider> echoService;
    std::string missingService;
};
