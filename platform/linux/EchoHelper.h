#pragma once

#include "platform/EchoService.h"

#include <memory>
#include <string>
#include <vector>

// Linux side of the platform layer only: the echo providers of this system and the echo
// helper that serves an ordinary user.
namespace platform {

// Where this program finds its echo helper, kestrune-echo: the small program without Qt
// that alone holds cap_net_raw, so that no program linking Qt ever carries a capability
// (Qt loads plugins from folders any user may name).
std::string EchoHelperPath();

// The echo helper at path as a provider: present when the file is there and would run
// with cap_net_raw; otherwise the failure names the helper and what it lacks. Each
// request starts the helper once and waits for it no longer than the request's time-out
// and a small margin.
EchoProviderLoad LoadEchoHelper(const std::string& path);

// The providers in the order they are tried: an unprivileged ICMP datagram socket
// (allowed by net.ipv4.ping_group_range), a raw ICMP socket in this process (root;
// Debian's default ping_group_range leaves out group 0), then the echo helper at
// helperPath, which holds cap_net_raw and serves an ordinary user. SystemEchoProviders()
// names the helper at EchoHelperPath().
std::vector<EchoProviderLoader> SystemEchoProviders(const std::string& helperPath);

// The echo helper's own side: a raw ICMP socket opened while it still holds cap_net_raw
// (-1 with errno when it may not be opened), and the channel it sends through on that
// socket after it has given up every capability. The channel takes the socket over; null
// with the last-error code when the socket cannot be prepared.
int OpenRawEchoSocket();
std::unique_ptr<IEchoChannel> RawEchoChannelOn(int socket);

} // namespace platform
