#include "app/OsVersion.h"

bool FillOsVersionRecord(OsVersionRecord& record) {
    record = OsVersionRecord{};
    // Only a Windows build has a Windows version to report; elsewhere the record stays
    // zero, which no start-up check refuses.
    return false;
}

bool RunningOnWindows2000(const OsVersionRecord& record) {
    return record.platformFamily == kFamilyWindowsNt && record.majorVersion == 5 &&
           record.minorVersion == 0;
}
