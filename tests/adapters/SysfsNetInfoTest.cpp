#include "platform/linux/SysfsNetInfo.h"

#include "platform/linux/LinuxAdapterSource.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <net/if_arp.h>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::netlink::SysfsNetInfo;

namespace {

// A made-up /sys with a PCI Ethernet card, a Wi-Fi card of each kind of marker, a USB
// adapter below its USB device, and a virtual link. Wireless hardware and USB adapters
// cannot be conjured up in a namespace, so their sysfs is drawn here instead.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("kd-sysfs-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        Directory("bus/pci");
        Directory("bus/usb");
        Directory("bus/virtio");
        Directory("drivers/e1000");
        Directory("drivers/r8152");
        Directory("drivers/virtio_net");

        Device("devices/pci0/0000:00:03.0", "pci", {{"vendor", "0x8086"}, {"device", "0x100e"}});
        Link("devices/pci0/0000:00:03.0/driver", "drivers/e1000");
        Device("devices/pci0/0000:00:04.0", "pci", {{"vendor", "0x1af4"}, {"device", "0x1041"}});
        Device("devices/pci0/0000:00:04.0/virtio2", "virtio", {{"vendor", "0x1af4"}});
        Link("devices/pci0/0000:00:04.0/virtio2/driver", "drivers/virtio_net");
        Device("devices/usb1/1-1", "usb",
               {{"idVendor", "0bda"},
                {"idProduct", "8153"},
                {"manufacturer", "Realtek"},
                {"product", "USB 10/100/1000 LAN"}});
        Device("devices/usb1/1-1/1-1:1.0", "usb", {});
        Link("devices/usb1/1-1/1-1:1.0/driver", "drivers/r8152");

        Interface("kde0", 2, "devices/pci0/0000:00:03.0");
        Interface("kdw0", 3, "devices/pci0/0000:00:04.0/virtio2");
        Directory("class/net/kdw0/wireless");
        Interface("kdw1", 4, "devices/pci0/0000:00:04.0/virtio2");
        Link("class/net/kdw1/phy80211", "devices/pci0");
        Interface("kdu0", 5, "devices/usb1/1-1/1-1:1.0");
        Interface("kdv0", 6, "");

        File("pci.ids", "# comment\n"
                        "1af4  Red Hat, Inc.\n"
                        "\t1000  Virtio network device\n"
                        "8086  Intel Corporation\n"
                        "\t1000  82542 Gigabit Ethernet Controller (Fiber)\n"
                        "\t\t8086 1000  PRO/1000 Gigabit Server Adapter\n"
                        "\t100e  82540EM Gigabit Ethernet Controller\n"
                        "8088  Beijing Wangxun\n"
                        "C 02  Network controller\n");
    }
    void TearDown() override { fs::remove_all(root_); }

    SysfsNetInfo Info(bool withIds = true) const {
        return SysfsNetInfo((root_ / "class/net").string(),
                            {withIds ? (root_ / "pci.ids").string() : "/nonexistent"},
                            {"/nonexistent"});
    }

    void Directory(const std::string& path) { fs::create_directories(root_ / path); }
    void File(const std::string& path, const std::string& text) {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << text;
    }
    void Link(const std::string& path, const std::string& target) {
        fs::create_directories((root_ / path).parent_path());
        fs::create_directory_symlink(root_ / target, root_ / path);
    }
    void Device(const std::string& path, const std::string& bus,
                const std::vector<std::pair<std::string, std::string>>& files) {
        Directory(path);
        Link(path + "/subsystem", "bus/" + bus);
        for (const auto& [name, text] : files)
            File(path + "/" + name, text + "\n");
    }
    void Interface(const std::string& name, int index, const std::string& device) {
        File("class/net/" + name + "/ifindex", std::to_string(index) + "\n");
        if (!device.empty())
            Link("class/net/" + name + "/device", device);
    }

    fs::path root_;
};

} // namespace

TEST_F(FakeSysfs, HardwareNamedFromIdsDeviceStringsOrDriver) {
    const SysfsNetInfo info = Info();
    EXPECT_EQ(info.DescribeHardware("kde0", 2),
              "Intel Corporation 82540EM Gigabit Ethernet Controller");
    // The PCI function above the virtio device is listed by vendor only.
    EXPECT_EQ(info.DescribeHardware("kdw0", 3), "Red Hat, Inc.");
    EXPECT_EQ(info.DescribeHardware("kdu0", 5), "Realtek USB 10/100/1000 LAN");
    EXPECT_EQ(info.DescribeHardware("kdv0", 6), "");

    const SysfsNetInfo noDatabase = Info(false);
    EXPECT_EQ(noDatabase.DescribeHardware("kde0", 2), "e1000");
    EXPECT_EQ(noDatabase.DescribeHardware("kdw0", 3), "virtio_net");
}

TEST_F(FakeSysfs, WirelessByEitherMarkerAndOnlyForTheRightInterface) {
    const SysfsNetInfo info = Info();
    EXPECT_TRUE(info.IsWireless("kdw0", 3));
    EXPECT_TRUE(info.IsWireless("kdw1", 4));
    EXPECT_FALSE(info.IsWireless("kde0", 2));
    // Same name, other index: an interface of another namespace that sysfs shows.
    EXPECT_FALSE(info.IsWireless("kdw0", 9));
    EXPECT_EQ(info.DescribeHardware("kde0", 9), "");
    EXPECT_FALSE(info.IsWireless("../kdw0", 3));

    platform::netlink::LinuxAdapterSource source(info);
    platform::netlink::LinkInfo link;
    link.hardwareType = ARPHRD_ETHER;
    link.name = "kdw1";
    link.index = 4;
    EXPECT_EQ(source.InterfaceTypeOf(link), 71u);
    link.name = "kde0";
    link.index = 2;
    EXPECT_EQ(source.InterfaceTypeOf(link), 6u);
}

TEST_F(FakeSysfs, IdDatabaseLookUp) {
    const std::string ids = (root_ / "pci.ids").string();
    EXPECT_EQ(platform::netlink::LookUpHardwareIds(ids, 0x8086, 0x1000),
              "Intel Corporation 82542 Gigabit Ethernet Controller (Fiber)");
    EXPECT_EQ(platform::netlink::LookUpHardwareIds(ids, 0x8088, 0x1000), "Beijing Wangxun");
    EXPECT_EQ(platform::netlink::LookUpHardwareIds(ids, 0x10ec, 0x8168), "");
}
