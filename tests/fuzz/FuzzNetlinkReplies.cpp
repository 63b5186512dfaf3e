// The kernel's rtnetlink replies are trusted only as far as their lengths check out: the
// walk over messages and attributes must stay inside the datagram whatever it holds.
#include "platform/linux/Netlink.h"

#include <linux/if_link.h>
#include <linux/rtnetlink.h>

#include <cstdio>
#include <cstdlib>

using namespace platform::netlink;

namespace {

Bytes whole;

void RequireInside(Bytes part) {
    if (part.empty())
        return;
    if (part.data() < whole.data() || part.data() + part.size() > whole.data() + whole.size()) {
        std::fprintf(stderr, "netlink reply: a span outside the datagram\n");
        std::abort();
    }
}

void Walk(Bytes attributes, int depth) {
    RequireInside(attributes);
    ForEachAttribute(attributes, [&](std::uint16_t type, Bytes data) {
        RequireInside(data);
        (void)AttributeString(data);
        (void)AttributeValue<std::uint32_t>(data);
        if (depth < 3 && type == IFLA_LINKINFO)
            Walk(data, depth + 1);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    whole = Bytes(data, size);
    for (const bool acknowledged : {false, true}) {
        ParseReplies(whole, 1, acknowledged, [](const Message& message) {
            RequireInside(message.payload);
            if (message.type == RTM_NEWLINK)
                Walk(AttributesAfter(message.payload, sizeof(ifinfomsg)), 0);
            else
                Walk(AttributesAfter(message.payload, sizeof(ifaddrmsg)), 0);
            return true;
        });
    }
    return 0;
}
