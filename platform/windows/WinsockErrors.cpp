#include "platform/windows/WinsockErrors.h"

#include "platform/LastError.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace platform::windows {

namespace {

void Store(std::uint32_t code) {
    platform::SetLastError(code != kErrorSuccess ? code : kErrorGenFailure);
}

} // namespace

void SetLastErrorFromWinsock() {
    Store(static_cast<std::uint32_t>(::WSAGetLastError()));
}

void SetLastErrorFromSystem() {
    Store(static_cast<std::uint32_t>(::GetLastError()));
}

} // namespace platform::windows
