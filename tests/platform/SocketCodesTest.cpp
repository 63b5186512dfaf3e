#include "platform/DiscoverySocket.h"
#include "platform/LastError.h"
#include "platform/NameResolver.h"
#include "platform/SocketApi.h"

#include <gtest/gtest.h>

// The codes a failure leaves are the same numbers on Linux and on Windows, whose own they
// are: loopback only, no traffic leaves the host.
namespace {

platform::SocketAddressV4 Loopback(std::uint16_t port) {
    platform::SocketAddressV4 address;
    address.family = platform::kAddressFamilyInet;
    address.port = platform::HostToNetwork16(port);
    address.address = platform::HostToNetwork32(0x7F000001);
    return address;
}

TEST(SocketCodes, ARefusedConnectAndAnAddressNoAdapterHolds) {
    // A port of the system's choosing, closed again: nothing listens there.
    platform::SocketHandle probe =
        platform::OpenSocket(platform::kAddressFamilyInet, platform::kSocketStream, 0);
    ASSERT_NE(probe, platform::kInvalidSocket);
    platform::SocketAddressV4 taken = Loopback(0);
    ASSERT_TRUE(platform::BindSocket(probe, taken));
    ASSERT_TRUE(platform::GetLocalAddress(probe, taken));
    platform::CloseSocket(probe);

    const platform::SocketHandle socket =
        platform::OpenSocket(platform::kAddressFamilyInet, platform::kSocketStream, 0);
    ASSERT_NE(socket, platform::kInvalidSocket);
    EXPECT_FALSE(platform::ConnectSocket(socket, taken, 2000));
    EXPECT_EQ(platform::GetLastError(), platform::kWsaEConnRefused);
    platform::CloseSocket(socket);

    // 198.18.139.1 is on no adapter of this host. (Wine would bind it: the search's
    // socket asks the address table itself.)
    const auto search = platform::MakeDiscoverySocket();
    ASSERT_TRUE(search->Create());
    EXPECT_FALSE(search->Bind({198, 18, 139, 1}, 30303));
    EXPECT_EQ(platform::GetLastError(), platform::kWsaEAddrNotAvail);
}

TEST(SocketCodes, DottedAddressesInEveryFormAndNothingElse) {
    EXPECT_EQ(platform::ParseDottedAddress("127.0.0.1"), platform::HostToNetwork32(0x7F000001));
    EXPECT_EQ(platform::ParseDottedAddress("127.1"), platform::HostToNetwork32(0x7F000001));
    EXPECT_EQ(platform::ParseDottedAddress("0x7f.0.0.01"), platform::HostToNetwork32(0x7F000001));
    EXPECT_EQ(platform::ParseDottedAddress("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_FALSE(platform::ParseDottedAddress("256.0.0.1"));
    EXPECT_FALSE(platform::ParseDottedAddress("1.2.3.4x"));
    EXPECT_FALSE(platform::ParseDottedAddress(""));
    EXPECT_FALSE(platform::ParseDottedAddress(std::string("1.2.3.4\0", 8)));
}

} // namespace
