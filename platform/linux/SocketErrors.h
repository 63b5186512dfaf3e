#pragma once

// Linux side of the platform layer only: turns an errno value into the Winsock code a
// Windows build would leave, and stores it as the thread's last-error code.
namespace platform::linux_errors {

void SetLastSocketError(int error);

// The same for the current errno.
void SetLastSocketErrorFromErrno();

} // namespace platform::linux_errors
