#pragma once

#include <cstdint>

// Linux side of the platform layer only: the one table from errno values to the Windows
// codes a Windows build would leave. Sockets, the discovery socket, the echo service and
// the adapter inventory all go through it, so one errno gives one number in every line.
namespace platform::linux_errors {

// The Winsock code for a socket's errno; an errno without a Winsock counterpart gives
// the Windows system error that means the same, and one that nothing matches
// ERROR_GEN_FAILURE.
std::uint32_t WindowsCode(int error);

// The same, stored as the thread's last-error code.
void SetLastSocketError(int error);

// The same for the current errno.
void SetLastSocketErrorFromErrno();

} // namespace platform::linux_errors
