#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Address and service names through the thread-safe resolver calls. Texts are the 8-bit
// texts the resolver takes; addresses come back in network byte order, ports in host
// byte order.
namespace platform {

// The forms inet_addr accepts: "a.b.c.d", "a.b.c", "a.b", "a", each part decimal, octal
// (leading 0) or hexadecimal (0x). Nothing when the text is not such an address.
std::optional<std::uint32_t> ParseDottedAddress(const std::string& text);

// The first IPv4 address the resolver gives for a host name. Nothing, with the reason
// as a Winsock code in the last-error code, when the name cannot be resolved.
std::optional<std::uint32_t> LookUpHostAddress(const std::string& name);

// The port of a service name in the services database, any protocol.
std::optional<std::uint16_t> LookUpServicePort(const std::string& name);

} // namespace platform
