#pragma once

#include "platform/SocketApi.h"

#include <cstdint>
#include <string>

// Texts the console works with (a host as a dotted address or a name, a service as a
// port number or a service name) turned into IPv4 socket addresses. Stateless; any thread.

// The host's IPv4 address in host byte order. A dotted address is taken as it stands and
// never looked up as a name (so "255.255.255.255" is the limited broadcast address); a
// name gives its first IPv4 address; a name that cannot be resolved gives 0xFFFFFFFF.
std::uint32_t ResolveIPv4(const std::string& host);

// The port in host byte order: the low 16 bits of the decimal number at the start of a
// text that begins with a digit ("70000" gives 4464, "5000abc" 5000), else the port of
// the named service, else 0.
std::uint16_t ResolvePort(const std::string& service);

// Fills all 16 bytes of address. True when the address or the port is non-zero; an
// unresolvable host is not a failure here (its address is 255.255.255.255, and the bind or
// connect that follows fails).
bool FillSocketAddress(platform::SocketAddressV4& address, const std::string& host,
                       const std::string& service, std::uint16_t family);

// The 8-bit text the resolver gets (UTF-8, the system's 8-bit encoding): cut at the first
// zero byte and at 1023 bytes, never inside a multi-byte character.
std::string ResolverText(const std::string& text);

// "a.b.c.d" of an address in network byte order.
std::string DottedAddressText(std::uint32_t networkOrderAddress);
