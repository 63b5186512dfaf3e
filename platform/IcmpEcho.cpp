#include "platform/IcmpEcho.h"

#include <cstring>

namespace platform::icmp {

namespace {

constexpr std::size_t kMinIpHeader = 20;
constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::uint16_t kFlagDontFragment = 0x4000;
constexpr std::uint16_t kFlagMoreFragments = 0x2000;
constexpr std::uint16_t kFragmentOffsetMask = 0x1FFF;

std::uint16_t ReadBig16(Bytes bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

void WriteBig16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

std::uint16_t InternetChecksum(Bytes bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += ReadBig16(bytes, i);
    if (i < bytes.size())
        sum += static_cast<std::uint32_t>(bytes[i]) << 8;
    while ((sum >> 16) != 0)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           Bytes payload) {
    std::vector<std::uint8_t> message(kHeaderSize + payload.size(), 0);
    message[0] = kEchoRequest;
    WriteBig16(message, 4, identifier);
    WriteBig16(message, 6, sequence);
    if (!payload.empty())
        std::memcpy(message.data() + kHeaderSize, payload.data(), payload.size());
    WriteBig16(message, 2, InternetChecksum(message));
    return message;
}

std::optional<EchoReplyView> MatchEchoReply(Bytes message, const EchoExpectation& expected) {
    if (message.size() < kHeaderSize)
        return std::nullopt;
    if (message[0] != kEchoReply || message[1] != 0)
        return std::nullopt;
    if (ReadBig16(message, 4) != expected.identifier || ReadBig16(message, 6) != expected.sequence)
        return std::nullopt;
    // A correct checksum sums, with itself included, to zero.
    if (expected.verifyChecksum && InternetChecksum(message) != 0)
        return std::nullopt;
    EchoReplyView reply;
    reply.payload = message.subspan(kHeaderSize);
    return reply;
}

std::optional<EchoReplyView> MatchEchoReplyPacket(Bytes packet, std::uint32_t expectedSource,
                                                  const EchoExpectation& expected) {
    if (packet.size() < kMinIpHeader || (packet[0] >> 4) != 4)
        return std::nullopt;
    const std::size_t headerLength = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
    const std::size_t totalLength = ReadBig16(packet, 2);
    if (headerLength < kMinIpHeader || totalLength < headerLength || totalLength > packet.size())
        return std::nullopt;
    const std::uint16_t fragment = ReadBig16(packet, 6);
    if ((fragment & (kFlagMoreFragments | kFragmentOffsetMask)) != 0)
        return std::nullopt;
    if (packet[9] != kProtocolIcmp)
        return std::nullopt;
    std::uint32_t source;
    std::memcpy(&source, packet.data() + 12, sizeof source);
    if (source != expectedSource)
        return std::nullopt;

    auto reply = MatchEchoReply(packet.subspan(headerLength, totalLength - headerLength), expected);
    if (reply) {
        reply->ttl = packet[8];
        reply->tos = packet[1];
        reply->dontFragment = (fragment & kFlagDontFragment) != 0;
    }
    return reply;
}

} // namespace platform::icmp
