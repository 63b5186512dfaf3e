#pragma once

#include "platform/SearchDiagnosis.h"

#include <cstdint>
#include <string>

namespace platform::netlink {

// The processes that hold UDP sockets on port in the calling thread's network namespace:
// the socket table of procRoot/thread-self/net/udp and udp6, each socket's inode found
// among procRoot/<pid>/fd. No value when the socket table cannot be read.
Reading<PortHolders> FindUdpPortHolders(std::uint16_t port, const std::string& procRoot = "/proc");

} // namespace platform::netlink
