#include "platform/OsVersion.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(OsVersion, OnlyWindows2000IsRefused) {
    const auto record = [](std::uint32_t family, std::uint32_t major, std::uint32_t minor) {
        OsVersionRecord r;
        r.platformFamily = family;
        r.majorVersion = major;
        r.minorVersion = minor;
        return r;
    };
    EXPECT_TRUE(RunningOnWindows2000(record(kFamilyWindowsNt, 5, 0)));
    EXPECT_FALSE(RunningOnWindows2000(record(kFamilyWindowsNt, 5, 1))); // XP
    EXPECT_FALSE(RunningOnWindows2000(record(kFamilyWindowsNt, 5, 2))); // Server 2003
    EXPECT_FALSE(RunningOnWindows2000(record(kFamilyWindowsNt, 10, 0)));
    EXPECT_FALSE(RunningOnWindows2000(record(kFamilyWindowsNt, 4, 0)));  // NT 4, older
    EXPECT_FALSE(RunningOnWindows2000(record(kFamilyWindows9x, 4, 10))); // Windows 98
    EXPECT_FALSE(RunningOnWindows2000(record(kFamilyWindows9x, 5, 0)));
    EXPECT_FALSE(RunningOnWindows2000(OsVersionRecord{}));
}

TEST(OsVersion, TheRunningSystemFillsTheRecord) {
    OsVersionRecord record;
    record.majorVersion = 7;
#if defined(_WIN32)
    // Whatever the manifest says: Wine and every supported Windows are NT 6.1 or later.
    ASSERT_TRUE(FillOsVersionRecord(record));
    EXPECT_EQ(record.platformFamily, kFamilyWindowsNt);
    EXPECT_GE(record.majorVersion * 10 + record.minorVersion, 61u);
    EXPECT_NE(record.buildNumber, 0u);
    EXPECT_FALSE(RunningOnWindows2000(record));
#else
    // A system that is not Windows has no Windows version: the record stays zero.
    EXPECT_FALSE(FillOsVersionRecord(record));
    EXPECT_EQ(record.majorVersion, 0u);
    EXPECT_EQ(record.platformFamily, 0u);
#endif
}

} // namespace
