// A hub's discovery reply is whatever arrives on UDP port 30303: the parser must take any
// bytes up to the receive buffer's size without reading past them, and keep its promises
// about the two lines.
#include "discovery/DiscoveryReply.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "discovery reply: %s\n", what);
        std::abort();
    }
}

// The characters of UTF-8 text: every byte that is not a continuation byte.
std::size_t Characters(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// A C0 control other than TAB, DEL, or a C1 control (UTF-8 C2 80..C2 9F).
bool HasControl(const std::string& text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F)
            return true;
        if (byte == 0xC2 && at + 1 < text.size() && (static_cast<unsigned char>(text[at + 1]) & 0xE0) == 0x80)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kDiscoveryReceiveBufferSize)
        return -1; // the search never hands the parser more than its buffer
    const std::span<const std::uint8_t> datagram(data, size);
    const std::string own = "198.18.0.1";

    // Our own request coming back is never a hub; anything else from the PC's own address
    // is a hub that was given that address.
    const std::span<const std::uint8_t> request = DiscoveryRequest();
    const std::size_t requestText = request.size() - 1;
    const bool ownRequest =
        size >= requestText && std::equal(request.begin(), request.begin() + static_cast<std::ptrdiff_t>(requestText), data);
    Require(ParseDiscoveryReply(datagram, own, own).has_value() != ownRequest,
            ownRequest ? "own query counted" : "a hub at the PC's address not counted");
    const auto reply = ParseDiscoveryReply(datagram, "198.18.0.2", own);
    Require(reply.has_value(), "a foreign datagram not counted");
    // Decoding never makes more characters than there were bytes.
    Require(Characters(reply->modelText) <= kDiscoveryLineMaxLength, "line 1 too long");
    Require(Characters(reply->physicalAddress) <= kDiscoveryLineMaxLength, "line 2 too long");
    // No control reaches a display: a hub cannot forge a log line or drive a terminal.
    Require(!HasControl(reply->modelText), "a control in line 1");
    Require(!HasControl(reply->physicalAddress), "a control in line 2");
    if (size == 0)
        Require(reply->modelText.empty() && reply->physicalAddress.empty(), "text from nothing");
    return 0;
}
