#include "platform/OsVersion.h"

#include <windows.h>

namespace platform {

namespace {

// ntdll's RtlGetVersion tells the real version whatever the program's manifest says;
// GetVersionExW answers 6.2 to a program that does not declare newer systems.
using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);

bool FillFrom(const OSVERSIONINFOW& info, OsVersionRecord& record) {
    record.majorVersion = info.dwMajorVersion;
    record.minorVersion = info.dwMinorVersion;
    record.buildNumber = info.dwBuildNumber & 0xFFFF;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        record.platformFamily = kFamilyWin32s;
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        record.platformFamily = kFamilyWindows9x;
        break;
    case VER_PLATFORM_WIN32_NT:
        record.platformFamily = kFamilyWindowsNt;
        break;
    case 3: // VER_PLATFORM_WIN32_CE
        record.platformFamily = kFamilyWindowsCe;
        break;
    default:
        record.platformFamily = kFamilyUnknown;
        break;
    }
    return true;
}

} // namespace

bool FillOsVersionRecord(OsVersionRecord& record) {
    record = OsVersionRecord{};
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
        const auto call = reinterpret_cast<RtlGetVersionCall>(
            reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
        if (call != nullptr && call(&info) == 0)
            return FillFrom(info, record);
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (::GetVersionExW(&info) != 0)
        return FillFrom(info, record);
#pragma GCC diagnostic pop
    return false;
}

} // namespace platform
