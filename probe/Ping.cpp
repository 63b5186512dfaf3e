#include "probe/Ping.h"

#include "net/AddressHelpers.h"
#include "platform/LastError.h"
#include "platform/NameResolver.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t kMinReplyData = 8; // an ICMP error message

} // namespace

CPing::CPing() : CPing(platform::SystemEchoProviders()) {}

CPing::CPing(const std::vector<platform::EchoProviderLoader>& providers) {
    std::string failures;
    for (const platform::EchoProviderLoader& load : providers) {
        platform::EchoProviderLoad loaded = load();
        if (loaded.provider) {
            echoService = std::move(loaded.provider);
            return;
        }
        if (&load != &providers.front())
            failures += "; ";
        failures += loaded.failure;
    }
    missingService = "Нет службы эхо-запросов: " +
                     (providers.empty() ? std::string("ни одной не найдено") : failures) + "\r\n";
}

CPing::~CPing() = default;

std::string CPing::MissingServiceDiagnosis() const {
    return missingService;
}

std::uint32_t CPing::ReplyBufferSize(std::uint16_t size) {
    return std::max<std::uint32_t>(size, kMinReplyData) + sizeof(platform::EchoReplyRecord);
}

bool CPing::SendEchoRequest(const std::string& host, EchoReplyInfo& reply, std::uint8_t ttl,
                            std::uint32_t timeout, std::uint16_t size, std::uint8_t tos,
                            bool dontFragment) {
    if (!echoService) {
        platform::SetLastError(platform::kErrorCallNotImplemented);
        return false;
    }

    const std::string text = ResolverText(host);
    auto destination = platform::ParseDottedAddress(text);
    if (!destination)
        destination = platform::LookUpHostAddress(text);
    if (!destination)
        return false;

    const std::unique_ptr<platform::IEchoChannel> channel = echoService->Open();
    if (!channel)
        return false;

    platform::EchoRequestOptions options;
    options.ttl = ttl;
    options.tos = tos;
    options.flags = dontFragment ? platform::kEchoFlagDontFragment : 0;

    std::vector<std::uint8_t> payload;
    std::vector<std::uint8_t> replyBuffer;
    try {
        payload.assign(size, kPayloadByte);
        replyBuffer.assign(ReplyBufferSize(size), 0);
    } catch (const std::bad_alloc&) {
        platform::SetLastError(platform::kErrorOutOfMemory);
        return false;
    }

    const std::uint32_t replies =
        channel->SendEcho(*destination, payload.data(), size, options, replyBuffer.data(),
                          static_cast<std::uint32_t>(replyBuffer.size()), timeout);
    if (replies != 1)
        return false;

    platform::EchoReplyRecord record;
    std::memcpy(&record, replyBuffer.data(), sizeof record);
    // The payload must lie inside the buffer; a record that says otherwise is as good as
    // an altered payload.
    if (record.dataOffset > replyBuffer.size() ||
        record.dataSize > replyBuffer.size() - record.dataOffset) {
        platform::SetLastError(platform::kErrorUnexpNetErr);
        return false;
    }
    const auto data = replyBuffer.begin() + record.dataOffset;
    if (std::any_of(data, data + record.dataSize,
                    [](std::uint8_t b) { return b != kPayloadByte; })) {
        platform::SetLastError(platform::kErrorUnexpNetErr);
        return false;
    }

    reply.replyAddress = record.address;
    reply.roundTripMs = record.roundTripMs;
    reply.replyStatus = record.status;
    return true;
}
