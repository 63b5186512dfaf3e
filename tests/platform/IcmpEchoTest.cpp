#include "platform/IcmpEcho.h"

#include <cstring>
#include <gtest/gtest.h>

namespace icmp = platform::icmp;

namespace {

constexpr std::uint16_t kId = 0x1234;
constexpr std::uint16_t kSeq = 0xBEEF;
const std::uint32_t kHub = 0x020012C6; // 198.18.0.2 as it lies in memory

std::vector<std::uint8_t> Reply(std::uint16_t id, std::uint16_t seq,
                                const std::vector<std::uint8_t>& payload) {
    auto message = icmp::BuildEchoRequest(id, seq, payload);
    message[0] = icmp::kEchoReply;
    message[2] = message[3] = 0;
    const std::uint16_t sum = icmp::InternetChecksum(message);
    message[2] = static_cast<std::uint8_t>(sum >> 8);
    message[3] = static_cast<std::uint8_t>(sum);
    return message;
}

// An IPv4 header of headerWords 32-bit words before the ICMP message.
std::vector<std::uint8_t> InIpPacket(const std::vector<std::uint8_t>& message, std::uint32_t source,
                                     int headerWords = 5, std::uint16_t fragment = 0x4000) {
    const std::size_t header = static_cast<std::size_t>(headerWords) * 4;
    std::vector<std::uint8_t> packet(header, 0);
    packet[0] = static_cast<std::uint8_t>(0x40 | headerWords);
    packet[1] = 0x10;
    const std::size_t total = header + message.size();
    packet[2] = static_cast<std::uint8_t>(total >> 8);
    packet[3] = static_cast<std::uint8_t>(total);
    packet[6] = static_cast<std::uint8_t>(fragment >> 8);
    packet[7] = static_cast<std::uint8_t>(fragment);
    packet[8] = 63;
    packet[9] = 1;
    std::memcpy(packet.data() + 12, &source, 4);
    packet.insert(packet.end(), message.begin(), message.end());
    return packet;
}

TEST(InternetChecksum, MatchesTheWorkedExampleAndOddLengths) {
    // RFC 1071's example sums to 0xDDF2; the checksum is its complement.
    const std::vector<std::uint8_t> bytes = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
    EXPECT_EQ(icmp::InternetChecksum(bytes), 0x220D);
    // An odd trailing byte counts as the high byte of a last word.
    EXPECT_EQ(icmp::InternetChecksum(std::vector<std::uint8_t>{0x01}), 0xFEFF);
    EXPECT_EQ(icmp::InternetChecksum({}), 0xFFFF);
}

TEST(BuildEchoRequest, CarriesIdentifierSequencePayloadAndAValidChecksum) {
    const std::vector<std::uint8_t> payload(32, 0x45);
    const auto request = icmp::BuildEchoRequest(kId, kSeq, payload);
    ASSERT_EQ(request.size(), 40u);
    EXPECT_EQ(request[0], icmp::kEchoRequest);
    EXPECT_EQ(request[1], 0);
    EXPECT_EQ(request[4], 0x12);
    EXPECT_EQ(request[5], 0x34);
    EXPECT_EQ(request[6], 0xBE);
    EXPECT_EQ(request[7], 0xEF);
    EXPECT_EQ(std::vector<std::uint8_t>(request.begin() + 8, request.end()), payload);
    EXPECT_EQ(icmp::InternetChecksum(request), 0);
}

TEST(MatchEchoReply, OnlyTheReplyToOurRequestCounts) {
    const std::vector<std::uint8_t> payload(32, 0x45);
    const icmp::EchoExpectation expected{kId, kSeq, true};

    const auto good = Reply(kId, kSeq, payload);
    const auto reply = icmp::MatchEchoReply(good, expected);
    ASSERT_TRUE(reply);
    EXPECT_EQ(std::vector<std::uint8_t>(reply->payload.begin(), reply->payload.end()), payload);

    EXPECT_FALSE(icmp::MatchEchoReply(Reply(kId + 1, kSeq, payload), expected));
    EXPECT_FALSE(icmp::MatchEchoReply(Reply(kId, kSeq + 1, payload), expected));

    auto request = icmp::BuildEchoRequest(kId, kSeq, payload); // our own request looped back
    EXPECT_FALSE(icmp::MatchEchoReply(request, expected));

    auto badCode = good;
    badCode[1] = 1;
    EXPECT_FALSE(icmp::MatchEchoReply(badCode, expected));

    auto badSum = good;
    badSum[20] ^= 0x01;
    EXPECT_FALSE(icmp::MatchEchoReply(badSum, expected));
    // Where the kernel has checked the checksum already, it is not checked again.
    EXPECT_TRUE(icmp::MatchEchoReply(badSum, {kId, kSeq, false}));

    EXPECT_FALSE(icmp::MatchEchoReply(std::span(good).first(7), expected));
    EXPECT_TRUE(icmp::MatchEchoReply(Reply(kId, kSeq, {}), expected));
}

TEST(MatchEchoReplyPacket, ChecksTheIpHeaderBeforeTheMessage) {
    const std::vector<std::uint8_t> payload(32, 0x45);
    const icmp::EchoExpectation expected{kId, kSeq, true};
    const auto message = Reply(kId, kSeq, payload);

    const auto packet = InIpPacket(message, kHub);
    const auto reply = icmp::MatchEchoReplyPacket(packet, kHub, expected);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->payload.size(), 32u);
    EXPECT_EQ(reply->ttl, 63);
    EXPECT_EQ(reply->tos, 0x10);
    EXPECT_TRUE(reply->dontFragment);

    EXPECT_TRUE(icmp::MatchEchoReplyPacket(InIpPacket(message, kHub, 6), kHub, expected));
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(packet, kHub + 1, expected)); // someone else
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(InIpPacket(message, kHub, 4), kHub, expected));
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(InIpPacket(message, kHub, 5, 0x2000), kHub, expected));
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(InIpPacket(message, kHub, 5, 0x0001), kHub, expected));

    auto notIcmp = packet;
    notIcmp[9] = 17;
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(notIcmp, kHub, expected));
    auto ipv6 = packet;
    ipv6[0] = 0x65;
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(ipv6, kHub, expected));
    // A total length beyond the bytes received, or one that cuts into the header.
    auto longer = packet;
    longer[3] = static_cast<std::uint8_t>(longer[3] + 1);
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(longer, kHub, expected));
    auto shorter = packet;
    shorter[2] = 0;
    shorter[3] = 12;
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(shorter, kHub, expected));
    EXPECT_FALSE(icmp::MatchEchoReplyPacket(std::span(packet).first(19), kHub, expected));
    // Bytes after the total length (link padding) are not part of the message.
    auto padded = packet;
    padded.push_back(0);
    EXPECT_TRUE(icmp::MatchEchoReplyPacket(padded, kHub, expected));
}

} // namespace
