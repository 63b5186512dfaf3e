#pragma once

#include <cstdint>
#include <string>

class CSocketComm;

// The hub's physical address, asked of the operating system right after the session's
// connection has opened. Informative only: every outcome is a log text, none stops the
// session.

// Looks up the peer of the open connection from its local address. On success appends
// the address text ("02-4B-4E-00-00-02") to physicalAddressText; returns the text for the
// event log (one or two lines, each ending in "\r\n").
std::string LookUpHubPhysicalAddress(CSocketComm& connection, std::string& physicalAddressText);

// The same for two addresses in network byte order.
std::string LookUpHubPhysicalAddress(std::uint32_t peerAddress, std::uint32_t localAddress,
                                     std::string& physicalAddressText);

// The log text of a lookup's outcome: result is 0 or the error code, bytes and length
// what was delivered. Appends the address text to physicalAddressText on success.
std::string PhysicalAddressLogText(std::uint32_t peerAddress, std::uint32_t result,
                                   const std::uint8_t* bytes, std::uint32_t length,
                                   std::string& physicalAddressText);

// Each byte as two upper-case hexadecimal digits, joined by "-".
std::string PhysicalAddressText(const std::uint8_t* bytes, std::uint32_t length);
