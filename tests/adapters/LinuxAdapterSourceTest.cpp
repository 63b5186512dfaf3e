#include "platform/linux/LinuxAdapterSource.h"

#include "adapters/AdapterReport.h"
#include "tests/common/TextChecks.h"
#include "tests/support/Netns.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <optional>

using kntest::Netns;
using kntest::NetnsUnavailable;
using kntest::RunInNetns;
using platform::AdapterRecord;
using platform::AddressTableRow;
using platform::Ipv4Address;

namespace {

class LinuxAdapterSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = NetnsUnavailable(); !why.empty())
            GTEST_SKIP() << why;
        host_.emplace("a");
        peer_.emplace("p");
        ASSERT_TRUE(host_->ok() && peer_->ok()) << host_->Log() << peer_->Log();
        Netns& h = *host_;
        // A veth with a primary, a secondary and a dynamic address; a bridge without
        // carrier; a tun link, which is no Ethernet and must be passed over.
        const bool made =
            h.Veth("kdv0", "198.18.5.1/24", *peer_, "kdv1", "") &&
            h.Ip("addr add 198.18.5.2/24 dev kdv0") &&
            h.Ip("addr add 198.18.7.1/28 dev kdv0 valid_lft 300 preferred_lft 300") &&
            h.Ip("link add kdb0 type bridge") && h.Ip("addr add 198.18.9.1/24 dev kdb0") &&
            h.Ip("tuntap add kdt0 mode tun") && h.Ip("addr add 198.18.11.1/24 dev kdt0");
        ASSERT_TRUE(made) << h.Log() << peer_->Log();
    }

    std::optional<Netns> host_;
    std::optional<Netns> peer_;
};

const AdapterRecord* Find(const std::vector<AdapterRecord>& adapters, const std::string& name) {
    const auto it = std::find_if(adapters.begin(), adapters.end(),
                                 [&](const AdapterRecord& a) { return a.friendlyName == name; });
    return it == adapters.end() ? nullptr : &*it;
}

} // namespace

TEST_F(LinuxAdapterSourceTest, AdaptersCarryTypeNameDescriptionAndAddressesInOrder) {
    std::vector<AdapterRecord> adapters;
    std::uint32_t code = 1;
    RunInNetns(host_->Name(), [&] {
        platform::netlink::LinuxAdapterSource source;
        code = source.GetAdapters(platform::kAdapterFamilyInet, adapters);
    });
    ASSERT_EQ(code, 0u);

    const AdapterRecord* veth = Find(adapters, "kdv0");
    const AdapterRecord* bridge = Find(adapters, "kdb0");
    const AdapterRecord* tun = Find(adapters, "kdt0");
    const AdapterRecord* loopback = Find(adapters, "lo");
    ASSERT_TRUE(veth && bridge && tun && loopback);
    EXPECT_EQ(veth->interfaceType, 6u);
    EXPECT_EQ(veth->description, "veth");
    EXPECT_EQ(veth->physicalAddress.size(), 6u);
    // The kernel lists an interface's primary addresses before its secondary ones.
    EXPECT_EQ(veth->unicastAddresses,
              (std::vector<Ipv4Address>{{198, 18, 5, 1}, {198, 18, 7, 1}, {198, 18, 5, 2}}));
    EXPECT_EQ(bridge->interfaceType, 6u);
    EXPECT_EQ(bridge->description, "bridge");
    EXPECT_EQ(tun->interfaceType, platform::kIfTypePropVirtual);
    EXPECT_TRUE(tun->physicalAddress.empty());
    EXPECT_EQ(loopback->interfaceType, 24u);
    EXPECT_EQ(loopback->unicastAddresses, (std::vector<Ipv4Address>{{127, 0, 0, 1}}));
}

TEST_F(LinuxAdapterSourceTest, AddressTableRowsCarryIndexMaskAndStateFlags) {
    std::vector<AddressTableRow> rows;
    std::uint32_t code = 1;
    unsigned vethIndex = 0;
    unsigned bridgeIndex = 0;
    RunInNetns(host_->Name(), [&] {
        platform::netlink::LinuxAdapterSource source;
        code = source.GetAddressTable(rows);
        vethIndex = ::if_nametoindex("kdv0");
        bridgeIndex = ::if_nametoindex("kdb0");
    });
    ASSERT_EQ(code, 0u);
    auto row = [&](Ipv4Address address) {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const AddressTableRow& r) {
            return r.address == address;
        });
        return it == rows.end() ? AddressTableRow{} : *it;
    };
    using namespace platform;
    EXPECT_EQ(row({127, 0, 0, 1}).mask, (Ipv4Address{255, 0, 0, 0}));
    EXPECT_EQ(row({127, 0, 0, 1}).typeAndState, kAddressPrimary);

    const AddressTableRow first = row({198, 18, 5, 1});
    EXPECT_EQ(first.interfaceIndex, vethIndex);
    EXPECT_EQ(first.mask, (Ipv4Address{255, 255, 255, 0}));
    EXPECT_EQ(first.reassemblySize, 65535u);
    EXPECT_EQ(first.typeAndState, kAddressPrimary);
    EXPECT_EQ(row({198, 18, 5, 2}).typeAndState, 0);
    EXPECT_EQ(row({198, 18, 7, 1}).mask, (Ipv4Address{255, 255, 255, 240}));
    EXPECT_EQ(row({198, 18, 7, 1}).typeAndState, kAddressDynamic);
    EXPECT_EQ(row({198, 18, 9, 1}).interfaceIndex, bridgeIndex);
    EXPECT_EQ(row({198, 18, 9, 1}).typeAndState, kAddressPrimary | kAddressDisconnected);
    EXPECT_EQ(rows.size(), 6u);
}

TEST_F(LinuxAdapterSourceTest, InventoryFromTheRealSource) {
    AdapterList list;
    std::string log;
    RunInNetns(host_->Name(), [&] {
        auto source = platform::MakeAdapterSource();
        log = EnumerateAdapters(list, true, platform::kAdapterFamilyInet, *source);
    });
    EXPECT_EQ(list.addresses, (Texts{"198.18.5.1", "198.18.7.1", "198.18.5.2", "198.18.9.1"}));
    EXPECT_EQ(list.broadcastAddresses,
              (Texts{"198.18.5.255", "198.18.7.15", "198.18.5.255", "198.18.9.255"}));
    EXPECT_EQ(list.subnetAddresses,
              (Texts{"198.18.5.0", "198.18.7.0", "198.18.5.0", "198.18.9.0"}));
    EXPECT_TRUE(Contains(log, "Описание адаптера: veth\r\nИмя сетевого подключения: kdv0\r\n"));
    EXPECT_TRUE(Contains(log, "\tNum Entries: 6\r\n"));
    EXPECT_FALSE(Contains(log, "kdt0"));
}

TEST(LinuxAdapterSource, InterfaceTypesNeverCollideWithEthernetNumbers) {
    platform::netlink::LinuxAdapterSource source(platform::netlink::SysfsNetInfo("/nonexistent"));
    platform::netlink::LinkInfo link;
    link.name = "kdx0";
    for (std::uint16_t type = 0; type < 0xFFFF; ++type) {
        link.hardwareType = type;
        const std::uint32_t number = source.InterfaceTypeOf(link);
        if (type == ARPHRD_ETHER)
            EXPECT_EQ(number, 6u);
        else
            EXPECT_TRUE(number != 6 && number != 62 && number != 69 && number != 71) << type;
    }
}
