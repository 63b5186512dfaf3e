#include "net/AddressHelpers.h"

#include "tests/support/Netns.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

TEST(ResolveIPv4, DottedAddressesInTheFormsOfInetAddr) {
    EXPECT_EQ(ResolveIPv4("192.168.1.10"), 0xC0A8010Au);
    EXPECT_EQ(ResolveIPv4("0.0.0.0"), 0u);
    EXPECT_EQ(ResolveIPv4("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(ResolveIPv4("198.18.0.1"), 0xC6120001u);
    EXPECT_EQ(ResolveIPv4("127.1"), 0x7F000001u);
    EXPECT_EQ(ResolveIPv4("10.1.2"), 0x0A010002u);
    EXPECT_EQ(ResolveIPv4("0x7f.0.0.010"), 0x7F000008u);
}

TEST(ResolveIPv4, NamesFromTheHostsFile) {
    EXPECT_EQ(ResolveIPv4("localhost"), 0x7F000001u);
}

// Name lookups that must fail run in an empty namespace of their own: no resolver is
// reachable from there, so no query leaves this machine.
class WithoutResolver : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = kntest::NetnsUnavailable(); !why.empty())
            GTEST_SKIP() << why << ": the lookup runs in a namespace of its own, without DNS";
        isolated = std::make_unique<kntest::Netns>("e");
        ASSERT_TRUE(isolated->ok()) << isolated->Log();
        inside = std::make_unique<kntest::NetnsScope>(isolated->Name());
        ASSERT_TRUE(inside->ok()) << inside->whyNot();
    }
    void TearDown() override {
        inside.reset();
        isolated.reset();
    }

    std::unique_ptr<kntest::Netns> isolated;
    std::unique_ptr<kntest::NetnsScope> inside;
};

TEST_F(WithoutResolver, UnresolvableNamesGiveTheBroadcastValue) {
    EXPECT_EQ(ResolveIPv4("kn-no-such-hub.invalid"), 0xFFFFFFFFu);
    EXPECT_EQ(ResolveIPv4(""), 0xFFFFFFFFu);
    EXPECT_EQ(ResolveIPv4("256.1.1.1"), 0xFFFFFFFFu);
    // A zero character ends the text, as it did in the resolver's buffer.
    EXPECT_EQ(ResolveIPv4(std::string("10.0.0.1\0junk", 13)), 0x0A000001u);
}

// The resolver's buffer held 1023 bytes and its zero; a cut never splits a character.
TEST(ResolverText, CutAtTheFirstZeroAndAtWholeCharactersWithin1023Bytes) {
    EXPECT_EQ(ResolverText(std::string("hub\0junk", 8)), "hub");
    EXPECT_EQ(ResolverText(std::string(1100, 'a')), std::string(1023, 'a'));
    EXPECT_EQ(ResolverText(std::string(1023, 'a')), std::string(1023, 'a'));
    // "ж" is two bytes, "€" three, "𝄞" four.
    EXPECT_EQ(ResolverText(std::string(1021, 'a') + "ж"), std::string(1021, 'a') + "ж");
    EXPECT_EQ(ResolverText(std::string(1022, 'a') + "жb"), std::string(1022, 'a'));
    EXPECT_EQ(ResolverText(std::string(1021, 'a') + "€"), std::string(1021, 'a'));
    EXPECT_EQ(ResolverText(std::string(1020, 'a') + "€b"), std::string(1020, 'a') + "€");
    EXPECT_EQ(ResolverText(std::string(1020, 'a') + "𝄞"), std::string(1020, 'a'));
    EXPECT_EQ(ResolverText(std::string(1019, 'a') + "𝄞"), std::string(1019, 'a') + "𝄞");
}

TEST(ResolvePort, NumbersAreTakenModulo65536UpToTheFirstNonDigit) {
    EXPECT_EQ(ResolvePort("5000"), 5000);
    EXPECT_EQ(ResolvePort("0"), 0);
    EXPECT_EQ(ResolvePort("70000"), 4464);
    EXPECT_EQ(ResolvePort("5000abc"), 5000);
    EXPECT_EQ(ResolvePort("65535"), 65535);
    EXPECT_EQ(ResolvePort("99999999999999999999"), 65535); // wraps, never overflows
}

TEST(ResolvePort, ServiceNamesFromTheServicesDatabase) {
    EXPECT_EQ(ResolvePort("echo"), 7);
    EXPECT_EQ(ResolvePort("discard"), 9);
    EXPECT_EQ(ResolvePort("kn-no-such-service"), 0);
    EXPECT_EQ(ResolvePort(""), 0);
    EXPECT_EQ(ResolvePort(" 5000"), 0);
}

TEST(FillSocketAddress, FillsAll16BytesAndReportsWhetherAnythingIsSet) {
    platform::SocketAddressV4 address;
    std::memset(static_cast<void*>(&address), 0xAB, sizeof address);
    EXPECT_TRUE(FillSocketAddress(address, "192.168.1.10", "5000", platform::kAddressFamilyInet));
    const std::uint8_t expected[16] = {0, 0, 0x13, 0x88, 192, 168, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0};
    std::uint8_t bytes[16];
    std::memcpy(bytes, &address, sizeof bytes);
    // The family is in host byte order, the rest in network byte order.
    EXPECT_EQ(address.family, platform::kAddressFamilyInet);
    EXPECT_EQ(std::memcmp(bytes + 2, expected + 2, 14), 0);

    EXPECT_FALSE(FillSocketAddress(address, "0.0.0.0", "0", platform::kAddressFamilyInet));
    EXPECT_TRUE(FillSocketAddress(address, "0.0.0.0", "5000", platform::kAddressFamilyInet));
    EXPECT_TRUE(FillSocketAddress(address, "198.18.0.2", "0", platform::kAddressFamilyInet));
}

TEST_F(WithoutResolver, AnUnresolvableHostIsNoFailureOfFillSocketAddress) {
    platform::SocketAddressV4 address;
    EXPECT_TRUE(
        FillSocketAddress(address, "kn-no-such-hub.invalid", "0", platform::kAddressFamilyInet));
    EXPECT_EQ(address.address, 0xFFFFFFFFu);
}

} // namespace
