#include "platform/SocketLibrary.h"

#include <winsock2.h>

namespace platform {

int StartSocketLibrary(std::uint16_t& reportedVersion) {
    WSADATA data{};
    const int result = ::WSAStartup(kSocketLibraryVersion, &data);
    reportedVersion = data.wVersion;
    // A library that cannot give 2.2 still counts the start: the caller's
    // StopSocketLibrary ends it.
    if (result == 0 && data.wVersion != kSocketLibraryVersion)
        return WSAVERNOTSUPPORTED;
    return result;
}

void StopSocketLibrary() {
    ::WSACleanup();
}

} // namespace platform
