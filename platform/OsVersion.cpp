#include "platform/OsVersion.h"

namespace platform {

bool RunningOnWindows2000(const OsVersionRecord& record) {
    return record.platformFamily == kFamilyWindowsNt && record.majorVersion == 5 &&
           record.minorVersion == 0;
}

} // namespace platform
