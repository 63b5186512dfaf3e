#include "discovery/DiscoveryReply.h"

#include "discovery/HubText.h"

#include <algorithm>

namespace {

constexpr char kRequestText[] = "Discovery: Who is out there?";
static_assert(sizeof kRequestText == 29, "the request is the text and its zero byte");

struct Line {
    std::string text; // UTF-8
    std::size_t end;  // the position of the byte that ended the line, or the datagram's end
};

Line ReadLine(std::span<const std::uint8_t> data, std::size_t start) {
    if (start >= data.size())
        return {std::string(), data.size()};
    std::size_t end = start + 1; // the first byte is taken whatever it is
    while (end < data.size() && data[end] != '\r' && data[end] != '\0')
        ++end;
    // The line is kept as zero-terminated text: a zero as its first byte leaves it empty.
    if (data[start] == '\0')
        return {std::string(), end};
    const std::size_t length = std::min(end - start, kDiscoveryLineMaxLength);
    return {VisibleHubText(DecodeHubText(data.subspan(start, length), length < end - start)), end};
}

} // namespace

std::span<const std::uint8_t> DiscoveryRequest() {
    return {reinterpret_cast<const std::uint8_t*>(kRequestText), sizeof kRequestText};
}

std::optional<DiscoveryReply> ParseDiscoveryReply(std::span<const std::uint8_t> datagram,
                                                  const std::string& source,
                                                  const std::string& ownAddress) {
    // From the adapter's own address, only the request itself is ours coming back: any
    // other text from there is a hub that was given the PC's address, and must show.
    const std::span<const std::uint8_t> request = DiscoveryRequest();
    const std::size_t text = request.size() - 1;
    if (source == ownAddress && datagram.size() >= text &&
        std::equal(request.begin(), request.begin() + static_cast<std::ptrdiff_t>(text),
                   datagram.begin()))
        return std::nullopt;
    const Line first = ReadLine(datagram, 0);
    const Line second = ReadLine(datagram, first.end + 2);
    return DiscoveryReply{first.text, second.text};
}
