#include "adapters/AdapterReport.h"

#include "FakeAdapterSource.h"
#include "adapters/ImproperArgument.h"
#include "tests/common/TextChecks.h"

#include <gtest/gtest.h>

using platform::Ipv4Address;

namespace {

constexpr Ipv4Address kLoopback{127, 0, 0, 1};
constexpr Ipv4Address kLoopbackMask{255, 0, 0, 0};
constexpr Ipv4Address kMask24{255, 255, 255, 0};

std::string Enumerate(AdapterList& list, FakeAdapterSource& source, bool writeReport = true) {
    return EnumerateAdapters(list, writeReport, platform::kAdapterFamilyInet, source);
}

// The three values the address table fills, of one entry.
Texts Filled(const AdapterList& list, int entry) {
    return {list.subnetMasks[entry], list.subnetAddresses[entry], list.broadcastAddresses[entry]};
}

} // namespace

TEST(AdapterReport, OneWiredAdapterByteForByte) {
    FakeAdapterSource source;
    source.adapters = {FakeAdapterSource::Adapter(6, "Intel PRO/1000", "eth0", {{192, 168, 1, 10}},
                                                  {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
    source.rows = {FakeAdapterSource::Row(kLoopback, 1, kLoopbackMask, platform::kAddressPrimary),
                   FakeAdapterSource::Row({192, 168, 1, 10}, 2, kMask24,
                                          platform::kAddressPrimary | platform::kAddressDynamic)};
    AdapterList list;
    list.chosenIndex = 0;

    const std::string log = Enumerate(list, source);

    EXPECT_EQ(log, "\r\nСведения о сетевых адаптерах\r\n"
                   "Описание адаптера: Intel PRO/1000\r\n"
                   "Имя сетевого подключения: eth0\r\n"
                   "IP адрес (для одноадресных соединений): 192.168.1.10\r\n"
                   "Физический адрес: 00-1A-2B-3C-4D-5E\r\n"
                   "IfType: 6\r\n"
                   "\r\n"
                   "\tNum Entries: 2\r\n"
                   "\r\n\tInterface Index[0]:\t1\r\n"
                   "\r\n\tInterface Index[1]:\t2\r\n"
                   "\tIP Address[1]:\t\t192.168.1.10\r\n"
                   "\tSubnet Mask[1]:\t\t255.255.255.0\r\n"
                   "\tSubnet Address[1]:\t\t192.168.1.0 (108736)\r\n"
                   "\tBroadCast[1]:\t\t192.168.1.255 (-16668480)\r\n"
                   "\tReassembly size[1]:\t65535\r\n"
                   "\tType and State[1]:\t\tPrimary IP Address\t\tDynamic IP Address\r\n");
    EXPECT_EQ(source.lastFamily, 2);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.addresses, Texts{"192.168.1.10"});
    EXPECT_EQ(list.descriptions, Texts{"Intel PRO/1000"});
    EXPECT_EQ(list.connectionNames, Texts{"eth0"});
    EXPECT_EQ(Filled(list, 0), (Texts{"255.255.255.0", "192.168.1.0", "192.168.1.255"}));

    // Without the report the same inventory is built and nothing is logged.
    AdapterList quiet;
    EXPECT_EQ(Enumerate(quiet, source, false), std::string());
    EXPECT_EQ(Filled(quiet, 0), Filled(list, 0));
    EXPECT_EQ(source.tableCalls, 2);
}

TEST(AdapterReport, OnlyEthernetAndWirelessTypesAreListed) {
    FakeAdapterSource source;
    source.adapters = {
        FakeAdapterSource::Adapter(24, "Loopback", "lo", {kLoopback}),
        FakeAdapterSource::Adapter(71, "Wireless 7260", "wlan0", {{10, 0, 0, 5}},
                                   {2, 0, 0, 0, 0, 1}),
        FakeAdapterSource::Adapter(23, "PPP", "ppp0", {{10, 9, 9, 9}}),
        FakeAdapterSource::Adapter(131, "Tunnel", "tun0", {{10, 8, 8, 8}}),
        FakeAdapterSource::Adapter(62, "Fast", "fe0", {{10, 0, 1, 5}}),
        FakeAdapterSource::Adapter(69, "Fast FX", "fx0", {{10, 0, 2, 5}}),
    };
    AdapterList list;
    const std::string log = Enumerate(list, source);

    EXPECT_EQ(list.connectionNames, (Texts{"wlan0", "fe0", "fx0"}));
    EXPECT_TRUE(Contains(log,
                         "Описание адаптера: Wireless 7260\r\nИмя сетевого подключения: wlan0\r\n"
                         "IP адрес (для одноадресных соединений): 10.0.0.5\r\n"
                         "Физический адрес: 02-00-00-00-00-01\r\nIfType: 71\r\n\r\n"));
    EXPECT_TRUE(Contains(log, "IfType: 62\r\n") && Contains(log, "IfType: 69\r\n"));
    for (const char* passedOver : {"Loopback", "PPP", "Tunnel", "IfType: 24", "IfType: 23"})
        EXPECT_FALSE(Contains(log, passedOver)) << passedOver;
}

TEST(AdapterReport, EachAddressOfAnAdapterIsAnEntryWithItsOwnMask) {
    FakeAdapterSource source;
    source.adapters = {
        FakeAdapterSource::Adapter(6, "Dual", "eth1", {{192, 168, 1, 10}, {10, 1, 2, 3}}, {}),
        FakeAdapterSource::Adapter(6, "Bare", "eth2", {}, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}),
    };
    // The second address's row comes first, and a row of an address that is no entry's
    // (a passed-over adapter's) sits between them: neither may fill the wrong entry.
    source.rows = {FakeAdapterSource::Row({10, 1, 2, 3}, 3, {255, 255, 0, 0}),
                   FakeAdapterSource::Row({172, 16, 0, 1}, 9, {255, 240, 0, 0}),
                   FakeAdapterSource::Row({192, 168, 1, 10}, 3, kMask24)};
    AdapterList list;
    const std::string log = Enumerate(list, source);

    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.descriptions, (Texts{"Dual", "Dual"}));
    EXPECT_EQ(list.connectionNames, (Texts{"eth1", "eth1"}));
    EXPECT_EQ(Filled(list, 0), (Texts{"255.255.255.0", "192.168.1.0", "192.168.1.255"}));
    EXPECT_EQ(Filled(list, 1), (Texts{"255.255.0.0", "10.1.0.0", "10.1.255.255"}));
    EXPECT_TRUE(Contains(log, "Имя сетевого подключения: eth2\r\n"
                              "Нет IP адреса (для одноадресных соединений)\r\n"
                              "Физический адрес: AA-BB-CC-DD-EE-FF\r\nIfType: 6\r\n"));
    EXPECT_TRUE(Contains(log, "IP адрес (для одноадресных соединений): 10.1.2.3\r\n"
                              "IfType: 6\r\n")); // no physical address line for length 0
    EXPECT_TRUE(
        Contains(log, "\tIP Address[1]:\t\t172.16.0.1\r\n\tSubnet Mask[1]:\t\t255.240.0.0\r\n"));
}

TEST(AdapterReport, ExtremeMasksAndRepeatedAddresses) {
    FakeAdapterSource source;
    source.adapters = {FakeAdapterSource::Adapter(6, "A", "a", {{10, 0, 0, 7}, {198, 18, 0, 1}}),
                       FakeAdapterSource::Adapter(6, "B", "b", {{198, 18, 0, 1}})};
    source.rows = {FakeAdapterSource::Row({10, 0, 0, 7}, 2, {255, 255, 255, 255}),
                   FakeAdapterSource::Row({198, 18, 0, 1}, 2, {0, 0, 0, 0}),
                   FakeAdapterSource::Row({198, 18, 0, 1}, 3, kMask24)};
    AdapterList list;
    const std::string log = Enumerate(list, source);

    EXPECT_EQ(Filled(list, 0), (Texts{"255.255.255.255", "10.0.0.7", "10.0.0.7"}));
    // A later row of the same address overwrites the first equal entry; the second entry
    // with that address is never reached and keeps the pre-fill.
    EXPECT_EQ(Filled(list, 1), (Texts{"255.255.255.0", "198.18.0.0", "198.18.0.255"}));
    EXPECT_EQ(Filled(list, 2), (Texts{"0.0.0.0", "0.0.0.0", "0.0.0.0"}));
    EXPECT_TRUE(Contains(log, "\tSubnet Address[1]:\t\t0.0.0.0 (0)\r\n"
                              "\tBroadCast[1]:\t\t255.255.255.255 (-1)\r\n"
                              "\tReassembly size[1]:\t65535\r\n\tType and State[1]:\r\n"));
}

TEST(AdapterReport, AllStateFlagsInOrderAndUnsignedValuesPrintedSigned) {
    FakeAdapterSource source;
    source.adapters = {FakeAdapterSource::Adapter(6, "A", "a", {{10, 0, 0, 7}})};
    source.rows = {FakeAdapterSource::Row({10, 0, 0, 7}, 0x80000001u, kMask24, 0x00CD)};
    AdapterList list;
    const std::string log = Enumerate(list, source);
    EXPECT_TRUE(Contains(log, "\r\n\tInterface Index[0]:\t-2147483647\r\n"));
    EXPECT_TRUE(Contains(log, "\tType and State[0]:\t\tPrimary IP Address\t\tDynamic IP Address"
                              "\t\tAddress is on disconnected interface\t\tAddress is being deleted"
                              "\t\tTransient address\r\n"));
}

TEST(AdapterReport, AdapterQueryFailures) {
    FakeAdapterSource source;
    source.errorTexts[31] = "The device does not work.\r\n";
    AdapterList list;
    list.addresses = {"stale"};
    list.chosenIndex = 3;

    source.adaptersCode = 232;
    EXPECT_EQ(Enumerate(list, source), "Call to GetAdaptersAddresses failed with error: 232\r\n"
                                       "No addresses were found for the requested parameters\r\n");
    EXPECT_EQ(Enumerate(list, source, false), std::string());
    source.adaptersCode = 31;
    EXPECT_EQ(Enumerate(list, source), "Call to GetAdaptersAddresses failed with error: 31\r\n"
                                       "Error: The device does not work.\r\n");
    source.adaptersCode = 1234;
    EXPECT_EQ(Enumerate(list, source), "Call to GetAdaptersAddresses failed with error: 1234\r\n");

    source.adaptersCode = 0;
    source.adaptersOutOfMemory = true;
    EXPECT_EQ(Enumerate(list, source, false),
              "Memory allocation failed for IP_ADAPTER_ADDRESSES struct\r\n");

    EXPECT_TRUE(list.addresses.empty());
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.chosenIndex, 3);
    EXPECT_EQ(source.tableCalls, 0);

    // An empty inventory is no failure, and the address table is not read for it.
    source.adaptersOutOfMemory = false;
    source.adapters = {FakeAdapterSource::Adapter(24, "Loopback", "lo", {kLoopback})};
    EXPECT_EQ(Enumerate(list, source), "\r\nСведения о сетевых адаптерах\r\n");
    EXPECT_EQ(source.tableCalls, 0);
}

TEST(AdapterReport, AddressTableFailuresAreLoggedEvenWithoutReport) {
    FakeAdapterSource source;
    source.adapters = {FakeAdapterSource::Adapter(6, "A", "a", {{10, 0, 0, 7}})};
    source.errorTexts[122] = "The data area is too small.\r\n";
    AdapterList list;

    source.tableCode = 122;
    EXPECT_EQ(Enumerate(list, source, false),
              "GetIpAddrTable failed with error 122\r\n\tError: The data area is too small.\r\n");
    source.tableCode = 9999;
    EXPECT_EQ(Enumerate(list, source, false), "GetIpAddrTable failed with error 9999\r\n");
    source.tableCode = 0;
    source.tableOutOfMemory = true;
    EXPECT_EQ(Enumerate(list, source, false), "Memory allocation failed for GetIpAddrTable\r\n");
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(Filled(list, 0), (Texts{"0.0.0.0", "0.0.0.0", "0.0.0.0"}));
}

TEST(ImproperArgument, CheckedAtRejectsEveryIndexOutsideTheList) {
    AdapterList list;
    list.addresses = {"10.0.0.1", "10.0.0.2"};
    const Texts& readOnly = list.addresses;
    EXPECT_EQ(CheckedAt(readOnly, 1), "10.0.0.2");
    CheckedAt(list.addresses, 0) = "10.0.0.9";
    EXPECT_EQ(list.addresses[0], "10.0.0.9");
    for (int index : {-1, 2, 1 << 30})
        EXPECT_THROW(CheckedAt(readOnly, index), ImproperArgument);
    try {
        CheckedAt(list.subnetMasks, 0);
        FAIL();
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Encountered an improper argument.");
    }
}
