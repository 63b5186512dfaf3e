#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The hubs' discovery exchange on UDP: one fixed request, broadcast to the subnet, and one
// reply of two text lines from each hub.
constexpr std::uint16_t DISCOVERY_PORT = 30303; // the request's destination and our own port
constexpr int DISCOVERY_WAIT_MS = 1000;         // the wait for each next reply
// The whole search, however many replies keep coming: a device that sends to the port
// at least once a second would otherwise hold the search, and the console thread with
// it, for as long as it talks. 2,000 hubs answering at once are read in about 0.2 s.
constexpr int DISCOVERY_SEARCH_LIMIT_MS = 5000;
// The rows one search keeps, far above any real subnet: one host that answers the
// broadcast thousands of times must not fill the PC's memory or the window's list.
constexpr std::size_t kDiscoveryMaxRows = 4096;
constexpr std::size_t kDiscoveryReceiveBufferSize = 1024; // a longer datagram is no reply
constexpr std::size_t kDiscoveryLineMaxLength = 511;      // a longer reply line is cut

// "Discovery: Who is out there?" and a zero byte: 29 bytes.
std::span<const std::uint8_t> DiscoveryRequest();

struct DiscoveryReply {
    std::string modelText;       // line 1, UTF-8
    std::string physicalAddress; // line 2, UTF-8
};

// Reads the two lines of one received datagram (exactly the bytes received, never more).
// Nothing when the datagram's source text equals ownAddress and it starts with the
// request's text: that is the PC's own request coming back. Any other datagram counts as
// a hub, whatever its text: from ownAddress, it is a hub that has the PC's address.
//
// Line 1 is byte 0, whatever it is, and the bytes after it up to a CR or a zero byte;
// line 2 starts two bytes after that CR or zero (the LF is not checked) and ends the same
// way. A line ends also where the received bytes end; a line that would start past them
// is empty; each line is cut at 511 bytes. The bytes are UTF-8, else CP1251 (HubText.h).
std::optional<DiscoveryReply> ParseDiscoveryReply(std::span<const std::uint8_t> datagram,
                                                  const std::string& source,
                                                  const std::string& ownAddress);
