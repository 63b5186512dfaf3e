#include "discovery/DiscoveryReply.h"

#include <QByteArray>
#include <algorithm>

namespace {

constexpr char kRequestText[] = "Discovery: Who is out there?";
static_assert(sizeof kRequestText == 29, "the request is the text and its zero byte");

struct Line {
    QByteArray text;
    std::size_t end; // the position of the byte that ended the line, or the datagram's end
};

Line ReadLine(std::span<const std::uint8_t> data, std::size_t start) {
    if (start >= data.size())
        return {QByteArray(), data.size()};
    std::size_t end = start + 1; // the first byte is taken whatever it is
    while (end < data.size() && data[end] != '\r' && data[end] != '\0')
        ++end;
    const std::size_t length = std::min(end - start, kDiscoveryLineMaxLength);
    QByteArray text(reinterpret_cast<const char*>(data.data() + start),
                    static_cast<qsizetype>(length));
    // The line is kept as zero-terminated text: a zero as its first byte leaves it empty.
    if (data[start] == '\0')
        text.clear();
    return {text, end};
}

} // namespace

std::span<const std::uint8_t> DiscoveryRequest() {
    return {reinterpret_cast<const std::uint8_t*>(kRequestText), sizeof kRequestText};
}

std::optional<DiscoveryReply> ParseDiscoveryReply(std::span<const std::uint8_t> datagram,
                                                  const QString& source,
                                                  const QString& ownAddress) {
    if (source == ownAddress)
        return std::nullopt;
    const Line first = ReadLine(datagram, 0);
    const Line second = ReadLine(datagram, first.end + 2);
    return DiscoveryReply{QString::fromLocal8Bit(first.text), QString::fromLocal8Bit(second.text)};
}
