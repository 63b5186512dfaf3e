#pragma once

#include <cstdint>

// The operating system's version, as the start-up check needs it. All zero until filled.
namespace platform {

struct OsVersionRecord {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;    // low 16 bits of the system's build number
    std::uint32_t platformFamily = 0; // 0 unknown, 1 Win32s, 2 Windows 9x, 3 NT, 4 CE
};

enum OsPlatformFamily : std::uint32_t {
    kFamilyUnknown = 0,
    kFamilyWin32s = 1,
    kFamilyWindows9x = 2,
    kFamilyWindowsNt = 3,
    kFamilyWindowsCe = 4,
};

// Fills the record from the running system; false when it stays zero. A system that is
// not Windows has no Windows version: the record stays zero and the result is false.
bool FillOsVersionRecord(OsVersionRecord& record);

// Windows 2000 exactly: the NT family, version 5.0.
bool RunningOnWindows2000(const OsVersionRecord& record);

} // namespace platform
