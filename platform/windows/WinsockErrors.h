#pragma once

#include <cstdint>

// Windows side of the platform layer only: Winsock's own codes are the program's codes,
// so a failed call's code is copied into the thread's last-error code unchanged.
namespace platform::windows {

// WSAGetLastError() as the thread's last-error code; a call that failed without one
// (never seen, but the program must not report success) gives ERROR_GEN_FAILURE.
void SetLastErrorFromWinsock();

// The same for ::GetLastError(), for the system's other services.
void SetLastErrorFromSystem();

} // namespace platform::windows
