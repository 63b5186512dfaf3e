#include "platform/SocketLibrary.h"

namespace platform {

// Linux sockets need no library start: every start succeeds with the version asked for.
int StartSocketLibrary(std::uint16_t& reportedVersion) {
    reportedVersion = kSocketLibraryVersion;
    return 0;
}

void StopSocketLibrary() {}

} // namespace platform
