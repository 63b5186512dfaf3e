#include "platform/OsVersion.h"

namespace platform {

bool FillOsVersionRecord(OsVersionRecord& record) {
    record = OsVersionRecord{};
    // Only a Windows build has a Windows version to report; here the record stays zero,
    // which no start-up check refuses.
    return false;
}

} // namespace platform
