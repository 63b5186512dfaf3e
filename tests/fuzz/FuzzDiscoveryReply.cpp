// A hub's discovery reply is whatever arrives on UDP port 30303: the parser must take any
// bytes up to the receive buffer's size without reading past them, and keep its promises
// about the two lines.
#include "discovery/DiscoveryReply.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "discovery reply: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kDiscoveryReceiveBufferSize)
        return -1; // the search never hands the parser more than its buffer
    const std::span<const std::uint8_t> datagram(data, size);
    const QString own = QStringLiteral("198.18.0.1");

    Require(!ParseDiscoveryReply(datagram, own, own), "own query counted");
    const auto reply = ParseDiscoveryReply(datagram, QStringLiteral("198.18.0.2"), own);
    Require(reply.has_value(), "a foreign datagram not counted");
    // Decoding never makes more characters than there were bytes.
    Require(reply->modelText.size() <= qsizetype(kDiscoveryLineMaxLength), "line 1 too long");
    Require(reply->physicalAddress.size() <= qsizetype(kDiscoveryLineMaxLength), "line 2 too long");
    Require(!reply->physicalAddress.mid(1).contains(QLatin1Char('\r')), "CR inside line 2");
    Require(!reply->modelText.mid(1).contains(QLatin1Char('\r')), "CR inside line 1");
    if (size == 0)
        Require(reply->modelText.isEmpty() && reply->physicalAddress.isEmpty(), "text from nothing");
    return 0;
}
