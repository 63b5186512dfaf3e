#pragma once

#include <QString>
#include <cstdint>

class CSocketComm;

// The hub's physical address, asked of the operating system right after the session's
// connection has opened. Informative only: every outcome is a log text, none stops the
// session.

// Looks up the peer of the open connection from its local address. On success appends
// the address text ("02-4B-4E-00-00-02") to physicalAddressText; returns the text for the
// event log (one or two lines, each ending in "\r\n").
QString LookUpHubPhysicalAddress(CSocketComm& connection, QString& physicalAddressText);

// The same for two addresses in network byte order.
QString LookUpHubPhysicalAddress(std::uint32_t peerAddress, std::uint32_t localAddress,
                                 QString& physicalAddressText);

// The log text of a lookup's outcome: result is 0 or the error code, bytes and length
// what was delivered. Appends the address text to physicalAddressText on success.
QString PhysicalAddressLogText(std::uint32_t peerAddress, std::uint32_t result,
                               const std::uint8_t* bytes, std::uint32_t length,
                               QString& physicalAddressText);

// Each byte as two upper-case hexadecimal digits, joined by "-".
QString PhysicalAddressText(const std::uint8_t* bytes, std::uint32_t length);
