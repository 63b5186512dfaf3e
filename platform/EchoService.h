#pragma once

#include "platform/LastError.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The operating system's ICMP echo service: a provider that is loaded (or found missing)
// once, a channel opened on it for each request, and one echo request per call with the
// request options and reply record of the Windows service.
namespace platform {

// The request options: time-to-live, type of service, flags, and no options data.
struct EchoRequestOptions {
    std::uint8_t ttl = 128;
    std::uint8_t tos = 0;
    std::uint8_t flags = 0;
    std::uint8_t optionsSize = 0;
};
inline constexpr std::uint8_t kEchoFlagDontFragment = 0x02;

// The record a successful request writes at the start of the reply buffer; the reply's
// payload follows it. 28 bytes, as on the 32-bit platform, with the payload's offset
// from the start of the reply buffer where that platform keeps a pointer.
struct EchoReplyRecord {
    std::uint32_t address = 0; // the reply's source, network byte order
    std::uint32_t status = 0;  // 0: success
    std::uint32_t roundTripMs = 0;
    std::uint16_t dataSize = 0;
    std::uint16_t reserved = 0;
    std::uint32_t dataOffset = 0;
    std::uint8_t ttl = 0; // the reply's options, as far as they are known
    std::uint8_t tos = 0;
    std::uint8_t flags = 0;
    std::uint8_t optionsSize = 0;
    std::uint32_t optionsData = 0;
};
static_assert(sizeof(EchoReplyRecord) == 28);

// An open service handle. One thread at a time.
class IEchoChannel {
public:
    virtual ~IEchoChannel() = default;

    // Sends one echo request with requestSize bytes of requestData to destination
    // (network byte order) and waits up to timeoutMs for the reply that answers it. Returns
    // the number of reply records written into replyBuffer: 1, or 0 on failure with the
    // reason in the last-error code (kIpReqTimedOut when no reply came, 122 when the
    // buffer cannot hold a record and 8 bytes). A reply payload longer than the room left
    // after the record is cut to that room.
    virtual std::uint32_t SendEcho(std::uint32_t destination, const void* requestData,
                                   std::uint16_t requestSize, const EchoRequestOptions& options,
                                   void* replyBuffer, std::uint32_t replySize,
                                   std::uint32_t timeoutMs) = 0;
};

class IEchoProvider {
public:
    virtual ~IEchoProvider() = default;
    // A new channel, or null with the reason in the last-error code.
    virtual std::unique_ptr<IEchoChannel> Open() = 0;
};

// One attempt to load a provider: the provider, or the reason why it is not available
// (a line for the debug log naming what is missing).
struct EchoProviderLoad {
    std::unique_ptr<IEchoProvider> provider;
    std::string failure;
};
using EchoProviderLoader = std::function<EchoProviderLoad()>;

// The reply buffer must hold a record and at least an ICMP error's 8 bytes.
inline constexpr std::uint32_t kMinEchoReplyBuffer = sizeof(EchoReplyRecord) + 8;

// The checks every channel makes of a request's buffers before it sends anything: false,
// with 122 or 87 in the last-error code, when the request cannot be made.
inline bool EchoBuffersUsable(const void* requestData, std::uint16_t requestSize,
                              const void* replyBuffer, std::uint32_t replySize) {
    if (replyBuffer == nullptr || replySize < kMinEchoReplyBuffer) {
        SetLastError(kErrorInsufficientBuffer);
        return false;
    }
    if (requestData == nullptr && requestSize != 0) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    return true;
}

// This system's providers, in the order they are tried.
std::vector<EchoProviderLoader> SystemEchoProviders();

} // namespace platform
