#include "platform/linux/Netlink.h"

#include <climits>
#include <gtest/gtest.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <string>
#include <vector>

using namespace platform::netlink;

namespace {

// Builds one netlink message as the kernel would put it in a datagram.
void AppendMessage(std::vector<std::uint8_t>& out, std::uint16_t type, std::uint16_t flags,
                   std::uint32_t sequence, const std::vector<std::uint8_t>& payload,
                   std::uint32_t declaredLength = 0) {
    nlmsghdr header{};
    header.nlmsg_len = declaredLength != 0
                           ? declaredLength
                           : static_cast<std::uint32_t>(NLMSG_LENGTH(payload.size()));
    header.nlmsg_type = type;
    header.nlmsg_flags = flags;
    header.nlmsg_seq = sequence;
    const std::size_t start = out.size();
    out.resize(start + NLMSG_ALIGN(NLMSG_LENGTH(payload.size())), 0);
    std::memcpy(out.data() + start, &header, sizeof header);
    std::memcpy(out.data() + start + NLMSG_HDRLEN, payload.data(), payload.size());
}

std::vector<std::uint8_t> IntPayload(int value) {
    std::vector<std::uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

struct Collected {
    std::vector<std::uint16_t> types;
    MessageHandler handler() {
        return [this](const Message& message) {
            types.push_back(message.type);
            return true;
        };
    }
};

} // namespace

TEST(NetlinkReplies, DumpMessagesUntilDoneAndStaleSequencesSkipped) {
    std::vector<std::uint8_t> datagram;
    AppendMessage(datagram, RTM_NEWLINK, NLM_F_MULTI, 7, {1, 2, 3});
    AppendMessage(datagram, RTM_NEWLINK, NLM_F_MULTI, 6, {9}); // late reply of an earlier request
    AppendMessage(datagram, RTM_NEWADDR, NLM_F_MULTI, 7, {});
    Collected collected;
    EXPECT_EQ(ParseReplies(datagram, 7, false, collected.handler()).status, ReplyStatus::More);
    EXPECT_EQ(collected.types, (std::vector<std::uint16_t>{RTM_NEWLINK, RTM_NEWADDR}));

    std::vector<std::uint8_t> last;
    AppendMessage(last, NLMSG_DONE, NLM_F_MULTI, 6, IntPayload(0));
    EXPECT_EQ(ParseReplies(last, 7, false, collected.handler()).status, ReplyStatus::More);
    AppendMessage(last, NLMSG_DONE, NLM_F_MULTI, 7, IntPayload(0));
    EXPECT_EQ(ParseReplies(last, 7, false, collected.handler()).status, ReplyStatus::Complete);
}

TEST(NetlinkReplies, ErrorsAcknowledgementsAndInterruptedDumps) {
    Collected collected;
    std::vector<std::uint8_t> error;
    AppendMessage(error, NLMSG_ERROR, 0, 1, IntPayload(-ENODEV));
    EXPECT_EQ(ParseReplies(error, 1, false, collected.handler()).error, ENODEV);

    std::vector<std::uint8_t> ack;
    AppendMessage(ack, RTM_NEWNEIGH, 0, 1, {});
    EXPECT_EQ(ParseReplies(ack, 1, true, collected.handler()).status, ReplyStatus::More);
    AppendMessage(ack, NLMSG_ERROR, 0, 1, IntPayload(0));
    EXPECT_EQ(ParseReplies(ack, 1, true, collected.handler()).status, ReplyStatus::Complete);

    std::vector<std::uint8_t> single;
    AppendMessage(single, RTM_NEWNEIGH, 0, 1, {});
    EXPECT_EQ(ParseReplies(single, 1, false, collected.handler()).status, ReplyStatus::Complete);

    std::vector<std::uint8_t> doneWithError;
    AppendMessage(doneWithError, NLMSG_DONE, NLM_F_MULTI, 1, IntPayload(-EMSGSIZE));
    EXPECT_EQ(ParseReplies(doneWithError, 1, false, collected.handler()).error, EMSGSIZE);

    for (const int nonsense : {INT_MIN, -5000, 7}) {
        std::vector<std::uint8_t> odd;
        AppendMessage(odd, nonsense > 0 ? NLMSG_ERROR : NLMSG_DONE, 0, 1, IntPayload(nonsense));
        EXPECT_EQ(ParseReplies(odd, 1, false, collected.handler()).error, EBADMSG) << nonsense;
    }

    std::vector<std::uint8_t> interrupted;
    AppendMessage(interrupted, RTM_NEWADDR, NLM_F_MULTI | NLM_F_DUMP_INTR, 1, {});
    EXPECT_EQ(ParseReplies(interrupted, 1, false, collected.handler()).error, EINTR);
}

TEST(NetlinkReplies, LengthsThatDoNotFitAreRejected) {
    Collected collected;
    std::vector<std::uint8_t> tooLong;
    AppendMessage(tooLong, RTM_NEWLINK, NLM_F_MULTI, 1, {1, 2, 3, 4}, 400);
    EXPECT_EQ(ParseReplies(tooLong, 1, false, collected.handler()).error, EBADMSG);

    std::vector<std::uint8_t> tooShort;
    AppendMessage(tooShort, RTM_NEWLINK, NLM_F_MULTI, 1, {}, 8);
    EXPECT_EQ(ParseReplies(tooShort, 1, false, collected.handler()).error, EBADMSG);

    std::vector<std::uint8_t> truncatedError;
    AppendMessage(truncatedError, NLMSG_ERROR, 0, 1, {0, 0});
    EXPECT_EQ(ParseReplies(truncatedError, 1, false, collected.handler()).error, EBADMSG);

    std::vector<std::uint8_t> tail;
    AppendMessage(tail, RTM_NEWLINK, NLM_F_MULTI, 1, {});
    tail.resize(tail.size() + 6, 0);
    EXPECT_EQ(ParseReplies(tail, 1, false, collected.handler()).error, EBADMSG);
    EXPECT_EQ(collected.types.size(), 1u);
}

TEST(NetlinkAttributes, WalkStopsAtAnAttributeThatDoesNotFit) {
    Request request(RTM_NEWLINK, 0);
    request.Attribute(IFLA_IFNAME, "kd0", 4).Attribute<std::uint32_t>(IFLA_MTU, 1500);
    std::vector<std::uint8_t> area(request.Body().begin(), request.Body().end());
    rtattr broken{};
    broken.rta_len = 200;
    broken.rta_type = IFLA_QDISC;
    area.resize(area.size() + sizeof broken);
    std::memcpy(area.data() + area.size() - sizeof broken, &broken, sizeof broken);

    std::vector<std::uint16_t> types;
    std::string name;
    std::optional<std::uint32_t> mtu;
    ForEachAttribute(area, [&](std::uint16_t type, Bytes data) {
        types.push_back(type);
        if (type == IFLA_IFNAME)
            name = AttributeString(data);
        if (type == IFLA_MTU)
            mtu = AttributeValue<std::uint32_t>(data);
    });
    EXPECT_EQ(types, (std::vector<std::uint16_t>{IFLA_IFNAME, IFLA_MTU}));
    EXPECT_EQ(name, "kd0");
    EXPECT_EQ(mtu, 1500u);
    EXPECT_FALSE(AttributeValue<std::uint64_t>(Bytes(area.data(), 4)).has_value());
    EXPECT_TRUE(AttributesAfter(Bytes(area.data(), 4), sizeof(ifinfomsg)).empty());
}

TEST(NetlinkSocket, DumpsTheLinksOfThisHost) {
    Socket socket;
    ASSERT_EQ(socket.Error(), 0);
    std::vector<std::string> names;
    ifinfomsg header{};
    header.ifi_family = AF_UNSPEC;
    const int error = socket.Dump(RTM_GETLINK, header, [&](const Message& message) {
        if (message.type == RTM_NEWLINK)
            ForEachAttribute(AttributesAfter(message.payload, sizeof(ifinfomsg)),
                             [&](std::uint16_t type, Bytes data) {
                                 if (type == IFLA_IFNAME)
                                     names.push_back(AttributeString(data));
                             });
        return true;
    });
    EXPECT_EQ(error, 0);
    EXPECT_NE(std::find(names.begin(), names.end(), "lo"), names.end());

    // A handler that stops early leaves the rest of the dump in the socket; the next
    // request must not mistake it for its own reply.
    int seen = 0;
    EXPECT_EQ(socket.Dump(RTM_GETLINK, header, [&](const Message&) { return ++seen < 1; }), 0);
    std::vector<std::string> again;
    EXPECT_EQ(socket.Dump(RTM_GETLINK, header,
                          [&](const Message& message) {
                              ForEachAttribute(AttributesAfter(message.payload, sizeof(ifinfomsg)),
                                               [&](std::uint16_t type, Bytes data) {
                                                   if (type == IFLA_IFNAME)
                                                       again.push_back(AttributeString(data));
                                               });
                              return true;
                          }),
              0);
    EXPECT_EQ(again, names);
}

TEST(NetlinkSocket, KernelErrorIsReturned) {
    Socket socket;
    ASSERT_EQ(socket.Error(), 0);
    ifinfomsg header{};
    header.ifi_family = AF_UNSPEC;
    header.ifi_index = 0x7ffffff0; // no such interface
    Request request(RTM_GETLINK, NLM_F_REQUEST);
    request.Header(header);
    EXPECT_EQ(socket.Transact(request, [](const Message&) { return true; }), ENODEV);
}
