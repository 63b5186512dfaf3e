#pragma once

#include <cstdint>

// The socket library's start and end, once per process around everything that opens a
// socket. Windows needs both (WSAStartup, WSACleanup); elsewhere there is nothing to do.
namespace platform {

inline constexpr std::uint16_t kSocketLibraryVersion = 0x0202; // version 2.2

// Starts the library for version 2.2: 0 on success, otherwise the library's failure code;
// reportedVersion is the version the library reported either way.
int StartSocketLibrary(std::uint16_t& reportedVersion);

// Ends one start, also one that failed (where that ends nothing).
void StopSocketLibrary();

} // namespace platform
