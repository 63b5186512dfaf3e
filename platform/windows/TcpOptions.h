#pragma once

// Windows side of the platform layer only: IPPROTO_TCP option numbers of ws2ipdef.h that
// mingw-w64's headers leave out.
namespace platform::windows {

inline constexpr int kTcpMaxRetransmitSeconds = 5; // TCP_MAXRT: DWORD seconds
inline constexpr int kTcpKeepCount = 16;           // TCP_KEEPCNT (Windows 10 1703 and later)

} // namespace platform::windows
