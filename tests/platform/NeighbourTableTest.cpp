#include "platform/NeighbourTable.h"

#include "platform/LastError.h"
#include "tests/net/SocketTestSupport.h"
#include "tests/support/BetweenHosts.h"

#include <array>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kntest;

namespace {

using Mac = std::array<std::uint8_t, 8>;

constexpr Mac kUntouched = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr Mac kHubMac = {0x02, 0x4B, 0x4E, 0x00, 0x00, 0x02, 0xFF, 0xFF};

class NeighbourTableBetweenHosts : public BetweenHosts<> {
protected:
    std::uint32_t LookUp(const char* destination, Mac& mac, std::uint32_t& length) {
        mac = kUntouched;
        length = 6;
        const auto start = Clock::now();
        const std::uint32_t result = platform::LookUpPhysicalAddress(
            Ipv4(destination), Ipv4(TwoHosts::kPcAddress), mac.data(), length);
        elapsedMs = MillisecondsSince(start);
        return result;
    }

    long long elapsedMs = 0;
};

TEST_F(NeighbourTableBetweenHosts, AHostThatWasTalkedToIsFoundAtOnce) {
    {
        NetnsScope atHub(hosts->Hub().Name());
        ASSERT_TRUE(Shell("ping -c1 -W1 " + std::string(TwoHosts::kPcAddress)));
    }
    Mac mac;
    std::uint32_t length;
    EXPECT_EQ(LookUp(TwoHosts::kHubAddress, mac, length), 0u);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(mac, kHubMac);
    EXPECT_LT(elapsedMs, 100);
}

TEST_F(NeighbourTableBetweenHosts, AnUnknownNeighbourIsResolvedInOneShortWait) {
    Mac mac;
    std::uint32_t length;
    EXPECT_EQ(LookUp(TwoHosts::kHubAddress, mac, length), 0u);
    EXPECT_EQ(mac, kHubMac);
    RecordProperty("resolve_ms", static_cast<int>(elapsedMs));
    EXPECT_LT(elapsedMs, platform::kNeighbourResolutionWaitMs);
}

TEST_F(NeighbourTableBetweenHosts, AnAbsentHostIs67AfterTheWaitAndTouchesNothing) {
    Mac mac;
    std::uint32_t length;
    EXPECT_EQ(LookUp(TwoHosts::kAbsentAddress, mac, length), platform::kErrorBadNetName);
    RecordProperty("absent_ms", static_cast<int>(elapsedMs));
    EXPECT_GE(elapsedMs, 1000);
    EXPECT_LT(elapsedMs, 1300);
    EXPECT_EQ(mac, kUntouched);
    EXPECT_EQ(length, 6u);
    // By now the kernel has an INCOMPLETE entry for it, which must not count either.
    EXPECT_EQ(LookUp(TwoHosts::kAbsentAddress, mac, length), platform::kErrorBadNetName);
}

TEST_F(NeighbourTableBetweenHosts, APermanentEntryCountsUnlessItsAddressIsZero) {
    const std::string neigh = std::string("neigh replace ") + TwoHosts::kAbsentAddress +
                              " nud permanent dev " + hosts->PcInterface() + " lladdr ";
    Mac mac;
    std::uint32_t length;
    ASSERT_TRUE(hosts->Pc().Ip(neigh + "02:4b:4e:00:00:ee"));
    EXPECT_EQ(LookUp(TwoHosts::kAbsentAddress, mac, length), 0u);
    EXPECT_EQ(mac[5], 0xEE);
    ASSERT_TRUE(hosts->Pc().Ip(neigh + "00:00:00:00:00:00"));
    EXPECT_EQ(LookUp(TwoHosts::kAbsentAddress, mac, length), platform::kErrorBadNetName);
    EXPECT_EQ(mac, kUntouched);
}

TEST_F(NeighbourTableBetweenHosts, AHostBehindARouterHasNoEntryToFind) {
    ASSERT_TRUE(
        hosts->Pc().Ip(std::string("route add 198.19.0.0/24 via ") + TwoHosts::kHubAddress));
    Mac mac;
    std::uint32_t length;
    EXPECT_EQ(LookUp("198.19.0.5", mac, length), platform::kErrorBadNetName);
    EXPECT_LT(elapsedMs, 100);
}

TEST_F(NeighbourTableBetweenHosts, BadArgumentsAndATooSmallBuffer) {
    Mac mac = kUntouched;
    std::uint32_t length = 4;
    EXPECT_EQ(platform::LookUpPhysicalAddress(Ipv4(TwoHosts::kHubAddress),
                                              Ipv4(TwoHosts::kPcAddress), mac.data(), length),
              platform::kErrorBufferOverflow);
    EXPECT_EQ(mac, kUntouched);
    length = 6;
    EXPECT_EQ(platform::LookUpPhysicalAddress(0, Ipv4(TwoHosts::kPcAddress), mac.data(), length),
              platform::kErrorInvalidParameter);
    EXPECT_EQ(platform::LookUpPhysicalAddress(Ipv4(TwoHosts::kHubAddress), 0, nullptr, length),
              platform::kErrorInvalidParameter);
}

} // namespace
